// A list view on the headless display inside a parent window that records
// the notifications it receives and lets a test answer them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ctl/listview.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace velko_test {

// One WM_NOTIFY as the parent saw it.
struct Notification {
  HWND from = nullptr;
  UINT code = 0;
  int item = -1;     // iItem of NMLISTVIEW / NMITEMACTIVATE / NMHEADER
  int sub_item = 0;  // iSubItem (list view) or 0
  UINT changed = 0;  // uChanged
  UINT new_state = 0;
  UINT old_state = 0;
  int width = -1;    // the new width of header notifications that carry one
  std::string text;  // the text of LVN_ENDLABELEDIT (empty when none)
  bool has_text = false;
};

class ListViewTest : public ::testing::Test {
 protected:
  static constexpr int kListX = 10;  // the list's place in its parent (= screen)
  static constexpr int kListY = 20;
  static constexpr int kListWidth = 300;
  static constexpr int kListHeight = 200;

  void SetUp() override;
  void TearDown() override;

  // A fresh list view (the old one is destroyed) with these styles and
  // two columns "Name" (100) and "Size" (80), in the test font.
  HWND MakeList(DWORD style, DWORD ex_style = 0);
  int AddRow(const std::string& text, const std::string& sub = "", LPARAM lparam = 0,
             int index = -1);
  std::string TextOf(int index, int sub_item = 0);
  std::vector<int> Selected();
  int Pump();

  // Mouse and keys through the same road as real input (list client
  // coordinates).
  void Click(int x, int y, UINT modifiers = 0);
  void Press(UINT vk, UINT modifiers = 0);
  // A client point of a window on the screen; the middle (or the right
  // edge, where its divider is) of a header item in header coordinates.
  static POINT OnScreen(HWND hwnd, POINT client);
  POINT HeaderPoint(int column, bool divider = false);
  // A press at `from` (a window's client point), moves through `path` with
  // the messages taken after each, and the release at the last point.
  void Drag(HWND hwnd, POINT from, std::initializer_list<POINT> path);
  RECT ItemRect(int index, LONG code = LVIR_BOUNDS);
  RECT SubItemRect(int index, int sub_item, LONG code = LVIR_BOUNDS);

  std::vector<Notification> NotificationsOf(UINT code) const;
  void ClearNotifications() { notifications_.clear(); }

  HWND parent_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  int font_height_ = 12;
  std::vector<Notification> notifications_;
  // Answers WM_NOTIFY; nullopt: 0.
  std::function<std::optional<LRESULT>(NMHDR*)> answer_;
  // Answers the parent's other messages (WM_DRAWITEM, ...); nullopt: default.
  std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> on_message_;

 private:
  static LRESULT ParentProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static ListViewTest* current_;
};

}  // namespace velko_test
