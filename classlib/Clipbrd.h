// The class library's clipboard object: text in and out of the platform's
// clipboard (CF_TEXT) and a test for a format.
#pragma once

#include "classlib/Exceptions.h"
#include "classlib/Components.h"
#include "platform/core/types.h"

class EClipboardException : public Exception {
 public:
  using Exception::Exception;
};

class TClipboard : public TPersistent {
 public:
  // The text on the clipboard ("" when it holds none).
  String AsText();
  // Replaces the clipboard's contents with the text; raises
  // EClipboardException "Cannot open clipboard" when it cannot be opened.
  void SetAsText(const String& Value);
  bool HasFormat(UINT Format);
  // Empties the clipboard.
  void Clear();
};

// The one clipboard object of the program.
TClipboard* Clipboard();
