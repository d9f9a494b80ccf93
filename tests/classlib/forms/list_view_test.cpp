// The list view in report style: columns, items with caption, sub-items,
// data, images and check boxes; kept sorting, AlphaSort and CustomSort;
// selection by mouse and by code; custom and owner drawing; caption
// editing; what survives the window being made again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ComCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/StringRoutines.h"
#include "platform/ctl/listview.h"
#include "platform/display/display.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TListForm : public TForm {
 public:
  explicit TListForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("ListForm");
    SetClientSize(420, 300);
    Images = new TImageList(this);
    Images->SetName("Images");
    List = NewControl<TListView>(this, this, "List", 10, 10, 400, 280);
    List->SetViewStyle(vsReport);
    List->SetHideSelection(false);
    List->SetReadOnly(true);
    TListColumn* song = List->Columns()->Add();
    song->SetCaption("Song");
    song->SetWidth(200);
    TListColumn* location = List->Columns()->Add();
    location->SetCaption("Location");
    location->SetWidth(150);
    EndLoad();
  }
  TImageList* Images;
  TListView* List;
};

class ListViewTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    list = form->List;
  }
  void Show() {
    form->Show();
    Pump();
  }
  TListItem* AddSong(const String& name, const String& folder) {
    TListItem* item = list->Items()->Add();
    item->SetCaption(name);
    item->SubItems()->Add(folder);
    return item;
  }
  // The texts of the window's rows, column Column.
  std::vector<String> WindowColumn(int Column) {
    std::vector<String> texts;
    HWND h = list->Handle();
    for (int row = 0; row < ListView_GetItemCount(h); ++row) {
      char buffer[256] = {};
      ListView_GetItemText(h, row, Column, buffer, sizeof buffer);
      texts.emplace_back(buffer);
    }
    return texts;
  }
  std::vector<String> Captions() {
    std::vector<String> texts;
    for (int i = 0; i < list->Items()->Count(); ++i) texts.push_back(list->Items()->Item(i)->Caption());
    return texts;
  }
  TPoint RowPoint(TListItem* item) {
    const TRect r = item->DisplayRect(drLabel);
    return Point(r.left + 10, (r.top + r.bottom) / 2);
  }

  TListForm* form = nullptr;
  TListView* list = nullptr;
};

TEST_F(ListViewTest, ItemsMadeBeforeTheWindowReachItWithTheirSubItemsAndData) {
  int record = 7;
  TListItem* first = AddSong("one.mp3", "C:\\Music\\");
  first->SetData(&record);
  AddSong("two.mp3", "C:\\Other\\");
  EXPECT_FALSE(list->HandleAllocated());
  EXPECT_EQ(list->Items()->Count(), 2);
  EXPECT_EQ(first->Index(), 0);
  Show();
  ASSERT_TRUE(list->HandleAllocated());
  EXPECT_EQ(WindowColumn(0), (std::vector<String>{"one.mp3", "two.mp3"}));
  EXPECT_EQ(WindowColumn(1), (std::vector<String>{"C:\\Music\\", "C:\\Other\\"}));
  EXPECT_EQ(list->Items()->Item(0)->Data(), &record);
  // Later changes go to the window at once.
  first->SetCaption("first.mp3");
  first->SubItems()->Put(0, "D:\\");
  first->SubItems()->Add("extra");
  EXPECT_EQ(WindowColumn(0)[0], "first.mp3");
  EXPECT_EQ(WindowColumn(1)[0], "D:\\");
  EXPECT_EQ(WindowColumn(2)[0], "extra");
  first->SubItems()->Clear();
  EXPECT_EQ(WindowColumn(1)[0], "");
  EXPECT_THROW(list->Items()->Item(2), EListError);
}

TEST_F(ListViewTest, ATextSortKeepsTheRowsInOrderAsItemsComeAndChange) {
  list->SetSortType(stText);
  Show();
  AddSong("Moby.mp3", "a");
  AddSong("abba.mp3", "b");
  TListItem* zz = AddSong("zz top.mp3", "c");
  AddSong("Beatles.mp3", "d");
  EXPECT_EQ(Captions(), (std::vector<String>{"abba.mp3", "Beatles.mp3", "Moby.mp3", "zz top.mp3"}));
  EXPECT_EQ(WindowColumn(0), Captions());
  EXPECT_EQ(WindowColumn(1), (std::vector<String>{"b", "d", "a", "c"}));
  // A renamed item moves, keeping its selection and sub-items.
  zz->SetSelected(true);
  zz->SetCaption("Aerosmith.mp3");
  EXPECT_EQ(zz->Index(), 1);
  EXPECT_EQ(WindowColumn(0)[1], "Aerosmith.mp3");
  EXPECT_EQ(WindowColumn(1)[1], "c");
  EXPECT_TRUE(zz->Selected());
  EXPECT_EQ(list->Selected(), zz);
  for (int i = 0; i < list->Items()->Count(); ++i) EXPECT_EQ(list->Items()->Item(i)->Index(), i);
  // Inside BeginUpdate the order waits for EndUpdate.
  list->Items()->BeginUpdate();
  AddSong("yes.mp3", "e");
  AddSong("air.mp3", "f");
  EXPECT_EQ(list->Items()->Item(list->Items()->Count() - 1)->Caption(), "air.mp3");
  list->Items()->EndUpdate();
  EXPECT_EQ(Captions(), (std::vector<String>{"abba.mp3", "Aerosmith.mp3", "air.mp3", "Beatles.mp3", "Moby.mp3",
                                             "yes.mp3"}));
  EXPECT_EQ(WindowColumn(0), Captions());
}

int Descending(LPARAM a, LPARAM b, LPARAM data) {
  EXPECT_EQ(data, 42);
  return -AnsiCompareText(reinterpret_cast<TListItem*>(a)->Caption(), reinterpret_cast<TListItem*>(b)->Caption());
}

TEST_F(ListViewTest, AlphaSortUsesOnCompareAndCustomSortTheProgramsComparison) {
  Show();
  AddSong("b", "2");
  AddSong("c", "1");
  AddSong("a", "3");
  list->AlphaSort();
  EXPECT_EQ(Captions(), (std::vector<String>{"a", "b", "c"}));
  list->OnCompare = [](TObject*, TListItem* a, TListItem* b, int, int& compare) {
    compare = AnsiCompareText(a->SubItems()->Strings(0), b->SubItems()->Strings(0));
  };
  list->AlphaSort();
  EXPECT_EQ(Captions(), (std::vector<String>{"c", "b", "a"}));
  EXPECT_EQ(WindowColumn(0), Captions());
  list->OnCompare = nullptr;
  list->CustomSort(nullptr, 0);
  EXPECT_EQ(Captions(), (std::vector<String>{"a", "b", "c"}));
  list->CustomSort(Descending, 42);
  EXPECT_EQ(Captions(), (std::vector<String>{"c", "b", "a"}));
  EXPECT_EQ(WindowColumn(0), Captions());
  EXPECT_EQ(WindowColumn(1), (std::vector<String>{"1", "2", "3"}));
}

TEST_F(ListViewTest, AClickSelectsARowAndRaisesOnClickAndOnSelectItem) {
  Show();
  TListItem* one = AddSong("one", "x");
  TListItem* two = AddSong("two", "y");
  std::vector<std::pair<String, bool>> selections;
  int clicks = 0;
  list->OnSelectItem = [&](TObject*, TListItem* item, bool selected) { selections.emplace_back(item->Caption(), selected); };
  list->OnClick = [&](TObject*) { ++clicks; };
  const TPoint p = RowPoint(two);
  Click(list, p.x, p.y);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->Selected(), two);
  EXPECT_EQ(list->ItemFocused(), two);
  EXPECT_EQ(selections, (std::vector<std::pair<String, bool>>{{"two", true}}));
  EXPECT_EQ(list->GetItemAt(p.x, p.y), two);
  EXPECT_TRUE(list->GetHitTestInfoAt(p.x, p.y).Contains(htOnItem));
  // Selecting in code tells too; a single-selection list keeps one.
  selections.clear();
  one->SetSelected(true);
  EXPECT_TRUE(one->Selected());
  EXPECT_FALSE(two->Selected());
  EXPECT_EQ(list->SelCount(), 1);
  EXPECT_EQ(selections, (std::vector<std::pair<String, bool>>{{"two", false}, {"one", true}}));
  list->SetSelected(nullptr);
  EXPECT_EQ(list->Selected(), nullptr);
}

TEST_F(ListViewTest, ADoubleClickOnARowRaisesOnDblClickWithTheRowSelected) {
  Show();
  AddSong("one", "x");
  TListItem* two = AddSong("two", "y");
  std::vector<TListItem*> seen;
  list->OnDblClick = [&](TObject*) { seen.push_back(list->Selected()); };
  const TPoint p = RowPoint(two);
  Click(list, p.x, p.y);
  EXPECT_TRUE(seen.empty());
  Click(list, p.x, p.y);
  EXPECT_EQ(seen, std::vector<TListItem*>{two});
}

TEST_F(ListViewTest, CheckBoxesKeepTheirStatesAndOnChangeTellsOfThem) {
  list->SetCheckboxes(true);
  TListItem* one = AddSong("one", "x");
  one->SetChecked(true);
  TListItem* two = AddSong("two", "y");
  Show();
  EXPECT_TRUE(one->Checked());
  EXPECT_FALSE(two->Checked());
  EXPECT_TRUE(ListView_GetCheckState(list->Handle(), 0));
  std::vector<TItemChange> changes;
  list->OnChange = [&](TObject*, TListItem*, TItemChange change) { changes.push_back(change); };
  two->SetChecked(true);
  EXPECT_TRUE(two->Checked());
  EXPECT_EQ(changes, (std::vector<TItemChange>{ctState}));
  // A click on the box toggles it.
  const TRect icon = one->DisplayRect(drBounds);
  Click(list, icon.left + 8, (icon.top + icon.bottom) / 2);
  EXPECT_FALSE(one->Checked());
}

TEST_F(ListViewTest, DeletingAndClearingRaiseOnDeletionForEveryItem) {
  Show();
  std::vector<String> gone;
  list->OnDeletion = [&](TObject*, TListItem* item) { gone.push_back(item->Caption()); };
  AddSong("a", "1");
  TListItem* b = AddSong("b", "2");
  AddSong("c", "3");
  list->Items()->Delete(0);
  EXPECT_EQ(gone, (std::vector<String>{"a"}));
  EXPECT_EQ(b->Index(), 0);
  EXPECT_EQ(WindowColumn(0), (std::vector<String>{"b", "c"}));
  b->Delete();
  EXPECT_EQ(WindowColumn(0), (std::vector<String>{"c"}));
  AddSong("d", "4");
  list->Items()->Clear();
  EXPECT_EQ(gone, (std::vector<String>{"a", "b", "c", "d"}));
  EXPECT_EQ(list->Items()->Count(), 0);
  EXPECT_EQ(ListView_GetItemCount(list->Handle()), 0);
  // Deleting the object itself takes it out of the list.
  TListItem* e = AddSong("e", "5");
  AddSong("f", "6");
  delete e;
  EXPECT_EQ(WindowColumn(0), (std::vector<String>{"f"}));
  // The items left are told about when the list goes.
  gone.clear();
  delete form;
  EXPECT_EQ(gone, (std::vector<String>{"f"}));
}

TEST_F(ListViewTest, ItemsSelectionAndChecksSurviveTheWindowBeingMadeAgain) {
  list->SetMultiSelect(true);
  list->SetCheckboxes(true);
  Show();
  TListItem* a = AddSong("a", "1");
  TListItem* b = AddSong("b", "2");
  TListItem* c = AddSong("c", "3");
  a->SetSelected(true);
  c->SetSelected(true);
  b->SetChecked(true);
  b->SetFocused(true);
  HWND before = list->Handle();
  list->SetOwnerDraw(true);  // a new window
  EXPECT_NE(list->Handle(), before);
  EXPECT_EQ(WindowColumn(0), (std::vector<String>{"a", "b", "c"}));
  EXPECT_EQ(WindowColumn(1), (std::vector<String>{"1", "2", "3"}));
  EXPECT_TRUE(a->Selected());
  EXPECT_FALSE(b->Selected());
  EXPECT_TRUE(c->Selected());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_EQ(list->Columns()->Count(), 2);
  EXPECT_EQ(list->Column(0)->Width(), 200);
}

TEST_F(ListViewTest, CustomDrawingColoursRowsAndCells) {
  form->SetBounds(0, 0, 440, 340);
  Show();
  AddSong("plain", "x");
  AddSong("red row", "y");
  AddSong("green cell", "z");
  std::vector<int> sub_items;
  list->OnCustomDrawItem = [&](TCustomListView* sender, TListItem* item, TCustomDrawState, bool&) {
    if (item->Caption() == "red row") sender->Canvas()->Brush()->SetColor(clRed);
  };
  list->OnCustomDrawSubItem = [&](TCustomListView* sender, TListItem* item, int sub_item, TCustomDrawState,
                                  bool&) {
    if (item->Index() == 0) sub_items.push_back(sub_item);
    if (item->Caption() == "green cell" && sub_item == 1) sender->Canvas()->Brush()->SetColor(clLime);
  };
  list->Repaint();
  Pump();
  auto screen = platform::ComposeScreen();
  auto at = [&](TListItem* item, int x) {
    const TRect r = item->DisplayRect(drBounds);
    const TPoint p = list->ClientToScreen(Point(r.left + x, r.bottom - 2));
    return screen->Pixel(p.x, p.y);
  };
  // The red row's caption and folder cells are red; the green cell alone.
  EXPECT_EQ(at(list->Items()->Item(1), 150), RGB(255, 0, 0));
  EXPECT_EQ(at(list->Items()->Item(1), 330), RGB(255, 0, 0));
  EXPECT_EQ(at(list->Items()->Item(2), 330), RGB(0, 255, 0));
  EXPECT_NE(at(list->Items()->Item(2), 150), RGB(0, 255, 0));
  EXPECT_EQ(at(list->Items()->Item(0), 150), RGB(255, 255, 255));
  ASSERT_FALSE(sub_items.empty());
  EXPECT_EQ(sub_items.front(), 0);
  // DefaultDraw false leaves the row to the handler.
  list->OnCustomDrawSubItem = nullptr;
  list->OnCustomDrawItem = [&](TCustomListView* sender, TListItem* item, TCustomDrawState, bool& default_draw) {
    if (item->Index() != 0) return;
    const TRect r = item->DisplayRect(drBounds);
    sender->Canvas()->Brush()->SetColor(clBlue);
    sender->Canvas()->FillRect(r);
    default_draw = false;
  };
  list->Repaint();
  Pump();
  screen = platform::ComposeScreen();
  EXPECT_EQ(at(list->Items()->Item(0), 5), RGB(0, 0, 255));
  EXPECT_EQ(at(list->Items()->Item(0), 330), RGB(0, 0, 255));
}

TEST_F(ListViewTest, AnOwnerDrawnListDrawsEveryRowThroughDrawItem) {
  list->SetOwnerDraw(true);
  Show();
  AddSong("one", "x");
  AddSong("two", "y");
  std::vector<String> drawn;
  list->OnDrawItem = [&](TCustomListView* sender, TListItem* item, TRect rect, TOwnerDrawState) {
    drawn.push_back(item->Caption());
    sender->Canvas()->Brush()->SetColor(clYellow);
    sender->Canvas()->FillRect(rect);
  };
  list->Repaint();
  Pump();
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), "one"), drawn.end());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), "two"), drawn.end());
  auto screen = platform::ComposeScreen();
  const TRect r = list->Items()->Item(1)->DisplayRect(drBounds);
  const TPoint p = list->ClientToScreen(Point(r.left + 100, r.top + 3));
  EXPECT_EQ(screen->Pixel(p.x, p.y), RGB(255, 255, 0));
}

TEST_F(ListViewTest, AClickOnAColumnCaptionRaisesOnColumnClick) {
  Show();
  AddSong("a", "1");
  std::vector<int> clicked;
  list->OnColumnClick = [&](TObject*, TListColumn* column) { clicked.push_back(column->Index()); };
  Click(list, 250, 5);  // over "Location" in the header
  Click(list, 20, 5);
  EXPECT_EQ(clicked, (std::vector<int>{1, 0}));
}

TEST_F(ListViewTest, AnAutoSizedColumnTakesTheWidthTheOthersLeave) {
  list->Column(1)->SetAutoSize(true);
  Show();
  RECT client{};
  GetClientRect(list->Handle(), &client);
  EXPECT_EQ(list->Column(1)->Width(), client.right - 200);
  list->SetWidth(list->Width() - 50);
  EXPECT_EQ(list->Column(1)->Width(), client.right - 50 - 200);
}

TEST_F(ListViewTest, EditingACaptionAsksOnEditingAndTellsOnEdited) {
  list->SetReadOnly(false);
  list->SetSortType(stText);
  Show();
  AddSong("b", "1");
  TListItem* a = AddSong("a", "2");
  AddSong("c", "3");
  String edited;
  list->OnEdited = [&](TObject*, TListItem*, String& s) {
    edited = s;
    s += "!";
  };
  ASSERT_TRUE(a->EditCaption());
  EXPECT_TRUE(list->IsEditing());
  HWND edit = ListView_GetEditControl(list->Handle());
  SetWindowText(edit, "d");
  Press(VK_RETURN);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(edited, "d");
  EXPECT_EQ(a->Caption(), "d!");
  EXPECT_EQ(Captions(), (std::vector<String>{"b", "c", "d!"}));
  EXPECT_EQ(WindowColumn(0), Captions());
  // OnEditing may refuse.
  list->OnEditing = [](TObject*, TListItem*, bool& allow) { allow = false; };
  EXPECT_FALSE(a->EditCaption());
}

TEST_F(ListViewTest, SmallImagesShowInTheRows) {
  TBitmap picture;
  picture.SetSize(16, 16);
  picture.Canvas()->Brush()->SetColor(clFuchsia);
  picture.Canvas()->FillRect(Rect(0, 0, 16, 16));
  picture.Canvas()->Brush()->SetColor(clBlue);
  picture.Canvas()->FillRect(Rect(4, 4, 12, 12));
  form->Images->AddMasked(&picture, clFuchsia);
  list->SetSmallImages(form->Images);
  Show();
  TListItem* item = AddSong("with picture", "x");
  item->SetImageIndex(0);
  list->Repaint();
  Pump();
  auto screen = platform::ComposeScreen();
  const TRect icon = item->DisplayRect(drIcon);
  const TPoint p = list->ClientToScreen(Point(icon.left + 8, icon.top + 8));
  EXPECT_EQ(screen->Pixel(p.x, p.y), RGB(0, 0, 255));
  // The image list going takes it out of the list view.
  delete form->Images;
  form->Images = nullptr;
  EXPECT_EQ(list->SmallImages(), nullptr);
}

}  // namespace
}  // namespace velko_test
