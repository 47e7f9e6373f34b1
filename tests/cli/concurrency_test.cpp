// Several vestrel-cli processes at once on one data folder: each must see only its own data and
// none may fail for the others' sake.
#include <zlib.h>

#include "cli/cli_runner.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TRun = vestrel::testing_util::TCliRun;
using vestrel::testing_util::ExpansionsLeft;

class ConcurrencyTest : public vestrel::testing_util::TCliFixture {
  protected:
    void SetUp() override {
        TCliFixture::SetUp();
        fs::create_directories(dir_ + "data");
    }

    // A gzip log of `lines` hits whose hosts all start with `host`.
    std::string WriteGzipLog(const std::string& name, const std::string& host, int lines) {
        fs::create_directories(fs::path(dir_ + name).parent_path());
        gzFile packed = gzopen((dir_ + name).c_str(), "wb1");
        for (int i = 0; i < lines; ++i) {
            const std::string line = host + std::to_string(i % 50) +
                                     " - - [10/Oct/2000:13:55:36 +0000] \"GET /p" +
                                     std::to_string(i) + ".htm HTTP/1.0\" 200 100\n";
            gzwrite(packed, line.data(), static_cast<unsigned>(line.size()));
        }
        gzclose(packed);
        return dir_ + name;
    }

    std::string DataOptions() const { return "--data-dir " + dir_ + "data --timezone 0 "; }

    static std::string Total(const TRun& run, const std::string& key) {
        for (const std::string& line : run.Lines())
            if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
        return "";
    }
};

TEST_F(ConcurrencyTest, GzipLogsOfOneNameExpandSeparately) {
    const std::string x = WriteGzipLog("x/access.log.gz", "x", 20000);
    const std::string y = WriteGzipLog("y/access.log.gz", "y", 10000);
    std::vector<std::string> loads;
    for (int i = 0; i < 3; ++i) {
        loads.push_back("load " + DataOptions() + x);
        loads.push_back("load " + DataOptions() + y);
    }
    const std::vector<TRun> runs = RunTogether(loads);
    for (size_t i = 0; i < runs.size(); ++i) {
        ASSERT_EQ(runs[i].Status, 0) << runs[i].Err;
        EXPECT_EQ(Total(runs[i], "Hits"), i % 2 == 0 ? "20000" : "10000") << "run " << i;
        EXPECT_EQ(Total(runs[i], "Users"), "50") << "run " << i;
    }
    EXPECT_EQ(ExpansionsLeft(dir_ + "data"), 0);
}

TEST_F(ConcurrencyTest, CopiesOfOneReportAllGetANameOfTheirOwn) {
    const std::string definition =
        Write("base.json", R"({"Name": "Base", "Domain": "example.com", "Filters": []})");
    ASSERT_EQ(Run("report import --data-dir " + dir_ + "data " + definition).Status, 0);
    const std::vector<TRun> runs =
        RunTogether(std::vector<std::string>(6, "report copy Base --data-dir " + dir_ + "data"), 5);
    std::set<std::string> names;
    for (const TRun& run : runs) {
        ASSERT_EQ(run.Status, 0) << run.Err;
        for (const std::string& name : run.Lines()) names.insert(name);
    }
    EXPECT_EQ(names.size(), 30u);
    EXPECT_EQ(names.count("Copy of Base"), 1u);
    EXPECT_EQ(names.count("Copy (30) of Base"), 1u);
    EXPECT_EQ(Run("report list --data-dir " + dir_ + "data").Lines().size(), 31u);
}

TEST_F(ConcurrencyTest, RunsOpeningAFreshFolderTogetherAllSucceed) {
    for (int round = 0; round < 5; ++round) {
        const std::string folder = dir_ + "fresh" + std::to_string(round);
        fs::create_directories(folder);
        const std::vector<TRun> runs =
            RunTogether(std::vector<std::string>(6, "report list --data-dir " + folder));
        for (const TRun& run : runs) EXPECT_EQ(run.Status, 0) << run.Err;
    }
}

// Writers of large definitions queue for the store while readers list it: none may give up.
TEST_F(ConcurrencyTest, QueuedWritersWaitTheirTurn) {
    std::vector<std::string> commands;
    for (int writer = 0; writer < 6; ++writer) {
        const std::string name = "Site " + std::to_string(writer);
        const std::string json = R"({"Name": ")" + name + R"(", "SiteTree": ")" +
                                 std::string(400000, 'a' + writer) + R"(", "Filters": []})";
        commands.push_back("report import --data-dir " + dir_ + "data " +
                           Write("w" + std::to_string(writer) + ".json", json));
    }
    for (int reader = 0; reader < 2; ++reader)
        commands.push_back("report list --data-dir " + dir_ + "data");
    for (const TRun& run : RunTogether(commands, 6)) EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Run("report list --data-dir " + dir_ + "data").Lines().size(), 6u);
}

}  // namespace
