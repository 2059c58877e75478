// The robot drives robot_target.exe (and uirobot.exe) for real under Wine.
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr DWORD kStartMs = 10000;

std::string WinPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

const std::string kTarget = WinPath(ROBOT_TARGET_EXE);
const std::string kUiRobot = WinPath(UIROBOT_EXE);

// A fresh folder (with a blank in its name) for one test, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "robot test " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& f : files_) DeleteFileA(f.c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) { return files_.emplace_back(path_ + "\\" + name); }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> SplitNul(const std::string& s) {
    std::vector<std::string> fields;
    std::stringstream in(s);
    for (std::string field; std::getline(in, field, '\0');) fields.push_back(field);
    return fields;
}

std::vector<int> ButtonIds(const robot::MessageBoxInfo& box) {
    std::vector<int> ids;
    for (const robot::BoxButton& b : box.buttons) ids.push_back(b.id);
    return ids;
}

robot::Process StartTarget(std::vector<std::string> args) {
    robot::StartOptions options;
    options.args = std::move(args);
    return robot::Process::Start(kTarget, options);
}

TEST(Robot, ReadsAndAnswersATaskModalMessageBox) {
    const struct { int button; DWORD exitCode; } cases[] = {{IDYES, 100 + IDYES}, {IDNO, 100 + IDNO}};
    for (const auto& c : cases) {
        SCOPED_TRACE("button " + std::to_string(c.button));
        robot::Process target = StartTarget({"box", "Robot Question", "Go on with the test?"});
        auto box = robot::WaitForMessageBox(target.Id(), kStartMs);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "Robot Question");
        EXPECT_EQ(box->text, "Go on with the test?");
        EXPECT_EQ(ButtonIds(*box), (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(box->icon, robot::BoxIcon::Question);
        EXPECT_TRUE(robot::VisibleWindows(target.Id()).empty()) << "a message box is not an ordinary window";
        EXPECT_FALSE(robot::Answer(*box, IDOK)) << "there is no OK button";
        ASSERT_TRUE(robot::Answer(*box, c.button));
        EXPECT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(c.exitCode));
    }
}

TEST(Robot, ClicksAButtonByItsLabelAndReadsTheStatusBar) {
    robot::Process target = StartTarget({"window", "Robot Window"});
    robot::WindowQuery query;
    query.processId = target.Id();
    query.caption = "Robot Window";
    auto window = robot::WaitForWindow(query, kStartMs);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->className, "RobotTargetWindow");
    EXPECT_EQ(window->rect.right - window->rect.left, 400);
    const auto visible = robot::VisibleWindows(target.Id());
    ASSERT_EQ(visible.size(), 1u);
    EXPECT_EQ(visible[0].hwnd, window->hwnd);

    EXPECT_TRUE(robot::FindChild(window->hwnd, "Button", "&Press"));
    EXPECT_EQ(robot::ReadStatusText(window->hwnd), std::optional<std::string>("Ready"));
    EXPECT_FALSE(robot::ClickButton(window->hwnd, "Pres", 100));
    ASSERT_TRUE(robot::ClickButton(window->hwnd, "Press"));
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (robot::ReadStatusText(window->hwnd) != "Pressed 1" && GetTickCount64() < deadline) Sleep(20);
    EXPECT_EQ(robot::ReadStatusText(window->hwnd), std::optional<std::string>("Pressed 1"));

    // The exit code counts the presses: one click is one press.
    PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(1));
}

TEST(Robot, PassesArgumentsFolderAndEnvironment) {
    const std::vector<std::string> args = {
        "plain", "with blank", "", "say \"hi\"", "C:\\Program Files\\TOLVA\\", "a\\\\b\\\"c", "tab\there", "dir\\",
        "\"", "\\",
    };
    SetEnvironmentVariableA("ROBOT_KEPT", "kept");
    SetEnvironmentVariableA("ROBOT_REMOVED", "should not arrive");
    TempFolder folder;
    robot::StartOptions options;
    options.args = {"echo"};
    options.args.insert(options.args.end(), args.begin(), args.end());
    options.workingDir = folder.Path();
    options.env = {{"ROBOT_ADDED", "added value"}, {"robot_removed", std::nullopt}};
    options.outputFile = folder.File("echo.txt");
    robot::Process target = robot::Process::Start(kTarget, options);
    ASSERT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(0));

    std::vector<std::string> expected = {folder.Path(), "ROBOT_KEPT=kept", "ROBOT_ADDED=added value",
                                         "ROBOT_REMOVED unset"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(SplitNul(ReadAll(options.outputFile)), expected) << robot::BuildCommandLine(kTarget, options.args);
}

TEST(Robot, TimesOutInsteadOfHangingAndKillsWhatItStarted) {
    HANDLE watch = nullptr;
    {
        robot::Process target = StartTarget({"window", "Robot Window"});
        robot::WindowQuery query;
        query.processId = target.Id();
        ASSERT_TRUE(robot::WaitForWindow(query, kStartMs));
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(robot::WaitForMessageBox(target.Id(), 300));
        query.caption = "No such window";
        EXPECT_FALSE(robot::WaitForWindow(query, 300));
        EXPECT_FALSE(target.WaitForExit(300));
        const ULONGLONG waited = GetTickCount64() - start;
        EXPECT_GE(waited, 850u);
        EXPECT_LT(waited, 5000u);
        EXPECT_TRUE(target.IsRunning());
        watch = OpenProcess(SYNCHRONIZE, FALSE, target.Id());
        ASSERT_TRUE(watch);
    }
    EXPECT_EQ(WaitForSingleObject(watch, 0), WAIT_OBJECT_0) << "the Process destructor left it running";
    CloseHandle(watch);
}

TEST(Robot, AnswersAMessageBoxOfItsOwnProcess) {
    auto seen = robot::AnswerOwnMessageBoxAsync(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Own text", "Own caption", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL), IDNO);
    const auto box = seen.get();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "Own caption");
    EXPECT_EQ(box->text, "Own text");
}

TEST(UiRobotExe, AnswersAndWaitsAsTheRunScriptUsesIt) {
    robot::Process target = StartTarget({"box", "Robot Question", "Go on with the test?"});
    const auto box = robot::WaitForMessageBox(target.Id(), kStartMs);
    ASSERT_TRUE(box);
    RECT r;
    GetWindowRect(box->hwnd, &r);
    const std::string rect = std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
                             " " + std::to_string(r.bottom);
    // In order: the last one answers the box.
    const struct { std::vector<std::string> args; DWORD exitCode; std::string output; } cases[] = {
        {{"wait-window", "--caption", "Robot Question", "--class", "#32770", "--timeout-ms", "2000"}, 0, rect},
        {{"wait-window", "--caption", "Robot Question", "--class", "Edit", "--timeout-ms", "300"}, 1, ""},
        {{"answer", "--caption", "Other", "--button", "yes", "--timeout-ms", "300"}, 1, ""},
        {{"answer", "--caption", "Robot Question", "--button", "yes", "--process-name", "other.exe",
          "--timeout-ms", "300"}, 1, ""},
        {{"answer", "--caption", "Robot Question", "--button", "maybe"}, 2, ""},
        {{"answer", "--caption", "Robot Question", "--button", "ok", "--timeout-ms", "2000"}, 1,
         "Go on with the test?"},
        {{"answer", "--caption", "Robot Question", "--button", "no", "--process-name", "ROBOT_TARGET.EXE",
          "--timeout-ms", "2000"}, 0, "Go on with the test?"},
    };
    TempFolder folder;
    robot::StartOptions options;
    options.outputFile = folder.File("uirobot.txt");
    for (const auto& c : cases) {
        options.args = c.args;
        SCOPED_TRACE(robot::BuildCommandLine("uirobot", options.args));
        robot::Process uirobot = robot::Process::Start(kUiRobot, options);
        EXPECT_EQ(uirobot.WaitForExit(kStartMs), std::optional<DWORD>(c.exitCode));
        const std::string output = ReadAll(options.outputFile);
        EXPECT_EQ(output.substr(0, c.output.size()), c.output) << output;
    }
    EXPECT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(100 + IDNO));
}

} // namespace
