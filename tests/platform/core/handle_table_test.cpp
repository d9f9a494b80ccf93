#include "platform/core/handle_table.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/core/types.h"

namespace {

HANDLE Number(std::uintptr_t n) { return reinterpret_cast<HANDLE>(n); }

TEST(HandleTable, HandlesFollowTheKindsRangeAndAreNeverReused) {
  platform::HandleTable<HANDLE, int> table(0x1000, 4);
  std::set<HANDLE> seen;
  for (int round = 0; round < 3; ++round) {
    HANDLE a = table.Add(round);
    HANDLE b = table.Add(round + 10);
    EXPECT_TRUE(seen.insert(a).second && seen.insert(b).second);
    EXPECT_TRUE(table.Remove(a));
    EXPECT_EQ(table.Take(b), round + 10);
  }
  EXPECT_EQ(*seen.begin(), Number(0x1000));
  EXPECT_EQ(*seen.rbegin(), Number(0x1000 + 5 * 4));
  EXPECT_TRUE(table.empty());
}

TEST(HandleTable, OnlyLiveHandlesFindTheirValue) {
  platform::HandleTable<HANDLE, int> table(0x2001, 2);
  HANDLE kept = table.Add(7);
  HANDLE gone = table.Add(8);
  EXPECT_EQ(table.Take(gone), 8);
  ASSERT_NE(table.Find(kept), nullptr);
  EXPECT_EQ(*table.Find(kept), 7);
  // A removed handle, one never given out, one between two numbers of the
  // range and the null handle are all unknown.
  for (HANDLE stale : {gone, Number(0x2005), Number(0x2002), Number(0)}) {
    EXPECT_EQ(table.Find(stale), nullptr) << stale;
    EXPECT_FALSE(table.Contains(stale) || table.Remove(stale) || table.Take(stale));
  }
  // A number the kind chose itself (an address) stands apart from the range.
  EXPECT_EQ(table.AddAt(0x8000, 1), Number(0x8000));
  EXPECT_EQ(table.AddAt(0x8000, 3), Number(0x8000));  // replaced, not doubled
  EXPECT_EQ(table.Add(4), Number(0x2005));
  EXPECT_EQ(table.size(), 3u);
}

}  // namespace
