// Runs the vestrel-cli binary for the end-to-end tests, in a temporary folder of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

    // Several vestrel-cli runs started at once, each with its own `arguments`; answers when all
    // have ended, in the order given.
    // A run given `repeat` runs its command that many times in a row, stopping at a failure.
    std::vector<TCliRun> RunTogether(const std::vector<std::string>& arguments, int repeat = 1) {
        std::vector<pid_t> children;
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string command = "(i=0; while [ $i -lt " + std::to_string(repeat) +
                                        " ]; do " + VESTREL_CLI + " " + arguments[i] +
                                        " || exit $?; i=$((i+1)); done) >" + OutputName(i, "out") +
                                        " 2>" + OutputName(i, "err");
            const pid_t child = fork();
            if (child == 0) {
                execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            children.push_back(child);
        }
        std::vector<TCliRun> runs(arguments.size());
        for (size_t i = 0; i < children.size(); ++i) {
            int status = 0;
            waitpid(children[i], &status, 0);
            runs[i].Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            runs[i].Out = ReadOutput(OutputName(i, "out"));
            runs[i].Err = ReadOutput(OutputName(i, "err"));
        }
        return runs;
    }

    std::string dir_;

  private:
    std::string OutputName(size_t run, const char* stream) const {
        return dir_ + "run" + std::to_string(run) + "." + stream;
    }
    static std::string ReadOutput(const std::string& name) {
        std::ifstream file(name, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(file)), {});
        std::filesystem::remove(name);
        return text;
    }
};

// The ".~xx" expansions of compressed logs left in a folder; a load removes its own.
inline int ExpansionsLeft(const std::string& folder) {
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().string().ends_with(".~xx")) ++left;
    return left;
}

}  // namespace vestrel::testing_util
