// Scratch folders and archives on the real file system, for the payload tests
// under Wine. The fixtures are made and read with the standard library, not
// with the code under test.
#pragma once

#include "payload/RecordWalk.h"

#include <windows.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace payloadtest {

namespace fs = std::filesystem;

// An archive's bytes, record by record.
class ArchiveBuilder {
public:
    ArchiveBuilder& Add(const std::string& name, const std::string& data)
    {
        std::array<unsigned char, payload::HeaderSize> header;
        payload::EncodeHeader(name, static_cast<std::int32_t>(data.size()), header);
        bytes_.append(header.begin(), header.end());
        bytes_ += data;
        return *this;
    }

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

inline void PutFile(const fs::path& path, const std::string& data)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

inline std::optional<std::string> FileContent(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Removes a tree through the wide calls with \\?\, so that folders deeper
// than MAX_PATH go as well.
inline void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// The lines of a text file without their line ends; none when it is missing.
inline std::vector<std::string> FileLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::istringstream in(FileContent(path).value_or(""));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A folder of its own below the temporary folder, removed again at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp) + name + std::to_string(GetCurrentProcessId()) + "\\";
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchFolder() { RemoveTree(L"\\\\?\\" + fs::path(path_.substr(0, path_.size() - 1)).wstring()); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

} // namespace payloadtest
