#include "engine/w3c_log.h"

#include "engine/line_reader.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

// Splits off the first word (up to the first space); both parts are trimmed.
std::string_view TakeWord(std::string_view& text) {
    const size_t space = text.find(' ');
    std::string_view word = Trim(text.substr(0, space));
    text = space == std::string_view::npos ? std::string_view() : Trim(text.substr(space + 1));
    return word;
}

uint8_t ColumnCode(std::string_view name) {
    struct TName {
        std::string_view Name;
        uint8_t Code;
    };
    static constexpr TName kNames[] = {
        {"c-ip", wcHost},
        {"cs-username", wcUser},
        {"date", wcDate},
        {"time", wcTime},
        {"cs-uri-stem", wcPath},
        {"cs-method", wcMethod},
        {"cs-version", wcProtocol},
        {"sc-status", wcStatus},
        {"sc-bytes", wcBytes},
        {"cs(referer)", wcReferrer},
        {"cs(user-agent)", wcAgent},
    };
    const std::string lower = LowerAscii(name);
    for (const TName& entry : kNames)
        if (entry.Name == lower) return entry.Code;
    return wcIgnored;
}

int TwoDigitNumber(std::string_view text) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return 0;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

// "[dd/Mon/yyyy:time -0000]": the fixed zone makes times read as UTC.
void AppendW3CDate(std::string& out, std::string_view date, std::string_view time) {
    static constexpr std::string_view kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    auto part = [&](size_t from, size_t count) {
        return from < date.size() ? date.substr(from, count) : std::string_view();
    };
    const int month = TwoDigitNumber(part(5, 2));
    out += '[';
    out += part(8, 2);
    out += '/';
    out += kMonths[month >= 1 && month <= 12 ? month - 1 : 0];
    out += '/';
    out += part(0, 4);
    out += ':';
    out += time;
    out += " -0000]";
}

// W3C logs write each blank of the user agent as "+".
void AppendAgent(std::string& out, std::string_view agent) {
    for (const char c : agent) out += c == '+' ? ' ' : c;
}

}  // namespace

void ParseW3CFieldsDirective(std::string_view line, TW3CColumns& columns) {
    columns = {};
    std::string_view rest = Trim(line);
    TakeWord(rest);  // the directive itself
    while (!rest.empty() && columns.Count < kMaxW3CColumns) {
        const uint8_t code = ColumnCode(TakeWord(rest));
        if (code == wcTime && columns.Count > 0 && columns.Codes[columns.Count - 1] == wcDate) {
            columns.Codes[columns.Count - 1] = wcDateTime;
            continue;
        }
        columns.Codes[columns.Count++] = code;
    }
}

void ReadW3CHeader(TLineSource& source, TW3CColumns& columns) {
    std::string_view line;
    while (source.Next(line) && !line.empty() && line[0] == '#')
        if (line.find("#Fields:") != std::string_view::npos) ParseW3CFieldsDirective(line, columns);
    source.Rewind();
}

void RebuildW3CLine(std::string_view line, const TW3CColumns& columns, std::string& out) {
    std::string_view value[13] = {};
    value[wcHost] = value[wcUser] = value[wcPath] = value[wcStatus] = value[wcBytes] = "-";
    value[wcReferrer] = value[wcAgent] = "-";
    value[wcMethod] = "GET";
    value[wcProtocol] = "HTTP/1.0";
    std::string_view date, time;
    bool hasDate = false;

    std::string_view rest = Trim(line);
    for (int i = 0; i < columns.Count && !rest.empty(); ++i) {
        const std::string_view word = TakeWord(rest);
        if (word.empty()) break;
        const uint8_t code = columns.Codes[i];
        if (code == wcDateTime) {
            date = word;
            time = TakeWord(rest);
            hasDate = true;
        } else if (code != wcIgnored && code != wcDate && code != wcTime) {
            value[code] = word;
        }
    }

    out.clear();
    out += value[wcHost];
    out += " - ";
    out += value[wcUser];
    out += ' ';
    if (hasDate)
        AppendW3CDate(out, date, time);
    else
        out += '-';
    out += ' ';
    if (value[wcPath] == "-") {
        out += '-';
    } else {
        out += '"';
        out += value[wcMethod];
        out += ' ';
        out += value[wcPath];
        out += ' ';
        out += value[wcProtocol];
        out += '"';
    }
    out += ' ';
    out += value[wcStatus];
    out += ' ';
    out += value[wcBytes];
    out += " \"";
    out += value[wcReferrer];
    out += "\" \"";
    AppendAgent(out, value[wcAgent]);
    out += '"';
}

}  // namespace vestrel
