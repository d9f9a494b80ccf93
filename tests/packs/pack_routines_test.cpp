// The controls pack and the desktop pack each have a routine named
// AddBackslash: one program links both packs and calls both.
#include <gtest/gtest.h>

#include "controls/kavoclass.h"
#include "desktop/zelRoutines.h"

namespace {

TEST(PackRoutines, BothPacksAddTheirBackslashInOneProgram) {
  struct Case {
    const char* path;
    const char* with_backslash;
  };
  const Case cases[] = {{"", "\\"}, {"C:\\x", "C:\\x\\"}, {"C:\\x\\", "C:\\x\\"}, {"  ", "  \\"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Kavo::AddBackslash(c.path), c.with_backslash);
    EXPECT_EQ(Zel::AddBackslash(c.path), c.with_backslash);
  }
  // What each pack builds on it.
  EXPECT_EQ(ExpandRelativePath("C:\\base", "sub\\f.txt"), "C:\\base\\sub\\f.txt");
  EXPECT_TRUE(GetPrefixPath(ppProgram, true).ends_with("\\"));
}

}  // namespace
