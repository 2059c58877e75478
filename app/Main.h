// The main setup window and the globals that the installation steps share.
#pragma once

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "components/AdvancedLabel.h"
#include "components/AdvancedRegistry.h"

#include <exception>
#include <string>

// The Windows system folder with a trailing backslash; empty if it could not be found.
extern std::string SystemDir;
// The destination folder with a trailing backslash.
extern std::string TargetDir;
// The arguments of the next service registration, set right before each call.
extern std::string ServiceExeName;
extern std::string ServiceName;
extern std::string ServiceDisplayName;

// What the service and registry error reports add to their text.
inline constexpr const char* AdministratorHint =
    "\r\nMake sure you have the administrator privileges to install this software.";

// Shows a failure of the installation under "Error" and ends the process.
[[noreturn]] void ReportFailure(const std::string& text);

class TMainForm : public classlib::Form {
public:
    TMainForm();

    classlib::Button* InstallButon = nullptr;
    classlib::Button* CloseButton = nullptr;
    classlib::StatusBar* StatusBar = nullptr;
    classlib::GroupBox* FolderBox = nullptr;
    classlib::Button* BrowseButton = nullptr;
    classlib::Label* PathEdit = nullptr;
    TAdvancedLabel* AboutLabel = nullptr;
    classlib::Label* CopyrightLabel = nullptr;
    classlib::GroupBox* LicenseBox = nullptr;
    classlib::Memo* LicenseMemo = nullptr;
    TAdvancedRegistry* AdvancedRegistry = nullptr;
    TAdvancedRegistry* AdvancedRegistryInstall = nullptr;
    classlib::Label* VersionLabel = nullptr;
    classlib::Image* LogoImage = nullptr;
    classlib::Label* TextLabel = nullptr;
    TAdvancedRegistry* PathRegistry = nullptr;

    // The folder Setup.Dat is unpacked into: at most 255 characters, ending
    // with a backslash.
    std::string TempDir;

    void CloseButtonClick(classlib::Object* sender);
    void FormCreate(classlib::Object* sender);
    void InstallButonClick(classlib::Object* sender);
    void BrowseButtonClick(classlib::Object* sender);
    void ApplicationException(classlib::Object* sender, const std::exception& e);

    // Tells the user which step runs now, in the progress window and the status bar.
    void ShowProgress(const std::string& text);

protected:
    void CreateComponents() override;

private:
    void ShowMain();
    void Install();

    // Set while the installation sequence runs: the message loop runs inside
    // it, and a second click on Install must not start another one.
    bool installing_ = false;
};

extern TMainForm* MainForm;

// The text of the licence agreement, from the program's resources.
std::string LicenseText();
