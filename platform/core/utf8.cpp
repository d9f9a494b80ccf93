#include "platform/core/utf8.h"

namespace platform {

namespace {

bool IsCharacter(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

char32_t BadByte(unsigned char byte, Utf8BadByte rule) {
  switch (rule) {
    case Utf8BadByte::kOwnValue:
      return byte;
    case Utf8BadByte::kPrivateRange:
      return kUtf8RawByteBase + byte;
    case Utf8BadByte::kReplacement:
      break;
  }
  return kReplacementCharacter;
}

}  // namespace

char32_t DecodeUtf8Char(std::string_view text, std::size_t& i, Utf8BadByte rule) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  }
  bool shaped = length != 0 && i + length <= text.size();
  for (std::size_t k = 1; shaped && k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) shaped = false;
    c = (c << 6) | (next & 0x3F);
  }
  if (!shaped) {
    ++i;
    return BadByte(lead, rule);
  }
  if (c < smallest || !IsCharacter(c)) {
    if (rule == Utf8BadByte::kReplacement) {
      i += length;
      return kReplacementCharacter;
    }
    ++i;
    return BadByte(lead, rule);
  }
  i += length;
  return c;
}

std::u32string DecodeUtf8Text(std::string_view text, Utf8BadByte rule, std::vector<std::size_t>* starts) {
  std::u32string out;
  out.reserve(text.size());
  if (starts) {
    starts->clear();
    starts->reserve(text.size());
  }
  for (std::size_t i = 0; i < text.size();) {
    if (starts) starts->push_back(i);
    out.push_back(DecodeUtf8Char(text, i, rule));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (!IsCharacter(c)) {
    out += '?';
  } else if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace platform
