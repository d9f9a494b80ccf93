#include "platform/user/beep.h"

void MessageBeep(UINT) {}
