// Server control against the real service control manager of Wine and, for
// the 9x family, Wine's per-program version switch, with the stand-in servers.
#include "ServiceFixture.h"
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
using namespace servicetest;

namespace {

constexpr DWORD kTimeout = 20000;
constexpr const char* kProbeDefaults = "Software\\Wine\\AppDefaults\\server_probe.exe";

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
