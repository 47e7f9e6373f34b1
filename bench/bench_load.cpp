// Loading and statistics benchmarks over the generated sets in the folder given as the first
// argument. Loading: LoadLogFiles, GroupByUser included, over standard.log, distinct-paths.log and
// active-hosts.log. Statistics: every statistic of the catalogue that has a generator, each on its
// own and all in a row, over standard.log and, when present, distinct-paths.log and the variants
// with many distinct referrers, search keywords and authenticated users (bench/variants.cpp).
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "reports/catalogue.h"

namespace {

using namespace vestrel;

// The report's goals: two pages every set requests.
constexpr const char* kTargets = "/cart.php\n/contact.php";
constexpr const char* kDaySpanPath = "index";

TLogFileDataParam FilesOf(const std::string& fileName) {
    TLogFileDataParam files;
    FillLogFileData({"1" + fileName}, files);
    return files;
}

void LoadSet(benchmark::State& state, const std::string& fileName, const std::string& dataFolder) {
    const TLogFileDataParam files = FilesOf(fileName);
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

// The analyser of the set the statistics run on; benchmarks run in the order registered, so each
// set is loaded once and released when the next set's statistics begin.
class TLoadedSet {
  public:
    TLogAnalyzer& Get(const std::string& fileName, const std::string& listFolder) {
        if (fileName != fileName_) {
            analyzer_.reset();
            analyzer_ = std::make_unique<TLogAnalyzer>(listFolder, kTargets);
            TLoadObserver quiet;
            LoadLogFiles(*analyzer_, FilesOf(fileName), quiet);
            fileName_ = fileName;
        }
        return *analyzer_;
    }

  private:
    std::string fileName_;
    std::unique_ptr<TLogAnalyzer> analyzer_;
};

TLoadedSet loadedSet;

void RunStatistic(const TReportAction& action, TLogAnalyzer& analyzer, TVarGrid& grid) {
    TReportContext context{analyzer, grid, {}, action.CliName == "day-span" ? kDaySpanPath : ""};
    action.Generator(context);
}

using TClock = std::chrono::steady_clock;

double MillisecondsSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// One statistic, again and again into the same table, as the report window reuses its grid; the
// first run, into a fresh table, is also shown on its own. Each run starts without what earlier
// statistics left for the next ones (the search referrals), so it pays its whole cost.
void Statistic(benchmark::State& state, const TReportAction* action, const std::string& fileName,
               const std::string& listFolder) {
    TLogAnalyzer& analyzer = loadedSet.Get(fileName, listFolder);
    TVarGrid grid;
    double firstMs = -1;
    for (auto _ : state) {
        analyzer.SearchReferrals.Forget();
        const TClock::time_point start = TClock::now();
        RunStatistic(*action, analyzer, grid);
        if (firstMs < 0) firstMs = MillisecondsSince(start);
    }
    state.counters["rows"] = grid.RowCount() - 1;
    state.counters["first_ms"] = firstMs;
}

// Every statistic in catalogue order into one table, as the report window reuses its grid, each
// round as after a fresh load.
void AllStatistics(benchmark::State& state, const std::string& fileName,
                   const std::string& listFolder) {
    TLogAnalyzer& analyzer = loadedSet.Get(fileName, listFolder);
    TVarGrid grid;
    for (auto _ : state) {
        analyzer.SearchReferrals.Forget();
        for (const TReportAction& action : ReportCatalogue())
            if (action.Generator != nullptr) RunStatistic(action, analyzer, grid);
        benchmark::DoNotOptimize(grid.RowCount());
    }
}

// `prefix` names the set in front of the statistic's name; empty for the standard set.
void RegisterStatistics(const std::string& prefix, const std::string& fileName,
                        const std::string& listFolder) {
    for (const TReportAction& action : ReportCatalogue()) {
        if (action.Generator == nullptr || action.CliName.empty()) continue;
        benchmark::RegisterBenchmark((prefix + std::string(action.CliName)).c_str(), Statistic,
                                     &action, fileName, listFolder)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark((prefix + "all-statistics").c_str(), AllStatistics, fileName,
                                 listFolder)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime();
}

// The reference lists lie beside the executable.
std::string ExecutableFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
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
    const auto present = [&](const std::string& set) {
        if (std::filesystem::exists(folder + set)) return true;
        std::fprintf(stderr, "bench_load: %s%s is missing, skipped\n", folder.c_str(), set.c_str());
        return false;
    };
    for (const char* set : {"standard.log", "distinct-paths.log", "active-hosts.log"}) {
        if (!present(set)) continue;
        benchmark::RegisterBenchmark(set, LoadSet, folder + set, folder)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime();
    }
    const std::string lists = ExecutableFolder();
    if (present("standard.log")) RegisterStatistics("", folder + "standard.log", lists);
    for (const char* variant :
         {"distinct-paths", "many-referrers", "many-keywords", "many-users"}) {
        const std::string set = std::string(variant) + ".log";
        if (present(set)) RegisterStatistics(std::string(variant) + "/", folder + set, lists);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("bench_load peak RSS: %.0f MB\n", PeakResidentMB());
    return 0;
}
