// A stored report opened the way the desktop opens it, for the commands that take --report.
#pragma once

#include <memory>
#include <string>

#include "cli/cli_host.h"
#include "cli/load_options.h"
#include "shell/main_model.h"
#include "shell/report_store.h"

namespace vestrel::cli {

struct TReportSession {
    std::string DataFolder;
    std::unique_ptr<TDM1> Store;
    TCliHost Host;
    std::unique_ptr<TMainModel> Model;
};

// Opens the store of the data folder and reads the settings; options given on the command line
// override them. The report itself is opened by the caller (TMainModel::OpenReport).
std::unique_ptr<TReportSession> CreateReportSession(const TLoadOptions& options);
// The store of the data folder, opened (created when missing).
std::unique_ptr<TDM1> OpenStore(const std::string& dataFolder);

}  // namespace vestrel::cli
