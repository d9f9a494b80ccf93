// The update check against an HTTP server on 127.0.0.1 that stands in for
// the maker's server (its host name is mapped there, port 80 included).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Resources.h"
#include "classlib/Threads.h"
#include "desktop/AutoUpgrade.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/core/threads.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/net/loopback_guard.h"
#include "platform/net/wininet_http.h"
#include "platform/reg/registry.h"
#include "platform/sys/process.h"
#include "platform/user/user.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fsys = std::filesystem;
constexpr const char* kHost = "update.velko.test";

TEST(AutoUpgradeRoutines, InfoValuesAndUrls) {
  const String info = "#Date=07/06/2004\r\n#caption=New Velko\r\n#message=[Line one\r\nLine two]\r\n"
                      "#REDIRECT=Yes\r\n#url=http://x/y.exe";
  struct Case {
    const char* key;
    char terminator;
    const char* value;
  };
  const Case cases[] = {
      {"#date=", '\r', "07/06/2004"},      {"#CAPTION=", '\r', "New Velko"},
      {"#message=[", ']', "Line one\r\nLine two"}, {"#redirect=", '\r', "Yes"},
      {"#url=", '\r', ""},  // no line end after it
      {"#none=", '\r', ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GetInfoValue(c.key, info, c.terminator), c.value) << c.key;

  struct UrlCase {
    const char* url;
    const char* host;
    const char* path;
  };
  const UrlCase urls[] = {
      {"http://www.x.test/velkinfo.txt", "www.x.test", "/velkinfo.txt"},
      {"HTTP://Www.X.test/A/b.exe", "Www.X.test", "/A/b.exe"},
      {"www.x.test/velkinfo.txt", "www.x.test", "/velkinfo.txt"},
      {"www.x.test", "", "www.x.test"},
      {"http://host", "", "host"},
  };
  for (const UrlCase& c : urls) {
    String host, path;
    SplitURL(c.url, host, path);
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(path, c.path) << c.url;
  }
  EXPECT_TRUE(IsWebAddress("HTTPS://a.test/"));
  EXPECT_FALSE(IsWebAddress("file:///etc/passwd"));
}

// Answers GET requests from a table of paths; counts the requests.
class UpdateServer {
 public:
  struct Answer {
    std::string head;  // status line and headers, without the blank line
    std::string body;
    std::string rest;  // sent only once the test lets it go
  };
  UpdateServer()
      : server_([this](velko_test::LoopbackConnection& connection) {
          const std::string request = connection.ReadUntil("\r\n\r\n");
          const std::size_t space = request.find(' ');
          const std::string path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
          Answer answer{"HTTP/1.0 404 Not Found\r\nContent-Length: 9", "not found", ""};
          {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            if (auto it = answers_.find(path); it != answers_.end()) answer = it->second;
          }
          connection.Write(answer.head + "\r\n\r\n" + answer.body);
          if (!answer.rest.empty()) {
            std::unique_lock lock(mutex_);
            released_.wait_for(lock, std::chrono::seconds(20), [this] { return release_; });
            lock.unlock();
            connection.Write(answer.rest);
          }
        }) {
    platform::net::SetTestHost(kHost, htonl(0x7F000001));
    platform::net::SetTestHostPort(kHost, server_.port());
  }
  ~UpdateServer() {
    platform::net::SetTestHostPort(kHost, 0);
    platform::net::ClearTestHosts();
  }
  void Serve(const std::string& path, const std::string& body, const std::string& head = "") {
    std::lock_guard lock(mutex_);
    answers_[path] = Answer{head.empty() ? "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size())
                                         : head,
                            body, ""};
  }
  // Serves `body` at once and `rest` after Release.
  void ServeHeld(const std::string& path, const std::string& head, const std::string& body,
                 const std::string& rest) {
    std::lock_guard lock(mutex_);
    answers_[path] = Answer{head, body, rest};
    release_ = false;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    released_.notify_all();
  }
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
  std::map<std::string, Answer> answers_;
  std::vector<std::string> requests_;
  velko_test::LoopbackServer server_;
};

class AutoUpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A finished download makes the program's folder the current one; the
    // tests' own folder comes back afterwards.
    previous_folder_ = GetCurrentDir();
    previous_native_folder_ = fsys::current_path();
    // The upgrader is in the program folder's data (build/bin/Resources).
    RegisterResourceFolder((velko_test::ProgramFolder() / "Resources").string());
    starter_ = std::make_shared<platform::RecordingProcessStarter>();
    platform::SetProcessStarter(starter_);
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
      boxes_.push_back(request);
      return answer_;
    });
    MakeComponent();
  }
  void MakeComponent() {
    upgrade_ = new TAutoUpgrade(&owner_);
    upgrade_->InfoURL = std::string("http://") + kHost + "/velkinfo.txt";
    upgrade_->LastUpdated = "07/06/2003";
    upgrade_->OnError = [this](TObject* sender) { events_.push_back(sender == upgrade_ ? "error" : "?"); };
    upgrade_->OnNoUpdateAvailable = [this](TObject*) { events_.push_back("none"); };
    upgrade_->OnDone = [this](TObject*, int size) { events_.push_back("done " + std::to_string(size)); };
    upgrade_->OnProgress = [this](TObject* sender, int total, int readed) {
      progress_on_main_ = progress_on_main_ && GetCurrentThreadId() == MainThreadID &&
                          sender != upgrade_ && sender != nullptr;
      last_progress_ = {total, readed};
    };
  }
  void TearDown() override {
    platform::SetProgramPath(std::string());
    SetCurrentDir(previous_folder_);
    std::error_code ignored;
    fsys::current_path(previous_native_folder_, ignored);
    platform::SetMessageBoxHook(nullptr);
    platform::SetProcessStarter(std::make_shared<platform::RecordingProcessStarter>());
  }
  String DownloadPath() const {
    return IncludeTrailingPathDelimiter(ExtractFilePath(Application->ExeName())) + "Upgrade.tmp";
  }
  std::string DownloadNative() const { return platform::NativePath(DownloadPath()).value_or(""); }
  // Takes the waiting messages as the program's own loop would, noting a
  // quit message (left for that loop) instead of dispatching it.
  void TakeMessages() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit_ = true;
      } else {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
  }

  String previous_folder_;
  fsys::path previous_native_folder_;
  UpdateServer server_;
  std::shared_ptr<platform::RecordingProcessStarter> starter_;
  TComponent owner_{nullptr};
  TAutoUpgrade* upgrade_ = nullptr;
  std::vector<platform::MessageBoxRequest> boxes_;
  std::vector<std::string> events_;
  int answer_ = IDNO;
  bool progress_on_main_ = true;
  std::pair<int, int> last_progress_{0, 0};
  bool quit_ = false;
};

TEST_F(AutoUpgradeTest, NothingNewOrNoAnswer) {
  const std::string offer = "#date=08/09/2004\r\n#caption=Velko update\r\n#message=[A new Velko.\r\nGet it?]\r\n"
                            "#url=http://update.velko.test/new.bin\r\n";
  struct Case {
    std::string info;
    std::vector<std::string> events;
    std::size_t boxes;
  };
  const Case cases[] = {
      {"no hash #date=01/01/2005\r\n", {"none"}, 0},
      {"#date=07/06/2003\r\n#caption=x\r\n", {"none"}, 0},
      {"", {"error"}, 0},
      // Far beyond any information file: not read as one.
      {"#date=08/09/2004\r\n#caption=Big\r\n#message=[" + std::string(4 << 20, 'x') + "]\r\n#url=http://x/\r\n",
       {"error"}, 0},
      {offer, {}, 1},  // answered No: nothing more
  };
  for (const Case& c : cases) {
    server_.Serve("/velkinfo.txt", c.info);
    events_.clear();
    boxes_.clear();
    upgrade_->CheckInfo();
    EXPECT_EQ(events_, c.events) << c.info.substr(0, 40);
    ASSERT_EQ(boxes_.size(), c.boxes) << c.info.substr(0, 40);
  }
  EXPECT_EQ(boxes_[0].caption, "Velko update");
  EXPECT_EQ(boxes_[0].text, "A new Velko.\r\nGet it?");
  EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(server_.Requests().size(), 5u);
  EXPECT_NE(server_.Requests()[0].find("GET /velkinfo.txt HTTP/1."), std::string::npos);
  EXPECT_NE(server_.Requests()[0].find("\r\nHost: update.velko.test\r\n"), std::string::npos);
  EXPECT_NE(server_.Requests()[0].find("AutoUpgrade ("), std::string::npos);
  EXPECT_TRUE(starter_->Launches().empty());
}

TEST_F(AutoUpgradeTest, RedirectOpensOnlyWebAddresses) {
  answer_ = IDYES;
  server_.Serve("/velkinfo.txt", "#date=1\r\n#redirect=YES\r\n#url=https://velko.test/news\r\n");
  upgrade_->CheckInfo();
  ASSERT_EQ(starter_->Launches().size(), 1u);
  EXPECT_EQ(starter_->Launches()[0].arguments,
            (std::vector<std::string>{"xdg-open", "https://velko.test/news"}));
  server_.Serve("/velkinfo.txt", "#date=1\r\n#redirect=yes\r\n#url=file:///etc/passwd\r\n");
  upgrade_->CheckInfo();
  EXPECT_EQ(starter_->Launches().size(), 1u);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_F(AutoUpgradeTest, SecondComponentOnOneOwnerRaises) {
  try {
    new TAutoUpgrade(&owner_);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "We can add ONLY ONE TAutoUpgrade component onto form");
  }
  EXPECT_EQ(owner_.ComponentCount(), 1);
}

TEST_F(AutoUpgradeTest, InactiveMakesNoRequests) {
  // A component whose timer runs on the manual clock.
  platform::UseManualClock(0);
  delete upgrade_;
  MakeComponent();
  upgrade_->Active = false;
  server_.Serve("/velkinfo.txt", "#date=07/06/2003\r\n");
  for (int tick = 0; tick < 2; ++tick) {
    platform::AdvanceClockMs(5000);
    velko_test::PumpMessagesUntil([] { return false; }, 0.2);
  }
  EXPECT_TRUE(server_.Requests().empty());
  // Switched on (and on line), the next tick checks once, then no more.
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", 0, nullptr, 0,
                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const BYTE online[4] = {1, 0, 0, 0};
  RegSetValueEx(key, "Remote Connection", 0, REG_BINARY, online, sizeof online);
  RegCloseKey(key);
  EXPECT_TRUE(TAutoUpgrade::IsOnline());
  upgrade_->Active = true;
  platform::AdvanceClockMs(5000);
  EXPECT_TRUE(velko_test::PumpMessagesUntil([this] { return !events_.empty(); }, 10));
  platform::AdvanceClockMs(5000);
  velko_test::PumpMessagesUntil([] { return false; }, 0.2);
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(events_, std::vector<std::string>{"none"});
  platform::UseRealClock();
}

// Every download case in one test: they share the program folder's
// "Upgrade.tmp". The good download comes last, as it ends the program.
// The program stands in a folder of its own, so that other test programs
// running at the same time never see this one's download.
TEST_F(AutoUpgradeTest, DownloadCountsOnlyWhole) {
  velko_test::TempDir program_folder;
  platform::SetProgramPath((program_folder.path() / "velko").string());
  answer_ = IDYES;
  std::string program(300000, '\0');
  for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i * 7 + i / 1000);
  const std::string info = "#date=2\r\n#caption=c\r\n#message=[m]\r\n#url=http://update.velko.test/v2/new.bin\r\n";
  server_.Serve("/velkinfo.txt", info);
  std::error_code ignored;
  fsys::remove(DownloadNative(), ignored);
  struct Case {
    const char* what;
    std::string head;
    std::string body;
  };
  const Case failures[] = {
      {"not found", "HTTP/1.0 404 Not Found\r\nContent-Length: 5", "nope!"},
      {"short", "HTTP/1.0 200 OK\r\nContent-Length: 300000", program.substr(0, 1000)},
      {"no length", "HTTP/1.0 200 OK", program},
      {"bad length", "HTTP/1.0 200 OK\r\nContent-Length: 3e5", program},
  };
  for (const Case& c : failures) {
    server_.Serve("/v2/new.bin", c.body, c.head);
    events_.clear();
    upgrade_->CheckInfo();
    EXPECT_TRUE(velko_test::PumpMessagesUntil([this] { return !events_.empty(); }, 20)) << c.what;
    EXPECT_EQ(events_, std::vector<std::string>{"error"}) << c.what;
    EXPECT_FALSE(fsys::exists(DownloadNative())) << c.what;
  }
  EXPECT_TRUE(starter_->Launches().empty());

  // Another user's file at the upgrader's name in the shared temporary
  // folder, put there after the component was made.
  const std::string planted = platform::NativePath(upgrade_->TempPath() + "Upgrader.exe").value_or("?");
  const std::string planted_text = "#!/bin/sh\necho planted\n";
  std::ofstream(planted, std::ios::binary) << planted_text;

  server_.Serve("/v2/new.bin", program);
  events_.clear();
  upgrade_->CheckInfo();
  // Runs the download, watching for the program being asked to end.
  EXPECT_TRUE(
      velko_test::PumpMessagesUntil([this] { return !events_.empty() && quit_; }, 20, [this] { TakeMessages(); }));
  EXPECT_EQ(events_, std::vector<std::string>{"done 300000"});
  EXPECT_EQ(velko_test::ReadFile(DownloadNative()), program);
  EXPECT_TRUE(progress_on_main_);
  EXPECT_EQ(last_progress_, std::make_pair(300000, 300000));
  for (const auto& box : boxes_) {
    if (box.caption != "c") ADD_FAILURE() << box.caption << ": " << box.text;
  }
  ASSERT_EQ(starter_->Launches().size(), 1u);
  const auto launch = starter_->Launches()[0];
  ASSERT_FALSE(launch.arguments.empty());
  EXPECT_EQ(platform::NativePath(launch.arguments[0]).value_or("?"), launch.program);
  EXPECT_EQ(std::vector<std::string>(launch.arguments.begin() + 1, launch.arguments.end()),
            (std::vector<std::string>{ExtractFileName(Application->ExeName()), "Upgrade.tmp", "new.bin"}));
  // The upgrader ran from a folder of this run's own in the temporary
  // folder, open to no one else, holding exactly the upgrader.
  const fsys::path launched = launch.program;
  EXPECT_NE(launched, fsys::path(planted));
  EXPECT_EQ(launched.filename(), "Upgrader.exe");
  EXPECT_EQ(launched.parent_path().parent_path(), fsys::path(planted).parent_path());
  struct stat folder{};
  ASSERT_EQ(lstat(launched.parent_path().c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(folder.st_uid, geteuid());
  TResourceData image = FindResourceData("Upgrader", ResourceType::RCData);
  ASSERT_TRUE(image);
  EXPECT_TRUE(velko_test::ReadFile(launched) == std::string(image->begin(), image->end()));
  EXPECT_TRUE(velko_test::ReadFile(planted) == planted_text) << "the planted file was changed";
  // The next start clears this run's folder and leaves the other file be.
  {
    TComponent next_start(nullptr);
    new TAutoUpgrade(&next_start);
  }
  EXPECT_FALSE(fsys::exists(launched.parent_path()));
  EXPECT_TRUE(velko_test::ReadFile(planted) == planted_text) << "the planted file was changed";
  fsys::remove(planted, ignored);
  fsys::remove(DownloadNative(), ignored);
}

// A progress message still on its way when the download has ended (here
// the handler itself lets the download finish first) never hands the
// handler a worker that is gone.
TEST_F(AutoUpgradeTest, ProgressNeverNamesAWorkerThatIsGone) {
  velko_test::TempDir program_folder;
  platform::SetProgramPath((program_folder.path() / "velko").string());
  answer_ = IDYES;
  server_.Serve("/velkinfo.txt", "#date=2\r\n#caption=c\r\n#message=[m]\r\n#url=http://update.velko.test/new.bin\r\n");
  // Cut short: the download fails, so nothing is handed over.
  server_.ServeHeld("/new.bin", "HTTP/1.0 200 OK\r\nContent-Length: 300000", std::string(4000, 'a'),
                    std::string(20000, 'b'));
  int calls = 0;
  upgrade_->OnProgress = [this, &calls](TObject* sender, int, int) {
    auto* worker = dynamic_cast<TAutoUpgradeThread*>(sender);
    ASSERT_NE(worker, nullptr);
    EXPECT_EQ(worker->Mode, 1);
    if (++calls > 1) return;
    server_.Release();
    while (events_.empty()) {
      CheckSynchronize();
      Sleep(1);
    }
    Sleep(200);  // the worker is gone by now
  };
  upgrade_->CheckInfo();
  EXPECT_TRUE(velko_test::PumpMessagesUntil([this] { return !events_.empty(); }, 20));
  velko_test::PumpMessagesFor(0.3);
  EXPECT_EQ(events_, std::vector<std::string>{"error"});
  EXPECT_GE(calls, 1);
}


// The threads of this process (the kernel's count).
int ThreadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

// The component freed, or the program asked to end, while a worker waits
// on a server that holds its answer back (the program closed during the
// check or the download): the wait ends at once, the worker stops without
// the server, and neither its end nor its progress reaches the component.
TEST_F(AutoUpgradeTest, FreedOrEndingWhileAWorkerWaits) {
  velko_test::TempDir program_folder;
  platform::SetProgramPath((program_folder.path() / "velko").string());
  answer_ = IDYES;
  const std::string offer =
      "#date=2\r\n#caption=c\r\n#message=[m]\r\n#url=http://update.velko.test/new.bin\r\n";
  // Warm up, so that whatever the first request starts for good is counted.
  server_.Serve("/velkinfo.txt", "#date=07/06/2003\r\n");
  upgrade_->CheckInfo();
  ASSERT_EQ(events_, std::vector<std::string>{"none"});
  velko_test::PumpMessagesFor(0.3);
  const int idle_threads = ThreadCount();

  enum class Stop { kFree, kQuit };
  struct Case {
    const char* what;
    bool download;
    Stop stop;
  };
  const Case cases[] = {
      {"check freed", false, Stop::kFree},
      {"download freed", true, Stop::kFree},
      {"check ended", false, Stop::kQuit},
      {"download ended", true, Stop::kQuit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (upgrade_ == nullptr) MakeComponent();
    events_.clear();
    boxes_.clear();
    last_progress_ = {0, 0};
    if (c.download) {
      server_.Serve("/velkinfo.txt", offer);
      server_.ServeHeld("/new.bin", "HTTP/1.0 200 OK\r\nContent-Length: 300000", std::string(4000, 'a'),
                        std::string(20000, 'b'));
    } else {
      server_.ServeHeld("/velkinfo.txt", "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(offer.size()),
                        offer.substr(0, 9), offer.substr(9));
    }
    const std::size_t requests = server_.Requests().size();
    // Once the worker waits on the server (it has asked, or reported the
    // first piece), the component goes, or the program is asked to end,
    // from inside the component's own wait.
    HWND stopper = nullptr;
    stopper = AllocateHWnd([&](TMessage& message) {
      const bool waiting = c.download ? last_progress_.second > 0 : server_.Requests().size() > requests;
      if (message.Msg != WM_TIMER || !waiting) return;
      KillTimer(stopper, 1);
      if (c.stop == Stop::kFree) {
        delete upgrade_;
        upgrade_ = nullptr;
      } else {
        PostQuitMessage(0);
      }
    });
    SetTimer(stopper, 1, 10, nullptr);
    upgrade_->CheckInfo();
    // A quit message is left for the program's own loop (here, this one).
    quit_ = false;
    const bool stopped = velko_test::PumpMessagesUntil(
        [&] { return c.stop == Stop::kFree ? upgrade_ == nullptr : quit_; }, 10, [this] { TakeMessages(); });
    DeallocateHWnd(stopper);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(Application->Terminated());
    if (c.stop == Stop::kQuit) {
      // The program's end frees the component.
      delete upgrade_;
      upgrade_ = nullptr;
    }
    // The worker ends while the server still holds its answer back.
    EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return ThreadCount() <= idle_threads + 1; }, 10));
    server_.Release();
    EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return ThreadCount() <= idle_threads; }, 10));
    velko_test::PumpMessagesFor(0.2);
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(boxes_.size(), c.download ? 1u : 0u);
    EXPECT_FALSE(fsys::exists(DownloadNative()));
  }
  EXPECT_TRUE(starter_->Launches().empty());
}

}  // namespace
