#include "cli/report_session.h"

#include "shell/data_folder.h"

namespace vestrel::cli {

std::unique_ptr<TDM1> OpenStore(const std::string& dataFolder) {
    auto store = std::make_unique<TDM1>(dataFolder);
    store->Open();
    return store;
}

std::unique_ptr<TReportSession> CreateReportSession(const TLoadOptions& options) {
    auto session = std::make_unique<TReportSession>();
    session->Host.Fetch = options.Fetch;
    session->DataFolder = ResolveDataFolder(options.DataDir);
    session->Store = OpenStore(session->DataFolder);
    session->Model =
        std::make_unique<TMainModel>(*session->Store, session->DataFolder, session->Host);
    TMainModel& model = *session->Model;
    model.ReadSettings();
    if (options.TimeZoneGiven) model.Settings.TimeZone = options.TimeZone;
    return session;
}

}  // namespace vestrel::cli
