#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>

#include "platform/core/errors.h"
#include "platform/sys/user_name.h"

namespace {

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
  EXPECT_FALSE(GetUserNameA(small, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_STREQ(small, "untouched");

  EXPECT_FALSE(GetUserNameA(name, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
