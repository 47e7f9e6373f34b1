// Temporary files of the program (expanded logs, downloads in progress, a DNS cache being
// rewritten) are removed when their work ends, and also when the program is stopped by SIGINT,
// SIGTERM or SIGHUP while they exist.
#pragma once

#include <string>
#include <string_view>

namespace vestrel {

// Owns a temporary file: removes it when destroyed unless Keep was called (after the file was
// renamed to its final name). While it lives, a stopping signal removes the file too.
class TTempFile {
  public:
    TTempFile() = default;
    explicit TTempFile(std::string path);
    ~TTempFile();
    TTempFile(TTempFile&& other) noexcept;
    TTempFile& operator=(TTempFile&& other) noexcept;
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Path() const { return path_; }
    // The file is no longer temporary (it was renamed, or is to stay).
    void Keep();

  private:
    void Release();

    std::string path_;
    int slot_ = -1;
};

// The template of a temporary file's name: `stem` + "-" + this process's id + "-XXXXXX" +
// `suffix`, for mkstemps to fill in. The id lets a later run tell a file left behind by a killed
// run from one in use.
std::string TempFileTemplate(const std::string& stem, const std::string& suffix = {});
// Removes the files of `folder` named by TempFileTemplate with a stem beginning with
// `stemPrefix` and the given suffix whose process no longer runs.
void RemoveLeftoverTempFiles(const std::string& folder, std::string_view stemPrefix,
                             std::string_view suffix);

// Installs the handlers of SIGINT, SIGTERM and SIGHUP that remove the living temporary files,
// then end the program as the signal would have.
void RemoveTempFilesOnSignals();

}  // namespace vestrel
