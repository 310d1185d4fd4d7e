#include "core/Settings.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string FindSettingsFile(const std::string& programDirectory, const char* xdgConfigHome, const char* home)
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
            return user.string();
    }
    return beside;
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
