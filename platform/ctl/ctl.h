// The built-in controls in one include: their classes, messages, styles and
// notifications, and what the common controls share.
#pragma once

#include "platform/ctl/button.h"
#include "platform/ctl/combo_box.h"
#include "platform/ctl/common_controls.h"
#include "platform/ctl/edit.h"
#include "platform/ctl/list_box.h"
#include "platform/ctl/listview.h"
#include "platform/ctl/progress_bar.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/ctl/static_control.h"
#include "platform/ctl/tab_control.h"
#include "platform/ctl/track_bar.h"
#include "platform/ctl/up_down.h"
