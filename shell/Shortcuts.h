// The Start-menu group with its shortcuts, and the registry entries through
// which the system's software list removes the product and the next
// installation finds its folder.
#pragma once

#include <string>

// Creates or overwrites the shell link `linkFile` pointing at `target`.
// Reports nothing: a link that cannot be made is simply missing. A link file
// name of MAX_PATH characters or more is not made (the shell link saves
// names of fewer characters only), rather than saved under a name cut short.
void CreateShortcut(const std::string& target, const std::string& linkFile);

// The current user's Start-menu group of the product, ending with a backslash.
std::string ShortcutGroupFolder();

// Installation step: the group with its six shortcuts into TargetDir, then
// "DisplayName", "UninstallString" and "InstallDir". A registry value that
// cannot be written is reported and ends the process.
void CreateIconsAndRegister();
