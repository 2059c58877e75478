// Putting every unpacked file in its place, and removing the unpacked tree.
#pragma once

#include <string>

// Makes sure the installation folder, its html\ and html\images\ exist, one
// level each; ends the process with the folder error otherwise.
void CreateTargetFolders();

// Copies sourceFolder + fileName to destFolder + fileName (both folders end
// with a backslash), showing the copy first; ends the process if it fails.
void CopyInstallFile(const std::string& fileName, const std::string& sourceFolder, const std::string& destFolder);

// Copies every picture of the unpacked payload into html\images\.
void CopyImages();

// The whole copy: program files, default.ini unless one is there, web files,
// pictures, the setup program itself, the control panel applet.
void CopyAllFiles();

// Deletes everything below `folder` (ending with a backslash), then the folder
// itself. What cannot be deleted stays, without a word.
void DeleteFolderTree(const std::string& folder);

// Reports the folder creation that just failed and ends the process.
[[noreturn]] void ReportFolderError();
