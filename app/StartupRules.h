// The decisions of the program start that need no Windows.
#pragma once

#include <string>

// What the first parameter asks for: nothing given installs, the uninstall
// switch (in any letter case) removes, anything else ends the program.
enum class StartAction { Install, Uninstall, Quit };

StartAction StartActionFor(int paramCount, const std::string& firstParam);

// The system folder with its trailing backslash from a GetSystemDirectoryA
// call into a buffer of `bufferSize` characters that returned `result`:
// empty when the call failed or the folder did not fit.
std::string SystemFolderFromCall(const char* buffer, unsigned result, unsigned bufferSize);
