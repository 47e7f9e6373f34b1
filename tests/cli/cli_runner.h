// Runs the vestrel-cli binary for the end-to-end tests, in a temporary folder of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vestrel::testing_util {

struct TCliRun {
    int Status = -1;
    std::string Out, Err;
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream stream(Out);
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }
};

class TCliFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "vestrel-cli-XXXXXX";
        dir_ = std::string(mkdtemp(pattern.data())) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(dir_ + name, std::ios::binary) << content;
        return dir_ + name;
    }

    // vestrel-cli with `arguments` (passed through the shell).
    TCliRun Run(const std::string& arguments) {
        const std::string command =
            std::string(VESTREL_CLI) + " " + arguments + " 2>" + dir_ + "stderr.txt";
        TCliRun run;
        FILE* pipe = popen(command.c_str(), "r");
        std::array<char, 4096> chunk{};
        for (size_t got; (got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
            run.Out.append(chunk.data(), got);
        run.Status = WEXITSTATUS(pclose(pipe));
        std::ifstream err(dir_ + "stderr.txt");
        run.Err.assign(std::istreambuf_iterator<char>(err), {});
        return run;
    }

    std::string dir_;
};

}  // namespace vestrel::testing_util
