// The robot's side of texthook.dll: the shared block, the hooks and the log.
#include "robot/Robot.h"
#include "robot/TextHookShared.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace robot {
namespace {

using texthook::SharedBlock;

// How long the hooked thread gets to answer the robot's first message.
constexpr DWORD kArriveMs = 5000;

[[noreturn]] void ThrowError(const std::string& what, DWORD error = GetLastError()) {
    throw std::runtime_error(what + ": " + ErrorText(error));
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Beside the running program first (a program copied elsewhere takes its DLL
// along), then where this build put it.
std::string HookDllPath() {
    char exe[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string beside(exe, length);
    beside = beside.substr(0, beside.find_last_of("\\/") + 1) + "texthook.dll";
    if (IsFile(beside)) return beside;
#ifdef TEXTHOOK_DLL
    std::string built = TEXTHOOK_DLL;
    for (char& c : built)
        if (c == '/') c = '\\';
    if (IsFile(built)) return built;
#endif
    return beside;
}

void CopyField(char* field, size_t size, const std::string& value, const char* what) {
    if (value.size() >= size) throw std::runtime_error(std::string(what) + " is too long: " + value);
    std::memcpy(field, value.c_str(), value.size() + 1);
}

BOOL CALLBACK TakeFirstWindow(HWND hwnd, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

HWND AnyWindowOf(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(threadId, TakeFirstWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

double NowMs() {
    return texthook::NowMs();
}

TextRecorder::TextRecorder(TextRecorder&& other) noexcept
    : dll_(std::exchange(other.dll_, nullptr)),
      callHook_(std::exchange(other.callHook_, nullptr)),
      returnHook_(std::exchange(other.returnHook_, nullptr)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      shared_(std::exchange(other.shared_, nullptr)),
      logFile_(std::move(other.logFile_)) {}

TextRecorder& TextRecorder::operator=(TextRecorder&& other) noexcept {
    if (this != &other) {
        Release();
        dll_ = std::exchange(other.dll_, nullptr);
        callHook_ = std::exchange(other.callHook_, nullptr);
        returnHook_ = std::exchange(other.returnHook_, nullptr);
        mapping_ = std::exchange(other.mapping_, nullptr);
        shared_ = std::exchange(other.shared_, nullptr);
        logFile_ = std::move(other.logFile_);
    }
    return *this;
}

TextRecorder::~TextRecorder() {
    Release();
}

void TextRecorder::Release() {
    if (callHook_) UnhookWindowsHookEx(std::exchange(callHook_, nullptr));
    if (returnHook_) UnhookWindowsHookEx(std::exchange(returnHook_, nullptr));
    // Without the block the DLL, which stays loaded in the target, records nothing more.
    if (shared_) UnmapViewOfFile(std::exchange(shared_, nullptr));
    if (mapping_) CloseHandle(std::exchange(mapping_, nullptr));
    if (dll_) FreeLibrary(std::exchange(dll_, nullptr));
}

TextRecorder TextRecorder::Attach(DWORD threadId, const std::string& logFile, const std::optional<Pause>& pause) {
    TextRecorder recorder;
    recorder.logFile_ = logFile;

    HANDLE log = CreateFileA(logFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) ThrowError("cannot create " + logFile);
    CloseHandle(log);

    recorder.mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedBlock),
                                           texthook::MappingName(threadId).c_str());
    if (!recorder.mapping_) ThrowError("cannot create the shared block for thread " + std::to_string(threadId));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        throw std::runtime_error("thread " + std::to_string(threadId) + " is already being recorded");
    recorder.shared_ = MapViewOfFile(recorder.mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedBlock));
    if (!recorder.shared_) ThrowError("cannot map the shared block");
    auto* block = static_cast<SharedBlock*>(recorder.shared_);
    std::memset(block, 0, sizeof *block);
    // The target opens the log by this name: make it absolute in case its folder differs.
    char full[MAX_PATH * 2] = {};
    if (!GetFullPathNameA(logFile.c_str(), sizeof full, full, nullptr)) ThrowError("bad log file " + logFile);
    CopyField(block->logFile, sizeof block->logFile, full, "the log file path");
    if (pause) {
        CopyField(block->pauseClass, sizeof block->pauseClass, pause->className, "the pause class");
        CopyField(block->pausePrefix, sizeof block->pausePrefix, pause->prefix, "the pause prefix");
        block->pauseMs = pause->ms;
    }

    const std::string dllPath = HookDllPath();
    recorder.dll_ = LoadLibraryA(dllPath.c_str());
    if (!recorder.dll_) ThrowError("cannot load " + dllPath);
    auto* callProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(recorder.dll_, texthook::kCallProcName)));
    auto* returnProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(recorder.dll_, texthook::kReturnProcName)));
    if (!callProc || !returnProc) ThrowError(dllPath + " has no hook procedures");
    // The one after the window proc first, so that no pause happens before
    // the recording is in place.
    recorder.returnHook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, returnProc, recorder.dll_, threadId);
    if (!recorder.returnHook_) ThrowError("cannot hook thread " + std::to_string(threadId));
    recorder.callHook_ = SetWindowsHookExA(WH_CALLWNDPROC, callProc, recorder.dll_, threadId);
    if (!recorder.callHook_) ThrowError("cannot hook thread " + std::to_string(threadId));

    // Wine tells a thread about new hooks only with the next message it
    // receives, and loads the DLL when a hook first runs: a sent message
    // does both, and the hook marks the block when it sees it.
    HWND window = AnyWindowOf(threadId);
    if (!window) throw std::runtime_error("thread " + std::to_string(threadId) + " has no window");
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kArriveMs, &ignored)) {
        const DWORD error = GetLastError();
        ThrowError("thread " + std::to_string(threadId) + " does not answer", error ? error : ERROR_TIMEOUT);
    }
    if (!block->attached)
        throw std::runtime_error("the hook did not arrive in thread " + std::to_string(threadId) + " (" + dllPath +
                                 ")");
    return recorder;
}

std::vector<RecordedText> TextRecorder::Texts() const {
    std::ifstream in(logFile_, std::ios::binary);
    const std::string log(std::istreambuf_iterator<char>(in), {});
    std::vector<RecordedText> texts;
    // Only whole lines: the hook may be writing the next one.
    for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = log.substr(start, end - start);
        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;   // the pause line
        texts.push_back({std::strtod(line.substr(0, tab1).c_str(), nullptr),
                         texthook::Unescaped(line.substr(tab1 + 1, tab2 - tab1 - 1)), texthook::Unescaped(line.substr(tab2 + 1))});
    }
    return texts;
}

bool TextRecorder::Paused() const {
    return shared_ && static_cast<const SharedBlock*>(shared_)->paused != 0;
}

} // namespace robot
