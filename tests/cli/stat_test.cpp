// vestrel-cli stats / stat end to end.
#include "cli/cli_runner.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StatCliTest : public vestrel::testing_util::TCliFixture {
  protected:
    void SetUp() override {
        TCliFixture::SetUp();
        log_ =
            Write("a.log",
                  "h1.example.se - - [01/Mar/2002:10:00:00 +0000] \"GET /a.html HTTP/1.0\" 200 100 "
                  "\"http://other.org/x?y=1\" \"Mozilla/4.7 [en] (Win98; I)\"\n"
                  "h1.example.se - - [01/Mar/2002:10:05:00 +0000] \"GET /b.gif HTTP/1.0\" 404 0 "
                  "\"http://www.example.com/a.html\" \"Mozilla/4.7 [en] (Win98; I)\"\n"
                  "10.0.0.1 - ann [02/Mar/2002:11:00:00 +0000] \"GET / HTTP/1.1\" 200 50 \"-\" "
                  "\"curl/8.0\"\n");
    }

    int Run(const std::string& arguments, std::string& out, std::string& err) {
        const vestrel::testing_util::TCliRun run = TCliFixture::Run(arguments);
        out = run.Out;
        err = run.Err;
        return run.Status;
    }

    std::vector<std::string> StatLines(const std::string& arguments) {
        std::string out, err;
        EXPECT_EQ(Run("stat " + arguments + " --data-dir " + dir_ + "data --timezone 0 " + log_,
                      out, err),
                  0)
            << err;
        std::vector<std::string> lines;
        std::istringstream stream(out);
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }

    std::string log_;
};

TEST_F(StatCliTest, StatsListsEveryStatisticName) {
    std::string out, err;
    ASSERT_EQ(Run("stats", out, err), 0);
    for (const char* name : {"general",        "day-span",
                             "weekday",        "hour",
                             "daily",          "weekly",
                             "monthly",        "ref-domains",
                             "ref-pages",      "ref-urls",
                             "page-referring", "target-referring",
                             "search-engines", "phrases-engine",
                             "phrases",        "keywords",
                             "browser",        "os",
                             "top-domains",    "domains",
                             "auth-users",     "paths",
                             "top-entry",      "top-exit",
                             "most-visited",   "404",
                             "404-referrers",  "other-errors",
                             "log-data",       "filtered-log-data",
                             "status-codes",   "hosts",
                             "robots",         "countries",
                             "file-types"})
        EXPECT_NE(out.find(std::string(name) + "\t"), std::string::npos) << name;
}

TEST_F(StatCliTest, TablesAreUtf8WhateverTheLogBytes) {
    log_ = Write("bytes.log",
                 "h1 - - [01/Mar/2002:10:00:00 +0000] \"GET /\xc3\x84rlig.html HTTP/1.0\" 200 1\n"
                 "h2 - - [01/Mar/2002:10:00:00 +0000] \"GET /caf\xe9.html HTTP/1.0\" 200 1\n"
                 "h3 - - [01/Mar/2002:10:00:00 +0000] \"GET /x\x7fy.html HTTP/1.0\" 200 1\n");
    std::string pages;
    for (const std::string& line : StatLines("most-visited")) pages += line + "\n";
    for (const char* page :
         {"/\xc3\x84rlig.html\t", "/caf\xc3\xa9.html\t", "/x\xef\xbf\xbdy.html\t"})
        EXPECT_NE(pages.find(page), std::string::npos) << page << " in " << pages;
}

TEST_F(StatCliTest, GeneralSummaryAsDisplayTexts) {
    const auto lines = StatLines("general");
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0], "Item\tValue");
    EXPECT_EQ(lines[7], "   Hits\t3");
    EXPECT_EQ(lines[8], "   Total Visiting Users\t2");
}

TEST_F(StatCliTest, RawValuesCarryTheGroupColumn) {
    const auto lines = StatLines("general --values");
    EXPECT_EQ(lines[0], "Item\tValue\tgroup");
    EXPECT_EQ(lines[1], "Time\t\t1");
    EXPECT_EQ(lines[7], "   Hits\t3\t0");
    const auto daily = StatLines("daily --values");
    ASSERT_GE(daily.size(), 3u);
    EXPECT_EQ(daily[1].substr(0, daily[1].find('\t', daily[1].find('\t') + 1)), "2002-03-01\t2");
}

TEST_F(StatCliTest, JsonHasTitleTypedColumnsAndRows) {
    std::string out, err;
    ASSERT_EQ(Run("stat most-visited --format json --data-dir " + dir_ + "data " + log_, out, err),
              0)
        << err;
    const auto document = nlohmann::json::parse(out);
    EXPECT_EQ(document["title"], "  Most Visited");
    EXPECT_EQ(document["columns"][0]["title"], "Page");
    EXPECT_EQ(document["columns"][1]["type"], "integer");
    ASSERT_EQ(document["rows"].size(), 2u);
    EXPECT_EQ(document["rows"][0]["values"][1], 1);
    EXPECT_EQ(document["rows"][0]["group"], false);
}

TEST_F(StatCliTest, LogDataListsEveryHit) {
    const auto lines = StatLines("log-data");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 17), "Remote Host\tLogin");
}

TEST_F(StatCliTest, FilteredLogDataReadsAJsonFilter) {
    const std::string filter = Write("f.json", R"({"Filters": 64, "StatusFrom": 404})");
    const auto lines = StatLines("filtered-log-data --filter " + filter);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("GET /b.gif"), std::string::npos);
}

TEST_F(StatCliTest, BadRequestsFailWithAClearMessage) {
    std::string out, err;
    EXPECT_NE(Run("stat nosuch --data-dir " + dir_ + "data " + log_, out, err), 0);
    EXPECT_NE(err.find("nosuch"), std::string::npos) << err;

    const std::string wrongType = Write("w.json", R"({"StatusFrom": "404"})");
    EXPECT_NE(
        Run("stat filtered-log-data --filter " + wrongType + " --data-dir " + dir_ + "data " + log_,
            out, err),
        0);
    EXPECT_NE(err.find("StatusFrom"), std::string::npos) << err;

    const std::string notJson = Write("n.json", "{oops");
    EXPECT_NE(
        Run("stat filtered-log-data --filter " + notJson + " --data-dir " + dir_ + "data " + log_,
            out, err),
        0);
    EXPECT_NE(err.find("JSON"), std::string::npos) << err;

    StatLines("general");  // creates the data folder with the default lists
    fs::remove(dir_ + "data/UserAgents.txt");
    EXPECT_NE(Run("stat browser --data-dir " + dir_ + "data " + log_, out, err), 0);
    EXPECT_NE(err.find("UserAgents.txt"), std::string::npos) << err;
}

}  // namespace
