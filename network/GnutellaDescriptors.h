// Gnutella descriptors on the wire: the 23-byte header, cutting a received
// byte stream into descriptors, reading the payload fields of pongs,
// queries, query hits and pushes without ever reading past the payload, and
// building the descriptors the servent sends.
//
// All multi-byte integers are little-endian; IPv4 addresses inside payloads
// are 4 bytes in network byte order (as inet_addr gives them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/types.h"
#include "platform/net/guids.h"

// Payload types.
constexpr BYTE gdPing = 0x00;
constexpr BYTE gdPong = 0x01;
constexpr BYTE gdPush = 0x40;
constexpr BYTE gdQuery = 0x80;
constexpr BYTE gdQueryHit = 0x81;

constexpr std::size_t kGnutellaHeaderSize = 23;
// The longest payload a peer may announce; a longer one ends the link.
constexpr std::uint32_t kMaxPayloadLength = 65536;
constexpr std::size_t kPongPayloadSize = 14;
constexpr std::size_t kPushPayloadSize = 26;
// Query hit: count, port, address, speed before the results; servent GUID
// after them.
constexpr std::size_t kQueryHitFixedSize = 11;
constexpr std::size_t kQueryHitTrailerSize = 16;

struct TGnutellaHeader {
  GUID DescriptorID;
  BYTE PayloadType = 0;
  BYTE TTL = 0;
  BYTE Hops = 0;
  DWORD PayloadLength = 0;

  // Reads the 23 bytes at `bytes`.
  static TGnutellaHeader Read(const BYTE* bytes);
  // Writes the 23 bytes at `bytes`.
  void Write(BYTE* bytes) const;
};

// Little-endian fields.
std::uint16_t ReadU16(const BYTE* bytes);
std::uint32_t ReadU32(const BYTE* bytes);
void WriteU16(BYTE* bytes, std::uint16_t value);
void WriteU32(BYTE* bytes, std::uint32_t value);

// One step of cutting a byte stream into descriptors.
enum class TFrameStatus {
  fsNeedMore,  // not yet a whole descriptor: wait for more bytes
  fsComplete,  // a whole descriptor: header, payload and its total size
  fsTooLong    // the header announces more than kMaxPayloadLength
};

struct TFrame {
  TFrameStatus Status = TFrameStatus::fsNeedMore;
  TGnutellaHeader Header;
  const BYTE* Payload = nullptr;  // inside the given bytes
  std::size_t Size = 0;           // header + payload
};

// Looks at the descriptor that starts at `bytes`.
TFrame ReadFrame(const BYTE* bytes, std::size_t available);

// Payload fields. Each reader returns false when the payload is too short
// for what it must hold; nothing outside the payload is ever read.
struct TPongFields {
  std::uint16_t Port = 0;
  std::uint32_t Address = 0;  // network order
  std::uint32_t FileCount = 0;
  std::uint32_t SharedKilobytes = 0;
};
bool ReadPong(const BYTE* payload, std::size_t length, TPongFields* pong);

struct TQueryFields {
  std::uint16_t MinSpeed = 0;
  std::string SearchText;  // up to its NUL
};
// False without a NUL after the speed.
bool ReadQuery(const BYTE* payload, std::size_t length, TQueryFields* query);

struct TQueryHitResult {
  std::uint32_t FileIndex = 0;
  std::uint32_t FileSize = 0;
  std::string FileName;
  std::string Extra;
};

struct TQueryHitFields {
  std::uint16_t Port = 0;
  std::uint32_t Address = 0;  // network order
  std::uint32_t Speed = 0;
  GUID ServentID;
  std::vector<TQueryHitResult> Results;
};
// False when the payload cannot hold the fixed fields and the servent GUID,
// or when fewer results than its count fit between them (bytes after the
// last result, such as a vendor block, are allowed).
bool ReadQueryHit(const BYTE* payload, std::size_t length, TQueryHitFields* hit);
// Just the servent GUID of the last 16 bytes; false when shorter.
bool ReadQueryHitServent(const BYTE* payload, std::size_t length, GUID* servent);

struct TPushFields {
  GUID ServentID;
  std::uint32_t FileIndex = 0;
  std::uint32_t Address = 0;  // network order
  std::uint16_t Port = 0;
};
bool ReadPush(const BYTE* payload, std::size_t length, TPushFields* push);

// Whole descriptors (header and payload) as bytes. The header's length
// field is written from `length`, the count of bytes at `payload`; without
// bytes (a null payload) the descriptor has none.
std::vector<BYTE> BuildDescriptor(const TGnutellaHeader& header, const BYTE* payload,
                                  std::size_t length);
std::vector<BYTE> BuildPong(const GUID& id, BYTE ttl, const TPongFields& pong);
std::vector<BYTE> BuildQuery(const GUID& id, BYTE ttl, std::uint16_t min_speed,
                             const std::string& text);
// `results` is a result block as TGnutellaSharedFiles::Search makes it.
std::vector<BYTE> BuildQueryHit(const GUID& id, BYTE ttl, BYTE result_count, std::uint16_t port,
                                std::uint32_t address, std::uint32_t speed,
                                const std::vector<BYTE>& results, const GUID& servent);
std::vector<BYTE> BuildPush(const GUID& id, BYTE ttl, const TPushFields& push);
// A descriptor as it is passed on: TTL - 1 and hops + 1, the rest as it
// came, its `length` payload bytes included byte for byte (extensions this
// servent does not read pass through). Only for TTL > 1.
std::vector<BYTE> ForwardedCopy(const TGnutellaHeader& header, const BYTE* payload,
                                std::size_t length);

// One result of a query-hit result block: index, size, name, NUL, extra,
// NUL.
void AppendQueryHitResult(std::vector<BYTE>& block, std::uint32_t index, std::uint32_t size,
                          const std::string& name, const std::string& extra);
