// Reading the text handshake of a peer link, step by step, from the bytes
// received so far.
//
// TCP keeps no message boundaries: a step may arrive in pieces, or together
// with the first descriptors. So each reader looks for its whole line or
// header block and answers "wait" until it is there; when it is, the result
// tells how many bytes the step took, and whatever follows them is the
// start of the descriptor stream (or of the transfer). A block that has no
// end within kMaxHandshakeBlock bytes is refused.
//
// The link (TGnutellaClient) applies what the readers found and sends the
// answers; nothing here touches a socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/types.h"

constexpr std::size_t kMaxHandshakeBlock = 16 * 1024;

enum TGnutellaPongCaching { gpcNo, gpc0_1, gpcHigher };
enum TGnutellaQueryRouting { gqrNo, gqr0_1, gqrHigher };
enum TGnutellaGGEP { gGGEPNo, gGGEPLower, gGGEP0_5, gGGEPHigher };

struct TTryHost {
  std::string Address;
  int Port = 0;
};

// Header values a peer sent; only those present are set.
struct TRemoteHeaders {
  std::optional<std::string> UserAgent;
  std::optional<std::string> ListenIP;
  std::optional<std::string> RemoteIP;
  std::optional<std::string> FPAuthChallenge;
  std::optional<std::string> Machine;
  std::optional<std::string> LiveSince;
  std::optional<std::string> Uptime;
  std::optional<bool> Ultrapeer;
  std::optional<bool> UltrapeerNeeded;
  std::optional<TGnutellaQueryRouting> QueryRouting;
  std::optional<TGnutellaPongCaching> PongCaching;
  std::optional<TGnutellaGGEP> GGEP;
  std::optional<BYTE> HopsFlow;  // 1 lower than "1.0", 2 equal, 3 higher
  std::optional<int> LeafMax;
  std::vector<TTryHost> TryHosts;
  std::vector<TTryHost> TryUltrapeers;
};

// What one look at the unread bytes found.
enum THandshakeStatus {
  hsWait,     // the step is not complete yet
  hsDone,     // the step is complete; `Consumed` bytes belong to it
  hsRefused,  // the step failed (see the step's own fields)
};

// Client side (the link dialled out and sent its CONNECT line).
struct TClientHandshakeReply {
  THandshakeStatus Status = hsWait;
  std::size_t Consumed = 0;
  bool Accepted = false;
  std::string Refusal;  // the status text when not accepted (0.6)
  TRemoteHeaders Headers;
  std::string Info;  // the info text of the login event (0.6)
};

// Protocol 0.4: the reply must be ProtocolWord + " OK\n\n".
TClientHandshakeReply ReadClientReply04(std::string_view unread, const std::string& protocol_word);
// Protocol 0.6: a status line and headers up to an empty line. Accepted
// when the status line's text is "200 OK" in any case; otherwise Refusal
// holds it. A reply whose block never ends is hsRefused.
TClientHandshakeReply ReadClientReply06(std::string_view unread, const std::string& protocol_word);

// Server side (the link was accepted).
enum TServerStep {
  ssNoStep,
  ssConnect04,  // ProtocolWord + " CONNECT/0.4": log in, answer OK
  ssConnect06,  // ProtocolWord + " CONNECT/0.6" with headers: answer 200 OK
  ssFinalOk,    // the peer's final ProtocolWord + "/0.6 200 OK": log in
  ssFinalRefused,  // the peer's final answer is another status: refused
  ssUpload,     // an HTTP "GET /get/" request: hand the socket over
  ssGiv,        // a "GIV " line: hand the socket over
  ssUnknown,    // none of these: refuse
  ssBadNumber,  // a number in an upload request or a GIV line did not parse
};

struct TUploadRequest {
  std::string FileName;
  int FileIndex = 0;
  std::int64_t StartOffset = 0;  // 64-bit: files may pass 2 GiB
  std::int64_t StopOffset = -1;
  std::string UserAgent;
};

struct TGivRequest {
  std::string FileName;
  int FileIndex = 0;
  std::string ServentID;
};

struct TServerHandshakeStep {
  THandshakeStatus Status = hsWait;
  TServerStep Step = ssNoStep;
  std::size_t Consumed = 0;
  TRemoteHeaders Headers;  // ssConnect06
  TUploadRequest Upload;   // ssUpload
  TGivRequest Giv;         // ssGiv
  std::string Refusal;     // ssFinalRefused: the status code and text
};

// `awaiting_handshake`: no step has succeeded yet (a CONNECT/0.6 is only
// taken then, the final OK only after it).
TServerHandshakeStep ReadServerStep(std::string_view unread, bool awaiting_handshake,
                                    const std::string& protocol_word);

// Helpers shared with the link.
// The value of a dotted-version header compared with `reference` by text
// order: -1 before, 0 equal, 1 after.
int CompareVersionText(const std::string& value, const std::string& reference);
// Reads a whole decimal integer (optional sign); nothing else around it.
std::optional<int> ParseDecimal(std::string_view text);
// The same for a byte offset: digits only, 64 bits, no sign.
std::optional<std::int64_t> ParseOffsetDecimal(std::string_view text);
