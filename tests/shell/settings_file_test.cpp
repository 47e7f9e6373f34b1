#include "shell/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/errors.h"

namespace vestrel {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel_settings_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern + "/";
        name_ = SettingsFileName(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Put(const std::string& content) { std::ofstream(name_, std::ios::binary) << content; }
    std::string Content() const {
        std::ostringstream text;
        text << std::ifstream(name_, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string folder_, name_;
};

TEST_F(SettingsFileTest, NamesCompareWithoutCaseAndOnlyTheFirstSectionAndKeyCount) {
    Put("; Vestrel=1\n"
        "Top=before any section\n"
        "[ reports ]\n"
        "  lastdaystoshow =  12  \n"
        "#TimeZone=3\n"
        "LastDaysToShow=99\n"
        "Empty=\n"
        "[Log]\n"
        "TimeZone=7\n"
        "[REPORTS]\n"
        "TimeZone=8\n");
    const TSettingsFile file(name_);
    EXPECT_EQ(file.ReadInteger("Reports", "LastDaysToShow", 0), 12);
    EXPECT_EQ(file.ReadInteger("Reports", "TimeZone", -100),
              -100);  // a comment, another section, a repeated section
    EXPECT_EQ(file.ReadString("Reports", "Empty", "x"), "");
    EXPECT_EQ(file.ReadString("", "Top", "none"), "none");
    EXPECT_EQ(file.ReadString("Log", "TimeZone", ""), "7");
    EXPECT_EQ(TSettingsFile(folder_ + "absent/Vestrel.ini").ReadBool("Log", "Any", true), true);
}

TEST_F(SettingsFileTest, IntegersAreDecimalOrHexAndAnythingElseGivesTheDefault) {
    Put("[N]\na=-5\nb=$FF\nc=0x10\nd=-$10\ne=0xFFFFFFFF\nf=-2147483648\n"
        "g=12abc\nh=2147483648\ni=0x\nj=$100000000\nk= \nl=+-1\n"
        "t=2\nu=0\nv=yes\n");
    const TSettingsFile file(name_);
    const std::pair<const char*, int> numbers[] = {
        {"a", -5}, {"b", 255}, {"c", 16}, {"d", -16}, {"e", -1}, {"f", INT32_MIN},
        {"g", 42}, {"h", 42},  {"i", 42}, {"j", 42},  {"k", 42}, {"l", 42}};
    for (const auto& [key, expected] : numbers)
        EXPECT_EQ(file.ReadInteger("N", key, 42), expected) << key;
    EXPECT_TRUE(file.ReadBool("N", "t", false));
    EXPECT_FALSE(file.ReadBool("N", "u", true));
    EXPECT_TRUE(file.ReadBool("N", "v", true));
    EXPECT_FALSE(file.ReadBool("N", "v", false));
}

TEST_F(SettingsFileTest, WritingAKeyLeavesEveryOtherByteAlone) {
    Put("; mine\r\n[Log]\r\nStopBuildTree = 5000\r\n\r\n[Reports]\r\nLast=2\r\n\r\n; tail\r\n");
    TSettingsFile file(name_);
    file.WriteInteger("LOG", "stopbuildtree", 20);
    file.WriteBool("Log", "Extra", false);
    file.WriteString("Reports", "TimeZone", "-3");
    EXPECT_EQ(Content(),
              "; mine\r\n[Log]\r\nStopBuildTree = 20\r\nExtra=0\r\n\r\n"
              "[Reports]\r\nLast=2\r\nTimeZone=-3\r\n\r\n; tail\r\n");
}

TEST_F(SettingsFileTest, MissingFinalLineBreakStaysMissing) {
    Put("[Reports]\nLast=2");
    TSettingsFile file(name_);
    file.WriteInteger("Reports", "Last", 5);
    EXPECT_EQ(Content(), "[Reports]\nLast=5");
    file.WriteInteger("Reports", "TimeZone", 0);
    EXPECT_EQ(Content(), "[Reports]\nLast=5\nTimeZone=0");
    file.WriteInteger("ColWidths", "LogData0", 100);
    EXPECT_EQ(Content(), "[Reports]\nLast=5\nTimeZone=0\n[ColWidths]\nLogData0=100");
}

TEST_F(SettingsFileTest, NewFileAndNewSectionsGetWholeLines) {
    TSettingsFile file(name_);
    file.WriteString("Log", "StopBuildTree", "1");
    file.WriteString("Reports", "Last", "0");
    EXPECT_EQ(Content(), "[Log]\nStopBuildTree=1\n[Reports]\nLast=0\n");
    EXPECT_EQ(file.ReadString("log", "STOPBUILDTREE", ""), "1");
}

TEST_F(SettingsFileTest, ReplacementKeepsPermissionsAndLinksAndLeavesNoTemporaryFile) {
    Put("[Log]\nStopBuildTree=1\n");
    fs::permissions(name_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string link = folder_ + "link.ini";
    fs::create_symlink(name_, link);
    TSettingsFile(link).WriteInteger("Log", "StopBuildTree", 2);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Content(), "[Log]\nStopBuildTree=2\n");
    EXPECT_EQ(fs::status(name_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

TEST_F(SettingsFileTest, FailuresRaiseNamingTheFileAndChangeNothing) {
    Put("[Log]\nStopBuildTree=1\n");
    TSettingsFile file(name_);
    EXPECT_THROW(file.WriteString("Log", "Key", "two\nlines"), EVestrelError);
    EXPECT_THROW(file.WriteString("Log", "A=B", "1"), EVestrelError);
    EXPECT_THROW(file.WriteString("Lo]g", "Key", "1"), EVestrelError);
    EXPECT_THROW(file.WriteString("Log", "[Key", "1"), EVestrelError);
    EXPECT_THROW(file.WriteString(" ", "Key", "1"), EVestrelError);
    EXPECT_EQ(Content(), "[Log]\nStopBuildTree=1\n");

    // A settings file that exists but cannot be read is neither read as empty nor overwritten.
    const std::string folderInstead = folder_ + "folder.ini";
    fs::create_directory(folderInstead);
    TSettingsFile unreadable(folderInstead);
    EXPECT_THROW(unreadable.ReadInteger("Log", "StopBuildTree", 0), EVestrelError);
    EXPECT_THROW(unreadable.WriteInteger("Log", "StopBuildTree", 0), EVestrelError);
    EXPECT_TRUE(fs::is_directory(folderInstead));

    try {
        TSettingsFile(name_ + "/Vestrel.ini").WriteInteger("Log", "StopBuildTree", 0);
        FAIL() << "no error";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find(name_ + "/Vestrel.ini"), std::string::npos);
    }
}

// Only a regular file of a sane size is read: a device or a FIFO would never end, a huge file
// would be read again for every key.
TEST_F(SettingsFileTest, OddFilesAreRefusedWithTheReason) {
    fs::create_symlink("/dev/zero", name_);
    try {
        TSettingsFile(name_).ReadInteger("Log", "StopBuildTree", 0);
        FAIL() << "no error";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("no regular file"), std::string::npos);
    }
    fs::remove(name_);
    ASSERT_EQ(::mkfifo(name_.c_str(), 0600), 0);
    EXPECT_THROW(TSettingsFile(name_).ReadString("Log", "Key", ""), EVestrelError);
    fs::remove(name_);

    Put("[Log]\nStopBuildTree=3\n" + std::string(kMaxSettingsFileSize, ';'));
    try {
        TSettingsFile(name_).ReadInteger("Log", "StopBuildTree", 0);
        FAIL() << "no error";
    } catch (const EVestrelError& error) {
        EXPECT_NE(std::string(error.what()).find("more than the 4194304"), std::string::npos);
    }
}

// One object reads an unchanged file once, yet sees every change made to it, by itself or not.
TEST_F(SettingsFileTest, AnUnchangedFileIsReadOnceAndAChangedOneAgain) {
    Put("[Log]\nStopBuildTree=1\n");
    TSettingsFile file(name_);
    EXPECT_EQ(file.ReadInteger("Log", "StopBuildTree", 0), 1);
    TSettingsFile(name_).WriteInteger("Log", "StopBuildTree", 2);
    EXPECT_EQ(file.ReadInteger("Log", "StopBuildTree", 0), 2);
    file.WriteInteger("Log", "Other", 5);
    EXPECT_EQ(file.ReadInteger("Log", "Other", 0), 5);
    fs::remove(name_);
    EXPECT_EQ(file.ReadInteger("Log", "StopBuildTree", 7), 7);
}

TEST_F(SettingsFileTest, AByteOrderMarkIsSkippedAndKept) {
    const std::string bom = "\xEF\xBB\xBF";
    Put(bom + "[Reports]\r\nTimeZone=3\r\n");
    TSettingsFile file(name_);
    EXPECT_EQ(file.ReadInteger("Reports", "TimeZone", 0), 3);
    file.WriteInteger("Reports", "TimeZone", 4);
    file.WriteInteger("Reports", "LastDaysToShow", 9);
    EXPECT_EQ(Content(), bom + "[Reports]\r\nTimeZone=4\r\nLastDaysToShow=9\r\n");

    Put(bom);
    file.WriteInteger("Log", "StopBuildTree", 1);
    EXPECT_EQ(Content(), bom + "[Log]\nStopBuildTree=1\n");
}

// Processes writing different keys at once: every last value survives.
TEST_F(SettingsFileTest, ConcurrentWritersLoseNoChange) {
    constexpr int kWriters = 6, kWrites = 25;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        if (child == 0) {
            try {
                TSettingsFile file(name_);
                for (int i = 1; i <= kWrites; ++i)
                    file.WriteInteger("Writer" + std::to_string(writer % 2),
                                      "Key" + std::to_string(writer), i);
            } catch (const EVestrelError&) {
                _exit(1);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TSettingsFile file(name_);
    for (int writer = 0; writer < kWriters; ++writer)
        EXPECT_EQ(file.ReadInteger("Writer" + std::to_string(writer % 2),
                                   "Key" + std::to_string(writer), 0),
                  kWrites)
            << "writer " << writer;
}

}  // namespace
}  // namespace vestrel
