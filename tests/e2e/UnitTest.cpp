// The program's units at start and exit, in a program started as C:\Tolva\setup.exe.
#include "../win/PayloadFixture.h"
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace payloadtest;

TEST(Units, ConfigDirFollowsTheProgramsFolderAndHaltRunsTheExitsInReverse)
{
    fs::remove_all("C:\\Tolva");
    fs::create_directories("C:\\Tolva");
    fs::copy_file(fs::path(UNIT_PROBE_EXE), "C:\\Tolva\\setup.exe");
    ScratchFolder scratch("units");
    const std::string output = scratch / "out.txt";

    robot::Process probe = robot::Process::Start("C:\\Tolva\\setup.exe", {.outputFile = output});
    EXPECT_EQ(probe.WaitForExit(10000), std::optional<DWORD>(0));
    std::vector<std::string> lines;
    std::istringstream in(FileContent(output).value_or(""));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"C:\\Tolva\\config\\", "exit of the second unit",
                                               "exit of the first unit"}));
    fs::remove_all("C:\\Tolva");
}
