// The routing table: for a window of recent descriptors, where each came
// from and which ones the servent sent itself. It decides what the servent
// does with a received descriptor (drop, send back along its route, flood,
// or keep for itself) and records the descriptors the servent sends. It
// holds no sockets and sends nothing.
//
// Each list is a window of its MaxLines (100) most recent lines; before a
// list takes a line, its oldest line goes when it is full (and with it the
// line of its paired list). A line is a descriptor GUID, "=" and a value;
// lists that the table keeps in step (PongKeys and PongLinks, ...) are kept
// here as one list whose lines carry the paired value too. GUIDs are
// compared as 16 bytes, which is the same as comparing their text forms.
// Look-ups scan at most MaxLines lines, whatever the traffic.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "platform/net/guids.h"

struct TGnutellaRouteResult {
  BYTE Accept = 0;  // 1 accepted, 0 dropped
  GUID Target;      // link to send back to
  BYTE Action = 0;  // see the constants below
};

constexpr BYTE graDrop = 0;
constexpr BYTE graBackRoute = 1;
constexpr BYTE graForward = 2;
constexpr BYTE graLocal = 4;

constexpr int grdReceived = 0;
constexpr int grdSent = 1;

// One window of lines: descriptor GUID = value, and the paired list's line.
class TGnutellaRouteList {
 public:
  struct Line {
    GUID Name;
    std::string Value;
    std::string Paired;
  };

  std::size_t Count() const { return lines_.size(); }
  const Line& At(std::size_t index) const { return lines_[index]; }
  // The line as text: "{GUID}=value", or just "{GUID}" when the value is
  // empty.
  std::string Text(std::size_t index) const;

  // Deletes the oldest line (with its paired line) while the list holds
  // `max_lines` or more.
  void Trim(std::size_t max_lines);
  void Add(const GUID& name, const std::string& value, const std::string& paired = {});

  // Index of the first line with that GUID, or -1.
  long IndexOfName(const GUID& name) const;
  // Index of the first line equal to "GUID=value", or -1.
  long IndexOfLine(const GUID& name, const std::string& value) const;
  // Index of the first line whose value is `value`, or -1.
  long IndexOfValue(const std::string& value) const;
  // Index of the first line whose paired line is `paired`, or -1.
  long IndexOfPaired(const std::string& paired) const;

 private:
  std::deque<Line> lines_;
};

class TGnutellaMessages {
 public:
  TGnutellaMessages() = default;

  int MaxLines = 100;

  // Direction grdReceived decides and fills `Result`; grdSent records and
  // leaves `Result` alone. `Key`: the pong's address, the search text, or
  // the servent GUID text of a query hit or push. `LinkGUID`: the link the
  // descriptor came from or goes to (the servent GUID for an own query).
  // Other payload types are ignored.
  void Route(BYTE PayloadType, const GUID& DescriptorGUID, TGnutellaRouteResult& Result,
             int Direction, const std::string& Key, const GUID& LinkGUID);

  // The lists (PongKeys carries PongLinks, QueryKeys QueryLinks, HitKeys
  // HitServents, OwnPongs OwnPongLinks, OwnQueries OwnQueryTexts, OwnHits
  // OwnHitServents, as their paired lines).
  TGnutellaRouteList PingRoutes;
  TGnutellaRouteList PongKeys;
  TGnutellaRouteList QueryKeys;
  TGnutellaRouteList HitKeys;
  TGnutellaRouteList PushKeys;
  TGnutellaRouteList OwnPings;
  TGnutellaRouteList OwnPongs;
  TGnutellaRouteList OwnQueries;
  TGnutellaRouteList OwnHits;
  TGnutellaRouteList OwnPushes;

 private:
  void Received(BYTE PayloadType, const GUID& Descriptor, TGnutellaRouteResult& Result,
                const std::string& Key, const GUID& Link);
  void Sent(BYTE PayloadType, const GUID& Descriptor, const std::string& Key, const GUID& Link);
  void ReceivedPing(const GUID& Descriptor, TGnutellaRouteResult& Result, const GUID& Link);
  void ReceivedPong(const GUID& Descriptor, TGnutellaRouteResult& Result, const std::string& Key,
                    const GUID& Link);
  void ReceivedQuery(const GUID& Descriptor, TGnutellaRouteResult& Result, const std::string& Key,
                     const GUID& Link);
  void ReceivedQueryHit(const GUID& Descriptor, TGnutellaRouteResult& Result,
                        const std::string& Key, const GUID& Link);
  void ReceivedPush(const GUID& Descriptor, TGnutellaRouteResult& Result, const std::string& Key);
  std::size_t Window() const { return MaxLines < 0 ? 0 : static_cast<std::size_t>(MaxLines); }
};
