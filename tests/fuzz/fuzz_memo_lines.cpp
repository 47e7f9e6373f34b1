// The line parsers of a report's memo fields. The first byte chooses the memo (LogFiles,
// FTPFiles, WEBFiles, TelnetCommands, Targets); the rest is its text. The settings dialog's
// load and store of a list must give the list back, and no parsed file name may lead out of
// the folder it is meant for.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/ftp_download.h"
#include "acquisition/http_download.h"
#include "acquisition/telnet_script.h"
#include "engine/errors.h"
#include "engine/log_files.h"
#include "engine/reference_lists.h"
#include "engine/text_file.h"
#include "fuzz_support.h"
#include "shell/report_settings.h"

using namespace vestrel;

namespace {

bool SameLines(const std::vector<TCheckedLine>& a, const std::vector<TCheckedLine>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Caption != b[i].Caption || a[i].Checked != b[i].Checked) return false;
    return true;
}

void CheckCheckedLines(std::string_view memo) {
    const std::vector<TCheckedLine> lines = CheckedLinesOf(memo);
    fuzz::Check(SameLines(CheckedLinesOf(CheckedLinesMemo(lines)), lines),
                "a stored file list loads the same");
}

// A folder of log files the LogFiles lines are matched in.
std::string LogFolder() {
    const std::string folder = fuzz::Scratch().Path() + "logs/";
    std::filesystem::create_directories(folder + "old");
    fuzz::WriteScratchFile(
        "logs/access.log",
        "1.2.3.4 - - [01/Nov/2026:00:00:00 +0100] \"GET / HTTP/1.1\" 200 5 \"-\" \"x\"\r\n");
    fuzz::WriteScratchFile("logs/w3c.log",
                           "#Fields: date time c-ip cs-uri-stem sc-status\n"
                           "2026-11-01 00:00:00 1.2.3.4 /index.htm 200\n");
    fuzz::WriteScratchFile("logs/old/access.log.gz", "not examined");
    fuzz::WriteScratchFile("logs/.hidden.log", "never matched");
    return folder;
}

// LogFiles lines with their paths taken inside the log folder: every match must lie there.
void CheckLogFiles(std::string_view memo) {
    static const std::string folder = LogFolder();
    CheckCheckedLines(memo);
    std::vector<std::string> lines;
    for (const std::string& line : SplitTextLines(memo)) {
        if (line.find("..") != std::string::npos) continue;
        const size_t start = line.size() > 1 && line[1] == '/' ? 2 : 1;
        lines.push_back(line.empty() ? line : line.substr(0, 1) + folder + line.substr(start));
    }
    TLogFileDataParam files;
    FillLogFileData(lines, files);
    for (const TLogFileData& file : files) {
        fuzz::Check(file.FileName.starts_with(folder), "matched files lie in the folder");
        const std::string name = file.FileName.substr(file.FileName.rfind('/') + 1);
        fuzz::Check(!name.starts_with('.'), "hidden files are left out");
    }
}

void CheckFtpFiles(std::string_view memo) {
    CheckCheckedLines(memo);
    bool enabled = false;
    for (const std::string& line : SplitTextLines(memo)) {
        const std::optional<TFtpRemoteFile> file = ParseFtpFileLine(line);
        if (!file) continue;
        enabled = true;
        try {
            const std::filesystem::path local = FtpLocalFileName("/downloads", file->FileName);
            fuzz::Check(local.lexically_normal().parent_path() == "/downloads",
                        "FTP file lands in the folder");
        } catch (const EVestrelError&) {
        }
    }
    fuzz::Check(!enabled || HasEnabledFtpFile(std::string(memo)), "enabled FTP lines are seen");
}

void CheckWebFiles(std::string_view memo) {
    CheckCheckedLines(memo);
    const std::vector<TWebFileLine> files = ParseWebFiles(std::string(memo));
    for (const TWebFileLine& file : files) {
        fuzz::Check(file.Address.ends_with("/" + file.LocalName), "WEB name ends the address");
    }
    fuzz::Check(files.empty() || HasEnabledWebFiles(std::string(memo)),
                "enabled WEB lines are seen");
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A pair the dialog can store reads back from the line it stores.
void CheckTelnetCommands(std::string_view memo) {
    for (const TTelnetScriptPair& pair : TelnetScriptOf(memo)) {
        const TTelnetLine& line = pair.Line;
        if (!IsStorablePrompt(line.Prompt) || HasLineBreak(line.Command)) continue;
        const std::optional<TTelnetLine> reread = ParseTelnetLine(TelnetLineText(line));
        fuzz::Check(reread && *reread == line, "a stored telnet line reads back");
    }
}

void CheckTargets(std::string_view memo) {
    TReferenceLists lists;
    lists.LoadTargets(memo);
    for (const TTargetData& target : lists.Targets) {
        for (const std::string& path :
             {target.Target, "/" + target.Target, "/a/" + target.Target}) {
            const int found = lists.FindTargetOfPath(path);
            fuzz::Check(found >= -1 && found < static_cast<int>(lists.Targets.size()),
                        "a target index or -1");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view memo(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 5) {
        case 0:
            CheckLogFiles(memo);
            break;
        case 1:
            CheckFtpFiles(memo);
            break;
        case 2:
            CheckWebFiles(memo);
            break;
        case 3:
            CheckTelnetCommands(memo);
            break;
        default:
            CheckTargets(memo);
            break;
    }
    return 0;
}
