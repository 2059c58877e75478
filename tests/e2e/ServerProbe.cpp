// Runs the server steps of an installation inside the setup windows, so that
// a test can watch them from outside: server_probe ACTION TARGETDIR, where
// ACTION is "sequence" (the stop step twice, then the registration and start,
// as an installation runs them), "stop" (the stop step twice) or "state"
// (what GetServerState answers for each kind). Every progress text the main
// window's status bar receives is printed as a line "progress: TEXT".
#include "../win/SetupWindows.h"
#include "servers/ServerControl.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

using classlib::App;

namespace {

WNDPROC statusBarProc = nullptr;

LRESULT CALLBACK LogStatusText(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == SB_SETTEXTA && LOBYTE(LOWORD(wParam)) == 0 && lParam) {
        std::printf("progress: %s\n", reinterpret_cast<const char*>(lParam));
        std::fflush(stdout);
    }
    return CallWindowProcA(statusBarProc, hwnd, msg, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string action = argc == 3 ? argv[1] : "";
    if (action != "sequence" && action != "stop" && action != "state") {
        std::fprintf(stderr, "usage: server_probe sequence|stop|state TARGETDIR\n");
        return 2;
    }
    if (!wintest::StartSetupWindows()) return 3;
    App().ProcessMessages();
    TargetDir = argv[2];
    HWND bar = MainForm->StatusBar->Handle();
    statusBarProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LogStatusText)));

    if (action == "state") {
        for (const ServerIdentity& server : Servers) {
            DWORD state = 0xDEAD;
            const bool found = GetServerState(server.kind, state);
            std::printf("%s %s %lu\n", server.serviceName, found ? "true" : "false", state);
        }
        return 0;
    }
    StopRunningServers();
    StopRunningServers();
    if (action == "sequence") InstallServices();
    std::printf("done\n");
    return 0;
}
