// Cuts arbitrary bytes into descriptors as a peer link does, reads every
// payload's fields, and routes what it finds through a routing table.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "network/GnutellaDescriptors.h"
#include "network/GnutellaMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TGnutellaMessages routes;
  GUID link;
  std::memset(static_cast<void*>(&link), size & 0xFF, sizeof link);
  std::size_t at = 0;
  while (at < size) {
    TFrame frame = ReadFrame(data + at, size - at);
    if (frame.Status != TFrameStatus::fsComplete) break;
    const TGnutellaHeader& header = frame.Header;
    const std::size_t length = header.PayloadLength;
    TGnutellaRouteResult result;
    switch (header.PayloadType) {
      case gdPing:
        routes.Route(gdPing, header.DescriptorID, result, grdReceived, "", link);
        break;
      case gdPong: {
        TPongFields pong;
        if (ReadPong(frame.Payload, length, &pong)) {
          routes.Route(gdPong, header.DescriptorID, result, grdReceived,
                       std::to_string(pong.Address), link);
        }
        break;
      }
      case gdQuery: {
        TQueryFields query;
        if (ReadQuery(frame.Payload, length, &query)) {
          routes.Route(gdQuery, header.DescriptorID, result, grdReceived, query.SearchText, link);
        }
        break;
      }
      case gdQueryHit: {
        TQueryHitFields hit;
        if (ReadQueryHit(frame.Payload, length, &hit)) {
          routes.Route(gdQueryHit, header.DescriptorID, result, grdReceived,
                       platform::GuidToText(hit.ServentID), link);
          // Pass it on as the servent would.
          if (header.TTL > 1) ForwardedCopy(header, frame.Payload, length);
        }
        break;
      }
      case gdPush: {
        TPushFields push;
        if (ReadPush(frame.Payload, length, &push)) {
          routes.Route(gdPush, header.DescriptorID, result, grdReceived,
                       platform::GuidToText(push.ServentID), link);
        }
        break;
      }
      default:
        break;
    }
    at += frame.Size;
  }
  return 0;
}
