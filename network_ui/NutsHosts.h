// The file-sharing window's hosts: connecting, one row of the host list
// per peer link, and the monitor of incoming queries.
#pragma once

#include "classlib/Object.h"

// The query monitor keeps the newest queries, at most this many.
constexpr int kQueryMonitorLines = 31;

// "Unknown", "0.4", "0.6" or "0.6+" for the link versions 0 to 3.
String HostVersionText(int Version);
