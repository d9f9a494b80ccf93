// TPlayWav: plays a ".wav" file as a sound cue, without waiting for it.
#pragma once

#include "classlib/Components.h"

class TPlayWav : public TComponent {
 public:
  explicit TPlayWav(TComponent* AOwner) : TComponent(AOwner) {}

  // Starts the file playing when its name ends in ".wav" (any case) and is
  // shorter than 251 characters; other names play nothing.
  void Play(const String& FileName);
};
