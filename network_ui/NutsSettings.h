// The file-sharing window's network settings file, "VelkoNet.ini" in the
// program's folder, read into the options dialog and the servent.
#pragma once

#include "classlib/Object.h"
#include "platform/core/types.h"

// A port text as a number; a text that is no integer or lies outside
// 0..65535 raises EConvertError.
WORD PortNumber(const String& Text);
