// String rules of the class library that need no Windows: letter case, paths,
// the command line and the cleaning of system message texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace classlib {

// Upper case of the ASCII letters a to z only; every other byte stays.
std::string UpperCaseAscii(std::string text);

// Whether two texts are equal when the ASCII letters' case is ignored.
bool SameTextAscii(std::string_view a, std::string_view b);

// `path` with a backslash appended unless it already ends with one.
// An empty path stays empty.
std::string IncludeTrailingBackslash(std::string path);

// A system message text as the error reports show it: trailing blanks,
// control characters (the line break) and full stops removed.
std::string TrimSystemMessage(std::string text);

// Splits a command line the way program parameters are counted: runs of blanks
// and control characters separate parameters; double quotes group blanks into
// a parameter and are themselves removed. Element 0 is the program's name.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The folder part of a path: everything up to and including its last
// backslash or colon; empty when it has neither.
std::string ExtractFilePath(const std::string& path);

// The name part of a path: everything after its last backslash or colon.
std::string ExtractFileName(const std::string& path);

// `text` with every line end, LF or CR LF, written as CR LF: the only line end
// that the system's edit controls show as one.
std::string WithCrLf(const std::string& text);

} // namespace classlib
