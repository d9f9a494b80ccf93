// SDL keeps per-thread and driver data of its audio subsystem until the
// process ends; the leak checker is told to leave those alone.
extern "C" const char* __lsan_default_suppressions() { return "leak:libSDL2\n"; }
