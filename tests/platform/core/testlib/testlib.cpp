// A library for the LoadLibrary tests: two exports and a load counter the
// tests read through the exports.
#include <cstdlib>

namespace {
int g_calls = 0;
}

extern "C" __attribute__((visibility("default"))) int TestAdd(int a, int b) {
  ++g_calls;
  return a + b;
}

extern "C" __attribute__((visibility("default"))) int TestCalls() {
  return g_calls;
}

// Refers to a C library function so that the library depends on libc; the
// tests check that libc's names are not found through this library.
extern "C" __attribute__((visibility("default"))) void* TestAllocate(std::size_t size) {
  return std::malloc(size);
}
