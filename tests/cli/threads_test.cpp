// vestrel-cli dump gives the same bytes with one thread as with several, on every public sample,
// the bad-input corpus and generated logs, with date selections, plain and packed.
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_runner.h"

namespace fs = std::filesystem;

namespace {

using TRun = vestrel::testing_util::TCliRun;

class ThreadsTest : public vestrel::testing_util::TCliFixture {
  protected:
    void SetUp() override {
        TCliFixture::SetUp();
        fs::create_directories(dir_ + "data");
    }

    TRun Dump(int threads, const std::string& arguments) {
        return Run("dump --data-dir " + dir_ + "data --threads " + std::to_string(threads) + " " +
                   arguments);
    }

    // Output, exit status and message agree between one thread and three.
    void ExpectSameDump(const std::string& arguments) {
        const TRun one = Dump(1, arguments), three = Dump(3, arguments);
        EXPECT_EQ(one.Status, three.Status) << arguments;
        EXPECT_EQ(one.Err, three.Err) << arguments;
        EXPECT_TRUE(one.Out == three.Out) << arguments << ": the dumps differ";
    }

    static std::vector<std::string> FilesUnder(const std::string& folder) {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().extension() != ".md" &&
                entry.path().extension() != ".json")
                files.push_back(entry.path().string());
        return files;
    }
};

TEST_F(ThreadsTest, EverySampleAndEveryDamagedLog) {
    for (const std::string& file : FilesUnder(VESTREL_SAMPLES_DIR))
        ExpectSameDump("'" + file + "'");
    for (const std::string& file : FilesUnder(std::string(VESTREL_SOURCE_DIR) + "/tests/data/bad"))
        ExpectSameDump("'" + file + "'");
}

TEST_F(ThreadsTest, GeneratedLogsPlainPackedAndSelected) {
    // 20,000 lines: 3,000 hosts, visits around the 30-minute gap, many paths and referrers.
    std::string log;
    for (int i = 0; i < 20000; ++i) {
        const int second = i * 2 + (i % 7 == 0 ? 1800 : 0) + (i % 11 == 0 ? 1 : 0);
        char line[300];
        std::snprintf(line, sizeof line,
                      "10.%d.%d.%d - - [%02d/Mar/2024:%02d:%02d:%02d +0000] \"GET /p%d.htm "
                      "HTTP/1.1\" %d %d \"http://r%d.example/\" \"Agent %d\"%s",
                      i % 3000 / 250, i % 250, i % 13, 1 + second / 86400, second / 3600 % 24,
                      second / 60 % 60, second % 60, i * 31 % 5000, i % 9 ? 200 : 404, i % 977,
                      i % 300, i % 40, i % 5 ? "\n" : "\r\n");
        log += line;
    }
    const std::string plain = Write("gen.log", log);
    gzFile out = gzopen((dir_ + "gen.log.gz").c_str(), "wb");
    gzwrite(out, log.data(), static_cast<unsigned>(log.size()));
    gzclose(out);

    ExpectSameDump(plain);
    ExpectSameDump(dir_ + "gen.log.gz " + plain);
    ExpectSameDump("--date-selection 1 --from 2024-03-01 --to 2024-03-01 " + plain);
    ExpectSameDump("--date-selection 2 --last-hours 3 " + plain);
}

}  // namespace
