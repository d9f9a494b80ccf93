// The web host-cache answers: lines across pieces and the line filters.
#include <algorithm>
#include <cctype>

#include "network/GWebCache.h"

// --- Answers -------------------------------------------------------------------

bool TAnswerLines::Add(std::string_view piece) {
  if (total_ >= kMaxWebCacheAnswer) return false;
  if (piece.size() > kMaxWebCacheAnswer - total_) piece = piece.substr(0, kMaxWebCacheAnswer - total_);
  total_ += piece.size();
  std::size_t at = 0;
  while (at < piece.size()) {
    std::size_t end = piece.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      partial_.append(piece.substr(at));
      break;
    }
    partial_.append(piece.substr(at, end - at));
    // A CR LF cut between two pieces leaves an empty line, dropped below.
    lines_.push_back(std::move(partial_));
    partial_.clear();
    at = end + 1;
  }
  return total_ < kMaxWebCacheAnswer;
}

std::vector<std::string> TAnswerLines::Finish() {
  if (!partial_.empty()) lines_.push_back(std::move(partial_));
  partial_.clear();
  std::vector<std::string> result;
  for (auto& line : lines_) {
    if (!line.empty()) result.push_back(std::move(line));
  }
  lines_.clear();
  return result;
}

bool IsCacheUrl(std::string_view line) {
  if (line.size() > 255 || line.size() <= 7) return false;
  std::string start(line.substr(0, 7));
  std::transform(start.begin(), start.end(), start.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (start != "http://") return false;
  for (unsigned char c : line) {
    if (c <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool ParseHostLine(std::string_view line, std::string* address, int* port) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view dotted = line.substr(0, colon);
  std::string_view port_text = line.substr(colon + 1);
  int parts = 0;
  std::size_t at = 0;
  while (true) {
    std::size_t dot = dotted.find('.', at);
    std::string_view part = dotted.substr(at, dot == std::string_view::npos ? std::string_view::npos : dot - at);
    if (part.empty() || part.size() > 3) return false;
    int value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    at = dot + 1;
  }
  if (parts != 4) return false;
  if (port_text.empty() || port_text.size() > 5) return false;
  int value = 0;
  for (char c : port_text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  *address = std::string(dotted);
  *port = value;
  return true;
}
