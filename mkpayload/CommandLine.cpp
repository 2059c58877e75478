#include "mkpayload/Packer.h"

#include <ostream>

namespace mkpayload {

namespace {

constexpr const char* Usage = R"(usage: mkpayload pack DIR -o Setup.Dat [--verbose]
       mkpayload list Setup.Dat
       mkpayload check Setup.Dat
       mkpayload --help

pack   writes every regular file below DIR as a record of Setup.Dat, named by
       its path below DIR with backslashes, sorted by name (byte order). Empty
       folders are not packed; a symbolic link is packed as the file it points
       to. Nothing is written, and an existing archive stays as it is, when a
       file is refused: a name the installer refuses (device names such as
       "nul.txt", "..", colons, control characters), a name longer than 255
       characters, a name with non-ASCII characters (record names are read in
       the Windows ANSI code page), a name that Windows cannot create or would
       change (< > " | ? *, a backslash, a trailing dot or blank), two names
       that differ only in letter case, a file of 2 GiB or more, or anything
       that is not a regular file. The archive is written beside the output as
       OUTPUT.tmp and renamed over it once complete; the output itself is
       skipped when it lies inside DIR.
       --verbose prints one line per packed file.
list   prints offset, size and name of each record, as the installer's walk
       reads them; a record that cannot be unpacked ends the list with its
       offset and the reason.
check  says whether the installation can succeed: which of the files it
       copies from the top level of the payload are missing (letter case does
       not matter), how many pictures (*.gif) it holds, and which records are
       unpacked but never copied. A missing default.ini is a warning only: the
       installation copies it only where the folder has none yet.

exit status: 0 done, 1 files refused or the payload is faulty or incomplete,
             2 usage error or a file that could not be read or written
)";

int UsageError(std::ostream& err, const std::string& message)
{
    err << "mkpayload: " << message << "\nTry 'mkpayload --help'.\n";
    return ExitUsageOrIo;
}

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

int RunPack(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    std::string folder;
    std::string output;
    bool haveOutput = false;
    PackOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size()) return UsageError(err, "pack: " + arg + " needs the path of the archive");
            if (haveOutput) return UsageError(err, "pack: the output is given twice");
            output = args[++i];
            haveOutput = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(err, "pack: unknown option " + arg);
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return UsageError(err, "pack: one folder only (" + folder + ", " + arg + ")");
        }
    }
    if (folder.empty()) return UsageError(err, "pack: the folder to pack is missing");
    if (!haveOutput || output.empty()) return UsageError(err, "pack: the output is missing (-o Setup.Dat)");
    return Pack(fs::path(folder), fs::path(output), options, out, err);
}

} // namespace

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << Usage;
        return ExitUsageOrIo;
    }
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            out << Usage;
            return ExitOk;
        }
    }
    const std::string& command = args[0];
    const std::span<const std::string> rest = args.subspan(1);
    try {
        if (command == "pack") return RunPack(rest, out, err);
        if (command == "list" || command == "check") {
            if (rest.size() != 1) return UsageError(err, command + ": give one archive");
            return command == "list" ? List(fs::path(rest[0]), out, err) : Check(fs::path(rest[0]), out, err);
        }
    } catch (const std::exception& error) {
        // A name the file system cannot convert, or no memory; an existing
        // archive is replaced only by a complete one, so it is still intact.
        err << "mkpayload: " << error.what() << '\n';
        return ExitUsageOrIo;
    }
    return UsageError(err, "unknown command " + command);
}

} // namespace mkpayload
