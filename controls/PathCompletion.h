#pragma once

#include <windows.h>

// Completion of file names in an edit window, as the Run box has it: while a name is typed, a list under
// the edit offers the folders and files that begin so (in the folder the text names so far, else in the
// current folder). The list owns its keys while it is open (Up, Down, Enter, Esc); a choice becomes the
// edit's text. The text itself is never completed ahead of the typing. Lasts as long as the window;
// without the system's completion object the edit stays as it is.
void CompletePathsIn(HWND edit);
