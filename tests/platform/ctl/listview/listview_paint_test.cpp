// What the list view shows: custom draw colouring one cell, selection
// colours, check boxes and grid lines, read back from the headless display.
#include <algorithm>

#include "platform/ctl/imagelist.h"
#include "platform/display/display.h"
#include "tests/platform/ctl/listview/listview_fixture.h"
#include "tests/platform/gdi/canvas.h"

namespace velko_test {
namespace {

class ListViewPaintTest : public ListViewTest {
 protected:
  COLORREF PixelAt(int x, int y) {
    Pump();
    std::shared_ptr<platform::Surface> image = platform::CaptureWindow(list_);
    EXPECT_NE(image, nullptr);
    return image != nullptr ? image->Pixel(x, y) : CLR_INVALID;
  }
};

TEST_F(ListViewPaintTest, CustomDrawColoursOneCell) {
  constexpr COLORREF kRed = RGB(255, 0, 0);
  constexpr COLORREF kBlue = RGB(0, 0, 255);
  int sub_item_stages = 0;
  answer_ = [&](NMHDR* hdr) -> std::optional<LRESULT> {
    if (hdr->code != NM_CUSTOMDRAW || hdr->hwndFrom != list_) return std::nullopt;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
    switch (cd->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
      case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        ++sub_item_stages;
        if (cd->nmcd.dwItemSpec == 1 && cd->iSubItem == 1) {
          cd->clrTextBk = kRed;
          cd->clrText = kBlue;
        }
        return CDRF_DODEFAULT;
      default:
        return CDRF_DODEFAULT;
    }
  };
  MakeList(LVS_REPORT);
  AddRow("first", "10");
  AddRow("second", "20");
  AddRow("third", "30");
  UpdateWindow(list_);
  EXPECT_GE(sub_item_stages, 6);  // two cells in each of three rows

  RECT cell = SubItemRect(1, 1);
  int mid = (cell.top + cell.bottom) / 2;
  EXPECT_EQ(PixelAt(cell.left + 3, mid), kRed);
  // The right-aligned "20" ends 6 pixels from the right edge, in boxes of
  // the test font.
  EXPECT_EQ(PixelAt(cell.right - 8, mid), kBlue);
  // The same column of the row above keeps the list's colours.
  RECT above = SubItemRect(0, 1);
  int above_mid = (above.top + above.bottom) / 2;
  EXPECT_EQ(PixelAt(above.left + 3, above_mid), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(PixelAt(above.right - 8, above_mid), GetSysColor(COLOR_WINDOWTEXT));
  // And the caption of the coloured row too.
  RECT caption = ItemRect(1, LVIR_LABEL);
  EXPECT_EQ(PixelAt(caption.right - 3, mid), GetSysColor(COLOR_WINDOW));
}

TEST_F(ListViewPaintTest, SkipDefaultLeavesTheRowToTheParent) {
  answer_ = [&](NMHDR* hdr) -> std::optional<LRESULT> {
    if (hdr->code != NM_CUSTOMDRAW || hdr->hwndFrom != list_) return std::nullopt;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd->nmcd.dwItemSpec == 0) {
      HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
      FillRect(cd->nmcd.hdc, &cd->nmcd.rc, green);
      DeleteObject(green);
      return CDRF_SKIPDEFAULT;
    }
    return CDRF_DODEFAULT;
  };
  MakeList(LVS_REPORT);
  AddRow("drawn by the parent", "1");
  AddRow("drawn by the list", "2");
  RECT row = ItemRect(0);
  EXPECT_EQ(PixelAt(row.left + 1, row.top + 1), RGB(0, 255, 0));
  EXPECT_EQ(PixelAt(row.right - 2, row.top + 1), RGB(0, 255, 0));
  RECT next = ItemRect(1);
  EXPECT_EQ(PixelAt(next.right - 2, next.top + 1), GetSysColor(COLOR_WINDOW));
}

TEST_F(ListViewPaintTest, SelectedRowsShowTheHighlight) {
  MakeList(LVS_REPORT | LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT);
  AddRow("one", "1");
  AddRow("two", "2");
  SetFocus(list_);
  ListView_SetItemState(list_, 1, LVIS_SELECTED, LVIS_SELECTED);
  RECT row = ItemRect(1);
  int mid = (row.top + row.bottom) / 2;
  EXPECT_EQ(PixelAt(row.right - 2, mid), GetSysColor(COLOR_HIGHLIGHT));
  RECT other = ItemRect(0);
  EXPECT_EQ(PixelAt(other.right - 2, (other.top + other.bottom) / 2), GetSysColor(COLOR_WINDOW));
  // Without the focus, LVS_SHOWSELALWAYS keeps a quieter mark.
  SetFocus(parent_);
  EXPECT_EQ(PixelAt(row.right - 2, mid), GetSysColor(COLOR_BTNFACE));
  // A new background colour fills what the rows leave free.
  ListView_SetBkColor(list_, RGB(1, 2, 3));
  EXPECT_EQ(PixelAt(kListWidth - 5, kListHeight - 5), RGB(1, 2, 3));
}

// A list of 16 x 16 images of one colour each.
HIMAGELIST SolidImages(std::initializer_list<COLORREF> colors) {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
  for (COLORREF color : colors) {
    HBITMAP bitmap = SolidBitmap(16, 16, color);
    ImageList_Add(list, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  return list;
}

TEST_F(ListViewPaintTest, SmallImagesStandBeforeTheCaptionAndInSubItems) {
  MakeList(LVS_REPORT | LVS_SHAREIMAGELISTS, LVS_EX_SUBITEMIMAGES);
  HIMAGELIST images = SolidImages({RGB(255, 0, 0), RGB(0, 128, 0)});
  ListView_SetImageList(list_, images, LVSIL_SMALL);
  AddRow("with image", "sub");
  AddRow("without image", "sub");
  LVITEM item;
  item.mask = LVIF_IMAGE;
  item.iItem = 0;
  item.iImage = 0;
  ListView_SetItem(list_, &item);
  item.iSubItem = 1;
  item.iImage = 1;
  ListView_SetItem(list_, &item);
  RECT icon = ItemRect(0, LVIR_ICON);
  EXPECT_EQ(icon.right - icon.left, 16);
  EXPECT_GE(ItemRect(0).bottom - ItemRect(0).top, 17);  // rows make room for the images
  EXPECT_EQ(ItemRect(0, LVIR_LABEL).left, icon.right);
  EXPECT_EQ(PixelAt(icon.left + 8, icon.top + 8), RGB(255, 0, 0));
  RECT sub_icon = SubItemRect(0, 1, LVIR_ICON);
  EXPECT_EQ(PixelAt(sub_icon.left + 8, sub_icon.top + 8), RGB(0, 128, 0));
  RECT no_icon = ItemRect(1, LVIR_ICON);
  EXPECT_EQ(PixelAt(no_icon.left + 8, no_icon.top + 8), GetSysColor(COLOR_WINDOW));
  DestroyWindow(list_);
  list_ = nullptr;
  // LVS_SHAREIMAGELISTS: the list is the caller's to destroy.
  EXPECT_TRUE(ImageList_Destroy(images));

  // Without it the list view destroys its image lists with itself.
  std::size_t before = platform::LiveImageListCount();
  MakeList(LVS_REPORT);
  ListView_SetImageList(list_, SolidImages({RGB(1, 1, 1)}), LVSIL_SMALL);
  EXPECT_EQ(platform::LiveImageListCount(), before + 1);
  DestroyWindow(list_);
  list_ = nullptr;
  EXPECT_EQ(platform::LiveImageListCount(), before);
}

TEST_F(ListViewPaintTest, OwnerDrawnRowsAreMeasuredAndDrawnByTheParent) {
  std::vector<UINT> drawn;
  UINT selected_state = 0;
  int row_height = 20;
  on_message_ = [&](UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_MEASUREITEM) {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      if (measure->CtlType != ODT_LISTVIEW) return std::nullopt;
      measure->itemHeight = static_cast<UINT>(row_height);
      return TRUE;
    }
    if (message == WM_DRAWITEM) {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (draw->CtlType != ODT_LISTVIEW) return std::nullopt;
      drawn.push_back(draw->itemID);
      if (draw->itemID == 1) selected_state = draw->itemState;
      HBRUSH brush = CreateSolidBrush(draw->itemData == 7 ? RGB(0, 0, 255) : RGB(255, 255, 0));
      FillRect(draw->hDC, &draw->rcItem, brush);
      DeleteObject(brush);
      return TRUE;
    }
    return std::nullopt;
  };
  MakeList(LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS);
  AddRow("plain", "1", 3);
  AddRow("blue", "2", 7);
  ListView_SetItemState(list_, 1, LVIS_SELECTED, LVIS_SELECTED);
  RECT second = ItemRect(1);
  EXPECT_EQ(second.bottom - second.top, 20);
  EXPECT_EQ(PixelAt(second.left + 3, second.top + 3), RGB(0, 0, 255));
  RECT first = ItemRect(0);
  EXPECT_EQ(PixelAt(first.right - 3, first.bottom - 2), RGB(255, 255, 0));
  EXPECT_TRUE(selected_state & ODS_SELECTED);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0u), drawn.end());

  // Changing the window's size measures the rows again (how a new row
  // height is taken).
  row_height = 25;
  SetWindowPos(list_, nullptr, 0, 0, kListWidth, kListHeight + 1, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(list_, nullptr, 0, 0, kListWidth, kListHeight, SWP_NOMOVE | SWP_NOZORDER);
  second = ItemRect(1);
  EXPECT_EQ(second.bottom - second.top, 25);
}

TEST_F(ListViewPaintTest, GridLinesAndCheckBoxesAreDrawn) {
  MakeList(LVS_REPORT | LVS_SHOWSELALWAYS,
           LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  SendMessage(list_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  HDITEM sort;
  sort.mask = HDI_FORMAT;
  sort.fmt = HDF_STRING | HDF_SORTUP;
  Header_SetItem(ListView_GetHeader(list_), 0, &sort);
  for (int i = 0; i < 3; ++i) AddRow("Track " + std::to_string(i + 1) + ".cda", "");
  ListView_SetCheckState(list_, 1, TRUE);
  // Grid lines separate the rows.
  RECT first = ItemRect(0);
  EXPECT_EQ(PixelAt(first.right - 20, first.bottom - 1), GetSysColor(COLOR_BTNFACE));
  // The check box of row 1 is drawn: its frame is darker than the window.
  RECT box = ItemRect(1);
  COLORREF frame = PixelAt(box.left + 2, (box.top + box.bottom) / 2);
  EXPECT_NE(frame, GetSysColor(COLOR_WINDOW));
}

}  // namespace
}  // namespace velko_test
