#include "classlib/GraphicsObject.h"

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}
