// libFuzzer target: any input is an archive Setup.Dat. The walk may stop
// anywhere, but what it writes must always be the archive's own records,
// below the target folder, in order and whole.
#include "payload/RecordWalk.h"
#include "tests/native/MemoryArchive.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view TargetFolder = "C:\\Temp\\TOLVAInstall\\";

// Small and odd against each other, so that records are copied in many
// chunks and a read seldom ends where a chunk does.
constexpr std::size_t BufferSize = 7;
constexpr std::size_t MostBytesPerRead = 5;

void Check(bool holds)
{
    if (!holds) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using payload::HeaderSize;
    using payload::RecordFault;

    payload_test::MemoryArchive source({data, size}, MostBytesPerRead);
    payload_test::RecordingTarget target;
    std::array<unsigned char, BufferSize> buffer;
    const payload::WalkResult result = payload::WalkRecords(source, size, TargetFolder, target, buffer);

    Check(target.protocolError.empty());
    Check(!target.FileOpen());
    Check(!source.AskedPastEnd());
    Check(source.Position() <= size);
    // A target that never fails and a source that holds what the walk was told
    // leave only the archive's own faults.
    Check(result.fault != RecordFault::CreateFailed && result.fault != RecordFault::WriteFailed &&
          result.fault != RecordFault::ReadFailed);
    Check(result.unpacked == target.files.size());
    Check(target.BytesWritten() <= size);

    std::uint64_t offset = 0;
    for (const payload_test::WrittenFile& file : target.files) {
        const payload::Record& record = file.record;
        Check(record.offset == offset);
        Check(record.path.size() <= payload::MaxPathLength);
        Check(record.path.starts_with(TargetFolder));
        Check(std::string_view(record.path).substr(TargetFolder.size()) == record.name);
        Check(payload::UnsafeNameReason(record.name) == nullptr);
        Check(file.folder == std::string(TargetFolder) + std::string(payload::FolderPart(record.name)));
        Check(file.closed);
        Check(record.size >= 0);
        Check(offset + HeaderSize + static_cast<std::uint64_t>(record.size) <= size);
        Check(file.data.size() == static_cast<std::size_t>(record.size));
        Check(std::string_view(file.data) ==
              std::string_view(reinterpret_cast<const char*>(data) + offset + HeaderSize, file.data.size()));
        offset += HeaderSize + static_cast<std::uint64_t>(record.size);
    }

    // The walk ends at the end of the archive or at the record after the last
    // one written, and it says why in a way the bytes there bear out.
    if (result.fault == RecordFault::None) {
        Check(offset == size);
        return 0;
    }
    Check(result.faultOffset == offset);
    Check(offset < size);
    const std::uint64_t left = size - offset;
    if (result.fault == RecordFault::HeaderCut) {
        Check(left < HeaderSize);
        Check(result.faultName.empty());
        return 0;
    }
    Check(left >= HeaderSize);
    const std::uint8_t* header = data + offset;
    Check(result.faultName == std::string_view(reinterpret_cast<const char*>(header) + 1, header[0]));
    const bool negative = (header[HeaderSize - 1] & 0x80) != 0;
    switch (result.fault) {
    case RecordFault::UnsafeName: Check(payload::UnsafeNameReason(result.faultName) != nullptr); break;
    case RecordFault::PathTooLong: Check(TargetFolder.size() + result.faultName.size() > payload::MaxPathLength); break;
    case RecordFault::NegativeSize: Check(negative); break;
    case RecordFault::DataCut: {
        const std::uint8_t* sizeBytes = header + payload::NameFieldSize;
        const std::uint32_t declared = std::uint32_t(sizeBytes[0]) | std::uint32_t(sizeBytes[1]) << 8 |
                                       std::uint32_t(sizeBytes[2]) << 16 | std::uint32_t(sizeBytes[3]) << 24;
        Check(!negative && declared > left - HeaderSize);
        break;
    }
    default: Check(false);
    }
    return 0;
}
