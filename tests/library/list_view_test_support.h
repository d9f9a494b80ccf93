// A list view of the test's own beside the test drive, for the tests of
// TAdvListView's list files and cells.
#pragma once

#include <memory>
#include <vector>

#include "library/advlistv.h"
#include "tests/library/library_test_support.h"

namespace velko_test {

// Each row of a list: its caption followed by its sub-items.
using ListRows = std::vector<std::vector<String>>;
inline ListRows RowsOf(TListView* list) {
  ListRows rows;
  for (int i = 0; i < list->Items()->Count(); ++i) {
    TListItem* item = list->Items()->Item(i);
    std::vector<String> row{item->Caption()};
    for (int j = 0; j < item->SubItems()->Count(); ++j) row.push_back(item->SubItems()->Strings(j));
    rows.push_back(row);
  }
  return rows;
}

// A list view whose protected handlers a test reaches as the window would.
class TestListView : public TAdvListView {
 public:
  using TAdvListView::TAdvListView;
  void ClickColumn(int column) { ColClick(Columns()->Items(column)); }
  void Key(Word key, TShiftState shift) { KeyDown(key, shift); }
};

class AdvListViewTest : public DriveTest {
 protected:
  void TearDown() override {
    list.reset();
    DriveTest::TearDown();
  }
  void AddColumns(int n) {
    for (int i = 0; i < n; ++i) list->Columns()->Add();
  }
  TListItem* Add(const String& caption, const std::vector<String>& sub = {}) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(caption);
    for (const String& s : sub) item->SubItems()->Add(s);
    return item;
  }
  ListRows Rows() const { return RowsOf(list.get()); }
  // The texts of a column, row by row.
  std::vector<String> Column(int c) const {
    std::vector<String> texts;
    for (int i = 0; i < list->Items()->Count(); ++i) texts.push_back(list->CellText(c, i));
    return texts;
  }

  std::unique_ptr<TestListView> list = std::make_unique<TestListView>(nullptr);
};

}  // namespace velko_test
