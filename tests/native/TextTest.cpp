// The string rules that the start-up and every error report stand on.
#include "app/StartupRules.h"
#include "classlib/Text.h"

#include <gtest/gtest.h>

using namespace classlib;

TEST(CommandLine, SplitsLikeProgramParameters)
{
    struct Case {
        std::string line;
        std::vector<std::string> params;
    };
    const std::vector<Case> cases = {
        {"setup.exe", {"setup.exe"}},
        {"\"C:\\Program Files\\Tolva\\setup.exe\" /UNINSTALL", {"C:\\Program Files\\Tolva\\setup.exe", "/UNINSTALL"}},
        {"setup.exe   /uninstall\tmore  \"x y\"", {"setup.exe", "/uninstall", "more", "x y"}},
        {"  setup.exe a\"b c\"d", {"setup.exe", "ab cd"}},
        {"setup.exe \"unterminated quote", {"setup.exe", "unterminated quote"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.params) << "command line: " << c.line;
}

TEST(StartAction, FirstParameterDecides)
{
    struct Case {
        int count;
        std::string first;
        StartAction expected;
    };
    const std::vector<Case> cases = {
        {0, "", StartAction::Install},
        {1, "/UNINSTALL", StartAction::Uninstall},
        {1, "/uninstall", StartAction::Uninstall},
        {3, "/UnInstall", StartAction::Uninstall},
        {1, "-UNINSTALL", StartAction::Quit},
        {1, "/UNINSTALLX", StartAction::Quit},
        {1, "/UNINSTAL", StartAction::Quit},
        {1, "readme.txt", StartAction::Quit},
        {1, "", StartAction::Quit},
        // Only ASCII letters change case: a dotless capital I is not an I.
        {1, "/UN\xddNSTALL", StartAction::Quit},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartActionFor(c.count, c.first), c.expected) << "first parameter: " << c.first;
}

TEST(SystemFolder, GetsOneTrailingBackslash)
{
    const char withoutSlash[] = "C:\\WINDOWS\\system32";
    const char withSlash[] = "C:\\";
    EXPECT_EQ(SystemFolderFromCall(withoutSlash, 19, 254), "C:\\WINDOWS\\system32\\");
    EXPECT_EQ(SystemFolderFromCall(withSlash, 3, 254), "C:\\");
    EXPECT_EQ(SystemFolderFromCall(withoutSlash, 0, 254), "");
    // The call answers with the size it would need when the folder does not fit.
    EXPECT_EQ(SystemFolderFromCall(withoutSlash, 300, 254), "");
    EXPECT_EQ(SystemFolderFromCall(withoutSlash, 254, 254), "");
}

TEST(SystemMessage, LosesTrailingBlanksLineBreaksAndStops)
{
    EXPECT_EQ(TrimSystemMessage("Service exists.\r\n"), "Service exists");
    EXPECT_EQ(TrimSystemMessage("Access denied. \r\n"), "Access denied");
    EXPECT_EQ(TrimSystemMessage("File not found...\n\n"), "File not found");
    EXPECT_EQ(TrimSystemMessage("v1.2 is not valid"), "v1.2 is not valid");
    EXPECT_EQ(TrimSystemMessage(" .\r\n"), "");
    EXPECT_EQ(TrimSystemMessage(""), "");
}

TEST(Paths, FolderAndNameParts)
{
    EXPECT_EQ(ExtractFilePath("C:\\Tolva\\setup.exe"), "C:\\Tolva\\");
    EXPECT_EQ(ExtractFileName("C:\\Tolva\\setup.exe"), "setup.exe");
    EXPECT_EQ(ExtractFilePath("A:setup.exe"), "A:");
    EXPECT_EQ(ExtractFilePath("setup.exe"), "");
    EXPECT_EQ(IncludeTrailingBackslash("D:\\Mail"), "D:\\Mail\\");
    EXPECT_EQ(IncludeTrailingBackslash("D:\\"), "D:\\");
    EXPECT_EQ(IncludeTrailingBackslash(""), "");
}

TEST(LineEnds, BecomeCrLfOnce)
{
    EXPECT_EQ(WithCrLf("one\ntwo\n"), "one\r\ntwo\r\n");
    EXPECT_EQ(WithCrLf("one\r\ntwo"), "one\r\ntwo");
    EXPECT_EQ(WithCrLf("\n\n"), "\r\n\r\n");
    EXPECT_EQ(WithCrLf("a\r\n\nb"), "a\r\n\r\nb");
    EXPECT_EQ(WithCrLf(""), "");
}
