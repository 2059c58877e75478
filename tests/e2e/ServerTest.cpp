// Server control against the real service control manager of Wine and, for
// the 9x family, Wine's per-program version switch, with the stand-in servers.
#include "../win/PayloadFixture.h"
#include "classlib/Dialogs.h"
#include "robot/Robot.h"
#include "servers/ServerControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

using namespace payloadtest;

namespace {

constexpr DWORD kTimeout = 20000;
const std::string kAdminHint = "\r\nMake sure you have the administrator privileges to install this software.";
constexpr const char* kStandInKey = "Software\\TOLVA Stand-in\\";
constexpr const char* kProbeDefaults = "Software\\Wine\\AppDefaults\\server_probe.exe";

void SetDword(HKEY root, const std::string& key, const char* name, DWORD value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(handle);
}

void SetText(HKEY root, const std::string& key, const char* name, const std::string& value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

// A stand-in's setting, read when it starts.
void SetStandIn(const ServerIdentity& server, const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, kStandInKey + std::string(server.serviceName), name, value);
}

struct ServiceConfig {
    DWORD type = 0, start = 0, errorControl = 0;
    std::string binaryPath, account, displayName;
};

std::optional<ServiceConfig> QueryConfig(const char* serviceName)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_QUERY_CONFIG);
    std::optional<ServiceConfig> result;
    if (service) {
        alignas(QUERY_SERVICE_CONFIGA) char buffer[8192];
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
        DWORD needed = 0;
        if (QueryServiceConfigA(service, config, sizeof buffer, &needed))
            result = ServiceConfig{config->dwServiceType,   config->dwStartType,
                                   config->dwErrorControl,  config->lpBinaryPathName,
                                   config->lpServiceStartName ? config->lpServiceStartName : "",
                                   config->lpDisplayName ? config->lpDisplayName : ""};
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

std::optional<DWORD> ServiceState(const char* serviceName)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_QUERY_STATUS);
    std::optional<DWORD> state;
    SERVICE_STATUS status;
    if (service && QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return state;
}

// Waits until the service is in `state`; answers the last state seen.
std::optional<DWORD> AwaitServiceState(const char* serviceName, DWORD state)
{
    std::optional<DWORD> seen;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kTimeout; Sleep(50))
        if ((seen = ServiceState(serviceName)) == state) break;
    return seen;
}

// What the test itself does to the services: create, start, stop, delete.
void CreateStandInService(const ServerIdentity& server, const std::string& folder)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const std::string path = "\"" + folder + server.exeName + "\"";
    SC_HANDLE service = CreateServiceA(manager, server.serviceName, server.displayName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(service, nullptr) << server.serviceName << ": " << classlib::SysErrorMessage(GetLastError());
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void StartStandInService(const ServerIdentity& server)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, server.serviceName, SERVICE_START);
    EXPECT_TRUE(service && StartServiceA(service, 0, nullptr))
        << server.serviceName << ": " << classlib::SysErrorMessage(GetLastError());
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_EQ(AwaitServiceState(server.serviceName, SERVICE_RUNNING), std::optional<DWORD>(SERVICE_RUNNING));
}

// Stops and deletes the service whatever its settings, so that the next test
// starts afresh. The stand-in stops at once on its clean-up control; one that
// is stopping already is waited for. (Wine keeps a killed service running.)
void RemoveService(const ServerIdentity& server)
{
    constexpr DWORD kStandInQuitControl = 200;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kStandInKey + std::string(server.serviceName)).c_str());
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, server.serviceName, SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
            ControlService(service, kStandInQuitControl, &status);
            EXPECT_EQ(AwaitServiceState(server.serviceName, SERVICE_STOPPED), std::optional<DWORD>(SERVICE_STOPPED))
                << server.serviceName << " does not stop";
        }
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

// The outcome of one probe run.
struct ProbeRun {
    std::optional<DWORD> exitCode;
    std::vector<std::string> output;
    std::optional<robot::MessageBoxInfo> report;

    std::vector<std::string> Progress() const
    {
        std::vector<std::string> texts;
        for (const std::string& line : output)
            if (line.rfind("progress: ", 0) == 0) texts.push_back(line.substr(10));
        return texts;
    }
};

class ServerSteps : public ::testing::Test {
protected:
    ScratchFolder scratch{"Tolva Mail "};   // a folder with blanks, as below C:\Program Files
    std::string folder = scratch / "Servers\\";

    void SetUp() override
    {
        for (const ServerIdentity& server : Servers) RemoveService(server);
        fs::create_directories(folder);
        for (const ServerIdentity& server : Servers)
            fs::copy_file(fs::path(STANDIN_DIR) / server.exeName, folder + server.exeName);
    }

    void TearDown() override
    {
        for (const ServerIdentity& server : Servers) RemoveService(server);
        for (const ServerIdentity& server : Servers) CloseStandInWindows(server);
        RegDeleteKeyA(HKEY_CURRENT_USER, kProbeDefaults);
    }

    static void CloseStandInWindows(const ServerIdentity& server)
    {
        while (HWND window = FindWindowA(server.windowClass, server.windowCaption)) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
            if (!process) break;
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }

    // Runs the probe; an error report, if one comes, is read and answered.
    ProbeRun Run(const std::string& action, const std::string& target)
    {
        const std::string output = scratch / ("probe-" + std::to_string(++runs_) + ".txt");
        robot::Process probe =
            robot::Process::Start(SERVER_PROBE_EXE, {.args = {action, target}, .outputFile = output});
        ProbeRun run;
        run.report = robot::WaitForMessageBox({.processId = probe.Id(), .caption = "Error"}, 0);
        for (DWORD start = GetTickCount(); !run.report && probe.IsRunning() && GetTickCount() - start < kTimeout;
             Sleep(50))
            run.report = robot::WaitForMessageBox({.processId = probe.Id(), .caption = "Error"}, 0);
        if (run.report) robot::Answer(*run.report, IDOK);
        run.exitCode = probe.WaitForExit(kTimeout);
        run.output = FileLines(output);
        return run;
    }

    // The probe on the 9x family: Wine reports platform 1 to it alone.
    void As9xFamily() { SetText(HKEY_CURRENT_USER, kProbeDefaults, "Version", "win98"); }

private:
    int runs_ = 0;
};

const std::vector<std::string> kNtProgress = {
    "Checking For Running Services...", "Checking For Running Services...", "Installing Services...",
    "Starting Services...", "Installation Complete"};

void ExpectInstalledAndRunning(const std::string& folder)
{
    for (const ServerIdentity& server : Servers) {
        SCOPED_TRACE(server.serviceName);
        const auto config = QueryConfig(server.serviceName);
        ASSERT_TRUE(config.has_value()) << "not installed";
        EXPECT_EQ(config->type & ~SERVICE_INTERACTIVE_PROCESS, DWORD(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->start, DWORD(SERVICE_AUTO_START));
        EXPECT_EQ(config->errorControl, DWORD(SERVICE_ERROR_NORMAL));
        EXPECT_EQ(config->binaryPath, "\"" + folder + server.exeName + "\"");
        EXPECT_EQ(config->account, "LocalSystem");
        EXPECT_EQ(config->displayName, server.displayName);
        EXPECT_EQ(AwaitServiceState(server.serviceName, SERVICE_RUNNING), std::optional<DWORD>(SERVICE_RUNNING));
    }
}

} // namespace

TEST_F(ServerSteps, FirstInstallationCreatesAndStartsTheThreeServices)
{
    const ProbeRun run = Run("sequence", folder);
    EXPECT_FALSE(run.report) << run.report->text;
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.Progress(), kNtProgress);
    ExpectInstalledAndRunning(folder);
}

TEST_F(ServerSteps, TheBinaryPathIsQuotedAlsoWithoutBlanks)
{
    ScratchFolder plain("plain");
    for (const ServerIdentity& server : Servers)
        fs::copy_file(fs::path(STANDIN_DIR) / server.exeName, plain / server.exeName);
    const ProbeRun run = Run("sequence", plain.Path());
    EXPECT_FALSE(run.report) << run.report->text;
    ExpectInstalledAndRunning(plain.Path());
    for (const ServerIdentity& server : Servers) RemoveService(server);
}

// Over running services and over stopped ones: each is stopped, deleted,
// created again with the new folder and started.
TEST_F(ServerSteps, AReinstallationMovesTheServicesToTheNewFolder)
{
    const std::string old = scratch / "Old\\";
    fs::create_directories(old);
    for (const ServerIdentity& server : Servers) {
        fs::copy_file(fs::path(STANDIN_DIR) / server.exeName, old + server.exeName);
        CreateStandInService(server, old);
    }
    StartStandInService(Servers[skSMTP]);
    StartStandInService(Servers[skControl]);  // POP3 stays stopped

    const ProbeRun run = Run("sequence", folder);
    EXPECT_FALSE(run.report) << run.report->text;
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    ExpectInstalledAndRunning(folder);
}

TEST_F(ServerSteps, AServiceThatRefusesToStopEndsTheStepWithTheServiceError)
{
    CreateStandInService(Servers[skPOP3], folder);
    SetStandIn(Servers[skPOP3], "RefuseStop", 1);
    StartStandInService(Servers[skPOP3]);

    const ProbeRun run = Run("sequence", folder);
    ASSERT_TRUE(run.report) << "no error report";
    EXPECT_EQ(run.report->icon, robot::BoxIcon::Error);
    EXPECT_TRUE(run.report->HasButton(IDOK) && run.report->buttons.size() == 1);
    EXPECT_EQ(run.report->text, "Service error: " + classlib::SysErrorMessage(ERROR_INVALID_SERVICE_CONTROL) + kAdminHint);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(ServiceState(Servers[skPOP3].serviceName), std::optional<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServerSteps, AServiceStillStoppingAfterBothWaitsStaysAndItsCreationFails)
{
    CreateStandInService(Servers[skSMTP], folder);
    SetStandIn(Servers[skSMTP], "StopPendingMs", 4000);
    StartStandInService(Servers[skSMTP]);

    const ProbeRun run = Run("sequence", folder);
    ASSERT_TRUE(run.report) << "no error report";
    EXPECT_EQ(run.report->text, "Service error: " + classlib::SysErrorMessage(ERROR_SERVICE_EXISTS) + kAdminHint);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    const auto config = QueryConfig(Servers[skSMTP].serviceName);
    ASSERT_TRUE(config.has_value()) << "the stopping service was deleted";
    EXPECT_EQ(config->start, DWORD(SERVICE_DEMAND_START)) << "the stopping service was created anew";
}

TEST_F(ServerSteps, StateOfAMissingServiceIsFalseAndReportsNothing)
{
    CreateStandInService(Servers[skControl], folder);
    const ProbeRun run = Run("state", folder);
    EXPECT_FALSE(run.report);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.output, (std::vector<std::string>{"TOLVASMTP false 57005", "TOLVAPOP3 false 57005",
                                                    "TOLVAControl true 1"}));
}

namespace {

// A window with a server's caption and another class, in a thread of its own
// that answers messages; it notes a WM_CLOSE instead of closing.
class DecoyWindow {
public:
    explicit DecoyWindow(const char* caption)
    {
        thread_ = std::thread([this, caption] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = &DecoyWindow::Proc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "TDecoyForm";
            RegisterClassA(&windowClass);
            hwnd_ = CreateWindowExA(0, "TDecoyForm", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            threadId_ = GetCurrentThreadId();
            ready_ = true;
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        });
        while (!ready_) Sleep(10);
    }
    ~DecoyWindow()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    HWND Handle() const { return hwnd_; }
    static bool CloseReceived() { return closeReceived_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_CLOSE) {
            closeReceived_ = true;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    std::thread thread_;
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<bool> ready_ = false;
    static inline std::atomic<bool> closeReceived_ = false;
};

std::optional<robot::WindowInfo> AwaitServerWindow(const ServerIdentity& server)
{
    return robot::WaitForWindow({.className = server.windowClass, .caption = server.windowCaption}, kTimeout);
}

const std::vector<std::string> kStopProgress = {"Checking For Running Services...",
                                                "Checking For Running Services..."};

} // namespace

TEST_F(ServerSteps, On9xARunningServerIsFoundByClassAndCaptionTogetherAndClosed)
{
    As9xFamily();
    robot::Process smtp = robot::Process::Start(folder + "smtp.exe");
    ASSERT_TRUE(AwaitServerWindow(Servers[skSMTP])) << "the stand-in shows no window";
    DecoyWindow decoy("SMTP");  // made last, so it lies above the server's window

    const ProbeRun run = Run("stop", folder);
    EXPECT_FALSE(run.report) << run.report->text;
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.Progress(), kStopProgress);
    EXPECT_EQ(smtp.WaitForExit(kTimeout), std::optional<DWORD>(0)) << "the server was not closed";
    EXPECT_FALSE(DecoyWindow::CloseReceived()) << "a window of another class was taken for the server";
    EXPECT_TRUE(IsWindow(decoy.Handle()));
}

TEST_F(ServerSteps, On9xAServerStillThereAtTheSecondRunIsClosedAgain)
{
    As9xFamily();
    const std::string log = scratch / "control.log";
    SetStandIn(Servers[skControl], "IgnoreClose", 1);
    SetText(HKEY_LOCAL_MACHINE, kStandInKey + std::string(Servers[skControl].serviceName), "LogFile", log);
    robot::Process control = robot::Process::Start(folder + "control.exe");
    ASSERT_TRUE(AwaitServerWindow(Servers[skControl])) << "the stand-in shows no window";

    const ProbeRun run = Run("stop", folder);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(control.WaitForExit(kTimeout), std::optional<DWORD>(0)) << "the second close was not sent";
    const auto lines = FileLines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "TOLVAControl: WM_CLOSE ignored");
    EXPECT_EQ(lines[2], "TOLVAControl: WM_CLOSE received");
}

TEST_F(ServerSteps, On9xTheServersStartFromTheInstallationFolderAndAMissingOneIsPassedOver)
{
    As9xFamily();
    fs::remove(folder + "pop3.exe");
    const std::string log = scratch / "servers.log";
    for (const ServerIdentity& server : Servers)
        SetText(HKEY_LOCAL_MACHINE, kStandInKey + std::string(server.serviceName), "LogFile", log);

    const ProbeRun run = Run("sequence", folder);
    EXPECT_FALSE(run.report) << run.report->text;
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.Progress(), (std::vector<std::string>{"Checking For Running Services...",
                                                        "Checking For Running Services...", "Starting Services...",
                                                        "Installation Complete"}));
    EXPECT_TRUE(AwaitServerWindow(Servers[skSMTP]));
    EXPECT_TRUE(AwaitServerWindow(Servers[skControl]));
    EXPECT_FALSE(FindWindowA(Servers[skPOP3].windowClass, Servers[skPOP3].windowCaption));
    EXPECT_FALSE(QueryConfig(Servers[skSMTP].serviceName)) << "a service was registered on the 9x family";

    const std::string workingFolder = folder.substr(0, folder.size() - 1);
    auto lines = FileLines(log);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"TOLVAControl: window shown in " + workingFolder,
                                               "TOLVASMTP: window shown in " + workingFolder}));
}
