#include "servers/ServerControl.h"

#include "app/Main.h"
#include "app/RunInstFormUnit.h"
#include "classlib/Dialogs.h"
#include "payload/Payload.h"
#include "payload/RecordWalk.h"

#include <shellapi.h>

#include <utility>

namespace {

// Access rights as the service operations ask for them.
constexpr DWORD kManagerAllAccess = SC_MANAGER_ALL_ACCESS;  // 0xF003F
constexpr DWORD kManagerConnect = SC_MANAGER_CONNECT;       // 1

// An open handle of the service control manager or of a service; closed when
// it goes, a service's before its manager's when declared in that order.
class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ServiceHandle(ServiceHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    ~ServiceHandle()
    {
        if (handle_) CloseServiceHandle(handle_);
    }

    explicit operator bool() const { return handle_ != nullptr; }
    SC_HANDLE Get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

ServiceHandle OpenManager(DWORD access)
{
    return ServiceHandle(OpenSCManagerA(nullptr, nullptr, access));
}

ServiceHandle OpenManagerOrReport()
{
    ServiceHandle manager = OpenManager(kManagerAllAccess);
    if (!manager) ReportServiceError();
    return manager;
}

ServiceHandle OpenServer(const ServiceHandle& manager, const char* name, DWORD access)
{
    return ServiceHandle(OpenServiceA(manager.Get(), name, access));
}

const ServerIdentity& Identity(TServerKind kind)
{
    return Servers[kind];
}

HWND FindServerWindow(TServerKind kind)
{
    return FindWindowA(Identity(kind).windowClass, Identity(kind).windowCaption);
}

void StopServerService(TServerKind kind)
{
    const ServiceHandle manager = OpenManagerOrReport();
    const ServiceHandle service = OpenServer(manager, Identity(kind).serviceName, SERVICE_STOP);
    if (!service) return;  // not installed
    SERVICE_STATUS status;
    if (!ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) ReportServiceError();
}

void StartServerService(TServerKind kind)
{
    const ServiceHandle manager = OpenManagerOrReport();
    const ServiceHandle service = OpenServer(manager, Identity(kind).serviceName, SERVICE_START);
    if (!service) ReportServiceError();
    if (!StartServiceA(service.Get(), 0, nullptr)) ReportServiceError();
}

void StartProgram(TServerKind kind)
{
    const char* exe = Identity(kind).exeName;
    std::string path = TargetDir + exe;
    if (path.size() > payload::MaxPathLength) path.resize(payload::MaxPathLength);
    if (FileExists(path)) ShellRun(nullptr, "", exe, "", TargetDir, SW_SHOW);
}

} // namespace

bool IsWindowsNT()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148: the ANSI record
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

HINSTANCE ShellRun(HWND window, const std::string& operation, const std::string& fileName,
                   const std::string& parameters, const std::string& directory, int showCommand)
{
    return ShellExecuteA(window, operation.empty() ? nullptr : operation.c_str(), fileName.c_str(),
                         parameters.c_str(), directory.c_str(), showCommand);
}

void ControlServer(TServerKind kind, bool start)
{
    if (IsWindowsNT()) {
        start ? StartServerService(kind) : StopServerService(kind);
    } else if (start) {
        StartProgram(kind);
    } else if (HWND window = FindServerWindow(kind)) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

bool GetServerState(TServerKind kind, DWORD& state)
{
    if (!IsWindowsNT()) return FindServerWindow(kind) != nullptr;
    const ServiceHandle manager = OpenManager(kManagerConnect);
    if (!manager) return false;
    const ServiceHandle service = OpenServer(manager, Identity(kind).serviceName, SERVICE_QUERY_STATUS);
    if (!service) return false;
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service.Get(), &status)) return false;
    state = status.dwCurrentState;
    return true;
}

void RegisterServerService(bool install)
{
    const ServiceHandle manager = OpenManagerOrReport();
    if (install) {
        // In quotes: unquoted, a folder with blanks (C:\Program Files\...) lets
        // the system start C:\Program.exe in the service's place.
        const std::string binaryPath = "\"" + TargetDir + ServiceExeName + "\"";
        const ServiceHandle service(CreateServiceA(manager.Get(), ServiceName.c_str(), ServiceDisplayName.c_str(),
                                                   SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                                   SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr,
                                                   nullptr, nullptr, nullptr));
        if (!service) ReportServiceError();
    } else {
        const ServiceHandle service = OpenServer(manager, ServiceName.c_str(), SERVICE_ALL_ACCESS);
        if (!service) return;  // not installed
        if (!DeleteService(service.Get())) ReportServiceError();
    }
}

void StopRunningServers()
{
    MainForm->ShowProgress("Checking For Running Services...");
    for (const ServerIdentity& server : Servers) {
        DWORD state = 0;
        if (GetServerState(server.kind, state) && (!IsWindowsNT() || state == ServiceRunning))
            ControlServer(server.kind, false);
    }
    // A plain wait: the stop requests do not wait for the services to stop.
    Sleep(500);
    if (!IsWindowsNT()) return;
    for (const ServerIdentity& server : Servers) {
        DWORD state = 0;
        if (GetServerState(server.kind, state) && state == ServiceStopped) {
            ServiceName = server.serviceName;
            RegisterServerService(false);
        }
    }
}

void InstallServices()
{
    if (IsWindowsNT()) {
        MainForm->ShowProgress("Installing Services...");
        for (const ServerIdentity& server : Servers) {
            ServiceExeName = server.exeName;
            ServiceName = server.serviceName;
            ServiceDisplayName = server.displayName;
            RegisterServerService(true);
        }
    }
    MainForm->ShowProgress("Starting Services...");
    for (const ServerIdentity& server : Servers) ControlServer(server.kind, true);
    MainForm->ShowProgress("Installation Complete");
    RunForm->AllowClose = true;
    RunForm->Close();
}

void ReportServiceError()
{
    ReportFailure("Service error: " + classlib::SysErrorMessage(GetLastError()) + AdministratorHint);
}
