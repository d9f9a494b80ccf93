// The platform library is not instrumented here: the first use of its wait
// dispatcher (a function-local object made by whichever thread comes
// first) looks like a race to ThreadSanitizer, which cannot see the
// guard of the static.
extern "C" const char* __tsan_default_suppressions() {
  return "race:platform::LockDispatcher\nrace:TheDispatcher\n";
}
