// The control pack's start-up: the application object with its timer
// pool and the pack's cursors (14000 "AD_HAND", 99 "VRCURSORHANDPOINT",
// -255 resource #16548). It runs once, when the first control of the pack
// is made (before the first form shows), not while the program loads.
#pragma once

void ControlPackStartup();
// Undoes the start-up so that the next control runs it again (tests).
void ResetControlPack();
