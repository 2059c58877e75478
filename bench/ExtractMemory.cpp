// Unpacks one archive and prints what it cost the process: the figures
// behind the claim that unpacking takes the same little memory whatever the
// payload's size. extract_memory ARCHIVE TARGETFOLDER
#include "payload/Payload.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: extract_memory ARCHIVE TARGETFOLDER\\\n");
        return 2;
    }
    PROCESS_MEMORY_COUNTERS before = {sizeof before};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    const DWORD start = GetTickCount();
    const bool unpacked = ExtractPayload(argv[1], argv[2]);
    const DWORD elapsed = GetTickCount() - start;
    PROCESS_MEMORY_COUNTERS after = {sizeof after};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    std::printf("result %s, %lu ms, peak working set %.1f MiB before, %.1f MiB after\n", unpacked ? "true" : "false",
                elapsed, before.PeakWorkingSetSize / 1048576.0, after.PeakWorkingSetSize / 1048576.0);
    return unpacked ? 0 : 1;
}
