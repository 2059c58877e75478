// The payload packer: what it packs comes back from the installer's walk byte
// for byte, what the installer would refuse never reaches an archive, and
// list and check read an archive the way the installation does.
#include "mkpayload/Packer.h"
#include "payload/FileTables.h"
#include "payload/RecordWalk.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using mkpayload::ExitOk;
using mkpayload::ExitRefused;
using mkpayload::ExitUsageOrIo;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// A small file below `tree`; answers `name`.
std::string MakeFile(const fs::path& tree, const std::string& name)
{
    WriteFile(tree / name, "x");
    return name;
}

// One record as the installer reads it; `size` overrides the length of `data`.
void AppendRecord(std::string& archive, std::string_view name, const std::string& data, std::int32_t size = -2)
{
    std::array<unsigned char, payload::HeaderSize> header;
    payload::EncodeHeader(name, size == -2 ? static_cast<std::int32_t>(data.size()) : size, header);
    archive.append(reinterpret_cast<const char*>(header.data()), header.size());
    archive += data;
}

class MemorySource : public payload::ArchiveSource {
public:
    explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
    std::size_t Read(void* buffer, std::size_t size) override
    {
        const std::size_t count = std::min(size, bytes_.size() - position_);
        std::copy_n(bytes_.data() + position_, count, static_cast<char*>(buffer));
        position_ += count;
        return count;
    }

private:
    const std::string& bytes_;
    std::size_t position_ = 0;
};

class MemoryTarget : public payload::RecordTarget {
public:
    std::vector<std::pair<std::string, std::string>> files;
    void MakeFolder(const std::string&) override {}
    bool Create(const payload::Record& record) override
    {
        files.emplace_back(record.path, std::string());
        return true;
    }
    bool Write(const void* data, std::size_t size) override
    {
        files.back().second.append(static_cast<const char*>(data), size);
        return true;
    }
    void Close() override {}
};

// Every test works in a fresh folder of its own.
class PackerFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::random_device random;
        root_ = fs::temp_directory_path() /
                (std::string("mkpayload-") + test->test_suite_name() + "-" + test->name() + "-" +
                 std::to_string(random()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // A new empty folder below the test's folder.
    fs::path Folder(const std::string& name)
    {
        const fs::path folder = root_ / name;
        fs::create_directories(folder);
        return folder;
    }

    fs::path root_;
};

std::vector<std::string> RequiredNames()
{
    std::vector<std::string> names(payload::ProgramFiles.begin(), payload::ProgramFiles.end());
    names.insert(names.end(), payload::WebFiles.begin(), payload::WebFiles.end());
    names.emplace_back(payload::ControlPanelApplet);
    return names;
}

std::vector<std::string> Without(std::vector<std::string> names, std::initializer_list<std::string_view> removed)
{
    std::erase_if(names, [&](const std::string& name) {
        return std::find(removed.begin(), removed.end(), name) != removed.end();
    });
    return names;
}

} // namespace

using Pack = PackerFolder;
using List = PackerFolder;
using Check = PackerFolder;
using PackerCommandLine = PackerFolder;

TEST_F(Pack, RoundTripGivesBackEveryFileInNameOrder)
{
    const fs::path tree = Folder("tree");
    std::string big(300 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
    const std::string longFolder(200, 'x');
    const std::string longFile(54, 'y');
    // In byte order of the record names: '-' < '\\' < '_', and upper case first.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"B.txt", "upper case sorts first\n"},
        {"big.bin", big},
        {"empty.dat", ""},
        {"html-old.txt", "old pages\n"},
        {"html\\images\\logo.gif", std::string("GIF89a\0\1\0\1", 10)},
        {"html\\index.html", "<html><body>index</body></html>\n"},
        {"html_x.txt", "x\n"},
        {"readme.txt", "TOLVA\r\n"},
        {longFolder + "\\" + longFile, "a name of exactly 255 characters\n"},
    };
    ASSERT_EQ(expected.back().first.size(), 255u);
    for (const auto& [name, data] : expected) {
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        WriteFile(tree / relative, data);
    }
    // The output inside the tree, with an older archive in its place.
    const fs::path output = tree / "Setup.Dat";
    WriteFile(output, "an older archive");

    mkpayload::PackOptions options;
    options.chunkSize = 64 * 1024;
    std::ostringstream out, err;
    ASSERT_EQ(mkpayload::Pack(tree, output, options, out, err), ExitOk) << err.str();
    EXPECT_EQ(out.str(), "") << "quiet without --verbose";
    EXPECT_FALSE(fs::exists(tree / "Setup.Dat.tmp"));

    const std::string archive = ReadFile(output);
    MemorySource source(archive);
    MemoryTarget target;
    std::vector<unsigned char> buffer(4096);
    const payload::WalkResult walk = payload::WalkRecords(source, archive.size(), "", target, buffer);
    EXPECT_EQ(walk.fault, payload::RecordFault::None) << payload::DescribeFault(walk.fault);
    ASSERT_EQ(target.files.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(target.files[i].first, expected[i].first) << "record " << i;
        EXPECT_TRUE(target.files[i].second == expected[i].second) << "data of " << expected[i].first;
    }

    std::ostringstream listing, listErr;
    ASSERT_EQ(mkpayload::List(output, listing, listErr), ExitOk) << listErr.str();
    std::istringstream lines(listing.str());
    std::uint64_t offset = 0;
    for (const auto& [name, data] : expected) {
        std::uint64_t listedOffset = 0, listedSize = 0;
        std::string listedName;
        lines >> listedOffset >> listedSize >> listedName;
        EXPECT_EQ(listedOffset, offset) << name;
        EXPECT_EQ(listedSize, data.size()) << name;
        EXPECT_EQ(listedName, name);
        offset += payload::HeaderSize + data.size();
    }
    std::string extra;
    EXPECT_FALSE(lines >> extra) << "a line too many: " << extra;
    EXPECT_EQ(offset, archive.size());
}

TEST_F(Pack, RefusesWhatTheInstallerCannotUnpackAndWritesNothing)
{
    struct Case {
        const char* reason;                       // part of the message
        std::string (*make)(const fs::path& tree);  // makes the file, answers its path below the tree
    };
    const Case cases[] = {
        {"device name", [](const fs::path& t) { return MakeFile(t, "nul.txt"); }},
        {"device name", [](const fs::path& t) { return MakeFile(t, "html/con"); }},
        {"colon", [](const fs::path& t) { return MakeFile(t, "a:b.txt"); }},
        {"control character", [](const fs::path& t) { return MakeFile(t, "tab\there"); }},
        {"longer than 255", [](const fs::path& t) { return MakeFile(t, std::string(200, 'l') + "/" + std::string(55, 'n')); }},
        {"non-ASCII", [](const fs::path& t) { return MakeFile(t, "caf\xC3\xA9.txt"); }},
        {"does not allow", [](const fs::path& t) { return MakeFile(t, "what?.txt"); }},
        {"dot or a blank", [](const fs::path& t) { return MakeFile(t, "notes."); }},
        {"backslash", [](const fs::path& t) { return MakeFile(t, "a\\b.txt"); }},
        {"letter case",
         [](const fs::path& t) {
             MakeFile(t, "Notes.txt");
             return MakeFile(t, "notes.txt");
         }},
        {"FIFO",
         [](const fs::path& t) {
             EXPECT_EQ(::mkfifo((t / "queue").c_str(), 0600), 0);
             return std::string("queue");
         }},
        {"2 GiB",
         [](const fs::path& t) {
             MakeFile(t, "huge.bin");
             fs::resize_file(t / "huge.bin", std::uintmax_t(1) << 31);  // sparse
             return std::string("huge.bin");
         }},
        {"points to nothing",
         [](const fs::path& t) {
             fs::create_symlink(t / "gone", t / "dangling");
             return std::string("dangling");
         }},
    };
    int index = 0;
    for (const Case& c : cases) {
        const fs::path tree = Folder("tree" + std::to_string(index));
        const fs::path output = root_ / ("Setup" + std::to_string(index++) + ".Dat");
        WriteFile(tree / "readme.txt", "fine\n");
        const std::string refused = (tree / c.make(tree)).string();
        WriteFile(output, "the previous archive");

        std::ostringstream out, err;
        EXPECT_EQ(mkpayload::Pack(tree, output, {}, out, err), ExitRefused) << refused;
        EXPECT_NE(err.str().find(refused + ": "), std::string::npos) << refused << ": " << err.str();
        EXPECT_NE(err.str().find(c.reason), std::string::npos) << refused << ": " << err.str();
        EXPECT_EQ(err.str().find("readme.txt"), std::string::npos) << "only the refused file is named";
        EXPECT_EQ(ReadFile(output), "the previous archive") << refused;
        EXPECT_FALSE(fs::exists(output.string() + ".tmp")) << refused;
    }
}

TEST_F(Pack, FailureWhileWritingKeepsThePreviousArchive)
{
    const fs::path tree = Folder("tree");
    WriteFile(tree / "a.txt", std::string(100 * 1024, 'a'));
    // The system reports a size of 0 for it, then gives more: the file "grows".
    fs::create_symlink("/proc/self/status", tree / "b.txt");
    const fs::path output = root_ / "Setup.Dat";
    WriteFile(output, "the previous archive");

    std::ostringstream out, err;
    EXPECT_EQ(mkpayload::Pack(tree, output, {}, out, err), ExitUsageOrIo);
    EXPECT_NE(err.str().find((tree / "b.txt").string() + ": grew"), std::string::npos) << err.str();
    EXPECT_EQ(ReadFile(output), "the previous archive");
    EXPECT_FALSE(fs::exists(output.string() + ".tmp"));
}

TEST_F(List, EndsAtTheFaultyRecordWithOffsetAndReason)
{
    struct Case {
        const char* fault;
        const char* reason;
        bool cutsTheEnd;  // the archive ends inside this record
        void (*append)(std::string& archive);
    };
    const Case cases[] = {
        {"climbing name", "climbs out", false, [](std::string& a) { AppendRecord(a, "..\\boot.ini", "x"); }},
        {"device name", "device name", false, [](std::string& a) { AppendRecord(a, "html\\aux.htm", "x"); }},
        {"empty name", "the name is empty", false, [](std::string& a) { AppendRecord(a, "", "x"); }},
        {"negative size", "negative", false, [](std::string& a) { AppendRecord(a, "b.txt", "", -1); }},
        {"data cut", "past the end", true, [](std::string& a) { AppendRecord(a, "b.txt", "0123456789", 100); }},
        {"header cut", "cut short", true, [](std::string& a) { a += std::string(100, 'h'); }},
    };
    for (const Case& c : cases) {
        std::string archive;
        AppendRecord(archive, "readme.txt", "hello");
        c.append(archive);
        if (!c.cutsTheEnd) AppendRecord(archive, "after.txt", "never reached");
        const fs::path path = root_ / "Setup.Dat";
        WriteFile(path, archive);

        std::ostringstream out, err;
        EXPECT_EQ(mkpayload::List(path, out, err), ExitRefused) << c.fault;
        EXPECT_EQ(out.str(), "           0           5  readme.txt\n") << c.fault;
        EXPECT_NE(err.str().find("offset 265"), std::string::npos) << c.fault << ": " << err.str();
        EXPECT_NE(err.str().find(c.reason), std::string::npos) << c.fault << ": " << err.str();
    }
}

TEST_F(Check, CompletePayloadFromATreeCanInstall)
{
    const fs::path tree = Folder("tree");
    for (const std::string& name : RequiredNames()) WriteFile(tree / name, "content of " + name + "\n");
    // Windows matches names without regard to case.
    fs::rename(tree / "readme.txt", tree / "README.TXT");
    fs::rename(tree / "styles.css", tree / "Styles.Css");
    fs::rename(tree / "TOLVA.CPL", tree / "tolva.cpl");
    WriteFile(tree / "logo.gif", "GIF89a");
    WriteFile(tree / "BANNER.GIF", "GIF89a");
    WriteFile(tree / "images/inner.gif", "GIF89a");
    WriteFile(tree / "docs/manual.txt", "m");
    WriteFile(tree / "notes.txt", "n");
    const fs::path archive = root_ / "Setup.Dat";
    std::ostringstream out, err;
    ASSERT_EQ(mkpayload::Pack(tree, archive, {}, out, err), ExitOk) << err.str();

    mkpayload::PayloadContents contents;
    ASSERT_TRUE(mkpayload::ReadContents(archive, contents, err)) << err.str();
    const mkpayload::CheckReport report = mkpayload::CheckRecords(contents.records);
    EXPECT_EQ(report.missing, std::vector<std::string>());
    EXPECT_FALSE(report.defaultIniMissing);
    EXPECT_EQ(report.pictures, 2u) << "a picture in a sub-folder is never copied";
    EXPECT_EQ(report.neverCopied, (std::vector<std::string>{"docs\\manual.txt", "images\\inner.gif", "notes.txt"}));

    std::ostringstream checkOut, checkErr;
    EXPECT_EQ(mkpayload::Check(archive, checkOut, checkErr), ExitOk) << checkOut.str() << checkErr.str();
    EXPECT_NE(checkOut.str().find("can succeed"), std::string::npos) << checkOut.str();
}

TEST_F(Check, IncompleteOrFaultyPayloadNamesWhatIsMissing)
{
    struct Case {
        const char* what;
        std::vector<std::string> before;  // records ahead of a faulty one, or all when there is none
        bool faulty;
        std::vector<std::string> after;   // records behind the faulty one: never unpacked
        std::vector<std::string> missing;
        bool defaultIniMissing;
        int status;
    };
    const std::vector<std::string> all = RequiredNames();
    const std::vector<Case> cases = {
        {"servers and a web file removed", Without(all, {"smtp.exe", "styles.css"}), false, {},
         {"smtp.exe", "styles.css"}, false, ExitRefused},
        {"applet removed", Without(all, {"TOLVA.CPL"}), false, {}, {"TOLVA.CPL"}, false, ExitRefused},
        {"default.ini alone removed", Without(all, {"default.ini"}), false, {}, {}, true, ExitOk},
        {"one behind a fault", Without(all, {"pop3.exe"}), true, {"pop3.exe"}, {"pop3.exe"}, false, ExitRefused},
        {"a fault after everything", all, true, {}, {}, false, ExitRefused},
    };
    for (const Case& c : cases) {
        std::string bytes;
        for (const std::string& name : c.before) AppendRecord(bytes, name, "x");
        if (c.faulty) AppendRecord(bytes, "con.txt", "x");
        for (const std::string& name : c.after) AppendRecord(bytes, name, "x");
        AppendRecord(bytes, "logo.gif", "GIF89a");
        const fs::path archive = root_ / "Setup.Dat";
        WriteFile(archive, bytes);

        std::ostringstream err;
        mkpayload::PayloadContents contents;
        ASSERT_TRUE(mkpayload::ReadContents(archive, contents, err)) << err.str();
        const mkpayload::CheckReport report = mkpayload::CheckRecords(contents.records);
        EXPECT_EQ(report.missing, c.missing) << c.what;
        EXPECT_EQ(report.defaultIniMissing, c.defaultIniMissing) << c.what;
        EXPECT_EQ(report.pictures, c.faulty ? 0u : 1u) << c.what;
        EXPECT_EQ(report.neverCopied, std::vector<std::string>()) << c.what;

        std::ostringstream out, checkErr;
        EXPECT_EQ(mkpayload::Check(archive, out, checkErr), c.status) << c.what << "\n" << out.str();
        for (const std::string& name : c.missing)
            EXPECT_NE(out.str().find("  " + name + "\n"), std::string::npos) << c.what << ": " << out.str();
        EXPECT_EQ(out.str().find("warning: default.ini") != std::string::npos, c.defaultIniMissing) << c.what;
        EXPECT_EQ(checkErr.str().find("device name") != std::string::npos, c.faulty) << c.what << checkErr.str();
    }
}

TEST_F(PackerCommandLine, ExitStatusAndMessages)
{
    const fs::path tree = Folder("tree");
    WriteFile(tree / "readme.txt", "hello\n");
    const std::string dir = tree.string();
    const std::string output = (root_ / "Setup.Dat").string();
    struct Case {
        const char* line;    // @dir and @out stand for the tree and the archive
        int status;
        const char* stdoutPart;
        const char* stderrPart;
    };
    const Case cases[] = {
        {"", ExitUsageOrIo, "", "usage: mkpayload"},
        {"--help", ExitOk, "usage: mkpayload pack", ""},
        {"pack --help", ExitOk, "exit status", ""},
        {"unpack @out", ExitUsageOrIo, "", "unknown command unpack"},
        {"pack @dir", ExitUsageOrIo, "", "the output is missing"},
        {"pack -o @out", ExitUsageOrIo, "", "the folder to pack is missing"},
        {"pack @dir -o", ExitUsageOrIo, "", "-o needs"},
        {"pack @dir @dir -o @out", ExitUsageOrIo, "", "one folder only"},
        {"pack @dir -o @out --fast", ExitUsageOrIo, "", "unknown option --fast"},
        {"pack @dir/missing -o @out", ExitUsageOrIo, "", "missing: No such file"},
        {"pack @dir -o @dir", ExitUsageOrIo, "", "is a folder"},
        {"list", ExitUsageOrIo, "", "list: give one archive"},
        {"check @out.none", ExitUsageOrIo, "", "Setup.Dat.none: No such file"},
        {"list @dir", ExitUsageOrIo, "", "is not a regular file"},
        {"pack @dir -o @out --verbose", ExitOk, "readme.txt (6 bytes)\n", ""},
        {"list @out", ExitOk, "           0           6  readme.txt\n", ""},
        {"check @out", ExitRefused, "missing (42):", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args;
        std::istringstream words(c.line);
        for (std::string word; words >> word;) {
            for (const auto& [token, value] : {std::pair<std::string, std::string>{"@dir", dir}, {"@out", output}})
                if (word.starts_with(token)) word = value + word.substr(token.size());
            args.push_back(word);
        }
        std::ostringstream out, err;
        EXPECT_EQ(mkpayload::RunCommandLine(args, out, err), c.status) << c.line << "\n" << err.str();
        EXPECT_NE(out.str().find(c.stdoutPart), std::string::npos) << c.line << ": " << out.str();
        EXPECT_NE(err.str().find(c.stderrPart), std::string::npos) << c.line << ": " << err.str();
        if (*c.stderrPart == '\0') {
            EXPECT_EQ(err.str(), "") << c.line;
        }
    }
}
