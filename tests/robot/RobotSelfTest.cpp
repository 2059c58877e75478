// The robot drives robot_target.exe (and uirobot.exe) for real under Wine.
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

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
        {{"wait-box", "--caption", "Other", "--timeout-ms", "300"}, 1, ""},
        // Waiting leaves the box open for the next case.
        {{"wait-box", "--caption", "Robot Question", "--timeout-ms", "2000"}, 0, "Go on with the test?"},
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

// --- The text recorder -------------------------------------------------------

constexpr int kBurstTexts = 200;   // as robot_target.cpp sets them
const char kPanelClass[] = "TPanel";
const char kStatusClass[] = "msctls_statusbar32";

// The texts robot_target's "Burst" button shows, in order.
std::vector<std::pair<std::string, std::string>> BurstTexts() {
    std::vector<std::pair<std::string, std::string>> texts;
    for (int i = 1; i <= kBurstTexts; ++i) {
        texts.emplace_back(kPanelClass, "Step " + std::to_string(i));
        texts.emplace_back(kStatusClass, "Status " + std::to_string(i));
    }
    texts.emplace_back(kPanelClass, "Done:\tall\r\nsteps\\shown\n");
    texts.emplace_back(kStatusClass, "Ready\\again");
    return texts;
}

// Whether the records are the burst's texts; else where they part.
testing::AssertionResult AreBurstTexts(const std::vector<robot::RecordedText>& texts) {
    const auto expected = BurstTexts();
    for (size_t i = 0; i < std::max(texts.size(), expected.size()); ++i) {
        if (i < texts.size() && i < expected.size() && texts[i].className == expected[i].first &&
            texts[i].text == expected[i].second)
            continue;
        auto failure = testing::AssertionFailure() << texts.size() << " records, " << expected.size()
                                                   << " texts shown; record " << i << " is ";
        if (i < texts.size()) failure << texts[i].className << " \"" << texts[i].text << "\"";
        else failure << "missing";
        if (i < expected.size()) failure << ", shown was " << expected[i].first << " \"" << expected[i].second << "\"";
        return failure;
    }
    return testing::AssertionSuccess();
}

// A target window with the recorder attached to its thread.
struct RecordedTarget {
    robot::Process process;
    HWND window = nullptr;
    std::optional<robot::TextRecorder> recorder;

    RecordedTarget(const std::string& log, const std::optional<robot::TextRecorder::Pause>& pause = {}) {
        process = StartTarget({"window", "Robot Recorded"});
        robot::WindowQuery query;
        query.processId = process.Id();
        auto found = robot::WaitForWindow(query, kStartMs);
        if (!found) return;
        window = found->hwnd;
        recorder = robot::TextRecorder::Attach(GetWindowThreadProcessId(window, nullptr), log, pause);
    }
    // Clicks "Burst" and waits until the last text of the burst is in.
    std::vector<robot::RecordedText> Burst() {
        if (!robot::ClickButton(window, "Burst")) return {};
        const std::string last = BurstTexts().back().second;
        const ULONGLONG deadline = GetTickCount64() + 20000;
        for (;;) {
            auto texts = recorder->Texts();
            if ((!texts.empty() && texts.back().text == last) || GetTickCount64() >= deadline) return texts;
            Sleep(20);
        }
    }
};

TEST(UiRobotExe, ClicksAButtonOfAWindowByItsLabel) {
    robot::Process target = StartTarget({"window", "Robot Window"});
    ASSERT_TRUE(robot::WaitForWindow({.processId = target.Id(), .caption = "Robot Window"}, kStartMs));
    const struct { std::vector<std::string> args; DWORD exitCode; } cases[] = {
        {{"click", "--caption", "Robot Window", "--button", "Pres", "--timeout-ms", "300"}, 1},
        {{"click", "--caption", "Robot Window", "--class", "Edit", "--button", "Press", "--timeout-ms", "300"}, 1},
        {{"click", "--caption", "Robot Window", "--button", "&Press", "--process-name", "robot_target.exe"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(robot::BuildCommandLine("uirobot", c.args));
        robot::Process uirobot = robot::Process::Start(kUiRobot, {.args = c.args});
        EXPECT_EQ(uirobot.WaitForExit(kStartMs), std::optional<DWORD>(c.exitCode));
    }
    // The exit code counts the presses: only the last case pressed.
    const auto window = robot::WaitForWindow({.processId = target.Id(), .caption = "Robot Window"}, kStartMs);
    ASSERT_TRUE(window);
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (robot::ReadStatusText(window->hwnd) != "Pressed 1" && GetTickCount64() < deadline) Sleep(20);
    PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(1));
}

TEST(TextRecorder, RecordsEveryTextOfATightLoopInOrder) {
    TempFolder folder;
    RecordedTarget target(folder.File("texts.log"));
    ASSERT_TRUE(target.recorder);
    const double before = robot::NowMs();
    const auto texts = target.Burst();
    const double after = robot::NowMs();
    EXPECT_TRUE(AreBurstTexts(texts));
    ASSERT_FALSE(texts.empty());
    // On the robot's clock: after the click, before the robot saw the last one.
    EXPECT_GE(texts.front().ms, before);
    EXPECT_LE(texts.back().ms, after);
    for (size_t i = 1; i < texts.size(); ++i) EXPECT_LE(texts[i - 1].ms, texts[i].ms) << "record " << i;
    EXPECT_FALSE(target.recorder->Paused());
    EXPECT_EQ(ReadAll(folder.File("texts.log")).find("pause"), std::string::npos);
}

TEST(TextRecorder, PausesOnceWhenTheTextWithThePrefixIsAboutToGo) {
    constexpr DWORD kPauseMs = 700;
    // A prefix is no exact match: "Step 1" already holds at "Step 1", and the
    // status bar is paused on its own texts.
    const struct { std::string className, prefix, heldText; } cases[] = {
        {kPanelClass, "Step 100", "Step 100"},
        {kPanelClass, "Step 1", "Step 1"},
        {kStatusClass, "Status 15", "Status 15"},
        {kPanelClass, "Done:", ""},   // never replaced: no pause
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className + " \"" + c.prefix + "\"");
        TempFolder folder;
        const std::string log = folder.File("texts.log");
        RecordedTarget target(log, robot::TextRecorder::Pause{c.className, c.prefix, kPauseMs});
        ASSERT_TRUE(target.recorder);
        ASSERT_TRUE(robot::ClickButton(target.window, "Burst"));
        if (!c.heldText.empty()) {
            // While it holds, the last text of that class recorded is the held one.
            const ULONGLONG deadline = GetTickCount64() + 10000;
            while (!target.recorder->Paused() && GetTickCount64() < deadline) Sleep(5);
            ASSERT_TRUE(target.recorder->Paused());
            const auto soFar = target.recorder->Texts();
            auto last = std::find_if(soFar.rbegin(), soFar.rend(),
                                     [&](const robot::RecordedText& t) { return t.className == c.className; });
            ASSERT_NE(last, soFar.rend());
            EXPECT_EQ(last->text, c.heldText);
        }
        const auto texts = target.Burst();
        ASSERT_TRUE(AreBurstTexts(texts));
        EXPECT_EQ(target.recorder->Paused(), !c.heldText.empty());

        // The longest gap is the pause, just before the next text of the class.
        size_t longest = 1;
        for (size_t i = 1; i < texts.size(); ++i)
            if (texts[i].ms - texts[i - 1].ms > texts[longest].ms - texts[longest - 1].ms) longest = i;
        const double gap = texts[longest].ms - texts[longest - 1].ms;
        if (c.heldText.empty()) {
            EXPECT_LT(gap, kPauseMs / 2.0);
            continue;
        }
        EXPECT_GE(gap, kPauseMs - 20.0);
        EXPECT_LT(gap, kPauseMs + 500.0);
        EXPECT_EQ(texts[longest].className, c.className);
        size_t held = longest - 1;
        while (held > 0 && texts[held].className != c.className) --held;
        EXPECT_EQ(texts[held].text, c.heldText);
        // In the log, "pause" stands right before the text that waited.
        const std::string raw = ReadAll(log);
        const size_t pause = raw.find("\npause\n");
        ASSERT_NE(pause, std::string::npos) << raw;
        EXPECT_EQ(raw.find("pause"), raw.rfind("pause")) << "paused more than once";
        const std::string next = raw.substr(pause + 7, raw.find('\n', pause + 7) - pause - 7);
        EXPECT_NE(next.find("\t" + texts[longest].text), std::string::npos) << next;
    }
}

TEST(TextRecorder, RecordsNothingOnceDestroyedAndCanAttachAgain) {
    TempFolder folder;
    RecordedTarget target(folder.File("first.log"));
    ASSERT_TRUE(target.recorder);
    ASSERT_EQ(target.Burst().size(), BurstTexts().size());
    const std::string first = ReadAll(folder.File("first.log"));
    target.recorder.reset();
    // The DLL stays loaded in the target; without its recorder it writes nothing.
    ASSERT_TRUE(robot::ClickButton(target.window, "Press"));
    Sleep(300);
    EXPECT_EQ(ReadAll(folder.File("first.log")), first);

    target.recorder = robot::TextRecorder::Attach(GetWindowThreadProcessId(target.window, nullptr),
                                                  folder.File("second.log"));
    EXPECT_TRUE(AreBurstTexts(target.Burst())) << "a second recorder starts its log afresh";
}

TEST(TextRecorder, AttachFailsWithTheReason) {
    TempFolder folder;
    try {
        robot::TextRecorder::Attach(0xFFFFFFF0, folder.File("none.log"));
        ADD_FAILURE() << "attached to a thread that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("4294967280"), std::string::npos) << e.what();
    }
    // A second recorder of the same thread would mix the two logs.
    RecordedTarget target(folder.File("one.log"));
    ASSERT_TRUE(target.recorder);
    EXPECT_THROW(robot::TextRecorder::Attach(GetWindowThreadProcessId(target.window, nullptr), folder.File("two.log")),
                 std::runtime_error);
}

TEST(UiRobotExe, RecordsTheTextsUntilTheProgramExits) {
    TempFolder folder;
    const std::string log = folder.File("texts.log");
    robot::StartOptions options;
    options.outputFile = folder.File("uirobot.txt");
    options.args = {"record", "--process-name", "robot_target.exe", "--class", "RobotTargetWindow", "--log", log,
                    "--pause-class", kStatusClass, "--pause-prefix", "Status 3", "--pause-ms", "300",
                    "--timeout-ms", "30000"};
    robot::Process uirobot = robot::Process::Start(kUiRobot, options);
    robot::Process target = StartTarget({"window", "Robot Recorded"});
    robot::WindowQuery query;
    query.processId = target.Id();
    auto window = robot::WaitForWindow(query, kStartMs);
    ASSERT_TRUE(window);
    ULONGLONG deadline = GetTickCount64() + kStartMs;
    while (ReadAll(options.outputFile).find("recording") == std::string::npos && GetTickCount64() < deadline)
        Sleep(20);
    ASSERT_EQ(ReadAll(options.outputFile), "recording\r\n");
    ASSERT_TRUE(robot::ClickButton(window->hwnd, "Burst"));
    deadline = GetTickCount64() + 20000;
    while (ReadAll(log).find("Ready\\\\again\n") == std::string::npos && GetTickCount64() < deadline) Sleep(20);
    PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(target.WaitForExit(kStartMs), std::optional<DWORD>(0));
    EXPECT_EQ(uirobot.WaitForExit(kStartMs), std::optional<DWORD>(0));
    // Its output is text: line breaks are "\r\n" there, and nowhere else.
    std::string output = ReadAll(options.outputFile);
    std::erase(output, '\r');
    EXPECT_EQ(output, "recording\n" + ReadAll(log));
    // The lines as the recorder reads them: time, class, escaped text.
    std::vector<std::string> lines;
    std::stringstream in(output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1 + BurstTexts().size() + 1) << output;
    EXPECT_EQ(lines[8], "pause");
    EXPECT_NE(lines[9].find("\tmsctls_statusbar32\tStatus 4"), std::string::npos) << lines[9];
    EXPECT_NE(lines[lines.size() - 2].find("\tTPanel\tDone:\\tall\\r\\nsteps\\\\shown\\n"), std::string::npos)
        << lines[lines.size() - 2];
    EXPECT_NE(lines.back().find("\tmsctls_statusbar32\tReady\\\\again"), std::string::npos) << lines.back();
}

} // namespace
