// The archive Setup.Dat and the walk over its records: the rules that decide
// what a record may write and whether the walk goes on. No file is touched
// here; the unpacker, the packer and the tests bring their own source and
// target, so that every one of them judges a record by the same code.
//
// One record: a length byte L, 255 name bytes (the first L are the name), a
// signed 32-bit little-endian size, then size bytes of data. Records follow
// each other up to the end of the file; there is nothing else in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace payload {

// Paths are short strings: at most this many characters.
inline constexpr std::size_t MaxPathLength = 255;
inline constexpr std::size_t NameFieldSize = 256;
inline constexpr std::size_t HeaderSize = NameFieldSize + 4;

// Why a record cannot be unpacked; each ends the walk.
enum class RecordFault {
    None,
    HeaderCut,     // fewer than HeaderSize bytes are left
    UnsafeName,    // the name could write outside the target folder
    PathTooLong,   // target folder and name exceed MaxPathLength
    NegativeSize,
    DataCut,       // the size runs past the end of the archive
    CreateFailed,  // the output file could not be created
    ReadFailed,    // the archive could not be read
    WriteFailed,   // the output file could not be written
};

// A short English description of a fault, for the packer's reports.
const char* DescribeFault(RecordFault fault);

// Why `name` must not be unpacked, or nullptr when it may be. A name is
// unsafe when it is empty, absolute, holds a colon or a control character,
// climbs with a ".." component, or names a device in any component.
const char* UnsafeNameReason(std::string_view name);

// The folder part of a record's name: up to and including its last backslash,
// slash or colon; empty when it has none.
std::string_view FolderPart(std::string_view name);

struct RecordHeader {
    std::string name;
    std::int32_t size = 0;
};

// Reads a header from HeaderSize bytes; the padding after the name is ignored.
RecordHeader DecodeHeader(std::span<const unsigned char, HeaderSize> bytes);

// Writes a header into HeaderSize bytes, the padding as zeros. The name must
// be at most 255 characters.
void EncodeHeader(std::string_view name, std::int32_t size, std::span<unsigned char, HeaderSize> bytes);

// The judgement of one header: `remaining` is what the archive holds after
// the header, `targetLength` the length of the folder the names are appended to.
RecordFault JudgeRecord(const RecordHeader& header, std::uint64_t remaining, std::size_t targetLength);

class ArchiveSource {
public:
    virtual ~ArchiveSource() = default;
    // Reads up to `size` bytes; answers how many arrived, 0 at the end or on a failure.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
};

// One record as the walk hands it to its target.
struct Record {
    std::uint64_t offset = 0;  // of its header in the archive
    std::string name;
    std::int32_t size = 0;
    std::string path;          // target folder + name
};

class RecordTarget {
public:
    virtual ~RecordTarget() = default;
    // Makes sure the folder a record goes into exists; a failure shows when
    // the file is created.
    virtual void MakeFolder(const std::string& folder) = 0;
    virtual bool Create(const Record& record) = 0;
    virtual bool Write(const void* data, std::size_t size) = 0;
    // Closes the file of the last Create that succeeded, whatever came after.
    virtual void Close() = 0;
};

struct WalkResult {
    std::size_t unpacked = 0;               // records written in full
    RecordFault fault = RecordFault::None;  // why the walk ended early
    std::uint64_t faultOffset = 0;          // where the record that ended it starts
    std::string faultName;                  // its name, when its header was read
};

// Walks the records of an archive of `archiveSize` bytes, from the start, and
// writes each through `target` below `targetFolder` (names are appended to it
// as they stand). The first record that cannot be unpacked ends the walk;
// nothing is asked of the target for it, unless creating or writing its file
// is what failed. `buffer` carries the data and may have any size above zero.
WalkResult WalkRecords(ArchiveSource& archive, std::uint64_t archiveSize, std::string_view targetFolder,
                       RecordTarget& target, std::span<unsigned char> buffer);

} // namespace payload
