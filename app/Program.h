// The program's start: the splash window, the application object and the
// eleven windows in their order.
#pragma once

// Creates the splash and the windows (each variable set before its
// constructor runs) and frees the splash. The application object must
// exist.
void CreateProgramForms();
