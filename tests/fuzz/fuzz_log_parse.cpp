// A log file read into the analyser: line reading, the W3C header and line rebuilding, line
// parsing, the date selection and the visitor grouping. The first byte chooses the format, the
// date selection, the time-zone mode and whether the file is padded; the rest is the file.
//
// A padded file begins with one overlong directive line that puts the end of the line reader's
// first buffer 16 times the second byte into the rest, so that lines and line breaks cross it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/date_time.h"
#include "engine/log_analyzer.h"
#include "fuzz_support.h"

using namespace vestrel;

namespace {

constexpr int kTimeZones[4] = {kTimeZoneFromFiles, 0, 5, -11};
constexpr size_t kReaderBufferSize = size_t{1} << 20;
constexpr uint8_t kPadded = 0x20;

std::string FileContent(const uint8_t* data, size_t size) {
    if (!(data[0] & kPadded)) return std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    if (size < 2) return {};
    const size_t boundary = size_t{data[1]} * 16;
    // A directive line, so that the W3C header read goes on past it.
    std::string content = "#";
    content.append(kReaderBufferSize - boundary - 2, 'x');
    content += '\n';
    content.append(reinterpret_cast<const char*>(data + 2), size - 2);
    return content;
}

// The data folder with a global exclusion list and a DNS cache, so that excluded paths and
// cached host names take their part in the parsing.
std::string MakeDataFolder() {
    const std::string folder = fuzz::Scratch().Path();
    fuzz::WriteScratchFile("GlobalExclude.txt", ".gif\r\n.css\r\n");
    TDNSCache cache;
    uint32_t address = 0;
    for (const char* host : {"10.0.0.1", "127.0.0.1", "192.168.1.20"}) {
        HostAddress(host, address);
        cache.Append(address, std::string("host-") + host, Today());
    }
    cache.Sort();
    cache.Write(folder + "DNSData.vtd");
    return folder;
}

// After GroupByUser a visitor's hits are consecutive and in time order.
void CheckVisitorOrder(const TLogAnalyzer& analyzer) {
    for (int i = 1; i < analyzer.HitCount; ++i) {
        const TLogHit& before = analyzer.Hits[i - 1];
        const TLogHit& hit = analyzer.Hits[i];
        fuzz::Check(before.Uid <= hit.Uid, "hits ordered by visitor");
        fuzz::Check(before.Uid != hit.Uid || before.Time <= hit.Time, "visits in time order");
    }
    for (int i = 0; i < analyzer.HitCount; ++i)
        fuzz::Check(analyzer.Hits[i].Uid >= 0 && analyzer.Hits[i].Uid < analyzer.UserCount,
                    "visitor numbers below UserCount");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t options = data[0];
    static const std::string folder = MakeDataFolder();
    const std::string file = fuzz::WriteScratchFile("access.log", FileContent(data, size));

    TLogAnalyzer analyzer(folder, "index.htm\r\n/products/list.html\r\n");
    analyzer.TimeZone = kTimeZones[(options >> 3) & 3];
    analyzer.ReportDateSelection.DateSelection = (options >> 1) & 3;
    analyzer.ReportDateSelection.FromDate = 46000;
    analyzer.ReportDateSelection.ToDate = 46400;
    analyzer.ReportDateSelection.LastHoures = 24;
    analyzer.ReportDateSelection.LastDays = 7;
    analyzer.LoadLogFile(file, (options & 1) ? 3 : 2);
    analyzer.GroupByUser();
    CheckVisitorOrder(analyzer);
    for (int i = 0; i < analyzer.HitCount; ++i)
        for (int column = 0; column < 10; ++column) analyzer.HitFieldText(column, i);
    analyzer.BuildRequestData();
    return 0;
}
