// The program's touches on the platform's style: how long a pop-up hint waits, and its colours.
#pragma once

// Installs the program's style over the application's current one (once) and the hint colours.
void InstallOrbtoolStyle();
