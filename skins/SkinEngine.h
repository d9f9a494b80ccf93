// The form skinning engine: a component on a form that, given a skin
// (folder, package file or skin store), takes over the form's non-client
// area: frame, caption buttons, hit tests, window region, a menu bar drawn
// from the form's main menu, skinned popup and system menus, roll-up and
// stay-on-top. Without a skin the form keeps its own frame.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Components.h"
#include "classlib/CustomControls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Timers.h"
#include "skins/QzHook.h"
#include "skins/SkinObjects.h"
#include "skins/SkinSource.h"

class TscSkinEngine;
class TscMenuWnd;

// The engine's window messages.
inline constexpr UINT SCM_ROLLUP = 0x469;
inline constexpr UINT SCM_STAYONTOP = 0x46A;
inline constexpr UINT SCM_SYSMENU = 0x46C;
inline constexpr UINT SCM_CHANGED = 0x46D;
inline constexpr UINT SCM_MENUKEY = 0x46F;
inline constexpr UINT SCM_REMOVEMENU = 0x470;
// wParam of a posted SCM_CHANGED that asks for the menu bar to be rebuilt
// first (so that no rebuild runs while a popup of the bar is in use).
inline constexpr WPARAM kRebuildMenuBar = 0x5242;

// Bits of the engine's WindowState.
inline constexpr uint32_t sbsMinimized = 1u << 0;
inline constexpr uint32_t sbsMaximized = 1u << 1;
inline constexpr uint32_t sbsRolledUp = 1u << 2;
inline constexpr uint32_t sbsStayOnTop = 1u << 3;
inline constexpr uint32_t sbsSizeable = 1u << 5;

using TOnCustomAction = std::function<void(TObject* Sender, int Action)>;

// A popup menu that shows itself skinned while its engine shows a skin.
class TscPopupMenu : public TPopupMenu {
 public:
  explicit TscPopupMenu(TComponent* AOwner);
  ~TscPopupMenu() override;

  void Popup(int X, int Y) override;
  // Closes the menu window and lets the pending messages run, with the
  // engine's menu bar left unpainted meanwhile.
  void ClosePopup();

  TscSkinEngine* SkinEngine() const { return skin_engine_; }
  void SetSkinEngine(TscSkinEngine* Value);

  TscMenuWnd* MenuWnd = nullptr;
  RECT ExcludeRect{0, 0, 0, 0};

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TscSkinEngine* skin_engine_ = nullptr;
};

// A hidden child of the form that turns Alt+letter into the engine's menu
// key message.
class TAccelWnd : public TCustomControl {
 public:
  TAccelWnd(TComponent* AOwner, TscSkinEngine* AEngine);
  void Dispatch(TMessage& Message) override;
  TscSkinEngine* Engine;
};

class TscSkinEngine : public TComponent {
 public:
  explicit TscSkinEngine(TComponent* AOwner);
  ~TscSkinEngine() override;

  void Loaded() override;

  // --- published ---
  bool MainMenuShow() const { return main_menu_show_; }
  void SetMainMenuShow(bool Value) { main_menu_show_ = Value; }
  TMainMenu* MainMenu() const { return main_menu_; }
  void SetMainMenu(TMainMenu* Value);
  TscBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TscBorderIcons Value);
  // The published setting; a skin that is not sizeable also fixes the size
  // (IsSizeable is both together).
  bool Sizeable() const { return sizeable_; }
  void SetSizeable(bool Value);
  bool IsSizeable() const;
  const String& SkinFile() const { return skin_file_; }
  void SetSkinFile(const String& Value);
  const String& SkinFolder() const { return skin_folder_; }
  void SetSkinFolder(const String& Value);
  TscSkinStore* SkinStore() const { return skin_store_; }
  void SetSkinStore(TscSkinStore* Value);
  TOnCustomAction OnCustomAction;

  // --- state ---
  TscSkinSource* SkinSource() const { return skin_source_; }
  // Shows Source (owned from now on), or no skin.
  void SetSkinSource(TscSkinSource* Source);
  // A source with a form object is shown.
  bool HasSkin() const;
  TCustomForm* Form() const { return form_; }
  HWND GetHandle() const;
  int GetLeft() const;
  int GetTop() const;

  void LoadSkinFolder(const String& Folder);
  void LoadSkinPackage(const String& FileName);
  void SkinChanged();
  void PaintFrame();
  void UpdateRegion();
  void RebuildMenuBar();
  void OpenMenuBarPopup(int X, int Y, int Index);
  // Sets the window state bits, acting on those that change.
  void SetWindowState(uint32_t Value);
  int RolledUpHeight();
  bool IsMaximized() const { return (WindowState & sbsMaximized) != 0; }
  bool IsRolledUp() const { return (WindowState & sbsRolledUp) != 0; }
  // The 10 ms timer's work (also called directly by tests and benchmarks).
  void TimerTick();
  // Lays the form object out at the current window size.
  void LayoutForm();

  static TscSkinEngine* FindSkinEngine(TComponent* AForm);

  bool Active = false;
  std::unique_ptr<TscHook> Hook;
  int32_t WindowWidth = 0, WindowHeight = 0;
  int32_t SavedStyle = 0;
  bool MenuLoop = false;
  std::vector<TscSkinObject*> MenuBarItems;  // owned by the template's parent
  std::vector<TscPopupMenu*> MenuBarPopups;  // owned by the engine; null for plain items
  TscPopupMenu* OpenPopup = nullptr;
  TscPopupMenu* SystemMenu = nullptr;
  uint32_t WindowState = sbsSizeable;
  int32_t SavedHeight = 0;
  int32_t CaptionLength = -1;
  std::unique_ptr<TBitmap> Buffer;
  TscSkinObject* HotObject = nullptr;
  std::unique_ptr<TTimer> Timer;
  TAccelWnd* AccelWnd = nullptr;
  bool PaintMenuBar = true;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void BeforeMessage(TMessage& M, bool& Handled);
  void AfterMessage(TMessage& M, bool& Handled);
  void CommonLoad(const std::function<TscSkinSource*()>& Make);
  void BuildSystemMenu();
  void ShowSystemMenu();
  void SystemMenuClick(TObject* Sender);
  void DecideShown();
  LRESULT HitTest(POINT ScreenPoint);
  void NcCalcSize(TMessage& M);
  void MouseDown(POINT ScreenPoint);
  void MenuKey(char Key);
  void ClearMenuBar();
  TscSkinObject* ObjectAtScreen(POINT ScreenPoint);
  int MenuBarIndexOf(TscSkinObject* Obj) const;
  void PopupChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  void ProcessPending();
  String AbsolutePath(const String& Value) const;

  TCustomForm* form_ = nullptr;
  TscSkinSource* skin_source_ = nullptr;
  bool main_menu_show_ = true;
  TMainMenu* main_menu_ = nullptr;
  TscBorderIcons border_icons_{sbSystemMenu, sbMinimize, sbMaximize, sbHelp, sbRollup, sbClose};
  bool sizeable_ = true;
  String skin_file_;
  String skin_folder_;
  TscSkinStore* skin_store_ = nullptr;
};
