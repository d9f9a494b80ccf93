#include "network_ui/GnutellaTransfer.h"

#include <algorithm>

#include "classlib/FileRoutines.h"
#include "classlib/Streams.h"
#include "network/GnutellaClient.h"
#include "network/Socksify.h"
#include "network_ui/TransferText.h"
#include "platform/core/errors.h"
#include "platform/user/user.h"

namespace {

// One write event sends blocks while the socket takes them, up to this.
constexpr std::int64_t kMaxBytesPerWriteEvent = 64 * 1024;
// One read event takes at most this many pieces of kReadPiece bytes.
constexpr int kMaxReadsPerEvent = 4;
constexpr int kReadPiece = 256 * 1024;

const char* const kErrorKinds[] = {"general", "send", "receive", "connect", "disconnect", "accept"};

String Decimal(std::int64_t value) {
  return std::to_string(value);
}

}  // namespace

// --- Texts ------------------------------------------------------------------

String TransferSocketErrorText(TErrorEvent ErrorEvent, int ErrorCode) {
  int kind = static_cast<int>(ErrorEvent);
  const char* kind_text = kind >= 0 && kind < 6 ? kErrorKinds[kind] : "general";
  return platform::ErrorMessageText(static_cast<DWORD>(ErrorCode)) + " (" + std::to_string(ErrorCode) +
         " on " + kind_text + ")";
}

String ReplaceText(const String& S, const String& Old, const String& New) {
  if (Old.empty()) return S;
  String out;
  std::size_t at = 0;
  for (;;) {
    std::size_t found = S.find(Old, at);
    if (found == String::npos) break;
    out.append(S, at, found - at);
    out += New;
    at = found + Old.size();
  }
  out.append(S, at, String::npos);
  return out;
}

String DownloadRequest(int FileIndex, const String& Name, std::int64_t StartOffset, std::int64_t StopOffset,
                       const String& UserAgent) {
  String range = "Range: bytes=" + Decimal(StartOffset) + "-";
  if (StopOffset != -1) range += Decimal(StopOffset);
  return "GET /get/" + std::to_string(FileIndex) + "/" + EscapeRequestName(Name, true) + " HTTP/1.0\r\n" +
         "Connection: Keep-Alive\r\n" + range + "\r\n" + "User-Agent: " + UserAgent + "\r\n\r\n";
}

String PopRequest(int FileIndex, const String& Name, std::int64_t StartOffset, const String& UserAgent) {
  return "GET /get/" + std::to_string(FileIndex) + "/" + EscapeRequestName(Name, false) + " HTTP/1.0\r\n" +
         "Connection: Keep-Alive\r\n" + "Range: bytes=" + Decimal(StartOffset) + "-\r\n" +
         "User-Agent: " + UserAgent + "\r\n\r\n";
}

String ServentIDHex(const GUID& ID) {
  static const char kHex[] = "0123456789ABCDEF";
  const auto* bytes = reinterpret_cast<const unsigned char*>(&ID);
  String text;
  for (std::size_t i = 0; i < sizeof(GUID); ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}

String GivLine(int FileIndex, const String& ServentIDText, const String& Name) {
  return "GIV " + std::to_string(FileIndex) + ":" + ServentIDText + "/" + EscapeRequestName(Name, false) + "\n\n";
}

// --- Base -------------------------------------------------------------------

TGnutellaFileTransfer::TGnutellaFileTransfer(TComponent* AOwner, TTransferSide Side)
    : TComponent(AOwner), side_(Side) {
  hidden_window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  InitFields();
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(1000);
  timer_->SetOnTimer([this](TObject* Sender) { SpeedTimer(Sender); });
}

TGnutellaFileTransfer::~TGnutellaFileTransfer() {
  if (hidden_window_ != nullptr) DeallocateHWnd(hidden_window_);
  hidden_window_ = nullptr;
  timer_->SetEnabled(false);
  CloseDataFile();
}

void TGnutellaFileTransfer::InitFields() {
  file_open_ = false;
  transfered_ = false;
  error_ = false;
  header_done_ = false;
  BytesDone = 0;
  LocalUserAgent = GnutellaClientOptions().UserAgent;
  BlockSize = 8192;
}

void TGnutellaFileTransfer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_FREETRANSFER) {
    if (reinterpret_cast<TGnutellaFileTransfer*>(Message.LParam) == this) {
      try {
        delete this;
      } catch (...) {
      }
    }
    return;
  }
  if (Message.Msg == WM_NEXTRANGE) {
    if (reinterpret_cast<TGnutellaFileTransfer*>(Message.LParam) == this && redial_) redial_();
    return;
  }
  Message.Result = DefWindowProc(hidden_window_, Message.Msg, Message.WParam, Message.LParam);
}

void TGnutellaFileTransfer::SpeedTimer(TObject*) {
  prev_ticks_ = ticks_;
  ticks_ += 1;
  average_speed_ = static_cast<double>(BytesDone) / static_cast<double>(ticks_);
  current_speed_ = static_cast<double>(BytesDone - bytes_at_last_tick_) / static_cast<double>(ticks_ - prev_ticks_);
  bytes_at_last_tick_ = BytesDone;
}

bool TGnutellaFileTransfer::RangeComplete() const {
  if (!header_done_) return false;
  // The serving side fixed its (inclusive) range when it answered; an empty
  // file has the range 0 to -1.
  if (side_ == tsServe) return BytesDone == StopOffset - StartOffset + 1;
  return StopOffset >= 0 && BytesDone == StopOffset - StartOffset;
}

void TGnutellaFileTransfer::DoEvent(int Kind) {
  switch (Kind) {
    case 0:
      if (OnConnect) OnConnect(this, Filename);
      break;
    case 1:
      timer_->SetEnabled(false);
      if (RangeComplete() && !transfered_ && !error_) {
        transfered_ = true;
        if (OnTransfered) OnTransfered(this, Filename);
      }
      if (OnDisconnect) OnDisconnect(this, Filename);
      if (FreeOnDisconnect) PostFree();
      break;
    case 2:
      if (OnProgress) OnProgress(this, Filename, BytesDone + StartOffset);
      break;
    case 3:
      timer_->SetEnabled(false);
      transfered_ = true;
      if (OnTransfered) OnTransfered(this, Filename);
      break;
    case 4:
      timer_->SetEnabled(true);
      if (OnStartTransfer) OnStartTransfer(this, Filename);
      break;
    case 5:
      if (OnFileExists) OnFileExists(this, Filename, exists_choice_);
      break;
    default:
      break;
  }
}

void TGnutellaFileTransfer::DoError(int Code, const String& Text) {
  error_ = true;
  if (OnError) OnError(this, Filename, Code, Text);
}

void TGnutellaFileTransfer::SocketError(TCustomWinSocket*, TErrorEvent ErrorEvent, int& ErrorCode) {
  String text = TransferSocketErrorText(ErrorEvent, ErrorCode);
  DoError(ErrorCode, text);
  ErrorCode = 0;
  if (FreeOnDisconnect) PostFree();
}

void TGnutellaFileTransfer::PostFree() {
  if (free_posted_ || hidden_window_ == nullptr) return;
  free_posted_ = true;
  PostMessage(hidden_window_, WM_FREETRANSFER, 0, reinterpret_cast<LPARAM>(this));
}

void TGnutellaFileTransfer::ReArmWrite(TCustomWinSocket* Socket) {
  if (Socket == nullptr || !Socket->Connected()) return;
  TAsyncStyles styles = Socket->ASyncStyles();
  styles.Exclude(asWrite);
  Socket->SetASyncStyles(styles);
  styles.Include(asWrite);
  Socket->SetASyncStyles(styles);
}

void TGnutellaFileTransfer::SendWhole(TCustomWinSocket* Socket, const String& Text) {
  unsent_ += Text;
  SendUnsent(Socket);
}

bool TGnutellaFileTransfer::SendUnsent(TCustomWinSocket* Socket) {
  while (!unsent_.empty()) {
    if (Socket == nullptr || !Socket->Connected()) return false;
    // -1: the socket would block (a write event follows when it can take
    // more) or it failed and was closed.
    int sent = Socket->SendBuf(unsent_.data(), static_cast<int>(unsent_.size()));
    if (sent <= 0) return false;
    unsent_.erase(0, static_cast<std::size_t>(sent));
  }
  return true;
}

void TGnutellaFileTransfer::CloseDataFile() {
  if (file_open_) {
    FileClose(data_file_);
    file_open_ = false;
    data_file_ = nullptr;
  }
}

// --- Downloads ----------------------------------------------------------------

void TGnutellaFileTransfer::Fail(TCustomWinSocket* Socket, int Code, const String& Text, const String& Reply) {
  error_ = true;
  CloseDataFile();
  // The error is told while whoever watches the transfer still holds it:
  // the close below reports the disconnect, after which it is forgotten.
  DoError(Code, Text);
  if (Socket != nullptr && Socket->Connected()) {
    if (!Reply.empty()) Socket->SendText(Reply);
    Socket->Close();
  }
  if (FreeOnDisconnect) PostFree();
}

void TGnutellaFileTransfer::ReadDownload(TGnutellaDownloadReply& Reply, std::string& Header,
                                         TCustomWinSocket* Socket) {
  static thread_local std::vector<char> buffer(kReadPiece);
  for (int round = 0; round < kMaxReadsPerEvent; ++round) {
    if (!Socket->Connected()) return;
    int n = Socket->ReceiveBuf(buffer.data(), kReadPiece);
    if (n <= 0) return;
    if (!DownloadBytes(Reply, Header, Socket, buffer.data(), static_cast<std::size_t>(n))) return;
  }
}

bool TGnutellaFileTransfer::OpenTarget(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket) {
  const String partial = Reply.SaveTo.empty() ? String() : String(PartialFileName(Reply.SaveTo));
  exists_choice_ = 1;
  if (!partial.empty() && (FileExists(Reply.SaveTo) || FileExists(partial))) DoEvent(5);
  TGnutellaFileExitst choice = exists_choice_;
  if (choice > 3 || choice == 2) {
    Socket->Close();
    return false;
  }
  if (Reply.SaveTo.empty() || IsSymbolicLinkPath(Reply.SaveTo) || IsSymbolicLinkPath(partial)) {
    Fail(Socket, static_cast<int>(ERROR_ACCESS_DENIED), "Cannot create file " + Reply.SaveTo);
    return false;
  }
  // Choice 0 keeps the first StartOffset bytes: those of the partial file
  // when there is one, else a copy of the existing file's. Every other
  // choice starts a partial file of its own. An existing target is only
  // ever read.
  HANDLE file = INVALID_HANDLE_VALUE;
  bool kept_short = false;
  if (choice == 0 && (FileExists(partial) || FileExists(Reply.SaveTo))) {
    if (!FileExists(partial) && !CopyFile(Reply.SaveTo.c_str(), partial.c_str(), TRUE)) {
      DWORD code = GetLastError();
      Fail(Socket, static_cast<int>(code), "Cannot create file " + partial);
      return false;
    }
    file = FileOpen(partial, fmOpenWrite | fmShareDenyWrite);
    if (file != INVALID_HANDLE_VALUE) {
      std::int64_t size = FileSeek(file, 0, 2);
      kept_short = size < StartOffset;
      if (kept_short || FileSeek(file, StartOffset, 0) != StartOffset || !SetEndOfFile(file)) {
        FileClose(file);
        file = INVALID_HANDLE_VALUE;
      }
    }
  } else {
    file = CreateFile(partial.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    DWORD code = kept_short ? static_cast<DWORD>(ERROR_HANDLE_EOF) : GetLastError();
    Fail(Socket, static_cast<int>(code),
         kept_short ? "File shorter than the resume offset: " + partial : "Cannot open file " + partial);
    return false;
  }
  data_file_ = file;
  file_open_ = true;
  partial_name_ = partial;
  return true;
}

bool TGnutellaFileTransfer::DownloadBody(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket,
                                         const char* Data, std::size_t Size, bool Progress) {
  std::int64_t count = static_cast<std::int64_t>(Size);
  const std::int64_t end = reply_end_ >= 0 ? reply_end_ : StopOffset;
  if (end >= 0) count = std::min(count, std::max<std::int64_t>(end - StartOffset - BytesDone, 0));
  if (count > 0) {
    if (!file_open_ || FileWrite(data_file_, Data, static_cast<int>(count)) != count) {
      DWORD code = GetLastError();
      Fail(Socket, static_cast<int>(code), "Cannot write file " + Reply.SaveTo);
      return false;
    }
    BytesDone += count;
  }
  if (Progress) DoEvent(2);
  const std::int64_t at = StartOffset + BytesDone;
  if (StopOffset >= 0 && at == StopOffset) {
    FinishDownload(Reply, Socket);
    return false;
  }
  if (reply_end_ >= 0 && at == reply_end_) {
    if (at == reply_start_) {
      FailEmptyReply(Socket);
    } else if (!AskForTheRest(Socket)) {
      Socket->Close();
    }
    return false;
  }
  return true;
}

void TGnutellaFileTransfer::FailEmptyReply(TCustomWinSocket* Socket) {
  Fail(Socket, -1, "Reply brought no data");
}

bool TGnutellaFileTransfer::AskForTheRest(TCustomWinSocket* Socket) {
  if (!redial_ || hidden_window_ == nullptr) return false;
  continuing_ = true;
  header_done_ = false;
  Socket->Close();
  PostMessage(hidden_window_, WM_NEXTRANGE, 0, reinterpret_cast<LPARAM>(this));
  return true;
}

void TGnutellaFileTransfer::FinishDownload(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket) {
  CloseDataFile();
  if (!MoveFileEx(partial_name_.c_str(), Reply.SaveTo.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD code = GetLastError();
    Fail(Socket, static_cast<int>(code), "Cannot move file into place: " + Reply.SaveTo);
    return;
  }
  DoEvent(3);
  if (Socket != nullptr) Socket->Close();
}

bool TGnutellaFileTransfer::DownloadBytes(TGnutellaDownloadReply& Reply, std::string& Header,
                                          TCustomWinSocket* Socket, const char* Data, std::size_t Size) {
  if (header_done_) return DownloadBody(Reply, Socket, Data, Size, true);
  Header.append(Data, Size);
  TReplyHeader parsed = ReadReplyHeader(Header);
  if (parsed.Status == trWait) return true;
  if (parsed.Status == trRefused) {
    Header.clear();
    Fail(Socket, parsed.Code, parsed.Reason);
    return false;
  }
  const std::int64_t from = StartOffset + BytesDone;
  auto end = ReplyRangeEnd(parsed, from, parsed.Code == 206);
  // The whole file: the smallest of what the caller, the hit and the reply
  // say it is; only the first reply may leave it to its own range.
  std::int64_t whole = -1;
  auto cap = [&whole](std::int64_t size) {
    if (size >= 0 && (whole < 0 || size < whole)) whole = size;
  };
  cap(requested_stop_);
  cap(Reply.KnownHitSize());
  if (parsed.RangeTotal) cap(*parsed.RangeTotal);
  if (data_started_) cap(StopOffset);
  if (!end || (whole >= 0 && from > whole)) {
    Header.clear();
    Fail(Socket, -1, "Reply range does not match the request");
    return false;
  }
  reply_start_ = from;
  reply_end_ = *end;
  if (whole >= 0 && (reply_end_ < 0 || reply_end_ > whole)) reply_end_ = whole;
  Reply.ContentLength = parsed.ContentLength.value_or(0);
  Reply.ContentRange = parsed.ContentRange;
  Reply.ContentType = parsed.ContentType;
  Reply.Server = parsed.Server;
  Reply.XGnutellaContentURN = parsed.XGnutellaContentURN;
  if (parsed.RangeTotal) {
    file_size_ = *parsed.RangeTotal;
  } else if (parsed.ContentLength) {
    file_size_ = from + *parsed.ContentLength;
  }
  if (Reply.KnownHitSize() >= 0) file_size_ = Reply.KnownHitSize();
  StopOffset = whole >= 0 ? whole : reply_end_;
  std::string rest = Header.substr(parsed.Consumed);
  Header.clear();
  Header.shrink_to_fit();
  header_done_ = true;
  const bool first = !data_started_;
  if (first) {
    if (!OpenTarget(Reply, Socket)) return false;
    data_started_ = true;
    DoEvent(4);
  }
  return DownloadBody(Reply, Socket, rest.data(), rest.size(), !first);
}

void TGnutellaFileTransfer::DownloadDisconnected(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket) {
  if (continuing_) return;  // the rest comes on a new connection
  if (header_done_ && !error_ && !transfered_ && reply_end_ < 0) {
    // A reply without a length ends with its close.
    const std::int64_t at = StartOffset + BytesDone;
    if (StopOffset < 0) {
      StopOffset = at;
    } else if (at < StopOffset && at > reply_start_ && AskForTheRest(Socket)) {
      return;
    }
  }
  if (header_done_ && !error_ && !transfered_ && RangeComplete()) FinishDownload(Reply, Socket);
  CloseDataFile();
  DoEvent(1);
}

TGnutellaFileTransferDirect::TGnutellaFileTransferDirect(TComponent* AOwner, TTransferSide Side)
    : TGnutellaFileTransfer(AOwner, Side) {}

TGnutellaFileTransferDirect::~TGnutellaFileTransferDirect() {
  if (socket_ == nullptr) return;
  socket_->Socket()->OnSocketEvent = nullptr;
  socket_->Socket()->OnErrorEvent = nullptr;
  delete socket_;
  socket_ = nullptr;
}

void TGnutellaFileTransferDirect::MakeSocket(std::function<void(TCustomWinSocket*, TSocketEvent)> on_event) {
  if (socket_ != nullptr) {
    socket_->Socket()->OnSocketEvent = nullptr;
    socket_->Socket()->OnErrorEvent = nullptr;
    delete socket_;
  }
  socket_ = new TClientSocket(this);
  socket_->Socket()->OnSocketEvent = [on_event = std::move(on_event)](TObject*, TCustomWinSocket* S,
                                                                      TSocketEvent Event) { on_event(S, Event); };
  socket_->Socket()->OnErrorEvent = [this](TObject*, TCustomWinSocket* S, TErrorEvent Event, int& Code) {
    SocketError(S, Event, Code);
  };
}

void TGnutellaFileTransferDirect::Dial() {
  socket_->Host = IP;
  socket_->Address = "";
  socket_->Port = Port;
  if (SocksForTransfers()) SocksifyClientSocket(socket_);
  socket_->Open();
}

TGnutellaDownloadFile::TGnutellaDownloadFile(TComponent* AOwner) : TGnutellaFileTransferDirect(AOwner, tsDownload) {
  MakeSocket([this](TCustomWinSocket* S, TSocketEvent Event) { SocketEvent(S, Event); });
  redial_ = [this] { Redial(); };
}

TGnutellaDownloadFile::~TGnutellaDownloadFile() { CloseDataFile(); }

void TGnutellaDownloadFile::Start() {
  requested_stop_ = StopOffset;
  Dial();
}

void TGnutellaDownloadFile::Redial() {
  if (!continuing_) return;  // closed meanwhile
  continuing_ = false;
  unsent_.clear();
  // The old socket is not inside one of its own events here.
  MakeSocket([this](TCustomWinSocket* S, TSocketEvent Event) { SocketEvent(S, Event); });
  Dial();
}

void TGnutellaDownloadFile::Close() {
  if (continuing_) {
    // Between two replies: no connection to close, the download ends here.
    continuing_ = false;
    CloseDataFile();
    DoEvent(1);
    return;
  }
  socket_->Close();
}

void TGnutellaDownloadFile::SocketEvent(TCustomWinSocket* Socket, TSocketEvent Event) {
  switch (Event) {
    case seConnect: {
      // Only the first connection is news; later ones fetch the rest.
      const std::int64_t from = StartOffset + BytesDone;
      if (!data_started_) DoEvent(0);
      SendWhole(Socket, DownloadRequest(FileIndex, Filename, from, requested_stop_, LocalUserAgent));
      break;
    }
    case seWrite:
      SendUnsent(Socket);
      break;
    case seRead:
      ReadDownload(*this, header_, Socket);
      break;
    case seDisconnect:
      DownloadDisconnected(*this, Socket);
      break;
    default:
      break;
  }
}

void TGnutellaFileTransferFirewall::HookSocket(std::function<void(TCustomWinSocket*, TSocketEvent)> on_event) {
  Socket->OnSocketEvent = [on_event = std::move(on_event)](TObject*, TCustomWinSocket* S, TSocketEvent Event) {
    on_event(S, Event);
  };
  Socket->OnErrorEvent = [this](TObject*, TCustomWinSocket* S, TErrorEvent Event, int& Code) {
    SocketError(S, Event, Code);
  };
}

void TGnutellaFileTransferFirewall::ReleaseSocket() {
  if (Socket == nullptr) return;
  Socket->OnSocketEvent = nullptr;
  Socket->OnErrorEvent = nullptr;
  Socket->Close();
  delete Socket;
  Socket = nullptr;
}

TGnutellaFileTransferFirewall::TGnutellaFileTransferFirewall(TComponent* AOwner, TTransferSide Side)
    : TGnutellaFileTransfer(AOwner, Side) {}

TGnutellaPopFile::TGnutellaPopFile(TComponent* AOwner) : TGnutellaFileTransferFirewall(AOwner, tsDownload) {
  StartOffset = 0;
  StopOffset = -1;
  file_size_ = 0;
}

TGnutellaPopFile::~TGnutellaPopFile() {
  ReleaseSocket();
  CloseDataFile();
}

void TGnutellaPopFile::Start() {
  if (Socket == nullptr) return;
  requested_stop_ = -1;
  HookSocket([this](TCustomWinSocket* S, TSocketEvent Event) { SocketEvent(S, Event); });
  SendWhole(Socket, PopRequest(FileIndex, Filename, StartOffset, LocalUserAgent));
}

void TGnutellaPopFile::Close() {
  if (Socket != nullptr) Socket->Close();
}

void TGnutellaPopFile::SocketEvent(TCustomWinSocket* S, TSocketEvent Event) {
  switch (Event) {
    case seWrite:
      SendUnsent(S);
      break;
    case seRead:
      ReadDownload(*this, header_, S);
      break;
    case seDisconnect:
      DownloadDisconnected(*this, S);
      break;
    default:
      break;
  }
}

// --- Serving ------------------------------------------------------------------

bool TGnutellaFileTransfer::ServeBegin(TCustomWinSocket* socket, std::int64_t first, std::int64_t last,
                                       bool always_range) {
  HANDLE file = Filename.empty() ? INVALID_HANDLE_VALUE : FileOpen(Filename, fmOpenRead | fmShareDenyNone);
  std::int64_t size = file == INVALID_HANDLE_VALUE ? -1 : FileSeek(file, 0, 2);
  if (size < 0) {
    if (file != INVALID_HANDLE_VALUE) FileClose(file);
    Fail(socket, 404, "Not Found", "HTTP/1.0 404 Not Found\r\n\r\n");
    return false;
  }
  data_file_ = file;
  file_open_ = true;
  file_size_ = size;
  if (last < 0 || last > size - 1) last = size - 1;
  bool empty_whole = size == 0 && first == 0;
  if (!empty_whole && (first < 0 || first > last)) {
    Fail(socket, 416, "Requested Range Not Satisfiable",
         "HTTP/1.0 416 Requested Range Not Satisfiable\r\nContent-Range: bytes */" + Decimal(size) + "\r\n\r\n");
    return false;
  }
  StartOffset = first;
  StopOffset = last;
  if (FileSeek(data_file_, first, 0) != first) {
    Fail(socket, static_cast<int>(ERROR_SEEK), "Cannot read file " + Filename, "");
    return false;
  }
  std::int64_t count = empty_whole ? 0 : last - first + 1;
  bool whole = first == 0 && last == size - 1;
  String reply = whole ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 206 Partial Content\r\n";
  reply += "Server: " + LocalUserAgent + "\r\n";
  reply += "Content-type: application/binary\r\n";
  reply += "Content-length: " + Decimal(count) + "\r\n";
  if (!whole || always_range) {
    reply += "Content-Range: bytes " + Decimal(first) + "-" + Decimal(last) + "/" + Decimal(size) + "\r\n";
  }
  reply += "\r\n";
  SendWhole(socket, reply);
  header_done_ = true;
  DoEvent(4);
  ReArmWrite(socket);
  return true;
}

void TGnutellaFileTransfer::ServeBlocks(TCustomWinSocket* socket, char* buffer) {
  // The reply header goes out whole before the first byte of the file.
  if (!SendUnsent(socket)) return;
  std::int64_t sent_now = 0;
  while (sent_now < kMaxBytesPerWriteEvent) {
    if (!socket->Connected()) return;
    if (RangeComplete()) {
      DoEvent(3);
      socket->Close();
      return;
    }
    // The blocks of one event are read and handed to the socket together
    // (the buffer holds kMaxBytesPerWriteEvent bytes).
    std::int64_t left = StopOffset - StartOffset + 1 - BytesDone;
    std::int64_t room = kMaxBytesPerWriteEvent - sent_now;
    std::int64_t blocks = std::max<std::int64_t>(room / std::max(BlockSize, 1), 1) * std::max(BlockSize, 1);
    int want = static_cast<int>(std::min({blocks, room, left}));
    int got = FileRead(data_file_, buffer, want);
    if (got <= 0) {
      Fail(socket, static_cast<int>(ERROR_HANDLE_EOF), "File shorter than its range: " + Filename, "");
      return;
    }
    int sent = socket->SendBuf(buffer, got);
    if (sent < 0) {
      // Would block (the socket brings another write event) or failed.
      if (file_open_) FileSeek(data_file_, -got, 1);
      if (!socket->Connected()) return;
      DoEvent(2);
      return;
    }
    if (sent < got) FileSeek(data_file_, -(got - sent), 1);
    BytesDone += sent;
    sent_now += sent;
    if (sent < got) break;
  }
  DoEvent(2);
  ReArmWrite(socket);
}

TGnutellaUploadFile::TGnutellaUploadFile(TComponent* AOwner) : TGnutellaFileTransferFirewall(AOwner, tsServe) {}

TGnutellaUploadFile::~TGnutellaUploadFile() {
  FreeOnDisconnect = false;
  ReleaseSocket();
  CloseDataFile();
}

void TGnutellaUploadFile::Start() {
  if (Socket == nullptr) return;
  HookSocket([this](TCustomWinSocket* S, TSocketEvent Event) { SocketEvent(S, Event); });
  ServeBegin(Socket, StartOffset, StopOffset, false);
}

void TGnutellaUploadFile::Close() {
  if (Socket != nullptr) Socket->Close();
}

void TGnutellaUploadFile::SocketEvent(TCustomWinSocket* S, TSocketEvent Event) {
  switch (Event) {
    case seWrite:
      if (header_done_ && !error_) {
        static thread_local std::vector<char> buffer(kMaxBytesPerWriteEvent);
        ServeBlocks(S, buffer.data());
      }
      break;
    case seDisconnect:
      CloseDataFile();
      DoEvent(1);
      break;
    default:
      break;
  }
}

TGnutellaPushFile::TGnutellaPushFile(TComponent* AOwner) : TGnutellaFileTransferDirect(AOwner, tsServe) {
  MakeSocket([this](TCustomWinSocket* S, TSocketEvent Event) { SocketEvent(S, Event); });
  request_timer_ = new TTimer(this);
  request_timer_->SetEnabled(false);
  request_timer_->SetOnTimer([this](TObject* Sender) { RequestTimedOut(Sender); });
  send_buffer_.resize(kMaxBytesPerWriteEvent);
  StopOffset = -1;
}

TGnutellaPushFile::~TGnutellaPushFile() {
  request_timer_->SetEnabled(false);
  CloseDataFile();
}

void TGnutellaPushFile::SetServentID(const GUID& ID) {
  servent_id_text_ = ServentIDHex(ID);
}

void TGnutellaPushFile::Start() {
  request_served_ = false;
  Dial();
}

void TGnutellaPushFile::Close() {
  socket_->Close();
}

void TGnutellaPushFile::RequestTimedOut(TObject*) {
  if (request_served_) return;
  request_timer_->SetEnabled(false);
  Fail(socket_->Socket(), 408, "Request Timeout");
}

void TGnutellaPushFile::SocketEvent(TCustomWinSocket* S, TSocketEvent Event) {
  switch (Event) {
    case seConnect:
      DoEvent(0);
      SendWhole(S, GivLine(FileIndex, servent_id_text_, BareFileName(Filename)));
      request_timer_->SetInterval(RequestTimeout);
      request_timer_->SetEnabled(true);
      break;
    case seRead: {
      if (request_served_) break;
      request_ += S->ReceiveText();
      for (;;) {
        TPushRequest request = ReadPushRequest(request_);
        if (request.Status == trWait) return;
        if (request.Status == trRefused) {
          request_timer_->SetEnabled(false);
          Fail(S, 400, "Bad Request");
          return;
        }
        request_.erase(0, request.Consumed);
        if (!request.IsGet || request.FileIndex != FileIndex ||
            !PushNameMatches(request.FileName, BareFileName(Filename))) {
          continue;  // not for this push: keep waiting
        }
        request_timer_->SetEnabled(false);
        request_.clear();
        content_range_ = request.ContentRange;
        user_agent_ = request.UserAgent;
        request_served_ = true;
        ServeBegin(S, request.StartOffset, request.StopOffset, true);
        return;
      }
      break;
    }
    case seWrite:
      if (request_served_ && header_done_ && !error_) {
        ServeBlocks(S, send_buffer_.data());
      } else {
        SendUnsent(S);  // the rest of the GIV line
      }
      break;
    case seDisconnect:
      request_timer_->SetEnabled(false);
      CloseDataFile();
      DoEvent(1);
      break;
    default:
      break;
  }
}
