// Removal of the installed product, started with the /UNINSTALL switch.
#pragma once

// Removes what the installation put on the machine and ends the process.
[[noreturn]] void Uninstall();
