// TCustomForm and TForm: a top-level window with a frame, a caption and
// the controls placed on it.
//
// Building a form in code. A form class derives from TForm; its
// constructor makes the components (owner: the form, parent: the form or
// a panel on it) with the names, captions, hints, sizes and defaults the
// window definition gives, between BeginLoad() and EndLoad():
//
//   TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
//     BeginLoad();
//     SetName("AboutBox");
//     SetCaption("About");
//     SetClientSize(300, 120);
//     OkButton = new TButton(this);
//     OkButton->SetName("OkButton");
//     OkButton->SetParent(this);
//     ...
//     OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
//     EndLoad();
//   }
//
// EndLoad() calls Loaded() on the form and then on each component made
// since BeginLoad(), and then raises OnCreate. An exception leaving
// OnCreate is shown by the application's handler and the construction
// goes on. OnDestroy runs when the form is deleted, before any of its
// destructors, with every component still there.
//
// Showing. Show() (or SetVisible(true)) raises OnShow, places the window
// by Position and shows and activates it. ShowModal() also disables the
// application's other windows and runs the message loop until ModalResult
// is set (a button with a ModalResult sets it; Close() sets mrCancel),
// then hides the form, enables the other windows again and reactivates
// the window that was active before, so that its form's OnActivate runs
// again. OnActivate and OnDeactivate run whenever the form becomes, or
// stops being, the application's active form.
//
// Closing. Close() asks OnCloseQuery, then OnClose decides what happens
// (caHide by default, caFree deletes the form later, caMinimize, caNone);
// closing the application's main form ends the application.
#pragma once

#include <functional>
#include <memory>

#include "classlib/CustomControls.h"

class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateItem>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Ends building the form (TComponent::EndLoad: Loaded on the form and
  // its components), then raises OnCreate.
  void EndLoad();

  // --- the frame ---
  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons Value);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  TWindowState WindowState();
  void SetWindowState(TWindowState Value);
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* Value);
  void SetClientSize(int AWidth, int AHeight) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // Key messages reach the form's key events before the focused control's.
  bool KeyPreview = false;
  int HelpContext = 0;
  // AutoScroll is stored; the form scrolls nothing (the program's forms
  // hold their controls inside their client area).
  bool AutoScroll = false;

  // --- focus ---
  TWinControl* ActiveControl() const { return active_control_; }
  // Raises EInvalidOperation when the control cannot take the focus.
  void SetActiveControl(TWinControl* Control);
  // Makes the control the active control and gives it the focus.
  void FocusControl(TWinControl* Control);
  // A control of the form got the focus (from its WM_SETFOCUS): runs
  // OnExit of the old and OnEnter of the new one. False when refused.
  bool SetFocusedControl(TWinControl* Control);
  // A control is going away or can no longer have the focus.
  void DefocusControl(TWinControl* Control, bool Removing);
  // The form is the active (foreground) window.
  bool Active() const { return active_; }
  void SetFocus() override;
  bool CanFocus() override;

  // --- showing and closing ---
  void SetVisible(bool Value) override;
  void Show();
  void Hide();
  // Raises EInvalidOperation "Cannot make a visible window modal" when the
  // form is visible, disabled or already modal.
  TModalResult ShowModal();
  void Close();
  bool CloseQuery();
  // Deletes the form once the messages waiting now have been handled.
  void Release();
  TModalResult ModalResult = mrNone;
  TFormState FormState;

  TCanvas* Canvas() const { return canvas_.get(); }

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // The application's active form changed to or from this one.
  virtual void Activate();
  virtual void Deactivate();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void Paint();
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);

 private:
  void ShowingChanged();
  void PlaceOnScreen();
  void CloseModal();
  void HandleActivate(TMessage& Message);
  void ApplyStayOnTop();
  void SetWindowFocus();

  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_ = {biSystemMenu, biMinimize, biMaximize};
  TFormStyle form_style_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState window_state_ = wsNormal;
  TMainMenu* menu_ = nullptr;
  TWinControl* active_control_ = nullptr;
  TWinControl* focused_control_ = nullptr;
  bool active_ = false;
  bool created_ = false;
  bool client_size_pending_ = false;
  int client_width_ = 0;
  int client_height_ = 0;
  std::unique_ptr<TControlCanvas> canvas_;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};
