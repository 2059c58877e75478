// Message boxes and the system's texts for error codes.
#pragma once

#include <windows.h>

#include <string>

namespace classlib {

// A task-modal message box without owner window: while it is open, every
// window of the program is disabled. Returns the button's id (IDYES, IDOK...).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

// The system's message text for an error code, with trailing blanks, line
// breaks and full stops removed; empty when the system has none.
std::string SysErrorMessage(DWORD errorCode);

} // namespace classlib
