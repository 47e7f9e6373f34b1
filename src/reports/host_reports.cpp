#include "reports/host_reports.h"

#include <algorithm>
#include <vector>

#include "engine/country_lookup.h"
#include "engine/text_util.h"
#include "reports/report_format.h"
#include "reports/report_index.h"

namespace vestrel {

namespace {

constexpr int kNameWidth = 250;
constexpr int kBytesWidth = 90;
constexpr int kShareWidth = 70;
constexpr int kTimeWidth = 120;
constexpr std::string_view kUnknownCountry = "[Unknown]";

// The hits, bytes and visits of one row, and when its first and last hit came.
struct TTraffic {
    int32_t Hits = 0;
    int32_t Visits = 0;
    double Bytes = 0;
    double First = 0;
    double Last = 0;
    int LastVisitor = -1;  // the first hit index of the visitor counted last

    void Add(const TLogHit& hit, int visitor) {
        if (Hits == 0 || hit.Time < First) First = hit.Time;
        if (Hits == 0 || hit.Time > Last) Last = hit.Time;
        ++Hits;
        Bytes += hit.Bytes;
        if (visitor != LastVisitor) ++Visits;
        LastVisitor = visitor;
    }
};

// Rows in the order first met, each found again by a number per key (-1 for no row).
class TRowTraffic {
  public:
    void Add(int32_t row, const TLogHit& hit, int visitor) {
        if (static_cast<size_t>(row) >= Rows.size()) Rows.resize(row + 1);
        Rows[row].Add(hit, visitor);
    }
    std::vector<TTraffic> Rows;
};

// Adds every hit to the row rowOf(hit) gives; a row of -1 counts nowhere.
template <typename RowOf>
TRowTraffic CountTraffic(const TLogAnalyzer& a, RowOf rowOf) {
    TRowTraffic traffic;
    ForEachVisitor(a, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const int32_t row = rowOf(a.Hits[i]);
            if (row >= 0) traffic.Add(row, a.Hits[i], first);
        }
    });
    return traffic;
}

// A top-level domain's country code: the domain itself, but GB for the United Kingdom's "uk".
std::string CountryCodeOfDomain(std::string_view domain) {
    const std::string code = UpperAscii(domain);
    return code == "UK" ? "GB" : code;
}

std::string Caption(std::string_view name, std::string_view code) {
    return std::string(name) + " (" + std::string(code) + ")";
}

}  // namespace

void ReportHosts(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    const TLogAnalyzer& a = context.Analyzer;
    TKeyMemo<int32_t> rowOfHost(a.Hosts, -1);
    std::vector<int32_t> hostKeys;
    const TRowTraffic traffic = CountTraffic(a, [&](const TLogHit& hit) {
        int32_t& row = rowOfHost[hit.HostKey];
        if (row < 0) {
            row = static_cast<int32_t>(hostKeys.size());
            hostKeys.push_back(hit.HostKey);
        }
        return row;
    });
    SetUpTable(grid,
               {{"Host", ctText, kNameWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Bytes", ctFloat, kBytesWidth},
                {"Visits", ctInteger, kCountColumnWidth},
                {"First Hit", ctDateTime, kTimeWidth},
                {"Last Hit", ctDateTime, kTimeWidth}},
               static_cast<int>(hostKeys.size()));
    grid.SetColDecimals(2, 0);
    for (size_t i = 0; i < hostKeys.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const TTraffic& host = traffic.Rows[i];
        grid.SetText(0, row, a.Hosts.Get(hostKeys[i]));
        grid.SetInt(1, row, host.Hits);
        grid.SetFloat(2, row, host.Bytes);
        grid.SetInt(3, row, host.Visits);
        grid.SetDateTime(4, row, host.First);
        grid.SetDateTime(5, row, host.Last);
    }
    grid.SortBy(1, true);
}

void ReportRobots(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& a = context.Analyzer;
    a.LoadRobots(a.DataFolder);
    const TKeyMemo<int32_t> robotOfAgent = AnswerEveryKey<int32_t>(
        a.Agents, [&](std::string_view agent) { return a.FindRobot(agent); });
    const TRowTraffic traffic =
        CountTraffic(a, [&](const TLogHit& hit) { return robotOfAgent[hit.AgentKey]; });
    const auto seen = static_cast<int>(std::count_if(traffic.Rows.begin(), traffic.Rows.end(),
                                                     [](const TTraffic& t) { return t.Hits > 0; }));
    SetUpTable(grid,
               {{"Robot", ctText, kNameWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Visits", ctInteger, kCountColumnWidth},
                {"Bytes", ctFloat, kBytesWidth},
                {"Last Hit", ctDateTime, kTimeWidth}},
               seen);
    grid.SetColDecimals(3, 0);
    int row = 1;
    for (size_t robot = 0; robot < traffic.Rows.size(); ++robot) {
        const TTraffic& t = traffic.Rows[robot];
        if (t.Hits == 0) continue;
        grid.SetText(0, row, a.Robots[robot].Name);
        grid.SetInt(1, row, t.Hits);
        grid.SetInt(2, row, t.Visits);
        grid.SetFloat(3, row, t.Bytes);
        grid.SetDateTime(4, row, t.Last);
        ++row;
    }
    grid.SortBy(1, true);
}

std::string CountryCaption(const TReferenceLists& lists, std::string_view host) {
    if (TCountryLookup::IsAddress(host)) {
        const std::string_view code = PackagedCountries().CountryOfAddress(host);
        return code.empty() ? std::string(kUnknownCountry)
                            : Caption(TCountryLookup::CountryName(code), code);
    }
    const int row = lists.FindTopDomain(host);
    if (row <= 0) return std::string(kUnknownCountry);
    const std::string code = CountryCodeOfDomain(lists.TopDomains[row].Match);
    const std::string_view country = TCountryLookup::CountryName(code);
    return country.empty() ? lists.TopDomainCaption(row) : Caption(country, code);
}

void ReportCountries(TReportContext& context) {
    TVarGrid& grid = context.Grid;
    grid.Clear();
    TLogAnalyzer& a = context.Analyzer;
    a.LoadTopDomains(a.DataFolder);
    std::vector<std::string> captions;
    captions.reserve(a.Hosts.Count() + 1);  // the index holds views of them
    TFirstMetIndex<std::string_view> captionIndex;
    TKeyMemo<int32_t> rowOfHost(a.Hosts, -1);
    const TRowTraffic traffic = CountTraffic(a, [&](const TLogHit& hit) {
        int32_t& row = rowOfHost[hit.HostKey];
        if (row < 0) {
            std::string caption = CountryCaption(a, a.HostText(hit));
            row = captionIndex.Find(caption);
            if (row < 0) {
                captions.push_back(std::move(caption));
                row = captionIndex.Add(captions.back());
            }
        }
        return row;
    });
    SetUpTable(grid,
               {{"Country", ctText, kNameWidth},
                {"Hits", ctInteger, kCountColumnWidth},
                {"Hits %", ctPercent, kShareWidth},
                {"Visits", ctInteger, kCountColumnWidth}},
               static_cast<int>(captions.size()));
    for (size_t i = 0; i < captions.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const TTraffic& t = traffic.Rows[i];
        grid.SetText(0, row, captions[i]);
        grid.SetInt(1, row, t.Hits);
        grid.SetFloat(2, row, SafeDiv(a.HitCount, t.Hits));
        grid.SetInt(3, row, t.Visits);
    }
    grid.SortBy(1, true);
}

}  // namespace vestrel
