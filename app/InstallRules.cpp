#include "app/InstallRules.h"

#include "classlib/Text.h"
#include "payload/RecordWalk.h"

std::string TargetFolderFromCaption(const std::string& caption)
{
    if (caption.empty()) return {};
    return classlib::IncludeTrailingBackslash(caption);
}

std::string TempFolderFromCall(const char* buffer, unsigned result, unsigned bufferSize,
                               const std::string& setupFolder)
{
    // A folder cut short would lose its closing backslash, and the unpacked
    // files would land beside it under names that run into the folder's.
    const auto fits = [](const std::string& folder) { return folder.size() <= payload::MaxPathLength; };
    // A result of the buffer's size or more is the size the value would need.
    if (result != 0 && result < bufferSize) {
        const std::string folder = std::string(buffer, result) + "\\TOLVAInstall\\";
        if (fits(folder)) return folder;
    }
    const std::string fallback = setupFolder + "Temp\\";
    return fits(fallback) ? fallback : std::string();
}

std::string UninstallCommand(const std::string& targetDir, const std::string& programName)
{
    return "\"" + targetDir + programName + "\" /UNINSTALL";
}
