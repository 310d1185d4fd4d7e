// The program's touches on the platform's style: how long a hint waits, and edit frames drawn
// without antialiasing.
#pragma once

// Installs the program's style over the application's current one (once) and the hint colours.
void InstallOrbtoolStyle();
