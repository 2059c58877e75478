// texthook.dll: loaded by Wine (or Windows) into the thread a TextRecorder
// hooks. It appends every text a window of that thread is given (WM_SETTEXT,
// and SB_SETTEXT for the first part of a status bar) to the recorder's log, one
// line each: "<ms>\t<class>\t<text>" with backslash, tab and line breaks
// escaped. It keeps no state of its own, because the module stays loaded in the
// target after the hook is gone: each text opens the shared block again, and
// without it the hook records nothing.
#include "robot/TextHookShared.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

using robot::texthook::Escaped;
using robot::texthook::NowMs;
using robot::texthook::SharedBlock;

// Our own WM_GETTEXT runs through the hooks again.
int g_depth = 0;

class SharedView {
public:
    SharedView() {
        mapping_ = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE,
                                    robot::texthook::MappingName(GetCurrentThreadId()).c_str());
        if (mapping_)
            block_ = static_cast<SharedBlock*>(
                MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedBlock)));
        if (block_) InterlockedExchange(&block_->attached, 1);
    }
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;
    ~SharedView() {
        if (block_) UnmapViewOfFile(block_);
        if (mapping_) CloseHandle(mapping_);
    }
    SharedBlock* operator->() const { return block_; }
    explicit operator bool() const { return block_ != nullptr; }

private:
    HANDLE mapping_ = nullptr;
    SharedBlock* block_ = nullptr;
};

// The messages that give a window the text it shows.
bool SetsText(UINT message, WPARAM wParam) {
    if (message == WM_SETTEXT) return true;
    // Part 0 only, and not an owner-drawn part (its lParam is no text).
    return (message == SB_SETTEXTA || message == SB_SETTEXTW) && LOBYTE(wParam) == 0 &&
           !(HIBYTE(wParam) & HIBYTE(SBT_OWNERDRAW));
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    const int length = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

// The window's text as it shows it now, asked in ANSI whatever form the text
// came in (Wine hands a hook the lParam as the sender sent it). A status bar
// answers with its first part.
std::string CurrentText(HWND hwnd) {
    ++g_depth;
    const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length > 0 ? length + 1 : 1, '\0');
    const LRESULT copied = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    --g_depth;
    text.resize(copied > 0 ? std::min<size_t>(copied, text.size() - 1) : 0);
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

// One line, in one write, so that a reader never sees half of it.
void Append(const SharedView& shared, const std::string& line) {
    HANDLE file = CreateFileA(shared->logFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

bool SameNoCase(const std::string& a, const char* b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

// Before the window takes its new text: if it still shows the text the pause
// waits for, hold the thread, once, so that text stays on the screen.
void MaybePause(const CWPSTRUCT& call) {
    SharedView shared;
    if (!shared || !shared->pauseMs || shared->paused || !SameNoCase(ClassOf(call.hwnd), shared->pauseClass)) return;
    if (CurrentText(call.hwnd).rfind(shared->pausePrefix, 0) != 0) return;
    Append(shared, "pause\n");
    InterlockedExchange(&shared->paused, 1);
    Sleep(shared->pauseMs);
}

// After the window took it: the text as the window now holds it.
void Record(const CWPRETSTRUCT& call) {
    if (!call.lResult) return;   // the window refused the text
    SharedView shared;
    if (!shared) return;
    const std::string text = CurrentText(call.hwnd);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f", NowMs());
    Append(shared, std::string(stamp) + "\t" + Escaped(ClassOf(call.hwnd)) + "\t" + Escaped(text) + "\n");
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK TextHookCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !g_depth) {
        const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (SetsText(call.message, call.wParam)) {
            MaybePause(call);
        } else if (call.message == WM_NULL) {
            SharedView announce;   // tells the robot that the hook has arrived
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK TextHookCallWndRetProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && !g_depth) {
        const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (SetsText(call.message, call.wParam)) Record(call);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
