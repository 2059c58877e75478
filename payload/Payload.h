// Unpacking Setup.Dat and making folders, on the Win32 file functions.
#pragma once

#include <string>

// True when the file system reports `path` as a folder.
bool DirectoryExists(const std::string& path);

// True when the file system reports `path` as a file, not a folder.
bool FileExists(const std::string& path);

// Makes sure that a folder exists, creating it and its missing parents.
// Answers whether it exists afterwards.
bool EnsureFolder(const std::string& path);

// Creates a folder and every missing parent, the outermost first. Failures
// are silent.
void ForceFolders(const std::string& path);

// Unpacks the records of the archive into `targetFolder`, which ends with a
// backslash. False when the folder cannot be made or the archive cannot be
// opened; true otherwise, also when a record that cannot be unpacked ended the
// walk early (the installation then misses a file and reports that).
bool ExtractPayload(const std::string& archivePath, const std::string& targetFolder);

// `folder` (ending with a backslash) if nothing of that name exists yet,
// otherwise the first of its numbered variants that is free ("...\Temp2\"...),
// so that a run unpacks into a folder that holds nothing but its own files.
// Empty when no free name fits a short path.
std::string UnusedFolder(const std::string& folder);
