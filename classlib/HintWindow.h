// THintWindow: the small pop-up window the application shows a control's
// hint in, and the record that describes one hint.
//
// The application makes its hint window from the global HintWindowClass,
// so a component can put a window class of its own in its place (set the
// variable, then switch Application->ShowHint off and on again so that the
// window is made anew):
//
//   HintWindowClass = HintWindowClassOf<TMyHintWindow>();
#pragma once

#include "classlib/CustomControls.h"

class THintWindow;

// How the application makes its hint window: a function that makes one
// with the given owner. HintWindowClassOf<T>() gives the one for class T.
using THintWindowClass = THintWindow* (*)(TComponent* AOwner);

template <class T>
THintWindow* MakeHintWindowOf(TComponent* AOwner) {
  return new T(AOwner);
}
template <class T>
THintWindowClass HintWindowClassOf() {
  return &MakeHintWindowOf<T>;
}

// One hint about to be shown; a control may change it (CM_HINTSHOW), and
// so may Application->OnShowHint.
struct THintInfo {
  TControl* HintControl = nullptr;
  THintWindowClass HintWindowClass = nullptr;
  TPoint HintPos{};      // screen position of the window's top-left corner
  int HintMaxWidth = 0;  // width at which the text wraps
  TColor HintColor = clInfoBk;
  TRect CursorRect{};    // the hint stays while the mouse is inside (control coordinates)
  TPoint CursorPos{};    // the mouse, control coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;   // milliseconds until the hint goes (0: never)
  String HintStr;
  void* HintData = nullptr;
};

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);

  // Shows the hint with its window at Rect (screen coordinates, kept on
  // the screen), on top of everything and without taking the activation.
  virtual void ActivateHint(TRect Rect, const String& AHint);
  virtual void ActivateHintData(TRect Rect, const String& AHint, void* AData);
  // The window rectangle (at 0, 0) the text needs when wrapped at
  // MaxWidth.
  virtual TRect CalcHintRect(int MaxWidth, const String& AHint, void* AData);
  // True for the messages that end a hint (keys, mouse buttons).
  virtual bool IsHintMsg(const MSG& Msg);
  // Hides the window.
  virtual void ReleaseHandle();

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

// The class the application makes its hint window from (THintWindow at
// start).
extern THintWindowClass HintWindowClass;
