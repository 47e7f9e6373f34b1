#include "shell/report_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "engine/errors.h"
#include "shell/report_json.h"

namespace fs = std::filesystem;
using namespace vestrel;

namespace {

constexpr TDateTime kToday = 40000;  // 2009-07-06

class ReportSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel-settings-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        dm_ = std::make_unique<TDM1>(folder_);
        dm_->Open();
    }
    void TearDown() override {
        dm_.reset();
        fs::remove_all(folder_);
    }

    // Stores a report with one enabled domain filter and leaves it current.
    void AddReport(const std::string& name) {
        TReportRecord report;
        report.Name = name;
        report.Domain = name + ".example";
        dm_->InsertReport(report);
        TFilterData filter;
        filter.Filters = fbDomain;
        dm_->WriteFilter(true, filter);
    }
    // Every report with its filters, read on a connection of its own so no position moves.
    std::string Snapshot() const {
        TDM1 reader(folder_);
        reader.Open();
        std::string text;
        for (const TReportRecord& report : reader.ReadReports()) {
            reader.FindReport(report.Name);
            text += JsonText(ReportToJson(reader.ReadDefinition()));
        }
        return text;
    }
    // The message OK raises, or "" when it stores.
    static std::string StoreError(TReportSettingsModel& model) {
        try {
            EXPECT_FALSE(model.StoreToReport());
        } catch (const EVestrelError& error) {
            return error.what();
        }
        return "";
    }
    std::unique_ptr<TReportSettingsModel> NewModel(const std::string& domain,
                                                   const std::string& name) {
        auto model = std::make_unique<TReportSettingsModel>(*dm_, true, kToday);
        model->DomainName = domain;
        model->ReportName = name;
        return model;
    }

    std::string folder_;
    std::unique_ptr<TDM1> dm_;
};

TEST_F(ReportSettingsTest, LoadsEveryFieldAndStoresItBack) {
    TReportRecord report;
    report.Name = "Site";
    report.SiteTree = "kept\r\n";
    report.LogFiles = "1/logs/a.log\r\n0/logs/b.log\r\nx/logs/c.log\r\n";
    report.Targets = "thanks.htm\r\n/shop/done.htm\r\n";
    report.DateSelection = 1;
    report.FromDate = 39000;
    report.LastHoures = 5000;
    report.TelnetCommands = "\"login:\",\"me\"\r\nno separator\r\n\"say \"hi\"\",\"a\",\"b\"\r\n";
    report.TelnetOptions = "1";
    report.FTPSite = "ftp.example";
    report.FTPUserName = "u";
    report.FTPPassword = "p";
    report.FTPDownload = "  ";
    report.WEBUsername = "wu";
    report.WEBPassword = "wp";
    report.WEBDownload = "/web/";
    dm_->InsertReport(report);

    TReportSettingsModel model(*dm_, false, kToday);
    model.DomainName = "site.example";
    EXPECT_FALSE(model.LocalFiles[2].Checked);
    EXPECT_EQ(model.LocalFiles[2].Caption, "/logs/c.log");
    EXPECT_EQ(model.TelnetLines,
              (std::vector<TTelnetLine>{{"login:", "me"}, {"say \"hi\"", "a\",\"b"}}));
    EXPECT_TRUE(model.TelnetActive && !model.AutoClose);
    EXPECT_EQ(model.FtpLoginLine(), "ftp.example ; u ; p");
    EXPECT_EQ(model.WebLoginLine(), "\"wu\",\"wp\"");
    EXPECT_EQ(model.FolderText(TDownloadKind::Ftp), folder_);  // blank shows the data folder
    EXPECT_EQ(model.FolderText(TDownloadKind::Web), "/web/");

    ASSERT_FALSE(model.StoreToReport());
    const TReportRecord stored = dm_->CurrentReport();
    EXPECT_EQ(stored.LogFiles, "1/logs/a.log\r\n0/logs/b.log\r\n0/logs/c.log\r\n");
    EXPECT_EQ(stored.Targets, report.Targets);
    EXPECT_EQ(stored.TelnetCommands, "\"login:\",\"me\"\r\n\"say \"hi\"\",\"a\",\"b\"\r\n");
    EXPECT_EQ(stored.LastHoures, 999);
    EXPECT_EQ(stored.FromDate, 39000);
    EXPECT_EQ(stored.FTPDownload, "  ");  // only a chosen or typed folder is stored
    EXPECT_EQ(stored.SiteTree, "kept\r\n");
}

TEST_F(ReportSettingsTest, UnsetValuesShowTheInitialChoices) {
    TReportRecord report;
    report.Name = "Odd";
    report.Domain = "odd.example";
    report.DateSelection = 5;
    report.FromDate = 1;
    report.LastDays = -2;
    report.TelnetOptions = "2";
    dm_->InsertReport(report);

    TReportSettingsModel model(*dm_, false, kToday + 0.75);
    EXPECT_EQ(model.DateChoice, TDateChoice::AllLogData);
    EXPECT_EQ(model.FromDate, kToday - 30);
    EXPECT_EQ(model.ToDate, kToday);
    EXPECT_EQ(model.LastDays, 7);
    EXPECT_TRUE(!model.TelnetActive && model.AutoClose);
    ASSERT_FALSE(model.StoreToReport());
    EXPECT_EQ(dm_->CurrentReport().DateSelection, 0);
    EXPECT_EQ(dm_->CurrentReport().ToDate, kToday);

    report.Name = "Broken";
    report.TelnetOptions = "x";
    dm_->InsertReport(report);
    EXPECT_THROW((TReportSettingsModel{*dm_, false}), EVestrelError);
}

TEST_F(ReportSettingsTest, OkRefusesWhatWouldNotStoreAndStoresNothingThen) {
    const std::tuple<const char*, const char*, const char*, TSettingsField> refused[] = {
        {"", "R", "Domain Name is missing", TSettingsField::DomainName},
        {"x.example", "", "Report Name is missing", TSettingsField::ReportName},
        {"www.x.example", "R", "Invalid Domain Name", TSettingsField::DomainName},
        {"ww.x.example", "R", "Invalid Domain Name", TSettingsField::DomainName}};
    for (const auto& [domain, name, message, field] : refused) {
        const std::optional<TSettingsProblem> problem = NewModel(domain, name)->StoreToReport();
        ASSERT_TRUE(problem) << domain;
        EXPECT_EQ(problem->Message, message);
        EXPECT_EQ(problem->Field, field);
    }
    auto model = NewModel("x.example", "R");
    model->AddLocalFile("/logs/a.log");
    model->AddLocalFile("/logs/new\nline.log");
    std::optional<TSettingsProblem> problem = model->StoreToReport();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->Message, "\"Local Files\": entry 2 must not hold a line break.");
    EXPECT_EQ(problem->Page, spLocalFiles);
    EXPECT_EQ(problem->Entry, 1);
    model->LocalFiles.pop_back();
    model->TelnetLines[1].Prompt = "a\",\"b";
    problem = model->StoreToReport();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->Page, spTelnet);
    EXPECT_EQ(Snapshot(), "");

    for (const char* prompt : {",", ",\"x", "x\",", "a\",\"b"})
        EXPECT_FALSE(IsStorablePrompt(prompt)) << prompt;
    for (const char* prompt : {"", ",x", "x,", "\",x", "a\"b"})
        EXPECT_TRUE(IsStorablePrompt(prompt)) << prompt;
    for (const char* domain : {"WWW.x.example", "   ", "w.x.example"})
        EXPECT_FALSE(NewModel(domain, domain)->StoreToReport()) << domain;
}

TEST_F(ReportSettingsTest, NewReportHoldsItsFiltersLoginsAndFoldersUntilOk) {
    AddReport("Other");
    const std::string before = Snapshot();
    auto model = NewModel("new.example", "New");
    TFilterData filter;
    filter.Filters = fbReferrer | fbStatus;
    model->AddFilter(filter);
    model->AddFilter(TFilterData{});
    model->SetFilterChecked(1, false);
    model->SetFtpLogin("ftp.new", "user", std::string(40, 'p'));
    model->SetWebLogin("wu", "wp");
    model->SetChosenFolder(TDownloadKind::Ftp, "/downloads/ftp");
    model->TypeFolderText(TDownloadKind::Web, "/typed/web");
    EXPECT_EQ(model->Filters()[0].Caption, "Referrer, Status");
    EXPECT_EQ(model->Logins().FTPPassword, std::string(32, 'p'));
    EXPECT_EQ(Snapshot(), before);

    auto cancelled = NewModel("gone.example", "Gone");
    cancelled->AddFilter(filter);
    cancelled->SetWebLogin("x", "y");
    cancelled.reset();
    EXPECT_EQ(Snapshot(), before);

    ASSERT_FALSE(model->StoreToReport());
    EXPECT_FALSE(model->IsNew());
    const TReportDefinition stored = dm_->ReadDefinition();
    EXPECT_EQ(stored.Report.DefaultPage, "index.htm");
    EXPECT_EQ(stored.Report.TelnetCommands, "\"login:\",\"\"\r\n\"Password:\",\"\"\r\n");
    EXPECT_EQ(stored.Report.TelnetOptions, "2");
    EXPECT_EQ(FtpLoginLine(stored.Report), "ftp.new ; user ; " + std::string(32, 'p'));
    EXPECT_EQ(stored.Report.FTPDownload, "/downloads/ftp");
    EXPECT_EQ(stored.Report.WEBDownload, "/typed/web");
    ASSERT_EQ(stored.Filters.size(), 2u);
    EXPECT_EQ(stored.Filters[0].Filters, fbReferrer | fbStatus);
    EXPECT_FALSE(stored.Filters[1].Enabled);
    ASSERT_TRUE(dm_->FindReport("Other"));
    EXPECT_EQ(dm_->ReportFilters().size(), 1u);
}

TEST_F(ReportSettingsTest, TakenNameIsRefusedAndACorrectedOneIsStored) {
    AddReport("Taken");
    AddReport("Mine");
    const std::string before = Snapshot();
    auto model = NewModel("n.example", "Taken");
    model->AddFilter(TFilterData{});
    EXPECT_EQ(StoreError(*model), "A report named \"Taken\" already exists");
    EXPECT_EQ(Snapshot(), before);
    model->ReportName = "Fresh";
    EXPECT_EQ(StoreError(*model), "");
    EXPECT_EQ(dm_->ReportFilters().size(), 1u);

    ASSERT_TRUE(dm_->FindReport("Mine"));
    TReportSettingsModel edit(*dm_, false);
    edit.ReportName = "Taken";
    EXPECT_EQ(StoreError(edit), "A report named \"Taken\" already exists");
    edit.ReportName = "Mine 2";
    EXPECT_EQ(StoreError(edit), "");
    EXPECT_TRUE(dm_->FindReport("Mine 2") && dm_->FindReport("Taken"));
}

TEST_F(ReportSettingsTest, ExistingReportStoresFilterChangesAtOnceAndTicksOnOk) {
    AddReport("Site");
    TFilterData second;
    second.Filters = fbUserName;
    dm_->WriteFilter(true, second);
    {
        TReportSettingsModel model(*dm_, false);
        model.SetFilterChecked(0, false);
        TFilterData added;
        added.Filters = fbBrowser;
        model.AddFilter(added);
        EXPECT_FALSE(model.Filters()[0].Checked);  // an unstored tick outlives the refill
        model.ChangeFilter(1, added);
        EXPECT_EQ(model.Filters()[1].Caption, "Browser");
        model.RemoveFilter(2);
        ASSERT_EQ(dm_->ReportFilters().size(), 2u);
        EXPECT_EQ(dm_->ReportFilters()[1].Filters, fbBrowser);
        EXPECT_TRUE(dm_->ReportFilters()[0].Enabled);  // Cancel: the tick is not stored
    }
    TReportSettingsModel model(*dm_, false);
    model.SetFilterChecked(0, false);
    ASSERT_TRUE(dm_->FindFilter(model.Filters()[1].FilterID));
    dm_->DeleteFilter();
    EXPECT_FALSE(model.FindFilter(1));
    EXPECT_EQ(model.Filters().size(), 1u);
    ASSERT_FALSE(model.StoreToReport());
    EXPECT_FALSE(dm_->ReportFilters()[0].Enabled);
}

TEST_F(ReportSettingsTest, ExistingReportStoresLoginsAndFoldersAtOnceInItsOwnRowOnly) {
    AddReport("Other");
    AddReport("Site");
    TReportSettingsModel model(*dm_, false);
    model.SetWebLogin("wu", "wp");
    model.SetChosenFolder(TDownloadKind::Web, "/chosen");
    EXPECT_EQ(dm_->CurrentReport().WEBDownload, "/chosen");
    ASSERT_FALSE(model.StoreToReport());
    EXPECT_EQ(dm_->CurrentReport().WEBPassword, "wp");  // OK does not write an older copy

    const std::string before = Snapshot();
    ASSERT_TRUE(dm_->FindReport("Other"));
    EXPECT_THROW(model.SetFtpLogin("h", "u", "p"), EVestrelError);
    EXPECT_THROW(model.AddFilter(TFilterData{}), EVestrelError);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(ReportSettingsTest, ListCommandsKeepTheirEntriesInOrder) {
    auto model = NewModel("x.example", "R");
    EXPECT_EQ(model->InsertTelnetLine(0), 1u);
    EXPECT_EQ(model->TelnetLines[0], model->TelnetLines[1]);
    EXPECT_EQ(model->MoveTelnetLineUp(0), 0u);
    EXPECT_EQ(model->MoveTelnetLineDown(2), 2u);
    EXPECT_EQ(model->MoveTelnetLineDown(1), 2u);
    EXPECT_EQ(model->TelnetLines.back().Prompt, "login:");

    model->AddLocalFolder("/var/log");
    model->AddLocalFolder("/srv/");
    EXPECT_EQ(model->LocalFiles[0].Caption + model->LocalFiles[1].Caption, "/var/log/*/srv/*");
    EXPECT_EQ(model->FtpFiles[model->AddRemoteFile(TDownloadKind::Ftp)].Caption, "FTP File");
    const std::vector<TCheckedLine> lines = CheckedLinesOf("1" + std::string(1100, 'a') + "\n\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Caption.size(), 1024u);
    EXPECT_FALSE(lines[1].Checked);
}

TEST(ReportSettingsFields, PeriodFieldsAndFilterCaptions) {
    const std::pair<const char*, int32_t> periods[] = {
        {"0", 1},   {"1000", 999}, {" 12 ", 12},
        {"+5", 5},  {"-3", 1},     {"", 1},
        {"12a", 1}, {"1.5", 1},    {"99999999999999999999", 999}};
    for (const auto& [text, value] : periods) EXPECT_EQ(PeriodFieldValue(text), value) << text;
    EXPECT_EQ(FilterCaption(0), "NOT ENABLED");
    EXPECT_EQ(FilterCaption(2047),
              "Domain, Referrer, Username, Date range, Day of week, Hour of day, Request, "
              "Status, Op system, Browser, Request type");
}

TEST(ReportFieldSizeTest, EditFieldsTakeTheSizesTheStoreKeeps) {
    EXPECT_EQ(ReportFieldSize("Domain"), 64);
    EXPECT_EQ(ReportFieldSize("Name"), static_cast<int>(kReportNameSize));
    EXPECT_EQ(ReportFieldSize("FTPSite"), 250);
    EXPECT_EQ(ReportFieldSize("WEBPassword"), 32);
    EXPECT_THROW(ReportFieldSize("Password"), EVestrelError);
}

}  // namespace
