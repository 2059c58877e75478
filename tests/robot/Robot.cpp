#include "robot/Robot.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <stdexcept>
#include <utility>

namespace robot {
namespace {

constexpr DWORD kPollMs = 25;
// How long one window may take to answer WM_GETTEXT while the robot polls.
constexpr DWORD kTextTimeoutMs = 500;
// How long a freshly shown message box gets to paint its icon.
constexpr DWORD kIconPaintMs = 500;

// Calls `attempt` every few milliseconds until it gives a truthy result or the
// time is up; the last (falsy) result is returned then.
template <class Attempt>
auto Poll(DWORD timeoutMs, Attempt attempt) -> decltype(attempt()) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        auto result = attempt();
        if (result || GetTickCount64() >= deadline) return result;
        Sleep(kPollMs);
    }
}

[[noreturn]] void ThrowWindowsError(const std::string& what) {
    const DWORD error = GetLastError();
    throw std::runtime_error(what + ": " + ErrorText(error));
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Names the robot compares (classes, variables, executables) are ASCII in practice.
char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Upper(x) < Upper(y); });
}

// "=C:=C:\dir" is a variable named "=C:": the first '=' belongs to the name.
std::string VariableName(const std::string& entry) {
    return entry.substr(0, entry.find('=', 1));
}

// The robot's own environment with the changes applied, as a CreateProcess block.
std::string BuildEnvironment(const std::vector<EnvChange>& changes) {
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) entries.emplace_back(entry);
        FreeEnvironmentStringsA(block);
    }
    for (const EnvChange& change : changes) {
        if (change.name.empty() || change.name.find('=') != std::string::npos)
            throw std::invalid_argument("bad environment variable name \"" + change.name + "\"");
        std::erase_if(entries, [&](const std::string& e) { return SameNoCase(VariableName(e), change.name); });
        if (change.value) entries.push_back(change.name + "=" + *change.value);
    }
    // Windows expects the block sorted by name, case-insensitively.
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        return LessNoCase(VariableName(a), VariableName(b));
    });
    std::string block;
    for (const std::string& e : entries) block.append(e).push_back('\0');
    if (entries.empty()) block.push_back('\0');
    block.push_back('\0');
    return block;
}

std::string ClassName(HWND hwnd) {
    char name[256] = {};
    const int length = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string TextOrEmpty(HWND hwnd) {
    return ReadText(hwnd, kTextTimeoutMs).value_or(std::string());
}

WindowInfo Describe(HWND hwnd, DWORD processId) {
    WindowInfo info;
    info.hwnd = hwnd;
    info.processId = processId;
    info.className = ClassName(hwnd);
    info.caption = TextOrEmpty(hwnd);
    info.visible = IsWindowVisible(hwnd) != FALSE;
    GetWindowRect(hwnd, &info.rect);
    return info;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelHandles() {
    std::vector<HWND> handles;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&handles));
    return handles;
}

// Every window below `parent`, at any depth.
std::vector<HWND> DescendantHandles(HWND parent) {
    std::vector<HWND> handles;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&handles));
    return handles;
}

// The top-level windows matching the query, with the dearer checks (process
// name, caption) made only for windows that passed the cheap ones.
std::vector<WindowInfo> FindTopLevel(const WindowQuery& query) {
    std::vector<WindowInfo> found;
    std::map<DWORD, std::string> processNames;
    for (HWND hwnd : TopLevelHandles()) {
        DWORD processId = 0;
        GetWindowThreadProcessId(hwnd, &processId);
        if (query.processId && processId != query.processId) continue;
        if (query.visibleOnly && !IsWindowVisible(hwnd)) continue;
        if (!query.className.empty() && !SameNoCase(ClassName(hwnd), query.className)) continue;
        if (!query.processName.empty()) {
            auto name = processNames.find(processId);
            if (name == processNames.end()) name = processNames.emplace(processId, ProcessName(processId)).first;
            if (!SameNoCase(name->second, query.processName)) continue;
        }
        WindowInfo info = Describe(hwnd, processId);
        if (!query.caption.empty() && info.caption != query.caption) continue;
        found.push_back(std::move(info));
    }
    return found;
}

std::string StripMnemonics(const std::string& label) {
    std::string plain;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) ++i;   // "&&" stands for one '&'
        plain.push_back(label[i]);
    }
    return plain;
}

// A 32-bit top-down bitmap selected into a memory DC, for reading pixels.
class Canvas {
public:
    Canvas(int width, int height) : size_(static_cast<size_t>(width) * height) {
        BITMAPINFO format{};
        format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &format, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (bitmap_) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    bool Ok() const { return bitmap_ != nullptr; }
    HDC Dc() const { return dc_; }
    DWORD* Begin() const {
        GdiFlush();
        return static_cast<DWORD*>(bits_);
    }
    DWORD* End() const { return Begin() + size_; }

private:
    size_t size_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

const std::pair<LPCSTR, BoxIcon> kSystemIcons[] = {
    {IDI_QUESTION, BoxIcon::Question},
    {IDI_EXCLAMATION, BoxIcon::Exclamation},
    {IDI_HAND, BoxIcon::Error},
    {IDI_ASTERISK, BoxIcon::Information},
};

// Icon handles of another process mean nothing here (each process loads its
// own copy of the system icons), so the box's icon is read off the screen, where
// it must not be covered, and compared with each system icon drawn here on the
// same background.
// Empty when it looks like none of them.
std::optional<BoxIcon> IconOnScreen(HWND iconControl) {
    RECT client;
    GetClientRect(iconControl, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0 || width > 256 || height > 256) return std::nullopt;
    Canvas shown(width, height);
    if (!shown.Ok()) return std::nullopt;
    // From the screen: under Wine a DC of another process's window reads back blank.
    POINT origin{0, 0};
    ClientToScreen(iconControl, &origin);
    HDC screen = GetDC(nullptr);
    const bool copied = screen && BitBlt(shown.Dc(), 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    if (screen) ReleaseDC(nullptr, screen);
    if (!copied) return std::nullopt;
    // The corners of the system icons are transparent, so a corner shows the background.
    const DWORD background = *shown.Begin();
    for (const auto& [resource, icon] : kSystemIcons) {
        Canvas drawn(width, height);
        if (!drawn.Ok()) return std::nullopt;
        std::fill(drawn.Begin(), drawn.End(), background);
        DrawIconEx(drawn.Dc(), 0, 0, LoadIconA(nullptr, resource), width, height, 0, nullptr, DI_NORMAL);
        size_t differing = 0;
        for (const DWORD *a = shown.Begin(), *b = drawn.Begin(); a != shown.End(); ++a, ++b)
            differing += (*a & 0xFFFFFF) != (*b & 0xFFFFFF);
        // A little slack for blending; the four system icons differ in far more pixels than this.
        if (differing * 50 <= static_cast<size_t>(width) * height) return icon;
    }
    return std::nullopt;
}

BoxIcon TellIcon(HWND iconControl) {
    DWORD_PTR shown = 0;
    if (!SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &shown) || !shown)
        return BoxIcon::Unknown;
    for (const auto& [resource, icon] : kSystemIcons)
        if (reinterpret_cast<DWORD_PTR>(LoadIconA(nullptr, resource)) == shown) return icon;
    // A box that has only just appeared may not be painted yet.
    return Poll(kIconPaintMs, [&] { return IconOnScreen(iconControl); }).value_or(BoxIcon::Unknown);
}

} // namespace

std::string ErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

// --- Starting a program ----------------------------------------------------

std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    // Backslashes are literal unless they precede a quote; there they are doubled.
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    quoted.push_back('"');
    return quoted;
}

std::string BuildCommandLine(const std::string& exe, const std::vector<std::string>& args) {
    // argv[0] follows simpler rules: everything up to the next quote, no escapes.
    std::string line = "\"" + exe + "\"";
    for (const std::string& arg : args) line.append(" ").append(QuoteArgument(arg));
    return line;
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Process old(std::move(*this));
        handle_ = std::exchange(other.handle_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Process::~Process() {
    if (!handle_) return;
    if (IsRunning()) Kill();
    CloseHandle(handle_);
}

Process Process::Start(const std::string& exe, const StartOptions& options) {
    std::string commandLine = BuildCommandLine(exe, options.args);
    std::string environment = BuildEnvironment(options.env);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    OwnedHandle output(options.outputFile.empty()
                           ? nullptr
                           : CreateFileA(options.outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.Get() == INVALID_HANDLE_VALUE) ThrowWindowsError("cannot create " + options.outputFile);
    if (output.Get()) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.Get();
        startup.hStdError = output.Get();
    }

    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, output.Get() != nullptr, 0, environment.data(),
                        options.workingDir.empty() ? nullptr : options.workingDir.c_str(), &startup, &started))
        ThrowWindowsError("cannot start " + commandLine);
    CloseHandle(started.hThread);
    Process process;
    process.handle_ = started.hProcess;
    process.id_ = started.dwProcessId;
    return process;
}

bool Process::IsRunning() const {
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) {
    if (!handle_ || WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_, &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    if (!handle_) return;
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, 5000);
}

// --- Windows -----------------------------------------------------------------

std::vector<WindowInfo> TopLevelWindows(DWORD processId) {
    WindowQuery query;
    query.processId = processId;
    query.visibleOnly = false;
    return FindTopLevel(query);
}

std::vector<WindowInfo> VisibleWindows(DWORD processId) {
    WindowQuery query;
    query.processId = processId;
    std::vector<WindowInfo> windows = FindTopLevel(query);
    std::erase_if(windows, [](const WindowInfo& w) { return IsMessageBox(w.hwnd); });
    return windows;
}

std::optional<WindowInfo> WaitForWindow(DWORD processId, const WindowPredicate& accept, DWORD timeoutMs) {
    return Poll(timeoutMs, [&]() -> std::optional<WindowInfo> {
        for (WindowInfo& w : TopLevelWindows(processId))
            if (accept(w)) return std::move(w);
        return std::nullopt;
    });
}

std::optional<WindowInfo> WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
    return Poll(timeoutMs, [&]() -> std::optional<WindowInfo> {
        std::vector<WindowInfo> found = FindTopLevel(query);
        if (found.empty()) return std::nullopt;
        return std::move(found.front());
    });
}

std::optional<std::string> ReadText(HWND hwnd, DWORD timeoutMs) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length))
        return std::nullopt;
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             timeoutMs, &copied))
        return std::nullopt;
    // WM_GETTEXTLENGTH may overstate; the copy is NUL-terminated.
    text.resize(std::min<size_t>(copied, std::strlen(text.c_str())));
    return text;
}

std::optional<std::string> ReadStatusText(HWND hwnd) {
    static const std::string kStatusBar = "msctls_statusbar32";
    HWND bar = SameNoCase(ClassName(hwnd), kStatusBar) ? hwnd : FindChild(hwnd, kStatusBar);
    if (!bar) return std::nullopt;
    return ReadText(bar);
}

HWND FindChild(HWND parent, const std::string& className, const std::string& caption) {
    for (HWND child : DescendantHandles(parent)) {
        if (!className.empty() && !SameNoCase(ClassName(child), className)) continue;
        if (!caption.empty() && TextOrEmpty(child) != caption) continue;
        return child;
    }
    return nullptr;
}

bool SameLabel(const std::string& a, const std::string& b) {
    return StripMnemonics(a) == StripMnemonics(b);
}

bool ClickButton(HWND parent, const std::string& caption, DWORD timeoutMs) {
    HWND button = Poll(timeoutMs, [&]() -> HWND {
        for (HWND child : DescendantHandles(parent))
            if (SameNoCase(ClassName(child), "Button") && IsWindowVisible(child) && IsWindowEnabled(child) &&
                SameLabel(TextOrEmpty(child), caption))
                return child;
        return nullptr;
    });
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

// --- Message boxes -----------------------------------------------------------

bool MessageBoxInfo::HasButton(int id) const {
    return std::any_of(buttons.begin(), buttons.end(), [id](const BoxButton& b) { return b.id == id; });
}

bool IsMessageBox(HWND hwnd) {
    if (!SameNoCase(ClassName(hwnd), "#32770")) return false;
    bool hasButton = false;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassName(child);
        if (SameNoCase(cls, "Button")) {
            const int id = GetDlgCtrlID(child);
            if (id < IDOK || id > IDCONTINUE) return false;
            hasButton = true;
        } else if (!SameNoCase(cls, "Static")) {
            return false;
        }
    }
    return hasButton;
}

std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd) {
    if (!IsMessageBox(hwnd)) return std::nullopt;
    MessageBoxInfo box;
    box.hwnd = hwnd;
    GetWindowThreadProcessId(hwnd, &box.processId);
    box.caption = TextOrEmpty(hwnd);
    box.icon = BoxIcon::None;
    std::optional<std::string> text;
    std::string longestStatic;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const bool visible = IsWindowVisible(child);
        if (SameNoCase(ClassName(child), "Button")) {
            if (visible) box.buttons.push_back({GetDlgCtrlID(child), TextOrEmpty(child)});
        } else if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            if (visible) box.icon = TellIcon(child);
        } else if (GetDlgCtrlID(child) == 0xFFFF) {
            text = TextOrEmpty(child);
        } else {
            std::string s = TextOrEmpty(child);
            if (s.size() > longestStatic.size()) longestStatic = std::move(s);
        }
    }
    box.text = text.value_or(longestStatic);
    return box;
}

std::optional<MessageBoxInfo> WaitForMessageBox(const WindowQuery& query, DWORD timeoutMs) {
    WindowQuery dialogs = query;
    dialogs.className = "#32770";
    dialogs.visibleOnly = true;
    return Poll(timeoutMs, [&]() -> std::optional<MessageBoxInfo> {
        for (const WindowInfo& w : FindTopLevel(dialogs))
            if (auto box = ReadMessageBox(w.hwnd)) return box;
        return std::nullopt;
    });
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    WindowQuery query;
    query.processId = processId;
    return WaitForMessageBox(query, timeoutMs);
}

bool Answer(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs) {
    if (!box.HasButton(buttonId)) return false;
    HWND button = GetDlgItem(box.hwnd, buttonId);
    if (!button || !PostMessageA(button, BM_CLICK, 0, 0)) return false;
    return Poll(timeoutMs, [&] { return !IsWindow(box.hwnd); });
}

std::future<std::optional<MessageBoxInfo>> AnswerOwnMessageBoxAsync(int buttonId, DWORD timeoutMs) {
    return std::async(std::launch::async, [buttonId, timeoutMs]() -> std::optional<MessageBoxInfo> {
        std::optional<MessageBoxInfo> box = WaitForMessageBox(GetCurrentProcessId(), timeoutMs);
        if (!box) return std::nullopt;
        // A box without that button still gets an answer, or the thread that
        // shows it would wait for ever; its MessageBox result tells the test.
        const int answer = box->HasButton(buttonId) || box->buttons.empty() ? buttonId : box->buttons.front().id;
        Answer(*box, answer, timeoutMs);
        return box;
    });
}

// --- Processes by name -------------------------------------------------------

std::string ProcessName(DWORD processId) {
    OwnedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.Get()) return {};
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process.Get(), 0, path, &size)) return {};
    const std::string full(path, size);
    const size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

} // namespace robot
