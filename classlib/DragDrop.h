// Dragging controls: drag and drop, and docking.
//
// A drag begins with TControl::BeginDrag, or with a press of the left
// button on a control whose DragMode is dmAutomatic. Until the mouse has
// moved past the threshold the press stays an ordinary press (releasing
// the button then is a click); past it the drag starts: OnStartDrag (or
// OnStartDock) is raised and the source holds the mouse capture. While
// the mouse moves, the control under it is asked (OnDragOver, with the
// drag's state there) whether it takes the drag, and the cursor shows the
// source's DragCursor over one that does and crNoDrop elsewhere.
// Releasing the button over a control that takes the drag raises its
// OnDragDrop and then the source's OnEndDrag with that target; releasing
// it elsewhere, Escape, or the capture going elsewhere cancels (OnEndDrag
// with no target). Docking (DragKind dkDock) looks for a windowed control
// whose DockSite is set instead; dropped on one, the source becomes its
// child where it was dropped, and OnEndDock reports the site (or none).
//
// The capture is released and the cursor restored before the ending events
// run, so a handler that raises leaves neither behind; a handler that
// raises while the drag goes on cancels it quietly. A control deleted
// during the drag hears nothing more: the source's going ends the drag, a
// target's going forgets it.
#pragma once

#include <memory>

#include "classlib/Control.h"
#include "classlib/ControlRef.h"

// What the handlers see of a drag. A handler of OnStartDrag may give one
// of its own (a derived class, which it keeps).
// The control under a screen point: the windowed control whose window is
// there (or whose window holds it), and inside it the windowless control,
// disabled ones only when AllowDisabled.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);

class TDragObject : public TObject {
 public:
  // The dragged control (null once it is deleted).
  TControl* Control() const { return control_.Get(); }
  // The mouse, in screen coordinates.
  TPoint DragPos() const { return drag_pos_; }
  // The control under the mouse that is asked about the drag (null: none).
  TControl* DragTarget() const { return target_.Get(); }
  // The mouse in the target's client coordinates.
  TPoint DragTargetPos() const { return target_pos_; }
  // Set as the drag ends: dropped on a target that took it, or cancelled.
  bool Dropped() const { return dropped_; }
  bool Cancelling() const { return cancelling_; }

  // The cursor to show at (X, Y) of the target: the source's DragCursor
  // where the drag is taken, crNoDrop elsewhere.
  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);

 private:
  friend class TDragOperation;

  TControlRef control_;
  TPoint drag_pos_{};
  TControlRef target_;
  TPoint target_pos_{};
  bool dropped_ = false;
  bool cancelling_ = false;
};

using TDragDockObject = TDragObject;

// The drag that runs now (there is one at a time).
class TDragOperation {
 public:
  // The running drag, started or waiting for the threshold (null: none).
  static TDragOperation* Current() { return current_.get(); }
  // Starts a drag of Source now (Immediate) or once the mouse has moved
  // more than Threshold pixels (-1: the platform's drag threshold). Does
  // nothing while another drag runs.
  static void Begin(TControl* Source, bool Immediate, int Threshold);
  // A mouse message reaching Receiver: true when the drag took it.
  static bool MouseMessage(TControl* Receiver, TMessage& Message);
  // A key message: Escape cancels a started drag (and is taken).
  static bool KeyMessage(TMessage& Message);
  // The mouse capture changed: a drag whose source lost it ends (a started
  // one is cancelled; one whose source is being deleted ends silently).
  static void CaptureChanged();

  TControl* Source() const { return source_.Get(); }
  bool Started() const { return started_; }
  // Drops where the mouse is, or cancels.
  void End(bool Drop);

 private:
  TDragOperation(TControl* Source, int Threshold);

  void Start();
  bool PastThreshold(const TPoint& Pos) const;
  void DragTo(const TPoint& Pos);
  bool AskTarget(TDragState State);
  void ShowDragCursor();
  void Finish(bool Drop, const TPoint& Pos);
  void FinishDrag(TControl* Target, const TPoint& At);
  void FinishDock(TControl* Site, const TPoint& At);
  // Ends the drag without events: capture released, cursor restored.
  void Release();
  TObject* SourceObject() const;
  TControl* TargetAt(const TPoint& Pos) const;

  static std::shared_ptr<TDragOperation> current_;

  TControlRef source_;
  TDragKind kind_;
  TPoint start_{};
  TPoint grab_{};  // the mouse inside the source when the drag began
  int threshold_x_;
  int threshold_y_;
  bool started_ = false;
  bool finished_ = false;
  bool accepted_ = false;
  TControlRef target_;
  TPoint pos_{};
  std::unique_ptr<TDragObject> own_object_;
  TDragObject* object_ = nullptr;  // own_object_ or the handler's
};
