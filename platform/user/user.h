// The window system in one include: windows, classes, messages, queues and
// timers.
#pragma once

#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/timer.h"
#include "platform/user/user_types.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"
#include "platform/user/window_position.h"
#include "platform/user/window_styles.h"
