// What the robot (TextRecorder) and texthook.dll, loaded into the recorded
// thread, share: a named file mapping holding this block.
#pragma once

#include <windows.h>

#include <string>

namespace robot::texthook {

struct SharedBlock {
    volatile LONG attached;     // set by the hook once it runs in the target thread
    volatile LONG paused;       // set by the hook once the pause line is in the log
    DWORD pauseMs;              // 0: no pause
    char logFile[MAX_PATH * 2]; // appended to, one line per text
    char pauseClass[256];
    char pausePrefix[1024];
};

// One mapping per recorded thread.
inline std::string MappingName(DWORD threadId) {
    return "uirobot-texthook-" + std::to_string(threadId);
}

// The hook procedures texthook.dll exports.
inline constexpr char kCallProcName[] = "TextHookCallWndProc";
inline constexpr char kReturnProcName[] = "TextHookCallWndRetProc";

// The clock of the log: milliseconds of the performance counter, the same
// in every process of the machine.
inline double NowMs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A text as one field of a log line: backslash, tab and line breaks escaped,
// so that a record stays one line; Unescaped reads it back.
inline std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

inline std::string Unescaped(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out.push_back(s[i]);
            continue;
        }
        const char c = s[++i];
        out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
    }
    return out;
}

} // namespace robot::texthook
