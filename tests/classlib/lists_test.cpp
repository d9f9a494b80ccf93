#include "classlib/Lists.h"

#include <gtest/gtest.h>

#include <vector>

#include "classlib/Exceptions.h"
#include "tests/classlib/raised.h"

namespace {

int values[6] = {5, 3, 9, 1, 7, 3};

TEST(List, AddInsertDeleteAndIndexes) {
  TList list;
  EXPECT_EQ(list.Add(&values[0]), 0);
  EXPECT_EQ(list.Add(&values[1]), 1);
  list.Insert(0, &values[2]);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.First(), &values[2]);
  EXPECT_EQ(list.Last(), &values[1]);
  EXPECT_EQ(list.IndexOf(&values[0]), 1);
  EXPECT_EQ(list.Remove(&values[0]), 1);
  EXPECT_EQ(list.Remove(&values[0]), -1);
  list.Exchange(0, 1);
  EXPECT_EQ(list[0], &values[1]);
  list.Move(0, 1);
  EXPECT_EQ(list[1], &values[1]);
  list.Add(nullptr);
  list.Pack();
  EXPECT_EQ(list.Count(), 2);
  list.SetCount(4);
  EXPECT_EQ(list[3], nullptr);
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);
}

TEST(List, IndexesOutOfRangeRaiseListErrors) {
  TList list;
  list.Add(&values[0]);
  EXPECT_THROW(list.Items(1), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, nullptr), EListError);
  EXPECT_EQ(velko_test::RaisedMessage<EListError>([&] { list.Items(7); }), "List index out of bounds (7)");
}

TEST(List, SortsWithTheComparison) {
  TList list;
  for (int& v : values) list.Add(&v);
  list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  std::vector<int> sorted;
  for (void* p : list) sorted.push_back(*static_cast<int*>(p));
  EXPECT_EQ(sorted, (std::vector<int>{1, 3, 3, 5, 7, 9}));
  // An inconsistent comparison never leaves the list or loses items.
  list.Sort([](void*, void*) { return -1; });
  EXPECT_EQ(list.Count(), 6);
  list.Sort([](void*, void*) { return 1; });
  EXPECT_EQ(list.Count(), 6);
}

class Counted : public TObject {
 public:
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }

 private:
  int* alive_;
};

TEST(ObjectList, DeletesWhatItOwnsAndNotWhatIsExtracted) {
  int alive = 0;
  auto* kept = new Counted(&alive);
  {
    TObjectList list;
    list.Add(new Counted(&alive));
    list.Add(kept);
    list.Add(new Counted(&alive));
    EXPECT_EQ(alive, 3);
    list.Delete(0);
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list.Extract(kept), kept);
    EXPECT_EQ(alive, 2);
    list.SetItems(0, new Counted(&alive));  // replaces and deletes the old one
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 1);
  delete kept;
  {
    TObjectList borrowed(false);
    Counted a(&alive);
    borrowed.Add(&a);
    borrowed.Clear();
    EXPECT_EQ(alive, 1);
  }
  EXPECT_EQ(alive, 0);
}

}  // namespace
