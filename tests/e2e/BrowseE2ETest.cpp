// The folder chooser of the real setup.exe, opened with the Browse button and
// driven from outside. What the main window's label shows is read back through
// the next opening, which starts from it.
#include "SetupSteps.h"
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr DWORD kTimeout = 15000;
const std::string kInitialFolder = "C:\\Program Files\\Tolva\\";

std::string Question(const std::string& path)
{
    return "The Folder:\r\n\r\n'" + path + "'\r\n\r\ndoes not exist. Do you want the folder to be created?";
}

class Chooser : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA");
        setup_ = robot::Process::Start(SETUP_EXE);
        main_ = setuptest::ReachMainWindow(setup_, kTimeout).hwnd;
        ASSERT_TRUE(main_);
    }
    void TearDown() override { setup_.Kill(); }

    // Presses Browse and waits for the chooser; nullptr if it does not come.
    HWND Open()
    {
        if (!robot::ClickButton(main_, "&Browse...", kTimeout)) return nullptr;
        const auto dialog = robot::WaitForWindow(
            {.processId = setup_.Id(), .className = "TBrowseFolder", .caption = "Choose Folder"}, kTimeout);
        if (!dialog) return nullptr;
        edit_ = robot::FindChild(dialog->hwnd, "Edit");
        return dialog->hwnd;
    }

    std::string Field() const { return robot::ReadText(edit_).value_or("<no answer>"); }
    void Type(const std::string& text) const
    {
        SendMessageA(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    // Whether the chooser is gone within the time-out.
    static bool Closes(HWND dialog)
    {
        for (DWORD waited = 0; waited < kTimeout; waited += 50) {
            if (!IsWindowVisible(dialog)) return true;
            Sleep(50);
        }
        return false;
    }

    // What the main window's label holds, as the next opening shows it; the chooser is closed again.
    std::string LabelThroughNextOpening()
    {
        HWND dialog = Open();
        if (!dialog) return "<no chooser>";
        const std::string field = Field();
        robot::ClickButton(dialog, "&Cancel");
        if (!Closes(dialog)) return "<chooser stays open>";
        return field;
    }

    robot::Process setup_;
    HWND main_ = nullptr;
    HWND edit_ = nullptr;
};

} // namespace

TEST_F(Chooser, OpensModallyWithTheMainWindowsPath)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog) << "no chooser";
    ASSERT_TRUE(edit_);
    EXPECT_EQ(Field(), kInitialFolder);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the main window still takes input";
    // The main window stays on top of others, but not of the chooser.
    RECT chooser;
    GetWindowRect(dialog, &chooser);
    const POINT middle{(chooser.left + chooser.right) / 2, (chooser.top + chooser.bottom) / 2};
    EXPECT_EQ(GetAncestor(WindowFromPoint(middle), GA_ROOT), dialog) << "the chooser is hidden behind a window";
    robot::ClickButton(dialog, "&Cancel");
    ASSERT_TRUE(Closes(dialog));
    EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(Chooser, OkOnAnExistingFolderClosesAtOnceAndTheLabelTakesIt)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Type("C:\\windows");
    ASSERT_TRUE(robot::ClickButton(dialog, "&OK"));
    EXPECT_TRUE(Closes(dialog));
    EXPECT_FALSE(robot::WaitForMessageBox(setup_.Id(), 500)) << "a question for an existing folder";
    EXPECT_EQ(LabelThroughNextOpening(), "C:\\windows");
}

TEST_F(Chooser, EnterInThePathFieldPressesOk)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Type("C:\\windows\\system32");
    PostMessageA(edit_, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit_, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_TRUE(Closes(dialog));
    EXPECT_EQ(LabelThroughNextOpening(), "C:\\windows\\system32");
}

// A folder that does not exist: the question, and what each answer does.
struct MissingCase {
    const char* name;
    const char* path;
};

class MissingFolder : public Chooser, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingFolder, AsksNoKeepsTheDialogYesHandsThePathOverUncreated)
{
    const std::string path = GetParam().path;
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Type(path);
    ASSERT_TRUE(robot::ClickButton(dialog, "&OK"));
    auto question = robot::WaitForMessageBox({.processId = setup_.Id(), .caption = "Setup"}, kTimeout);
    ASSERT_TRUE(question) << "no question";
    EXPECT_EQ(question->text, Question(path));
    EXPECT_EQ(question->icon, robot::BoxIcon::Question);
    EXPECT_TRUE(question->HasButton(IDYES) && question->HasButton(IDNO) && question->buttons.size() == 2);
    ASSERT_TRUE(robot::Answer(*question, IDNO));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "No closed the chooser";
    EXPECT_EQ(Field(), path);
    EXPECT_FALSE(IsWindowEnabled(main_));

    // The refusal cleared the result: OK asks again.
    ASSERT_TRUE(robot::ClickButton(dialog, "&OK"));
    question = robot::WaitForMessageBox({.processId = setup_.Id(), .caption = "Setup"}, kTimeout);
    ASSERT_TRUE(question) << "no question the second time";
    EXPECT_EQ(question->text, Question(path));
    ASSERT_TRUE(robot::Answer(*question, IDYES));
    EXPECT_TRUE(Closes(dialog));
    if (!path.empty()) {
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the chooser created the folder";
    }
    EXPECT_EQ(LabelThroughNextOpening(), path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MissingFolder,
    ::testing::Values(MissingCase{"ParentExists", "C:\\tolva-browse-missing"},
                      MissingCase{"ParentMissingToo", "C:\\tolva-browse-missing\\deeper\\"},
                      MissingCase{"Empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Ways out of the chooser that change nothing.
struct DismissCase {
    const char* name;
    bool closeBox;
};

class Dismissing : public Chooser, public ::testing::WithParamInterface<DismissCase> {};

TEST_P(Dismissing, LeavesTheMainWindowsPathAlsoAfterEditing)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Type("C:\\tolva-browse-missing");
    if (GetParam().closeBox)
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        ASSERT_TRUE(robot::ClickButton(dialog, "&Cancel"));
    EXPECT_TRUE(Closes(dialog));
    EXPECT_FALSE(robot::WaitForMessageBox(setup_.Id(), 500)) << "dismissing asked a question";
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_EQ(LabelThroughNextOpening(), kInitialFolder);
}

INSTANTIATE_TEST_SUITE_P(Ways, Dismissing,
                         ::testing::Values(DismissCase{"CancelButton", false}, DismissCase{"CloseBox", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Chooser, EscapeDoesNotClose)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Type("C:\\windows");
    PostMessageA(edit_, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(edit_, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(Field(), "C:\\windows");
}
