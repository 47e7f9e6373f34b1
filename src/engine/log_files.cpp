#include "engine/log_files.h"

#include <glob.h>
#include <sys/stat.h>

#include <chrono>

#include "engine/date_time.h"
#include "engine/errors.h"
#include "engine/line_reader.h"
#include "engine/log_analyzer.h"
#include "engine/log_time.h"
#include "engine/text_util.h"

namespace vestrel {

namespace {

constexpr size_t kExamineBytes = 4096;

std::string LowerExtension(std::string_view name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return LowerAscii(name.substr(dot));
}

std::string BaseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Wildcards are * and ? only: every other glob character is taken literally. A final "*.*"
// means every file, as it always has on the desktop the lists come from.
std::string GlobPattern(std::string_view path) {
    std::string pattern;
    for (char c : path) {
        if (c == '[' || c == ']' || c == '\\') pattern += '\\';
        pattern += c;
    }
    if (pattern.size() >= 3 && pattern.compare(pattern.size() - 3, 3, "*.*") == 0 &&
        (pattern.size() == 3 || pattern[pattern.size() - 4] == '/'))
        pattern.erase(pattern.size() - 2);
    return pattern;
}

// "yyyy-mm-dd hh:mm:ss" at the start of a W3C data line, unshifted; 0 when unreadable.
double W3CLineTime(std::string_view line) {
    auto number = [&](size_t from, size_t count, int& value) {
        if (from + count > line.size()) return false;
        value = 0;
        for (size_t i = from; i < from + count; ++i) {
            if (line[i] < '0' || line[i] > '9') return false;
            value = value * 10 + (line[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    double date = 0, time = 0;
    if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day) || !number(11, 2, hour) ||
        !number(14, 2, minute) || !number(17, 2, second))
        return 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, time))
        return 0;
    return date + time;
}

std::string_view FirstLineOf(std::string_view text) {
    return text.substr(0, static_cast<size_t>(
                              FindLineBreak(text.data(), text.data() + text.size()) - text.data()));
}

// The time of a line in the file's format.
double LineTime(std::string_view line, uint8_t format, int biasMinutes) {
    return format == 3 ? W3CLineTime(line) : ParseBracketTime(line, biasMinutes);
}

}  // namespace

std::vector<std::string> MatchLogFiles(std::string_view path) {
    std::vector<std::string> found;
    glob_t matches{};
    if (glob(GlobPattern(path).c_str(), 0, nullptr, &matches) == 0) {
        for (size_t i = 0; i < matches.gl_pathc; ++i) {
            const std::string name = matches.gl_pathv[i];
            struct stat info {};
            if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            if (BaseName(name).starts_with('.')) continue;
            found.push_back(name);
        }
    }
    globfree(&matches);
    return found;
}

void ExamineLogFile(TLogFileData& entry, int biasMinutes) {
    TLineSource source(entry.FileName);
    const std::string head = source.ReadHead(kExamineBytes);
    const size_t directive = head.find("#Fields:");
    std::string_view start = head;
    entry.Format = directive == std::string::npos ? 2 : 3;
    entry.FirstDate = entry.LastDate = 0;
    if (entry.Format == 3) {
        const size_t fieldsAt = directive + 9;
        if (fieldsAt > head.size() ||
            Trim(std::string_view(head).substr(fieldsAt, 9)) != "date time")
            return;
        start = std::string_view(head).substr(directive);
        start.remove_prefix(
            std::min(start.size(),
                     static_cast<size_t>(FindLineBreak(start.data(), start.data() + start.size()) -
                                         start.data())));
        if (!start.empty() && start[0] == '\r') start.remove_prefix(1);
        if (!start.empty() && start[0] == '\n') start.remove_prefix(1);
    }
    entry.FirstDate = LineTime(FirstLineOf(start), entry.Format, biasMinutes);

    const std::string tail = source.ReadTail(kExamineBytes);
    size_t brk = tail.size() > 10 ? tail.size() - 10 : 0;
    while (brk > 0 && tail[brk] != '\r' && tail[brk] != '\n') --brk;
    std::string_view last(tail);
    last = last.substr(brk, last.empty() ? 0 : last.size() - brk - 1);
    while (!last.empty() && (last[0] == '\r' || last[0] == '\n')) last.remove_prefix(1);
    entry.LastDate = LineTime(last, entry.Format, biasMinutes);
}

namespace {

// A path without wildcards that names something other than a regular file or a folder.
bool IsSpecialFile(std::string_view path) {
    if (path.find_first_of("*?") != std::string_view::npos) return false;
    struct stat info {};
    return stat(std::string(path).c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
           !S_ISDIR(info.st_mode);
}

void Skip(std::vector<std::string>* skipped, const std::string& message) {
    if (skipped != nullptr) skipped->push_back(message);
}

}  // namespace

void FillLogFileData(const std::vector<std::string>& lines, TLogFileDataParam& files,
                     std::vector<std::string>* skipped) {
    const int bias = StandardBiasMinutes();
    for (const std::string& line : lines) {
        if (line.empty() || line[0] != '1') continue;
        const std::string_view path = std::string_view(line).substr(1);
        if (IsSpecialFile(path))
            Skip(skipped, "Cannot open file \"" + std::string(path) + "\". It is no regular file.");
        for (const std::string& name : MatchLogFiles(path)) {
            TLogFileData entry;
            entry.FileName = name;
            struct stat info {};
            if (stat(name.c_str(), &info) == 0) entry.Size = info.st_size;
            const std::string extension = LowerExtension(name);
            try {
                if (extension != ".gz" && extension != ".zip") ExamineLogFile(entry, bias);
            } catch (const EVestrelError& error) {
                Skip(skipped, error.what());
                continue;
            }
            files.push_back(std::move(entry));
        }
    }
}

void LoadOneFile(TLogAnalyzer& analyzer, const std::string& fileName, int format,
                 TLoadObserver& observer) {
    observer.ShowProgressWindow("Loading...");
    struct TCloser {
        TLogAnalyzer& Analyzer;
        TLoadObserver& Observer;
        ~TCloser() {
            Analyzer.SetProgressIndicator(nullptr);
            Observer.CloseProgressWindow();
        }
    } closer{analyzer, observer};

    std::string name = fileName;
    TGzipExpansion expansion;
    const std::string extension = LowerExtension(fileName);
    if (extension == ".gz" || extension == ".zip") {
        observer.SetProgressText("Decompressing \"" + fileName + "\"");
        if (extension == ".zip") throw EVestrelError("ZIP not implementet yet");
        expansion = ExpandGzipFile(fileName, analyzer.DataFolder, analyzer.MaxGzipExpansion);
        name = expansion.FileName;
    }
    observer.SetStatusText("Loading \"" + name + "\"");
    observer.SetProgressText(BaseName(name));
    analyzer.SetProgressIndicator(observer.ProgressBar());
    analyzer.LoadLogFile(name, format);
    // What was expanded before an early end is kept, like the files loaded before; the sequence
    // ends here so that the user learns the log is incomplete.
    if (!expansion.Stop.empty())
        throw EVestrelError("Cannot expand \"" + fileName + "\" completely: " + expansion.Stop +
                            ". Its complete lines before that point were loaded.");
}

int64_t LoadLogFiles(TLogAnalyzer& analyzer, const TLogFileDataParam& files,
                     TLoadObserver& observer) {
    const auto started = std::chrono::steady_clock::now();
    // Cleared once for the whole sequence, so a Cancel between two files is never lost.
    analyzer.Cancelled.store(false);
    analyzer.Reset();
    for (const TLogFileData& file : files) {
        LoadOneFile(analyzer, file.FileName, file.Format, observer);
        if (analyzer.Cancelled.load()) break;
    }
    analyzer.GroupByUser();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    observer.SetStatusText("Load time: " + std::to_string(elapsed) + "ms");
    return elapsed;
}

}  // namespace vestrel
