// Whole installations as an administrator runs them: the real setup.exe beside
// a Setup.Dat made by mkpayload, with the stand-in servers inside, on Wine's
// registry, service control manager and shell links, watched from outside.
// Every progress text is recorded as the windows receive it.
#include "ServiceFixture.h"
#include "SetupSteps.h"
#include "../win/LinkReader.h"
#include "../win/PayloadFixture.h"
#include "classlib/Dialogs.h"
#include "payload/FileTables.h"
#include "robot/Robot.h"

#include <windows.h>
#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace payloadtest;
using namespace servicetest;
using linktest::LinkTarget;
using payload::ProgramFiles;
using payload::ShortcutNames;
using payload::ShortcutTargets;
using payload::WebFiles;

namespace {

constexpr DWORD kTimeout = 30000;
const std::string kSetupCaption = "TOLVA Mail Server Setup";
const std::string kDefaultFolder = "C:\\Program Files\\Tolva\\";
const std::string kAgreement =
    "By installing this software you agree with the software license agreement. Do you wish to continue?";
const std::string kComplete = "The setup is complete. You may run the installed program now.";
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolva";
constexpr const char* kProductKey = "Software\\TOLVA";
constexpr const char* kSetupDefaults = "Software\\Wine\\AppDefaults\\setup.exe";
constexpr const char* kPanelClass = "TPanel";
constexpr const char* kStatusBarClass = "msctls_statusbar32";

enum class Family { NT, Win9x };

std::string FamilyName(const ::testing::TestParamInfo<Family>& info)
{
    return info.param == Family::NT ? "NT" : "Win9x";
}

std::string WithBackslash(std::string path)
{
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

std::string SystemFolder()
{
    char buffer[MAX_PATH];
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    return WithBackslash(std::string(buffer, length));
}

// The current user's Start-menu programs folder, as the shell records it.
std::string ProgramsFolder()
{
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 "Programs", RRF_RT_REG_SZ, nullptr, buffer, &size);
    return buffer;
}

std::string GroupFolder()
{
    return ProgramsFolder() + "\\TOLVA Mail Server\\";
}

// Runs a program to its end with its output in a file; the output's lines.
std::vector<std::string> RunForOutput(const std::string& exe, const std::vector<std::string>& args,
                                      const std::string& outputFile)
{
    robot::Process process = robot::Process::Start(exe, {.args = args, .outputFile = outputFile});
    EXPECT_TRUE(process.WaitForExit(kTimeout).has_value()) << exe << " does not end";
    return FileLines(outputFile);
}

// A string value as Wine's own reg.exe prints it; empty when it has none.
std::optional<std::string> RegQuery(const std::string& key, const std::string& value, const std::string& scratchFile)
{
    const std::vector<std::string> lines =
        RunForOutput(SystemFolder() + "reg.exe", {"query", key, "/v", value}, scratchFile);
    const std::string marker = "    " + value + "    REG_SZ    ";
    for (const std::string& line : lines)
        if (line.rfind(marker, 0) == 0) {
            std::string data = line.substr(marker.size());
            while (!data.empty() && (data.back() == '\r' || data.back() == '\n')) data.pop_back();
            return data;
        }
    return std::nullopt;
}

// The Linux path of a Windows one, as Wine maps it.
std::string UnixPath(const std::string& path)
{
    using Convert = char* (*)(const WCHAR*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!convert) return {};
    const std::wstring wide(path.begin(), path.end());
    char* unix = convert(wide.c_str());
    if (!unix) return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// The product key, also after a test took its write access away.
void RemoveProductKey()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        PSECURITY_DESCRIPTOR open = nullptr;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr)) {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open);
            LocalFree(open);
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
}

void StoreInstallDir(const std::string& folder)
{
    SetText(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", folder);
}

// What an installation copies, in its order, with the folder each goes to;
// pictures in name order (the file system's order is its own).
struct PlannedCopy {
    std::string folder, name;
};

std::vector<std::string> StagedPictures()
{
    std::vector<std::string> pictures;
    for (const auto& entry : fs::directory_iterator(DEMO_PAYLOAD_DIR))
        if (payload::IsPictureName(entry.path().filename().string())) pictures.push_back(entry.path().filename().string());
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

std::vector<PlannedCopy> PlannedCopies(const std::string& target, bool defaultIniThere)
{
    std::vector<PlannedCopy> copies;
    for (std::size_t i = 0; i < ProgramFiles.size(); ++i)
        if (i != payload::DefaultIniIndex || !defaultIniThere) copies.push_back({target, std::string(ProgramFiles[i])});
    for (const std::string_view name : WebFiles) copies.push_back({target + "html\\", std::string(name)});
    for (const std::string& name : StagedPictures()) copies.push_back({target + "html\\images\\", name});
    copies.push_back({target, "setup.exe"});
    copies.push_back({SystemFolder(), std::string(payload::ControlPanelApplet)});
    return copies;
}

std::string CopyText(const PlannedCopy& copy)
{
    return "Copying File '" + copy.folder + copy.name + "'...";
}

std::vector<std::string> ExpectedProgress(const std::string& target, Family family, bool defaultIniThere)
{
    std::vector<std::string> texts = {"Extracting Files...", "Checking For Running Services...",
                                      "Checking For Running Services..."};
    for (const PlannedCopy& copy : PlannedCopies(target, defaultIniThere)) texts.push_back(CopyText(copy));
    texts.push_back("Creating Icons...");
    if (family == Family::NT) texts.push_back("Installing Services...");
    texts.push_back("Starting Services...");
    texts.push_back("Installation Complete");
    return texts;
}

// The run of picture copies in name order, so that texts compare with the plan.
std::vector<std::string> PicturesInNameOrder(std::vector<std::string> texts)
{
    const auto isPicture = [](const std::string& text) {
        return text.rfind("Copying File '", 0) == 0 && payload::IsPictureName(text.substr(0, text.size() - 4));
    };
    const auto first = std::find_if(texts.begin(), texts.end(), isPicture);
    const auto last = std::find_if_not(first, texts.end(), isPicture);
    std::sort(first, last);
    return texts;
}

// A caption set to the text it has already is not set again: the progress
// window shows the second "Checking For Running Services..." as the first.
std::vector<std::string> WithoutRepeats(std::vector<std::string> texts)
{
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

// What one run of setup.exe showed and how it ended.
struct SetupRun {
    std::vector<robot::RecordedText> texts;
    std::optional<robot::MessageBoxInfo> finalBox;
    std::optional<DWORD> exitCode;

    std::vector<std::string> TextsOf(const std::string& className) const
    {
        std::vector<std::string> result;
        for (const robot::RecordedText& text : texts)
            if (text.className == className) result.push_back(text.text);
        return result;
    }
    std::vector<std::string> Progress() const { return TextsOf(kPanelClass); }
};

class SetupFixture : public ::testing::Test {
protected:
    ScratchFolder scratch{"Tolva Setup "};
    std::string source = scratch / "Source\\";   // setup.exe and Setup.Dat, as the vendor ships them
    std::string temp = scratch / "tmp";           // the TEMP of the setup program
    std::string installTemp = temp + "\\TOLVAInstall\\";
    std::vector<robot::EnvChange> environment{{"TEMP", temp}};

    void SetUp() override
    {
        ClearProduct();
        fs::create_directories(source);
        fs::create_directories(temp);
        fs::copy_file(SETUP_EXE, source + "setup.exe");
        fs::copy_file(DEMO_SETUP_DAT, source + "Setup.Dat");
    }

    void TearDown() override
    {
        setup_.Kill();
        ClearProduct();
    }

    void UseFamily(Family family)
    {
        family_ = family;
        if (family == Family::Win9x) SetText(HKEY_CURRENT_USER, kSetupDefaults, "Version", "win98");
    }

    // Everything an installation leaves on the machine, gone.
    static void ClearProduct()
    {
        for (const ServerIdentity& server : Servers) RemoveService(server);
        for (const ServerIdentity& server : Servers) CloseStandInWindows(server);
        RemoveTree(std::wstring(kDefaultFolder.begin(), kDefaultFolder.end() - 1));
        const std::string group = GroupFolder();
        RemoveTree(std::wstring(group.begin(), group.end() - 1));
        DeleteFileA((SystemFolder() + std::string(payload::ControlPanelApplet)).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        RemoveProductKey();
        RegDeleteKeyA(HKEY_CURRENT_USER, kSetupDefaults);
    }

    // Starts the copy in the source folder, answers the welcome question and
    // waits for the main window.
    void Start()
    {
        setup_ = robot::Process::Start(source + "setup.exe", {.workingDir = source, .env = environment});
        main_ = setuptest::ReachMainWindow(setup_, kTimeout).hwnd;
        ASSERT_TRUE(main_);
    }

    // Sets the destination through the folder chooser, as a user would.
    void Choose(const std::string& folder)
    {
        ASSERT_TRUE(robot::ClickButton(main_, "&Browse...", kTimeout));
        const auto dialog = robot::WaitForWindow(
            {.processId = setup_.Id(), .className = "TBrowseFolder", .caption = "Choose Folder"}, kTimeout);
        ASSERT_TRUE(dialog) << "no folder chooser";
        HWND edit = robot::FindChild(dialog->hwnd, "Edit");
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        ASSERT_TRUE(robot::ClickButton(dialog->hwnd, "&OK"));
        // A folder that does not exist is asked about; the answer takes the text as it is.
        if (const auto question = robot::WaitForMessageBox({.processId = setup_.Id(), .caption = "Setup"}, 1000)) {
            ASSERT_TRUE(robot::Answer(*question, IDYES));
        }
        for (DWORD waited = 0; IsWindowVisible(dialog->hwnd) && waited < kTimeout; waited += 50) Sleep(50);
        ASSERT_FALSE(IsWindowVisible(dialog->hwnd)) << "the chooser stays open";
    }

    // Clicks Install and answers the agreement question Yes.
    void ClickInstallAndAgree()
    {
        ASSERT_TRUE(robot::ClickButton(main_, "&Install", kTimeout));
        const auto agreement = robot::WaitForMessageBox(setup_.Id(), kTimeout);
        ASSERT_TRUE(agreement) << "no agreement question";
        EXPECT_EQ(agreement->caption, kSetupCaption);
        EXPECT_EQ(agreement->text, kAgreement);
        EXPECT_EQ(agreement->icon, robot::BoxIcon::Question);
        ASSERT_TRUE(robot::Answer(*agreement, IDYES));
    }

    // Records the progress texts from the click on Install to the end: the
    // last message box is read and answered OK. `whilePaused`, when given,
    // runs while the program holds still at its second copy text.
    SetupRun Install(const std::function<void()>& whilePaused = {})
    {
        SetupRun run;
        const std::string log = scratch / ("texts-" + std::to_string(++runs_) + ".log");
        std::optional<robot::TextRecorder::Pause> pause;
        if (whilePaused) pause = robot::TextRecorder::Pause{kPanelClass, "Copying File '", 3000};
        robot::TextRecorder recorder =
            robot::TextRecorder::Attach(GetWindowThreadProcessId(main_, nullptr), log, pause);
        ClickInstallAndAgree();
        if (whilePaused) {
            for (DWORD waited = 0; !recorder.Paused() && setup_.IsRunning() && waited < kTimeout; waited += 20)
                Sleep(20);
            EXPECT_TRUE(recorder.Paused()) << "the installation never reached its second copy";
            whilePaused();
        }
        run.finalBox = AwaitFinalBox();
        if (run.finalBox) robot::Answer(*run.finalBox, IDOK);
        run.exitCode = setup_.WaitForExit(kTimeout);
        run.texts = recorder.Texts();
        return run;
    }

    // The next message box; a question is a failure of the test (it is
    // answered No, so that the program can go on to its end).
    std::optional<robot::MessageBoxInfo> AwaitFinalBox()
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 3 * kTimeout;) {
            auto box = robot::WaitForMessageBox(setup_.Id(), 500);
            if (!box) {
                if (!setup_.IsRunning()) return std::nullopt;
                continue;
            }
            if (box->icon != robot::BoxIcon::Question) return box;
            ADD_FAILURE() << "unexpected question: " << box->text;
            robot::Answer(*box, IDNO);
        }
        return std::nullopt;
    }

    // The run ended with this one message box, OK only, and exit code 0.
    static void ExpectFinalBox(const SetupRun& run, const std::string& caption, robot::BoxIcon icon,
                               const std::string& text)
    {
        ASSERT_TRUE(run.finalBox) << "no message \"" << text << "\"";
        EXPECT_EQ(run.finalBox->caption, caption);
        EXPECT_EQ(run.finalBox->text, text);
        EXPECT_EQ(run.finalBox->icon, icon);
        EXPECT_TRUE(run.finalBox->HasButton(IDOK) && run.finalBox->buttons.size() == 1);
        EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    }
    static void ExpectComplete(const SetupRun& run)
    {
        ExpectFinalBox(run, "Information", robot::BoxIcon::Information, kComplete);
    }
    static void ExpectError(const SetupRun& run, const std::string& text)
    {
        ExpectFinalBox(run, "Error", robot::BoxIcon::Error, text);
    }

    // Every file of the destination layout with the payload's bytes.
    void ExpectFilesInPlace(const std::string& target, bool defaultIniThere = false) const
    {
        for (const PlannedCopy& copy : PlannedCopies(target, defaultIniThere)) {
            const fs::path staged =
                copy.name == "setup.exe" ? fs::path(SETUP_EXE) : fs::path(DEMO_PAYLOAD_DIR) / copy.name;
            const auto installed = FileContent(copy.folder + copy.name);
            ASSERT_TRUE(installed) << copy.folder + copy.name << " is missing";
            EXPECT_TRUE(installed == FileContent(staged)) << copy.folder + copy.name << " differs from the payload";
        }
    }

    void ExpectLinks(const std::string& target) const
    {
        for (std::size_t i = 0; i < ShortcutNames.size(); ++i) {
            const std::string link = GroupFolder() + std::string(ShortcutNames[i]) + ".lnk";
            EXPECT_EQ(LinkTarget(link), std::optional<std::string>(target + std::string(ShortcutTargets[i]))) << link;
        }
    }

    void ExpectRegistration(const std::string& target) const
    {
        const std::string out = scratch / "reg.txt";
        const std::string uninstall = std::string("HKLM\\") + kUninstallKey;
        EXPECT_EQ(RegQuery(uninstall, "DisplayName", out), std::optional<std::string>("TOLVA Mail Server"));
        EXPECT_EQ(RegQuery(uninstall, "UninstallString", out),
                  std::optional<std::string>("\"" + target + "setup.exe\" /UNINSTALL"));
        EXPECT_EQ(RegQuery(std::string("HKLM\\") + kProductKey, "InstallDir", out), std::optional<std::string>(target));
    }

    void ExpectServersRunning(const std::string& target) const
    {
        for (const ServerIdentity& server : Servers) {
            SCOPED_TRACE(server.serviceName);
            const auto config = QueryConfig(server.serviceName);
            if (family_ == Family::NT) {
                ASSERT_TRUE(config) << "no service";
                EXPECT_EQ(config->binaryPath, "\"" + target + server.exeName + "\"");
                EXPECT_EQ(AwaitServiceState(server.serviceName, SERVICE_RUNNING), std::optional<DWORD>(SERVICE_RUNNING));
            } else {
                EXPECT_FALSE(config) << "a service was registered on the 9x family";
                EXPECT_TRUE(AwaitServerWindow(server)) << "the server's window does not show";
            }
        }
    }

    void ExpectWholeInstallation(const SetupRun& run, const std::string& target, bool defaultIniThere)
    {
        ExpectComplete(run);
        const std::vector<std::string> expected = ExpectedProgress(target, family_, defaultIniThere);
        EXPECT_EQ(PicturesInNameOrder(run.TextsOf(kStatusBarClass)), expected);
        EXPECT_EQ(PicturesInNameOrder(run.Progress()), WithoutRepeats(expected));
        for (std::size_t i = 1; i < run.texts.size(); ++i) EXPECT_GE(run.texts[i].ms, run.texts[i - 1].ms);
        ExpectFilesInPlace(target, defaultIniThere);
        ExpectLinks(target);
        ExpectRegistration(target);
        ExpectServersRunning(target);
        EXPECT_FALSE(fs::exists(installTemp)) << "the temporary folder stays";
    }

    robot::Process setup_;
    HWND main_ = nullptr;
    Family family_ = Family::NT;

private:
    int runs_ = 0;
};

class CompleteInstallation : public SetupFixture, public ::testing::WithParamInterface<Family> {
protected:
    void SetUp() override
    {
        SetupFixture::SetUp();
        UseFamily(GetParam());
    }
};

} // namespace

TEST_P(CompleteInstallation, IntoTheDefaultFolder)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectWholeInstallation(run, kDefaultFolder, false);
}

TEST_P(CompleteInstallation, IntoAFolderFromTheChooser)
{
    const std::string target = scratch / "Chosen Place\\";
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Choose(target.substr(0, target.size() - 1)));
    const SetupRun run = Install();
    ExpectWholeInstallation(run, target, false);
    EXPECT_FALSE(fs::exists(kDefaultFolder));
}

// Over a running installation: the servers are stopped and registered
// again, the administrator's default.ini and the group folder stay.
TEST_P(CompleteInstallation, AgainOverTheLastOne)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectComplete(Install());
    PutFile(kDefaultFolder + "default.ini", "[Settings]\r\nDomain=example.org\r\n");
    PutFile(GroupFolder() + "Notes.txt", "the administrator's own");

    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectWholeInstallation(run, kDefaultFolder, true);
    EXPECT_EQ(FileContent(kDefaultFolder + "default.ini"),
              std::optional<std::string>("[Settings]\r\nDomain=example.org\r\n"));
    EXPECT_EQ(FileContent(GroupFolder() + "Notes.txt"), std::optional<std::string>("the administrator's own"));
}

INSTANTIATE_TEST_SUITE_P(Families, CompleteInstallation, ::testing::Values(Family::NT, Family::Win9x), FamilyName);

// Once, on Linux: a reader of shell link files that is not Windows' own.
TEST_F(SetupFixture, TheLinksReadAsLinksOutsideWindowsToo)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ExpectComplete(Install());
    const std::string link = GroupFolder() + "TOLVA Readme.lnk";
    // A Linux program started from Wine runs on its own: its handle does not
    // wait for it, so the output is read once its last line is there.
    const std::string output = scratch / "lnk.txt";
    robot::Process shell = robot::Process::Start(
        "Z:\\bin\\sh", {.args = {"-c", "lnkinfo \"$0\"; echo lnkinfo-done", UnixPath(link)}, .outputFile = output});
    std::vector<std::string> info;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kTimeout; Sleep(50)) {
        info = FileLines(output);
        if (!info.empty() && info.back() == "lnkinfo-done") break;
    }
    const bool named = std::any_of(info.begin(), info.end(), [](const std::string& line) {
        return line.find("Local path") != std::string::npos && line.find("C:\\Program Files\\Tolva\\readme.txt") != std::string::npos;
    });
    EXPECT_TRUE(named) << "lnkinfo does not read the target; it printed:\n"
                       << [&] { std::string all; for (const auto& l : info) all += l + "\n"; return all; }();
}

// TEMP unset or unusable: the payload goes into Temp\ beside setup.exe, and
// a Temp\ that holds someone's files is left alone.
struct TempCase {
    const char* name;
    std::optional<std::string> value;
};

class TempFallback : public SetupFixture, public ::testing::WithParamInterface<TempCase> {};

TEST_P(TempFallback, UnpacksBesideTheSetupProgramWithoutTouchingFilesThere)
{
    environment = {{"TEMP", GetParam().value}};
    PutFile(source + "Temp\\" + "user.txt", "keep me");
    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectComplete(run);
    ExpectFilesInPlace(kDefaultFolder);
    EXPECT_EQ(FileContent(source + "Temp\\user.txt"), std::optional<std::string>("keep me"));
    EXPECT_FALSE(fs::exists(source + "Temp2")) << "the temporary folder stays";
}

INSTANTIATE_TEST_SUITE_P(Values, TempFallback,
                         ::testing::Values(TempCase{"Unset", std::nullopt},
                                           TempCase{"LongerThanTheBuffer", "C:\\" + std::string(300, 't')},
                                           TempCase{"NoRoomForTheSubfolder", "C:\\" + std::string(245, 't')}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupFixture, WithoutSetupDatTheExtractionErrorEndsItAndTheTemporaryFolderStays)
{
    fs::remove(source + "Setup.Dat");
    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectError(run, "Extracting files error: data file error");
    EXPECT_EQ(run.Progress(), std::vector<std::string>{"Extracting Files..."});
    EXPECT_TRUE(fs::is_directory(installTemp));
    EXPECT_FALSE(fs::exists(kDefaultFolder));
}

TEST_F(SetupFixture, APayloadWithoutAFileStopsAtItsCopy)
{
    // The vendor forgot the help file.
    const std::string packed = scratch / "payload\\";
    fs::copy(DEMO_PAYLOAD_DIR, packed);
    fs::remove(packed + "tolva.hlp");
    fs::remove(source + "Setup.Dat");
    RunForOutput(MKPAYLOAD_EXE, {"pack", packed, "-o", source + "Setup.Dat"}, scratch / "pack.txt");
    ASSERT_TRUE(fs::exists(source + "Setup.Dat"));

    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectError(run, "File copy error: " + classlib::SysErrorMessage(ERROR_FILE_NOT_FOUND));
    ASSERT_FALSE(run.Progress().empty());
    EXPECT_EQ(run.Progress().back(), "Copying File '" + kDefaultFolder + "tolva.hlp'...");
    EXPECT_TRUE(fs::exists(kDefaultFolder + "update.txt")) << "the files before it were not copied";
    EXPECT_FALSE(fs::exists(kDefaultFolder + "tolva.cnt"));
    EXPECT_FALSE(RegQuery(std::string("HKLM\\") + kUninstallKey, "DisplayName", scratch / "reg.txt"));
    EXPECT_TRUE(fs::is_directory(installTemp));
}

TEST_F(SetupFixture, ADestinationBelowAMissingFolderIsNotCreated)
{
    const std::string target = scratch / "missing\\deeper\\";
    StoreInstallDir(target);
    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectError(run, "Directory could not be created: " + classlib::SysErrorMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(fs::exists(scratch / "missing"));
    EXPECT_TRUE(fs::is_directory(installTemp));
}

TEST_F(SetupFixture, AServerThatRefusesToStopEndsItWithTheServiceError)
{
    const std::string old = scratch / "Old\\";
    fs::create_directories(old);
    fs::copy_file(fs::path(DEMO_PAYLOAD_DIR) / "pop3.exe", old + "pop3.exe");
    CreateStandInService(Servers[skPOP3], old);
    SetStandIn(Servers[skPOP3], "RefuseStop", 1);
    StartStandInService(Servers[skPOP3]);

    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectError(run, "Service error: " + classlib::SysErrorMessage(ERROR_INVALID_SERVICE_CONTROL) + kAdminHint);
    EXPECT_EQ(run.Progress().back(), "Checking For Running Services...");
    EXPECT_EQ(ServiceState(Servers[skPOP3].serviceName), std::optional<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(fs::exists(kDefaultFolder));
}

// The product key exists and refuses to be written: the uninstall entry is
// made, "InstallDir" is not, and the services are never registered.
TEST_F(SetupFixture, ARegistryKeyThatRefusesWritingEndsItWithTheRegistryError)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &readOnly, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    RegCloseKey(key);

    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install();
    ExpectError(run, "Registry error: Failed to set data for 'InstallDir'" + kAdminHint);
    EXPECT_EQ(run.Progress().back(), "Creating Icons...");
    const std::string out = scratch / "reg.txt";
    EXPECT_EQ(RegQuery(std::string("HKLM\\") + kUninstallKey, "DisplayName", out),
              std::optional<std::string>("TOLVA Mail Server"));
    EXPECT_FALSE(RegQuery(std::string("HKLM\\") + kProductKey, "InstallDir", out));
    for (const ServerIdentity& server : Servers) EXPECT_FALSE(QueryConfig(server.serviceName)) << server.serviceName;
    ExpectLinks(kDefaultFolder);
    EXPECT_TRUE(fs::is_directory(installTemp));
}

// Cancel during the copy, answered Yes: the program ends at the next step,
// and what was done stays.
TEST_F(SetupFixture, CancelDuringTheCopyEndsItBetweenTwoFiles)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::optional<robot::MessageBoxInfo> question;
    const SetupRun run = Install([&] {
        // The program holds still: the button's caption is read once it answers again.
        ASSERT_TRUE(robot::ClickButton(main_, "&Cancel", kTimeout));
        question = robot::WaitForMessageBox({.processId = setup_.Id(), .caption = "Exit Setup"}, kTimeout);
        if (question) robot::Answer(*question, IDYES);
    });
    ASSERT_TRUE(question) << "no cancel question";
    EXPECT_EQ(question->text, "Do you wish to cancel this installation?");
    EXPECT_FALSE(run.finalBox) << run.finalBox->text;
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));

    // Every file whose copy was shown is there, the next one is not.
    const std::vector<std::string> progress = run.Progress();
    const std::vector<PlannedCopy> plan = PlannedCopies(kDefaultFolder, false);
    std::size_t shown = 0;
    while (shown < plan.size() && std::find(progress.begin(), progress.end(), CopyText(plan[shown])) != progress.end())
        ++shown;
    ASSERT_GE(shown, 2u);
    ASSERT_LT(shown, plan.size());
    EXPECT_EQ(progress.back(), CopyText(plan[shown - 1]));
    for (std::size_t i = 0; i < shown; ++i) EXPECT_TRUE(fs::exists(plan[i].folder + plan[i].name)) << plan[i].name;
    EXPECT_FALSE(fs::exists(plan[shown].folder + plan[shown].name)) << plan[shown].name;
    EXPECT_TRUE(fs::is_directory(installTemp));
    EXPECT_FALSE(RegQuery(std::string("HKLM\\") + kUninstallKey, "DisplayName", scratch / "reg.txt"));
}

TEST_F(SetupFixture, InstallClickedAgainDuringTheInstallationDoesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const SetupRun run = Install([&] { EXPECT_TRUE(robot::ClickButton(main_, "&Install", kTimeout)); });
    ExpectComplete(run);
    EXPECT_EQ(PicturesInNameOrder(run.TextsOf(kStatusBarClass)), ExpectedProgress(kDefaultFolder, Family::NT, false));
}

namespace {

// Whether the main window still waits: Install asks its question again.
void ExpectInstallAsksAgain(const robot::Process& setup, HWND main)
{
    ASSERT_TRUE(robot::ClickButton(main, "&Install", kTimeout));
    const auto again = robot::WaitForMessageBox(setup.Id(), kTimeout);
    ASSERT_TRUE(again) << "Install does nothing";
    EXPECT_EQ(again->text, kAgreement);
    robot::Answer(*again, IDNO);
}

void CancelSetup(robot::Process& setup, HWND main)
{
    ASSERT_TRUE(robot::ClickButton(main, "&Cancel", kTimeout));
    const auto question = robot::WaitForMessageBox({.processId = setup.Id(), .caption = "Exit Setup"}, kTimeout);
    ASSERT_TRUE(question);
    robot::Answer(*question, IDYES);
    EXPECT_EQ(setup.WaitForExit(kTimeout), std::optional<DWORD>(0));
}

} // namespace

TEST_F(SetupFixture, NoToTheAgreementChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(robot::ClickButton(main_, "&Install", kTimeout));
    const auto agreement = robot::WaitForMessageBox(setup_.Id(), kTimeout);
    ASSERT_TRUE(agreement);
    EXPECT_EQ(agreement->text, kAgreement);
    ASSERT_TRUE(robot::Answer(*agreement, IDNO));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(robot::WaitForWindow({.processId = setup_.Id(), .className = "TRunForm"}, 0))
        << "the progress window shows";
    EXPECT_FALSE(fs::exists(installTemp));
    EXPECT_FALSE(fs::exists(kDefaultFolder));
    ExpectInstallAsksAgain(setup_, main_);
    CancelSetup(setup_, main_);
}

TEST_F(SetupFixture, AnEmptyDestinationIsRefusedWithAMessage)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Choose(""));
    ASSERT_TRUE(robot::ClickButton(main_, "&Install", kTimeout));
    const auto refusal = robot::WaitForMessageBox(setup_.Id(), kTimeout);
    ASSERT_TRUE(refusal) << "no message";
    EXPECT_NE(refusal->text.find("destination folder"), std::string::npos) << refusal->text;
    EXPECT_NE(refusal->icon, robot::BoxIcon::Question);
    ASSERT_TRUE(robot::Answer(*refusal, IDOK));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(fs::exists(installTemp));
    CancelSetup(setup_, main_);
}
