#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/date_time.h"
#include "engine/engine_test_util.h"
#include "engine/log_analyzer.h"
#include "engine/log_time.h"
#include "engine/w3c_log.h"

namespace vestrel {
namespace {

using testing_util::Stamp;

constexpr const char* kBob =
    "1.2.3.4 - bob [10/Oct/2000:13:55:36 -0700] \"GET /apache_pb.gif HTTP/1.0\" 200 2326";
constexpr const char* kHead = "h - - [10/Oct/2000:13:55:36 -0700] ";

class LogParseTest : public testing_util::TAnalyzerFixture {
  protected:
    // Parses one line into the free slot and answers a copy of it.
    TLogHit Parse(const std::string& line, bool* accepted = nullptr) {
        const bool ok = analyzer_->ParseLine(line.data(), line.size());
        if (accepted) *accepted = ok;
        return analyzer_->Hits[analyzer_->HitCount];
    }
    std::string TimeOf(const std::string& line) { return Stamp(Parse(line).Time); }
    // time|host|user|method|path|version|status|bytes|referrer|agent of a parsed line.
    std::string Describe(const std::string& line) {
        const TLogHit hit = Parse(line);
        const TLogAnalyzer& a = *analyzer_;
        std::string text = Stamp(hit.Time);
        for (std::string_view part : {a.HostText(hit), a.UserText(hit)}) (text += '|') += part;
        text += '|' + std::to_string(hit.Method) + '|' + std::string(a.UrlText(hit)) + '|' +
                std::to_string(hit.Version) + '|' + std::to_string(hit.Status) + '|' +
                std::to_string(hit.Bytes);
        for (std::string_view part : {a.ReferrerText(hit), a.AgentText(hit)}) (text += '|') += part;
        return text;
    }
};

TEST_F(LogParseTest, CommonLineInModeZero) {
    Make(0);
    bool accepted = false;
    Parse(kBob, &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(Describe(kBob), "2000-10-10 13:55:36|1.2.3.4|bob|1|/apache_pb.gif|1|200|2326||");
    EXPECT_EQ(Parse(kBob).ReferrerKey, 0);
    EXPECT_EQ(Parse(kBob).AgentKey, 0);
    EXPECT_EQ(analyzer_->HitCount, 0);  // parsing alone stores nothing
}

TEST_F(LogParseTest, TimeZoneModes) {
    Make(kTimeZoneFromFiles, "CET-1");
    EXPECT_EQ(TimeOf(kBob), "2000-10-10 21:55:36");
    // The standard offset counts even on a day that falls in summer time.
    Make(kTimeZoneFromFiles, "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(TimeOf(kBob), "2000-10-10 21:55:36");
    Make(kTimeZoneFromFiles);
    EXPECT_EQ(TimeOf(kBob), "2000-10-10 20:55:36");
    EXPECT_EQ(TimeOf("h - - [10/Oct/2000:01:30:00 +0530] \"GET /\" 200 1"), "2000-10-09 20:00:00");
    // A zone that is no time of day spoils the whole time.
    EXPECT_EQ(Parse("h - - [10/Oct/2000:01:30:00 +xx00] \"GET /\" 200 1").Time, 0);
    EXPECT_EQ(Parse("h - - [10/Oct/2000:01:30:00 +2500] \"GET /\" 200 1").Time, 0);
    Make(2);
    EXPECT_EQ(TimeOf(kBob), "2000-10-10 15:55:36");
    Make(-3, "CET-1");  // the computer's zone plays no part
    EXPECT_EQ(TimeOf(kBob), "2000-10-10 10:55:36");
    Make(12);
    EXPECT_EQ(TimeOf(kBob), "2000-10-11 01:55:36");
    // A shift past either end of the calendar leaves the time unreadable.
    EXPECT_EQ(Parse("h - - [31/Dec/9999:23:00:00 +0000] \"GET /\" 200 1").Time, 0);
    Make(kTimeZoneFromFiles);
    EXPECT_EQ(Parse("h - - [31/Dec/9999:23:00:00 -0200] \"GET /\" 200 1").Time, 0);
    EXPECT_EQ(Parse("h - - [01/Jan/0001:00:30:00 +0100] \"GET /\" 200 1").Time, 0);
    EXPECT_EQ(TimeOf("h - - [31/Dec/9999:23:00:00 +0100] \"GET /\" 200 1"), "9999-12-31 22:00:00");
}

TEST_F(LogParseTest, MonthLettersAndInvalidDates) {
    Make(0);
    auto line = [](const std::string& date) {
        return "h - - [" + date + " +0000] \"GET /\" 200 1";
    };
    EXPECT_EQ(TimeOf(line("10/oct/2000:13:55:36")), "2000-10-10 13:55:36");
    EXPECT_EQ(TimeOf(line("10/OCT/2000:13:55:36")), "2000-10-10 13:55:36");
    const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int m = 0; m < 12; ++m) {
        const double time = Parse(line("05/" + months.substr(3 * m, 3) + "/1999:00:00:00")).Time;
        EXPECT_EQ(DecodeDateTime(time).Month, m + 1) << m;
    }
    EXPECT_EQ(TimeOf(line("29/Feb/2000:00:00:00")), "2000-02-29 00:00:00");
    for (const char* bad : {"10/xyz/2000:13:55:36", "31/Apr/2000:13:55:36", "29/Feb/2001:00:00:00",
                            "10/Oct/2000:24:00:00", "10/Oct/2000:23:60:00", "10/Oct/2000:13:55"})
        EXPECT_EQ(Parse(line(bad)).Time, 0) << bad;
    EXPECT_EQ(Parse("h - - [] \"GET /x HTTP/1.0\" 200 1").Time, 0);
}

TEST_F(LogParseTest, RequestForms) {
    TLogAnalyzer& a = Make(0);
    const std::string head = kHead, stamp = "2000-10-10 13:55:36|h|-|";
    EXPECT_EQ(Describe(head + "\"-\" 408 -"), stamp + "0||0|408|0||");
    EXPECT_EQ(Describe(head + "\"OPTIONS * HTTP/1.1\" 200 0"), stamp + "0|*|2|200|0||");
    EXPECT_EQ(Describe(head + "\"PUT /u HTTP/1.0\" 201 0"), stamp + "2|/u|1|201|0||");
    EXPECT_EQ(Describe(head + "\"HEAD /h HTTP/1.0\" 200 0"), stamp + "3|/h|1|200|0||");
    EXPECT_EQ(Describe(head + "\"POST /p HTTP/1.0\" 200 0"), stamp + "4|/p|1|200|0||");
    EXPECT_EQ(Describe(head + "\"get /g HTTP/0.9\" 200 0"), stamp + "0|/g|0|200|0||");
    EXPECT_EQ(Describe(head + "\"GET /ksc.html\" 200 7"), stamp + "1|/ksc.html|0|200|7||");
    a.DefaultPage = "index.html";
    EXPECT_EQ(a.UrlText(Parse(head + "\"GET / HTTP/1.0\" 200 1")), "/index.html");
    EXPECT_EQ(a.UrlText(Parse(head + "\"GET /?x=1 HTTP/1.0\" 200 1")), "/?x=1");
}

TEST_F(LogParseTest, StatusBytesReferrerAgentAndUser) {
    TLogAnalyzer& a = Make(0);
    const std::string head = std::string(kHead) + "\"GET /x HTTP/1.0\" ";
    const std::string stamp = "2000-10-10 13:55:36|h|-|1|/x|1|";
    EXPECT_EQ(Describe(head + "- -"), stamp + "0|0||");
    EXPECT_EQ(Describe(head + "abc 12x"), stamp + "0|0||");
    EXPECT_EQ(Describe(head + "200 2147483647"), stamp + "200|2147483647||");
    // "-" as referrer is no referrer; "-" as agent is a text like any other.
    EXPECT_EQ(Describe(head + "200 1 \"-\" \"-\""), stamp + "200|1||-");
    EXPECT_EQ(Parse(head + "200 1 \"-\" \"-\"").ReferrerKey, 0);
    EXPECT_EQ(Describe(head + "200 1 \"http://r/a b\" \"Mozilla/4.0 (X; Y)\""),
              stamp + "200|1|http://r/a b|Mozilla/4.0 (X; Y)");
    EXPECT_EQ(Describe("h2   -   u [10/Oct/2000:13:55:36 -0700]  \"GET /y\"  301   9"),
              "2000-10-10 13:55:36|h2|u|1|/y|0|301|9||");
    EXPECT_EQ(a.UserText(Parse("h - John Smith [10/Oct/2000:13:55:36 -0700] \"GET /\" 200 1")),
              "John Smith");
}

// A line whose time cannot be read is no hit: it is rejected and counted as skipped.
TEST_F(LogParseTest, LinesWithoutReadableTimeAreSkippedAndCounted) {
    TLogAnalyzer& a = Make(kTimeZoneFromFiles);
    for (const char* line :
         {"just some words", "xxxxxxxxxxxx", "#Version: 1.0", "# a comment [with a bracket]",
          "h - - [01/Aug/199", "5:00:01:39 -0400] \"GET /x HTTP/1.0\" 200 1",
          "h - - [10/Xyz/2000:13:55:36 +0000] \"GET /\" 200 1", "h - - [01/Aug/1995:00:31:55 -0"}) {
        bool accepted = true;
        Parse(line, &accepted);
        EXPECT_FALSE(accepted) << line;
    }
    EXPECT_EQ(a.SkippedLines, 8);
    // Rejection by the date selection is no skip.
    a.DateSelection = 1;
    a.FromDay = a.ToDay = 1;
    bool accepted = true;
    Parse(kBob, &accepted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(a.SkippedLines, 8);
    a.Reset();
    EXPECT_EQ(a.SkippedLines, 0);
    // A cut-off zone spoils only the mode that reads it; a missing zone reads as UTC.
    Make(0);
    EXPECT_EQ(TimeOf("h - - [01/Aug/1995:00:31:55 -0"), "1995-08-01 00:31:55");
    Make(kTimeZoneFromFiles);
    EXPECT_EQ(TimeOf("h - - [01/Aug/1995:00:31:55] \"GET /\" 200 1"), "1995-08-01 00:31:55");
}

// Apache writes a quote inside a quoted field as \" and a backslash as \\.
TEST_F(LogParseTest, EscapedQuotesStayInsideTheirField) {
    Make(0);
    const std::string head = kHead;
    EXPECT_EQ(Describe(head + R"("GET /a\"b HTTP/1.0" 404 12 "-" "x")"),
              "2000-10-10 13:55:36|h|-|1|/a\\\"b|1|404|12||x");
    EXPECT_EQ(Describe(head + R"("GET /q HTTP/1.1" 200 5 "http://r/?s=\"a\"" "Bot \"v2\" \\")"),
              R"(2000-10-10 13:55:36|h|-|1|/q|2|200|5|http://r/?s=\"a\"|Bot \"v2\" \\)");
    // An even run of backslashes is escaped backslashes: the quote after it ends the field.
    EXPECT_EQ(Describe(head + R"("GET /c:\\" 301 7 "r\\" "ua")"),
              R"(2000-10-10 13:55:36|h|-|1|/c:\\|0|301|7|r\\|ua)");
    // A lone backslash before the line's end leaves the field open to the end.
    EXPECT_EQ(Describe(head + R"("GET /x HTTP/1.0" 200 1 "-" "ua\")"),
              R"(2000-10-10 13:55:36|h|-|1|/x|1|200|1||ua\")");
}

TEST_F(LogParseTest, GarbageNeverCrashes) {
    Make(kTimeZoneFromFiles);
    const std::string full = std::string(kHead) + "\"GET /x HTTP/1.0\" 200 12 \"ref\" \"agent\"";
    for (size_t cut = 0; cut <= full.size(); ++cut) Parse(full.substr(0, cut));
    for (const char* line : {" ", "          ", "[", "\"", "]", "xxxxxxxxxxxx",
                             "\"GET\" /hostadmin/?page=' HTTP/1.0\" 501 -"})
        Parse(line);
    std::string binary;
    for (int c = 0; c < 256; ++c) binary += static_cast<char>(c);
    Parse(binary);
    // Random lines from the characters the parser looks for.
    const char alphabet[] = {' ', '[', ']', '"', '-', '/', ':', '+', 'a', 'O', '1', '\0', '\xff'};
    std::mt19937 random(12345);
    for (int n = 0; n < 20000; ++n) {
        std::string line(random() % 80, ' ');
        for (char& c : line) c = alphabet[random() % sizeof alphabet];
        Parse(line);
    }
    EXPECT_EQ(analyzer_->HitCount, 0);
}

TEST(ParseBracketTimeTest, FirstBracketedDateInLocalStandardTime) {
    EXPECT_EQ(Stamp(ParseBracketTime(kBob, 0)), "2000-10-10 20:55:36");
    EXPECT_EQ(Stamp(ParseBracketTime(kBob, -60)), "2000-10-10 21:55:36");
    // An unknown month reads as January; an unreadable time or zone leaves the date alone.
    EXPECT_EQ(Stamp(ParseBracketTime("[10/Xyz/2000:13:55:36 +0000]", 0)), "2000-01-10 13:55:36");
    EXPECT_EQ(Stamp(ParseBracketTime("[10/Oct/2000:1x:55:36 +0000]", 0)), "2000-10-10 00:00:00");
    EXPECT_EQ(Stamp(ParseBracketTime("[10/Oct/2000:13:55:36 zone]", 0)), "2000-10-10 00:00:00");
    for (const char* bad : {"[1x/Oct/2000:13:55:36 +0000]", "[31/Feb/2000:13:55:36 +0000]",
                            "no brackets", "] [10/Oct/2000:13:55:36 +0000]", "[10/Oct/2000", "[]"})
        EXPECT_EQ(ParseBracketTime(bad, 0), 0) << bad;
}

// Runs of one day and zone, then a change of any part of the key, damaged dates and zones, and
// texts too short or too long for the memo: every answer is ParseLogTime's, bit for bit.
TEST(LogTimeParserTest, AnswersAsParseLogTimeOverRunsAndChanges) {
    const std::vector<std::string> texts = {
        "10/Oct/2000:13:55:36 -0700", "10/Oct/2000:13:55:37 -0700",
        "10/Oct/2000:23:59:59 -0700", "11/Oct/2000:00:00:00 -0700",
        "11/Oct/2000:00:00:00 +0200", "11/Oct/2000:00:00:01 +0200",
        "11/Oct/2000:25:00:01 +0200", "11/Oct/2000:00:00:01 +02",
        "11/Oct/2000:00:00:01",       "11/Oxt/2000:00:00:01 +0200",
        "11/Oct/2000:00:00:01 +0200", "31/Feb/2000:00:00:01 +0200",
        "01/Jan/0001:00:00:00 +0100", "31/Dec/9999:23:59:59 -0100",
        "31/Dec/9999:23:59:58 -0100", "11/Oct/2000:00:00:01 +0200 and a long tail after the zone",
        "11/Oct/2000:00:00:02 +0200", "short",
    };
    for (const auto& [zone, bias] :
         {std::pair{kTimeZoneFromFiles, 0.0}, std::pair{kTimeZoneFromFiles, -1.0 / 24},
          std::pair{0, 0.0}, std::pair{5, 0.0}}) {
        TLogTimeParser parser;
        for (int pass = 0; pass < 2; ++pass)
            for (const std::string& text : texts) {
                const double expected = ParseLogTime(text, zone, bias);
                EXPECT_EQ(parser.Parse(text, zone, bias), expected) << text << " in mode " << zone;
            }
    }
    TLogTimeParser parser;  // the same text under another mode is read again
    EXPECT_EQ(parser.Parse(texts[0], 0, 0), ParseLogTime(texts[0], 0, 0));
    EXPECT_EQ(parser.Parse(texts[0], kTimeZoneFromFiles, 0),
              ParseLogTime(texts[0], kTimeZoneFromFiles, 0));
}

TEST(W3CFieldsTest, DirectiveBecomesColumnCodes) {
    TW3CColumns columns;
    // Names compare lower-cased; runs of blanks separate like one space; date and time merge.
    ParseW3CFieldsDirective("#Fields:   DATE  Time   C-IP  s-port", columns);
    ASSERT_EQ(columns.Count, 3);
    EXPECT_EQ(columns.Codes[0], wcDateTime);
    EXPECT_EQ(columns.Codes[1], wcHost);
    EXPECT_EQ(columns.Codes[2], wcIgnored);
    ParseW3CFieldsDirective("#Fields: time date c-ip", columns);
    ASSERT_EQ(columns.Count, 3);
    EXPECT_EQ(columns.Codes[0], wcTime);
    EXPECT_EQ(columns.Codes[1], wcDate);
    // More than 64 names: the rest is ignored, and a long data line does not overrun.
    std::string many = "#Fields:", line, out;
    for (int i = 0; i < 70; ++i) many += i == 66 ? " c-ip" : " x-f" + std::to_string(i);
    for (int i = 0; i < 70; ++i) line += "v" + std::to_string(i) + " ";
    ParseW3CFieldsDirective(many, columns);
    EXPECT_EQ(columns.Count, kMaxW3CColumns);
    RebuildW3CLine(line, columns, out);
    EXPECT_EQ(out, "- - - - - - - \"-\" \"-\"");
}

TEST(W3CFieldsTest, DataLinesAreRebuiltInTheCombinedLayout) {
    TW3CColumns columns;
    std::string out;
    ParseW3CFieldsDirective("#Fields: date time c-ip cs-method cs-uri-stem sc-status", columns);
    RebuildW3CLine("2002-03-04 10:11:12 10.0.0.1 GET /a.htm 200", columns, out);
    EXPECT_EQ(
        out, "10.0.0.1 - - [04/Mar/2002:10:11:12 -0000] \"GET /a.htm HTTP/1.0\" 200 - \"-\" \"-\"");
    // Fewer words than columns keep the defaults; no path gives a bare "-" request.
    RebuildW3CLine("2002-03-04 10:11:12 10.0.0.1", columns, out);
    EXPECT_EQ(out, "10.0.0.1 - - [04/Mar/2002:10:11:12 -0000] - - - \"-\" \"-\"");
    RebuildW3CLine("2002-13-04 10:11:12 h GET /a 200", columns, out);
    EXPECT_NE(out.find("[04/Jan/2002:10:11:12 -0000]"), std::string::npos) << out;
    for (const char* shortLine : {"", "2", "2002-x"}) RebuildW3CLine(shortLine, columns, out);

    ParseW3CFieldsDirective("#Fields: time date c-ip cs-uri-stem", columns);
    RebuildW3CLine("10:11:12 2002-03-04 10.0.0.1 /a.htm", columns, out);
    EXPECT_EQ(out, "10.0.0.1 - - - \"GET /a.htm HTTP/1.0\" - - \"-\" \"-\"");

    ParseW3CFieldsDirective(
        "#Fields: date time cs-username cs-uri-stem cs-version sc-status "
        "sc-bytes cs(User-Agent) cs(Referer)",
        columns);
    RebuildW3CLine("2010-12-31 23:59:59 jo /b.gif HTTP/1.1 304 4567 Mozilla/5.0+(X) http://r/",
                   columns, out);
    EXPECT_EQ(out,
              "- - jo [31/Dec/2010:23:59:59 -0000] \"GET /b.gif HTTP/1.1\" 304 4567 \"http://r/\" "
              "\"Mozilla/5.0 (X)\"");
    // The agent's "+" are its blanks; other fields keep theirs.
    RebuildW3CLine(
        "2010-12-31 23:59:59 jo /c+d HTTP/1.1 200 1 "
        "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1) "
        "http://r/?q=a+b",
        columns, out);
    EXPECT_NE(out.find("\"GET /c+d HTTP/1.1\""), std::string::npos) << out;
    EXPECT_NE(
        out.find("\"http://r/?q=a+b\" \"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\""),
        std::string::npos)
        << out;
}

TEST_F(LogParseTest, RebuiltW3CLinesParseAsUtc) {
    Make(kTimeZoneFromFiles, "CET-1");
    TW3CColumns columns;
    std::string out;
    ParseW3CFieldsDirective("#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
                            columns);
    RebuildW3CLine("2002-03-04 10:11:12 10.0.0.1 POST /a.htm 200 512", columns, out);
    EXPECT_EQ(Describe(out), "2002-03-04 11:11:12|10.0.0.1|-|4|/a.htm|1|200|512||-");
    ParseW3CFieldsDirective("#Fields: time date c-ip cs-uri-stem", columns);
    RebuildW3CLine("10:11:12 2002-03-04 10.0.0.1 /a.htm", columns, out);
    EXPECT_EQ(Parse(out).Time, 0);
}

TEST_F(LogParseTest, W3CLineWithoutPathKeepsItsStatusAndBytes) {
    Make(0);
    TW3CColumns columns;
    std::string out;
    ParseW3CFieldsDirective("#Fields: date time c-ip sc-status sc-bytes", columns);
    RebuildW3CLine("2002-03-04 10:11:12 10.0.0.1 200 123", columns, out);
    EXPECT_EQ(Describe(out), "2002-03-04 10:11:12|10.0.0.1|-|0||0|200|123||-");
}

}  // namespace
}  // namespace vestrel
