// The folders and the command that the installation sequence derives.
#include "app/InstallRules.h"
#include "app/StartupRules.h"
#include "classlib/Text.h"

#include <gtest/gtest.h>


namespace {

constexpr unsigned kBufferSize = 255;

// What the system call leaves for a value: the value and its length when it
// fits the buffer with its terminator, otherwise nothing and the size needed.
std::string TempFolderFor(const std::string& value, const std::string& setupFolder = "A:\\")
{
    const unsigned result =
        value.size() < kBufferSize ? static_cast<unsigned>(value.size()) : static_cast<unsigned>(value.size() + 1);
    const std::string buffer = value.size() < kBufferSize ? value : std::string();
    return TempFolderFromCall(buffer.c_str(), result, kBufferSize, setupFolder);
}

} // namespace

TEST(TargetFolder, GetsOneTrailingBackslashAndStaysEmptyWhenEmpty)
{
    EXPECT_EQ(TargetFolderFromCaption("D:\\Mail"), "D:\\Mail\\");
    EXPECT_EQ(TargetFolderFromCaption("D:\\"), "D:\\");
    EXPECT_EQ(TargetFolderFromCaption("C:\\Program Files\\Tolva\\"), "C:\\Program Files\\Tolva\\");
    EXPECT_EQ(TargetFolderFromCaption(""), "");
}

TEST(TempFolder, FromTempOrBesideTheSetupProgram)
{
    struct Case {
        std::string temp;
        std::string expected;
    };
    const std::string at241(241, 't');
    const std::string at242(242, 't');
    const std::vector<Case> cases = {
        {"C:\\TEMP", "C:\\TEMP\\TOLVAInstall\\"},
        // Appended as it stands: the backslash of the value stays and another follows.
        {"C:\\TEMP\\", "C:\\TEMP\\\\TOLVAInstall\\"},
        {"", "A:\\Temp\\"},
        // The longest value whose folder still fits a short path with its backslash.
        {at241, at241 + "\\TOLVAInstall\\"},
        // Longer ones would be cut inside the appended part: they count as unset.
        {at242, "A:\\Temp\\"},
        {std::string(254, 't'), "A:\\Temp\\"},
        // One that does not fit the buffer at all, likewise.
        {std::string(255, 't'), "A:\\Temp\\"},
        {std::string(4000, 't'), "A:\\Temp\\"},
    };
    for (const Case& c : cases) {
        const std::string folder = TempFolderFor(c.temp);
        EXPECT_EQ(folder, c.expected) << "TEMP of " << c.temp.size() << " characters";
        EXPECT_LE(folder.size(), 255u);
    }
}

TEST(TempFolder, EmptyWhenNotEvenTheFallbackFitsAShortPath)
{
    const std::string longSetupFolder = "C:\\" + std::string(246, 's') + "\\";  // 250 characters
    EXPECT_EQ(TempFolderFor("", longSetupFolder), longSetupFolder + "Temp\\");
    const std::string longerSetupFolder = "C:\\" + std::string(247, 's') + "\\";
    EXPECT_EQ(TempFolderFor("", longerSetupFolder), "");
    EXPECT_EQ(TempFolderFor(std::string(300, 't'), longerSetupFolder), "");
}

TEST(UninstallCommand, QuotesTheProgramAndStillReadsAsTheUninstallSwitch)
{
    const std::string command = UninstallCommand("C:\\Program Files\\Tolva\\", "setup.exe");
    EXPECT_EQ(command, "\"C:\\Program Files\\Tolva\\setup.exe\" /UNINSTALL");
    // The way the removal reads its command line: the program as one parameter, the switch next.
    const std::vector<std::string> params = classlib::SplitCommandLine(command);
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0], "C:\\Program Files\\Tolva\\setup.exe");
    EXPECT_EQ(StartActionFor(1, params[1]), StartAction::Uninstall);
}
