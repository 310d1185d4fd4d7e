#include "core/Settings.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string FindSettingsFile(const std::string& programDirectory, const char* xdgConfigHome, const char* home,
                             const char* appData)
{
    const std::string beside = programDirectory + "Orbtool.ini";
    std::error_code ec;
    if (fs::is_regular_file(fs::u8path(beside), ec))
        return beside;
    fs::path config;
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        config = fs::path(xdgConfigHome);
    else if (home && *home)
        config = fs::path(home) / ".config";
    if (!config.empty()) {
        fs::path user = config / "orbtool" / "Orbtool.ini";
        if (fs::is_regular_file(user, ec))
            return user.u8string();
    }
    if (appData && *appData) {
        fs::path user = fs::u8path(appData) / "Orbtool" / "Orbtool.ini";
        if (fs::is_regular_file(user, ec))
            return user.u8string();
    }
    return beside;
}

std::string ResolveDefaultDir(const std::string& value, const std::string& settingsFile)
{
    fs::path given = fs::u8path(value);
    if (value.empty())
        return value;
    if (given.is_absolute())
        return given.make_preferred().u8string();  // "C:/Games" reads as C:\Games on Windows
    fs::path full = (fs::u8path(settingsFile).parent_path() / given).lexically_normal();
    if (full.has_parent_path() && !full.has_filename() && full != full.root_path())
        full = full.parent_path();  // "dir/" ends in an empty step
    return full.make_preferred().u8string();
}

std::string ProgramDirectoryOf(const std::string& executablePath, bool windows)
{
    if (windows) {
        std::string upper;
        for (char c : executablePath)
            upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        std::size_t cut = upper.find("ORBTOOL.EXE");
        return cut == std::string::npos ? upper : upper.substr(0, cut);
    }
    std::size_t slash = executablePath.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : executablePath.substr(0, slash + 1);
}
