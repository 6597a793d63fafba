#include "platform/folders.h"

#include <gtest/gtest.h>

namespace calm {
namespace {

TEST(Folders, SystemFolderSitsBesideTheProgramFolder)
{
    EXPECT_EQ(system_folder_for("/usr/bin/"), "/usr/lib/calmora");
    EXPECT_EQ(system_folder_for("/home/a b/build/bin/"), "/home/a b/build/lib/calmora");
    // No length limit on the folder.
    const std::string deep = "/" + std::string(300, 'd') + "/bin/";
    EXPECT_EQ(system_folder_for(deep), "/" + std::string(300, 'd') + "/lib/calmora");
}

TEST(Folders, ProgramFolderEndsWithASeparator)
{
    const auto f = program_folder();
    ASSERT_FALSE(f.empty());
    EXPECT_EQ(f.back(), '/');
    EXPECT_EQ(folder_of("/a/b/c.mp4"), "/a/b/");
    EXPECT_EQ(folder_of("c.mp4"), "");
}

} // namespace
} // namespace calm
