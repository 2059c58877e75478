// UI robot: drives a Win32 program from outside, the way a person would,
// for the end-to-end tests and the run script. Everything that waits takes a
// time-out in milliseconds and gives up with an empty result when it passes.
#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace robot {

// --- Starting a program ----------------------------------------------------

// Sets a variable, or removes it when `value` is empty. Names compare
// case-insensitively, as Windows compares them.
struct EnvChange {
    std::string name;
    std::optional<std::string> value;
};

struct StartOptions {
    std::vector<std::string> args;      // argv[1..], quoted by the robot
    std::string workingDir;             // empty: the robot's own
    std::vector<EnvChange> env;         // applied to the robot's own environment
    std::string outputFile;             // empty: none; else stdout and stderr go here
};

// One argument quoted so that the Microsoft C runtime (and CommandLineToArgvW)
// gives it back unchanged.
std::string QuoteArgument(const std::string& arg);
// The program in quotes followed by the quoted arguments.
std::string BuildCommandLine(const std::string& exe, const std::vector<std::string>& args);

// A started program. Move-only; the destructor kills it if it still runs.
class Process {
public:
    Process() = default;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Throws std::runtime_error (with the Windows error text) when CreateProcess fails.
    static Process Start(const std::string& exe, const StartOptions& options = {});

    DWORD Id() const { return id_; }
    HANDLE Handle() const { return handle_; }
    bool IsRunning() const;
    // The exit code, or empty if the program still runs after `timeoutMs`.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    // Terminates the program (exit code 1) and waits briefly for it to go.
    void Kill();

private:
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

// --- Windows -----------------------------------------------------------------

struct WindowInfo {
    HWND hwnd = nullptr;
    DWORD processId = 0;
    std::string className;
    std::string caption;
    bool visible = false;
    RECT rect{};            // screen coordinates
};

using WindowPredicate = std::function<bool(const WindowInfo&)>;

// What a top-level window must be; an empty or zero field matches anything.
struct WindowQuery {
    DWORD processId = 0;
    std::string processName;    // executable file name, e.g. "setup.exe"; case-insensitive
    std::string className;
    std::string caption;
    bool visibleOnly = true;
};

// Top-level windows of one process (0: of every process), in Z order.
std::vector<WindowInfo> TopLevelWindows(DWORD processId = 0);
// Visible top-level windows of the process that are not message boxes.
std::vector<WindowInfo> VisibleWindows(DWORD processId);

std::optional<WindowInfo> WaitForWindow(DWORD processId, const WindowPredicate& accept, DWORD timeoutMs);
std::optional<WindowInfo> WaitForWindow(const WindowQuery& query, DWORD timeoutMs);

// The window's text by WM_GETTEXT; empty if it does not answer within `timeoutMs`.
std::optional<std::string> ReadText(HWND hwnd, DWORD timeoutMs = 1000);
// The first part of a status bar: `hwnd` is the status bar or any window above one.
std::optional<std::string> ReadStatusText(HWND hwnd);

// The first window below `parent` (at any depth) of that class and exact
// caption; an empty argument matches anything. nullptr if there is none.
HWND FindChild(HWND parent, const std::string& className, const std::string& caption = {});

// Captions compared as a person reads them: "&Install" and "Install" are the same label.
bool SameLabel(const std::string& a, const std::string& b);

// Waits for a visible, enabled button below `parent` whose label is `caption`
// and posts BM_CLICK to it (posted, so a modal handler in the target cannot
// block the robot). False if no such button turns up in time.
bool ClickButton(HWND parent, const std::string& caption, DWORD timeoutMs = 2000);

// --- Message boxes -----------------------------------------------------------

enum class BoxIcon { None, Question, Exclamation, Error, Information, Unknown };

struct BoxButton {
    int id = 0;                 // IDOK, IDYES, ...
    std::string caption;
};

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    DWORD processId = 0;
    std::string caption;
    std::string text;
    std::vector<BoxButton> buttons;     // the visible ones, in window order
    BoxIcon icon = BoxIcon::Unknown;    // Unknown when the icon is there but cannot be told

    bool HasButton(int id) const;
};

// Whether a window is a message box: a dialog holding only static texts and
// buttons whose ids are command ids (IDOK .. IDCONTINUE).
bool IsMessageBox(HWND hwnd);
// Reads a message box; empty if `hwnd` is not one (any more).
std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd);

// Waits for a visible message box matching the query (its className is ignored).
std::optional<MessageBoxInfo> WaitForMessageBox(const WindowQuery& query, DWORD timeoutMs);
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs);

// Clicks the button `buttonId` of the box and waits until the box is gone.
// False if the box has no such button or is still there after `timeoutMs`.
bool Answer(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs = 5000);

// For tests that show a message box in their own process: a background thread
// waits for a message box of this process, answers it with `buttonId` and
// delivers what it saw (empty on time-out or when the button is missing).
// The future's destructor joins the thread, so it is bounded by `timeoutMs`.
std::future<std::optional<MessageBoxInfo>> AnswerOwnMessageBoxAsync(int buttonId, DWORD timeoutMs = 10000);

// --- Processes by name -------------------------------------------------------

// The executable file name of a process ("setup.exe"), empty if it cannot be read.
std::string ProcessName(DWORD processId);

// --- Recording texts --------------------------------------------------------

// The clock of RecordedText::ms: milliseconds of the performance counter, the
// same in every process of the machine.
double NowMs();

struct RecordedText {
    double ms = 0;              // NowMs() when the window had taken the text
    std::string className;
    std::string text;           // in the ANSI code page
};

// Records every text that the windows of one thread are given, in order: a hook
// DLL (texthook.dll, beside the running program or where the build put it) that
// the system loads into that thread appends WM_SETTEXT to any window and
// SB_SETTEXT of a status bar's first part to a log file. Move-only; the
// destructor unhooks.
class TextRecorder {
public:
    // Holds the thread once: when a window of `className` is about to get a new
    // text while its current one begins with `prefix`, the hook writes "pause"
    // to the log and waits `ms` in that thread, so the screen keeps showing it.
    struct Pause {
        std::string className;
        std::string prefix;
        DWORD ms = 0;
    };

    TextRecorder(TextRecorder&& other) noexcept;
    TextRecorder& operator=(TextRecorder&& other) noexcept;
    TextRecorder(const TextRecorder&) = delete;
    TextRecorder& operator=(const TextRecorder&) = delete;
    ~TextRecorder();

    // Hooks the thread (it must have a window and answer a sent message within
    // a few seconds) and starts `logFile` afresh; returns once the hook runs in
    // the thread. Throws std::runtime_error with the system's text if it cannot.
    static TextRecorder Attach(DWORD threadId, const std::string& logFile, const std::optional<Pause>& pause = {});

    // Everything recorded so far, in order.
    std::vector<RecordedText> Texts() const;
    // The pause line has been written.
    bool Paused() const;

private:
    TextRecorder() = default;
    void Release();

    HMODULE dll_ = nullptr;
    HHOOK callHook_ = nullptr;
    HHOOK returnHook_ = nullptr;
    HANDLE mapping_ = nullptr;
    void* shared_ = nullptr;
    std::string logFile_;
};

// The Windows text of an error code ("File not found."), without the line break.
std::string ErrorText(DWORD error);

} // namespace robot
