// vestrel-cli: the headless front end over the analysis engine.
#include <clocale>
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/export_command.h"
#include "cli/load_commands.h"
#include "cli/load_options.h"
#include "cli/remote_commands.h"
#include "cli/report_commands.h"
#include "cli/standard_output.h"
#include "cli/stat_commands.h"
#include "engine/errors.h"
#include "engine/temp_files.h"
#include "engine/text_util.h"

int main(int argc, char** argv) {
    using namespace vestrel::cli;
    std::setlocale(LC_COLLATE, "");  // reference lists sort by the user's collation
    CLI::App app{"Vestrel: web-server access log analyser (headless front end)", "vestrel-cli"};
    app.require_subcommand(1);

    TLoadOptions loadOptions;
    CLI::App* load = app.add_subcommand("load", "Load log files and print the totals as Key=Value");
    AddLoadOptions(*load, loadOptions);

    TLoadOptions dumpOptions;
    long dumpLimit = -1;
    CLI::App* dump = app.add_subcommand(
        "dump", "Load log files and print every stored hit as one tab-separated line");
    AddLoadOptions(*dump, dumpOptions);
    dump->add_option("--limit", dumpLimit, "Print at most this many hits");

    CLI::App* stats = app.add_subcommand("stats", "List the statistics with their captions");
    TStatOptions statOptions;
    CLI::App* stat =
        app.add_subcommand("stat", "Load log files, compute one statistic, print its table");
    AddStatOptions(*stat, statOptions);

    TExportOptions exportOptions;
    CLI::App* exportCommand =
        app.add_subcommand("export", "Export statistics into one HTML, RTF or Excel file");
    AddExportOptions(*exportCommand, exportOptions);

    TReportCommandOptions reportOptions;
    CLI::App* report = AddReportCommands(app, reportOptions);

    TSiteTreeOptions siteTreeOptions;
    CLI::App* siteTree =
        app.add_subcommand("site-tree", "Print a stored report's site tree with its hit counts");
    AddSiteTreeOptions(*siteTree, siteTreeOptions);

    TFetchCommandOptions fetchOptions;
    CLI::App* fetch = app.add_subcommand(
        "fetch", "Run a stored report's telnet script and downloads; list the files fetched");
    AddFetchCommandOptions(*fetch, fetchOptions);

    TResolveOptions resolveOptions;
    CLI::App* resolve = app.add_subcommand(
        "resolve", "Load log files, look up their numeric hosts and rewrite the DNS cache");
    AddResolveOptions(*resolve, resolveOptions);

    CLI11_PARSE(app, argc, argv);
    vestrel::RemoveTempFilesOnSignals();
    WatchOutput();
    const auto run = [&] {
        if (*load) return RunLoadCommand(loadOptions);
        if (*dump) return RunDumpCommand(dumpOptions, dumpLimit);
        if (*stats) return RunStatsCommand();
        if (*stat) return RunStatCommand(statOptions);
        if (*exportCommand) return RunExportCommand(exportOptions);
        if (*report) return RunReportCommand(*report, reportOptions);
        if (*siteTree) return RunSiteTreeCommand(siteTreeOptions);
        if (*fetch) return RunFetchCommand(fetchOptions);
        if (*resolve) return RunResolveCommand(resolveOptions);
        return 0;
    };
    int status = 1;
    try {
        status = run();
    } catch (const vestrel::EVestrelError& error) {
        std::fprintf(stderr, "vestrel-cli: %s\n", vestrel::VisibleControls(error.what()).c_str());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vestrel-cli: out of memory\n");
    }
    return FinishOutput(status);
}
