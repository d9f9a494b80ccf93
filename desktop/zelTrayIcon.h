// TzelTrayIcon: an icon in the desktop's notification area. Its clicks
// become the component's mouse events, a menu pops up, the application
// can hide to the tray when minimised, and the icon can cycle through the
// images of an image list.
#pragma once

#include <memory>

#include "classlib/Controls.h"
#include "classlib/Icons.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "desktop/zelTimer.h"
#include "platform/shell/tray.h"

VELKO_DECLARE_EXCEPTION(EzelTrayIcon, Exception);

using TzelTrayMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

class TzelTrayIcon : public TzelCustomTimer {
 public:
  // The callback message of the icon.
  static constexpr UINT kCallbackMessage = 1235;

  explicit TzelTrayIcon(TComponent* AOwner);
  ~TzelTrayIcon() override;

  bool CycleIcons() const { return Enabled(); }
  void SetCycleIcons(bool Value) { SetEnabled(Value); }
  UINT CycleInterval() const { return Interval(); }
  void SetCycleInterval(UINT Value) { SetInterval(Value); }
  bool IconEnabled = true;  // the published Enabled: mouse messages are handled
  const String& Hint() const { return hint_; }
  // Cut to 63 characters (whole characters).
  void SetHint(const String& Value);
  TIcon* Icon() const { return icon_.get(); }
  void SetIcon(TIcon* Value);
  TCustomImageList* ImageList() const { return image_list_; }
  void SetImageList(TCustomImageList* Value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  UINT IconID() const { return icon_id_; }
  void SetIconID(UINT Value);
  bool MinimizeToTray = false;
  bool MinimizeOnStart = false;
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* Value);
  bool PopupByLeft = false;
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);

  TNotifyEvent OnMinimize, OnClick, OnDblClick, OnPopupMenu, OnShow, OnHide, OnCycleIcons;
  TzelTrayMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown, OnMouseUp;

  virtual void UpdateNotifyData();
  virtual void Update();
  virtual void Show();
  virtual void Hide();
  virtual void PopupAtCursor();
  virtual void ShowApplication();
  virtual void HideApplication();
  virtual void Minimize();
  // The tip the platform was last given.
  String Tip() const { return String(data_.szTip); }

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;
  void Timer() override;
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();

 private:
  void IconFromList();
  void TakeIcon();
  static LRESULT AppWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  NOTIFYICONDATA data_{};
  HICON icon_handle_ = nullptr;
  std::unique_ptr<TIcon> icon_;
  String hint_;
  TCustomImageList* image_list_ = nullptr;
  std::unique_ptr<TChangeLink> change_link_;
  int image_index_ = 0;
  UINT icon_id_ = 0;
  TPopupMenu* popup_menu_ = nullptr;
  bool show_hint_ = true;
  bool visible_ = false;
  bool left_pressed_ = false;
  HWND app_window_ = nullptr;
  WNDPROC previous_app_proc_ = nullptr;
};
