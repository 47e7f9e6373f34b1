// A report's log file lines become the list of files to load; each plain file is examined for its
// format and time range; the loading sequence reads them all into the analyser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/gzip_expansion.h"

namespace vestrel {

class TLogAnalyzer;
class TProgressIndicator;

struct TLogFileData {
    std::string FileName;
    uint8_t Format = 0;  // 0 not examined (".gz", ".zip"), 2 NCSA common/combined, 3 W3C extended
    int64_t Size = 0;
    double FirstDate = 0;
    double LastDate = 0;
};
using TLogFileDataParam = std::vector<TLogFileData>;

// Appends one entry per file matched by every enabled line ("1" followed by a path that may hold
// the wildcards * and ?). A matched file that cannot be examined, and a file named without
// wildcards that is no regular file (a FIFO, a device), is left out; `skipped`, when given, gets
// one message per such file naming it and the reason.
void FillLogFileData(const std::vector<std::string>& lines, TLogFileDataParam& files,
                     std::vector<std::string>* skipped = nullptr);
// The regular, non-hidden files a path with wildcards matches, sorted by name.
std::vector<std::string> MatchLogFiles(std::string_view path);
// Sets Format, FirstDate and LastDate of a plain file.
void ExamineLogFile(TLogFileData& entry, int biasMinutes);

// What the loading sequence shows while it works: the progress window and the status bar.
class TLoadObserver {
  public:
    virtual ~TLoadObserver() = default;
    virtual void ShowProgressWindow(const std::string& caption) { (void)caption; }
    virtual void SetProgressText(const std::string& text) { (void)text; }
    virtual void SetStatusText(const std::string& text) { (void)text; }
    virtual TProgressIndicator* ProgressBar() { return nullptr; }
    virtual void CloseProgressWindow() {}
};

// Loads one file (expanding ".gz" first, within the analyser's MaxGzipExpansion); raises
// EVestrelError for a ".zip" file or a file that cannot be opened. A gzip file whose expansion
// ended early (damaged, truncated, too large for the limit or the disk) has its lines up to there
// loaded, then raises EVestrelError naming the file and the reason.
void LoadOneFile(TLogAnalyzer& analyzer, const std::string& fileName, int format,
                 TLoadObserver& observer);

// The loading sequence: Reset, every file in order until one is cancelled, GroupByUser. Answers
// the elapsed milliseconds; an error ends the sequence with what was loaded before kept.
int64_t LoadLogFiles(TLogAnalyzer& analyzer, const TLogFileDataParam& files,
                     TLoadObserver& observer);

}  // namespace vestrel
