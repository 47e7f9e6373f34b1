#include "cli/report_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/report_session.h"
#include "cli/standard_output.h"
#include "engine/errors.h"
#include "engine/text_util.h"
#include "shell/data_folder.h"
#include "shell/report_json.h"
#include "shell/report_selection.h"

namespace vestrel::cli {

namespace {

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    FlushOutput();
}

std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EVestrelError(FileOpenErrorText(fileName, errno));
    if (std::filesystem::is_directory(fileName))
        throw EVestrelError(FileOpenErrorText(fileName, EISDIR));
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// Writes a file that only its owner may read, as it holds passwords. A file that was not
// written completely is removed, unless it is no regular file (a device).
void WritePrivateFile(const std::string& fileName, const std::string& text) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw EVestrelError(FileOpenErrorText(fileName, errno));
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular) ::fchmod(fd, 0600);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        written += static_cast<size_t>(count);
    }
    int error = written == text.size() ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return;
    if (regular) ::unlink(fileName.c_str());
    throw EVestrelError("Cannot write file \"" + fileName + "\". " + std::strerror(error));
}

TReportDefinition DefinitionNamed(TDM1& store, const std::string& name) {
    if (!store.FindReport(name)) throw EVestrelError("There is no report named \"" + name + "\"");
    return store.ReadDefinition();
}

int ListReports(TDM1& store) {
    for (const TReportListEntry& entry : FillReportList(store, TLocaleInfo::Iso()))
        Print(entry.Name + "\t" + entry.Domain + "\t" + entry.FileSize + "\t" + entry.DateRange +
              "\t" + std::to_string(entry.Picture) + "\n");
    return 0;
}

// Every definition is checked before any is stored, so a bad one changes nothing.
int ImportReports(TDM1& store, const std::string& fileName) {
    const std::string text = ReadWholeFile(fileName);
    std::vector<TReportDefinition> definitions;
    try {
        definitions = ReportsFromJsonText(text);
    } catch (const EVestrelError& error) {
        throw EVestrelError("Cannot import \"" + fileName + "\": " + error.what());
    }
    store.StoreDefinitions(definitions);
    for (const TReportDefinition& definition : definitions)
        Print("imported " + definition.Report.Name + "\n");
    return 0;
}

int ExportReport(TDM1& store, const TReportCommandOptions& options) {
    const std::string text = JsonText(
        nlohmann::ordered_json::array({ReportToJson(DefinitionNamed(store, options.Name))}));
    if (options.Out.empty()) {
        Print(text);
        return 0;
    }
    WritePrivateFile(options.Out, text);
    return 0;
}

int DeleteReport(TDM1& store, const std::string& name) {
    DefinitionNamed(store, name);
    store.DeleteReport();
    return 0;
}

}  // namespace

CLI::App* AddReportCommands(CLI::App& app, TReportCommandOptions& options) {
    CLI::App* report = app.add_subcommand("report", "The stored report definitions");
    report->require_subcommand(1);
    auto command = [&](const char* name, const char* help) {
        CLI::App* sub = report->add_subcommand(name, help);
        sub->add_option("--data-dir", options.DataDir, "Data folder");
        return sub;
    };
    command("list", "One line per report: name, domain, size, date range, picture");
    command("show", "Print a report with its filters as JSON")
        ->add_option("NAME", options.Name)
        ->required();
    command("copy", "Store a copy of a report")->add_option("NAME", options.Name)->required();
    command("delete", "Delete a report")->add_option("NAME", options.Name)->required();
    CLI::App* exportCommand = command("export", "Write a report as JSON that import takes back");
    exportCommand->add_option("NAME", options.Name)->required();
    exportCommand->add_option("--out", options.Out, "File to write instead of standard output");
    command("import", "Create or replace reports from a JSON object or array")
        ->add_option("FILE", options.Name)
        ->required();
    return report;
}

int RunReportCommand(const CLI::App& report, const TReportCommandOptions& options) {
    const std::unique_ptr<TDM1> store = OpenStore(ResolveDataFolder(options.DataDir));
    const std::string command = report.get_subcommands().front()->get_name();
    if (command == "list") return ListReports(*store);
    if (command == "show") {
        Print(JsonText(ReportToJson(DefinitionNamed(*store, options.Name))));
        return 0;
    }
    if (command == "import") return ImportReports(*store, options.Name);
    if (command == "export") return ExportReport(*store, options);
    if (command == "copy") {
        const std::string copy = CopyReport(*store, options.Name);
        if (copy.empty()) throw EVestrelError("There is no report named \"" + options.Name + "\"");
        Print(copy + "\n");
        return 0;
    }
    return DeleteReport(*store, options.Name);
}

void AddSiteTreeOptions(CLI::App& command, TSiteTreeOptions& options) {
    command.add_option("--report", options.Load.Report, "The stored report")->required();
    command.add_option("--data-dir", options.Load.DataDir, "Data folder");
    command.add_flag("--build", options.Build, "Rebuild the site tree from the hits");
    command.add_flag("--save", options.Save, "Store the site tree into the report");
}

int RunSiteTreeCommand(const TSiteTreeOptions& options) {
    const TLoadResult loaded = RunLoad(options.Load);
    TMainModel& model = *loaded.Session->Model;
    if (model.SiteTree == nullptr)
        throw EVestrelError("The report \"" + options.Load.Report +
                            "\" has no domain, so no site tree");
    if (options.Build) {
        BuildSiteTree(*model.SiteTree, *model.Analyzer, model.Settings.StopBuildTree);
        FillSiteTreeCounts(*model.SiteTree, *model.Analyzer);
    }
    Print(RenderSiteTree(*model.SiteTree));
    if (options.Save) model.StoreSiteTree();
    if (loaded.Error.empty()) return 0;
    std::fprintf(stderr, "vestrel-cli: %s\n", vestrel::VisibleControls(loaded.Error).c_str());
    return 1;
}

}  // namespace vestrel::cli
