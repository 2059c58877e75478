#include "mkpayload/Packer.h"

#include "classlib/Text.h"
#include "payload/FileTables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <system_error>

namespace mkpayload {

namespace {

std::string Display(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Names come from outside; a control character must not reach the terminal as such.
std::string Printable(std::string_view name)
{
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return text;
}

void ReportFile(std::ostream& err, const fs::path& file, std::string_view reason)
{
    err << "mkpayload: " << Display(file) << ": " << reason << '\n';
}

// ---- pack

struct PackEntry {
    std::string name;  // the record name, with backslashes
    fs::path path;
    std::uint64_t size = 0;
};

struct Refusal {
    fs::path file;
    std::string reason;
};

// What a single file or folder name of the tree may not hold, though the
// installer's name check lets it pass: the file could not be created, or
// would be created under another name.
const char* ComponentRefusal(std::string_view part)
{
    if (part.find('\\') != std::string_view::npos)
        return "the file name holds a backslash, which Windows reads as a folder separator";
    if (part.find_first_of("<>\"|?*") != std::string_view::npos)
        return "the file name holds a character that Windows does not allow (< > \" | ? *)";
    if (!part.empty() && (part.back() == '.' || part.back() == ' '))
        return "the file name ends in a dot or a blank, which Windows drops";
    return nullptr;
}

// Record names are read in the Windows ANSI code page and Linux names are
// UTF-8, so a non-ASCII name would unpack under another name: it is refused.
const char* RecordNameRefusal(std::string_view name)
{
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return "the name holds non-ASCII characters (record names are in the Windows ANSI code page)";
    if (const char* reason = payload::UnsafeNameReason(name)) return reason;
    if (name.size() > payload::MaxPathLength) return "the name is longer than 255 characters";
    return nullptr;
}

// The record name of a file, or why it cannot have one.
const char* RecordNameOf(const fs::path& relative, std::string& name)
{
    name.clear();
    for (const fs::path& part : relative) {
        const std::string text = Display(part);
        if (const char* reason = ComponentRefusal(text)) return reason;
        if (!name.empty()) name += '\\';
        name += text;
    }
    return RecordNameRefusal(name);
}

const char* KindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::socket: return "a socket";
    case fs::file_type::block: return "a block device";
    case fs::file_type::character: return "a character device";
    default: return "neither a file nor a folder";
    }
}

bool SamePath(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return fs::weakly_canonical(a, ec) == b && !ec;
}

// Finds the files below `folder`; false after a message when the tree cannot be read.
bool CollectFiles(const fs::path& folder, const fs::path& output, const fs::path& temporary,
                  std::vector<PackEntry>& entries, std::vector<Refusal>& refusals, std::ostream& err)
{
    std::error_code ec;
    const fs::path outputPath = fs::weakly_canonical(output, ec);
    const fs::path temporaryPath = fs::weakly_canonical(temporary, ec);

    fs::recursive_directory_iterator it(folder, ec);
    if (ec) {
        ReportFile(err, folder, ec.message());
        return false;
    }
    // A folder that cannot be opened fails the step after its entry.
    fs::path lastSeen = folder;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        lastSeen = entry.path();
        const fs::file_status own = entry.symlink_status(ec);
        if (ec) break;
        if (fs::is_directory(own)) continue;

        // A link is packed as the file it points to; links to folders are not
        // followed, so that no loop or tree outside `folder` is reached.
        const fs::file_status target = fs::is_symlink(own) ? entry.status(ec) : own;
        if (ec && fs::is_symlink(own)) {
            refusals.push_back({entry.path(), "the symbolic link points to nothing"});
            ec.clear();
            continue;
        }
        if (ec) break;
        if (fs::is_directory(target)) {
            refusals.push_back({entry.path(), "the symbolic link points to a folder; links to folders are not followed"});
            continue;
        }
        if (!fs::is_regular_file(target)) {
            refusals.push_back({entry.path(), std::string("it is ") + KindOf(target.type()) + ", not a regular file"});
            continue;
        }
        if (SamePath(entry.path(), outputPath) || SamePath(entry.path(), temporaryPath)) continue;

        PackEntry file;
        file.path = entry.path();
        if (const char* reason = RecordNameOf(entry.path().lexically_relative(folder), file.name)) {
            refusals.push_back({entry.path(), reason});
            continue;
        }
        file.size = fs::file_size(entry.path(), ec);
        if (ec) break;
        if (file.size >= RecordSizeLimit) {
            refusals.push_back({entry.path(), "the file is 2 GiB or larger; a record holds at most 2147483647 bytes"});
            continue;
        }
        entries.push_back(std::move(file));
    }
    if (ec) {
        ReportFile(err, lastSeen, "cannot be read: " + ec.message());
        return false;
    }
    return true;
}

// Windows names match without regard to letter case, so two such files would
// unpack into one.
void RefuseCaseTwins(const std::vector<PackEntry>& entries, std::vector<Refusal>& refusals)
{
    std::vector<std::pair<std::string, const PackEntry*>> byUpperName;
    for (const PackEntry& entry : entries) byUpperName.emplace_back(classlib::UpperCaseAscii(entry.name), &entry);
    std::sort(byUpperName.begin(), byUpperName.end(),
              [](const auto& a, const auto& b) { return a.first != b.first ? a.first < b.first : a.second < b.second; });
    for (std::size_t i = 1; i < byUpperName.size(); ++i)
        if (byUpperName[i].first == byUpperName[i - 1].first)
            refusals.push_back({byUpperName[i].second->path, "its record name differs from that of " +
                                                                 Display(byUpperName[i - 1].second->path) +
                                                                 " only in letter case; Windows would unpack both "
                                                                 "into one file"});
}

// Writes one record; false after a message on `err`.
bool WriteRecord(std::ofstream& archive, const fs::path& archivePath, const PackEntry& entry,
                 std::span<unsigned char> buffer, std::ostream& err)
{
    std::array<unsigned char, payload::HeaderSize> header;
    payload::EncodeHeader(entry.name, static_cast<std::int32_t>(entry.size), header);
    archive.write(reinterpret_cast<const char*>(header.data()), header.size());

    std::ifstream file(entry.path, std::ios::binary);
    if (!file) {
        ReportFile(err, entry.path, "cannot be opened for reading");
        return false;
    }
    std::uint64_t remaining = entry.size;
    while (remaining > 0 && archive) {
        const auto chunk = static_cast<std::streamsize>(std::min<std::uint64_t>(remaining, buffer.size()));
        file.read(reinterpret_cast<char*>(buffer.data()), chunk);
        if (file.gcount() != chunk) {
            ReportFile(err, entry.path, "cannot be read to its end (did it change while it was packed?)");
            return false;
        }
        archive.write(reinterpret_cast<const char*>(buffer.data()), chunk);
        remaining -= static_cast<std::uint64_t>(chunk);
    }
    if (archive && file.peek() != std::ifstream::traits_type::eof()) {
        ReportFile(err, entry.path, "grew while it was packed");
        return false;
    }
    if (!archive) {
        ReportFile(err, archivePath, "cannot be written");
        return false;
    }
    return true;
}

// ---- list and check

class FileSource : public payload::ArchiveSource {
public:
    explicit FileSource(std::ifstream& file) : file_(file) {}

    std::size_t Read(void* buffer, std::size_t size) override
    {
        file_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
        return static_cast<std::size_t>(file_.gcount());
    }

private:
    std::ifstream& file_;
};

// Keeps the records the walk hands over and writes nothing.
class RecordCollector : public payload::RecordTarget {
public:
    explicit RecordCollector(std::vector<payload::Record>& records) : records_(records) {}

    void MakeFolder(const std::string&) override {}
    bool Create(const payload::Record& record) override
    {
        records_.push_back(record);
        return true;
    }
    bool Write(const void*, std::size_t) override { return true; }
    void Close() override {}

private:
    std::vector<payload::Record>& records_;
};

bool IsTopLevel(std::string_view name)
{
    return name.find_first_of("\\/") == std::string_view::npos;
}

void PrintNames(std::ostream& out, const std::vector<std::string>& names)
{
    for (const std::string& name : names) out << "  " << Printable(name) << '\n';
}

} // namespace

int Pack(const fs::path& folder, const fs::path& output, const PackOptions& options, std::ostream& out,
         std::ostream& err)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        ReportFile(err, folder, ec ? ec.message() : "is not a folder");
        return ExitUsageOrIo;
    }
    if (fs::is_directory(output, ec)) {
        ReportFile(err, output, "is a folder; give the path of the archive to write");
        return ExitUsageOrIo;
    }
    fs::path temporary = output;
    temporary += ".tmp";

    std::vector<PackEntry> entries;
    std::vector<Refusal> refusals;
    if (!CollectFiles(folder, output, temporary, entries, refusals, err)) return ExitUsageOrIo;
    std::sort(entries.begin(), entries.end(), [](const PackEntry& a, const PackEntry& b) { return a.name < b.name; });
    RefuseCaseTwins(entries, refusals);
    if (!refusals.empty()) {
        std::sort(refusals.begin(), refusals.end(), [](const Refusal& a, const Refusal& b) { return a.file < b.file; });
        for (const Refusal& refusal : refusals) ReportFile(err, refusal.file, refusal.reason);
        err << "mkpayload: " << refusals.size() << " file(s) refused; " << Display(output) << " not written\n";
        return ExitRefused;
    }

    std::vector<unsigned char> buffer(std::max<std::size_t>(options.chunkSize, 1));
    bool written = true;
    {
        std::ofstream archive(temporary, std::ios::binary | std::ios::trunc);
        if (!archive) {
            ReportFile(err, temporary, "cannot be created");
            return ExitUsageOrIo;
        }
        std::uint64_t total = 0;
        for (const PackEntry& entry : entries) {
            if (!WriteRecord(archive, temporary, entry, buffer, err)) {
                written = false;
                break;
            }
            total += payload::HeaderSize + entry.size;
            if (options.verbose) out << Printable(entry.name) << " (" << entry.size << " bytes)\n";
        }
        if (written) {
            archive.close();
            if (!archive) {
                ReportFile(err, temporary, "cannot be written");
                written = false;
            }
        }
        if (written && options.verbose)
            out << entries.size() << " file(s), " << total << " bytes, written to " << Display(output) << '\n';
    }
    if (written) {
        fs::rename(temporary, output, ec);
        if (!ec) return ExitOk;
        ReportFile(err, output, "cannot be replaced: " + ec.message());
    }
    fs::remove(temporary, ec);
    return ExitUsageOrIo;
}

bool ReadContents(const fs::path& archive, PayloadContents& contents, std::ostream& err)
{
    std::error_code ec;
    const fs::file_status status = fs::status(archive, ec);
    if (ec || !fs::is_regular_file(status)) {
        ReportFile(err, archive, ec ? ec.message() : "is not a regular file");
        return false;
    }
    const std::uint64_t size = fs::file_size(archive, ec);
    std::ifstream file(archive, std::ios::binary);
    if (ec || !file) {
        ReportFile(err, archive, "cannot be opened for reading");
        return false;
    }
    FileSource source(file);
    contents.records.clear();
    RecordCollector collector(contents.records);
    std::vector<unsigned char> buffer(DefaultChunkSize);
    contents.walk = payload::WalkRecords(source, size, "", collector, buffer);
    // A record whose data could not be read was handed over but not unpacked.
    contents.records.resize(contents.walk.unpacked);
    return true;
}

std::string DescribeWalkFault(const payload::WalkResult& walk)
{
    std::string text = "record at offset " + std::to_string(walk.faultOffset);
    if (!walk.faultName.empty() || walk.fault == payload::RecordFault::UnsafeName)
        text += " (\"" + Printable(walk.faultName) + "\")";
    text += ": ";
    text += payload::DescribeFault(walk.fault);
    if (walk.fault == payload::RecordFault::UnsafeName) {
        text += ": ";
        text += payload::UnsafeNameReason(walk.faultName);
    }
    return text;
}

int List(const fs::path& archive, std::ostream& out, std::ostream& err)
{
    PayloadContents contents;
    if (!ReadContents(archive, contents, err)) return ExitUsageOrIo;
    for (const payload::Record& record : contents.records) {
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, "%12llu %11ld  ", static_cast<unsigned long long>(record.offset),
                      static_cast<long>(record.size));
        out << numbers << Printable(record.name) << '\n';
    }
    if (contents.walk.fault != payload::RecordFault::None) {
        ReportFile(err, archive, DescribeWalkFault(contents.walk));
        return ExitRefused;
    }
    return ExitOk;
}

CheckReport CheckRecords(std::span<const payload::Record> records)
{
    std::vector<std::string_view> required(payload::ProgramFiles.begin(), payload::ProgramFiles.end());
    required.insert(required.end(), payload::WebFiles.begin(), payload::WebFiles.end());
    required.push_back(payload::ControlPanelApplet);
    std::vector<std::string> requiredUpper;
    for (const std::string_view name : required) requiredUpper.push_back(classlib::UpperCaseAscii(std::string(name)));

    CheckReport report;
    std::vector<std::string> present;
    for (const payload::Record& record : records) {
        // The installation copies from the top level of the unpacked payload only.
        if (!IsTopLevel(record.name)) {
            report.neverCopied.push_back(record.name);
            continue;
        }
        std::string upper = classlib::UpperCaseAscii(record.name);
        if (payload::IsPictureName(record.name))
            ++report.pictures;
        else if (std::find(requiredUpper.begin(), requiredUpper.end(), upper) == requiredUpper.end())
            report.neverCopied.push_back(record.name);
        present.push_back(std::move(upper));
    }
    std::sort(present.begin(), present.end());
    for (std::size_t i = 0; i < required.size(); ++i) {
        if (std::binary_search(present.begin(), present.end(), requiredUpper[i])) continue;
        if (i == payload::DefaultIniIndex)
            report.defaultIniMissing = true;
        else
            report.missing.emplace_back(required[i]);
    }
    return report;
}

int Check(const fs::path& archive, std::ostream& out, std::ostream& err)
{
    PayloadContents contents;
    if (!ReadContents(archive, contents, err)) return ExitUsageOrIo;
    const bool faulty = contents.walk.fault != payload::RecordFault::None;
    if (faulty) {
        ReportFile(err, archive, DescribeWalkFault(contents.walk));
        err << "mkpayload: " << Display(archive) << ": the installation stops there; only the "
            << contents.records.size() << " record(s) before it are counted\n";
    }
    const CheckReport report = CheckRecords(contents.records);

    out << Display(archive) << ": " << contents.records.size() << " record(s) unpacked\n";
    if (report.missing.empty()) {
        out << "every required file is present\n";
    } else {
        out << "missing (" << report.missing.size() << "):\n";
        PrintNames(out, report.missing);
    }
    if (report.defaultIniMissing)
        out << "warning: default.ini is missing; it is needed only where the installation folder has none yet\n";
    out << "pictures: " << report.pictures << '\n';
    if (!report.neverCopied.empty()) {
        out << "unpacked but never copied (" << report.neverCopied.size() << "):\n";
        PrintNames(out, report.neverCopied);
    }
    const bool canInstall = !faulty && report.missing.empty();
    out << (canInstall ? "the installation can succeed\n" : "the installation would fail\n");
    return canInstall ? ExitOk : ExitRefused;
}

} // namespace mkpayload
