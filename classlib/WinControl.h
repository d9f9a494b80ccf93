// TWinControl: a control with a window of its own, which can hold other
// controls, take the keyboard focus and get key messages.
//
// The window is made on demand: Handle() makes it (and its parent's first)
// from CreateParams, and a control that becomes visible inside a shown
// form gets its window then. RecreateWnd destroys the window and makes it
// again (the control keeps its state: text, bounds, children). A class
// that wraps one of the platform's built-in window classes calls
// CreateSubClass in CreateParams; its window then uses that class's window
// procedure as the default handler.
//
// Every window of a control has the library's window procedure, which
// hands each message to the control's WindowProc; the window can still be
// subclassed with SetWindowLongPtr(GWLP_WNDPROC), and the chain reaches
// the control as usual. FindControl(hwnd) gives the control of a window.
//
// Keys: the application's message loop first sends CN_KEYDOWN (CN_CHAR,
// CN_SYSKEYDOWN, CN_SYSCHAR) to the control with the focus, which checks
// the form's menu shortcuts and gives Tab, the arrows, Enter and Escape to
// the form (CM_DIALOGKEY) unless the control asks for them through
// WM_GETDLGCODE. The key message itself then goes to the form first when
// it has KeyPreview, and to the control's KeyDown/KeyPress/KeyUp (and
// OnKeyDown, OnKeyPress, OnKeyUp). A handler that sets the key to 0 keeps
// it from the default window procedure.
//
// Children: a windowed control lists its child controls (Controls) in
// z-order, bottom first; windowless children are painted on its window
// after it (PaintControls) and get their mouse messages from it. Aligned
// children (Align) are laid out whenever the control's size or theirs
// changes, and then the unaligned ones follow the edges they are anchored
// to (Anchors); every child's size stays within its Constraints. Deleting
// a windowed control deletes its child controls.
#pragma once

#include <memory>
#include <vector>

#include "classlib/Brushes.h"
#include "classlib/Control.h"
#include "platform/user/user.h"

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // --- the window ---
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // A window of another kind that hosts this control (0: none).
  HWND ParentWindow() const { return parent_window_; }
  void SetParentWindow(HWND Value);
  void RecreateWnd();
  // The visible state of the window: the control and all its parents are
  // visible inside a shown form.
  bool Showing() const { return showing_; }

  // --- children ---
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_.at(static_cast<std::size_t>(Index)); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  // True when AControl is this control or one of its descendants.
  bool ContainsControl(TControl* AControl) const;
  // The child control at Pos (client coordinates) that takes the mouse
  // there: windowless ones, and windowed ones too when asked; the topmost
  // first.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);

  // --- focus and tab order ---
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool Value);
  int TabOrder() const;
  void SetTabOrder(int Value);
  // The windowed descendants in tab order (depth first).
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  // Moves the focus to the next (or previous) control in tab order.
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  bool Focused();
  // Visible and enabled, and so are all its parents.
  virtual bool CanFocus();
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window"
  // when it cannot take the focus.
  virtual void SetFocus();

  // --- docking ---
  // A dock site takes the controls that are docked onto it (DragKind
  // dkDock): each becomes its child where it was dropped.
  bool DockSite() const { return dock_site_; }
  void SetDockSite(bool Value) { dock_site_ = Value; }

 private:
  bool dock_site_ = false;

 public:
  // --- the 3-D look ---
  // A framed control (csFramed: one with a client edge) shows the sunken
  // 3-D edge while Ctl3D is true and a flat one-pixel border otherwise.
  // Ctl3D follows the parent's while ParentCtl3D is true; setting it stops
  // that.
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool Value);
  bool ParentCtl3D() const { return parent_ctl3d_; }
  void SetParentCtl3D(bool Value);

  // --- layout ---
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  void SetClientSize(int AWidth, int AHeight) override;
  void DisableAlign();
  void EnableAlign();
  void Realign();
  // The area aligned children fill (the client area less borders).
  virtual void AdjustClientRect(TRect& Rect);

  // --- painting ---
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  // Paints the windowless children (from First, or all) onto DC.
  void PaintControls(HDC DC, TControl* First);
  // The background brush (its colour is Color).
  TBrush* Brush() const { return brush_.get(); }

  // --- messages ---
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // Sends Message to every child until one answers non-zero.
  void Broadcast(TMessage& Message);
  // Sends Msg (no parameters) to every child.
  void NotifyControls(UINT Msg);
  // The entry point of the window procedure: runs WindowProc and takes any
  // exception to the application's handler.
  void MainWndProc(TMessage& Message);

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // What CreateParams fills in for the window.
  struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASS WindowClass;
    String WinClassName;
  };

 protected:
  virtual void CreateParams(TCreateParams& Params);
  // The border of a framed control: the client edge with Ctl3D, a plain
  // one-pixel border without.
  void AddFramedBorder(TCreateParams& Params) const;
  // The right-to-left window styles of the BiDiMode: right-to-left reading,
  // scroll bars (and drop-down buttons) on the left, and text aligned from
  // the right when the control aligns it left (ControlsAlignment).
  void AddBiDiModeExStyle(DWORD& ExStyle) const;
  virtual TAlignment ControlsAlignment() const { return taLeftJustify; }
  void ParentCtl3DChanged();
  // Takes a built-in window class (its style, cursor and procedure) as the
  // window's class; the window's own class keeps the name WinClassName.
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();

  // Paints the control itself on DC (the default window procedure's
  // painting; TCustomControl paints through its canvas).
  virtual void PaintWindow(HDC DC);
  // Lays out the aligned children inside Rect.
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // Lays out one child after it changed (or all when AControl is null).
  void AlignControl(TControl* AControl);
  // Moves the unaligned anchored children for the present client size
  // (the last step of AlignControls).
  void AnchorControls();

  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  // Key messages with the form's key preview first; true when the key
  // was taken (set to 0).
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();
  // True when the key is a shortcut of the form's menus (and was run).
  virtual bool IsMenuKey(TMessage& Message);

  void Loaded() override;
  void SetTextValue(const String& Value) override;
  String GetText() override;

  // Makes the window when the control is to be shown and shows or hides
  // it.
  void UpdateControlState();
  void UpdateShowing();
  // Takes the window's position and size as the control's bounds.
  void UpdateBounds();
  // Tells the parent's form that focus left this control (when it is
  // disabled or hidden).
  void RemoveFocus(bool Removing);

  bool showing_ = false;
  // The window procedure that handles what the control leaves alone.
  WNDPROC DefWndProc = nullptr;

 private:
  friend class TControl;
  friend LRESULT ControlWindowProcedure(HWND, UINT, WPARAM, LPARAM);

  void PaintHandler(TMessage& Message);
  bool IsControlMouseMsg(TMessage& Message);
  void HandleSetCursor(TMessage& Message);
  void HandleKeyDownNotification(TMessage& Message);
  void HandleCharNotification(TMessage& Message);
  void ReflectToChild(HWND Child, TMessage& Message);
  void HandleFocusChange(bool Gaining);
  void SetZOrder(TControl* AControl, bool TopMost);
  // Places a child for the alignment or its anchors.
  void PlaceByLayout(TControl* AControl, int ALeft, int ATop, int AWidth, int AHeight);
  // Places an aligned child in what is left of Rect and takes its room.
  void PlaceAligned(TControl* AControl, TAlign Align, TRect& Rect);
  bool HasChild(TControl* AControl) const;
  // The frame-drag limits (WM_GETMINMAXINFO) within Constraints.
  void LimitTracking(MINMAXINFO& Info);

  HWND handle_ = nullptr;
  HWND parent_window_ = nullptr;
  std::vector<TControl*> controls_;
  std::vector<TWinControl*> tab_list_;
  bool tab_stop_ = false;
  int align_disabled_ = 0;
  bool align_needed_ = false;
  std::unique_ptr<TBrush> brush_;
  UINT control_id_ = 0;
  // The child the layout is placing now.
  TControl* placing_ = nullptr;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
};

// The control whose window is `Handle` (null when it is not a control's).
TWinControl* FindControl(HWND Handle);
// Releases the device contexts that control canvases hold outside of
// painting (done after each message a control's window handles).
void FreeDeviceContexts();
