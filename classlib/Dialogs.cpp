#include "classlib/Dialogs.h"

#include "classlib/Text.h"

namespace classlib {

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags | MB_TASKMODAL);
}

std::string SysErrorMessage(DWORD errorCode)
{
    char buffer[1024];
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, errorCode, 0, buffer,
                       sizeof buffer, nullptr);
    return TrimSystemMessage(std::string(buffer, length));
}

} // namespace classlib
