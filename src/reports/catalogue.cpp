#include "reports/catalogue.h"

#include "reports/host_reports.h"
#include "reports/log_data_reports.h"
#include "reports/page_reports.h"
#include "reports/referrer_reports.h"
#include "reports/search_reports.h"
#include "reports/server_reports.h"
#include "reports/summary_reports.h"
#include "reports/time_reports.h"
#include "reports/visitor_reports.h"

namespace vestrel {

const std::vector<TReportAction>& ReportCatalogue() {
    static const std::vector<TReportAction> catalogue = {
        {"actGeneral", "", "General", kTagInTree, 1, false, "general", ReportGeneral},
        {"actLogData", "", "Log Data", kTagInTree, 9, false, "log-data", ReportLogData},
        {"actVisitTopDomain", "Visitors", "Top Domains", kTagInTree, 7, true, "top-domains",
         ReportTopDomains},
        {"actVisitDomains", "Visitors", "Domains", kTagInTree, 8, true, "domains", ReportDomains},
        {"actVisitBrowser", "Visitors", "Browser", kTagInTree, 3, true, "browser", ReportBrowsers},
        {"actVisitOpSystem", "Visitors", "Operating System", kTagInTree, 4, true, "os",
         ReportOperatingSystems},
        {"actVisitAuthUsers", "Visitors", "Authenticated Users", kTagInTree, 5, false, "auth-users",
         ReportAuthUsers},
        {"actVisitPaths", "Visitors", "Paths", kTagInTree, 6, false, "paths", ReportPaths},
        {"actVisitHosts", "Visitors", "Hosts", kTagInTree, 29, false, "hosts", ReportHosts},
        {"actVisitCountries", "Visitors", "Countries", kTagInTree, 31, true, "countries",
         ReportCountries, "addresses located with the packaged GeoIP data snapshot"},
        {"actVisitRobots", "Visitors", "Robots", kTagInTree, 30, true, "robots", ReportRobots},
        {"actDomains", "", "Domains", kTagNotInTree, 0, false, "", nullptr},
        {"actFilterLogData", "", "Filter Log Data", kTagNotInTree, 10, false, "filtered-log-data",
         nullptr},
        {"actDaySpan", "", "Day Span", kTagDaySpan, 2, true, "day-span", ReportDaySpan},
        {"actPopularDay", "Time period", "Weekday", kTagInTree, 11, true, "weekday", ReportWeekday},
        {"actPopularHour", "Time period", "Hour of day", kTagInTree, 12, true, "hour",
         ReportHourOfDay},
        {"actTimeDay", "Time period", "Daily Access", kTagInTree, 11, true, "daily",
         ReportDailyAccess},
        {"actTimeWeek", "Time period", "Weekly Access", kTagInTree, 11, true, "weekly",
         ReportWeeklyAccess},
        {"actTimeMonth", "Time period", "Monthly Access", kTagInTree, 11, true, "monthly",
         ReportMonthlyAccess},
        {"actRefDomains", "Refereeing", "Domains", kTagInTree, 16, true, "ref-domains",
         ReportRefDomains},
        {"actRefPages", "Refereeing", "Pages", kTagInTree, 17, false, "ref-pages", ReportRefPages},
        {"actRefURL", "Refereeing", "URL", kTagInTree, 18, false, "ref-urls", ReportRefUrls},
        {"actRefPageReferring", "Refereeing", "Page Refereeing", kTagInTree, 19, false,
         "page-referring", ReportPageReferring},
        {"actRefTarget", "Refereeing", "Target Refereeing", kTagInTree, 20, false,
         "target-referring", ReportTargetReferring},
        {"actPageTopEntry", "Pages", "Top Entry", kTagInTree, 21, false, "top-entry",
         ReportTopEntry},
        {"actPageTopExit", "Pages", "Top Exit", kTagInTree, 21, false, "top-exit", ReportTopExit},
        {"actPageMostVisited", "Pages", "Most Visited", kTagInTree, 21, false, "most-visited",
         ReportMostVisited},
        {"actPageFileTypes", "Pages", "File Types", kTagInTree, 32, true, "file-types",
         ReportFileTypes},
        {"actSearchEngineEngine", "Serach Engines", "Search Engines", kTagInTree, 22, true,
         "search-engines", ReportSearchEngines},
        {"actSerashEnginePhraseEngine", "Serach Engines", "Phrases/Engine", kTagInTree, 23, false,
         "phrases-engine", ReportPhrasesPerEngine},
        {"actSearchEnginePhrase", "Serach Engines", "Phrase", kTagInTree, 24, false, "phrases",
         ReportPhrases},
        {"actSearchEngineKeyword", "Serach Engines", "Keywords", kTagInTree, 24, true, "keywords",
         ReportKeywords},
        {"actError404", "Errors", "Missing Files (404 errors)", kTagInTree, 25, false, "404",
         ReportMissingFiles},
        {"actError404ref", "Errors", "404 Errors Referrers", kTagInTree, 26, false, "404-referrers",
         Report404Referrers},
        {"actError", "Errors", "Other Errors", kTagInTree, 27, false, "other-errors",
         ReportOtherErrors},
        {"actStatusCodes", "Errors", "Status Codes", kTagInTree, 28, true, "status-codes",
         ReportStatusCodes},
        {"actBuildSiteTree", "", "", kTagSiteTree, 0, false, "", nullptr},
    };
    return catalogue;
}

const TReportAction* FindReportAction(std::string_view name) {
    for (const TReportAction& action : ReportCatalogue())
        if (action.Action == name || (!action.CliName.empty() && action.CliName == name))
            return &action;
    return nullptr;
}

std::string ReportTitle(const TReportAction& action, std::string_view daySpanPath) {
    if (action.Action == "actDaySpan") {
        std::string title = "  ";
        if (!daySpanPath.starts_with('/')) title += '/';
        title += daySpanPath;
        return title;
    }
    std::string title = "  " + std::string(action.Caption);
    if (!action.TitleNote.empty()) title += " (" + std::string(action.TitleNote) + ")";
    return title;
}

}  // namespace vestrel
