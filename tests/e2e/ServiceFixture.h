// The services and stand-in servers as the end-to-end tests set them up,
// look at them and clear them away, through the service control manager.
#pragma once

#include "classlib/Dialogs.h"
#include "robot/Robot.h"
#include "servers/ServerControl.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace servicetest {

constexpr DWORD kServiceTimeout = 20000;
const std::string kAdminHint = "\r\nMake sure you have the administrator privileges to install this software.";
constexpr const char* kStandInKey = "Software\\TOLVA Stand-in\\";

inline void SetDword(HKEY root, const std::string& key, const char* name, DWORD value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(handle);
}

inline void SetText(HKEY root, const std::string& key, const char* name, const std::string& value)
{
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

// A stand-in's setting, read when it starts.
inline void SetStandIn(const ServerIdentity& server, const char* name, DWORD value)
{
    SetDword(HKEY_LOCAL_MACHINE, kStandInKey + std::string(server.serviceName), name, value);
}

struct ServiceConfig {
    DWORD type = 0, start = 0, errorControl = 0;
    std::string binaryPath, account, displayName;
};

inline std::optional<ServiceConfig> QueryConfig(const char* serviceName)
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

inline std::optional<DWORD> ServiceState(const char* serviceName)
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
inline std::optional<DWORD> AwaitServiceState(const char* serviceName, DWORD state)
{
    std::optional<DWORD> seen;
    for (DWORD start = GetTickCount(); GetTickCount() - start < kServiceTimeout; Sleep(50))
        if ((seen = ServiceState(serviceName)) == state) break;
    return seen;
}

// What the test itself does to the services: create, start, stop, delete.
inline void CreateStandInService(const ServerIdentity& server, const std::string& folder)
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

inline void StartStandInService(const ServerIdentity& server)
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
inline void RemoveService(const ServerIdentity& server)
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

inline void CloseStandInWindows(const ServerIdentity& server)
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


inline std::optional<robot::WindowInfo> AwaitServerWindow(const ServerIdentity& server)
{
    return robot::WaitForWindow({.className = server.windowClass, .caption = server.windowCaption}, kServiceTimeout);
}

} // namespace servicetest
