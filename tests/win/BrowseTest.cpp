// The folder chooser in this process under Wine: its layout, its folder and
// drive lists, and what the main window's Browse button does with it.
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "classlib/Application.h"
#include "robot/Robot.h"
#include "SetupWindows.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace classlib;
using wintest::ClassOf;
using wintest::FlushEvents;
using wintest::RectInParent;
using wintest::TextOf;

namespace {

std::string Describe(const RECT& r) { return wintest::DescribeSize(r); }

constexpr DWORD kTimeout = 10000;

std::string CurrentFolder()
{
    char buffer[MAX_PATH];
    return std::string(buffer, GetCurrentDirectoryA(sizeof buffer, buffer));
}

// A folder tree below the root of C:, removed again at the end:
//   C:\browse-<pid>\alpha\beta\{gamma, Delta, epsilon} and the file beta\notes.txt.
class ScratchTree {
public:
    ScratchTree() : top_("C:\\browse-" + std::to_string(GetCurrentProcessId()))
    {
        for (const char* folder : {"", "\\alpha", "\\alpha\\beta", "\\alpha\\beta\\gamma", "\\alpha\\beta\\Delta",
                                   "\\alpha\\beta\\epsilon"})
            CreateDirectoryA((top_ + folder).c_str(), nullptr);
        HANDLE file = CreateFileA((Beta() + "\\notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr);
        CloseHandle(file);
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;
    ~ScratchTree()
    {
        DeleteFileA((Beta() + "\\notes.txt").c_str());
        for (const char* folder : {"\\alpha\\beta\\gamma", "\\alpha\\beta\\Delta", "\\alpha\\beta\\epsilon",
                                   "\\alpha\\beta", "\\alpha", ""})
            RemoveDirectoryA((top_ + folder).c_str());
    }

    // "browse-<pid>"
    std::string TopName() const { return top_.substr(3); }
    std::string Top() const { return top_; }
    std::string Alpha() const { return top_ + "\\alpha"; }
    std::string Beta() const { return top_ + "\\alpha\\beta"; }

private:
    std::string top_;
};

class Chooser : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA");
        ASSERT_TRUE(wintest::StartSetupWindows()) << "no welcome question";
        FlushEvents();
        chooser_ = BrowseFolder;
        list_ = chooser_->DirectoryListBox;
    }

    std::vector<std::string> ListedItems() const
    {
        std::vector<std::string> items;
        const LRESULT count = SendMessageA(list_->Handle(), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[MAX_PATH] = {};
            SendMessageA(list_->Handle(), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }

    int Selected() const { return static_cast<int>(SendMessageA(list_->Handle(), LB_GETCURSEL, 0, 0)); }

    TBrowseFolder* chooser_ = nullptr;
    DirectoryListBox* list_ = nullptr;
};

} // namespace

TEST_F(Chooser, IsAHiddenFixedDialogCentredOnTheScreen)
{
    HWND form = chooser_->Handle();
    ASSERT_TRUE(form);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(TextOf(form), "Choose Folder");
    EXPECT_EQ(ClassOf(form), "TBrowseFolder");
    RECT client, window;
    GetClientRect(form, &client);
    GetWindowRect(form, &window);
    EXPECT_EQ(client.right, 250);
    EXPECT_EQ(client.bottom, 266);
    const LONG_PTR style = GetWindowLongPtrA(form, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "resizable";
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2, window.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 2, window.top);
}

TEST_F(Chooser, WindowedControlsStandWhereTheLayoutPutsThem)
{
    struct Expected {
        WinControl* control;
        const char* className;
        const char* text;  // nullptr: not compared
        RECT rect;
    };
    const std::vector<Expected> expected = {
        {chooser_->PathEdit, "Edit", nullptr, {16, 48, 232, 69}},
        {chooser_->OKButton, "Button", "&OK", {162, 96, 237, 119}},
        {chooser_->CancelButton, "Button", "&Cancel", {162, 126, 237, 151}},
        {chooser_->DirectoryListBox, "ListBox", nullptr, {16, 96, 153, 201}},
        {chooser_->Netbutton, "Button", "&Network...", {162, 238, 237, 261}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->Name());
        HWND hwnd = e.control->Handle();
        ASSERT_TRUE(hwnd);
        EXPECT_EQ(GetParent(hwnd), chooser_->Handle());
        EXPECT_STRCASEEQ(ClassOf(hwnd).c_str(), e.className);
        if (e.text) {
            EXPECT_EQ(TextOf(hwnd), e.text);
        }
        EXPECT_EQ(Describe(RectInParent(hwnd)), Describe(e.rect));
    }
    // A closed drop-down list is as high as its font makes it (21 under Wine, 19 in the layout).
    HWND drives = chooser_->DriveComboBox->Handle();
    EXPECT_STRCASEEQ(ClassOf(drives).c_str(), "ComboBox");
    EXPECT_EQ(GetParent(drives), chooser_->Handle());
    const RECT drivesRect = RectInParent(drives);
    EXPECT_EQ(Describe({drivesRect.left, drivesRect.top, drivesRect.right, drivesRect.top + 19}),
              Describe(RECT{16, 240, 153, 259}));
    EXPECT_EQ(GetWindowLongPtrA(drives, GWL_STYLE) & 0xF, CBS_DROPDOWNLIST);
    RECT opened;
    SendMessageA(drives, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&opened));
    EXPECT_GT(opened.bottom - opened.top, 100) << "the opened list shows hardly a drive";
    EXPECT_EQ(GetWindowLongPtrA(chooser_->OKButton->Handle(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtrA(chooser_->CancelButton->Handle(), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
    EXPECT_EQ(SendMessageA(chooser_->Handle(), DM_GETDEFID, 0, 0),
              MAKELRESULT(chooser_->OKButton->ControlId(), DC_HASDEFID));
    EXPECT_EQ(SendMessageA(list_->Handle(), LB_GETITEMHEIGHT, 0, 0), 16);
    EXPECT_EQ(chooser_->OKButton->ModalResult(), mrOk);
    EXPECT_EQ(chooser_->CancelButton->ModalResult(), mrCancel);
    // Escape sends IDCANCEL, which must not reach the Cancel button.
    EXPECT_NE(chooser_->CancelButton->ControlId(), IDCANCEL);
    EXPECT_EQ(chooser_->DriveComboBox->DirList(), list_);
}

TEST_F(Chooser, LabelsShowTheirCaptionsWhereTheLayoutPutsThem)
{
    struct Expected {
        Label* label;
        const char* caption;
        POINT place;
    };
    const std::vector<Expected> expected = {
        {chooser_->PathLabel, "&Path: ", {16, 32}},
        {chooser_->DirLabel, "&Directories", {17, 79}},
        {chooser_->ChooseLabel, "Please choose the installation folder.", {17, 11}},
        {chooser_->DriveLabel, "Dr&ives:", {16, 224}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.label->Name());
        EXPECT_EQ(e.label->Caption(), e.caption);
        EXPECT_EQ(e.label->GetBounds().left, e.place.x);
        EXPECT_EQ(e.label->GetBounds().top, e.place.y);
        // The width follows the caption in the font the system has.
        EXPECT_EQ(e.label->GetBounds().height, 13);
    }
}

TEST_F(Chooser, TabOrderRunsPathOkCancelDirectoriesDrivesNetwork)
{
    const std::vector<HWND> order = wintest::TabOrder(chooser_->Handle());
    const std::vector<HWND> expected = {chooser_->PathEdit->Handle(),         chooser_->OKButton->Handle(),
                                        chooser_->CancelButton->Handle(),     list_->Handle(),
                                        chooser_->DriveComboBox->Handle(),    chooser_->Netbutton->Handle()};
    EXPECT_EQ(order, expected);
}

TEST_F(Chooser, DirectoryListShowsRootPathDownAndSortedSubFolders)
{
    ScratchTree tree;
    list_->SetDirectory(tree.Beta());
    const std::vector<std::string> expected = {
        "C:\\", "   " + tree.TopName(), "      alpha", "         beta",
        "            Delta", "            epsilon", "            gamma",
    };
    EXPECT_EQ(ListedItems(), expected);
    EXPECT_EQ(list_->Directory(), tree.Beta());
    EXPECT_EQ(Selected(), 3) << "the current folder is not the selected item";
    const std::vector<std::string> paths = {"C:\\", tree.Top(), tree.Alpha(), tree.Beta(), tree.Beta() + "\\Delta",
                                            tree.Beta() + "\\epsilon", tree.Beta() + "\\gamma"};
    for (int i = 0; i < static_cast<int>(paths.size()); ++i) EXPECT_EQ(list_->ItemPath(i), paths[i]) << i;

    // A trailing backslash names the same folder; a missing folder leaves the list.
    list_->SetDirectory(tree.Alpha() + "\\");
    EXPECT_EQ(list_->Directory(), tree.Alpha());
    EXPECT_EQ(ListedItems().back(), "         beta");
    EXPECT_THROW(list_->SetDirectory(tree.Alpha() + "\\missing"), Exception);
    EXPECT_EQ(list_->Directory(), tree.Alpha());
}

TEST(ChooserStart, DirectoryListStartsInTheCurrentFolderOfTheProcess)
{
    ScratchTree tree;
    const std::string before = CurrentFolder();
    ASSERT_TRUE(SetCurrentDirectoryA(tree.Alpha().c_str()));
    const bool started = wintest::StartSetupWindows();
    SetCurrentDirectoryA(before.c_str());
    ASSERT_TRUE(started);
    EXPECT_EQ(BrowseFolder->DirectoryListBox->Directory(), tree.Alpha());
    EXPECT_EQ(BrowseFolder->DirectoryListBox->ItemText(BrowseFolder->DirectoryListBox->ItemCount() - 1),
              "         beta");
    // Only the list's change event fills the field.
    EXPECT_EQ(BrowseFolder->PathEdit->Text(), "");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA");
}

// How the user opens the selected item of the list.
enum class Opening { DoubleClick, Enter };

class OpeningAFolder : public Chooser, public ::testing::WithParamInterface<Opening> {};

TEST_P(OpeningAFolder, MakesItCurrentAndPutsItIntoThePathField)
{
    ScratchTree tree;
    list_->SetDirectory(tree.Beta());
    int changes = 0;
    list_->OnChange = [&](Object* sender) {
        ++changes;
        chooser_->DirectoryListBoxDblClick(sender);
    };
    chooser_->Show();
    FlushEvents();
    chooser_->PathEdit->SetText("typed by the user");

    struct Step {
        int item;
        std::string folder;
    };
    const std::vector<Step> steps = {{6, tree.Beta() + "\\gamma"}, {1, tree.Top()}, {0, "C:\\"}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.folder);
        SendMessageA(list_->Handle(), LB_SETCURSEL, static_cast<WPARAM>(step.item), 0);
        list_->SetFocus();
        if (GetParam() == Opening::DoubleClick) {
            RECT item;
            SendMessageA(list_->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(step.item), reinterpret_cast<LPARAM>(&item));
            const LPARAM at = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
            PostMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(list_->Handle(), WM_LBUTTONUP, 0, at);
            PostMessageA(list_->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            PostMessageA(list_->Handle(), WM_LBUTTONUP, 0, at);
        } else {
            PostMessageA(list_->Handle(), WM_KEYDOWN, VK_RETURN, 1);
            PostMessageA(list_->Handle(), WM_KEYUP, VK_RETURN, 0xC0000001);
        }
        FlushEvents();
        EXPECT_EQ(list_->Directory(), step.folder);
        EXPECT_EQ(chooser_->PathEdit->Text(), step.folder);
        ASSERT_GE(Selected(), 0);
        EXPECT_EQ(list_->ItemPath(Selected()), step.folder);
    }
    EXPECT_EQ(changes, 3);
    // Enter in the list opens; it does not press the default button.
    EXPECT_TRUE(IsWindowVisible(chooser_->Handle()));
    EXPECT_EQ(chooser_->ModalResult(), mrNone);
    chooser_->Hide();
}

INSTANTIATE_TEST_SUITE_P(ByMouseAndKey, OpeningAFolder, ::testing::Values(Opening::DoubleClick, Opening::Enter),
                         [](const auto& info) { return info.param == Opening::Enter ? "Enter" : "DoubleClick"; });

TEST_F(Chooser, DriveBoxListsTheDrivesAndStandsOnTheListsDrive)
{
    std::vector<char> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) drives.push_back(static_cast<char>('A' + i));
    HWND box = chooser_->DriveComboBox->Handle();
    EXPECT_EQ(chooser_->DriveComboBox->Drives(), drives);
    ASSERT_EQ(SendMessageA(box, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(drives.size()));
    for (std::size_t i = 0; i < drives.size(); ++i) {
        char text[MAX_PATH] = {};
        SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(std::toupper(static_cast<unsigned char>(text[0])), drives[i]) << text;
        EXPECT_EQ(text[1], ':') << text;
    }
    const char listDrive = list_->Drive();
    char selected[MAX_PATH] = {};
    SendMessageA(box, CB_GETLBTEXT, SendMessageA(box, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(selected));
    EXPECT_EQ(std::toupper(static_cast<unsigned char>(selected[0])), listDrive);
}

// A drive chosen in the box, and the current folder the process keeps for it.
struct DriveCase {
    const char* name;
    const char* driveFolder;  // the "=C:" variable; nullptr: none
    const char* expected;     // nullptr: the process's current folder
    char drive;               // 0: the drive of the process's current folder
};

class ChoosingADrive : public Chooser, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(ChoosingADrive, MovesTheListAndRaisesItsChange)
{
    const DriveCase& c = GetParam();
    const std::string current = CurrentFolder();
    char drive = c.drive ? c.drive : current[0];
    if (current[0] == 'C' && c.drive == 'C') GTEST_SKIP() << "the process runs on drive C:";
    SetEnvironmentVariableA("=C:", c.driveFolder);
    // Somewhere else first, so that choosing the drive is a change.
    const char other = drive == 'C' ? 'Z' : 'C';
    list_->SetDirectory(std::string(1, other) + ":\\");

    int changes = 0;
    list_->OnChange = [&](Object* sender) {
        ++changes;
        chooser_->DirectoryListBoxDblClick(sender);
    };
    HWND box = chooser_->DriveComboBox->Handle();
    const auto& drives = chooser_->DriveComboBox->Drives();
    const auto index = std::find(drives.begin(), drives.end(), drive) - drives.begin();
    ASSERT_LT(index, static_cast<long>(drives.size())) << "no drive " << drive;
    // As the user's choice arrives: the selection, then its notification.
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(chooser_->Handle(), WM_COMMAND, MAKEWPARAM(chooser_->DriveComboBox->ControlId(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
    SetEnvironmentVariableA("=C:", nullptr);

    const std::string expected = c.expected ? c.expected : current;
    EXPECT_EQ(list_->Directory(), expected);
    EXPECT_EQ(chooser_->PathEdit->Text(), expected);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(chooser_->DriveComboBox->Drive(), drive);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, ChoosingADrive,
    ::testing::Values(DriveCase{"OwnCurrentFolder", nullptr, nullptr, 0},
                      DriveCase{"KeptFolderOfAnotherDrive", "C:\\windows", "C:\\windows", 'C'},
                      DriveCase{"NoKeptFolder", nullptr, "C:\\", 'C'},
                      DriveCase{"KeptFolderGone", "C:\\no-such-folder-here", "C:\\", 'C'}),
    [](const auto& info) { return std::string(info.param.name); });

// What the robot does in the open chooser, from its own thread.
enum class Ending { Ok, OkOnMissingThenYes, Cancel, CloseBox };

struct BrowseCase {
    const char* name;
    Ending ending;
    bool typeMissingFolder;  // else an existing folder
    bool labelTakesTypedPath;
};

class BrowseButton : public Chooser, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(BrowseButton, HandsThePathOverOnlyWhenConfirmed)
{
    const BrowseCase& c = GetParam();
    ScratchTree tree;
    const std::string start = MainForm->PathEdit->Caption();
    const std::string typed = c.typeMissingFolder ? tree.Beta() + "\\not-there\\deeper" : tree.Alpha();

    struct Seen {
        std::string field;
        bool allSelected = false;
        bool focused = false;
        bool mainDisabled = false;
        std::string question;
    };
    const DWORD uiThread = GetCurrentThreadId();
    auto robotRun = std::async(std::launch::async, [&]() -> std::optional<Seen> {
        const auto dialog = robot::WaitForWindow(
            {.processId = GetCurrentProcessId(), .className = "TBrowseFolder", .caption = "Choose Folder"}, kTimeout);
        if (!dialog) return std::nullopt;
        Seen seen;
        Sleep(200);
        HWND edit = robot::FindChild(dialog->hwnd, "Edit");
        seen.field = robot::ReadText(edit).value_or("?");
        DWORD from = 1, to = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        seen.allSelected = from == 0 && to == seen.field.size();
        GUITHREADINFO info{sizeof info};
        seen.focused = GetGUIThreadInfo(uiThread, &info) && info.hwndFocus == edit;
        seen.mainDisabled = !IsWindowEnabled(MainForm->Handle());
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        switch (c.ending) {
        case Ending::Ok:
        case Ending::OkOnMissingThenYes:
            robot::ClickButton(dialog->hwnd, "&OK");
            break;
        case Ending::Cancel:
            robot::ClickButton(dialog->hwnd, "&Cancel");
            break;
        case Ending::CloseBox:
            PostMessageA(dialog->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        if (c.ending == Ending::OkOnMissingThenYes) {
            const auto box = robot::WaitForMessageBox(GetCurrentProcessId(), kTimeout);
            if (box) {
                seen.question = box->text;
                robot::Answer(*box, IDYES);
            }
        }
        return seen;
    });
    MainForm->BrowseButton->Click();
    const auto seen = robotRun.get();
    ASSERT_TRUE(seen) << "the chooser did not open";
    EXPECT_EQ(seen->field, start);
    EXPECT_TRUE(seen->allSelected);
    EXPECT_TRUE(seen->focused) << "the path field has no focus";
    EXPECT_TRUE(seen->mainDisabled);
    EXPECT_FALSE(IsWindowVisible(BrowseFolder->Handle()));
    EXPECT_TRUE(IsWindowEnabled(MainForm->Handle()));
    EXPECT_EQ(MainForm->PathEdit->Caption(), c.labelTakesTypedPath ? typed : start);
    if (c.ending == Ending::OkOnMissingThenYes) {
        EXPECT_EQ(seen->question, "The Folder:\r\n\r\n'" + typed + "'\r\n\r\ndoes not exist. Do you want the folder "
                                  "to be created?");
        EXPECT_EQ(GetFileAttributesA((tree.Beta() + "\\not-there").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the chooser created the folder";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, BrowseButton,
    ::testing::Values(BrowseCase{"OkOnExistingFolder", Ending::Ok, false, true},
                      BrowseCase{"YesOnMissingFolder", Ending::OkOnMissingThenYes, true, true},
                      BrowseCase{"CancelAfterEditing", Ending::Cancel, false, false},
                      BrowseCase{"CloseBoxAfterEditing", Ending::CloseBox, false, false}),
    [](const auto& info) { return std::string(info.param.name); });
