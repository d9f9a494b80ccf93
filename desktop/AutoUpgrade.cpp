#include "desktop/AutoUpgrade.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/MessageHandling.h"
#include "classlib/PathRoutines.h"
#include "classlib/Resources.h"
#include "classlib/StringRoutines.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/net/wininet_http.h"
#include "platform/net/winsock.h"
#include "platform/reg/registry.h"
#include "platform/shell/shell_execute.h"
#include "platform/sys/process.h"
#include "platform/user/user.h"

using namespace winsock;

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 5000;
constexpr UINT kProgressMessage = WM_USER + 1;
constexpr UINT kDownloadMessage = WM_USER + 2;
constexpr DWORD kPieceSize = 1025;
constexpr const char* kAgent = "AutoUpgrade (http://www.velko.example/)";
constexpr const char* kUpgraderName = "Upgrader.exe";
constexpr const char* kDownloadName = "Upgrade.tmp";
// The upgrader runs from a folder made for one hand-over in the temporary
// folder, named this and a random tail.
constexpr const char* kUpgraderFolderPrefix = "velko-upgrade-";
// An update information file is a few lines of text; anything beyond this
// is no such file and is not read further.
constexpr std::size_t kMaxInfoBytes = 64 * 1024;
// How long a component that goes waits for the workers it stopped: a
// stopped worker ends at once, and the wait only lets it close its file
// and connection before the program goes on (or ends).
constexpr auto kStoppedWorkersWait = std::chrono::seconds(2);

// A Content-Length value: decimal digits only, within a 32-bit signed count.
bool ParseLength(const char* text, int* value) {
  const std::string digits = text;
  if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long long parsed = std::stoull(digits);
  if (parsed > 0x7FFFFFFFull) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// True when the program has been asked to end: the quit message waits in
// the queue (left there for the program's own loop), or a loop took it.
bool ProgramEnding() {
  if (Application != nullptr && Application->Terminated()) return true;
  MSG msg;
  return PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) && msg.message == WM_QUIT;
}

// Removes the upgrader folders earlier runs left in the temporary folder
// `temp_native`: only folders of this user that no one else may enter, so
// nothing another user placed there is touched.
void RemoveOldUpgraderFolders(const std::string& temp_native) {
  DIR* temp = opendir(temp_native.c_str());
  if (temp == nullptr) return;
  const int temp_fd = dirfd(temp);
  while (dirent* entry = readdir(temp)) {
    const std::string name = entry->d_name;
    if (name.rfind(kUpgraderFolderPrefix, 0) != 0) continue;
    const int folder = openat(temp_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) continue;
    struct stat facts {};
    const bool ours = fstat(folder, &facts) == 0 && facts.st_uid == geteuid() && (facts.st_mode & 077) == 0;
    if (ours) unlinkat(folder, kUpgraderName, 0);
    close(folder);
    if (ours) unlinkat(temp_fd, name.c_str(), AT_REMOVEDIR);
  }
  closedir(temp);
}

// Writes the upgrader `image` into a new folder of its own inside the
// temporary folder `temp_native` (mkdtemp: a fresh name, mode 0700, so no
// other user can place or change anything in it) and returns the folder's
// name. Raises when any step fails; what was made is removed again, so
// nothing half written is ever started.
std::string WriteUpgrader(const std::string& temp_native, const std::vector<std::uint8_t>& image) {
  std::string folder = temp_native;
  if (folder.empty() || folder.back() != '/') folder += '/';
  folder += kUpgraderFolderPrefix;
  folder += "XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) throw Exception("Cannot make a folder for the upgrader.");
  const std::string path = folder + "/" + kUpgraderName;
  const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
  bool written = out >= 0;
  for (std::size_t done = 0; written && done < image.size();) {
    const ssize_t put = write(out, image.data() + done, image.size() - done);
    if (put < 0 && errno == EINTR) continue;
    written = put > 0;
    if (written) done += static_cast<std::size_t>(put);
  }
  struct stat facts {};
  written = written && fsync(out) == 0 && fstat(out, &facts) == 0 && S_ISREG(facts.st_mode) &&
            facts.st_uid == geteuid() && static_cast<std::size_t>(facts.st_size) == image.size();
  if (out >= 0 && close(out) != 0) written = false;
  if (!written) {
    unlink(path.c_str());
    rmdir(folder.c_str());
    throw Exception("Cannot write the upgrader.");
  }
  return folder.substr(folder.rfind('/') + 1);
}

// The URL's file-name part, with slashes taken as backslashes.
String UrlFileName(const String& Url) {
  String path = StringReplace(Url, "/", "\\", {rfReplaceAll});
  const std::size_t at = path.find_last_of("\\:");
  return at == String::npos ? path : path.substr(at + 1);
}

}  // namespace

// What a component and the workers it started share. A worker frees itself
// when it ends, which may be after its component has gone, so it reaches
// the component only through this:
// - `owner` is read and cleared on the main thread only, where the
//   workers' completion handlers run;
// - progress goes to the component's window, by posted message, only while
//   the window is there;
// - the component, when it goes, waits (briefly) for the bodies it stopped.
class TAutoUpgradeLink {
 public:
  TAutoUpgradeLink(TAutoUpgrade* Owner, HWND Window) : owner(Owner), window_(Window) {}

  // The component; null once it has gone (main thread only).
  TAutoUpgrade* owner;

  void BodyStarting() {
    std::lock_guard lock(mutex_);
    ++bodies_;
  }
  void BodyEnded() {
    {
      std::lock_guard lock(mutex_);
      --bodies_;
    }
    ended_.notify_all();
  }
  // Whether every started body ended within `Limit`.
  template <class Duration>
  bool WaitForBodies(Duration Limit) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, Limit, [this] { return bodies_ == 0; });
  }

  // Worker side: keeps the latest figures and wakes the main thread, one
  // message at a time, so the handler gets the latest figures and the
  // download never waits for the main thread.
  void QueueProgress(int TotalSize, int Readed) {
    std::lock_guard lock(mutex_);
    total_ = TotalSize;
    readed_ = Readed;
    if (!pending_ && window_ != nullptr) pending_ = PostMessage(window_, kProgressMessage, 0, 0) != FALSE;
  }
  // Main thread: the figures still waiting, if any.
  bool TakeProgress(int* TotalSize, int* Readed) {
    std::lock_guard lock(mutex_);
    if (!pending_) return false;
    pending_ = false;
    *TotalSize = total_;
    *Readed = readed_;
    return true;
  }
  // The window goes: nothing is posted to it any more.
  void CloseWindow() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  int bodies_ = 0;
  HWND window_;
  int total_ = 0;
  int readed_ = 0;
  bool pending_ = false;
};

String GetInfoValue(const String& Key, const String& Text, char Terminator) {
  const std::size_t at = LowerCase(Text).find(LowerCase(Key));
  if (at == String::npos) return String();
  const std::size_t start = at + Key.size();
  const std::size_t end = Text.find(Terminator, start);
  if (end == String::npos) return String();
  return Text.substr(start, end - start);
}

void SplitURL(const String& URL, String& Host, String& Path) {
  String rest = URL;
  if (LowerCase(rest).find("http://") != String::npos) rest.erase(0, std::min<std::size_t>(7, rest.size()));
  const std::size_t slash = rest.find('/');
  if (slash == String::npos) {
    Host.clear();
    Path = rest;
    return;
  }
  Host = rest.substr(0, slash);
  Path = rest.substr(slash);
}

bool IsWebAddress(const String& URL) {
  const String lowered = LowerCase(URL);
  return lowered.rfind("http://", 0) == 0 || lowered.rfind("https://", 0) == 0;
}

// ---- the worker ----

TAutoUpgradeThread::TAutoUpgradeThread() : TThread(true) {}

void TAutoUpgradeThread::Abort() {
  Terminate();
  std::lock_guard lock(session_mutex_);
  // Closing the session ends the request it is waiting in.
  if (session_ != nullptr) InternetCloseHandle(session_);
  session_ = nullptr;
}

void TAutoUpgradeThread::DoTerminate() {
  if (link_ != nullptr) link_->BodyEnded();
  TThread::DoTerminate();
}

bool TAutoUpgradeThread::QueryInfo(HINTERNET Request, DWORD InfoLevel, void* Buffer, DWORD* BufferLength) {
  std::lock_guard lock(session_mutex_);
  return session_ != nullptr && HttpQueryInfo(Request, InfoLevel, Buffer, BufferLength, nullptr);
}

void TAutoUpgradeThread::Execute() {
  String host;
  String path;
  SplitURL(Url, host, path);
  HINTERNET net = InternetOpen(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  {
    // From here Abort closes the session; one that came first is seen here.
    std::lock_guard lock(session_mutex_);
    session_ = net;
    if (Terminated()) net = nullptr;
  }
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  if (net != nullptr) {
    connection = InternetConnect(net, host.c_str(), INTERNET_DEFAULT_HTTP_PORT, Login.c_str(),
                                 Password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
  }
  if (connection != nullptr) {
    request = HttpOpenRequest(connection, "GET", path.c_str(), "HTTP/1.0", nullptr, nullptr,
                              INTERNET_FLAG_RELOAD, 0);
  }
  if (request != nullptr) HttpSendRequest(request, nullptr, 0, nullptr, 0);

  char length_text[1024];
  DWORD length_size = sizeof length_text;
  Success = request != nullptr && QueryInfo(request, HTTP_QUERY_CONTENT_LENGTH, length_text, &length_size);
  // A length that is no decimal number counts as none.
  if (Success) Success = ParseLength(length_text, &ContentLength);
  DWORD status = 0;
  DWORD status_size = sizeof status;
  const bool status_ok =
      request != nullptr &&
      QueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &status_size) &&
      status == 200;

  if (Mode == 1 && (!Success || !status_ok)) {
    // Not the new version: "Upgrade.tmp" is not touched.
    Success = false;
  } else if (request != nullptr) {
    std::ofstream file;
    bool written = true;
    if (Mode == 1) {
      std::optional<std::string> native = platform::NativePath(FileName);
      if (native) file.open(*native, std::ios::binary | std::ios::trunc);
      written = native.has_value() && file.is_open();
    } else {
      Content.clear();
    }
    std::int64_t total = 0;
    // An information file that says (or turns out) to be too long is none.
    bool too_long = Mode == 0 && Success && static_cast<std::size_t>(ContentLength) > kMaxInfoBytes;
    char piece[kPieceSize];
    DWORD got = 0;
    while (written && !too_long && !Terminated() && InternetReadFile(request, piece, kPieceSize, &got) &&
           got > 0) {
      if (Mode == 1) {
        written = static_cast<bool>(file.write(piece, got));
      } else {
        Content.append(piece, got);
        too_long = Content.size() > kMaxInfoBytes;
      }
      total += got;
      if (Mode == 1 && OnProgress) OnProgress(this, ContentLength, static_cast<int>(total));
    }
    if (Mode == 0) {
      Success = total > 0 && !too_long;
      if (too_long) Content.clear();
    } else {
      file.close();
      // The new version counts only whole: every announced byte, written.
      Success = Success && written && !file.fail() && total == ContentLength && !Terminated();
      if (!Success) {
        if (std::optional<std::string> native = platform::NativePath(FileName)) std::remove(native->c_str());
      }
    }
  }
  if (request != nullptr) InternetCloseHandle(request);
  if (connection != nullptr) InternetCloseHandle(connection);
  std::lock_guard lock(session_mutex_);
  if (session_ != nullptr) InternetCloseHandle(session_);
  session_ = nullptr;
}

// ---- the component ----

TAutoUpgrade::TAutoUpgrade(TComponent* AOwner) : TComponent(AOwner) {
  if (AOwner != nullptr) {
    for (int i = 0; i < AOwner->ComponentCount(); ++i) {
      TComponent* other = AOwner->Components(i);
      if (other != this && dynamic_cast<TAutoUpgrade*>(other) != nullptr) {
        throw Exception("We can add ONLY ONE TAutoUpgrade component onto form");
      }
    }
  }
  char buffer[256] = {};
  GetTempPath(255, buffer);
  temp_path_ = buffer;
  if (std::optional<std::string> temp = platform::NativePath(temp_path_)) RemoveOldUpgraderFolders(*temp);
  Active = true;
  last_updated_auto_set_ = true;
  WindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  link_ = std::make_shared<TAutoUpgradeLink>(this, WindowHandle);
  if (!ComponentState().Contains(csDesigning)) SetTimer(WindowHandle, kTimerId, kTimerPeriodMs, nullptr);
}

TAutoUpgrade::~TAutoUpgrade() {
  // Workers still running are stopped and let go: their end and their
  // progress no longer reach this component, and a wait for one (further
  // up this thread's stack) returns.
  link_->owner = nullptr;
  link_->CloseWindow();
  if (InfoThread != nullptr) InfoThread->Abort();
  if (FileThread != nullptr) FileThread->Abort();
  link_->WaitForBodies(kStoppedWorkersWait);
  if (WindowHandle != nullptr) {
    KillTimer(WindowHandle, kTimerId);
    DeallocateHWnd(WindowHandle);
  }
}

void TAutoUpgrade::SetLastUpdatedAutoSet(bool Value) {
  last_updated_auto_set_ = Value;
  if (Value && ComponentState().Contains(csDesigning)) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04u", now.wDay, now.wMonth, now.wYear);
    LastUpdated = text;
  }
}

void TAutoUpgrade::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TIMER: {
      const std::shared_ptr<TAutoUpgradeLink> link = link_;
      try {
        TimerTick();
      } catch (...) {
        // The component itself when it is still there.
        TObject* sender = link->owner;
        if (Application != nullptr) {
          Application->HandleException(sender);
        } else {
          HandleMessageException(sender);
        }
      }
      return;
    }
    case kProgressMessage:
      DeliverProgress();
      return;
    case kDownloadMessage: {
      String url;
      std::swap(url, pending_download_);
      DownloadFile(url);
      return;
    }
    default:
      Message.Result = DefWindowProc(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TAutoUpgrade::TimerTick() {
  if (IsOnline() && Active) {
    const std::shared_ptr<TAutoUpgradeLink> link = link_;
    CheckInfo();
    // The component may have gone while the check ran.
    if (link->owner != nullptr) KillTimer(WindowHandle, kTimerId);
  }
}

void TAutoUpgrade::RunWorker(TAutoUpgradeThread* TAutoUpgrade::*Slot, const String& Url, std::uint8_t Mode) {
  if (this->*Slot != nullptr) return;
  const std::shared_ptr<TAutoUpgradeLink> link = link_;
  auto* thread = new TAutoUpgradeThread();
  thread->Url = Url;
  thread->Mode = Mode;
  thread->Login = Login;
  thread->Password = Password;
  thread->FreeOnTerminate = true;
  thread->link_ = link;
  if (Mode == 1) {
    thread->FileName = IncludeTrailingPathDelimiter(ProgramFolder()) + kDownloadName;
    thread->OnProgress = [link](TAutoUpgradeThread*, int TotalSize, int Readed) {
      link->QueueProgress(TotalSize, Readed);
    };
  }
  // Runs on the main thread. The end reaches the component only while it
  // exists and still waits for this worker.
  thread->OnTerminate = [link, Slot, Mode](TObject* Sender) {
    TAutoUpgrade* owner = link->owner;
    if (owner == nullptr || owner->*Slot != Sender) return;
    auto* worker = static_cast<TAutoUpgradeThread*>(Sender);
    if (Mode == 0) {
      owner->InfoDone(worker);
    } else {
      owner->FileDone(worker);
    }
  };
  link->BodyStarting();
  try {
    thread->Start();
  } catch (...) {
    link->BodyEnded();
    throw;
  }
  // The worker cannot end before the main thread runs its completion
  // handler, so the pointer holds until the handler clears it.
  this->*Slot = thread;
  while (link->owner != nullptr && this->*Slot != nullptr) {
    if (ProgramEnding()) {
      // The program does not wait for the server: the worker stops, and
      // its end is not reported.
      (this->*Slot)->Abort();
      this->*Slot = nullptr;
      return;
    }
    if (Application != nullptr) {
      Application->HandleMessage();
    } else {
      CheckSynchronize();
      WaitMessage();
    }
  }
}

void TAutoUpgrade::DeliverProgress() {
  int total = 0;
  int readed = 0;
  if (!link_->TakeProgress(&total, &readed)) return;
  // The worker is the Sender only while it exists: FileDone, which runs
  // while it waits, hands over the last figures before it goes, so a
  // message arriving later has nothing left to report.
  if (OnProgress && FileThread != nullptr) OnProgress(FileThread, total, readed);
}

void TAutoUpgrade::CheckInfo() { RunWorker(&TAutoUpgrade::InfoThread, InfoURL, 0); }

void TAutoUpgrade::DownloadFile(const String& URL) { RunWorker(&TAutoUpgrade::FileThread, URL, 1); }

// The handlers called from here may free the component; nothing of it is
// touched after one has.
void TAutoUpgrade::InfoDone(TAutoUpgradeThread* Thread) {
  const std::shared_ptr<TAutoUpgradeLink> link = link_;
  try {
    const String& content = Thread->Content;
    if (!Thread->Success) {
      if (OnError) OnError(this);
    } else if (content.empty() || content[0] != '#' ||
               GetInfoValue("#date=", content, '\r') == LastUpdated) {
      if (OnNoUpdateAvailable) OnNoUpdateAvailable(this);
    } else {
      if (Application != nullptr) SetForegroundWindow(Application->Handle());
      const String text = GetInfoValue("#message=[", content, ']');
      const String caption = GetInfoValue("#caption=", content, '\r');
      const int answer = Application != nullptr
                             ? Application->MessageBox(text, caption, MB_YESNO | MB_ICONQUESTION)
                             : ::MessageBox(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
      if (answer == IDYES && link->owner != nullptr) {
        const String url = GetInfoValue("#url=", content, '\r');
        if (LowerCase(GetInfoValue("#redirect=", content, '\r')) == "yes") {
          // Only web addresses go to the browser.
          if (IsWebAddress(url)) ShellExecute(GetDesktopWindow(), "open", url.c_str(), nullptr, nullptr, 0);
        } else {
          SetCurrentDir(ProgramFolder());
          // The download starts once this worker has gone.
          pending_download_ = url;
          PostMessage(WindowHandle, kDownloadMessage, 0, 0);
        }
      }
    }
  } catch (...) {
    if (link->owner != nullptr) InfoThread = nullptr;
    throw;
  }
  if (link->owner != nullptr) InfoThread = nullptr;
}

void TAutoUpgrade::FileDone(TAutoUpgradeThread* Thread) {
  const std::shared_ptr<TAutoUpgradeLink> link = link_;
  try {
    DeliverProgress();
    if (link->owner == nullptr) return;
    if (!Thread->Success) {
      if (OnError) OnError(this);
    } else {
      if (OnDone) OnDone(this, Thread->ContentLength);
      if (link->owner == nullptr) return;
      const String folder = ProgramFolder();
      SetCurrentDir(folder);
      try {
        TResourceData image = FindResourceData("Upgrader", ResourceType::RCData);
        if (!image) throw Exception("The upgrader is missing from the program's data.");
        std::optional<std::string> temp = platform::NativePath(temp_path_);
        if (!temp) throw Exception("Cannot write the upgrader: no temporary folder.");
        const String upgrader =
            IncludeTrailingPathDelimiter(temp_path_) + WriteUpgrader(*temp, *image) + "\\" + kUpgraderName;
        const String program = ExtractFileName(Application != nullptr ? Application->ExeName() : String());
        const String command = platform::QuoteArgument(upgrader) + " " + platform::QuoteArgument(program) +
                               " " + platform::QuoteArgument(kDownloadName) + " " +
                               platform::QuoteArgument(UrlFileName(Thread->Url));
        if (WinExec(command.c_str(), SW_SHOWNOACTIVATE) <= 31) {
          throw Exception("Cannot start the upgrader " + upgrader + ".");
        }
        if (Application != nullptr) Application->Terminate();
      } catch (Exception& e) {
        // The program goes on with its current version.
        if (Application != nullptr) {
          Application->ShowException(e);
        } else {
          throw;
        }
      }
    }
  } catch (...) {
    if (link->owner != nullptr) FileThread = nullptr;
    throw;
  }
  if (link->owner != nullptr) FileThread = nullptr;
}

bool TAutoUpgrade::IsOnline() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, KEY_READ,
                   &key) == ERROR_SUCCESS) {
    BYTE data[4] = {};
    DWORD size = sizeof data;
    const LONG result = RegQueryValueEx(key, "Remote Connection", nullptr, nullptr, data, &size);
    RegCloseKey(key);
    if (result == ERROR_SUCCESS && size > 0) return data[0] == 1;
  }
  return HasNetworkAddress();
}

bool TAutoUpgrade::HasNetworkAddress() {
  WSADATA data;
  if (WSAStartup(0x0101, &data) != 0) return false;
  String address;
  char name[64] = {};
  if (gethostname(name, sizeof name) == 0) {
    if (hostent* host = gethostbyname(name)) {
      for (char** entry = host->h_addr_list; entry != nullptr && *entry != nullptr; ++entry) {
        in_addr in;
        std::memcpy(&in, *entry, sizeof in);
        address = inet_ntoa(in);
      }
    }
  }
  WSACleanup();
  return !address.empty() && address != "127.0.0.1";
}
