// The walk over the records of Setup.Dat: which records are unpacked, where
// they go, and where and why the walk stops.
#include "payload/RecordWalk.h"
#include "tests/native/MemoryArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;
using payload::HeaderSize;
using payload::RecordFault;
using payload_test::MemoryArchive;
using payload_test::RecordingTarget;
using payload_test::WrittenFile;

namespace {

constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();

// Builds an archive byte by byte: whole records, headers whose data is
// missing or whose size bytes are given raw, and loose bytes.
class ArchiveBuilder {
public:
    // A whole record; `padding` is repeated over the name field after the name.
    ArchiveBuilder& File(std::string_view name, std::string_view data, std::string_view padding = {})
    {
        Header(name, static_cast<std::int32_t>(data.size()), padding);
        bytes_ += data;
        return *this;
    }

    // A header that declares `size` bytes; the data is up to the caller.
    ArchiveBuilder& Header(std::string_view name, std::int32_t size, std::string_view padding = {})
    {
        std::array<unsigned char, HeaderSize> header;
        payload::EncodeHeader(name, size, header);
        if (!padding.empty())
            for (std::size_t i = 1 + name.size(); i < payload::NameFieldSize; ++i)
                header[i] = static_cast<unsigned char>(padding[(i - 1 - name.size()) % padding.size()]);
        bytes_.append(reinterpret_cast<const char*>(header.data()), header.size());
        return *this;
    }

    // A header with its four size bytes as given, least significant first.
    ArchiveBuilder& HeaderWithSizeBytes(std::string_view name, std::string_view sizeBytes)
    {
        Header(name, 0);
        bytes_.replace(bytes_.size() - 4, 4, sizeBytes);
        return *this;
    }

    ArchiveBuilder& Bytes(std::string_view raw)
    {
        bytes_ += raw;
        return *this;
    }

    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

std::span<const unsigned char> AsBytes(const std::string& archive)
{
    return {reinterpret_cast<const unsigned char*>(archive.data()), archive.size()};
}

struct Walked {
    payload::WalkResult result;
    RecordingTarget target;
    bool askedPastEnd = false;
    std::size_t sourcePosition = 0;
};

struct WalkSettings {
    std::size_t bufferSize = 4096;
    std::size_t maxChunk = NoLimit;     // most bytes the source gives per Read
    std::size_t sourceShortBy = 0;      // the source ends this many bytes before the size the walk is told
};

Walked Walk(const std::string& archive, std::string_view folder, RecordingTarget target = {},
            WalkSettings settings = {})
{
    const std::span<const unsigned char> bytes = AsBytes(archive);
    MemoryArchive source(bytes.first(bytes.size() - settings.sourceShortBy), settings.maxChunk);
    std::vector<unsigned char> buffer(settings.bufferSize);
    Walked walked;
    walked.result = payload::WalkRecords(source, archive.size(), folder, target, buffer);
    walked.target = std::move(target);
    walked.askedPastEnd = source.AskedPastEnd();
    walked.sourcePosition = source.Position();
    return walked;
}

// What holds for every walk of a target that never fails: the records lie back
// to back from the start, each file holds exactly its slice of the archive,
// and every file was closed.
void ExpectFilesAreTheirSlices(const std::string& archive, const Walked& walked)
{
    EXPECT_EQ(walked.target.protocolError, "");
    EXPECT_FALSE(walked.askedPastEnd);
    EXPECT_FALSE(walked.target.FileOpen());
    std::uint64_t offset = 0;
    for (const WrittenFile& file : walked.target.files) {
        SCOPED_TRACE(file.record.path);
        EXPECT_EQ(file.record.offset, offset);
        ASSERT_LE(offset + HeaderSize + file.record.size, archive.size());
        EXPECT_EQ(file.data, archive.substr(offset + HeaderSize, file.record.size));
        EXPECT_TRUE(file.closed);
        offset += HeaderSize + file.record.size;
    }
}

// Names of 255 characters and of the most that fits after a 21-character folder.
const std::string LongestName = std::string(250, 'n') + ".html";
const std::string NameFillingLongFolder = std::string(230, 'n') + ".txt";
const std::string NameOneTooLongForLongFolder = std::string(231, 'n') + ".txt";
constexpr const char* LongFolder = "C:\\Temp\\TOLVAInstall\\";
const std::string PathFillingLongFolder = LongFolder + NameFillingLongFolder;

// A header of 259 bytes: one short of whole.
std::string CutHeader()
{
    return ArchiveBuilder().File("next.txt", "lost").Take().substr(0, HeaderSize - 1);
}

struct ExpectedFile {
    const char* path;
    const char* folder;  // given to MakeFolder before the file is created
    const char* data;
};

struct WalkCase {
    const char* what;
    std::string (*archive)();
    const char* targetFolder;
    std::vector<ExpectedFile> files;
    RecordFault fault;
    std::uint64_t faultOffset;
    const char* faultName;
};

TEST(RecordWalk, CraftedArchives)
{
    const std::vector<WalkCase> cases = {
        {"empty archive", [] { return std::string(); }, "C:\\T\\", {}, RecordFault::None, 0, ""},
        {"a record of size 0, then a normal one",
         [] { return ArchiveBuilder().File("empty.txt", "").File("readme.txt", "hello").Take(); },
         "C:\\T\\",
         {{"C:\\T\\empty.txt", "C:\\T\\", ""}, {"C:\\T\\readme.txt", "C:\\T\\", "hello"}},
         RecordFault::None, 0, ""},
        {"size far past the end",
         [] { return ArchiveBuilder().File("a.txt", "abc").Header("big.bin", 100).Bytes("0123456789").Take(); },
         "C:\\T\\", {{"C:\\T\\a.txt", "C:\\T\\", "abc"}}, RecordFault::DataCut, 263, "big.bin"},
        {"size one past the end",
         [] { return ArchiveBuilder().File("a.txt", "abc").Header("b.bin", 4).Bytes("xyz").Take(); },
         "C:\\T\\", {{"C:\\T\\a.txt", "C:\\T\\", "abc"}}, RecordFault::DataCut, 263, "b.bin"},
        {"size up to the very end",
         [] { return ArchiveBuilder().File("a.txt", "abc").Header("b.bin", 3).Bytes("xyz").Take(); },
         "C:\\T\\", {{"C:\\T\\a.txt", "C:\\T\\", "abc"}, {"C:\\T\\b.bin", "C:\\T\\", "xyz"}}, RecordFault::None, 0,
         ""},
        {"size -1",
         [] {
             return ArchiveBuilder().File("a.txt", "abc").HeaderWithSizeBytes("neg.bin", "\xff\xff\xff\xff").Bytes("d")
                 .Take();
         },
         "C:\\T\\", {{"C:\\T\\a.txt", "C:\\T\\", "abc"}}, RecordFault::NegativeSize, 263, "neg.bin"},
        {"size -2^31 in the first record",
         [] { return ArchiveBuilder().HeaderWithSizeBytes("neg.bin", "\x00\x00\x00\x80"sv).Bytes("data").Take(); },
         "C:\\T\\", {}, RecordFault::NegativeSize, 0, "neg.bin"},
        {"size 2^31-1 is large, not negative",
         [] { return ArchiveBuilder().HeaderWithSizeBytes("huge.bin", "\xff\xff\xff\x7f").Bytes("data").Take(); },
         "C:\\T\\", {}, RecordFault::DataCut, 0, "huge.bin"},
        {"a header of 1 byte", [] { return std::string("\x05"); }, "C:\\T\\", {}, RecordFault::HeaderCut, 0, ""},
        {"a header of 259 bytes after a record",
         [] { return ArchiveBuilder().File("a.txt", "abc").Bytes(CutHeader()).Take(); }, "C:\\T\\",
         {{"C:\\T\\a.txt", "C:\\T\\", "abc"}}, RecordFault::HeaderCut, 263, ""},
        {"a name of 255 characters below an empty folder",
         [] { return ArchiveBuilder().File(LongestName, "x").Take(); }, "",
         {{LongestName.c_str(), "", "x"}}, RecordFault::None, 0, ""},
        {"a name of 255 characters below a folder of 1",
         [] { return ArchiveBuilder().File(LongestName, "x").Take(); }, "C", {}, RecordFault::PathTooLong, 0,
         LongestName.c_str()},
        {"a name that just fits its folder",
         [] { return ArchiveBuilder().File(NameFillingLongFolder, "x").Take(); }, LongFolder,
         {{PathFillingLongFolder.c_str(), LongFolder, "x"}}, RecordFault::None, 0, ""},
        {"a name one too long for its folder",
         [] { return ArchiveBuilder().File("a.txt", "1").File(NameOneTooLongForLongFolder, "x").Take(); },
         LongFolder, {{"C:\\Temp\\TOLVAInstall\\a.txt", LongFolder, "1"}}, RecordFault::PathTooLong, 261,
         NameOneTooLongForLongFolder.c_str()},
        {"garbage in the padding after the names",
         [] {
             return ArchiveBuilder().File("readme.txt", "hello", "..\\CON:\x01\xff").File("b", "x", "\\\\").Take();
         },
         "C:\\T\\", {{"C:\\T\\readme.txt", "C:\\T\\", "hello"}, {"C:\\T\\b", "C:\\T\\", "x"}}, RecordFault::None, 0,
         ""},
        {"names with sub-folders",
         [] { return ArchiveBuilder().File("html\\images\\a.gif", "GIF89a").File("html\\b.html", "<p>").Take(); },
         "C:\\T\\",
         {{"C:\\T\\html\\images\\a.gif", "C:\\T\\html\\images\\", "GIF89a"},
          {"C:\\T\\html\\b.html", "C:\\T\\html\\", "<p>"}},
         RecordFault::None, 0, ""},
        {"a fault stops the walk before later good records",
         [] {
             return ArchiveBuilder()
                 .File("a.txt", "1")
                 .HeaderWithSizeBytes("neg.bin", "\xfe\xff\xff\xff")
                 .File("c.txt", "3")
                 .Take();
         },
         "C:\\T\\", {{"C:\\T\\a.txt", "C:\\T\\", "1"}}, RecordFault::NegativeSize, 261, "neg.bin"},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive = c.archive();
        const Walked walked = Walk(archive, c.targetFolder);
        ExpectFilesAreTheirSlices(archive, walked);
        EXPECT_EQ(walked.result.fault, c.fault);
        EXPECT_EQ(walked.result.faultOffset, c.faultOffset);
        EXPECT_EQ(walked.result.faultName, c.faultName);
        EXPECT_EQ(walked.result.unpacked, c.files.size());
        // The record that ends the walk is never handed to the target, not even its folder.
        const auto callsOf = [&](std::string_view kind) {
            return std::count_if(walked.target.calls.begin(), walked.target.calls.end(),
                                 [&](const std::string& call) { return call.starts_with(kind); });
        };
        EXPECT_EQ(callsOf("folder "), static_cast<std::ptrdiff_t>(c.files.size()));
        EXPECT_EQ(callsOf("create "), static_cast<std::ptrdiff_t>(c.files.size()));
        ASSERT_EQ(walked.target.files.size(), c.files.size());
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const WrittenFile& file = walked.target.files[i];
            EXPECT_EQ(file.record.path, c.files[i].path);
            EXPECT_EQ(file.folder, c.files[i].folder);
            EXPECT_EQ(file.data, c.files[i].data);
        }
    }
}

struct NameCase {
    std::string_view name;
    const char* reasonWord;  // found in the reason of an unsafe name
};

const std::vector<NameCase> UnsafeNames = {
    {"", "empty"},
    {"\\windows\\win.ini", "absolute"},
    {"/etc/passwd", "absolute"},
    {"\\\\server\\share\\x", "absolute"},
    {"C:\\autoexec.bat", "colon"},
    {"C:win.ini", "colon"},
    {"readme.txt:hidden", "colon"},
    {"a\x01.txt", "control"},
    {"tab\there", "control"},
    {"end\x1f", "control"},
    {"a\0.exe"sv, "control"},
    {"..", "climbs"},
    {"..\\win.ini", "climbs"},
    {"../win.ini", "climbs"},
    {"html\\..\\..\\win.ini", "climbs"},
    {"html/../../win.ini", "climbs"},
    {"html\\..", "climbs"},
    {".. \\win.ini", "climbs"},
    {"..   ", "climbs"},
    {"...\\win.ini", "climbs"},
    {"html\\....\\x", "climbs"},
    {".. .\\win.ini", "climbs"},
    {"html\\. .\\x", "climbs"},
    {"CON", "device"},
    {"con", "device"},
    {"Con.txt", "device"},
    {"CON .txt", "device"},
    {"nul ", "device"},
    {"NUL.tar.gz", "device"},
    {"PRN", "device"},
    {"aux.h", "device"},
    {"COM1", "device"},
    {"com9.log", "device"},
    {"LPT1", "device"},
    {"lpt9", "device"},
    {"CONIN$", "device"},
    {"conout$.txt", "device"},
    {"html\\con.html", "device"},
    {"a/aux/b.txt", "device"},
    {"COM\xb9", "device"},
    {"lpt\xb2.txt", "device"},
    {"Com\xb3", "device"},
};

const std::vector<std::string_view> SafeNames = {
    "readme.txt", "html\\images\\logo.gif", "html/images/logo.gif", "console.txt", "COM10", "com0", "lpt0",
    "COM\xb4", "COM\xb1", "CONIN", "conx", "LPT", "prn1", "auxiliary.txt", "nul_file.txt", "x.con", "a..b",
    "..a", ".hidden", "a\\.\\b", "a b.txt", "\xe9t\xe9.txt",
};

TEST(UnsafeNameReason, JudgesEachComponent)
{
    for (const NameCase& c : UnsafeNames) {
        const char* reason = payload::UnsafeNameReason(c.name);
        ASSERT_NE(reason, nullptr) << "unsafe name judged safe: " << c.name;
        EXPECT_NE(std::string_view(reason).find(c.reasonWord), std::string_view::npos)
            << "name: " << c.name << ", reason: " << reason;
    }
    for (const std::string_view name : SafeNames)
        EXPECT_EQ(payload::UnsafeNameReason(name), nullptr) << "safe name judged unsafe: " << name;
}

TEST(RecordWalk, StopsAtAnUnsafeNameAndUnpacksSafeOnes)
{
    for (const NameCase& c : UnsafeNames) {
        SCOPED_TRACE(testing::Message() << "unsafe name: " << c.name);
        const std::string archive =
            ArchiveBuilder().File("ok.txt", "1").File(c.name, "2").File("after.txt", "3").Take();
        const Walked walked = Walk(archive, "C:\\T\\");
        ExpectFilesAreTheirSlices(archive, walked);
        EXPECT_EQ(walked.result.fault, RecordFault::UnsafeName);
        EXPECT_EQ(walked.result.faultOffset, 261u);
        EXPECT_EQ(walked.result.faultName, c.name);
        EXPECT_EQ(walked.result.unpacked, 1u);
        EXPECT_EQ(walked.target.calls,
                  (std::vector<std::string>{"folder C:\\T\\", "create C:\\T\\ok.txt", "write 1", "close"}));
    }
    for (const std::string_view name : SafeNames) {
        SCOPED_TRACE(testing::Message() << "safe name: " << name);
        const Walked walked = Walk(ArchiveBuilder().File(name, "2").Take(), "C:\\T\\");
        EXPECT_EQ(walked.result.fault, RecordFault::None);
        ASSERT_EQ(walked.target.files.size(), 1u);
        EXPECT_EQ(walked.target.files[0].record.path, "C:\\T\\" + std::string(name));
    }
}

struct TargetFailureCase {
    const char* what;
    std::size_t failCreateAt;
    std::size_t failWriteAt;
    WalkSettings settings;
    std::vector<std::string_view> calls;
    RecordFault fault;
    const char* secondFileData;  // nullptr: the second file was never created
};

TEST(RecordWalk, FailureOfTargetOrSourceEndsTheWalk)
{
    // The second record is 261 bytes in and carries 6 bytes, written in chunks of 2.
    const std::string archive =
        ArchiveBuilder().File("a.txt", "1").File("html\\b.txt", "abcdef").File("c.txt", "3").Take();
    const std::size_t never = RecordingTarget::Never;
    const std::vector<TargetFailureCase> cases = {
        {"the second Create fails", 1, never, {.bufferSize = 2},
         {"folder C:\\T\\", "create C:\\T\\a.txt", "write 1", "close", "folder C:\\T\\html\\",
          "create C:\\T\\html\\b.txt"},
         RecordFault::CreateFailed, nullptr},
        {"the second chunk of the second file fails to write", never, 2, {.bufferSize = 2},
         {"folder C:\\T\\", "create C:\\T\\a.txt", "write 1", "close", "folder C:\\T\\html\\",
          "create C:\\T\\html\\b.txt", "write 2", "write 2", "close"},
         RecordFault::WriteFailed, "ab"},
        {"the archive ends early in the second file's data", never, never,
         // Short by the last 3 bytes of "abcdef" and the whole third record.
         {.bufferSize = 2, .sourceShortBy = 3 + 260 + 1},
         {"folder C:\\T\\", "create C:\\T\\a.txt", "write 1", "close", "folder C:\\T\\html\\",
          "create C:\\T\\html\\b.txt", "write 2", "close"},
         RecordFault::ReadFailed, "ab"},
    };
    for (const TargetFailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingTarget target;
        target.failCreateAt = c.failCreateAt;
        target.failWriteAt = c.failWriteAt;
        const Walked walked = Walk(archive, "C:\\T\\", target, c.settings);
        EXPECT_EQ(walked.target.protocolError, "");
        EXPECT_FALSE(walked.target.FileOpen());
        EXPECT_EQ(walked.result.fault, c.fault);
        EXPECT_EQ(walked.result.faultOffset, 261u);
        EXPECT_EQ(walked.result.faultName, "html\\b.txt");
        EXPECT_EQ(walked.result.unpacked, 1u);
        EXPECT_EQ(walked.target.calls, std::vector<std::string>(c.calls.begin(), c.calls.end()));
        ASSERT_EQ(walked.target.files.size(), c.secondFileData ? 2u : 1u);
        if (c.secondFileData) {
            EXPECT_EQ(walked.target.files[1].data, c.secondFileData);
        }
    }
}

TEST(RecordWalk, EmptyBufferReadsNothing)
{
    const std::string archive = ArchiveBuilder().File("a.txt", "1").Take();
    MemoryArchive source(AsBytes(archive));
    RecordingTarget target;
    const payload::WalkResult result = payload::WalkRecords(source, archive.size(), "C:\\T\\", target, {});
    EXPECT_EQ(result.fault, RecordFault::ReadFailed);
    EXPECT_EQ(result.faultOffset, 0u);
    EXPECT_EQ(result.unpacked, 0u);
    EXPECT_TRUE(target.calls.empty());
}

// Bytes that differ from record to record and from one position to the next,
// so that a chunk written twice, skipped or put into the wrong file shows.
std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed * 101 + i / 256) & 0xff);
    return bytes;
}

TEST(RecordWalk, SameFilesWhateverTheReadAndBufferSizes)
{
    const std::string archive = ArchiveBuilder()
                                    .File("empty.txt", "")
                                    .File("one.txt", Pattern(1, 1))
                                    .File("html\\seven.html", Pattern(7, 2))
                                    .File("html\\images\\hundred.gif", Pattern(100, 3))
                                    .File("thousand.bin", Pattern(1000, 4))
                                    .Header("cut.bin", 50)
                                    .Bytes(Pattern(49, 5))
                                    .Take();
    const Walked reference = Walk(archive, "C:\\T\\");
    ExpectFilesAreTheirSlices(archive, reference);
    ASSERT_EQ(reference.target.files.size(), 5u);
    EXPECT_EQ(reference.target.files[4].data, Pattern(1000, 4));
    EXPECT_EQ(reference.result.fault, RecordFault::DataCut);

    const std::vector<WalkSettings> variants = {
        {.bufferSize = 1}, {.maxChunk = 1}, {.bufferSize = 1, .maxChunk = 1}, {.bufferSize = 7, .maxChunk = 3},
        {.bufferSize = 3, .maxChunk = 7}, {.bufferSize = 1000}, {.bufferSize = 999, .maxChunk = 259},
    };
    for (const WalkSettings& settings : variants) {
        SCOPED_TRACE(testing::Message() << "buffer " << settings.bufferSize << ", reads of at most "
                                        << settings.maxChunk);
        const Walked walked = Walk(archive, "C:\\T\\", {}, settings);
        ExpectFilesAreTheirSlices(archive, walked);
        EXPECT_EQ(walked.result.fault, reference.result.fault);
        EXPECT_EQ(walked.result.faultOffset, reference.result.faultOffset);
        EXPECT_EQ(walked.result.unpacked, reference.result.unpacked);
        ASSERT_EQ(walked.target.files.size(), reference.target.files.size());
        for (std::size_t i = 0; i < walked.target.files.size(); ++i) {
            EXPECT_EQ(walked.target.files[i].record.path, reference.target.files[i].record.path);
            EXPECT_EQ(walked.target.files[i].data, reference.target.files[i].data);
        }
        // The header of the cut record is read, its data is not.
        EXPECT_EQ(walked.sourcePosition, reference.result.faultOffset + HeaderSize);
    }
}

TEST(RecordHeader, EncodesLittleEndianAndIgnoresPadding)
{
    std::array<unsigned char, HeaderSize> bytes;
    bytes.fill(0xee);
    payload::EncodeHeader("ab", 0x01020304, bytes);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[1], 'a');
    EXPECT_EQ(bytes[2], 'b');
    for (std::size_t i = 3; i < payload::NameFieldSize; ++i) ASSERT_EQ(bytes[i], 0) << "padding byte " << i;
    EXPECT_EQ(bytes[256], 0x04);
    EXPECT_EQ(bytes[257], 0x03);
    EXPECT_EQ(bytes[258], 0x02);
    EXPECT_EQ(bytes[259], 0x01);

    std::fill(bytes.begin() + 3, bytes.begin() + payload::NameFieldSize, 0xaa);
    const payload::RecordHeader header = payload::DecodeHeader(bytes);
    EXPECT_EQ(header.name, "ab");
    EXPECT_EQ(header.size, 0x01020304);
}

TEST(RecordHeader, RoundTrips)
{
    const std::vector<std::string_view> names = {"", "readme.txt", LongestName, "\xff\x80 high bytes",
                                                 "zero\0inside"sv};
    const std::vector<std::int32_t> sizes = {0, 1, -1, 0x7fffffff, std::numeric_limits<std::int32_t>::min(),
                                             0x01020304, 255, 256};
    for (const std::string_view name : names) {
        for (const std::int32_t size : sizes) {
            std::array<unsigned char, HeaderSize> bytes;
            payload::EncodeHeader(name, size, bytes);
            const payload::RecordHeader header = payload::DecodeHeader(bytes);
            EXPECT_EQ(header.name, name);
            EXPECT_EQ(header.size, size) << "name: " << name;
        }
    }
}

TEST(FolderPart, UpToTheLastSeparatorOrColon)
{
    struct Case {
        std::string_view name;
        std::string_view folder;
    };
    const std::vector<Case> cases = {
        {"a.txt", ""},
        {"html\\a.gif", "html\\"},
        {"html\\images\\a.gif", "html\\images\\"},
        {"html/images\\a.gif", "html/images\\"},
        {"html\\images/a.gif", "html\\images/"},
        {"a\\b\\", "a\\b\\"},
        {"C:a.txt", "C:"},
        {"C:\\x\\y", "C:\\x\\"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(payload::FolderPart(c.name), c.folder) << "name: " << c.name;
}

} // namespace
