#include "shell/data_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/errors.h"

namespace vestrel {

namespace fs = std::filesystem;

const char* const kRobotsListName = "Robots.txt";
const char* const kDefaultListNames[6] = {"SearchEngines.txt", "OperatingSystems.txt",
                                          "TopDomain.txt",     "UserAgents.txt",
                                          "WebPageExts.txt",   kRobotsListName};

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool Usable(const std::string& folder) {
    return access(folder.c_str(), W_OK) == 0 || fs::exists(folder + "Vestrel.ini");
}

bool HoldsDefaultLists(const fs::path& folder) {
    for (const char* name : kDefaultListNames)
        if (fs::exists(folder / name)) return true;
    return false;
}

// Where the default lists lie: beside the executable in a build, in "../share/vestrel/" next to
// it once installed.
fs::path DefaultListsFolder(const std::string& executableFolder) {
    const fs::path beside(executableFolder);
    if (HoldsDefaultLists(beside)) return beside;
    return (beside / ".." / "share" / "vestrel").lexically_normal();
}

// Copies a default list into the folder unless the folder holds one already.
void CopyListIfMissing(const fs::path& lists, const std::string& folder, const char* name) {
    std::error_code error;
    const fs::path source = lists / name;
    if (fs::exists(source))
        fs::copy_file(source, fs::path(folder) / name, fs::copy_options::skip_existing, error);
}

// Creates the folder with its parents and copies the default lists into it.
void CreateSeeded(const std::string& folder, const std::string& executableFolder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw EVestrelError("Cannot create the data folder \"" + folder + "\". " + error.message());
    const fs::path lists = DefaultListsFolder(executableFolder);
    for (const char* name : kDefaultListNames) CopyListIfMissing(lists, folder, name);
}

}  // namespace

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string("./") : WithSlash(self.parent_path().string());
}

std::string ResolveDataFolder(const std::string& argument, const std::string& executableFolder,
                              const char* vestrelHome, const char* xdgDataHome, const char* home) {
    std::string folder;
    if (!argument.empty())
        folder = argument;
    else if (vestrelHome != nullptr && *vestrelHome != '\0')
        folder = vestrelHome;
    else if (Usable(executableFolder))
        return WithSlash(executableFolder);
    else if (xdgDataHome != nullptr && *xdgDataHome != '\0')
        folder = std::string(xdgDataHome) + "/vestrel";
    else
        folder = std::string(home != nullptr ? home : "") + "/.local/share/vestrel";
    folder = WithSlash(folder);
    if (!fs::exists(folder))
        CreateSeeded(folder, executableFolder);
    else
        CopyListIfMissing(DefaultListsFolder(executableFolder), folder, kRobotsListName);
    return folder;
}

std::string ResolveDataFolder(const std::string& argument) {
    return ResolveDataFolder(argument, ExecutableFolder(), std::getenv("VESTREL_HOME"),
                             std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace vestrel
