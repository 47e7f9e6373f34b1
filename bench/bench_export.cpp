// Export benchmarks: every statistic of the export check list written to HTML, RTF and Excel,
// computing them included, over the standard set in the folder given as the first argument.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/log_analyzer.h"
#include "engine/log_files.h"
#include "output/export_run.h"

namespace {

using namespace vestrel;

void ExportAll(benchmark::State& state, TLogAnalyzer* analyzer, int target, std::string out) {
    TExportCheckList list;
    list.SetAllChecked(true);
    const auto actions = list.SelectedActions();
    for (auto _ : state) {
        TExportSession session;
        session.RunExport(actions, target, out, *analyzer, {});
    }
    state.counters["statistics"] = static_cast<double>(actions.size());
    std::filesystem::remove(out);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export DATA_FOLDER [benchmark options]\n");
        return 2;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string() + "/";
    const std::string log = folder + "standard.log";
    if (!std::filesystem::exists(log)) {
        std::fprintf(stderr, "bench_export: %s is missing\n", log.c_str());
        return 1;
    }
    // The reference lists lie beside the executable.
    const std::string lists =
        std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
    TLogAnalyzer analyzer(lists);
    TLogFileDataParam files;
    FillLogFileData({"1" + log}, files);
    TLoadObserver quiet;
    LoadLogFiles(analyzer, files, quiet);
    const struct {
        const char* Name;
        int Target;
        const char* Extension;
    } kTypes[] = {{"export-html", otHtmlFile, "html"},
                  {"export-rtf", otRtfFile, "rtf"},
                  {"export-xls", otExcelFile, "xls"}};
    for (const auto& type : kTypes)
        benchmark::RegisterBenchmark(type.Name, ExportAll, &analyzer, type.Target,
                                     folder + "bench-export." + type.Extension)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2)
            ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
