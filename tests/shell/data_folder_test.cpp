#include "shell/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using vestrel::ResolveDataFolder;

namespace {

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel-datadir-XXXXXX";
        root_ = mkdtemp(pattern.data());
        exe_ = root_ + "/bin/";
        fs::create_directories(exe_);
        for (const char* name : vestrel::kDefaultListNames) std::ofstream(exe_ + name) << name;
    }
    void TearDown() override {
        fs::permissions(exe_, fs::perms::owner_all);
        fs::remove_all(root_);
    }
    void MakeExecutableFolderReadOnly() {
        fs::permissions(exe_, fs::perms::owner_read | fs::perms::owner_exec);
    }

    std::string root_, exe_;
};

TEST_F(DataFolderTest, ArgumentThenEnvironmentThenExecutableFolder) {
    const std::string given = root_ + "/given";
    EXPECT_EQ(ResolveDataFolder(given, exe_, "/elsewhere", nullptr, "/home"), given + "/");
    const std::string home = root_ + "/vhome";
    EXPECT_EQ(ResolveDataFolder("", exe_, home.c_str(), nullptr, "/home"), home + "/");
    EXPECT_EQ(ResolveDataFolder("", exe_, nullptr, nullptr, "/home"), exe_);
    EXPECT_EQ(ResolveDataFolder("", exe_, "", nullptr, "/home"), exe_);
}

TEST_F(DataFolderTest, ReadOnlyExecutableFolderFallsBackToXdgUnlessItHoldsTheSettings) {
    if (geteuid() == 0) GTEST_SKIP() << "root can write into read-only folders";
    MakeExecutableFolderReadOnly();
    const std::string xdg = root_ + "/xdg";
    EXPECT_EQ(ResolveDataFolder("", exe_, nullptr, xdg.c_str(), "/home"), xdg + "/vestrel/");
    EXPECT_EQ(ResolveDataFolder("", exe_, nullptr, nullptr, root_.c_str()),
              root_ + "/.local/share/vestrel/");
}

TEST_F(DataFolderTest, NewFolderIsSeededWithTheDefaultLists) {
    const std::string folder = ResolveDataFolder(root_ + "/fresh/data", exe_, nullptr, nullptr, "");
    for (const char* name : vestrel::kDefaultListNames)
        EXPECT_TRUE(fs::exists(folder + name)) << name;
}

TEST_F(DataFolderTest, InstalledProgramSeedsFromItsShareFolderUnlessListsLieBesideIt) {
    const std::string prefix = root_ + "/prefix/";
    const std::string bin = prefix + "bin/", share = prefix + "share/vestrel/";
    fs::create_directories(bin);
    fs::create_directories(share);
    for (const char* name : vestrel::kDefaultListNames) std::ofstream(share + name) << "installed";
    auto firstWord = [](const std::string& file) {
        std::string word;
        std::ifstream(file) >> word;
        return word;
    };

    const std::string installed =
        ResolveDataFolder(root_ + "/installed", bin, nullptr, nullptr, "");
    for (const char* name : vestrel::kDefaultListNames)
        EXPECT_EQ(firstWord(installed + name), "installed") << name;

    // Lists beside the executable (a build folder) win over an installed copy.
    std::ofstream(bin + "UserAgents.txt") << "beside";
    const std::string built = ResolveDataFolder(root_ + "/built", bin, nullptr, nullptr, "");
    EXPECT_EQ(firstWord(built + "UserAgents.txt"), "beside");
    EXPECT_FALSE(fs::exists(built + "SearchEngines.txt"));
}

TEST_F(DataFolderTest, ExistingFolderIsLeftAlone) {
    const std::string existing = root_ + "/existing/";
    fs::create_directories(existing);
    std::ofstream(existing + "UserAgents.txt") << "mine";
    ResolveDataFolder(existing, exe_, nullptr, nullptr, "");
    EXPECT_FALSE(fs::exists(existing + "SearchEngines.txt"));
    std::ifstream kept(existing + "UserAgents.txt");
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "mine");
}

// Folders made before the robot list existed get it; one they hold is never replaced.
TEST_F(DataFolderTest, ExistingFolderGetsOnlyAMissingRobotList) {
    const std::string existing = root_ + "/existing/";
    fs::create_directories(existing);
    ResolveDataFolder(existing, exe_, nullptr, nullptr, "");
    EXPECT_TRUE(fs::exists(existing + "Robots.txt"));
    std::ofstream(existing + "Robots.txt") << "mine";
    ResolveDataFolder(existing, exe_, nullptr, nullptr, "");
    std::string text;
    std::ifstream(existing + "Robots.txt") >> text;
    EXPECT_EQ(text, "mine");
    EXPECT_FALSE(fs::exists(existing + "TopDomain.txt"));
}

TEST_F(DataFolderTest, FolderThatCannotBeCreatedRaisesNamingIt) {
    std::ofstream(root_ + "/file") << "x";
    try {
        ResolveDataFolder(root_ + "/file/sub", exe_, nullptr, nullptr, "");
        FAIL() << "no error";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find(root_ + "/file/sub"), std::string::npos);
    }
}

}  // namespace
