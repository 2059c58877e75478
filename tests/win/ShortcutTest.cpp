// Shell links as the installation makes them, read back through the shell.
#include "LinkReader.h"
#include "PayloadFixture.h"
#include "shell/Shortcuts.h"

#include <gtest/gtest.h>

using namespace payloadtest;
using linktest::LinkTarget;

TEST(Shortcut, PointsAtItsTargetAndIsReplacedByTheNextOne)
{
    ScratchFolder scratch("links ");
    const std::string link = scratch / "TOLVA Readme.lnk";
    const struct {
        std::string target;
    } cases[] = {
        {"C:\\Program Files\\Tolva\\readme.txt"},
        // Made again over the first: the new target, not the old one.
        {"D:\\Mail Server\\config.exe"},
        // A target that does not exist is linked all the same.
        {scratch / "not there.exe"},
    };
    for (const auto& c : cases) {
        CreateShortcut(c.target, link);
        EXPECT_EQ(LinkTarget(link), std::optional<std::string>(c.target));
    }
}

TEST(Shortcut, ANameThatDoesNotFitIsNotMadeUnderAShorterOne)
{
    ScratchFolder scratch("links ");
    const std::string folder = scratch / "group\\";
    fs::create_directories(folder);
    const std::string name = folder + std::string(MAX_PATH - folder.size(), 'n') + ".lnk";
    ASSERT_GE(name.size(), std::size_t(MAX_PATH));
    CreateShortcut("C:\\Program Files\\Tolva\\readme.txt", name);
    EXPECT_TRUE(fs::is_empty(folder)) << "a link was made: " << fs::directory_iterator(folder)->path().string();

    // One character less than the buffer holds with its terminator: made.
    const std::string fitting = folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'n') + ".lnk";
    ASSERT_EQ(fitting.size(), std::size_t(MAX_PATH - 1));
    CreateShortcut("C:\\Program Files\\Tolva\\readme.txt", fitting);
    EXPECT_EQ(LinkTarget(fitting), std::optional<std::string>("C:\\Program Files\\Tolva\\readme.txt"));
}
