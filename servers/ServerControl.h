// The three servers of the package on both Windows families: as services on
// the NT family, as programs with a main window on the 9x family.
#pragma once

#include <windows.h>

#include <array>
#include <string>

enum TServerKind { skSMTP = 0, skPOP3 = 1, skControl = 2 };

struct ServerIdentity {
    TServerKind kind;
    const char* serviceName;
    const char* displayName;
    const char* exeName;      // in the installation folder
    const char* windowClass;  // of the main window on the 9x family
    const char* windowCaption;
};

// Every kind, in the order every operation treats them.
inline constexpr std::array<ServerIdentity, 3> Servers = {{
    {skSMTP, "TOLVASMTP", "TOLVA SMTP Server", "smtp.exe", "TSMTPForm", "SMTP"},
    {skPOP3, "TOLVAPOP3", "TOLVA POP3 Server", "pop3.exe", "TPOP3Form", "POP3"},
    {skControl, "TOLVAControl", "TOLVA Control Server", "control.exe", "TControlForm", "Control"},
}};

// The service states that the installation tells apart.
inline constexpr DWORD ServiceStopped = SERVICE_STOPPED;
inline constexpr DWORD ServiceRunning = SERVICE_RUNNING;

// True when the system reports the NT platform; asked anew at every call.
bool IsWindowsNT();

// The shell's execute operation; an empty operation is the default verb.
HINSTANCE ShellRun(HWND window, const std::string& operation, const std::string& fileName,
                   const std::string& parameters, const std::string& directory, int showCommand);

// Starts or stops one server. On the NT family a refusal of the service
// control manager ends the process with the service error; stopping a service
// that is not installed does nothing.
void ControlServer(TServerKind kind, bool start);

// Whether the server is there: on the NT family, that its service is
// installed and `state` now holds its current state; on the 9x family, that
// its main window exists (`state` untouched). Reports nothing.
bool GetServerState(TServerKind kind, DWORD& state);

// Creates the service that ServiceExeName, ServiceName and ServiceDisplayName
// describe, or deletes the service ServiceName (not installed: nothing).
void RegisterServerService(bool install);

// Installation step: stops the servers that run and, on the NT family,
// deletes the services that are stopped.
void StopRunningServers();

// Installation step: registers the servers as services (NT family), starts
// them, and closes the progress window.
void InstallServices();

// Reports the service control manager's refusal and ends the process.
[[noreturn]] void ReportServiceError();
