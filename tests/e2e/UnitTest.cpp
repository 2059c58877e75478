// The program's units at start and exit, in a program started as C:\Tolva\setup.exe.
#include "../win/PayloadFixture.h"
#include "robot/Robot.h"

#include <gtest/gtest.h>


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
    EXPECT_EQ(FileLines(output), (std::vector<std::string>{"C:\\Tolva\\config\\", "exit of the second unit",
                                               "exit of the first unit"}));
    fs::remove_all("C:\\Tolva");
}
