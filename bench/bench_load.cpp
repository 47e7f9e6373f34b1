// Loading benchmarks: LoadLogFiles, GroupByUser included, over the generated sets in the folder
// given as the first argument (standard.log, distinct-paths.log, active-hosts.log).
#include <sys/resource.h>
#include <sys/stat.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"

namespace {

using namespace vestrel;

void LoadSet(benchmark::State& state, const std::string& fileName, const std::string& dataFolder) {
    TLogFileDataParam files;
    FillLogFileData({"1" + fileName}, files);
    int64_t lines = 0, bytes = 0;
    for (auto _ : state) {
        TLogAnalyzer analyzer(dataFolder);
        TLoadObserver quiet;
        LoadLogFiles(analyzer, files, quiet);
        lines = analyzer.HitCount;
        bytes = files.empty() ? 0 : files[0].Size;
        benchmark::DoNotOptimize(analyzer.UserCount);
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["hits"] = static_cast<double>(lines);
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_load DATA_FOLDER [benchmark options]\n");
        return 2;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string() + "/";
    for (const char* set : {"standard.log", "distinct-paths.log", "active-hosts.log"}) {
        const std::string file = folder + set;
        if (!std::filesystem::exists(file)) {
            std::fprintf(stderr, "bench_load: %s is missing, skipped\n", file.c_str());
            continue;
        }
        benchmark::RegisterBenchmark(set, LoadSet, file, folder)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("bench_load peak RSS: %.0f MB\n", PeakResidentMB());
    return 0;
}
