// Unpacking, folder creation and the removal of the unpacked tree, on real
// files under Wine.
#include "payload/Deploy.h"
#include "payload/Payload.h"
#include "PayloadFixture.h"
#include "classlib/ScopeExit.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace payloadtest;

namespace {

void PutArchive(const std::string& path, const ArchiveBuilder& archive)
{
    PutFile(path, archive.Bytes());
}

// A drive letter that names no drive here.
std::string MissingDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter > 'D'; --letter)
        if ((drives & (1u << (letter - 'A'))) == 0) return std::string(1, letter) + ":";
    return {};
}

// Wine's ANSI calls do not reach paths past MAX_PATH; the wide ones with the
// \\?\ prefix do, and so does a folder made that way.
bool MakeDeepFolder(const std::string& path)
{
    const std::wstring wide = L"\\\\?\\" + fs::path(path).wstring();
    return CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

// The Unix path of a Windows one, from Wine itself.
std::optional<std::string> UnixFileName(const std::string& path)
{
    using Lookup = char*(CDECL*)(LPCWSTR);
    const auto lookup = reinterpret_cast<Lookup>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!lookup) return std::nullopt;
    char* name = lookup(fs::path(path).wstring().c_str());
    if (!name) return std::nullopt;
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine starts a Unix program as it starts a Windows one, but the handle it
// gives back may be signalled before the program has done its work.
void RunUnixProgram(const std::string& program, const std::string& arguments)
{
    std::string command = program + " " + arguments;
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

TEST(ExtractPayload, UnpacksNestedFoldersAndEmptyFilesAndOverwritesToTheNewLength)
{
    ScratchFolder scratch("extract");
    const std::string target = scratch / "unpacked\\";
    PutFile(target + "readme.txt", std::string(5000, 'o'));
    PutArchive(scratch / "Setup.Dat", ArchiveBuilder()
                                          .Add("readme.txt", "new text")
                                          .Add("empty.txt", "")
                                          .Add("html\\images\\a.gif", "GIF89a")
                                          .Add("html\\index.html", "<html></html>"));

    ASSERT_TRUE(ExtractPayload(scratch / "Setup.Dat", target));

    EXPECT_EQ(FileContent(target + "readme.txt"), "new text");
    EXPECT_EQ(FileContent(target + "empty.txt"), "");
    EXPECT_EQ(FileContent(target + "html\\images\\a.gif"), "GIF89a");
    EXPECT_EQ(FileContent(target + "html\\index.html"), "<html></html>");
}

TEST(ExtractPayload, CreatesAMissingTargetFolderWithItsParents)
{
    ScratchFolder scratch("extractnew");
    PutArchive(scratch / "Setup.Dat", ArchiveBuilder().Add("a.txt", "a"));
    const std::string target = scratch / "one\\two\\TOLVAInstall\\";
    ASSERT_TRUE(ExtractPayload(scratch / "Setup.Dat", target));
    EXPECT_EQ(FileContent(target + "a.txt"), "a");
}

TEST(ExtractPayload, AnswersFalseWithoutArchiveOrFolder)
{
    ScratchFolder scratch("extractfail");
    PutArchive(scratch / "Setup.Dat", ArchiveBuilder().Add("a.txt", "a"));

    // Missing: the target folder is made all the same, and stays.
    EXPECT_FALSE(ExtractPayload(scratch / "Missing.Dat", scratch / "made\\"));
    EXPECT_TRUE(DirectoryExists(scratch / "made"));

    // Held open by another process (here: another handle) that shares nothing.
    HANDLE held = CreateFileA((scratch / "Setup.Dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ExtractPayload(scratch / "Setup.Dat", scratch / "locked\\"));
    EXPECT_FALSE(fs::exists(scratch / "locked\\a.txt"));
    CloseHandle(held);

    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    EXPECT_FALSE(ExtractPayload(scratch / "Setup.Dat", drive + "\\Temp\\"));
}

// A record that cannot be unpacked ends the walk; what came before it stays,
// and nothing is written for it or after it, inside the target or outside.
TEST(ExtractPayload, StopsAtARecordThatCannotBeUnpacked)
{
    struct Case {
        const char* name;
        const char* what;
    };
    const Case cases[] = {
        {"..\\outside.txt", "climbs out of the target"},
        {"sub/../../outside.txt", "climbs with slashes"},
        {"\\outside.txt", "is absolute"},
        {"C:outside.txt", "names a drive"},
        {"kept.txt:stream", "names a stream"},
        {"nul.txt", "is a device"},
        {"", "is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("a name that ") + c.what + ": \"" + c.name + "\"");
        ScratchFolder scratch("unsafe");
        const std::string target = scratch / "inside\\";
        PutArchive(scratch / "Setup.Dat",
                   ArchiveBuilder().Add("kept.txt", "kept").Add(c.name, "evil").Add("after.txt", "after"));

        EXPECT_TRUE(ExtractPayload(scratch / "Setup.Dat", target));

        EXPECT_EQ(FileContent(target + "kept.txt"), "kept");
        EXPECT_FALSE(fs::exists(target + "after.txt"));
        for (const auto& entry : fs::recursive_directory_iterator(scratch.Path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "Setup.Dat" || name == "inside" || name == "kept.txt") << "written: " << entry.path();
        }
    }
}

TEST(ExtractPayload, ANameTooLongForItsFolderIsNotWrittenUnderACutName)
{
    ScratchFolder scratch("long");
    const std::string target = scratch / "t\\";
    const std::string fits(255 - target.size(), 'f');
    const std::string tooLong = std::string(256 - target.size(), 'g') + ".txt";
    PutArchive(scratch / "Setup.Dat", ArchiveBuilder().Add(fits, "fits").Add(tooLong, "long").Add("after.txt", "x"));

    EXPECT_TRUE(ExtractPayload(scratch / "Setup.Dat", target));

    EXPECT_EQ(FileContent(target + fits), "fits");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(target)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{fits}) << "a record past the one too long, or a cut name, was written";
}

TEST(Folders, ForceFoldersCreatesEveryMissingLevelAndLeavesWhatExists)
{
    ScratchFolder scratch("force");
    fs::create_directories(scratch / "a");
    ForceFolders(scratch / "a\\b\\c\\");
    EXPECT_TRUE(DirectoryExists(scratch / "a\\b"));
    EXPECT_TRUE(DirectoryExists(scratch / "a\\b\\c"));

    PutFile(scratch / "a\\b\\c\\file.txt", "x");
    ForceFolders(scratch / "a\\b\\c");
    EXPECT_EQ(FileContent(scratch / "a\\b\\c\\file.txt"), "x");

    // A drive's root, with and without the backslash: nothing to do, nothing to fail.
    ForceFolders("C:\\");
    ForceFolders("C:");
    ForceFolders("");
    EXPECT_TRUE(DirectoryExists("C:\\"));
}

TEST(Folders, EnsureFolderAnswersWhetherTheFolderExistsAfterwards)
{
    ScratchFolder scratch("ensure");
    EXPECT_TRUE(EnsureFolder(scratch / "x\\y\\z\\"));
    EXPECT_TRUE(DirectoryExists(scratch / "x\\y\\z"));
    EXPECT_TRUE(EnsureFolder(scratch / "x\\y"));

    PutFile(scratch / "plain", "a file, not a folder");
    EXPECT_FALSE(EnsureFolder(scratch / "plain\\sub\\"));

    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    EXPECT_FALSE(EnsureFolder(drive + "\\Mail\\"));
}

TEST(DeleteFolderTree, RemovesNestedFoldersAndTheFolderItself)
{
    ScratchFolder scratch("tree");
    const std::string tree = scratch / "TOLVAInstall\\";
    PutFile(tree + "a.txt", "a");
    PutFile(tree + "html\\b.html", "b");
    PutFile(tree + "html\\images\\c.gif", "c");
    fs::create_directories(tree + "empty\\inner");
    SetFileAttributesA((tree + "html\\b.html").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    DeleteFolderTree(tree);

    EXPECT_FALSE(fs::exists(tree));
    EXPECT_TRUE(fs::exists(scratch.Path()));
    DeleteFolderTree(scratch / "never\\");  // nothing there: nothing happens
}

TEST(DeleteFolderTree, AReadOnlyFileStaysWithTheFoldersAboveIt)
{
    ScratchFolder scratch("readonly");
    const std::string tree = scratch / "TOLVAInstall\\";
    PutFile(tree + "gone.txt", "a");
    PutFile(tree + "sub\\inner\\locked.txt", "b");
    PutFile(tree + "other\\gone.txt", "c");
    SetFileAttributesA((tree + "sub\\inner\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    DeleteFolderTree(tree);

    EXPECT_EQ(FileContent(tree + "sub\\inner\\locked.txt"), "b");
    EXPECT_FALSE(fs::exists(tree + "gone.txt"));
    EXPECT_FALSE(fs::exists(tree + "other"));
}

// Wine shows a Unix symbolic link to a folder as a folder with the
// reparse-point attribute; its CreateSymbolicLinkA makes nothing, so the link
// is made with ln, which Wine starts as a Unix program.
TEST(DeleteFolderTree, NeverDescendsIntoAFolderLink)
{
    ScratchFolder scratch("links");
    const std::string tree = scratch / "TOLVAInstall\\";
    PutFile(scratch / "precious\\data.txt", "keep me");
    PutFile(tree + "unpacked.txt", "x");

    const auto unixName = UnixFileName(scratch / "precious");
    const auto unixLink = UnixFileName(tree + "link");
    ASSERT_TRUE(unixName && unixLink) << "not running under Wine";
    RunUnixProgram("Z:\\bin\\ln", "-s " + *unixName + " " + *unixLink);
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    for (DWORD start = GetTickCount(); attributes == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 10000;)
        if ((attributes = GetFileAttributesA((tree + "link").c_str())) == INVALID_FILE_ATTRIBUTES) Sleep(20);
    ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        << "the link was not made";
    classlib::AtScopeExit removeLink([&] { RunUnixProgram("Z:\\bin\\rm", *unixLink); });

    DeleteFolderTree(tree);

    EXPECT_EQ(FileContent(scratch / "precious\\data.txt"), "keep me");
    EXPECT_FALSE(fs::exists(tree + "unpacked.txt"));
}

// A folder whose path does not fit a short path cannot be named by it: cut
// at 255 characters, the path would name its parent's entries again.
TEST(DeleteFolderTree, LeavesAFolderTooDeepForAShortPathAndRemovesTheRest)
{
    ScratchFolder scratch("deep");
    const std::string tree = scratch / "TOLVAInstall\\";
    PutFile(tree + "a.txt", "a");
    const std::string parent = tree + std::string(250 - tree.size(), 'p') + "\\";
    ASSERT_TRUE(MakeDeepFolder(parent));
    ASSERT_TRUE(MakeDeepFolder(parent + "childfolder"));

    DeleteFolderTree(tree);

    EXPECT_FALSE(fs::exists(tree + "a.txt"));
    EXPECT_TRUE(DirectoryExists(tree)) << "a folder that still holds something was removed";
}

// Run after run unpacks into a folder that held nothing before, so that the
// clean-up can remove the whole tree without touching anything else.
TEST(UnusedFolder, TheUsersOwnTempFolderSurvivesUnpackingAndCleanUp)
{
    ScratchFolder scratch("usertemp");
    const std::string temp = scratch / "Temp\\";
    PutFile(temp + "readme.txt", "the user's own notes");
    PutFile(temp + "holiday\\photo.gif", "GIF89a user");
    PutArchive(scratch / "Setup.Dat",
               ArchiveBuilder().Add("readme.txt", "product readme").Add("photo.gif", "GIF89a product"));

    const std::string tempDir = UnusedFolder(temp);
    EXPECT_EQ(tempDir, scratch / "Temp2\\");
    ASSERT_TRUE(ExtractPayload(scratch / "Setup.Dat", tempDir));
    EXPECT_EQ(FileContent(tempDir + "readme.txt"), "product readme");
    DeleteFolderTree(tempDir);

    EXPECT_FALSE(fs::exists(tempDir));
    EXPECT_EQ(FileContent(temp + "readme.txt"), "the user's own notes");
    EXPECT_EQ(FileContent(temp + "holiday\\photo.gif"), "GIF89a user");
}

TEST(UnusedFolder, SkipsTakenNamesFilesIncludedAndGivesUpPastAShortPath)
{
    ScratchFolder scratch("unused");
    EXPECT_EQ(UnusedFolder(scratch / "Fresh\\"), scratch / "Fresh\\");
    fs::create_directories(scratch / "Temp");
    PutFile(scratch / "Temp2", "a file of that name");
    EXPECT_EQ(UnusedFolder(scratch / "Temp\\"), scratch / "Temp3\\");

    const std::string longest = scratch / (std::string(254 - scratch.Path().size(), 'l') + "\\");
    ASSERT_EQ(longest.size(), 255u);
    ASSERT_TRUE(MakeDeepFolder(longest));
    EXPECT_EQ(UnusedFolder(longest), "");
}
