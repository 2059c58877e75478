#include "payload/Payload.h"

#include "classlib/Text.h"
#include "payload/RecordWalk.h"

#include <windows.h>

#include <vector>

namespace {

// Big enough that the disk, not the number of calls, sets the pace; small
// enough that unpacking a payload of any size takes the same little memory.
constexpr std::size_t kCopyBufferSize = 1 << 20;

class ArchiveFile : public payload::ArchiveSource {
public:
    explicit ArchiveFile(HANDLE file) : file_(file) {}

    std::size_t Read(void* buffer, std::size_t size) override
    {
        DWORD got = 0;
        if (!ReadFile(file_, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
        return got;
    }

private:
    HANDLE file_;
};

class FolderTarget : public payload::RecordTarget {
public:
    void MakeFolder(const std::string& folder) override { EnsureFolder(folder); }

    bool Create(const payload::Record& record) override
    {
        file_ = CreateFileA(record.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        return file_ != INVALID_HANDLE_VALUE;
    }

    bool Write(const void* data, std::size_t size) override
    {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            DWORD written = 0;
            if (!WriteFile(file_, bytes, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
            bytes += written;
            size -= written;
        }
        return true;
    }

    void Close() override
    {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    ~FolderTarget() override { Close(); }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool DirectoryExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool EnsureFolder(const std::string& path)
{
    if (DirectoryExists(path)) return true;
    CreateDirectoryA(path.c_str(), nullptr);
    if (DirectoryExists(path)) return true;
    ForceFolders(path);
    return DirectoryExists(path);
}

void ForceFolders(const std::string& path)
{
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    // A bare drive such as C: or nothing at all: there is nothing to create.
    if (folder.size() <= 2 || DirectoryExists(folder)) return;
    const std::string parent = classlib::ExtractFilePath(folder);
    if (parent == folder) return;
    ForceFolders(parent);
    CreateDirectoryA(folder.c_str(), nullptr);
}

bool ExtractPayload(const std::string& archivePath, const std::string& targetFolder)
{
    if (!DirectoryExists(targetFolder) && !EnsureFolder(targetFolder)) return false;

    // No sharing: nobody changes the archive while it is unpacked.
    HANDLE archive = CreateFileA(archivePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
    if (archive == INVALID_HANDLE_VALUE) return false;

    DWORD high = 0;
    const DWORD low = GetFileSize(archive, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        CloseHandle(archive);
        return false;
    }
    const std::uint64_t size = std::uint64_t(high) << 32 | low;

    std::vector<unsigned char> buffer(kCopyBufferSize);
    ArchiveFile source(archive);
    FolderTarget target;
    payload::WalkRecords(source, size, targetFolder, target, buffer);
    CloseHandle(archive);
    return true;
}

std::string UnusedFolder(const std::string& folder)
{
    // Looked up without the backslash, so that a file of that name counts too.
    std::string stem = folder;
    if (!stem.empty() && stem.back() == '\\') stem.pop_back();
    if (!Exists(stem)) return folder;
    for (int number = 2; number < 1000; ++number) {
        const std::string candidate = stem + std::to_string(number);
        if (candidate.size() + 1 > payload::MaxPathLength) break;
        if (!Exists(candidate)) return candidate + "\\";
    }
    return {};
}
