// The program start as a user meets it: the real setup.exe, driven from outside.
#include "SetupSteps.h"
#include "robot/Robot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeout = 15000;
const std::string kSetupCaption = "TOLVA Mail Server Setup";

robot::Process StartSetup(std::vector<std::string> args = {})
{
    return robot::Process::Start(SETUP_EXE, {.args = std::move(args)});
}

robot::MessageBoxInfo ExpectQuestion(const robot::Process& setup, const std::string& caption, const std::string& text)
{
    const auto box = robot::WaitForMessageBox(setup.Id(), kTimeout);
    EXPECT_TRUE(box.has_value()) << "no question \"" << text << "\"";
    if (!box) return {};
    EXPECT_EQ(box->caption, caption);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->icon, robot::BoxIcon::Question);
    EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO) && box->buttons.size() == 2);
    return *box;
}

void ExpectExitCodeZero(robot::Process& setup)
{
    const auto code = setup.WaitForExit(kTimeout);
    ASSERT_TRUE(code.has_value()) << "setup.exe is still running";
    EXPECT_EQ(*code, 0u);
}

const std::string kWelcome = "This will install TOLVA Mail Server 2.10.282 Pro. Do you wish to continue?";
const std::string kUninstallQuestion =
    "Are you sure to completely remove all files and components of this program?";

} // namespace

TEST(Startup, WelcomeQuestionComesBeforeAnyWindowAndNoEndsTheProgram)
{
    robot::Process setup = StartSetup();
    const auto box = ExpectQuestion(setup, kSetupCaption, kWelcome);
    EXPECT_TRUE(robot::VisibleWindows(setup.Id()).empty()) << "a window showed before the welcome question";
    ASSERT_TRUE(robot::Answer(box, IDNO));
    ExpectExitCodeZero(setup);
}

class UninstallSwitch : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(UninstallSwitch, AsksTheUninstallQuestionAndNoEndsWithoutWelcome)
{
    robot::Process setup = StartSetup(GetParam());
    const auto box = ExpectQuestion(setup, kSetupCaption, kUninstallQuestion);
    EXPECT_TRUE(robot::VisibleWindows(setup.Id()).empty());
    ASSERT_TRUE(robot::Answer(box, IDNO));
    // No welcome question follows: the program ends.
    for (int i = 0; i < 50 && setup.IsRunning(); ++i) {
        const auto next = robot::WaitForMessageBox(setup.Id(), 100);
        ASSERT_FALSE(next.has_value()) << "another question followed: " << next->text;
    }
    ExpectExitCodeZero(setup);
}

INSTANTIATE_TEST_SUITE_P(Spellings, UninstallSwitch,
                         ::testing::Values(std::vector<std::string>{"/UNINSTALL"}, std::vector<std::string>{"/uninstall"},
                                           std::vector<std::string>{"/Uninstall", "/S", "C:\\Temp"}));

class OtherParameter : public ::testing::TestWithParam<std::string> {};

TEST_P(OtherParameter, EndsSilentlyWithExitCodeZero)
{
    robot::Process setup = StartSetup({GetParam()});
    while (setup.IsRunning()) {
        const auto box = robot::WaitForMessageBox(setup.Id(), 50);
        if (box) {
            ADD_FAILURE() << "a message box showed: " << box->text;
            robot::Answer(*box, box->buttons.empty() ? IDOK : box->buttons.front().id);
        }
        ASSERT_TRUE(robot::VisibleWindows(setup.Id()).empty()) << "a window showed";
    }
    ExpectExitCodeZero(setup);
}

INSTANTIATE_TEST_SUITE_P(Parameters, OtherParameter,
                         ::testing::Values("-UNINSTALL", "readme.txt", "/UNINSTALLNOW", "/"));

TEST(Startup, UninstallAnsweredYesEndsWithExitCodeZero)
{
    robot::Process setup = StartSetup({"/UNINSTALL"});
    const auto box = ExpectQuestion(setup, kSetupCaption, kUninstallQuestion);
    ASSERT_TRUE(robot::Answer(box, IDYES));
    ExpectExitCodeZero(setup);
}

TEST(Startup, MainWindowStandsInFrontOfTheMaximisedBackground)
{
    robot::Process setup = StartSetup();
    const robot::WindowInfo main = setuptest::ReachMainWindow(setup, kTimeout);
    ASSERT_TRUE(main.hwnd);
    EXPECT_EQ(main.caption, kSetupCaption);
    const auto background = robot::WaitForWindow({.processId = setup.Id(), .className = "TBackgroundForm"}, kTimeout);
    ASSERT_TRUE(background.has_value()) << "no background window";
    EXPECT_EQ(background->caption, kSetupCaption);
    EXPECT_TRUE(IsZoomed(background->hwnd));

    // Z order: the main window comes first.
    for (int i = 0; i < 100; ++i) {
        const auto windows = robot::VisibleWindows(setup.Id());
        auto find = [&](HWND h) {
            for (std::size_t k = 0; k < windows.size(); ++k)
                if (windows[k].hwnd == h) return static_cast<int>(k);
            return -1;
        };
        if (find(main.hwnd) >= 0 && find(main.hwnd) < find(background->hwnd)) break;
        ASSERT_LT(i, 99) << "the main window is not in front of the background window";
        Sleep(50);
    }
    EXPECT_TRUE(robot::ClickButton(main.hwnd, "Cancel"));
    const auto cancel = ExpectQuestion(setup, "Exit Setup", "Do you wish to cancel this installation?");
    robot::Answer(cancel, IDYES);
    ExpectExitCodeZero(setup);
}

TEST(Startup, CancelAnsweredNoKeepsTheProgramAsItWas)
{
    robot::Process setup = StartSetup();
    const robot::WindowInfo main = setuptest::ReachMainWindow(setup, kTimeout);
    ASSERT_TRUE(main.hwnd);
    const HWND status = robot::FindChild(main.hwnd, "msctls_statusbar32");
    ASSERT_TRUE(status);
    const auto statusBefore = robot::ReadStatusText(status);

    ASSERT_TRUE(robot::ClickButton(main.hwnd, "Cancel"));
    const auto no = ExpectQuestion(setup, "Exit Setup", "Do you wish to cancel this installation?");
    ASSERT_TRUE(robot::Answer(no, IDNO));
    Sleep(300);
    EXPECT_TRUE(setup.IsRunning());
    EXPECT_TRUE(IsWindowVisible(main.hwnd));
    EXPECT_TRUE(IsWindowEnabled(main.hwnd)) << "the main window stayed disabled";
    EXPECT_EQ(robot::ReadText(main.hwnd), kSetupCaption);
    EXPECT_EQ(robot::ReadStatusText(status), statusBefore);

    ASSERT_TRUE(robot::ClickButton(main.hwnd, "Cancel"));
    const auto yes = ExpectQuestion(setup, "Exit Setup", "Do you wish to cancel this installation?");
    ASSERT_TRUE(robot::Answer(yes, IDYES));
    ExpectExitCodeZero(setup);
}
