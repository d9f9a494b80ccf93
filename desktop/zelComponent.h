// TzelComponent: the base of every component of the desktop pack. Its
// About text describes the component; it is never stored and does nothing.
#pragma once

#include "classlib/Components.h"

class TzelComponent : public TComponent {
 public:
  explicit TzelComponent(TComponent* AOwner) : TComponent(AOwner) {}

  String About;
};
