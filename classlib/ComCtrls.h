// The class library's common controls in one include: TProgressBar,
// TTrackBar, TUpDown, TPageControl with TTabSheet, TListView (and TSpinEdit, in
// Spin.h).
#pragma once

#include "classlib/ListView.h"
#include "classlib/PageControl.h"
#include "classlib/ProgressBar.h"
#include "classlib/TrackBar.h"
#include "classlib/UpDown.h"
