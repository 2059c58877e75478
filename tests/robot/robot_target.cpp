// A tiny GUI program for the robot's self-test to drive. The first argument
// says what it does:
//   box <caption> <text>   task-modal Yes/No question; exit code 100 + the button id
//   window <caption>       a window with a "&Press" button and a status bar; each
//                          press shows "Pressed <n>" in the status bar; closing
//                          the window exits with the number of presses; a "&Burst"
//                          button sets kBurstTexts texts in a row, each on a panel
//                          (class "TPanel") and in the status bar, without
//                          handling messages in between: "Step <n>" and
//                          "Status <n>", then kLastPanelText and kLastStatusText
//   echo                   writes its working folder, ROBOT_KEPT, ROBOT_ADDED,
//                          ROBOT_REMOVED and its arguments to stdout, each ended
//                          by a NUL; exit code 0
// Exit code 2: bad arguments.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kPressId = 100;
constexpr int kStatusId = 101;
constexpr int kBurstId = 102;
constexpr int kBurstTexts = 200;
// Tabs, line breaks and backslashes must survive the recorder's log. (A status
// bar shows a line break as a blank, and the recorder records what it shows.)
const char kLastPanelText[] = "Done:\tall\r\nsteps\\shown\n";
const char kLastStatusText[] = "Ready\\again";

struct MainWindow {
    HWND status = nullptr;
    HWND panel = nullptr;
    int presses = 0;
};

void ShowText(const MainWindow& self, const char* panelText, const char* statusText) {
    SetWindowTextA(self.panel, panelText);
    UpdateWindow(self.panel);
    SendMessageA(self.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(statusText));
    UpdateWindow(self.status);
}

void Burst(const MainWindow& self) {
    for (int i = 1; i <= kBurstTexts; ++i) {
        char panelText[32], statusText[32];
        wsprintfA(panelText, "Step %d", i);
        wsprintfA(statusText, "Status %d", i);
        ShowText(self, panelText, statusText);
    }
    ShowText(self, kLastPanelText, kLastStatusText);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        HINSTANCE instance = reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance;
        CreateWindowA("BUTTON", "&Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 100, 28, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPressId)), instance, nullptr);
        CreateWindowA("BUTTON", "&Burst", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 140, 20, 100, 28, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBurstId)), instance, nullptr);
        self->panel = CreateWindowA("TPanel", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 20, 60, 300, 40, hwnd, nullptr,
                                    instance, nullptr);
        self->status = CreateWindowA(STATUSCLASSNAMEA, "Ready", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance, nullptr);
        return 0;
    }
    case WM_SIZE:
        SendMessageA(self->status, WM_SIZE, 0, 0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kPressId && HIWORD(wParam) == BN_CLICKED) {
            const std::string text = "Pressed " + std::to_string(++self->presses);
            SendMessageA(self->status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (LOWORD(wParam) == kBurstId && HIWORD(wParam) == BN_CLICKED) Burst(*self);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(self->presses);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int ShowWindowMode(HINSTANCE instance, const char* caption) {
    InitCommonControls();
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "RobotTargetWindow";
    RegisterClassA(&wc);
    // A panel is a static text control under a class name of its own.
    WNDCLASSA panel{};
    GetClassInfoA(nullptr, "STATIC", &panel);
    panel.hInstance = instance;
    panel.lpszClassName = "TPanel";
    RegisterClassA(&panel);
    MainWindow self;
    HWND hwnd = CreateWindowA(wc.lpszClassName, caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                              nullptr, nullptr, instance, &self);
    if (!hwnd) return 2;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Put(HANDLE out, const std::string& field) {
    DWORD written = 0;
    WriteFile(out, field.c_str(), static_cast<DWORD>(field.size() + 1), &written, nullptr);
}

int Echo(int argc, char** argv) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    Put(out, folder);
    for (const char* name : {"ROBOT_KEPT", "ROBOT_ADDED", "ROBOT_REMOVED"}) {
        char value[256];
        const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        Put(out, std::string(name) + (length ? "=" + std::string(value, length) : " unset"));
    }
    for (int i = 2; i < argc; ++i) Put(out, argv[i]);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const int argc = __argc;
    char** argv = __argv;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "box" && argc == 4)
        return 100 + MessageBoxA(nullptr, argv[3], argv[2], MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
    if (mode == "window" && argc == 3) return ShowWindowMode(instance, argv[2]);
    if (mode == "echo") return Echo(argc, argv);
    return 2;
}
