// TzelOneInstance: keeps a second copy of the program from running. When
// its form has been loaded it tests two named mutexes made from the
// application title; when another instance runs, it keeps the main form
// from showing, tells the user, brings the first instance forward and ends
// the new one.
#pragma once

#include <functional>

#include "desktop/zelComponent.h"
#include "platform/core/types.h"

using TzelOneInstanceShowMessage = std::function<void(TObject* Sender, bool& Terminate)>;

// The "Default" mutex the test opened (0 until then). The first instance
// keeps it for as long as it runs; it is released and closed at exit.
extern HANDLE DefaultInstanceHandle;

// The first other top-level window of the application window's class with
// the application title as caption (also in other processes), or 0.
HWND FindPrevInstanceWindow();
// Brings that window forward: restored when minimised, else made the
// foreground window. False when there is no such window.
bool ActivatePrevInstanceWindow();

class TzelOneInstance : public TzelComponent {
 public:
  explicit TzelOneInstance(TComponent* AOwner) : TzelComponent(AOwner) {}

  bool ActivatePrevInstance = true;
  // Text of the box; empty: "Application "<title>" is already running."
  String Message;
  bool ShowMessage = false;
  TzelOneInstanceShowMessage OnShowMessage;

  virtual bool IsAnotherInstance();

 protected:
  void Loaded() override;
  virtual void AnotherInstanceFound();

 private:
  void ShowInstanceMessage(bool& Terminate);
};
