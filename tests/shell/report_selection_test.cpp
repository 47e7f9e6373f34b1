#include "shell/report_selection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/errors.h"
#include "shell/options.h"

namespace fs = std::filesystem;
using namespace vestrel;

namespace {

class ReportSelectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "vestrel-selection-XXXXXX";
        folder_ = std::string(mkdtemp(pattern.data())) + "/";
        dm_ = std::make_unique<TDM1>(folder_);
        dm_->Open();
        settings_ = std::make_unique<TSettingsFile>(SettingsFileName(folder_));
    }
    void TearDown() override {
        dm_.reset();
        fs::remove_all(folder_);
    }

    void AddReport(const std::string& name, const std::string& logFiles,
                   const std::string& ftpFiles = "") {
        TReportRecord report;
        report.Name = name;
        report.Domain = name + ".example";
        report.LogFiles = logFiles;
        report.FTPFiles = ftpFiles;
        dm_->InsertReport(report);
    }
    // A log of one hit at noon of each given day of March 2002.
    std::string WriteLog(const std::string& name, std::initializer_list<int> days) {
        std::ofstream log(folder_ + name);
        for (int day : days)
            log << "10.0.0.1 - - [" << (day < 10 ? "0" : "") << day
                << "/Mar/2002:12:00:00 +0000] \"GET / HTTP/1.0\" 200 100\n";
        return folder_ + name;
    }
    const TReportListEntry& EntryOf(const std::vector<TReportListEntry>& entries,
                                    const std::string& name) {
        for (const TReportListEntry& entry : entries)
            if (entry.Name == name) return entry;
        throw std::runtime_error("no entry " + name);
    }
    std::vector<std::string> Names(const std::vector<TReportListEntry>& entries) {
        std::vector<std::string> names;
        for (const TReportListEntry& entry : entries) names.push_back(entry.Name);
        return names;
    }

    std::string folder_;
    std::unique_ptr<TDM1> dm_;
    std::unique_ptr<TSettingsFile> settings_;
};

TEST_F(ReportSelectionTest, FileColumnsTellWhatTheLocalFilesAre) {
    std::ofstream(folder_ + "old.gz", std::ios::binary) << std::string(2048, 'z');
    const std::string later = WriteLog("later.log", {2, 5});
    const std::string earlier = WriteLog("earlier.log", {1, 3});
    std::ofstream(folder_ + "undated.log") << "no time in this line\n";
    AddReport("NoLists", "");
    AddReport("FtpOnly", "", "1/logs/access.log\r\n");
    AddReport("Packed", "1" + folder_ + "*.gz\r\n");
    AddReport("PackedMissing", "1" + folder_ + "gone.GZ\r\n");
    AddReport("Plain", "1" + later + "\r\n1" + earlier + "\r\n1" + folder_ + "undated.log\r\n");
    AddReport("UntickedPacked", "0" + folder_ + "old.gz\r\n1" + later + "\r\n");

    const std::vector<TReportListEntry> list = FillReportList(*dm_, TLocaleInfo::Iso());
    const auto expect = [&](const char* name, int picture, const std::string& size,
                            const std::string& range) {
        const TReportListEntry& entry = EntryOf(list, name);
        EXPECT_EQ(entry.Picture, picture) << name;
        EXPECT_EQ(entry.FileSize, size) << name;
        EXPECT_EQ(entry.DateRange, range) << name;
        EXPECT_EQ(entry.Domain, std::string(name) + ".example");
    };
    expect("NoLists", kNoFilesPicture, "0 bytes", "(No files selected)");
    expect("FtpOnly", kUnknownSizePicture, "??? bytes", "(No local files)");
    expect("Packed", kCompressedFilesPicture, "2.00 kb", "(Compressed files)");
    expect("PackedMissing", kUnknownSizePicture, "??? bytes", "(Compressed files)");
    // A file without a readable time does not pull the range back to day 0.
    const int64_t plainBytes =
        fs::file_size(later) + fs::file_size(earlier) + fs::file_size(folder_ + "undated.log");
    expect("Plain", kPlainFilesPicture, std::to_string(plainBytes) + " bytes",
           "2002-03-01 - 2002-03-05");
    expect("UntickedPacked", kPlainFilesPicture, std::to_string(fs::file_size(later)) + " bytes",
           "2002-03-02 - 2002-03-05");
}

TEST_F(ReportSelectionTest, ReportWhoseFilesCannotBeExaminedIsStillListed) {
    if (geteuid() == 0) GTEST_SKIP() << "root can read any file";
    const std::string log = WriteLog("locked.log", {1});
    chmod(log.c_str(), 0);
    AddReport("Locked", "1" + log + "\r\n");
    AddReport("Other", "");
    const std::vector<TReportListEntry> list = FillReportList(*dm_, TLocaleInfo::Iso());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_NE(list[0].Problem.find(log), std::string::npos) << list[0].Problem;
    EXPECT_EQ(list[0].FileSize, "??? bytes");
}

TEST_F(ReportSelectionTest, ListIsSortedAsTheDesktopComparesWhateverTheTableOrder) {
    for (const char* name : {"beta", "Gamma", "alpha", "Alpha", "alpha 2"}) AddReport(name, "");
    EXPECT_EQ(Names(FillReportList(*dm_, TLocaleInfo::Iso())),
              (std::vector<std::string>{"alpha", "Alpha", "alpha 2", "beta", "Gamma"}));
}

TEST_F(ReportSelectionTest, CopiesTakeTheFirstFreeNameAndNoFilters) {
    AddReport("Site", "1/var/log/site.log\r\n");
    dm_->WriteFilter(true, TFilterData{});
    const TReportRecord source = dm_->CurrentReport();
    EXPECT_EQ(CopyReport(*dm_, "Site"), "Copy of Site");
    const TReportRecord copy = dm_->CurrentReport();
    EXPECT_NE(copy.ID, source.ID);
    EXPECT_EQ(copy.LogFiles, source.LogFiles);
    EXPECT_EQ(copy.Domain, source.Domain);
    EXPECT_TRUE(dm_->ReportFilters().empty());
    EXPECT_EQ(CopyReport(*dm_, "Site"), "Copy (2) of Site");
    EXPECT_EQ(CopyReport(*dm_, "Copy of Site"), "Copy of Copy of Site");
    EXPECT_EQ(CopyReport(*dm_, "Nothing"), "");

    // A long name is cut before it is looked up, so the cut names still differ.
    const std::string longName = "Thirty characters long name..";
    AddReport(longName + "!", "");
    EXPECT_EQ(CopyReport(*dm_, longName + "!"), "Copy of Thirty characters long");
    EXPECT_EQ(CopyReport(*dm_, longName + "!"), "Copy (2) of Thirty characters ");
}

TEST_F(ReportSelectionTest, LastConfirmedEntryIsPreselectedWhileItExists) {
    AddReport("A", "");
    AddReport("B", "1" + WriteLog("b.log", {4}) + "\r\n");
    settings_->WriteInteger(kReportsSection, kLastKey, 3);
    TReportSelection selection(*dm_, *settings_, TLocaleInfo::Iso());
    selection.Open();
    EXPECT_EQ(selection.Selected(), -1);
    EXPECT_FALSE(selection.CommandsEnabled());
    EXPECT_THROW(selection.Confirm(), EVestrelError);

    selection.Select(1);
    const TLogFileDataParam files = selection.Confirm();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].FileName, folder_ + "b.log");
    EXPECT_EQ(dm_->CurrentReport().Name, "B");
    EXPECT_EQ(settings_->ReadInteger(kReportsSection, kLastKey, -1), 1);

    TReportSelection again(*dm_, *settings_, TLocaleInfo::Iso());
    again.Open();
    EXPECT_EQ(again.Selected(), 1);
    EXPECT_TRUE(again.CommandsEnabled());
}

TEST_F(ReportSelectionTest, ConfirmingAReportGoneMeanwhileFails) {
    AddReport("A", "");
    AddReport("B", "");
    TReportSelection selection(*dm_, *settings_, TLocaleInfo::Iso());
    selection.Open();
    selection.Select(0);
    {
        TDM1 other(folder_);
        other.Open();
        other.FindReport("A");
        other.DeleteReport();
    }
    try {
        selection.Confirm();
        FAIL() << "confirmed a deleted report";
    } catch (const EVestrelError& error) {
        EXPECT_STREQ(error.what(), "Can not find report");
    }
    EXPECT_EQ(settings_->ReadInteger(kReportsSection, kLastKey, -1), -1);
}

TEST_F(ReportSelectionTest, DeleteAndCopyKeepTheListInStepWithTheStore) {
    AddReport("Site", "");
    AddReport("Zone", "");
    TReportSelection selection(*dm_, *settings_, TLocaleInfo::Iso());
    selection.Open();
    selection.Select(0);
    selection.CopySelected();
    EXPECT_EQ(Names(selection.Entries()),
              (std::vector<std::string>{"Copy of Site", "Site", "Zone"}));
    EXPECT_EQ(selection.Selected(), 0) << "the copy is selected wherever it sorts";

    selection.Select(2);
    selection.DeleteSelected();
    EXPECT_EQ(Names(selection.Entries()), (std::vector<std::string>{"Copy of Site", "Site"}));
    EXPECT_FALSE(selection.CommandsEnabled());
    EXPECT_FALSE(dm_->FindReport("Zone"));
}

TEST_F(ReportSelectionTest, EditAndDeleteWorkOnTheSelectedReportOnly) {
    AddReport("Site", "");
    AddReport("Zone", "");
    TReportSelection selection(*dm_, *settings_, TLocaleInfo::Iso());
    selection.Open();
    EXPECT_FALSE(selection.FindSelected());
    EXPECT_EQ(selection.DeleteQuestion(), "");
    selection.Select(0);
    ASSERT_TRUE(selection.FindSelected());
    EXPECT_EQ(dm_->CurrentReport().Name, "Site");
    EXPECT_EQ(selection.DeleteQuestion(), "Delete report \"Site\"?");

    // Gone from the store meanwhile: nothing to edit, and the list is not changed.
    dm_->DeleteReport();
    EXPECT_FALSE(selection.FindSelected());
    selection.DeleteSelected();
    EXPECT_EQ(Names(selection.Entries()), (std::vector<std::string>{"Site", "Zone"}));
    EXPECT_TRUE(dm_->FindReport("Zone"));
}

}  // namespace
