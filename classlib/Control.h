// TControl: the base of everything that sits on a form. A control has a
// parent (the windowed control it is drawn in), bounds in its parent's
// client coordinates, visibility, an enabled state, a caption, a colour
// and a font (both by default taken from the parent), a hint, a cursor and
// an optional pop-up menu, and it raises the mouse and click events.
//
// Messages. A control is driven by window messages, whether or not it has
// a window of its own (a windowless control gets its mouse and paint
// messages from its parent). Perform(Msg, WParam, LParam) hands a message
// to WindowProc, which is WndProc unless a component replaces it. WndProc
// does what must happen before any handler (hints, mouse routing) and then
// calls Dispatch, the message handlers. A class handles a message by
// overriding Dispatch, switching on Message.Msg and calling the base
// class's Dispatch for everything else (and where it wants the inherited
// handling of a message it handles). What no handler takes goes to
// DefaultHandler (a windowed control's default window procedure).
//
// Events are raised through virtual methods (Click, MouseDown, MouseMove,
// MouseUp, Resize) that descendants override; an exception leaving an
// event handler reaches the application's exception handler, which shows
// it, when the control runs inside a message.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "classlib/Colors.h"
#include "classlib/Components.h"
#include "classlib/ControlMessages.h"
#include "classlib/Fonts.h"
#include "classlib/MessageHandling.h"
#include "classlib/SizeConstraints.h"
#include "classlib/Types.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;

using Word = WORD;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The edges of its parent's client area a control keeps its distance to.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;
inline constexpr TAnchors kDefaultAnchors{akLeft, akTop};
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
// Which scroll bars a control shows.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Right-to-left: bdRightToLeft reads right to left, aligns text from the
// right and puts scroll bars and drop-down buttons on the left;
// bdRightToLeftNoAlign does all but the alignment; bdRightToLeftReadingOnly
// only reads right to left.
enum TBiDiMode : int { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
// Swaps left and right justification (centred text stays centred).
void ChangeBiDiModeAlignment(TAlignment& Alignment);

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents
};
using TControlStyle = Set<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = Set<TControlStateItem>;

// Cursors: indexes into Screen->Cursors(). The negative ones are the
// standard cursors; programs install their own under positive numbers.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Dragging a control onto another (drag and drop) or into a dock site
// (docking), and the context pop-up. The drag itself is run by
// TDragOperation (DragDrop.h); TDragObject describes it to the handlers.
class TDragObject;
// A fixed underlying type: a stored value outside the range is readable
// (and refused by the setters).
enum TDragMode : int { dmManual, dmAutomatic };
enum TDragKind : int { dkDrag, dkDock };
// Where a drag is over a target: just entered it, left it, moving on it.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// A handler may give a drag object of its own (it keeps it): the targets
// then see it as the drag's source instead of the control.
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TStartDockEvent = TStartDragEvent;
// X and Y in the target's client coordinates.
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
// Target null (and X, Y zero) when the drag was cancelled or dropped on
// nothing that took it.
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TEndDockEvent = TEndDragEvent;
// MousePos in the control's client coordinates, (-1, -1) when the menu
// was asked for from the keyboard.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// The shift state of a key message (its key data: bit 29 is Alt).
TShiftState KeyDataToShiftState(LPARAM KeyData);
// The shift state of a mouse message (its MK_* flags).
TShiftState KeysToShiftState(WPARAM Keys);
// True when `Key` is the accelerator of `Caption` ("&Open": 'o' or 'O').
bool IsAccel(Word Key, const String& Caption);

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // --- parent and position ---
  TWinControl* Parent() const { return parent_; }
  // Moves the control into AParent's list of controls (null: out of any).
  // Raises EInvalidOperation for the control itself.
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const { return parent_ != nullptr; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
  void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
  void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
  void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
  // Every change of position or size comes here.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& Rect) {
    SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
  }

  // The client area: the whole control for a windowless control, the
  // window's client rectangle for a windowed one.
  virtual TRect ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int Value) { SetClientSize(Value, ClientHeight()); }
  void SetClientHeight(int Value) { SetClientSize(ClientWidth(), Value); }
  // Sizes the control so that its client area gets this size.
  virtual void SetClientSize(int AWidth, int AHeight);
  // The screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);
  bool AutoSize() const { return auto_size_; }
  virtual void SetAutoSize(bool Value);

  // --- anchors and size limits ---
  // When the parent's client area changes size, an unaligned control keeps
  // its distance to each anchored edge: anchored to both left and right
  // (top and bottom) it stretches, to neither it keeps its centre in the
  // same proportion of the parent. Aligned controls are placed by their
  // alignment instead. A value with members outside TAnchorKind raises
  // EPropertyError and keeps the anchors.
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors Value);
  // Every size the control takes (by code, alignment, anchors or a frame
  // drag) is kept within these; changing them resizes the control now.
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  void SetConstraints(TSizeConstraints* Value) { constraints_->Assign(Value); }

  // --- state ---
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  void Show();
  void Hide();
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool Value);

  // Caption and Text are one value; a windowed control with a window keeps
  // it in the window (so what a user typed is read back).
  String Caption() { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  String Text() { return GetText(); }
  void SetText(const String& Value);

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool Value);

  // The hint text: a short part, then "|" and a long part (the short one
  // shows in the hint window).
  String Hint;
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool Value);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TPopupMenu* Value);

  TControlStyle ControlStyle;
  TControlState ControlState;

  // --- right-to-left ---
  // The mode follows the parent's while ParentBiDiMode is true; setting it
  // stops that. A value outside TBiDiMode raises EPropertyError and keeps
  // the mode.
  TBiDiMode BiDiMode() const { return bidi_mode_; }
  void SetBiDiMode(TBiDiMode Value);
  bool ParentBiDiMode() const { return parent_bidi_mode_; }
  void SetParentBiDiMode(bool Value);
  bool UseRightToLeftReading() const { return bidi_mode_ != bdLeftToRight; }
  bool UseRightToLeftAlignment() const { return bidi_mode_ == bdRightToLeft; }
  bool UseRightToLeftScrollBar() const {
    return bidi_mode_ == bdRightToLeft || bidi_mode_ == bdRightToLeftNoAlign;
  }
  // DrawText flags as the mode wants them: left and right swapped when
  // aligning from the right, DT_RTLREADING when reading right to left.
  UINT DrawTextBiDiModeFlags(UINT Flags) const;

  // --- painting ---
  virtual void Invalidate();
  // Paints now: Invalidate and Update.
  virtual void Repaint();
  // Paints what needs painting now.
  virtual void Update();
  void Refresh() { Repaint(); }
  // Moves the control to the top (or bottom) of its siblings.
  void BringToFront();
  void SendToBack();

  // --- the mouse ---
  bool MouseCapture();
  void SetMouseCapture(bool Value);

  // --- drag and drop, docking, context pop-up ---
  // dmAutomatic: pressing the left button and moving past the drag
  // threshold starts a drag (or, with dkDock, docking).
  TDragMode DragMode() const { return drag_mode_; }
  // Raises EPropertyError for a value outside the enumeration.
  void SetDragMode(TDragMode Value);
  TDragKind DragKind() const { return drag_kind_; }
  void SetDragKind(TDragKind Value);
  // The cursor over a target that takes the drag (crNoDrop shows elsewhere).
  TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(TCursor Value) { drag_cursor_ = Value; }
  // Immediate starts the drag now; otherwise it starts once the mouse has
  // moved Threshold pixels (-1: the platform's drag threshold).
  void BeginDrag(bool Immediate, int Threshold = -1);
  // Ends this control's drag: dropped where the mouse is, or cancelled.
  void EndDrag(bool Drop);
  bool Dragging() const;
  // Raises OnDragDrop (the drag was released over this accepting control).
  virtual void DragDrop(TObject* Source, int X, int Y);

  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDockEvent OnEndDock;
  TContextPopupEvent OnContextPopup;

 protected:
  friend class TDragOperation;
  virtual void DoStartDrag(TDragObject*& DragObject);
  // Accept starts true when OnDragOver is assigned, false when not.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  virtual void DoStartDock(TDragObject*& DragObject);
  virtual void DoEndDock(TObject* Target, int X, int Y);
  virtual void DoContextPopup(const TPoint& MousePos, bool& Handled);

 private:
  TDragMode drag_mode_ = dmManual;
  TDragKind drag_kind_ = dkDrag;
  TCursor drag_cursor_ = crDrag;

 public:
  // --- messages ---
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // Where Perform and the window send messages: WndProc unless replaced.
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // A new name is also the caption of a control with csSetCaption while the
  // caption still equals the old name (outside loading).
  void SetName(const String& NewName) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // Raises OnClick (through the overridable Click).
  void PerformClick() { Click(); }

 protected:
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // Raises OnResize.
  virtual void Resize();

  virtual String GetText();
  // Stores the text; a windowed control also gives it to its window.
  virtual void SetTextValue(const String& Value);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

  // AutoSize: asks CanAutoSize for the size the content needs and takes it.
  virtual void AdjustSize();
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);

  // Asks the parent to lay out its aligned controls again.
  void RequestAlign();
  // Invalidates the control's rectangle on its parent.
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // Take the parent's font, colour or hint setting when following it.
  void ParentFontChanged();
  void ParentColorChanged();
  void ParentShowHintChanged();
  void ParentBiDiModeChanged();

  // Raw text storage of a control without a window.
  String text_;

 private:
  friend class TWinControl;

  // Anchors: what the control keeps along each axis (its size when
  // stretching, its near edge when anchored to the far side, its centre
  // when anchored to neither) and the parent's client size it was measured
  // against; taken again whenever the control is placed other than by its
  // parent's layout.
  void UpdateAnchorRules();
  // The bounds the anchors give for the parent's new client size.
  TRect AnchoredBounds(const TPoint& ParentSize) const;
  bool FollowsAnchors() const;
  void ConstraintsChanged();
  TPoint ClientSizeOfParent() const;

  void FontChanged();
  void HandleMouseDown(TMessage& Message, TMouseButton Button, TShiftState Extra);
  void HandleMouseUp(TMessage& Message, TMouseButton Button);
  void HandleCancelMode();
  void HandleContextMenu(TMessage& Message);

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  bool auto_size_ = false;
  TAnchors anchors_ = kDefaultAnchors;
  TPoint anchor_rules_{};
  TPoint original_parent_size_{};
  std::unique_ptr<TSizeConstraints> constraints_ = std::make_unique<TSizeConstraints>();
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = true;
  std::unique_ptr<TFont> font_;
  bool parent_font_ = true;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  TCursor cursor_ = crDefault;
  TPopupMenu* popup_menu_ = nullptr;
  TBiDiMode bidi_mode_ = bdLeftToRight;
  bool parent_bidi_mode_ = true;
};

// The control that gets the mouse while a button is held on it: a windowed
// control holds the platform's capture itself; for a windowless one its
// parent holds it and hands the mouse on.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// The form a control sits on (null when none).
TCustomForm* GetParentForm(TControl* Control);
// As GetParentForm, but raises EInvalidOperation "Control '%s' has no
// parent window" when there is none.
TCustomForm* ValidParentForm(TControl* Control);

// The short (before "|") and long (after it) parts of a hint.
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);

namespace ControlsConst {
inline constexpr const char* SControlParentSetToSelf = "A control cannot have itself as its parent";
inline constexpr const char* SParentRequired = "Control '%s' has no parent window";
inline constexpr const char* SCannotFocus = "Cannot focus a disabled or invisible window";
inline constexpr const char* SCannotShowModal = "Cannot make a visible window modal";
inline constexpr const char* SVisibleChanged = "Cannot change Visible in OnShow or OnHide";
}  // namespace ControlsConst
