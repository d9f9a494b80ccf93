// The program's help engine: a help request shows the help file's text in a
// plain read-only window (one window, reused); a missing help file gives a
// message box instead.
#pragma once

#include "classlib/Edit.h"
#include "classlib/Forms.h"

class THelpViewer : public TForm {
 public:
  explicit THelpViewer(TComponent* AOwner);
  TMemo* HelpText = nullptr;
};

extern THelpViewer* HelpViewer;

// Shows FileName's text; false (after a message box) when it cannot be read.
bool ShowHelpFile(const String& FileName);
// Answers the application's help requests with ShowHelpFile (the requests
// are still recorded by the application).
void InstallHelpViewer();
