#include "platform/core/handle_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "platform/core/types.h"

namespace {

using Table = platform::HandleTable<HANDLE, std::unique_ptr<int>>;

HANDLE Number(std::uintptr_t n) { return reinterpret_cast<HANDLE>(n); }

TEST(HandleTable, HandlesFollowTheKindsRangeAndAreNeverReused) {
  Table table(0x1000, 4);
  std::set<HANDLE> seen;
  for (int round = 0; round < 3; ++round) {
    HANDLE a = table.Add(std::make_unique<int>(round));
    HANDLE b = table.Add(std::make_unique<int>(round + 10));
    EXPECT_TRUE(seen.insert(a).second);
    EXPECT_TRUE(seen.insert(b).second);
    EXPECT_TRUE(table.Remove(a));
    ASSERT_TRUE(table.Take(b).has_value());
  }
  EXPECT_EQ(*seen.begin(), Number(0x1000));
  EXPECT_EQ(*seen.rbegin(), Number(0x1000 + 5 * 4));
  EXPECT_TRUE(table.empty());
}

TEST(HandleTable, OnlyLiveHandlesFindTheirValue) {
  Table table(0x2001, 2);
  HANDLE kept = table.Add(std::make_unique<int>(7));
  HANDLE gone = table.Add(std::make_unique<int>(8));
  std::optional<std::unique_ptr<int>> taken = table.Take(gone);
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(**taken, 8);

  ASSERT_NE(table.Find(kept), nullptr);
  EXPECT_EQ(**table.Find(kept), 7);
  EXPECT_TRUE(table.Contains(kept));
  // A removed handle, one never given out, one between two numbers of the
  // range and the null handle are all unknown.
  for (HANDLE stale : {gone, Number(0x2005), Number(0x2002), Number(0)}) {
    EXPECT_EQ(table.Find(stale), nullptr) << stale;
    EXPECT_FALSE(table.Contains(stale));
    EXPECT_FALSE(table.Remove(stale));
    EXPECT_FALSE(table.Take(stale).has_value());
  }
  EXPECT_EQ(table.size(), 1u);
}

TEST(HandleTable, ChosenNumbersStandApartFromTheRange) {
  platform::HandleTable<UINT_PTR, int> table(0x11, 2);
  const UINT_PTR chosen = table.AddAt(0x4000, 1);
  const UINT_PTR counted = table.Add(2);
  EXPECT_EQ(chosen, 0x4000u);
  EXPECT_EQ(counted, 0x11u);
  EXPECT_EQ(table.AddAt(0x4000, 3), chosen);  // replaced, not doubled
  EXPECT_EQ(table.size(), 2u);
  EXPECT_EQ(*table.Find(chosen), 3);
}

}  // namespace
