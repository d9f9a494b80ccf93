// Libraries that are not usable input plug-ins, for the tests of the
// plug-in host's load results: built with VELKO_BROKEN_NO_ENTRY the library
// lacks "winampGetInModule2" altogether; otherwise the entry point exists
// and returns nothing.
#include "outside/winamp/winamp_api.h"

#ifdef VELKO_BROKEN_NO_ENTRY
extern "C" __attribute__((visibility("default"))) int velkoNotAPlugin() { return 0; }
#else
extern "C" __attribute__((visibility("default"))) In_Module* winampGetInModule2() { return nullptr; }
#endif
