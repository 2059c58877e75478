// The setup windows as start-up builds them, in this process under Wine.
#include "app/BackgroundFormUnit.h"
#include "app/BrowseUnit.h"
#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Application.h"
#include "robot/Robot.h"
#include "SetupWindows.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <optional>
#include <sstream>

using namespace classlib;
using wintest::ClassOf;
using wintest::FlushEvents;
using wintest::RectInParent;
using wintest::TextOf;

namespace {

std::string Describe(const RECT& r) { return wintest::DescribeSize(r); }

// The value "InstallDir" of HKLM\Software\TOLVA, prepared with the raw registry calls.
struct StoredFolder {
    enum Kind { NoKey, KeyWithoutValue, Text, Number } kind;
    const char* text = "";
};

void PrepareStoredFolder(const StoredFolder& stored)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA");
    if (stored.kind == StoredFolder::NoKey) return;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\TOLVA", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    if (stored.kind == StoredFolder::Text)
        RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.text),
                       static_cast<DWORD>(strlen(stored.text) + 1));
    if (stored.kind == StoredFolder::Number) {
        const DWORD number = 42;
        RegSetValueExA(key, "InstallDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(key);
}

void StartSetupWindows()
{
    ASSERT_TRUE(wintest::StartSetupWindows()) << "no welcome question";
    FlushEvents();
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareStoredFolder({StoredFolder::NoKey});
        StartSetupWindows();
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA"); }
};

std::string Describe(const Bounds& b)
{
    return Describe(b.Rect());
}

} // namespace

TEST_F(MainWindow, FrameIsFixedStayOnTopAndCentred)
{
    HWND main = MainForm->Handle();
    EXPECT_EQ(TextOf(main), "TOLVA Mail Server Setup");
    EXPECT_EQ(ClassOf(main), "TMainForm");
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(Describe(client), "(0, 0) 454 x 329");

    const LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(main, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_SYSMENU) << "no system menu";
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(main));

    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

TEST_F(MainWindow, WindowedControlsStandWhereTheLayoutPutsThem)
{
    struct Expected {
        WinControl* control;
        WinControl* parent;
        const char* className;
        const char* text;
        RECT rect;
    };
    const std::vector<Expected> expected = {
        {MainForm->InstallButon, MainForm, "Button", "&Install", {377, 257, 452, 280}},
        {MainForm->CloseButton, MainForm, "Button", "&Cancel", {377, 284, 452, 307}},
        {MainForm->StatusBar, MainForm, STATUSCLASSNAMEA, "", {0, 310, 454, 329}},
        {MainForm->FolderBox, MainForm, "TGroupBox", "Destination Folder", {2, 259, 372, 302}},
        {MainForm->BrowseButton, MainForm->FolderBox, "Button", "&Browse...", {288, 15, 363, 37}},
        {MainForm->LicenseBox, MainForm, "TGroupBox", "Software License Agreement", {2, 70, 453, 251}},
        {MainForm->LicenseMemo, MainForm->LicenseBox, "Edit", nullptr, {7, 19, 444, 174}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->Name());
        HWND hwnd = e.control->Handle();
        ASSERT_TRUE(hwnd);
        EXPECT_EQ(GetParent(hwnd), e.parent->Handle());
        EXPECT_STRCASEEQ(ClassOf(hwnd).c_str(), e.className);
        if (e.text) {
            EXPECT_EQ(TextOf(hwnd), e.text);
        }
        EXPECT_EQ(Describe(RectInParent(hwnd)), Describe(e.rect));
    }
    EXPECT_EQ(GetWindowLongPtrA(MainForm->InstallButon->Handle(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtrA(MainForm->CloseButton->Handle(), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
}

TEST_F(MainWindow, TabOrderRunsInstallCancelBrowseLicence)
{
    const std::vector<HWND> order = wintest::TabOrder(MainForm->Handle());
    const std::vector<HWND> expected = {MainForm->InstallButon->Handle(), MainForm->CloseButton->Handle(),
                                        MainForm->BrowseButton->Handle(), MainForm->LicenseMemo->Handle()};
    EXPECT_EQ(order, expected);
}

TEST_F(MainWindow, LabelsAndPictureAreInPlace)
{
    EXPECT_EQ(MainForm->VersionLabel->Caption(), "2.10.282 Pro");
    EXPECT_EQ(MainForm->AboutLabel->Caption(), "TOLVA Mail Server");
    EXPECT_EQ(MainForm->TextLabel->Caption(), "A very powerful, fast and full featured mail server");
    EXPECT_FALSE(MainForm->CopyrightLabel->Caption().empty());
    EXPECT_TRUE(MainForm->LogoImage->HasPicture());
    EXPECT_EQ(Describe(MainForm->LogoImage->GetBounds()), "(6, 9) 32 x 32");

    // Plain labels take the size of their caption from their left edge; the
    // version label has grown from its initial 18 pixels.
    for (Label* label : {MainForm->VersionLabel, MainForm->TextLabel, MainForm->PathEdit, MainForm->CopyrightLabel}) {
        SCOPED_TRACE(label->Name());
        const SIZE size = label->MeasureCaption();
        EXPECT_EQ(label->GetBounds().width, size.cx);
        EXPECT_EQ(label->GetBounds().height, size.cy);
    }
    EXPECT_GT(MainForm->VersionLabel->GetBounds().width, 18);
    struct Spot {
        Label* label;
        WinControl* parent;
        int left, top;
    };
    for (const Spot& p : {Spot{MainForm->AboutLabel, MainForm, 133, 9}, Spot{MainForm->CopyrightLabel, MainForm, 95, 32},
                           Spot{MainForm->VersionLabel, MainForm, 303, 15}, Spot{MainForm->TextLabel, MainForm, 113, 47},
                           Spot{MainForm->PathEdit, MainForm->FolderBox, 6, 19}}) {
        SCOPED_TRACE(p.label->Name());
        EXPECT_EQ(p.label->Parent(), p.parent);
        EXPECT_EQ(p.label->GetBounds().left, p.left);
        EXPECT_EQ(p.label->GetBounds().top, p.top);
    }

    const FontDesc& about = MainForm->AboutLabel->GetFont().Desc();
    EXPECT_EQ(about.height, -16);
    EXPECT_TRUE(about.bold);
    EXPECT_EQ(about.color, clWhite);
    EXPECT_TRUE(MainForm->AboutLabel->Transparent());
    EXPECT_EQ(MainForm->TextLabel->GetFont().Desc(), MainForm->GetFont().Desc());
}

TEST_F(MainWindow, LicenceIsReadOnlySilverAndWrapped)
{
    HWND memo = MainForm->LicenseMemo->Handle();
    const LONG_PTR style = GetWindowLongPtrA(memo, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_FALSE(style & ES_AUTOHSCROLL) << "word wrap is on";

    // The colour the memo is drawn with, asked the way the control asks its parent.
    HDC dc = GetDC(memo);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(MainForm->LicenseBox->Handle(), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(memo)));
    ReleaseDC(memo, dc);
    LOGBRUSH info{};
    ASSERT_TRUE(brush);
    GetObjectA(brush, sizeof info, &info);
    EXPECT_EQ(info.lbColor, RGB(192, 192, 192));

    // 69 lines of at most 84 characters, CR LF between them.
    const std::string text = MainForm->LicenseMemo->Text();
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();  // the line end after the last line
    EXPECT_EQ(lines.size(), 69u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 84u) << "line " << i + 1 << ": " << lines[i];
        EXPECT_EQ(lines[i].find_first_of("\r\n"), std::string::npos) << "line " << i + 1 << " has a lone line break";
    }
}

TEST_F(MainWindow, StatusBarHasOneFullWidthPartWithoutGrip)
{
    HWND bar = MainForm->StatusBar->Handle();
    EXPECT_FALSE(GetWindowLongPtrA(bar, GWL_STYLE) & SBARS_SIZEGRIP);
    int edges[4] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 1);
    EXPECT_EQ(edges[0], -1);
}

TEST_F(MainWindow, ComesToTheFrontOfTheMaximisedBackground)
{
    FlushEvents(300);
    EXPECT_EQ(App().MainForm(), BackgroundForm) << "the first form created is the application's main form";
    App().MainForm()->Show();  // what the message loop does first
    FlushEvents(300);
    HWND background = BackgroundForm->Handle();
    EXPECT_TRUE(IsWindowVisible(background));
    EXPECT_TRUE(IsZoomed(background));
    EXPECT_EQ(TextOf(background), "TOLVA Mail Server Setup");
    // The main window lies above the background window.
    bool mainSeen = false;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == MainForm->Handle()) mainSeen = true;
        if (w == background) break;
    }
    EXPECT_TRUE(mainSeen);
    EXPECT_FALSE(IsWindowVisible(RunForm->Handle()));
    EXPECT_FALSE(IsWindowVisible(BrowseFolder->Handle()));
}

TEST_F(MainWindow, ExceptionInAHandlerIsDroppedSilently)
{
    bool reached = false;
    MainForm->BrowseButton->OnClick = [&](Object*) {
        reached = true;
        throw Exception("a failure nobody reports");
    };
    SendMessageA(MainForm->BrowseButton->Handle(), BM_CLICK, 0, 0);
    FlushEvents();
    EXPECT_TRUE(reached);
    const auto box = robot::WaitForMessageBox(GetCurrentProcessId(), 300);
    EXPECT_FALSE(box.has_value()) << "a message box appeared: " << box->text;
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
}

TEST_F(MainWindow, EscapeDoesNotCancel)
{
    auto question = robot::AnswerOwnMessageBoxAsync(IDNO, 1500);
    MainForm->CloseButton->SetFocus();
    PostMessageA(MainForm->CloseButton->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(MainForm->CloseButton->Handle(), WM_KEYUP, VK_ESCAPE, 0);
    FlushEvents(300);
    const auto box = question.get();
    EXPECT_FALSE(box.has_value()) << "Escape asked: " << box->text;
}

// The destination folder shown for what an earlier installation stored.
struct StoredFolderCase {
    const char* name;
    StoredFolder stored;
    std::string shown;
};

class StoredFolderShown : public ::testing::TestWithParam<StoredFolderCase> {
protected:
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\TOLVA"); }
};

TEST_P(StoredFolderShown, InDestinationLabel)
{
    PrepareStoredFolder(GetParam().stored);
    StartSetupWindows();
    EXPECT_EQ(MainForm->PathEdit->Caption(), GetParam().shown);
}

const std::string kInitialFolder = "C:\\Program Files\\Tolva\\";

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredFolderShown,
    ::testing::Values(StoredFolderCase{"WithoutBackslash", {StoredFolder::Text, "D:\\Mail"}, "D:\\Mail"},
                      StoredFolderCase{"WithBackslash", {StoredFolder::Text, "E:\\Tolva Mail\\"}, "E:\\Tolva Mail\\"},
                      StoredFolderCase{"NoKey", {StoredFolder::NoKey}, kInitialFolder},
                      StoredFolderCase{"NoValue", {StoredFolder::KeyWithoutValue}, kInitialFolder},
                      StoredFolderCase{"EmptyText", {StoredFolder::Text, ""}, kInitialFolder},
                      StoredFolderCase{"NotAString", {StoredFolder::Number}, kInitialFolder}),
    [](const ::testing::TestParamInfo<StoredFolderCase>& info) { return std::string(info.param.name); });

// --- The progress window ---

class Progress : public MainWindow {};

TEST_F(Progress, FirstTextBringsUpTheWindowAndTheStatusBar)
{
    ASSERT_FALSE(IsWindowVisible(RunForm->Handle()));
    MainForm->ShowProgress("Extracting Files...");
    HWND run = RunForm->Handle();
    EXPECT_TRUE(IsWindowVisible(run));
    EXPECT_EQ(TextOf(run), "Processing...");
    EXPECT_EQ(ClassOf(run), "TRunForm");
    EXPECT_TRUE(GetWindowLongPtrA(run, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongPtrA(run, GWL_STYLE) & WS_SYSMENU);
    RECT client;
    GetClientRect(run, &client);
    EXPECT_EQ(Describe(client), "(0, 0) 323 x 45");
    RECT frame;
    GetWindowRect(run, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);

    EXPECT_EQ(Describe(RectInParent(RunForm->BackPanel->Handle())), "(0, 0) 323 x 45");
    EXPECT_EQ(TextOf(RunForm->BackPanel->Handle()), "Extracting Files...");
    EXPECT_EQ(MainForm->StatusBar->PanelText(0), "Extracting Files...");

    // In front of the main window.
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        ASSERT_NE(w, MainForm->Handle()) << "the main window lies above the progress window";
        if (w == run) break;
    }

    MainForm->ShowProgress("Checking For Running Services...");
    EXPECT_EQ(TextOf(RunForm->BackPanel->Handle()), "Checking For Running Services...");
    EXPECT_EQ(MainForm->StatusBar->PanelText(0), "Checking For Running Services...");
}

TEST_F(Progress, HandlesWaitingMessagesBeforeTheText)
{
    bool handled = false;
    const UINT probe = WM_APP + 7;
    MainForm->OnMessage(probe, [&] { handled = true; });
    PostMessageA(MainForm->Handle(), probe, 0, 0);
    MainForm->ShowProgress("Creating Icons...");
    EXPECT_TRUE(handled);
}

TEST_F(Progress, RefusesToCloseUntilAllowed)
{
    MainForm->ShowProgress("Starting Services...");
    HWND run = RunForm->Handle();
    PostMessageA(run, WM_CLOSE, 0, 0);
    FlushEvents();
    EXPECT_TRUE(IsWindowVisible(run)) << "closed while the installation runs";

    MainForm->ShowProgress("Installation Complete");
    RunForm->AllowClose = true;
    RunForm->Close();
    FlushEvents();
    EXPECT_FALSE(IsWindowVisible(run));
    EXPECT_FALSE(App().Terminated()) << "closing the progress window must not end the program";
    EXPECT_EQ(MainForm->StatusBar->PanelText(0), "Installation Complete");
}

TEST_F(Progress, TextIsCentredOnOneLineAndClippedAtBothEdges)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    MainForm->ShowProgress("Extracting Files...");
    {
        wintest::ClientPicture picture(RunForm->BackPanel->Handle());
        const RECT ink = picture.InkBounds(face);
        ASSERT_GT(ink.right, ink.left) << "no text drawn";
        EXPECT_NEAR(ink.left, picture.Width() - ink.right, 2) << "not centred: ink " << Describe(ink);
        EXPECT_NEAR(ink.top, picture.Height() - ink.bottom, 3) << "not centred: ink " << Describe(ink);
    }
    const std::string wide = "Copying File '" + std::string(120, 'W') + "'...";
    MainForm->ShowProgress(wide);
    wintest::ClientPicture picture(RunForm->BackPanel->Handle());
    const RECT ink = picture.InkBounds(face);
    EXPECT_LE(ink.left, 1);
    EXPECT_GE(ink.right, picture.Width() - 1);
    EXPECT_LT(ink.bottom - ink.top, 20) << "the text must stay on one line";
    RECT client;
    GetClientRect(RunForm->Handle(), &client);
    EXPECT_EQ(Describe(client), "(0, 0) 323 x 45") << "the window must not grow";
}
