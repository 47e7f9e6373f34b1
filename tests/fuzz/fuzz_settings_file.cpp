// The settings file reader and writer on any file content: every key reads, and a key that was
// written (a text, then a number) reads back as written while every other key keeps its value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/text_util.h"
#include "fuzz_support.h"
#include "shell/settings_file.h"

using namespace vestrel;

namespace {

using TProbe = std::pair<std::string, std::string>;

bool SameName(std::string_view a, std::string_view b) {
    return LowerAscii(Trim(a)) == LowerAscii(Trim(b));
}

// The keys the program reads, and neighbours of the key the input writes.
std::vector<TProbe> Probes(const std::string& section, const std::string& key) {
    return {{"Log", "StopBuildTree"},  {"Reports", "LastDaysToShow"},
            {"Reports", "Last"},       {"Reports", "TimeZone"},
            {"ColWidths", "LogData0"}, {"ColWidths", "LogData9"},
            {section, key + "x"},      {section, "Last"},
            {section + "x", key},      {"Reports", key},
            {section, "TimeZone"}};
}

std::vector<std::string> ReadAll(const TSettingsFile& file, const std::vector<TProbe>& probes) {
    std::vector<std::string> values;
    for (const auto& [section, key] : probes) {
        values.push_back(file.ReadString(section, key, "\x01missing"));
        file.ReadInteger(section, key, -1);
        file.ReadBool(section, key, true);
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(40);
    const int number = input.ConsumeIntegral<int>();
    const std::string name =
        fuzz::WriteScratchFile("Vestrel.ini", input.ConsumeRemainingBytesAsString());

    TSettingsFile file(name);
    const std::vector<TProbe> probes = Probes(section, key);
    const std::vector<std::string> before = ReadAll(file, probes);
    try {
        file.WriteString(section, key, value);
    } catch (const EVestrelError&) {
        return 0;  // a name or value the file could not hold
    }
    fuzz::Check(file.ReadString(section, key, "\x01missing") == Trim(value),
                "a written key reads back");
    file.WriteInteger(section, key, number);
    fuzz::Check(file.ReadInteger(section, key, number ^ 1) == number,
                "a written number reads back");
    const std::vector<std::string> after = ReadAll(file, probes);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (SameName(probes[i].first, section) && SameName(probes[i].second, key)) continue;
        fuzz::Check(before[i] == after[i], "other keys keep their values");
    }
    return 0;
}
