// The decisions of the installation sequence that need no Windows.
#pragma once

#include <string>

// The destination folder from the destination label's text, with a trailing
// backslash; empty when the text is empty (there is no folder to install to).
std::string TargetFolderFromCaption(const std::string& caption);

// The folder Setup.Dat is unpacked into, from a GetEnvironmentVariableA call
// for TEMP into a buffer of `bufferSize` characters that returned `result`:
// TEMP followed by "\TOLVAInstall\", appended as it stands (a TEMP ending with
// a backslash gives two in a row). A TEMP that is unset, empty, did not fit
// the buffer, or leaves no room for the appended part within a short path
// counts as unset: then it is `setupFolder` followed by "Temp\". Empty when
// that does not fit a short path either.
std::string TempFolderFromCall(const char* buffer, unsigned result, unsigned bufferSize,
                               const std::string& setupFolder);

// The command the system's software list runs to remove the product: the
// program copied into `targetDir`, in quotes (a path below "C:\Program Files"
// holds a blank), followed by the uninstall switch.
std::string UninstallCommand(const std::string& targetDir, const std::string& programName);
