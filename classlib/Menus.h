// Menus: TMenuItem (one command or sub-menu), TMenu with its two kinds,
// TMainMenu (a form's menu bar) and TPopupMenu (a context menu), and the
// shortcut routines.
//
// A menu is a tree of items under Items(). An item's Caption marks its
// accelerator with "&" ("&Open"; "&&" is a plain ampersand); the caption
// "-" makes a separator. ShortCut is a key with shift flags (see
// ShortCut()); a form runs the item whose shortcut is pressed, and
// ShortCutToText gives the text a menu shows for it ("Ctrl+O", "F5").
// Checking a RadioItem unchecks the other radio items of its GroupIndex
// among its siblings.
//
// Every change of an item (caption, state, items added or removed) is
// reported to the menu, which raises OnChange(Sender, Source, Rebuild);
// components that draw a menu themselves listen there.
//
// Each item has a Command number, unique in the program, which
// DispatchCommand runs (the number the platform's menus report in
// WM_COMMAND).
//
// The platform's menus (HMENU) are made from the items on first use of
// Handle() and kept in step with every change: an item with sub-items has
// a popup menu of its own, the shortcut shows after a tab, radio items
// show a dot, Default items are bold. A form shows its TMainMenu as its
// menu bar; a TPopupMenu opens with the platform's popup menu loop. Before
// a sub-menu opens, its item's Click runs (so OnClick of "File" can fix
// the items under it). With OwnerDraw (or Images) the items are drawn by
// DrawItem / OnDrawItem.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Canvas.h"
#include "classlib/Components.h"
#include "classlib/Control.h"
#include "classlib/ImgList.h"
#include "platform/core/types.h"

class TMenu;
class TMenuItem;

using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// The shortcut of key Key with the shift keys of Shift (ssShift, ssCtrl,
// ssAlt).
TShortCut ShortCut(WORD Key, TShiftState Shift);
// "Shift+", "Ctrl+", "Alt+" (in that order) and the key's name: a letter or
// digit, "F1".."F24", "BkSp", "Tab", "Esc", "Enter", "Space", "PgUp", "PgDn",
// "End", "Home", "Left", "Up", "Right", "Down", "Ins", "Del"; "" for none.
String ShortCutToText(TShortCut ShortCut);
// The reverse of ShortCutToText (case ignored); 0 when the text is none.
TShortCut TextToShortCut(const String& Text);
// The caption without accelerator marks ("&Open" gives "Open", "&&" "&").
String StripHotkey(const String& Text);
// The accelerator character of a caption (0 when none).
char GetHotkey(const String& Text);

using TMenuChangeEvent = std::function<void(TObject* Sender, TMenuItem* Source, bool Rebuild)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

// How FindItem looks for an item.
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
// Where an item starts a new column of its menu.
enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  // A separator: the caption "-".
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  void SetChecked(bool Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool Value);
  BYTE GroupIndex() const { return group_index_; }
  void SetGroupIndex(BYTE Value);
  // Clicking the item toggles Checked.
  bool AutoCheck = false;
  TShortCut ShortCut() const { return short_cut_; }
  void SetShortCut(TShortCut Value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  // The item's own picture (made on first use).
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  bool HasBitmap() const { return bitmap_ != nullptr && !bitmap_->Empty(); }
  String Hint;
  int HelpContext = 0;
  TMenuBreak Break() const { return break_; }
  void SetBreak(TMenuBreak Value);

  // The number DispatchCommand finds the item by.
  WORD Command() const { return command_; }
  // The platform menu of the item's sub-items (made on first use).
  HMENU Handle();

  // --- the tree ---
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  void SetMenuIndex(int Value);
  // Appends (or inserts) an item; the item leaves any other parent.
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  // Takes the item out (it is not deleted).
  void Remove(TMenuItem* Item);
  // Takes item Index out and deletes it.
  void Delete(int Index);
  // Deletes every sub-item.
  void Clear();
  int IndexOf(TMenuItem* Item) const;
  // The sub-item whose caption without accelerator marks is ACaption
  // (ignoring case), or null.
  TMenuItem* Find(const String& ACaption) const;
  // The menu the item belongs to (null when none).
  TMenu* GetParentMenu() const;

  // Runs the item: toggles Checked for AutoCheck, then OnClick.
  virtual void Click();
  TNotifyEvent OnClick;
  // Owner-drawn items: drawing and size (the default draws the image,
  // check, caption and shortcut in the menu colours).
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;
  virtual void DrawItem(TCanvas* ACanvas, TRect ARect, bool Selected);
  virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);

 protected:
  // Something changed; Rebuild when the tree changed.
  virtual void MenuChanged(bool Rebuild);

 private:
  friend class TMenu;
  friend class TMenuAccess;
  void TurnSiblingsOff();
  void ChildChanged(TMenuItem* Source, bool Rebuild);
  // Fills the platform menu with the visible sub-items again.
  void RebuildHandle();
  void AppendTo(HMENU Menu);
  void DestroyHandle();
  bool IsOwnerDrawn() const;

  String caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  bool radio_item_ = false;
  BYTE group_index_ = 0;
  TShortCut short_cut_ = 0;
  int image_index_ = -1;
  std::unique_ptr<TBitmap> bitmap_;
  TMenuBreak break_ = mbNone;
  WORD command_ = 0;
  HMENU handle_ = nullptr;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on a menu's root item
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root item; its sub-items are the menu's items.
  TMenuItem* Items() const { return items_; }

  // The platform menu: a bar for a TMainMenu, a popup menu otherwise.
  HMENU Handle() { return items_->Handle(); }
  // The window whose bar shows the menu (set by the form).
  HWND WindowHandle() const { return window_handle_; }
  void SetWindowHandle(HWND Value);
  // Images of the items (ImageIndex); setting a list draws the items
  // ourselves.
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* Value);
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool Value);

  // Runs the item with that command number; false when there is none.
  bool DispatchCommand(WORD ACommand);
  // Runs the Click of the item whose sub-menu is about to open; false
  // when no item of this menu has that platform menu.
  bool DispatchPopup(HMENU AMenu);
  TMenuItem* FindItem(UINT Value, TFindItemKind Kind) const;
  // The enabled, visible item (at any depth) with that shortcut, run; false
  // when none has it.
  bool IsShortCut(TShortCut AShortCut);
  // The item with that command number or shortcut (null when none).
  TMenuItem* FindItemByCommand(WORD ACommand) const;
  TMenuItem* FindItemByShortCut(TShortCut AShortCut) const;

  TMenuChangeEvent OnChange;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  // Whether the menu is a popup menu (false: a menu bar).
  virtual bool IsPopup() const { return true; }

 private:
  friend class TMenuItem;
  void HandleRebuilt();
  TMenuItem* items_;
  HWND window_handle_ = nullptr;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TChangeLink> image_link_;
  bool owner_draw_ = false;
};

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
  bool AutoMerge = false;

 protected:
  bool IsPopup() const override { return false; }
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);

  ~TPopupMenu() override;

  // Raises OnPopup and shows the menu with its corner at (X, Y) on the
  // screen; the chosen item runs once the menu has closed (its command
  // comes as a message to the popup menus' window).
  virtual void Popup(int X, int Y);
  bool AutoPopup = true;
  TPopupAlignment Alignment = paLeft;
  // The control the menu was opened for (set before Popup by the control).
  TComponent* PopupComponent = nullptr;
  TPoint PopupPoint() const { return popup_point_; }
  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup(TObject* Item);

 private:
  TPoint popup_point_{-1, -1};
};

// The hidden window that owns popup menus while they are open: it gets
// their WM_COMMAND, WM_INITMENUPOPUP, WM_MENUSELECT and owner-draw
// messages and hands them to the popup menus.
HWND PopupListWindow();
// Handles the menu messages a window receives for the items of its menus
// (WM_INITMENUPOPUP, WM_MENUSELECT, WM_MEASUREITEM and WM_DRAWITEM of
// ODT_MENU); true when the message was one of them and was handled.
bool HandleMenuMessage(TMenu* Menu, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
