// The examination of a plain log file for its format and the times of its first and last line.
// The first two bytes give the standard bias in minutes. When the third is not 0, filler lines
// go into the file 16 times its value into the rest, so that the file's head and tail, which are
// read apart, are different parts of it; the rest is the file.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/log_files.h"
#include "fuzz_support.h"

using namespace vestrel;

namespace {

constexpr int kFillerLines = 800;  // more than the head and the tail that are read

std::string FileContent(const uint8_t* data, size_t size) {
    std::string content(reinterpret_cast<const char*>(data + 3), size - 3);
    if (data[2] != 0) {
        std::string filler;
        for (int i = 0; i < kFillerLines; ++i) filler += "filler line\n";
        content.insert(std::min(content.size(), size_t{data[2]} * 16), filler);
    }
    return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Zones lie within half a day of UTC.
    const int biasMinutes = (data[0] | data[1] << 8) % 1441 - 720;
    TLogFileData entry;
    entry.FileName = fuzz::WriteScratchFile("examined.log", FileContent(data, size));
    ExamineLogFile(entry, biasMinutes);
    fuzz::Check(entry.Format == 2 || entry.Format == 3, "format is common or W3C");
    fuzz::Check(std::isfinite(entry.FirstDate) && std::isfinite(entry.LastDate), "finite dates");
    return 0;
}
