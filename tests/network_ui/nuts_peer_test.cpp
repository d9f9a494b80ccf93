// The file-sharing window driven as a user would, with the test servent
// program as its peer on 127.0.0.2 and a web host cache on 127.0.0.1: it
// finds and connects to the peer, searches, downloads, serves an upload and
// a push, and quits while a transfer runs.
#include <filesystem>

#include "classlib/StringRoutines.h"
#include "classlib/Threads.h"
#include "network/GWebCache.h"
#include "platform/user/input.h"
#include "platform/user/virtual_keys.h"
#include "tests/network_ui/nuts_fixture.h"
#include "tests/network_ui/transfer_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_pump.h"
#include "tests/support/servent_process.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

class NutsPeerTest : public NutsTest {
 protected:
  void SetUp() override {
    NutsTest::SetUp();
    beat_ = RandomBytes(300 * 1024 + 7, 3);
    peer_share_.WriteFile("Beat It.mp3", beat_);
    ServentProcess::Options options;
    options.address = "127.0.0.2";
    options.share = peer_share_.path().string();
    options.download = peer_download_.path().string();
    options.home = peer_home_.path().string();
    peer_ = std::make_unique<ServentProcess>(options);
    ASSERT_TRUE(peer_->Started());
    ASSERT_NE(peer_->WaitFor("ready"), "");
    cache_ = std::make_unique<HttpResponder>([this](const std::string& head) {
      if (head.find("hostfile=1") != std::string::npos) {
        return HttpResponder::Ok("127.0.0.2:" + std::to_string(peer_->port()) + "\r\n");
      }
      return HttpResponder::Ok("");
    });
    port_ = FreePort("127.0.0.1");
    program_.WriteFile("VelkoNet.ini", "[Connection]\r\nListenport=" + std::to_string(port_) +
                                           "\r\nForceIP=1\r\nIP=127.0.0.1\r\n[Downloads]\r\nDirectory=" +
                                           Platform(download_.path()) + "\\\r\n");
    MakeWindow();
    form_->Gnutella1->ServerSocket->Address = "127.0.0.1";
    form_->Gnutella1->IPManager->Hosts.Clear();
    auto* web_cache = dynamic_cast<TGWebCache*>(form_->Gnutella1->WebCache);
    ASSERT_NE(web_cache, nullptr);
    web_cache->GWebCache->Clear();
    web_cache->GWebCache->Add(cache_->Url("/gcache.php"));
    web_cache->ReloadPending = false;
  }
  void TearDown() override {
    NutsTest::TearDown();
    if (peer_) peer_->Send("quit");
    peer_.reset();
    cache_.reset();
  }
  // Shows the window; its activation connects through the web cache.
  void ShowAndConnect() {
    form_->Show();
    ASSERT_TRUE(Wait([&] { return Status(form_->HostList, 0, 0) == "Connected"; })) << Status(form_->HostList, 0, 0);
    EXPECT_EQ(form_->Caption(), "Connected to 1 clients");
    EXPECT_EQ(form_->HostList->Items()->Item(0)->Caption(), "127.0.0.2");
    ASSERT_NE(peer_->WaitFor("login"), "");
  }
  // Types a search and presses Enter in the search box.
  TListView* SearchFor(const std::string& text) {
    form_->Edit3->SetFocus();
    platform::InjectText(text);
    platform::InjectKeyPress(VK_RETURN);
    if (!Wait([&] { return form_->ResultList(0) != nullptr && form_->ResultList(0)->Items()->Count() > 0; })) {
      return nullptr;
    }
    return form_->ResultList(0);
  }
  // The peer's next line starting with `prefix`, while the window runs.
  std::string PeerLine(const std::string& prefix) {
    std::string found;
    Wait([&] {
      const auto lines = peer_->Lines();
      for (; seen_ < lines.size(); ++seen_) {
        if (lines[seen_].rfind(prefix, 0) == 0) {
          found = lines[seen_++];
          return true;
        }
      }
      return false;
    });
    return found;
  }
  std::string ServentHex() { return std::string(ServentIDHex(form_->Gnutella1->ServentGUID)); }

  TempDir peer_share_, peer_download_, peer_home_;
  std::unique_ptr<ServentProcess> peer_;
  std::unique_ptr<HttpResponder> cache_;
  std::string beat_;
  int port_ = 0;
  std::size_t seen_ = 0;
};

TEST_F(NutsPeerTest, ConnectSearchAndDownloadAsAUser) {
  ShowAndConnect();
  TListView* results = SearchFor("beat");
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(form_->ResultPages->Pages(0)->Caption(), "beat");
  EXPECT_EQ(form_->Transfer->ActivePage(), form_->TabSheet1);
  TListItem* hit = results->Items()->Item(0);
  EXPECT_EQ(hit->Caption(), "Beat It.mp3");
  EXPECT_EQ(hit->SubItems()->Strings(0), std::to_string(beat_.size()));
  EXPECT_EQ(hit->SubItems()->Strings(1), "127.0.0.2");
  EXPECT_EQ(hit->SubItems()->Strings(2), std::to_string(peer_->port()));
  EXPECT_NE(static_cast<TSearchHit*>(hit->Data()), nullptr);
  // The statistics count the query sent and the hit received.
  form_->Timer1Timer(form_);
  EXPECT_EQ(form_->CounterLabels[3][2]->Caption(), "1");  // Query: Send
  EXPECT_EQ(form_->CounterLabels[4][0]->Caption(), "1");  // Query Hit: Received
  EXPECT_EQ(form_->CounterLabels[0][0]->Caption(), IntToStr(form_->Gnutella1->PingsReceived +
                                                            form_->Gnutella1->PongsReceived + 1));

  std::vector<std::string> statuses;
  DoubleClickRow(results, 0);
  // Stop at the message that starts the download, and watch its row.
  ASSERT_TRUE(Wait([&] { return form_->DownList->Items()->Count() == 1; }));
  ASSERT_EQ(form_->Transfer->ActivePage(), form_->TabSheet4);
  ASSERT_EQ(form_->Transfers().size(), 1u);
  TGnutellaFileTransfer* download = form_->Transfers()[0];
  statuses.push_back(Status(form_->DownList, 0));
  download->OnStartTransfer = [&, shown = download->OnStartTransfer](TComponent* t, const String& name) {
    shown(t, name);
    statuses.push_back(Status(form_->DownList, 0));
  };
  ASSERT_TRUE(Wait([&] { return Status(form_->DownList, 0) == "Completed"; })) << Status(form_->DownList, 0);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Connecting...", "Downloading..."}));
  EXPECT_EQ(Status(form_->DownList, 0, 1), "100%");
  EXPECT_TRUE(ReadFile(download_ / "Beat It.mp3") == beat_);
  const auto plays = sound_->Plays();
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_TRUE(std::string(plays[0].wave.begin(), plays[0].wave.end()) == ok_wav_);
  EXPECT_GE(form_->FileList->Items()->IndexOf("Beat It.mp3"), 0);
  // The disconnect keeps "Completed" and the transfer leaves the list.
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 0), "Completed");
  EXPECT_EQ(form_->DownList->Items()->Item(0)->Data(), nullptr);
  form_->DownList->Items()->Item(0)->SetSelected(true);
  form_->Abort1Click(form_);  // a finished row: nothing happens
  EXPECT_EQ(Status(form_->DownList, 0), "Completed");
}

TEST_F(NutsPeerTest, UploadsPushesAndQuit) {
  const std::string song = RandomBytes(200 * 1024 + 1, 9);
  share_.WriteFile("Upbeat.mp3", song);
  ShowAndConnect();
  browse_answer_ = Platform(share_.path());
  Form2->Button5Click(Form2);
  ASSERT_EQ(Form2->ShareList->Items()->Count(), 1);

  peer_->Send("search upbeat");
  auto hit = Words(PeerLine("hit "));
  ASSERT_GE(hit.size(), 7u);
  peer_->Send("download " + hit[1] + " " + hit[2] + " " + hit[3] + " Upbeat.mp3");
  ASSERT_NE(PeerLine("download transfered"), "");
  ASSERT_TRUE(Wait([&] { return Status(form_->UpList, 0) == "Completed"; })) << Status(form_->UpList, 0);
  EXPECT_EQ(form_->UpList->Items()->Item(0)->Caption(), Platform(share_.path() / "Upbeat.mp3"));
  EXPECT_TRUE(ReadFile(peer_download_ / "Upbeat.mp3") == song);
  // The logged-in link's host row stays.
  EXPECT_EQ(Status(form_->HostList, 0, 0), "Connected");

  // A push from the peer: the window dials back and serves the file.
  fs::remove(peer_download_ / "Upbeat.mp3");
  peer_->Send("push " + ServentHex() + " " + hit[3] + " 127.0.0.2 " + std::to_string(peer_->port()));
  ASSERT_TRUE(Wait([&] { return Status(form_->UpList, 1) == "Completed"; })) << Status(form_->UpList, 1);
  ASSERT_NE(PeerLine("pop transfered"), "");
  EXPECT_TRUE(ReadFile(peer_download_ / "Upbeat.mp3") == song);

  // Quit while a download runs: the settings are saved, the transfers are
  // freed, the program is asked to end.
  peer_->Send("limit 1000");
  ASSERT_NE(PeerLine("limit"), "");
  TListView* results = SearchFor("beat");
  ASSERT_NE(results, nullptr);
  DoubleClickRow(results, 0);
  ASSERT_TRUE(Wait([&] { return !form_->Transfers().empty(); }));
  bool ended = false;
  form_->PlayerCommands.Terminate = [&] { ended = true; };
  fs::remove(IniPath());
  form_->Exit1Click(form_);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(fs::exists(IniPath()));
  EXPECT_TRUE(form_->Transfers().empty());
  PumpMessagesFor(0.2);
}

}  // namespace
}  // namespace velko_test
