// Where the settings file is: beside the program, where a copy unpacked from an archive keeps
// it; for an installed program, whose folder is shared and not writable, in the user's
// configuration folder (on Windows the roaming application data folder).
#pragma once

#include <string>

// programDirectory ends with a separator. Returns programDirectory + "Orbtool.ini" when that file
// exists, else $XDG_CONFIG_HOME/orbtool/Orbtool.ini when XDG_CONFIG_HOME is set and absolute, else
// HOME/.config/orbtool/Orbtool.ini, else (given, as on Windows) %APPDATA%\Orbtool\Orbtool.ini;
// the path beside the program when none of them exists.
std::string FindSettingsFile(const std::string& programDirectory, const char* xdgConfigHome, const char* home,
                             const char* appData = nullptr);

// The folder a DefaultDir value names. A relative value means the folder of the settings file, so
// that the directory list, loading and saving all get the same absolute, clean path (no "." or
// ".." steps, no separator at the end but the root's). An absolute value is kept as written, but
// with the system's own separators; an empty one stays empty.
std::string ResolveDefaultDir(const std::string& value, const std::string& settingsFile);

// The program's directory from the executable's path, ending with a separator. On Windows it is
// the path upper-cased and cut where the program's own file name, ORBTOOL.EXE, begins (a path
// without that name is kept whole); elsewhere the executable's directory as it stands.
std::string ProgramDirectoryOf(const std::string& executablePath, bool windows);
