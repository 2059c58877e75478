#include "app/Main.h"

#include "app/BrowseUnit.h"
#include "app/InstallRules.h"
#include "app/Messages.h"
#include "app/Product.h"
#include "app/Resources.h"
#include "app/RunInstFormUnit.h"
#include "app/StartupRules.h"
#include "classlib/Application.h"
#include "classlib/Dialogs.h"
#include "classlib/ScopeExit.h"
#include "classlib/Text.h"
#include "payload/Deploy.h"
#include "payload/Payload.h"
#include "servers/ServerControl.h"
#include "shell/Shortcuts.h"
#include "shell/Uninstall.h"

using namespace classlib;

std::string SystemDir;
std::string TargetDir;
std::string ServiceExeName;
std::string ServiceName;
std::string ServiceDisplayName;

TMainForm* MainForm = nullptr;

namespace {

constexpr const char* kSetupCaption = "TOLVA Mail Server Setup";
constexpr const char* kInitialFolder = "C:\\Program Files\\Tolva\\";

const Layout<TMainForm>& MainFormLayout()
{
    static const Layout<TMainForm> layout{
        .form = {.caption = kSetupCaption,
                 .clientWidth = 454,
                 .clientHeight = 329,
                 .borderStyle = BorderStyle::Single,
                 .borderIcons = {.systemMenu = false, .minimize = true, .maximize = false},
                 .formStyle = FormStyle::StayOnTop,
                 .position = Position::ScreenCenter,
                 .visible = true,
                 .color = clBtnFace,
                 .font = {.name = "MS Sans Serif", .height = -11, .color = clWindowText}},
        .controls = {
            PlaceAdvancedLabel(&TMainForm::AboutLabel,
                               {.name = "AboutLabel",
                                .bounds = {133, 9, 173, 28},
                                .caption = TOLVA_PRODUCT_NAME,
                                .settings = {.font = FontDesc{.name = "MS Sans Serif", .height = -16, .bold = true,
                                                              .color = clWhite},
                                             .transparent = true}},
                               {.enabled = true,
                                .style = fsInset,
                                .highlight = clGray,
                                .shadow = clBlack,
                                .repetition = frOnShadow,
                                .repetitionColor = clGray,
                                .repetitionWidth = 4}),
            Place(&TMainForm::CopyrightLabel,
                  {.name = "CopyrightLabel", .bounds = {95, 32, 264, 13}, .caption = "Copyright (C) 1999-2003 TOLVA Software"}),
            Place(&TMainForm::VersionLabel, {.name = "VersionLabel", .bounds = {303, 15, 18, 13}, .caption = "x.xx"}),
            Place(&TMainForm::LogoImage,
                  {.name = "LogoImage",
                   .bounds = {6, 9, 32, 32},
                   .settings = {.transparent = true, .picture = IDI_LOGO}}),
            Place(&TMainForm::TextLabel,
                  {.name = "TextLabel",
                   .bounds = {113, 47, 228, 13},
                   .caption = "A very powerful, fast and full featured mail server"}),
            Place(&TMainForm::InstallButon,
                  {.name = "InstallButon",
                   .bounds = {377, 257, 75, 23},
                   .caption = "&Install",
                   .settings = {.tabOrder = 0, .defaultButton = true},
                   .onClick = &TMainForm::InstallButonClick}),
            Place(&TMainForm::CloseButton,
                  {.name = "CloseButton",
                   .bounds = {377, 284, 75, 23},
                   .caption = "&Cancel",
                   .settings = {.tabOrder = 1},
                   .onClick = &TMainForm::CloseButtonClick}),
            Place(&TMainForm::StatusBar,
                  {.name = "StatusBar",
                   .bounds = {0, 310, 454, 19},
                   .settings = {.align = Align::Bottom, .panelWidths = {50}, .sizeGrip = false}}),
            Place(&TMainForm::FolderBox,
                  {.name = "FolderBox", .bounds = {2, 259, 370, 43}, .caption = "Destination Folder",
                   .settings = {.tabOrder = 3}}),
            Place(&TMainForm::PathEdit,
                  {.name = "PathEdit", .parent = "FolderBox", .bounds = {6, 19, 118, 13}, .caption = kInitialFolder}),
            Place(&TMainForm::BrowseButton,
                  {.name = "BrowseButton",
                   .parent = "FolderBox",
                   .bounds = {288, 15, 75, 22},
                   .caption = "&Browse...",
                   .settings = {.tabOrder = 0},
                   .onClick = &TMainForm::BrowseButtonClick}),
            Place(&TMainForm::LicenseBox,
                  {.name = "LicenseBox", .bounds = {2, 70, 451, 181}, .caption = "Software License Agreement",
                   .settings = {.tabOrder = 4}}),
            Place(&TMainForm::LicenseMemo,
                  {.name = "LicenseMemo",
                   .parent = "LicenseBox",
                   .bounds = {7, 19, 437, 155},
                   .caption = LicenseText(),
                   .settings = {.color = clSilver,
                                .tabOrder = 0,
                                .readOnly = true,
                                .scrollBars = ScrollBars::Both,
                                .wordWrap = true}}),
        }};
    return layout;
}

// The three registry keys the main window works with; none reports errors.
struct RegistryRow {
    TAdvancedRegistry* TMainForm::*field;
    TRegistryKey rootKey;
    const char* area;
    const char* section;
};

constexpr RegistryRow kRegistryRows[] = {
    {&TMainForm::AdvancedRegistry, hkCURRENT_USER, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
     "Shell Folders"},
    {&TMainForm::AdvancedRegistryInstall, hkLOCAL_MACHINE, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
     "Tolva"},
    {&TMainForm::PathRegistry, hkLOCAL_MACHINE, "\\Software", "TOLVA"},
};

bool AskYesNo(const std::string& text, const char* caption)
{
    return ShowMessageBox(text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

} // namespace

std::string LicenseText()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(IDR_LICENSE), reinterpret_cast<LPCSTR>(RT_RCDATA));
    if (!resource) return {};
    HGLOBAL data = LoadResource(instance, resource);
    const char* text = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!text) return {};
    return WithCrLf(std::string(text, SizeofResource(instance, resource)));
}

TMainForm::TMainForm() : Form("TMainForm")
{
    OnCreate = Bind(this, &TMainForm::FormCreate);
    OnMessage(CM_SHOWMAIN, [this] { ShowMain(); });
}

void TMainForm::CreateComponents()
{
    Build(*this, MainFormLayout());
    for (const RegistryRow& row : kRegistryRows) {
        TAdvancedRegistry& registry = Own<TAdvancedRegistry>();
        registry.SetRegistryRootKey(row.rootKey);
        registry.SetRegistryArea(row.area);
        registry.SetRegistrySection(row.section);
        this->*row.field = &registry;
    }
}

void TMainForm::FormCreate(Object*)
{
    VersionLabel->SetCaption(TOLVA_VERSION);
    VersionLabel->SetCaption(VersionLabel->Caption() + TOLVA_EDITION);

    App().OnException = [this](Object* sender, const std::exception& e) { ApplicationException(sender, e); };

    std::string buffer(255, '\0');
    const UINT length = GetSystemDirectoryA(buffer.data(), 254);
    SystemDir = SystemFolderFromCall(buffer.data(), length, 254);

    switch (StartActionFor(App().ParamCount(), App().ParamStr(1))) {
    case StartAction::Quit:
        Application::Halt(0);
    case StartAction::Uninstall:
        if (!AskYesNo("Are you sure to completely remove all files and components of this program?", kSetupCaption))
            Application::Halt(0);
        Uninstall();
    case StartAction::Install:
        break;
    }

    std::string welcome = "This will install " TOLVA_PRODUCT_NAME " " TOLVA_VERSION;
    welcome += TOLVA_EDITION;
    welcome += ". Do you wish to continue?";
    if (!AskYesNo(welcome, kSetupCaption)) Application::Halt(0);

    try {
        const std::string stored = PathRegistry->ReadRegistryString("InstallDir");
        if (!stored.empty()) PathEdit->SetCaption(stored);
    } catch (...) {
        // Whatever went wrong, the initial folder stays.
    }
}

void TMainForm::ShowMain()
{
    Show();
}

void TMainForm::CloseButtonClick(Object*)
{
    if (AskYesNo("Do you wish to cancel this installation?", "Exit Setup")) Application::Halt(0);
}

void TMainForm::InstallButonClick(Object*)
{
    // The steps let the message loop run; a click on Install that arrives
    // there belongs to the installation already under way.
    if (installing_) return;
    if (TargetFolderFromCaption(PathEdit->Caption()).empty()) {
        ShowMessageBox("No destination folder is chosen. Choose one with Browse... and click Install again.",
                       kSetupCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    installing_ = true;
    // Should a step let an exception pass, Install starts afresh next time.
    AtScopeExit finished([this] { installing_ = false; });
    Install();
}

void TMainForm::Install()
{
    if (!AskYesNo("By installing this software you agree with the software license agreement. "
                  "Do you wish to continue?",
                  kSetupCaption))
        return;
    TargetDir = TargetFolderFromCaption(PathEdit->Caption());
    ShowProgress("Extracting Files...");

    constexpr unsigned kBufferSize = 255;
    char temp[kBufferSize] = {};
    const DWORD length = GetEnvironmentVariableA("TEMP", temp, kBufferSize);
    const std::string setupFolder = ExtractFilePath(App().ParamStr(0));
    // A folder of that name that exists already may hold files of someone
    // else's, and the tree is deleted at the end: a fresh one is taken.
    const std::string folder = TempFolderFromCall(temp, length, kBufferSize, setupFolder);
    TempDir = folder.empty() ? folder : UnusedFolder(folder);
    if (TempDir.empty() || !ExtractPayload(setupFolder + "Setup.Dat", TempDir))
        ReportFailure("Extracting files error: data file error");

    StopRunningServers();
    StopRunningServers();
    CreateTargetFolders();
    CopyAllFiles();
    CreateIconsAndRegister();
    InstallServices();
    DeleteFolderTree(TempDir);
    ShowMessageBox("The setup is complete. You may run the installed program now.", "Information",
                   MB_OK | MB_ICONINFORMATION);
    Application::Halt(0);
}

void TMainForm::BrowseButtonClick(Object*)
{
    BrowseFolder->PathEdit->SetText(PathEdit->Caption());
    if (BrowseFolder->ShowModal() == mrOk) PathEdit->SetCaption(BrowseFolder->PathEdit->Text());
}

void TMainForm::ApplicationException(Object*, const std::exception&) {}

void ReportFailure(const std::string& text)
{
    ShowMessageBox(text, "Error", MB_OK | MB_ICONERROR);
    Application::Halt(0);
}

void TMainForm::ShowProgress(const std::string& text)
{
    App().ProcessMessages();
    RunForm->Show();
    RunForm->BackPanel->SetCaption(text);
    RunForm->Update();
    StatusBar->SetPanelText(0, text);
    StatusBar->Update();
}
