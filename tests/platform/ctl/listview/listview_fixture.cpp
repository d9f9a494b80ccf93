#include "tests/platform/ctl/listview/listview_fixture.h"

#include "platform/core/clock.h"
#include "platform/ctl/imagelist.h"
#include "tests/support/message_pump.h"

namespace velko_test {

ListViewTest* ListViewTest::current_ = nullptr;

namespace {
constexpr char kParentClass[] = "VelkoListViewTestParent";
}

LRESULT ListViewTest::ParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NOTIFY && current_ != nullptr) {
    auto* hdr = reinterpret_cast<NMHDR*>(lparam);
    Notification n;
    n.from = hdr->hwndFrom;
    n.code = hdr->code;
    if (hdr->hwndFrom == current_->list_) {
      switch (hdr->code) {
        case LVN_ITEMCHANGING:
        case LVN_ITEMCHANGED:
        case LVN_INSERTITEM:
        case LVN_DELETEITEM:
        case LVN_DELETEALLITEMS:
        case LVN_COLUMNCLICK:
        case LVN_BEGINDRAG: {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(lparam);
          n.item = nm->iItem;
          n.sub_item = nm->iSubItem;
          n.changed = nm->uChanged;
          n.new_state = nm->uNewState;
          n.old_state = nm->uOldState;
          break;
        }
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
        case LVN_ITEMACTIVATE: {
          auto* nm = reinterpret_cast<NMITEMACTIVATE*>(lparam);
          n.item = nm->iItem;
          n.sub_item = nm->iSubItem;
          break;
        }
        case LVN_BEGINLABELEDIT:
        case LVN_ENDLABELEDIT: {
          auto* nm = reinterpret_cast<NMLVDISPINFO*>(lparam);
          n.item = nm->item.iItem;
          n.has_text = nm->item.pszText != nullptr;
          if (n.has_text) n.text = nm->item.pszText;
          break;
        }
        case LVN_KEYDOWN:
          n.item = reinterpret_cast<NMLVKEYDOWN*>(lparam)->wVKey;
          break;
        default:
          break;
      }
    } else if (hdr->code <= HDN_FIRST && hdr->code >= HDN_LAST) {
      auto* nm = reinterpret_cast<NMHEADER*>(lparam);
      n.item = nm->iItem;
      if (nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH)) n.width = nm->pitem->cxy;
    }
    if (hdr->code != NM_CUSTOMDRAW) current_->notifications_.push_back(n);
    if (current_->answer_) {
      if (std::optional<LRESULT> answer = current_->answer_(hdr)) return *answer;
    }
    return 0;
  }
  if (current_ != nullptr && current_->on_message_) {
    if (std::optional<LRESULT> answer = current_->on_message_(message, wparam, lparam))
      return *answer;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void ListViewTest::SetUp() {
  current_ = this;
  platform::ResetInput();
  platform::UseManualClock(10'000'000);
  WNDCLASS wc;
  if (!GetClassInfo(nullptr, kParentClass, &wc)) {
    wc = WNDCLASS{};
    wc.lpfnWndProc = ParentProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kParentClass;
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  parent_ = CreateWindowEx(0, kParentClass, "List view test", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                           nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent_, nullptr);
  font_ = CreateFont(-font_height_, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                     kTestFontName);
  Pump();
}

void ListViewTest::TearDown() {
  if (parent_ != nullptr) DestroyWindow(parent_);
  Pump();
  if (font_ != nullptr) DeleteObject(font_);
  platform::UseRealClock();
  platform::ResetInput();
  current_ = nullptr;
  EXPECT_EQ(platform::LiveWindowCount(), 0u);
}

HWND ListViewTest::MakeList(DWORD style, DWORD ex_style) {
  if (list_ != nullptr) DestroyWindow(list_);
  list_ = CreateWindowEx(0, WC_LISTVIEW, nullptr, WS_CHILD | WS_VISIBLE | style, kListX, kListY,
                         kListWidth, kListHeight, parent_, reinterpret_cast<HMENU>(7), nullptr,
                         nullptr);
  EXPECT_NE(list_, nullptr);
  SendMessage(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  if (ex_style != 0) ListView_SetExtendedListViewStyle(list_, ex_style);
  LVCOLUMN column;
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<LPSTR>("Name");
  column.cx = 100;
  ListView_InsertColumn(list_, 0, &column);
  column.pszText = const_cast<LPSTR>("Size");
  column.cx = 80;
  column.mask |= LVCF_FMT;
  column.fmt = LVCFMT_RIGHT;
  ListView_InsertColumn(list_, 1, &column);
  Pump();
  ClearNotifications();
  return list_;
}

int ListViewTest::AddRow(const std::string& text, const std::string& sub, LPARAM lparam,
                         int index) {
  LVITEM item;
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index < 0 ? ListView_GetItemCount(list_) : index;
  item.pszText = const_cast<LPSTR>(text.c_str());
  item.lParam = lparam;
  int at = ListView_InsertItem(list_, &item);
  if (!sub.empty()) ListView_SetItemText(list_, at, 1, sub.c_str());
  return at;
}

std::string ListViewTest::TextOf(int index, int sub_item) {
  char buffer[256] = {};
  ListView_GetItemText(list_, index, sub_item, buffer, sizeof(buffer));
  return buffer;
}

std::vector<int> ListViewTest::Selected() {
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
    rows.push_back(i);
  }
  return rows;
}

int ListViewTest::Pump() { return velko_test::PumpWaitingMessages(); }

void ListViewTest::Click(int x, int y, UINT modifiers) {
  // Far enough apart in time that no two clicks make a double click.
  platform::AdvanceClockMs(1000);
  POINT pt{x, y};
  ClientToScreen(list_, &pt);
  if (modifiers & MK_SHIFT) platform::InjectKey(VK_SHIFT, true);
  if (modifiers & MK_CONTROL) platform::InjectKey(VK_CONTROL, true);
  platform::InjectClick(pt.x, pt.y);
  if (modifiers & MK_CONTROL) platform::InjectKey(VK_CONTROL, false);
  if (modifiers & MK_SHIFT) platform::InjectKey(VK_SHIFT, false);
  Pump();
}

void ListViewTest::Press(UINT vk, UINT modifiers) {
  if (modifiers & MK_SHIFT) platform::InjectKey(VK_SHIFT, true);
  if (modifiers & MK_CONTROL) platform::InjectKey(VK_CONTROL, true);
  platform::InjectKeyPress(vk);
  if (modifiers & MK_CONTROL) platform::InjectKey(VK_CONTROL, false);
  if (modifiers & MK_SHIFT) platform::InjectKey(VK_SHIFT, false);
  Pump();
}

POINT ListViewTest::OnScreen(HWND hwnd, POINT client) {
  ClientToScreen(hwnd, &client);
  return client;
}

POINT ListViewTest::HeaderPoint(int column, bool divider) {
  RECT r{};
  EXPECT_TRUE(Header_GetItemRect(ListView_GetHeader(list_), column, &r));
  return POINT{divider ? r.right - 1 : (r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ListViewTest::Drag(HWND hwnd, POINT from, std::initializer_list<POINT> path) {
  platform::AdvanceClockMs(1000);
  POINT at = OnScreen(hwnd, from);
  platform::InjectMouse(platform::MouseAction::kLeftDown, at.x, at.y);
  Pump();
  for (POINT p : path) {
    at = OnScreen(hwnd, p);
    platform::InjectMouse(platform::MouseAction::kMove, at.x, at.y);
    Pump();
  }
  platform::InjectMouse(platform::MouseAction::kLeftUp, at.x, at.y);
  Pump();
}

RECT ListViewTest::ItemRect(int index, LONG code) {
  RECT r{};
  EXPECT_TRUE(ListView_GetItemRect(list_, index, &r, code));
  return r;
}

RECT ListViewTest::SubItemRect(int index, int sub_item, LONG code) {
  RECT r{};
  EXPECT_TRUE(ListView_GetSubItemRect(list_, index, sub_item, code, &r));
  return r;
}

std::vector<Notification> ListViewTest::NotificationsOf(UINT code) const {
  std::vector<Notification> found;
  for (const Notification& n : notifications_) {
    if (n.code == code) found.push_back(n);
  }
  return found;
}

}  // namespace velko_test
