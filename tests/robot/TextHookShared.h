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

} // namespace robot::texthook
