// orbcheck: prints what the program-directory rule makes of this executable's own path. Copied
// as Orbtool.exe it shows the rule on a real Windows path (scripts/windows-check runs it so).
#include "core/Settings.h"

#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

int main()
{
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe(path, n);
    const bool windows = true;
#else
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    const bool windows = false;
#endif
    std::printf("%s\n", ProgramDirectoryOf(exe, windows).c_str());
    return 0;
}
