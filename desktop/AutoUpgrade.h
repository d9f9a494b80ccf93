// TAutoUpgrade: a few seconds after the start, fetches the maker's update
// information file, and when it offers a newer version asks the user, then
// either opens a web page or downloads the new version into "Upgrade.tmp"
// and hands over to the upgrader, which replaces the program once it has
// ended. The downloads run on a worker thread (TAutoUpgradeThread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "classlib/Components.h"
#include "classlib/MessageHandling.h"
#include "classlib/Threads.h"
#include "platform/core/types.h"
#include "platform/net/wininet.h"

using TOnProgressEvent = std::function<void(TObject* Sender, int TotalSize, int Readed)>;
using TOnDoneEvent = std::function<void(TObject* Sender, int FileSize)>;

class TAutoUpgrade;
// What a component and the workers it started share (AutoUpgrade.cpp): a
// worker frees itself and may outlive its component.
class TAutoUpgradeLink;

class TAutoUpgradeThread : public TThread {
 public:
  // Made suspended; the component sets it up and starts it.
  TAutoUpgradeThread();

  String Url;
  String Login;
  String Password;
  bool Success = false;
  String Content;
  int ContentLength = 0;
  // 0: the body into Content; 1: the body into FileName.
  std::uint8_t Mode = 0;
  // Mode 1: the full path of the file the body goes to.
  String FileName;
  // Called with the bytes received so far; the component passes it on to
  // the main thread.
  std::function<void(TAutoUpgradeThread* Sender, int TotalSize, int Readed)> OnProgress;

  // From any thread, while the worker exists: stops the download. The body
  // stops at its next step, and a network call it waits in fails at once.
  void Abort();

 protected:
  void Execute() override;
  // Tells the component's link that the body has ended, then raises
  // OnTerminate.
  void DoTerminate() override;

 private:
  friend class TAutoUpgrade;
  // Queries one of the body's request's headers (see Execute).
  bool QueryInfo(HINTERNET Request, DWORD InfoLevel, void* Buffer, DWORD* BufferLength);

  std::shared_ptr<TAutoUpgradeLink> link_;
  // The internet session while the body has it open; whoever takes it
  // closes it. The body's header queries hold the lock too, so Abort never
  // closes the session under one.
  std::mutex session_mutex_;
  HINTERNET session_ = nullptr;
};

class TAutoUpgrade : public TComponent {
 public:
  // Raises Exception "We can add ONLY ONE TAutoUpgrade component onto form"
  // when the owner already has one.
  explicit TAutoUpgrade(TComponent* AOwner);
  ~TAutoUpgrade() override;

  bool Active = true;
  String About;
  String InfoURL;
  String Login;
  String Password;
  String LastUpdated;
  bool LastUpdatedAutoSet() const { return last_updated_auto_set_; }
  void SetLastUpdatedAutoSet(bool Value);
  // Sender is the worker; the call reaches the main thread, and never after
  // the worker has gone.
  TOnProgressEvent OnProgress;
  TOnDoneEvent OnDone;
  TNotifyEvent OnError;
  TNotifyEvent OnNoUpdateAvailable;

  void CheckInfo();
  void DownloadFile(const String& URL);
  // Whether the machine is on line: the remote-access value when the
  // registry has one, else whether it has a network address.
  static bool IsOnline();
  static bool HasNetworkAddress();

  const String& TempPath() const { return temp_path_; }

 private:
  void WndProc(TMessage& Message);
  void TimerTick();
  void InfoDone(TAutoUpgradeThread* Thread);
  void FileDone(TAutoUpgradeThread* Thread);
  // Starts a worker into `Slot` and processes messages until its
  // completion handler has run. Stops waiting when the program is asked to
  // end (the worker is stopped and its end ignored) and returns at once
  // when the component is freed meanwhile.
  void RunWorker(TAutoUpgradeThread* TAutoUpgrade::*Slot, const String& Url, std::uint8_t Mode);
  // Main thread: raises OnProgress with figures still waiting, if any.
  void DeliverProgress();

  bool last_updated_auto_set_ = true;
  HWND WindowHandle = nullptr;
  TAutoUpgradeThread* InfoThread = nullptr;
  TAutoUpgradeThread* FileThread = nullptr;
  String temp_path_;
  String pending_download_;
  std::shared_ptr<TAutoUpgradeLink> link_;
};

// The value behind `Key` in `Text` (keys ignore case): the text after the
// key up to the next `Terminator`, empty when the key is missing or no
// terminator follows.
String GetInfoValue(const String& Key, const String& Text, char Terminator);
// Host and path of a URL ("http://" anywhere drops the first 7 characters).
void SplitURL(const String& URL, String& Host, String& Path);
// "#url=" values the browser may open: http:// and https:// addresses.
bool IsWebAddress(const String& URL);
