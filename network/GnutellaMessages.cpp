#include "network/GnutellaMessages.h"

#include <cstring>

#include "network/GnutellaDescriptors.h"

namespace {

bool SameGuid(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

GUID GuidOf(const std::string& text) {
  GUID guid;
  platform::GuidFromText(text, &guid);
  return guid;
}

void Accepted(TGnutellaRouteResult& result, BYTE action, const GUID& target) {
  result.Accept = 1;
  result.Action = action;
  result.Target = target;
}

void Dropped(TGnutellaRouteResult& result) {
  result.Accept = 0;
  result.Action = graDrop;
}

}  // namespace

std::string TGnutellaRouteList::Text(std::size_t index) const {
  const Line& line = lines_[index];
  std::string text = platform::GuidToText(line.Name);
  if (!line.Value.empty()) text += "=" + line.Value;
  return text;
}

void TGnutellaRouteList::Trim(std::size_t max_lines) {
  while (!lines_.empty() && lines_.size() >= max_lines) lines_.pop_front();
}

void TGnutellaRouteList::Add(const GUID& name, const std::string& value,
                             const std::string& paired) {
  lines_.push_back(Line{name, value, paired});
}

long TGnutellaRouteList::IndexOfName(const GUID& name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (SameGuid(lines_[i].Name, name)) return static_cast<long>(i);
  }
  return -1;
}

long TGnutellaRouteList::IndexOfLine(const GUID& name, const std::string& value) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (SameGuid(lines_[i].Name, name) && lines_[i].Value == value) return static_cast<long>(i);
  }
  return -1;
}

long TGnutellaRouteList::IndexOfValue(const std::string& value) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].Value == value) return static_cast<long>(i);
  }
  return -1;
}

long TGnutellaRouteList::IndexOfPaired(const std::string& paired) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].Paired == paired) return static_cast<long>(i);
  }
  return -1;
}

void TGnutellaMessages::Route(BYTE PayloadType, const GUID& DescriptorGUID,
                              TGnutellaRouteResult& Result, int Direction, const std::string& Key,
                              const GUID& LinkGUID) {
  if (Direction == grdReceived) {
    Received(PayloadType, DescriptorGUID, Result, Key, LinkGUID);
  } else if (Direction == grdSent) {
    Sent(PayloadType, DescriptorGUID, Key, LinkGUID);
  }
}

void TGnutellaMessages::Received(BYTE PayloadType, const GUID& Descriptor,
                                 TGnutellaRouteResult& Result, const std::string& Key,
                                 const GUID& Link) {
  switch (PayloadType) {
    case gdPing:
      ReceivedPing(Descriptor, Result, Link);
      break;
    case gdPong:
      ReceivedPong(Descriptor, Result, Key, Link);
      break;
    case gdQuery:
      ReceivedQuery(Descriptor, Result, Key, Link);
      break;
    case gdQueryHit:
      ReceivedQueryHit(Descriptor, Result, Key, Link);
      break;
    case gdPush:
      ReceivedPush(Descriptor, Result, Key);
      break;
    default:
      break;
  }
}

void TGnutellaMessages::ReceivedPing(const GUID& Descriptor, TGnutellaRouteResult& Result,
                                     const GUID& Link) {
  PingRoutes.Trim(Window());
  if (PingRoutes.IndexOfName(Descriptor) >= 0 || OwnPings.IndexOfName(Descriptor) >= 0) {
    Dropped(Result);
    return;
  }
  PingRoutes.Add(Descriptor, platform::GuidToText(Link));
  Accepted(Result, graForward, Link);
}

void TGnutellaMessages::ReceivedPong(const GUID& Descriptor, TGnutellaRouteResult& Result,
                                     const std::string& Key, const GUID& Link) {
  PongKeys.Trim(Window());
  // The servent's own pong coming back.
  if (OwnPongs.IndexOfLine(Descriptor, Key) >= 0) {
    Dropped(Result);
    return;
  }
  const bool already_seen = PongKeys.IndexOfLine(Descriptor, Key) >= 0;
  // An answer to the servent's own ping.
  if (OwnPings.IndexOfName(Descriptor) >= 0) {
    if (already_seen) {
      Dropped(Result);
      return;
    }
    PongKeys.Add(Descriptor, Key, platform::GuidToText(Link));
    Accepted(Result, graLocal, Link);
    return;
  }
  long ping = PingRoutes.IndexOfName(Descriptor);
  if (already_seen || ping < 0) {
    Dropped(Result);
    return;
  }
  PongKeys.Add(Descriptor, Key, platform::GuidToText(Link));
  Accepted(Result, graBackRoute, GuidOf(PingRoutes.At(static_cast<std::size_t>(ping)).Value));
}

void TGnutellaMessages::ReceivedQuery(const GUID& Descriptor, TGnutellaRouteResult& Result,
                                      const std::string& Key, const GUID& Link) {
  QueryKeys.Trim(Window());
  if (QueryKeys.IndexOfLine(Descriptor, Key) >= 0) {
    Dropped(Result);
    return;
  }
  // The same search repeated by the same neighbour under a new GUID.
  const std::string link = platform::GuidToText(Link);
  long same_text = QueryKeys.IndexOfValue(Key);
  if (same_text >= 0 && QueryKeys.At(static_cast<std::size_t>(same_text)).Paired == link) {
    Dropped(Result);
    return;
  }
  QueryKeys.Add(Descriptor, Key, link);
  Accepted(Result, graForward, Link);
}

void TGnutellaMessages::ReceivedQueryHit(const GUID& Descriptor, TGnutellaRouteResult& Result,
                                         const std::string& Key, const GUID& Link) {
  HitKeys.Trim(Window());
  // The first hit line of this query names the same servent: it answered
  // already.
  long first_hit = HitKeys.IndexOfName(Descriptor);
  const bool answered_already =
      first_hit >= 0 && HitKeys.At(static_cast<std::size_t>(first_hit)).Paired == Key;
  const std::string link = platform::GuidToText(Link);
  if (OwnQueries.IndexOfName(Descriptor) >= 0) {
    if (answered_already) {
      Dropped(Result);
      return;
    }
    HitKeys.Add(Descriptor, link, Key);
    Accepted(Result, graLocal, Link);
    return;
  }
  if (OwnHits.IndexOfName(Descriptor) >= 0 || answered_already) {
    Dropped(Result);
    return;
  }
  long query = QueryKeys.IndexOfName(Descriptor);
  if (query < 0) {
    Dropped(Result);
    return;
  }
  HitKeys.Add(Descriptor, link, Key);
  Accepted(Result, graBackRoute, GuidOf(QueryKeys.At(static_cast<std::size_t>(query)).Paired));
}

void TGnutellaMessages::ReceivedPush(const GUID& Descriptor, TGnutellaRouteResult& Result,
                                     const std::string& Key) {
  PushKeys.Trim(Window());
  if (PushKeys.IndexOfLine(Descriptor, std::string()) >= 0 ||
      OwnPushes.IndexOfLine(Descriptor, std::string()) >= 0) {
    Dropped(Result);
    return;
  }
  // The servent put this servent GUID into one of its own hits. The push is
  // recorded, so that the same push arriving over a second path is dropped
  // rather than starting a second upload.
  if (OwnHits.IndexOfPaired(Key) >= 0) {
    PushKeys.Add(Descriptor, std::string());
    Accepted(Result, graLocal, GUID{});
    return;
  }
  long hit = HitKeys.IndexOfPaired(Key);
  if (hit < 0) {
    Dropped(Result);
    return;
  }
  PushKeys.Add(Descriptor, std::string());
  Accepted(Result, graBackRoute, GuidOf(HitKeys.At(static_cast<std::size_t>(hit)).Value));
}

void TGnutellaMessages::Sent(BYTE PayloadType, const GUID& Descriptor, const std::string& Key,
                             const GUID& Link) {
  const std::string link = platform::GuidToText(Link);
  switch (PayloadType) {
    case gdPing:
      OwnPings.Trim(Window());
      OwnPings.Add(Descriptor, link);
      break;
    case gdPong:
      OwnPongs.Trim(Window());
      OwnPongs.Add(Descriptor, Key, link);
      break;
    case gdQuery:
      OwnQueries.Trim(Window());
      OwnQueries.Add(Descriptor, link, Key);
      break;
    case gdQueryHit:
      OwnHits.Trim(Window());
      OwnHits.Add(Descriptor, link, Key);
      break;
    case gdPush:
      PushKeys.Trim(Window());
      PushKeys.Add(Descriptor, link);
      break;
    default:
      break;
  }
}
