// TGraphicsObject: the base of the canvas's drawing tools (TFont, TPen,
// TBrush). Each tool keeps its settings as properties and makes the
// platform object (HFONT, HPEN, HBRUSH) from them on demand; a change of a
// setting drops that object and raises OnChange, which a canvas using the
// tool answers by selecting it again before its next drawing.
#pragma once

#include "classlib/Components.h"

class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;

 protected:
  // Raises OnChange with this object as the sender.
  virtual void Changed();
};
