// Creating the program's windows, in the order the program entry uses.
#pragma once

class TSDIAppForm;

// The main window, then the about box, pick list, buffer and renationalise dialogs (hidden,
// reused for every run, destroyed with the main window).
TSDIAppForm* CreateOrbtoolWindows();
