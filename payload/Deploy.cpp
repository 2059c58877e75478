#include "payload/Deploy.h"

#include "app/Main.h"
#include "classlib/Dialogs.h"
#include "classlib/Text.h"
#include "payload/FileTables.h"
#include "payload/Payload.h"
#include "payload/RecordWalk.h"

#include <windows.h>

namespace {

[[noreturn]] void ReportError(const std::string& prefix)
{
    ReportFailure(prefix + classlib::SysErrorMessage(GetLastError()));
}

std::string HtmlFolder()
{
    return TargetDir + "html\\";
}

std::string ImagesFolder()
{
    return HtmlFolder() + "images\\";
}

std::string OwnProgramPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

} // namespace

void ReportFolderError()
{
    ReportError("Directory could not be created: ");
}

void CreateTargetFolders()
{
    for (const std::string& folder : {TargetDir, HtmlFolder(), ImagesFolder()}) {
        if (DirectoryExists(folder)) continue;
        // One level only: a destination below a missing folder is refused.
        if (!CreateDirectoryA(folder.c_str(), nullptr)) ReportFolderError();
    }
}

void CopyInstallFile(const std::string& fileName, const std::string& sourceFolder, const std::string& destFolder)
{
    const std::string destination = destFolder + fileName;
    MainForm->ShowProgress("Copying File '" + destination + "'...");
    if (!CopyFileA((sourceFolder + fileName).c_str(), destination.c_str(), FALSE)) ReportError("File copy error: ");
}

void CopyImages()
{
    const std::string& source = MainForm->TempDir;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((source + "*" + std::string(payload::PictureExtension)).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // The mask also matches through short names ("a.gifx" is A~1.GIF), so the long name decides.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && payload::IsPictureName(found.cFileName))
            CopyInstallFile(found.cFileName, source, ImagesFolder());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void CopyAllFiles()
{
    const std::string& source = MainForm->TempDir;
    for (std::size_t i = 0; i < payload::DefaultIniIndex; ++i)
        CopyInstallFile(std::string(payload::ProgramFiles[i]), source, TargetDir);
    // The administrator's settings survive a reinstallation.
    const std::string defaultIni(payload::ProgramFiles[payload::DefaultIniIndex]);
    if (!FileExists(TargetDir + defaultIni)) CopyInstallFile(defaultIni, source, TargetDir);
    for (const std::string_view file : payload::WebFiles) CopyInstallFile(std::string(file), source, HtmlFolder());
    CopyImages();
    const std::string self = OwnProgramPath();
    CopyInstallFile(classlib::ExtractFileName(self), classlib::ExtractFilePath(self), TargetDir);
    CopyInstallFile(std::string(payload::ControlPanelApplet), source, SystemDir);
}

void DeleteFolderTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            const std::string path = folder + name;
            const DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                // A link to a file goes, not the file it points to.
                DeleteFileA(path.c_str());
            } else if (name == "." || name == "..") {
                continue;
            } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A junction or a folder link: removing it leaves its target untouched.
                RemoveDirectoryA(path.c_str());
            } else if (path.size() + 1 <= payload::MaxPathLength) {
                DeleteFolderTree(path + "\\");
            }
            // A folder whose path would not fit a short path stays: cut short,
            // the path would name another folder, or this one again.
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}
