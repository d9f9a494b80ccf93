#include "network/GnutellaDescriptors.h"

#include <cstring>

std::uint16_t ReadU16(const BYTE* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t ReadU32(const BYTE* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteU16(BYTE* bytes, std::uint16_t value) {
  bytes[0] = static_cast<BYTE>(value);
  bytes[1] = static_cast<BYTE>(value >> 8);
}

void WriteU32(BYTE* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

TGnutellaHeader TGnutellaHeader::Read(const BYTE* bytes) {
  TGnutellaHeader header;
  std::memcpy(&header.DescriptorID, bytes, 16);
  header.PayloadType = bytes[16];
  header.TTL = bytes[17];
  header.Hops = bytes[18];
  header.PayloadLength = ReadU32(bytes + 19);
  return header;
}

void TGnutellaHeader::Write(BYTE* bytes) const {
  std::memcpy(bytes, &DescriptorID, 16);
  bytes[16] = PayloadType;
  bytes[17] = TTL;
  bytes[18] = Hops;
  WriteU32(bytes + 19, PayloadLength);
}

TFrame ReadFrame(const BYTE* bytes, std::size_t available) {
  TFrame frame;
  if (available < kGnutellaHeaderSize) return frame;
  frame.Header = TGnutellaHeader::Read(bytes);
  if (frame.Header.PayloadLength > kMaxPayloadLength) {
    frame.Status = TFrameStatus::fsTooLong;
    return frame;
  }
  std::size_t size = kGnutellaHeaderSize + frame.Header.PayloadLength;
  if (available < size) return frame;
  frame.Status = TFrameStatus::fsComplete;
  frame.Payload = bytes + kGnutellaHeaderSize;
  frame.Size = size;
  return frame;
}

namespace {

// The NUL-terminated text at `at`, read no further than `end`; false when
// no NUL comes before `end`. `at` moves past the NUL.
bool ReadText(const BYTE*& at, const BYTE* end, std::string* text) {
  const BYTE* nul =
      static_cast<const BYTE*>(std::memchr(at, 0, static_cast<std::size_t>(end - at)));
  if (nul == nullptr) return false;
  text->assign(reinterpret_cast<const char*>(at), static_cast<std::size_t>(nul - at));
  at = nul + 1;
  return true;
}

}  // namespace

bool ReadPong(const BYTE* payload, std::size_t length, TPongFields* pong) {
  if (length < kPongPayloadSize) return false;
  pong->Port = ReadU16(payload);
  std::memcpy(&pong->Address, payload + 2, 4);
  pong->FileCount = ReadU32(payload + 6);
  pong->SharedKilobytes = ReadU32(payload + 10);
  return true;
}

bool ReadQuery(const BYTE* payload, std::size_t length, TQueryFields* query) {
  if (length < 3) return false;
  query->MinSpeed = ReadU16(payload);
  const BYTE* at = payload + 2;
  return ReadText(at, payload + length, &query->SearchText);
}

bool ReadQueryHitServent(const BYTE* payload, std::size_t length, GUID* servent) {
  if (length < kQueryHitTrailerSize) return false;
  std::memcpy(servent, payload + length - kQueryHitTrailerSize, 16);
  return true;
}

bool ReadQueryHit(const BYTE* payload, std::size_t length, TQueryHitFields* hit) {
  if (length < kQueryHitFixedSize + kQueryHitTrailerSize) return false;
  BYTE count = payload[0];
  hit->Port = ReadU16(payload + 1);
  std::memcpy(&hit->Address, payload + 3, 4);
  hit->Speed = ReadU32(payload + 7);
  ReadQueryHitServent(payload, length, &hit->ServentID);
  hit->Results.clear();
  const BYTE* at = payload + kQueryHitFixedSize;
  const BYTE* end = payload + length - kQueryHitTrailerSize;
  for (int i = 0; i < count; ++i) {
    TQueryHitResult result;
    if (end - at < 8) return false;
    result.FileIndex = ReadU32(at);
    result.FileSize = ReadU32(at + 4);
    at += 8;
    if (!ReadText(at, end, &result.FileName) || !ReadText(at, end, &result.Extra)) return false;
    hit->Results.push_back(std::move(result));
  }
  return true;
}

bool ReadPush(const BYTE* payload, std::size_t length, TPushFields* push) {
  if (length < kPushPayloadSize) return false;
  std::memcpy(&push->ServentID, payload, 16);
  push->FileIndex = ReadU32(payload + 16);
  std::memcpy(&push->Address, payload + 20, 4);
  push->Port = ReadU16(payload + 24);
  return true;
}

std::vector<BYTE> BuildDescriptor(const TGnutellaHeader& header, const BYTE* payload,
                                  std::size_t length) {
  if (payload == nullptr) length = 0;  // never a length without its bytes
  std::vector<BYTE> bytes(kGnutellaHeaderSize + length);
  TGnutellaHeader written = header;
  written.PayloadLength = static_cast<DWORD>(length);
  written.Write(bytes.data());
  if (length > 0) std::memcpy(bytes.data() + kGnutellaHeaderSize, payload, length);
  return bytes;
}

namespace {

TGnutellaHeader NewHeader(const GUID& id, BYTE type, BYTE ttl) {
  TGnutellaHeader header;
  header.DescriptorID = id;
  header.PayloadType = type;
  header.TTL = ttl;
  header.Hops = 0;
  return header;
}

}  // namespace

std::vector<BYTE> BuildPong(const GUID& id, BYTE ttl, const TPongFields& pong) {
  BYTE payload[kPongPayloadSize];
  WriteU16(payload, pong.Port);
  std::memcpy(payload + 2, &pong.Address, 4);
  WriteU32(payload + 6, pong.FileCount);
  WriteU32(payload + 10, pong.SharedKilobytes);
  return BuildDescriptor(NewHeader(id, gdPong, ttl), payload, sizeof payload);
}

std::vector<BYTE> BuildQuery(const GUID& id, BYTE ttl, std::uint16_t min_speed,
                             const std::string& text) {
  std::vector<BYTE> payload(2 + text.size() + 1);
  WriteU16(payload.data(), min_speed);
  std::memcpy(payload.data() + 2, text.data(), text.size());
  payload.back() = 0;
  return BuildDescriptor(NewHeader(id, gdQuery, ttl), payload.data(), payload.size());
}

std::vector<BYTE> BuildQueryHit(const GUID& id, BYTE ttl, BYTE result_count, std::uint16_t port,
                                std::uint32_t address, std::uint32_t speed,
                                const std::vector<BYTE>& results, const GUID& servent) {
  std::vector<BYTE> payload(kQueryHitFixedSize + results.size() + kQueryHitTrailerSize);
  payload[0] = result_count;
  WriteU16(payload.data() + 1, port);
  std::memcpy(payload.data() + 3, &address, 4);
  WriteU32(payload.data() + 7, speed);
  if (!results.empty()) {
    std::memcpy(payload.data() + kQueryHitFixedSize, results.data(), results.size());
  }
  std::memcpy(payload.data() + kQueryHitFixedSize + results.size(), &servent, 16);
  return BuildDescriptor(NewHeader(id, gdQueryHit, ttl), payload.data(), payload.size());
}

std::vector<BYTE> BuildPush(const GUID& id, BYTE ttl, const TPushFields& push) {
  BYTE payload[kPushPayloadSize];
  std::memcpy(payload, &push.ServentID, 16);
  WriteU32(payload + 16, push.FileIndex);
  std::memcpy(payload + 20, &push.Address, 4);
  WriteU16(payload + 24, push.Port);
  return BuildDescriptor(NewHeader(id, gdPush, ttl), payload, sizeof payload);
}

std::vector<BYTE> ForwardedCopy(const TGnutellaHeader& header, const BYTE* payload,
                                std::size_t length) {
  TGnutellaHeader passed = header;
  passed.TTL = static_cast<BYTE>(header.TTL - 1);
  passed.Hops = static_cast<BYTE>(header.Hops + 1);
  return BuildDescriptor(passed, payload, length);
}

void AppendQueryHitResult(std::vector<BYTE>& block, std::uint32_t index, std::uint32_t size,
                          const std::string& name, const std::string& extra) {
  std::size_t at = block.size();
  block.resize(at + 8 + name.size() + 1 + extra.size() + 1);
  BYTE* out = block.data() + at;
  WriteU32(out, index);
  WriteU32(out + 4, size);
  out += 8;
  std::memcpy(out, name.data(), name.size());
  out += name.size();
  *out++ = 0;
  std::memcpy(out, extra.data(), extra.size());
  out += extra.size();
  *out = 0;
}
