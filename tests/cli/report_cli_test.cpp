// vestrel-cli over stored reports, exports and renderings, end to end.
#include <filesystem>
#include <fstream>

#include "cli/cli_runner.h"

namespace fs = std::filesystem;
using vestrel::testing_util::TCliRun;

namespace {

class ReportCliTest : public vestrel::testing_util::TCliFixture {
  protected:
    void SetUp() override {
        TCliFixture::SetUp();
        data_ = " --data-dir " + dir_ + "data ";
        const std::string log = Write(
            "site.log",
            "h1.example.se - - [01/Mar/2002:10:00:00 +0000] \"GET /a/b.html HTTP/1.0\" 200 100 "
            "\"-\" \"-\"\n"
            "h1.example.se - - [01/Mar/2002:10:01:00 +0000] \"GET /a/c.html HTTP/1.0\" 200 100 "
            "\"-\" \"-\"\n");
        definition_ = Write("site.json", R"({"Name": "Site", "Domain": "www.example.com",
            "LogFiles": "1)" + log + R"(", "Filters": []})");
        ASSERT_EQ(Run("report import" + data_ + definition_).Status, 0);
    }

    std::string ReadFile(const std::string& name) {
        std::ifstream file(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string data_, definition_;
};

TEST_F(ReportCliTest, DefinitionsRoundTripThroughJson) {
    TCliRun list = Run("report list" + data_);
    ASSERT_EQ(list.Status, 0) << list.Err;
    ASSERT_EQ(list.Lines().size(), 1u);
    EXPECT_EQ(list.Lines()[0].substr(0, 21), "Site\twww.example.com\t");

    const TCliRun exported = Run("report export Site --out " + dir_ + "out.json" + data_);
    ASSERT_EQ(exported.Status, 0) << exported.Err;
    ASSERT_EQ(Run("report delete Site" + data_).Status, 0);
    EXPECT_TRUE(Run("report list" + data_).Lines().empty());
    ASSERT_EQ(Run("report import " + dir_ + "out.json" + data_).Status, 0);
    EXPECT_NE(Run("report show Site" + data_).Out.find("\"Domain\": \"www.example.com\""),
              std::string::npos);

    const TCliRun copy = Run("report copy Site" + data_);
    EXPECT_EQ(copy.Out, "Copy of Site\n");
    EXPECT_EQ(Run("report list" + data_).Lines().size(), 2u);
}

// Output that cannot be written fails the command with the reason; a backup file is private.
TEST_F(ReportCliTest, WriteErrorsFailAndExportsArePrivate) {
    for (const std::string& command :
         {"report list" + data_, "report show Site" + data_, "stat general --report Site" + data_,
          "dump --report Site" + data_}) {
        const TCliRun run = Run(command + " >/dev/full");
        EXPECT_EQ(run.Status, 1) << command;
        EXPECT_NE(run.Err.find("No space left on device"), std::string::npos) << run.Err;
    }
    TCliRun run = Run("report export Site --out /dev/full" + data_);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Cannot write file \"/dev/full\". No space left on device"),
              std::string::npos)
        << run.Err;

    run = Run("report export Site --out " + dir_ + "backup.json" + data_);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(fs::status(dir_ + "backup.json").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ReportCliTest, UnknownReportsAndBadDefinitionsAreNamed) {
    TCliRun run = Run("stat general --report Nope" + data_);
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Err.find("Nope"), std::string::npos) << run.Err;
    run = Run("report import" + data_ + Write("bad.json", R"({"Name": "X", "LastDays": "many"})"));
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Err.find("LastDays"), std::string::npos) << run.Err;
}

TEST_F(ReportCliTest, StatisticsOfAStoredReport) {
    const TCliRun run = Run("stat most-visited --report Site" + data_);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Lines().size(), 3u);
}

TEST_F(ReportCliTest, SiteTreeIsBuiltSavedAndReadBack) {
    TCliRun run = Run("site-tree --report Site --build --save" + data_);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("\n  a\t"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\n    b.html\t1"), std::string::npos) << run.Out;
    // Each hit adds at most one level, so the last hit only brought the folder.
    EXPECT_EQ(run.Out.find("c.html"), std::string::npos) << run.Out;
    run = Run("site-tree --report Site" + data_);
    EXPECT_NE(run.Out.find("\n    b.html\t1"), std::string::npos) << run.Out;
}

TEST_F(ReportCliTest, ExportsWriteEveryType) {
    for (const char* type : {"html", "rtf", "xls"}) {
        const std::string out = dir_ + "export." + type;
        const TCliRun run =
            Run(std::string("export --type ") + type + " --out " + out + " --report Site" + data_);
        ASSERT_EQ(run.Status, 0) << type << ": " << run.Err;
        const std::string content = ReadFile(out);
        if (std::string(type) == "html") {
            EXPECT_NE(content.find("  General"), std::string::npos);
            EXPECT_NE(content.find("<title>Site</title>"), std::string::npos);
            EXPECT_NE(content.find("Domain www.example.com, 2002-03-01 10:00:00 to 2002-03-01 "
                                   "10:01:00"),
                      std::string::npos);
        }
        if (std::string(type) == "rtf") {
            EXPECT_EQ(content.substr(0, 6), "{\\rtf1");
        }
        if (std::string(type) == "xls") {
            EXPECT_EQ(content.substr(0, 4), "\xD0\xCF\x11\xE0");
        }
    }
    const TCliRun some = Run("export --type html --out " + dir_ + "two.html --stats general,404" +
                             " --report Site" + data_);
    ASSERT_EQ(some.Status, 0) << some.Err;
    const std::string html = ReadFile(dir_ + "two.html");
    EXPECT_NE(html.find("Missing Files (404 errors)"), std::string::npos);
    EXPECT_EQ(html.find("Browser"), std::string::npos);
}

TEST_F(ReportCliTest, StatRenderings) {
    auto render = [&](const char* format) {
        return Run(std::string("stat general --format ") + format + " --report Site" + data_).Out;
    };
    EXPECT_EQ(render("html").substr(0, 12), "<BODY><HTML>");
    EXPECT_EQ(render("rtf").substr(0, 6), "{\\rtf1");
    EXPECT_EQ(render("sylk").substr(0, 2), "ID");
    EXPECT_NE(render("text").find("Hits\t2"), std::string::npos);
}

}  // namespace
