#include "payload/RecordWalk.h"

#include "classlib/Text.h"

#include <algorithm>
#include <array>

namespace payload {

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Windows drops trailing blanks and dots of a path component when it opens a
// file, so a component of dots and blanks alone, such as ".. " or ". .",
// climbs or may climb like "..".
bool IsParentReference(std::string_view part)
{
    return part.find_first_not_of(". ") == std::string_view::npos && std::count(part.begin(), part.end(), '.') >= 2;
}

std::string_view WithoutTrailingBlanks(std::string_view part)
{
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    return part;
}

// A device name opens the device whatever extension follows it: "nul.txt" is NUL.
bool IsDeviceName(std::string_view part)
{
    const std::string_view base = WithoutTrailingBlanks(part.substr(0, part.find('.')));
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (classlib::SameTextAscii(base, device)) return true;
    if (base.size() != 4) return false;
    const std::string_view stem = base.substr(0, 3);
    if (!classlib::SameTextAscii(stem, "COM") && !classlib::SameTextAscii(stem, "LPT")) return false;
    // Superscript one to three (code page 1252) count as digits to the device lookup.
    const auto digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

} // namespace

const char* DescribeFault(RecordFault fault)
{
    switch (fault) {
    case RecordFault::None: return "no fault";
    case RecordFault::HeaderCut: return "the record header is cut short";
    case RecordFault::UnsafeName: return "the name is unsafe";
    case RecordFault::PathTooLong: return "the output path would be longer than 255 characters";
    case RecordFault::NegativeSize: return "the size is negative";
    case RecordFault::DataCut: return "the size runs past the end of the archive";
    case RecordFault::CreateFailed: return "the file could not be created";
    case RecordFault::ReadFailed: return "the archive could not be read";
    case RecordFault::WriteFailed: return "the file could not be written";
    }
    return "unknown fault";
}

const char* UnsafeNameReason(std::string_view name)
{
    if (name.empty()) return "the name is empty";
    if (IsSeparator(name.front())) return "the name is an absolute path";
    if (name.find(':') != std::string_view::npos) return "the name holds a colon (a drive or a stream)";
    // A control character, above all a zero byte, would let the system open
    // another name than the one judged here.
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return "the name holds a control character";
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end =
            std::find_if(name.begin() + static_cast<std::ptrdiff_t>(start), name.end(), IsSeparator) - name.begin();
        const std::string_view part = name.substr(start, end - start);
        if (IsParentReference(part)) return "the name climbs out of its folder (\"..\")";
        if (IsDeviceName(part)) return "the name is a device name";
        start = end + 1;
    }
    return nullptr;
}

std::string_view FolderPart(std::string_view name)
{
    // The system takes a slash for a backslash, so its folders must exist too.
    const std::size_t last = name.find_last_of("\\/:");
    return last == std::string_view::npos ? std::string_view() : name.substr(0, last + 1);
}

RecordHeader DecodeHeader(std::span<const unsigned char, HeaderSize> bytes)
{
    RecordHeader header;
    header.name.assign(reinterpret_cast<const char*>(bytes.data() + 1), bytes[0]);
    const std::uint32_t size = std::uint32_t(bytes[NameFieldSize]) | std::uint32_t(bytes[NameFieldSize + 1]) << 8 |
                               std::uint32_t(bytes[NameFieldSize + 2]) << 16 |
                               std::uint32_t(bytes[NameFieldSize + 3]) << 24;
    header.size = static_cast<std::int32_t>(size);
    return header;
}

void EncodeHeader(std::string_view name, std::int32_t size, std::span<unsigned char, HeaderSize> bytes)
{
    std::fill(bytes.begin(), bytes.end(), 0);
    const std::size_t length = std::min(name.size(), NameFieldSize - 1);
    bytes[0] = static_cast<unsigned char>(length);
    std::copy_n(name.begin(), length, bytes.begin() + 1);
    const auto bits = static_cast<std::uint32_t>(size);
    for (int i = 0; i < 4; ++i) bytes[NameFieldSize + i] = static_cast<unsigned char>(bits >> (8 * i));
}

RecordFault JudgeRecord(const RecordHeader& header, std::uint64_t remaining, std::size_t targetLength)
{
    if (UnsafeNameReason(header.name)) return RecordFault::UnsafeName;
    if (targetLength + header.name.size() > MaxPathLength) return RecordFault::PathTooLong;
    if (header.size < 0) return RecordFault::NegativeSize;
    if (static_cast<std::uint64_t>(header.size) > remaining) return RecordFault::DataCut;
    return RecordFault::None;
}

namespace {

// Reads exactly `size` bytes, or answers false.
bool ReadFully(ArchiveSource& archive, unsigned char* buffer, std::size_t size)
{
    while (size > 0) {
        const std::size_t got = archive.Read(buffer, size);
        if (got == 0 || got > size) return false;
        buffer += got;
        size -= got;
    }
    return true;
}

// Copies `size` bytes of the archive into the target's open file.
RecordFault CopyData(ArchiveSource& archive, std::uint64_t size, RecordTarget& target, std::span<unsigned char> buffer)
{
    while (size > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(size, buffer.size()));
        if (!ReadFully(archive, buffer.data(), chunk)) return RecordFault::ReadFailed;
        if (!target.Write(buffer.data(), chunk)) return RecordFault::WriteFailed;
        size -= chunk;
    }
    return RecordFault::None;
}

} // namespace

WalkResult WalkRecords(ArchiveSource& archive, std::uint64_t archiveSize, std::string_view targetFolder,
                       RecordTarget& target, std::span<unsigned char> buffer)
{
    WalkResult result;
    std::uint64_t position = 0;
    auto stop = [&](RecordFault fault, std::string name) {
        result.fault = fault;
        result.faultOffset = position;
        result.faultName = std::move(name);
        return result;
    };
    if (buffer.empty()) return stop(RecordFault::ReadFailed, {});

    while (position < archiveSize) {
        if (archiveSize - position < HeaderSize) return stop(RecordFault::HeaderCut, {});
        std::array<unsigned char, HeaderSize> bytes;
        if (!ReadFully(archive, bytes.data(), bytes.size())) return stop(RecordFault::ReadFailed, {});
        const RecordHeader header = DecodeHeader(bytes);
        const std::uint64_t remaining = archiveSize - position - HeaderSize;
        if (const RecordFault fault = JudgeRecord(header, remaining, targetFolder.size()); fault != RecordFault::None)
            return stop(fault, header.name);

        Record record{position, header.name, header.size, std::string(targetFolder) + header.name};
        target.MakeFolder(std::string(targetFolder) + std::string(FolderPart(header.name)));
        if (!target.Create(record)) return stop(RecordFault::CreateFailed, header.name);
        const RecordFault copied = CopyData(archive, static_cast<std::uint64_t>(header.size), target, buffer);
        target.Close();
        if (copied != RecordFault::None) return stop(copied, header.name);

        position += HeaderSize + static_cast<std::uint64_t>(header.size);
        ++result.unpacked;
    }
    return result;
}

} // namespace payload
