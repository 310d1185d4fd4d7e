// Where the settings file is: beside the program, as it always was; for an installed program,
// whose folder is shared and not writable, in the user's configuration folder.
#pragma once

#include <string>

// programDirectory ends with a separator. Returns programDirectory + "Orbtool.ini" when that file
// exists, else $XDG_CONFIG_HOME/orbtool/Orbtool.ini when XDG_CONFIG_HOME is set and absolute, else
// HOME/.config/orbtool/Orbtool.ini; the path beside the program when none of them exists.
std::string FindSettingsFile(const std::string& programDirectory, const char* xdgConfigHome, const char* home);

// The program's directory from the executable's path, ending with a separator. On Windows it is
// the path upper-cased and cut where the program's own file name, ORBTOOL.EXE, begins (a path
// without that name is kept whole); elsewhere the executable's directory as it stands.
std::string ProgramDirectoryOf(const std::string& executablePath, bool windows);
