// Private window messages of the setup program.
#pragma once

#include <windows.h>

// Posted by the background window once it is shown; the main window comes to the front.
constexpr UINT CM_SHOWMAIN = WM_USER + 257;
