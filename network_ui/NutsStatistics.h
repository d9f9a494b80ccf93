// The file-sharing window's statistics: once a second the host times, the
// servent's message counters, the traffic labels and the traffic graph.
#pragma once

// Samples the graph keeps of each traffic (one a second).
constexpr int kGraphRingSize = 2000;
