// The HTTP file transfers of the file-sharing window, one object per
// transfer, each driving one asynchronous socket on the main thread:
//
//   TGnutellaFileTransfer            state, events, speed timer, self-free,
//                                    and the steps of both sides (below)
//     TGnutellaFileTransferDirect    owns a client socket and dials IP:Port
//       TGnutellaDownloadFile        GET a file from a peer
//       TGnutellaPushFile            answer a push: dial, GIV, serve the GET
//     TGnutellaFileTransferFirewall  works on a socket the servent handed over
//       TGnutellaPopFile             GET over an incoming GIV connection
//       TGnutellaUploadFile          serve a GET that arrived
//
// The two intermediate classes differ only in where the socket comes from.
// What is done with it cuts across them: a download and a pop read a reply
// the same way, an upload and a push serve a file the same way. So the base
// holds both sets of steps (ReadDownload and the steps after it for the
// downloading side, ServeBegin and ServeBlocks for the serving side), and
// each kind's socket handler calls the set of its side. The side is fixed
// when the kind is made (TTransferSide); it decides how the range counts.
//
// A transfer with FreeOnDisconnect frees itself after its connection ends,
// through message 0x800 posted to its own hidden window (never inside its
// own socket callback); the request is posted once. Offsets and sizes are
// 64-bit. Socket and file errors never raise: they arrive as OnError.
//
// Ranges: a download moves StopOffset - StartOffset bytes (StopOffset one
// past the last byte, -1 while the reply has not fixed it); the serving side
// takes StopOffset as the last byte it sends (inclusive).
//
// A download writes into its partial file (PartialFileName(SaveTo)) and
// moves that over SaveTo only once the whole file is there: an existing file
// is never opened for writing, and a broken download leaves its partial file
// for a later resume (StartOffset = the partial file's size, OnFileExists
// answering 0). The whole file is StopOffset when the caller gave one, the
// size the search hit announced (HitSize), or the total a Content-Range
// names, whichever is smallest; without any of them the reply's own range.
// A hit carries its size in 32 bits, and 4294967295 there means the size is
// not known (so says every servent for a file of 4 GiB or more).
// When a reply's range ends before the whole file, the download asks for the
// rest on a new connection, from the next byte, until the file is whole or
// the peer refuses (a pop, on a connection it did not dial, cannot). A reply
// whose range ends without a byte of the file ends the download with an
// error, the partial file kept: asking again would only bring the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Components.h"
#include "classlib/MessageHandling.h"
#include "classlib/ScktComp.h"
#include "classlib/Timers.h"
#include "platform/net/guids.h"

constexpr UINT WM_FREETRANSFER = 0x800;
// Posted to a download's hidden window: dial again for the rest of the file.
constexpr UINT WM_NEXTRANGE = 0x801;

// Answer of OnFileExists: 0 append (resume), 1 overwrite (the default),
// 2 skip, 3 overwrite; any other value skips.
using TGnutellaFileExitst = BYTE;

using TOnGnutellaTransferError = std::function<void(TComponent* Sender, const String& FileName,
                                                    int ErrorCode, const String& ErrorMsg)>;
using TOnGnutellaTransferFileExists =
    std::function<void(TComponent* Sender, String& FileName, TGnutellaFileExitst& Info)>;
using TConnectEvent = std::function<void(TComponent* Sender, const String& Filename)>;
using TDownloadedEvent = std::function<void(TComponent* Sender, const String& Filename)>;
using TProgressEvent =
    std::function<void(TComponent* Sender, const String& Filename, std::int64_t BytesReceived)>;

// Which way a transfer's bytes go.
enum TTransferSide { tsDownload, tsServe };

// The reply side both downloads share: header fields, the target file and
// the data phase.
class TGnutellaDownloadReply {
 public:
  String ContentType;
  std::int64_t ContentLength = 0;
  String ContentRange;
  String Server;
  String XGnutellaContentURN;
  String SaveTo;
  // The size the search hit announced, -1 (or kUnknownHitSize) when
  // unknown: nothing past it is ever written, whatever the replies say.
  std::int64_t HitSize = -1;
  // What a hit's size field holds for a file it cannot measure in 32 bits.
  static constexpr std::int64_t kUnknownHitSize = 0xFFFFFFFF;
  // HitSize when it names a size, else -1.
  std::int64_t KnownHitSize() const { return HitSize == kUnknownHitSize ? -1 : HitSize; }
};

class TGnutellaFileTransfer : public TComponent {
 public:
  TGnutellaFileTransfer(TComponent* AOwner, TTransferSide Side);
  ~TGnutellaFileTransfer() override;

  TOnGnutellaTransferError OnError;
  TOnGnutellaTransferFileExists OnFileExists;
  TConnectEvent OnConnect;
  TProgressEvent OnProgress;
  TDownloadedEvent OnTransfered;
  TConnectEvent OnDisconnect;
  TDownloadedEvent OnStartTransfer;

  int BlockSize = 8192;
  String IP;
  int Port = 0;
  String LocalUserAgent;
  std::int64_t BytesDone = 0;
  int FileIndex = 0;
  String Filename;
  std::int64_t StartOffset = 0;
  std::int64_t StopOffset = -1;
  bool FreeOnDisconnect = false;

  bool Transfered() const { return transfered_; }
  bool Error() const { return error_; }
  double AverageSpeed() const { return average_speed_; }
  double CurrentSpeed() const { return current_speed_; }
  std::int64_t FileSize() const { return file_size_; }
  HWND HiddenWindow() const { return hidden_window_; }

 protected:
  // 0 connect, 1 disconnect, 2 progress, 3 transfered, 4 start, 5 file exists.
  void DoEvent(int Kind);
  void DoError(int Code, const String& Text);
  // The error handler of every transfer socket.
  void SocketError(TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode);
  void PostFree();
  // Asks the socket for one more write notification.
  static void ReArmWrite(TCustomWinSocket* Socket);
  void CloseDataFile();
  // Whether the whole range has moved (inclusive on the serving side).
  bool RangeComplete() const;
  // Hands a request, reply header or GIV line to the socket. A non-blocking
  // socket may take only part of it: the rest waits in unsent_ and goes out
  // first on the next write events (SendUnsent), before any file block.
  void SendWhole(TCustomWinSocket* Socket, const String& Text);
  // Sends what waits; true when nothing waits any more. Otherwise the
  // socket reports when it can take more (or it failed and was closed).
  bool SendUnsent(TCustomWinSocket* Socket);

  const TTransferSide side_;

  // The downloading side: the bytes of one read event, the reply header, the target
  // file and the body. Each step answers false once the transfer stopped.
  void ReadDownload(TGnutellaDownloadReply& Reply, std::string& Header, TCustomWinSocket* Socket);
  bool DownloadBytes(TGnutellaDownloadReply& Reply, std::string& Header, TCustomWinSocket* Socket,
                     const char* Data, std::size_t Size);
  bool DownloadBody(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket, const char* Data,
                    std::size_t Size, bool Progress);
  bool OpenTarget(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket);
  void DownloadDisconnected(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket);
  // The reply's range ended before the whole file: the rest is asked for
  // on a new connection (false when this transfer cannot dial again).
  bool AskForTheRest(TCustomWinSocket* Socket);
  // A reply ended without a byte of the file: the download ends with an
  // error (asking again would bring the same).
  void FailEmptyReply(TCustomWinSocket* Socket);
  // The whole file arrived: the partial file goes over SaveTo.
  void FinishDownload(TGnutellaDownloadReply& Reply, TCustomWinSocket* Socket);
  // The serving side: opens the file and sends the reply header (false when the
  // request was answered with an error), then one write event's blocks.
  bool ServeBegin(TCustomWinSocket* Socket, std::int64_t First, std::int64_t Last, bool AlwaysRange);
  void ServeBlocks(TCustomWinSocket* Socket, char* Buffer);
  // Error, close (after sending `Reply` when given), free request.
  void Fail(TCustomWinSocket* Socket, int Code, const String& Text, const String& Reply = "");

  bool header_done_ = false;
  std::string unsent_;
  HANDLE data_file_ = nullptr;
  bool file_open_ = false;
  TGnutellaFileExitst exists_choice_ = 1;
  bool transfered_ = false;
  bool error_ = false;
  std::int64_t file_size_ = 0;
  // Downloads: the partial file's name once it is open; the end of the
  // current reply's range (-1: its close ends it) and where it began; the
  // caller's own range end; between two replies of one download.
  String partial_name_;
  std::int64_t reply_end_ = -1;
  std::int64_t reply_start_ = 0;
  std::int64_t requested_stop_ = -1;
  bool data_started_ = false;
  bool continuing_ = false;
  // Dials again for the rest (only a download that dialled out has it).
  std::function<void()> redial_;

 private:
  void InitFields();
  void SpeedTimer(TObject* Sender);
  void WndProc(TMessage& Message);

  HWND hidden_window_ = nullptr;
  TTimer* timer_ = nullptr;
  double average_speed_ = 0;
  double current_speed_ = 0;
  std::int64_t ticks_ = 0;
  std::int64_t prev_ticks_ = 0;
  std::int64_t bytes_at_last_tick_ = 0;
  bool free_posted_ = false;
};

class TGnutellaFileTransferDirect : public TGnutellaFileTransfer {
 public:
  TClientSocket* ClientSocket() const { return socket_; }

 protected:
  TGnutellaFileTransferDirect(TComponent* AOwner, TTransferSide Side);
  ~TGnutellaFileTransferDirect() override;
  // A new client socket whose events go to `on_event` and whose errors go
  // to SocketError; the one before, if any, is freed (so never from inside
  // one of its own events).
  void MakeSocket(std::function<void(TCustomWinSocket*, TSocketEvent)> on_event);
  // Dials IP and Port (through SOCKS when the transfers use it).
  void Dial();

  TClientSocket* socket_ = nullptr;
};

class TGnutellaFileTransferFirewall : public TGnutellaFileTransfer {
 public:
  // The socket the servent handed over; the transfer owns it from Start on.
  TCustomWinSocket* Socket = nullptr;

 protected:
  TGnutellaFileTransferFirewall(TComponent* AOwner, TTransferSide Side);
  // Sends the socket's events to `on_event` and its errors to SocketError.
  void HookSocket(std::function<void(TCustomWinSocket*, TSocketEvent)> on_event);
  // Unhooks, closes and frees the socket (the kinds' destructors).
  void ReleaseSocket();
};

class TGnutellaDownloadFile : public TGnutellaFileTransferDirect, public TGnutellaDownloadReply {
 public:
  explicit TGnutellaDownloadFile(TComponent* AOwner);
  ~TGnutellaDownloadFile() override;

  void Start();
  // Closes the connection; the disconnect handling runs at once.
  void Close();

 private:
  void SocketEvent(TCustomWinSocket* Socket, TSocketEvent Event);
  // Dials again, on a new socket, for the rest of the file.
  void Redial();
  std::string header_;
};

class TGnutellaPopFile : public TGnutellaFileTransferFirewall, public TGnutellaDownloadReply {
 public:
  explicit TGnutellaPopFile(TComponent* AOwner);
  ~TGnutellaPopFile() override;

  void Start();
  void Close();

 private:
  void SocketEvent(TCustomWinSocket* Socket, TSocketEvent Event);
  std::string header_;
};

class TGnutellaUploadFile : public TGnutellaFileTransferFirewall {
 public:
  explicit TGnutellaUploadFile(TComponent* AOwner);
  ~TGnutellaUploadFile() override;

  void Start();
  // Closes the connection; the disconnect handling runs at once.
  void Close();

 private:
  void SocketEvent(TCustomWinSocket* Socket, TSocketEvent Event);
};

class TGnutellaPushFile : public TGnutellaFileTransferDirect {
 public:
  explicit TGnutellaPushFile(TComponent* AOwner);
  ~TGnutellaPushFile() override;

  void Start();
  void Close();
  // The servent identifier the GIV line carries.
  void SetServentID(const GUID& ID);
  const String& ServentIDText() const { return servent_id_text_; }
  const String& ContentRange() const { return content_range_; }
  const String& UserAgent() const { return user_agent_; }
  bool RequestServed() const { return request_served_; }
  // How long the push waits for the requester's GET (milliseconds).
  UINT RequestTimeout = 20000;

 private:
  void SocketEvent(TCustomWinSocket* Socket, TSocketEvent Event);
  void RequestTimedOut(TObject* Sender);

  TTimer* request_timer_;
  String content_range_;
  String user_agent_;
  String servent_id_text_;
  bool request_served_ = false;
  std::string request_;
  std::vector<char> send_buffer_;
};

// "<system text> (<code> on <kind>)", kind one of "general", "send",
// "receive", "connect", "disconnect", "accept".
String TransferSocketErrorText(TErrorEvent ErrorEvent, int ErrorCode);
// S with every Old replaced by New, left to right, without rescanning.
String ReplaceText(const String& S, const String& Old, const String& New);
// The download request line block for a name, index and range.
String DownloadRequest(int FileIndex, const String& Name, std::int64_t StartOffset,
                       std::int64_t StopOffset, const String& UserAgent);
String PopRequest(int FileIndex, const String& Name, std::int64_t StartOffset,
                  const String& UserAgent);
// "GIV <index>:<32 upper-case hex digits>/<name>" + LF LF.
String GivLine(int FileIndex, const String& ServentIDText, const String& Name);
String ServentIDHex(const GUID& ID);
