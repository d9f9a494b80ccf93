// The file-sharing window's transfers against raw peers on 127.0.0.1, with a
// temporary home as drive C: and C:\ as the download folder: where a hit's
// file lands, rows tied to their transfers, what a peer may write and how
// much, what a broken download leaves, the errors on the rows, aborting and
// clearing, and downloads served in chunks.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>

#include "network/GnutellaClient.h"
#include "platform/fs/drives.h"
#include "tests/network_ui/nuts_fixture.h"
#include "tests/network_ui/transfer_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/servent_process.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

// Every entry below a folder, with the bytes of its files.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    entries[entry.path().string()] = entry.is_regular_file() ? ReadFile(entry.path()) : "<folder>";
  }
  return entries;
}

// A raw connection to the window's port, read while the window runs.
class Peer {
 public:
  explicit Peer(int port) : connection_(LoopbackConnection::Dial(static_cast<std::uint16_t>(port))) {
    if (connection_) ::fcntl(connection_->fd(), F_SETFL, ::fcntl(connection_->fd(), F_GETFL) | O_NONBLOCK);
  }
  LoopbackConnection* operator->() { return connection_.get(); }
  explicit operator bool() const { return connection_ != nullptr; }
  // Takes what has arrived; true once the window has closed its end.
  bool Poll() {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(connection_->fd(), buffer, sizeof buffer);
      if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed = true;
      return closed;
    }
  }
  bool WaitClosed() {
    return Wait([&] { return Poll(); });
  }
  std::string received;
  bool closed = false;

 private:
  std::unique_ptr<LoopbackConnection> connection_;
};

class NutsTransfersTest : public NutsTest {
 protected:
  void SetUp() override {
    NutsTest::SetUp();
    home_.WriteFile("notes.txt", "the user's own");
    platform::MapDrive('C', home_.path().string());
    port_ = FreePort("127.0.0.1");
    program_.WriteFile("VelkoNet.ini", "[Connection]\r\nListenport=" + std::to_string(port_) +
                                           "\r\n[Downloads]\r\nDirectory=C:\\\r\n[Tune]\r\nMaxClients=4\r\n");
    MakeWindow();
    form_->Gnutella1->ServerSocket->Address = "127.0.0.1";
    form_->Gnutella1->IPManager->Hosts.Clear();
    form_->Show();
    form_->Gnutella1->StartListening();
    ASSERT_TRUE(form_->Gnutella1->IsListening());
    results_ = form_->AddSearchTab("transfers");
  }
  void TearDown() override {
    NutsTest::TearDown();
    platform::ResetDriveTable();
  }
  // A hit for `name` of `size` bytes served by `server`, double-clicked.
  void Download(const std::string& name, HttpResponder& server, DWORD size) {
    const GUID none{};
    form_->FoundStuff(form_->Gnutella1, "127.0.0.2", none, "127.0.0.1", server.port(), 0, none, 1, size, name, "");
    TListItem* item = results_->Items()->Item(results_->Items()->Count() - 1);
    results_->ClearSelection();
    item->SetSelected(true);
    form_->ResultDblClick(results_);
  }
  static HttpResponder::Handler Answer(const std::string& bytes) {
    return [bytes](const std::string&) { return HttpResponder::Reply{bytes, false}; };
  }

  TempDir home_;
  int port_ = 0;
  TListView* results_ = nullptr;
};

// Every name lands directly in the download folder, a second file of a
// name that is being downloaded takes "name (2)", and each row keeps its
// own transfer's figures.
TEST_F(NutsTransfersTest, HitNamesLandInTheFolderEachOnItsOwnRow) {
  HttpResponder first([](const std::string&) { return HttpResponder::Ok("first body"); });
  HttpResponder second([](const std::string&) { return HttpResponder::Ok("second"); });
  struct Hit {
    const char* name;
    HttpResponder& server;
    DWORD size;
  } hits[] = {{"same.mp3", first, 10}, {"same.mp3", second, 6},  {"..\\..\\x.mp3", first, 10},
              {"/etc/x", first, 10},   {"C:\\x", second, 6},    {"..", first, 10}};
  for (const Hit& h : hits) Download(h.name, h.server, h.size);
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(Status(form_->DownList, row), "Completed") << row;
    EXPECT_EQ(Status(form_->DownList, row, 0), std::to_string(hits[row].size)) << row;
    // The bodies came with their headers: progress shows the end all the same.
    EXPECT_EQ(Status(form_->DownList, row, 1), "100%") << row;
  }
  EXPECT_EQ(Status(form_->DownList, 5), "Refused file name");
  EXPECT_EQ(ReadFile(home_ / "same.mp3"), "first body");
  EXPECT_EQ(ReadFile(home_ / "same (2).mp3"), "second");
  EXPECT_EQ(ReadFile(home_ / "x.mp3"), "first body");
  EXPECT_EQ(ReadFile(home_ / "x"), "first body");
  EXPECT_EQ(ReadFile(home_ / "x (2)"), "second");
  EXPECT_FALSE(fs::exists(home_.path().parent_path() / "x.mp3"));
  EXPECT_EQ(sound_->Plays().size(), 5u);
}

TEST_F(NutsTransfersTest, AbortClosesADownloadAndClearLeavesItRunningWithoutARow) {
  HttpResponder silent([](const std::string&) { return HttpResponder::Reply{"", true}; });
  Download("a.mp3", silent, 10);
  Download("b.mp3", silent, 10);
  ASSERT_TRUE(Wait([&] { return Status(form_->DownList, 0) == "Connected" && Status(form_->DownList, 1) == "Connected"; }));
  ASSERT_EQ(form_->Transfers().size(), 2u);
  // Abort the first: it disconnects and leaves the list.
  form_->DownList->Items()->Item(0)->SetSelected(true);
  form_->Abort1Click(form_);
  ASSERT_TRUE(Wait([&] { return form_->Transfers().size() == 1u; }));
  EXPECT_EQ(Status(form_->DownList, 0), "Disconnected");
  EXPECT_EQ(form_->DownList->Items()->Item(0)->Data(), nullptr);
  form_->Abort1Click(form_);  // the same row again: nothing
  // Clear the second: the row goes, the transfer runs on and its end
  // changes no other row.
  form_->DownList->ClearSelection();
  form_->DownList->Items()->Item(1)->SetSelected(true);
  TGnutellaFileTransfer* running = form_->Transfers()[0];
  form_->DownClear(form_);
  ASSERT_EQ(form_->DownList->Items()->Count(), 1);
  EXPECT_EQ(form_->TransferRow(running), nullptr);
  EXPECT_EQ(form_->Transfers().size(), 1u);
  silent.Stop();
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 0), "Disconnected");
  EXPECT_EQ(form_->DownList->Items()->Count(), 1);
}

TEST_F(NutsTransfersTest, AnUnsolicitedGivWritesNothingIntoTheHome) {
  const auto before = Snapshot(home_.path());
  Peer peer(port_);
  ASSERT_TRUE(peer);
  peer->Write("GIV 0:00112233445566778899AABBCCDDEEFF/.bash_profile\n\n");
  // Whatever the window would ask for, the peer answers with its own text.
  bool answered = false;
  ASSERT_TRUE(Wait([&] {
    if (peer.Poll()) return true;
    if (!answered && peer.received.find("\r\n\r\n") != std::string::npos) {
      peer->Write("HTTP/1.0 200 OK\r\n\r\necho owned\n");
      peer->ShutdownWrite();
      answered = true;
    }
    return false;
  }));
  Wait([] { return false; }, 0.3);
  EXPECT_EQ(peer.received, "");
  EXPECT_EQ(Snapshot(home_.path()), before);
  EXPECT_EQ(form_->DownList->Items()->Count(), 0);
  EXPECT_EQ(form_->Gnutella1->GivsRefused, 1u);
}

TEST_F(NutsTransfersTest, NothingPastTheSizeTheHitAnnouncedIsWritten) {
  const std::string big(70000, 'x');
  struct Case {
    std::string name;
    DWORD announced;
    std::string reply;
  } cases[] = {
      {"no length.mp3", 4, "HTTP/1.0 200 OK\r\n\r\n" + big},
      {"longer.mp3", 4, "HTTP/1.0 200 OK\r\nContent-Length: 70000\r\n\r\n" + big},
      {"range.mp3", 4, "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 0-69999/70000\r\n\r\n" + big},
      {"empty.mp3", 0, "HTTP/1.0 200 OK\r\nContent-Length: 70000\r\n\r\n" + big},
  };
  int row = 0;
  for (const auto& c : cases) {
    HttpResponder server(Answer(c.reply));
    Download(c.name, server, c.announced);
    ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); })) << c.name;
    EXPECT_EQ(Status(form_->DownList, row), "Completed") << c.name;
    if (c.announced > 0) {
      EXPECT_EQ(Status(form_->DownList, row, 1), "100%") << c.name;
    }
    EXPECT_EQ(ReadFile(home_ / c.name), big.substr(0, c.announced)) << c.name;
    ++row;
  }
}

// A hit's size of 4294967295 is no size: the row shows the one the reply
// tells. A reply with no bytes ends its row with an error, the partial file
// kept.
TEST_F(NutsTransfersTest, TheRowsTellUnknownSizesAndEmptyReplies) {
  struct Case {
    std::string name;
    DWORD announced;
    std::string reply;
    std::string status, size, progress;
  } cases[] = {
      {"big.mp3", 0xFFFFFFFF, "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789", "Completed", "10", "100%"},
      {"none.mp3", 10, "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", "Reply brought no data", "10", "0%"},
  };
  int row = 0;
  for (const auto& c : cases) {
    HttpResponder server(Answer(c.reply));
    Download(c.name, server, c.announced);
    ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); })) << c.name;
    EXPECT_EQ(server.Requests().size(), 1u) << c.name;
    EXPECT_EQ(Status(form_->DownList, row), c.status) << c.name;
    EXPECT_EQ(Status(form_->DownList, row, 0), c.size) << c.name;
    EXPECT_EQ(Status(form_->DownList, row, 1), c.progress) << c.name;
    ++row;
  }
  EXPECT_EQ(ReadFile(home_ / "big.mp3"), "0123456789");
  EXPECT_FALSE(fs::exists(home_ / "none.mp3"));
  EXPECT_TRUE(fs::exists(home_ / "none.mp3.part"));
}

TEST_F(NutsTransfersTest, DownloadingAgainKeepsTheOldFileUntilTheNewOneIsWhole) {
  const std::string first(1000, '1');
  const std::string second(1000, '2');
  home_.WriteFile("song.mp3", first);
  {
    HttpResponder whole(Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + second));
    Download("song.mp3", whole, 1000);
    ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
    EXPECT_EQ(Status(form_->DownList, 0), "Completed");
    EXPECT_TRUE(ReadFile(home_ / "song.mp3") == second);
  }
  // Seven bytes and the close: the copy on disk stays as it was.
  HttpResponder broken(Answer("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n1234567"));
  Download("song.mp3", broken, 1000);
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 1), "Disconnected");
  EXPECT_TRUE(ReadFile(home_ / "song.mp3") == second);
  // What did arrive waits beside it for a resume.
  EXPECT_EQ(ReadFile(home_ / "song.mp3.part"), "1234567");
}

TEST_F(NutsTransfersTest, ErrorTextsReachTheirRows) {
  // A download the peer refuses.
  HttpResponder busy(Answer("HTTP/1.0 503 Busy\r\n\r\n"));
  Download("busy.mp3", busy, 10);
  // An upload of an index this servent does not share.
  Peer getter(port_);
  ASSERT_TRUE(getter);
  getter->Write("GET /get/9/none.mp3 HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(getter.WaitClosed());
  EXPECT_EQ(getter.received, "HTTP/1.0 404 Not Found\r\n\r\n");
  // A push whose requester never sends its GET.
  LoopbackServer requester([](LoopbackConnection& c) {
    c.ReadUntil("\n\n");
    c.WaitForClose(20);
  });
  const GUID none{};
  form_->Gnutella1Push(form_->Gnutella1, "127.0.0.2", none, "127.0.0.1", requester.port(), "", 0, none);
  auto* push = dynamic_cast<TGnutellaPushFile*>(form_->Transfers().back());
  ASSERT_NE(push, nullptr);
  push->RequestTimeout = 200;
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 0), "Busy");
  EXPECT_EQ(Status(form_->UpList, 0), "Not Found");
  EXPECT_EQ(Status(form_->UpList, 1), "Request Timeout");
}

// Each push is a dial to the address it names: one at a time for an
// address and file, and no more than the upload slots; the rest are
// refused and counted. Once the pushes end, the same push dials again.
TEST_F(NutsTransfersTest, PushesDialOncePerAddressAndFileWithinTheUploadSlots) {
  auto holding = [](LoopbackConnection& c) {
    c.ReadUntil("\n\n");
    c.WaitForClose(20);
  };
  LoopbackServer requester(holding);
  LoopbackServer other_port(holding);
  const GUID none{};
  auto push = [&](DWORD index, std::uint16_t port) {
    form_->Gnutella1Push(form_->Gnutella1, "127.0.0.2", none, "127.0.0.1", port, "", index, none);
  };
  form_->UploadSlots = 10;
  push(0, requester.port());
  push(0, requester.port());   // the same again
  push(0, other_port.port());  // the same address and file on another port
  EXPECT_EQ(form_->Transfers().size(), 1u);
  EXPECT_EQ(form_->Gnutella1->PushesRefused, 2u);
  form_->UploadSlots = 2;
  push(1, requester.port());
  push(2, requester.port());  // past the slots
  EXPECT_EQ(form_->Transfers().size(), 2u);
  EXPECT_EQ(form_->UpList->Items()->Count(), 2);
  EXPECT_EQ(form_->Gnutella1->PushesRefused, 3u);
  EXPECT_EQ(form_->Gnutella1->PushesDropped, 3u);
  ASSERT_TRUE(Wait([&] { return requester.Accepted() == 2; }));
  Wait([] { return false; }, 0.2);
  EXPECT_EQ(requester.Accepted(), 2);
  EXPECT_EQ(other_port.Accepted(), 0);

  requester.Stop();
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  push(0, other_port.port());
  EXPECT_EQ(form_->Transfers().size(), 1u);
  EXPECT_TRUE(Wait([&] { return other_port.Accepted() == 1; }));
  EXPECT_EQ(form_->Gnutella1->PushesRefused, 3u);
}

TEST_F(NutsTransfersTest, AbortStopsAnUpload) {
  const std::string song(16 << 20, 's');
  home_.WriteFile("Shared/big.mp3", song);
  form_->Gnutella1->AddShare("C:\\Shared\\big.mp3");
  Peer getter(port_);
  ASSERT_TRUE(getter);
  getter->SetReceiveBuffer(4096);
  getter->Write("GET /get/0/big.mp3 HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(Wait([&] { return Status(form_->UpList, 0) == "Uploading..."; })) << Status(form_->UpList, 0);
  form_->UpList->Items()->Item(0)->SetSelected(true);
  form_->UpAbort(form_);
  EXPECT_EQ(form_->UpList->Items()->Count(), 0);
  ASSERT_TRUE(getter.WaitClosed());
  EXPECT_LT(getter.received.size(), song.size());
  EXPECT_TRUE(form_->Transfers().empty());
}

// Serves `data` as peers that hand out big files do: each request gets at
// most one chunk, "206" with its Content-Range, and the close. Requests
// after the first `serve_until` are refused with 503.
class ChunkServer {
 public:
  ChunkServer(std::string data, std::size_t serve_until = SIZE_MAX)
      : data_(std::move(data)), serve_until_(serve_until), server_([this](const std::string& head) {
          return Answer(head);
        }) {}
  HttpResponder& server() { return server_; }
  std::vector<std::string> Ranges() {
    std::lock_guard<std::mutex> hold(mutex_);
    return ranges_;
  }
  void ServeAll() {
    std::lock_guard<std::mutex> hold(mutex_);
    serve_until_ = SIZE_MAX;
  }
  static constexpr std::size_t kChunk = 512 * 1024;

 private:
  HttpResponder::Reply Answer(const std::string& head) {
    const std::size_t at = head.find("Range: bytes=");
    const std::size_t dash = head.find('-', at);
    const std::string first_text = at == std::string::npos ? "0" : head.substr(at + 13, dash - at - 13);
    std::lock_guard<std::mutex> hold(mutex_);
    ranges_.push_back(first_text);
    if (ranges_.size() > serve_until_) return {"HTTP/1.0 503 Busy\r\n\r\n", false};
    const std::size_t first = std::stoul(first_text);
    const std::size_t last = std::min(first + kChunk, data_.size()) - 1;
    return {"HTTP/1.0 206 Partial Content\r\nContent-Length: " + std::to_string(last - first + 1) +
                "\r\nContent-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                std::to_string(data_.size()) + "\r\n\r\n" + data_.substr(first, last - first + 1),
            false};
  }
  std::string data_;
  std::size_t serve_until_;
  std::mutex mutex_;
  std::vector<std::string> ranges_;
  HttpResponder server_;
};

TEST_F(NutsTransfersTest, ADownloadServedInChunksFetchesEveryChunk) {
  const std::string data = RandomBytes(1500007, 7);
  ChunkServer chunks(data);
  Download("chunked.bin", chunks.server(), 1500007);
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 0), "Completed");
  EXPECT_EQ(Status(form_->DownList, 0, 1), "100%");
  EXPECT_EQ(chunks.Ranges(), (std::vector<std::string>{"0", "524288", "1048576"}));
  EXPECT_TRUE(ReadFile(home_ / "chunked.bin") == data);
  EXPECT_FALSE(fs::exists(home_ / "chunked.bin.part"));
  EXPECT_EQ(sound_->Plays().size(), 1u);
}

TEST_F(NutsTransfersTest, ARefusedChunkKeepsThePartialFileForAResume) {
  const std::string data = RandomBytes(1500007, 8);
  ChunkServer chunks(data, 2);
  Download("refused.bin", chunks.server(), 1500007);
  ASSERT_TRUE(Wait([&] { return form_->Transfers().empty(); }));
  EXPECT_EQ(Status(form_->DownList, 0), "Busy");
  EXPECT_TRUE(sound_->Plays().empty());
  EXPECT_FALSE(fs::exists(home_ / "refused.bin"));
  EXPECT_TRUE(ReadFile(home_ / "refused.bin.part") == data.substr(0, 2 * ChunkServer::kChunk));

  // The resume asks from the partial file's end and finishes the file.
  chunks.ServeAll();
  TransferLog log;
  auto* resume = new TGnutellaDownloadFile(nullptr);
  log.Attach(resume);
  resume->OnFileExists = [](TComponent*, String&, TGnutellaFileExitst& choice) { choice = 0; };
  resume->IP = "127.0.0.1";
  resume->Port = chunks.server().port();
  resume->FileIndex = 1;
  resume->Filename = "refused.bin";
  resume->SaveTo = "C:\\refused.bin";
  resume->HitSize = 1500007;
  resume->StartOffset = static_cast<std::int64_t>(fs::file_size(home_ / "refused.bin.part"));
  resume->Start();
  ASSERT_TRUE(Wait([&] { return log.disconnected || log.errors > 0; }));
  delete resume;
  EXPECT_TRUE(log.transfered) << log.error_text;
  EXPECT_EQ(chunks.Ranges().back(), "1048576");
  EXPECT_TRUE(ReadFile(home_ / "refused.bin") == data);
  EXPECT_FALSE(fs::exists(home_ / "refused.bin.part"));
}

}  // namespace
}  // namespace velko_test
