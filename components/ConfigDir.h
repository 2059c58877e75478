// The servers' configuration folder, shared with the setup program.
#pragma once

#include <string>

// The program's own folder followed by "config\", at most 255 characters.
extern std::string ConfigDir;

// At program start, with the full path the program was started under.
void StartConfigDirUnit(const std::string& programPath);
