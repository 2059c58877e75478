// Stand-in for one of the mail server's three programs (SMTP, POP3, Control), so
// that the installer's handling of them can be tested and shown without the real
// servers. One source, built once per kind; STANDIN_KIND (Smtp, Pop3 or Control)
// names the kind, so a renamed copy still knows what it is.
//
// Started by the service control manager, it runs as an own-process service under
// its kind's service name. Started any other way (on the 9x family, which has no
// service control manager, always), it shows a top-level window of its kind's
// class and caption and ends on WM_CLOSE.
//
// Test settings, read once when the program starts, from
//   HKEY_LOCAL_MACHINE\Software\TOLVA Stand-in\<service name>
// A missing key or value means the behaviour of the real server.
//   RefuseStop     DWORD   1: the service never accepts the stop control, so
//                          ControlService(SERVICE_CONTROL_STOP) fails with
//                          ERROR_INVALID_SERVICE_CONTROL; only ending the process ends it.
//   StopPendingMs  DWORD   N: on stop, the service stays STOP_PENDING for N ms
//                          (with a wait hint) before it reports STOPPED.
//   IgnoreClose    DWORD   1: the window ignores the first WM_CLOSE.
// Whatever the settings, the user-defined control 200 stops the service at
// once (a test's clean-up; the installer never sends it).
//   LogFile        REG_SZ  a file to which one line per event is appended, written
//                          before the event can be seen from outside:
//                            <service name>: service started
//                            <service name>: service started, not accepting stop
//                            <service name>: stop requested
//                            <service name>: stopped
//                            <service name>: window shown in <current directory>
//                            <service name>: WM_CLOSE ignored
//                            <service name>: WM_CLOSE received
//                            <service name>: <call> failed: <error code>
// The key is read through the registry view of the program's own bitness, as the
// 32-bit installer sees it.
#ifndef STANDIN_KIND
#error "STANDIN_KIND names the kind of server: Smtp, Pop3 or Control"
#endif

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ServerKind {
    const char* serviceName;
    const char* displayName;
    const char* windowClass;
    const char* windowCaption;
};

enum class KindId { Smtp, Pop3, Control };

constexpr ServerKind serverKinds[] = {
    {"TOLVASMTP", "TOLVA SMTP Server", "TSMTPForm", "SMTP"},
    {"TOLVAPOP3", "TOLVA POP3 Server", "TPOP3Form", "POP3"},
    {"TOLVAControl", "TOLVA Control Server", "TControlForm", "Control"},
};

constexpr int thisKindIndex = static_cast<int>(KindId::STANDIN_KIND);
constexpr const ServerKind& thisKind = serverKinds[thisKindIndex];

constexpr const char* settingsKeyParent = "Software\\TOLVA Stand-in\\";

struct Settings {
    bool refuseStop = false;
    DWORD stopPendingMs = 0;
    bool ignoreClose = false;
    std::string logFile;
};

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey()
    {
        if (key_)
            RegCloseKey(key_);
    }

    // False, and no key held, when the key does not exist or cannot be read.
    bool open(HKEY parent, const std::string& path)
    {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
            return false;
        key_ = opened;
        return true;
    }

    DWORD dword(const char* name, DWORD fallback) const
    {
        DWORD value = 0;
        DWORD type = 0;
        DWORD size = sizeof(value);
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
            || type != REG_DWORD || size != sizeof(value))
            return fallback;
        return value;
    }

    std::string string(const char* name) const
    {
        char value[MAX_PATH + 1] = {};
        DWORD type = 0;
        DWORD size = MAX_PATH;  // one byte short of the buffer: a value stored without its NUL stays terminated
        if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS
            || type != REG_SZ)
            return {};
        return value;
    }

private:
    HKEY key_ = nullptr;
};

Settings readSettings()
{
    Settings settings;
    RegistryKey key;
    if (!key.open(HKEY_LOCAL_MACHINE, std::string(settingsKeyParent) + thisKind.serviceName))
        return settings;
    settings.refuseStop = key.dword("RefuseStop", 0) == 1;
    settings.stopPendingMs = key.dword("StopPendingMs", 0);
    settings.ignoreClose = key.dword("IgnoreClose", 0) == 1;
    settings.logFile = key.string("LogFile");
    return settings;
}

class EventLog {
public:
    explicit EventLog(std::string path = {}) : path_(std::move(path)) {}

    // Opened per line, so that a test can read the file while the program runs and
    // several stand-ins can share one file.
    void write(const std::string& event) const
    {
        if (path_.empty())
            return;
        HANDLE file = CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        const std::string line = std::string(thisKind.serviceName) + ": " + event + "\r\n";
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }

    void failure(const char* call, DWORD error) const
    {
        write(std::string(call) + " failed: " + std::to_string(error));
    }

private:
    std::string path_;
};

// ---- Service mode ----------------------------------------------------------

class ServiceStatusReporter {
public:
    ServiceStatusReporter() { InitializeCriticalSection(&lock_); }
    ServiceStatusReporter(const ServiceStatusReporter&) = delete;
    ServiceStatusReporter& operator=(const ServiceStatusReporter&) = delete;
    ~ServiceStatusReporter() { DeleteCriticalSection(&lock_); }

    void attach(SERVICE_STATUS_HANDLE handle) { handle_ = handle; }

    // The handler thread and the service thread both report; each report is one
    // consistent status with its own check point.
    void report(DWORD state, DWORD controlsAccepted, DWORD waitHintMs, DWORD exitCode = NO_ERROR)
    {
        EnterCriticalSection(&lock_);
        status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status_.dwCurrentState = state;
        status_.dwControlsAccepted = controlsAccepted;
        status_.dwWin32ExitCode = exitCode;
        status_.dwServiceSpecificExitCode = 0;
        const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
        status_.dwCheckPoint = pending ? status_.dwCheckPoint + 1 : 0;
        status_.dwWaitHint = pending ? waitHintMs : 0;
        SetServiceStatus(handle_, &status_);
        LeaveCriticalSection(&lock_);
    }

    void reportAgain()
    {
        EnterCriticalSection(&lock_);
        // After STOPPED the handle is no longer the service's to use.
        if (status_.dwCurrentState != SERVICE_STOPPED)
            SetServiceStatus(handle_, &status_);
        LeaveCriticalSection(&lock_);
    }

private:
    CRITICAL_SECTION lock_;
    SERVICE_STATUS_HANDLE handle_ = nullptr;
    SERVICE_STATUS status_ = {};
};

struct ServiceRun {
    Settings settings;
    EventLog log;
    ServiceStatusReporter status;
    HANDLE stopRequested = nullptr;
    std::atomic<bool> quitAtOnce = false;
};

// The dispatcher calls the service's entry point without a context, and the
// handler may still be called while that entry point returns: the one service of
// this process keeps its state for the life of the process.
ServiceRun serviceRun;

// Beyond the configured pending time, what the manager should allow for the step to STOPPED.
constexpr DWORD stopWaitHintMarginMs = 2000;
// How often a long STOP_PENDING shows progress through its check point.
constexpr DWORD stopProgressIntervalMs = 500;
constexpr DWORD startWaitHintMs = 3000;
// User-defined controls reach a service whatever controls it accepts.
constexpr DWORD quitControl = 200;

DWORD WINAPI serviceControlHandler(DWORD control, DWORD, LPVOID, LPVOID context)
{
    auto& run = *static_cast<ServiceRun*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
        run.log.write("stop requested");
        run.status.report(SERVICE_STOP_PENDING, 0, run.settings.stopPendingMs + stopWaitHintMarginMs);
        SetEvent(run.stopRequested);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        run.status.reportAgain();
        return NO_ERROR;
    case quitControl:
        run.log.write("quit requested");
        run.quitAtOnce = true;
        run.status.report(SERVICE_STOP_PENDING, 0, stopWaitHintMarginMs);
        SetEvent(run.stopRequested);
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void stayStopPending(ServiceRun& run)
{
    const DWORD pendingMs = run.settings.stopPendingMs;
    const DWORD begun = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - begun;
        if (elapsed >= pendingMs)
            return;
        const DWORD remaining = pendingMs - elapsed;
        Sleep(std::min(remaining, stopProgressIntervalMs));
        run.status.report(SERVICE_STOP_PENDING, 0, remaining + stopWaitHintMarginMs);
    }
}

void WINAPI serviceMain(DWORD, LPSTR*)
{
    ServiceRun& run = serviceRun;
    run.settings = readSettings();
    run.log = EventLog(run.settings.logFile);

    SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(thisKind.serviceName, serviceControlHandler, &run);
    if (!handle) {
        run.log.failure("RegisterServiceCtrlHandlerExA", GetLastError());
        // Without a status handle it can never report STOPPED, so the dispatcher would never return.
        ExitProcess(1);
    }
    run.status.attach(handle);
    run.status.report(SERVICE_START_PENDING, 0, startWaitHintMs);

    run.stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!run.stopRequested) {
        const DWORD error = GetLastError();
        run.log.failure("CreateEventA", error);
        run.status.report(SERVICE_STOPPED, 0, 0, error);
        return;
    }

    run.log.write(run.settings.refuseStop ? "service started, not accepting stop" : "service started");
    run.status.report(SERVICE_RUNNING, run.settings.refuseStop ? 0 : SERVICE_ACCEPT_STOP, 0);

    WaitForSingleObject(run.stopRequested, INFINITE);
    if (!run.quitAtOnce) stayStopPending(run);
    run.log.write("stopped");
    run.status.report(SERVICE_STOPPED, 0, 0);
}

// ---- Window mode -----------------------------------------------------------

constexpr int windowWidth = 240;
constexpr int windowHeight = 120;
constexpr int textMargin = 8;
// Each kind in its own place, so that the three can be seen side by side.
constexpr int windowGap = 8;
constexpr int windowLeft = windowGap + thisKindIndex * (windowWidth + windowGap);
constexpr int windowTop = windowGap;

std::string folderOfThisProgram()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, std::min<DWORD>(length, MAX_PATH));
    const auto lastSeparator = folder.find_last_of("\\/");
    return lastSeparator == std::string::npos ? folder : folder.substr(0, lastSeparator);
}

std::string currentDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length < MAX_PATH ? std::string(path, length) : std::string();
}

class StandInWindow {
public:
    StandInWindow(const Settings& settings, const EventLog& log)
        : log_(log),
          text_(std::string("Stand-in for the ") + thisKind.displayName + ", in\r\n" + folderOfThisProgram()),
          closesToIgnore_(settings.ignoreClose ? 1 : 0)
    {
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(window, message, wParam, lParam);
        switch (message) {
        case WM_PAINT:
            self->paint(window);
            return 0;
        case WM_CLOSE:
            self->close(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    }

private:
    void paint(HWND window) const
    {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        InflateRect(&area, -textMargin, -textMargin);
        HGDIOBJ previousFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &area, DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, previousFont);
        EndPaint(window, &paint);
    }

    void close(HWND window)
    {
        if (closesToIgnore_ > 0) {
            --closesToIgnore_;
            log_.write("WM_CLOSE ignored");
            return;
        }
        log_.write("WM_CLOSE received");
        DestroyWindow(window);
    }

    const EventLog& log_;
    std::string text_;
    int closesToIgnore_;
};

int runWindow(HINSTANCE instance, int showCommand)
{
    const Settings settings = readSettings();
    const EventLog log(settings.logFile);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandInWindow::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = thisKind.windowClass;
    if (!RegisterClassA(&windowClass)) {
        log.failure("RegisterClassA", GetLastError());
        return 1;
    }

    StandInWindow standIn(settings, log);
    // Logged first: a test that finds the window finds the line too.
    log.write("window shown in " + currentDirectory());
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND window = CreateWindowExA(0, thisKind.windowClass, thisKind.windowCaption, style, windowLeft, windowTop,
                                  windowWidth, windowHeight, nullptr, nullptr, instance, &standIn);
    if (!window) {
        log.failure("CreateWindowExA", GetLastError());
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// Asked before the dispatcher because Wine's, in a process that the manager did
// not start, waits ten seconds before it fails whenever the service that the
// manager started last still runs. Where it cannot tell, it says yes and the
// dispatcher decides.
bool startedByServiceManager()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return true;
    std::vector<PROCESSENTRY32> processes;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);

    const auto byId = [&](DWORD id) {
        return std::find_if(processes.begin(), processes.end(),
                            [id](const PROCESSENTRY32& process) { return process.th32ProcessID == id; });
    };
    const auto self = byId(GetCurrentProcessId());
    if (self == processes.end())
        return true;
    const auto parent = byId(self->th32ParentProcessID);
    return parent != processes.end() && lstrcmpiA(parent->szExeFile, "services.exe") == 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    if (!startedByServiceManager())
        return runWindow(instance, showCommand);

    // The dispatcher only reads the name.
    SERVICE_TABLE_ENTRYA services[] = {
        {const_cast<char*>(thisKind.serviceName), serviceMain},
        {nullptr, nullptr},
    };
    if (StartServiceCtrlDispatcherA(services))
        return 0;
    const DWORD error = GetLastError();
    // Not started by a service control manager, or on Windows 9x, which has none.
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT || error == ERROR_CALL_NOT_IMPLEMENTED)
        return runWindow(instance, showCommand);
    EventLog(readSettings().logFile).failure("StartServiceCtrlDispatcherA", error);
    return 1;
}
