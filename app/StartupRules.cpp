#include "app/StartupRules.h"

#include "classlib/Text.h"

StartAction StartActionFor(int paramCount, const std::string& firstParam)
{
    if (paramCount < 1) return StartAction::Install;
    return classlib::UpperCaseAscii(firstParam) == "/UNINSTALL" ? StartAction::Uninstall : StartAction::Quit;
}

std::string SystemFolderFromCall(const char* buffer, unsigned result, unsigned bufferSize)
{
    // A result of the buffer's size or more is the size the folder would
    // need; the buffer then holds nothing usable.
    if (result == 0 || result >= bufferSize) return {};
    return classlib::IncludeTrailingBackslash(std::string(buffer, result));
}
