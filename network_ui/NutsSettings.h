// The file-sharing window's network settings file, "VelkoNet.ini" in the
// program's folder, read into the options dialog and the servent.
#pragma once

#include "classlib/Object.h"
#include "platform/core/types.h"

// A port text as a number; a text that is no integer or lies outside
// 0..65535 raises EConvertError.
WORD PortNumber(const String& Text);

class TForm2;

// Raises the same EConvertError when a port text of the options dialog is
// no port number: settings the dialog refuses are not saved.
void CheckPortTexts(TForm2* Options);
