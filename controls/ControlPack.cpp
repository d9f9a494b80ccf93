#include "controls/ControlPack.h"

#include "classlib/CursorResources.h"
#include "classlib/Screen.h"
#include "controls/VrControls.h"
#include "controls/kavoclass.h"
#include "controls/slider.h"

namespace {
bool started = false;
}

void VrControlsStartup() {
  if (!Screen) return;
  if (HCURSOR cursor = LoadCursorResource("VRCURSORHANDPOINT")) Screen->SetCursors(crVrHandPoint, cursor);
}

void ControlPackStartup() {
  if (started) return;
  started = true;
  KavoClassStartup();
  VrControlsStartup();
  SliderStartup();
}

void ResetControlPack() {
  KavoClassShutdown();
  started = false;
}
