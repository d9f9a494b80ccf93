// The string grid as the plug-in dialog uses it: three columns, a fixed
// header row, whole-row selection and column sizing.
#include <gtest/gtest.h>

#include "classlib/Grids.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TGridForm : public TForm {
 public:
  explicit TGridForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("GridForm");
    SetClientSize(460, 260);
    Grid = NewControl<TStringGrid>(this, this, "PluginGrid", 10, 10, 440, 240);
    Grid->SetColCount(3);
    Grid->SetRowCount(9);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(1);
    Grid->SetColWidths(0, 84);
    Grid->SetColWidths(1, 173);
    Grid->SetColWidths(2, 151);
    Grid->SetDefaultRowHeight(20);
    Grid->SetOptions(Grid->Options() + TGridOptions{goRowSelect, goColSizing});
    Grid->Font()->SetName(kTestFontName);
    Grid->Font()->SetHeight(12);
    EndLoad();
  }
  TStringGrid* Grid;
};

class StringGridTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    grid = form->Grid;
    grid->Rows(0)->SetCommaText("Name,Decsription,\"Playable File Types\"");
    form->Show();
    Pump();
  }
  TGridForm* form = nullptr;
  TStringGrid* grid = nullptr;
};

TEST_F(StringGridTest, CellsRowsAndColumnsAreOneStore) {
  EXPECT_EQ(grid->Cells(2, 0), "Playable File Types");
  grid->SetCells(0, 1, "in_midi.dll");
  grid->SetCells(1, 1, "MIDI");
  EXPECT_EQ(grid->Rows(1)->Strings(0), "in_midi.dll");
  EXPECT_EQ(grid->Cols(1)->Strings(1), "MIDI");
  EXPECT_EQ(grid->Rows(1)->Count(), 3);
  grid->Rows(1)->Clear();
  EXPECT_EQ(grid->Cells(0, 1), "");
  EXPECT_EQ(grid->Cells(1, 1), "");
  EXPECT_EQ(grid->Rows(1)->Add("first"), 0);
  EXPECT_EQ(grid->Rows(1)->Add("second"), 1);
  EXPECT_THROW(grid->Rows(1)->Insert(0, "x"), EInvalidGridOperation);
  EXPECT_THROW(grid->Cells(3, 0), EInvalidGridOperation);
  // Fewer rows drop the cells beyond them.
  grid->SetRowCount(2);
  EXPECT_THROW(grid->Cells(0, 2), EInvalidGridOperation);
  grid->SetRowCount(9);
  EXPECT_EQ(grid->Cells(0, 5), "");
}

TEST_F(StringGridTest, AClickSelectsTheWholeRowAndTheKeysMoveIt) {
  int selects = 0;
  grid->OnSelectCell = [&](TObject*, int, int row, bool& can) {
    ++selects;
    can = row != 7;
  };
  const TRect row3 = grid->CellRect(1, 3);
  Click(grid, row3.left + 10, row3.top + 5);
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(selects, 1);
  const TGridRect selection = grid->Selection();
  EXPECT_EQ(selection, (TGridRect{0, 3, 2, 3}));
  EXPECT_TRUE(grid->Focused());
  Press(VK_DOWN);
  EXPECT_EQ(grid->Row(), 4);
  // A cell OnSelectCell refuses stays unselected.
  grid->SetRow(6);
  Press(VK_DOWN);
  EXPECT_EQ(grid->Row(), 6);
  Press(VK_UP);
  Press(VK_UP);
  EXPECT_EQ(grid->Row(), 4);
  // The header row cannot be chosen.
  const TRect header = grid->CellRect(0, 0);
  Click(grid, header.left + 10, header.top + 5);
  EXPECT_EQ(grid->Row(), 4);

  // The selected row shows in the highlight colour, with its text.
  grid->SetCells(0, 4, "in_cd");
  grid->Repaint();
  auto screen = platform::ComposeScreen();
  const TRect cell = grid->CellRect(0, 4);
  const TPoint blank = grid->ClientToScreen(Point(cell.left + 60, cell.top + 10));
  const TPoint letter = grid->ClientToScreen(Point(cell.left + 3, cell.top + 5));
  EXPECT_EQ(screen->Pixel(blank.x, blank.y), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(screen->Pixel(letter.x, letter.y), GetSysColor(COLOR_HIGHLIGHTTEXT));
}

TEST_F(StringGridTest, DraggingAColumnBorderInTheHeaderSizesTheColumn) {
  const int border = grid->ColWidths(0);
  const TPoint from = grid->ClientToScreen(Point(border, 8));
  const TPoint to = grid->ClientToScreen(Point(border + 30, 8));
  platform::InjectMouse(platform::MouseAction::kLeftDown, from.x, from.y);
  platform::InjectMouse(platform::MouseAction::kMove, to.x, to.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, to.x, to.y);
  Pump();
  EXPECT_EQ(grid->ColWidths(0), 84 + 30);
  EXPECT_EQ(grid->ColWidths(1), 173);
  // Without goColSizing the same drag changes nothing.
  grid->SetOptions(grid->Options() - TGridOptions{goColSizing});
  platform::InjectMouse(platform::MouseAction::kLeftDown, to.x, to.y);
  platform::InjectMouse(platform::MouseAction::kMove, to.x + 20, to.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, to.x + 20, to.y);
  Pump();
  EXPECT_EQ(grid->ColWidths(0), 114);
}

TEST_F(StringGridTest, RowsBeyondTheWindowScrollIntoView) {
  grid->SetHeight(20 * 4 + 4 + 4);  // the header and three rows (and the edge)
  Pump();
  EXPECT_EQ(grid->VisibleRowCount(), 3);
  grid->SetRow(1);
  for (int i = 0; i < 5; ++i) Press(VK_DOWN);
  EXPECT_EQ(grid->Row(), 6);
  EXPECT_EQ(grid->TopRow(), 4);
  EXPECT_TRUE(grid->CellRect(0, 3).right == 0);  // scrolled away
  Press(VK_PRIOR);
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(grid->TopRow(), 3);
}

}  // namespace
}  // namespace velko_test
