// The file-sharing window's searches: one tab per search, its hits in a
// result list.
#pragma once

#include "classlib/Object.h"
#include "platform/net/guids.h"

// One search hit, owned by its result row.
struct TSearchHit {
  String Filename;  // at most 255 characters
  DWORD FileIndex = 0;
  GUID ClientID{};
  GUID ServentID{};
  DWORD FileSize = 0;
};

// Whether one of the caption's words (split at blanks and commas; empty
// words match nothing) occurs in Filename, letter case ignored.
bool CaptionMatches(const String& Caption, const String& Filename);
