// What the fuzz targets share: a scratch folder for the files the code under test reads and
// writes, and a check that stops the run with a message when a property does not hold.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace vestrel::fuzz {

// A folder of its own per run below $TMPDIR, else on a memory file system when there is one, so
// that the many small files of a run cost no disk writes. Removed when the run ends normally.
class TScratchFolder {
  public:
    TScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        if (base == nullptr || *base == '\0')
            base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/vestrel-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern + "/";
    }
    ~TScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    // The folder with a trailing "/".
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

inline const TScratchFolder& Scratch() {
    static const TScratchFolder folder;
    return folder;
}

// Writes the bytes as the whole file `name` in the scratch folder and answers its path.
inline std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    const std::string path = Scratch().Path() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
    return path;
}

// A property of the code under test that failed: the run stops and keeps the input.
[[noreturn]] inline void Violated(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool holds, const char* what) {
    if (!holds) Violated(what);
}

}  // namespace vestrel::fuzz
