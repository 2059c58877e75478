// The file deployment as the user sees it: every file in its place, or the
// error report for the first one that fails and the end of the program.
#include "../win/PayloadFixture.h"
#include "classlib/Dialogs.h"
#include "payload/FileTables.h"
#include "robot/Robot.h"

#include <gtest/gtest.h>

using namespace payloadtest;

namespace {

constexpr DWORD kTimeout = 20000;

// An unpacked payload with every file the installation copies, two pictures
// and what it leaves alone: a note, a folder named like a picture.
void PutCompletePayload(const std::string& temp)
{
    for (const std::string_view file : payload::ProgramFiles) PutFile(temp + std::string(file), "new " + std::string(file));
    for (const std::string_view file : payload::WebFiles) PutFile(temp + std::string(file), "<html>" + std::string(file));
    PutFile(temp + "logo.gif", "GIF89a logo");
    PutFile(temp + "BANNER.GIF", "GIF89a banner");
    PutFile(temp + "notes.txt", "not copied");
    fs::create_directories(temp + "folder.gif");
    PutFile(temp + std::string(payload::ControlPanelApplet), "applet");
}

struct Deployment {
    ScratchFolder scratch{"deploy"};
    std::string temp = scratch / "TOLVAInstall\\";
    std::string target = scratch / "Mail\\";
    std::string system = scratch / "system32\\";

    Deployment() { fs::create_directories(system); }

    robot::Process Start() const
    {
        return robot::Process::Start(DEPLOY_PROBE_EXE, {.args = {temp, target, system}});
    }
};

std::vector<std::string> NamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The error report the probe shows, read while it is open; answered, the
// program must end with exit code 0.
struct Report {
    robot::MessageBoxInfo box;
    std::string status;
    std::string progress;
};

std::optional<Report> AwaitErrorReport(robot::Process& probe)
{
    // The probe answers the welcome question itself; the report is the box after it.
    const auto box = robot::WaitForMessageBox({.processId = probe.Id(), .caption = "Error"}, kTimeout);
    if (!box) return std::nullopt;
    Report report{*box, {}, {}};
    if (const auto main = robot::WaitForWindow({.processId = probe.Id(), .className = "TMainForm", .visibleOnly = false}, 0))
        report.status = robot::ReadStatusText(main->hwnd).value_or("");
    if (const auto run = robot::WaitForWindow({.processId = probe.Id(), .className = "TRunForm"}, 0))
        report.progress = robot::ReadText(robot::FindChild(run->hwnd, "TPanel")).value_or("");
    EXPECT_EQ(box->icon, robot::BoxIcon::Error);
    EXPECT_TRUE(box->HasButton(IDOK) && box->buttons.size() == 1);
    EXPECT_TRUE(robot::Answer(*box, IDOK));
    const auto code = probe.WaitForExit(kTimeout);
    EXPECT_EQ(code, std::optional<DWORD>(0)) << "the program did not end with exit code 0";
    return report;
}

} // namespace

TEST(Deployment, PutsEveryFileInItsPlaceAndAReinstallationKeepsDefaultIni)
{
    Deployment d;
    PutCompletePayload(d.temp);
    fs::create_directories(d.target);

    robot::Process first = d.Start();
    ASSERT_EQ(first.WaitForExit(kTimeout), std::optional<DWORD>(0));

    std::vector<std::string> expected(payload::ProgramFiles.begin(), payload::ProgramFiles.end());
    expected.push_back("deploy_probe.exe");
    expected.push_back("html");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(d.target), expected);
    for (const std::string_view file : payload::ProgramFiles)
        EXPECT_EQ(FileContent(d.target + std::string(file)), "new " + std::string(file));
    for (const std::string_view file : payload::WebFiles)
        EXPECT_EQ(FileContent(d.target + "html\\" + std::string(file)), "<html>" + std::string(file));
    EXPECT_EQ(NamesIn(d.target + "html\\images\\"), (std::vector<std::string>{"BANNER.GIF", "logo.gif"}));
    EXPECT_EQ(FileContent(d.target + "deploy_probe.exe"), FileContent(fs::path(DEPLOY_PROBE_EXE)));
    EXPECT_EQ(FileContent(d.system + "TOLVA.CPL"), "applet");

    PutFile(d.target + "default.ini", "[SMTP]\r\nPort=2525\r\n");
    PutFile(d.target + "readme.txt", "an older readme, longer than the new one");
    robot::Process second = d.Start();
    ASSERT_EQ(second.WaitForExit(kTimeout), std::optional<DWORD>(0));
    EXPECT_EQ(FileContent(d.target + "default.ini"), "[SMTP]\r\nPort=2525\r\n");
    EXPECT_EQ(FileContent(d.target + "readme.txt"), "new readme.txt");
}

TEST(Deployment, APayloadWithoutPicturesCopiesNone)
{
    Deployment d;
    PutCompletePayload(d.temp);
    fs::remove(d.temp + "logo.gif");
    fs::remove(d.temp + "BANNER.GIF");
    fs::create_directories(d.target);
    robot::Process probe = d.Start();
    ASSERT_EQ(probe.WaitForExit(kTimeout), std::optional<DWORD>(0));
    EXPECT_TRUE(NamesIn(d.target + "html\\images\\").empty());
    EXPECT_EQ(FileContent(d.system + "TOLVA.CPL"), "applet");
}

TEST(Deployment, AMissingFileStopsWithTheSystemsTextAndItsCopyShownLast)
{
    Deployment d;
    PutCompletePayload(d.temp);
    fs::remove(d.temp + "tolva.hlp");
    fs::create_directories(d.target);

    robot::Process probe = d.Start();
    const auto report = AwaitErrorReport(probe);
    ASSERT_TRUE(report) << "no error report";

    EXPECT_EQ(report->box.text, "File copy error: " + classlib::SysErrorMessage(ERROR_FILE_NOT_FOUND));
    const std::string lastCopy = "Copying File '" + d.target + "tolva.hlp'...";
    EXPECT_EQ(report->status, lastCopy);
    EXPECT_EQ(report->progress, lastCopy);
    EXPECT_TRUE(fs::exists(d.target + "update.txt"));  // the file before it
    EXPECT_FALSE(fs::exists(d.target + "tolva.cnt"));  // the file after it
}

TEST(Deployment, ADestinationBelowAMissingFolderStopsBeforeAnyCopy)
{
    Deployment d;
    PutCompletePayload(d.temp);
    d.target = d.scratch / "New\\Inner\\";

    robot::Process probe = d.Start();
    const auto report = AwaitErrorReport(probe);
    ASSERT_TRUE(report) << "no error report";

    EXPECT_EQ(report->box.text, "Directory could not be created: " + classlib::SysErrorMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(fs::exists(d.scratch / "New"));
    EXPECT_FALSE(fs::exists(d.system + "TOLVA.CPL"));
}
