// Skinned menus: a popup menu shown as a borderless stay-on-top window that
// draws the skin's popup-menu object with one item object per menu item,
// tracks the mouse with a 20 ms timer, opens sub-menus as further windows
// and chooses items by click or key.
#pragma once

#include <memory>

#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/Timers.h"
#include "skins/SkinObjects.h"

class TscSkinEngine;
class TscSkinSource;
class TscPopupMenu;

class TscMenuItemObject : public TscSkinObject {
 public:
  void Draw(TCanvas* Canvas) override;

  bool Checked = false;
  bool RadioChecked = false;
  bool HasSubMenu = false;
  int32_t ImageIndex = -1;
  TBitmap* Bitmap = nullptr;             // the menu item's, not owned
  TCustomImageList* Images = nullptr;    // the popup menu's, not owned

 protected:
  bool IsMenuItem() const override { return true; }
};

class TscMenuWnd : public TForm {
 public:
  explicit TscMenuWnd(TComponent* AOwner);
  ~TscMenuWnd() override;

  void Popup(int X, int Y);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Dispatch(TMessage& Message) override;
  // The timer's work (also called by tests).
  void TimerTick();
  // What the window shows is going (its popup menu, or the engine's skin):
  // the window, with its sub-menu window, lets go of the menu items, the
  // popup, the engine and the skin, stops, hides and frees itself later.
  void Detach();
  // Detach on every open menu window of the engine.
  static void DetachAll(TscSkinEngine* AEngine);

  TMenuItem* Items = nullptr;
  TscPopupMenu* PopupMenu = nullptr;
  TscMenuWnd* SubMenuWnd = nullptr;
  TscMenuWnd* ParentMenuWnd = nullptr;
  std::unique_ptr<TTimer> Timer;
  TscSkinSource* Source = nullptr;
  TscSkinEngine* Engine = nullptr;
  std::unique_ptr<TscSkinPopupMenu> Root;
  TscSkinObject* HotItem = nullptr;
  bool InTimer = false;
  bool InActivate = false;
  RECT ExcludeRect{0, 0, 0, 0};

 protected:
  void Paint() override;

 private:
  TscMenuItemObject* ItemAt(POINT ClientPoint);
  void CloseChain();
  void ChooseItem(TMenuItem* Item);
  void OpenSubMenu(TscMenuItemObject* Obj);
};
