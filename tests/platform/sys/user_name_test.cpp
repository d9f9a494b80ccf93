#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>

#include "platform/core/errors.h"
#include "platform/sys/user_name.h"

#include "tests/platform/checks.h"

namespace {

using velko_test::ErrorOf;

TEST(UserName, EffectiveUsersNameAndBufferSizes) {
  const passwd* entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  const std::string expected = entry->pw_name;

  char name[64] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(std::string(name), expected);
  EXPECT_EQ(size, expected.size() + 1);

  char small[64] = "untouched";
  size = static_cast<DWORD>(expected.size());  // one short: no room for the zero
  EXPECT_EQ(ErrorOf(GetUserNameA(small, &size)), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_STREQ(small, "untouched");

  EXPECT_EQ(ErrorOf(GetUserNameA(name, nullptr)), ERROR_INVALID_PARAMETER);
}

}  // namespace
