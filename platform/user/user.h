// The window system in one include: windows, classes, messages, queues,
// timers, painting, the non-client frame, activation and focus, input,
// cursors, carets and menus.
#pragma once

#include "platform/user/activation.h"
#include "platform/user/caret.h"
#include "platform/user/cursor.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/nonclient.h"
#include "platform/user/painting.h"
#include "platform/user/timer.h"
#include "platform/user/user_types.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"
#include "platform/user/window_position.h"
#include "platform/user/window_styles.h"
