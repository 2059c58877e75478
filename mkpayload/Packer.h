// The payload packer: writes Setup.Dat from a folder, lists its records and
// checks it against the product's file tables. Every command reports on the
// streams it is given and answers the exit status of the program.
#pragma once

#include "payload/RecordWalk.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace mkpayload {

namespace fs = std::filesystem;

enum ExitStatus : int {
    ExitOk = 0,
    ExitRefused = 1,    // the payload or the files to pack are faulty
    ExitUsageOrIo = 2,  // a bad command line, or a file that could not be read or written
};

inline constexpr std::size_t DefaultChunkSize = std::size_t(1) << 20;
// A record's size is a signed 32-bit number.
inline constexpr std::uint64_t RecordSizeLimit = std::uint64_t(1) << 31;

struct PackOptions {
    std::size_t chunkSize = DefaultChunkSize;  // of the one buffer the data passes through
    bool verbose = false;                      // one line per packed file on `out`
};

// Packs every regular file below `folder` into `output`, sorted by record name.
// Nothing is written when a file is refused; `output` is replaced only once
// the new archive is complete.
int Pack(const fs::path& folder, const fs::path& output, const PackOptions& options, std::ostream& out,
         std::ostream& err);

// What the installer's walk makes of an archive, without writing anything.
struct PayloadContents {
    std::vector<payload::Record> records;  // those unpacked in full, in archive order
    payload::WalkResult walk;
};

// Walks `archive`; false, after a message on `err`, when it cannot be opened.
bool ReadContents(const fs::path& archive, PayloadContents& contents, std::ostream& err);

// The fault that ended a walk, as one line: offset, name and reason.
std::string DescribeWalkFault(const payload::WalkResult& walk);

// Prints offset, size and name of every record; a faulty record ends the list.
int List(const fs::path& archive, std::ostream& out, std::ostream& err);

// How the installation would use the top-level records of a payload.
struct CheckReport {
    std::vector<std::string> missing;       // required files without a record, default.ini apart
    bool defaultIniMissing = false;         // needed only where the folder has no default.ini yet
    std::size_t pictures = 0;
    std::vector<std::string> neverCopied;   // unpacked, but in no table and no picture
};

// Judges the records as the installation copies them: top-level names only,
// matched without regard to ASCII letter case.
CheckReport CheckRecords(std::span<const payload::Record> records);

// Says whether an installation from `archive` can succeed.
int Check(const fs::path& archive, std::ostream& out, std::ostream& err);

// The program: `args` are the command-line arguments after the program name.
int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace mkpayload
