#include "shell/report_json.h"

#include <gtest/gtest.h>

#include "engine/errors.h"

using namespace vestrel;
using json = nlohmann::ordered_json;

namespace {

TReportDefinition Sample() {
    TReportDefinition definition;
    TReportRecord& report = definition.Report;
    report.Name = "Site";
    report.Domain = "example.com";
    report.LogFiles = "1/var/log/access.log\r\n";
    report.FromDate = 37316;  // 2002-03-01
    report.DateSelection = 1;
    report.FTPUserName = "anna";
    report.TelnetOptions = "3";
    report.ID = 7;
    TFilterRow& row = definition.Filters.emplace_back();
    row.Exclude = true;
    row.Filters = fbDomain | fbStatus;
    row.Domain = "crawler";
    row.StatusFrom = 404;
    row.Enabled = false;
    row.FilterID = 12;
    return definition;
}

// The message of the error a JSON text raises, or "" when it reads.
std::string ImportError(const std::string& text) {
    try {
        ReportsFromJsonText(text);
    } catch (const EVestrelError& error) {
        return error.what();
    }
    return "";
}

TEST(ReportJsonTest, ExportUsesTheTableNamesInTableOrder) {
    const json object = ReportToJson(Sample());
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    ASSERT_EQ(keys.size(), 24u);
    EXPECT_EQ(keys[21] + "," + keys[22] + "," + keys[23], "ID,DefaultPage,Filters");
    EXPECT_EQ(object["FromDate"], "2002-03-01");
    EXPECT_EQ(object["ToDate"], "1899-12-30");
    EXPECT_EQ(object["LogFiles"], "1/var/log/access.log\r\n");

    const json& filter = object["Filters"][0];
    EXPECT_EQ(filter["IncludeFilter"], false);
    EXPECT_EQ(filter["Enabled"], false);
    EXPECT_EQ(filter["StatusFrom"], 404);
    for (const char* absent : {"Exclude", "ID", "TimeFrom", "TimeTo", "UseDomain"})
        EXPECT_FALSE(filter.contains(absent)) << absent;
}

TEST(ReportJsonTest, ExportedDefinitionsReadBackAsTheyWere) {
    const TReportDefinition sample = Sample();
    const std::vector<TReportDefinition> read =
        ReportsFromJsonText(JsonText(json::array({ReportToJson(sample), ReportToJson(sample)})));
    ASSERT_EQ(read.size(), 2u);
    const TReportDefinition& back = read[1];
    EXPECT_EQ(back.Report.Name, "Site");
    EXPECT_EQ(back.Report.LogFiles, sample.Report.LogFiles);
    EXPECT_EQ(back.Report.FromDate, 37316);
    EXPECT_EQ(back.Report.DateSelection, 1);
    EXPECT_EQ(back.Report.TelnetOptions, "3");
    EXPECT_EQ(back.Report.ID, 0) << "IDs are the store's to give";
    ASSERT_EQ(back.Filters.size(), 1u);
    EXPECT_TRUE(back.Filters[0].Exclude);
    EXPECT_FALSE(back.Filters[0].Enabled);
    EXPECT_EQ(back.Filters[0].Domain, "crawler");
    EXPECT_EQ(back.Filters[0].StatusFrom, 404);
    EXPECT_EQ(back.Filters[0].FilterID, 0);
}

TEST(ReportJsonTest, MissingFieldsTakeTheValuesOfANewReportAndFilter) {
    const std::vector<TReportDefinition> read =
        ReportsFromJsonText(R"({"Name": "Bare", "FromDate": 37316.75, "Filters": [{}]})");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Report.Domain, "");
    EXPECT_EQ(read[0].Report.FromDate, 37316.75);
    ASSERT_EQ(read[0].Filters.size(), 1u);
    const TFilterRow& filter = read[0].Filters[0];
    EXPECT_FALSE(filter.Exclude);
    EXPECT_TRUE(filter.Enabled);
    EXPECT_EQ(filter.HourOfDay, 12);
    EXPECT_EQ(filter.DateTo, kEndOfDayZero);
}

TEST(ReportJsonTest, BadValuesAreRefusedNamingDefinitionAndField) {
    EXPECT_EQ(ImportError(R"({"Name": "S", "LastDays": "7"})"),
              "Report \"S\": field \"LastDays\" must be a whole number");
    EXPECT_EQ(ImportError(R"([{"Name": "A"}, {"Domain": "x"}])"),
              "Report definition 2: field \"Name\" is missing");
    EXPECT_EQ(ImportError(R"({"Name": "S", "Filters": [{}, {"DayOfWeek": 300}]})"),
              "Report \"S\", filter 2: field \"DayOfWeek\" must lie between 0 and 255, not 300");
    EXPECT_EQ(ImportError(R"({"Name": "S", "LastDays": 18446744073709551615})"),
              "Report \"S\": field \"LastDays\" must lie between -2147483648 and 2147483647, "
              "not 18446744073709551615");
    EXPECT_EQ(ImportError(R"({"Name": "S", "Filters": [{"Enabled": 1}]})"),
              "Report \"S\", filter 1: field \"Enabled\" must be true or false");
    EXPECT_EQ(ImportError(R"({"Name": "S", "ToDate": "2002-02-30"})"),
              "Report \"S\": field \"ToDate\" is no valid date YYYY-MM-DD: \"2002-02-30\"");
    EXPECT_EQ(ImportError(R"({"Name": "S", "Exclude": true})"),
              "Report \"S\": unknown field \"Exclude\"");
    EXPECT_EQ(ImportError(R"([{"Name": "S"}, 5])"), "Report definition 2 must be a JSON object");
    EXPECT_NE(ImportError(R"({"Name": "S",)").find("no valid JSON"), std::string::npos);
    EXPECT_EQ(ImportError(R"({"Name": "S", "DateSelection": 1e400})"),
              "The report definitions are no valid JSON: number overflow parsing '1e400'");
}

// Cut to their field, two long names could become one report: they are refused instead.
TEST(ReportJsonTest, TextsLongerThanTheirFieldAreRefused) {
    const std::string thirty = "Thirty characters long name!!!";
    EXPECT_EQ(ImportError(R"([{"Name": ")" + thirty + R"(one"}])"),
              "Report \"" + thirty +
                  "one\": field \"Name\" is 33 characters long; it may hold at "
                  "most 30");
    EXPECT_EQ(
        ImportError(R"({"Name": "S", "Filters": [{"Domain": ")" + std::string(33, 'd') + R"("}]})"),
        "Report \"S\", filter 1: field \"Domain\" is 33 characters long; it may hold at most "
        "32");
    // Characters, not bytes, count.
    std::string accented;
    for (int i = 0; i < 30; ++i) accented += "\xC3\xA5";
    EXPECT_EQ(ReportsFromJsonText(R"({"Name": ")" + accented + R"("})")[0].Report.Name, accented);
}

TEST(ReportJsonTest, TextThatIsNoUtf8IsWrittenWithReplacements) {
    TReportDefinition definition = Sample();
    definition.Report.Domain = "caf\xE9";
    EXPECT_NE(JsonText(ReportToJson(definition)).find("caf\xEF\xBF\xBD"), std::string::npos);
}

}  // namespace
