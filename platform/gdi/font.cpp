#include "platform/gdi/font.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <strings.h>

#include "platform/core/errors.h"
#include "platform/core/utf8.h"
#include "platform/gdi/freetype_font.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/test_font.h"

namespace platform::gdi {

// --------------------------------------------------------------- glyphs

const Glyph& FontFace::GlyphFor(char32_t c, bool image) {
  Glyph* glyph;
  if (c < 128) {
    glyph = &ascii_[c];
  } else if (auto it = others_.find(c); it != others_.end()) {
    glyph = &it->second;
  } else if (others_.size() < kMaxCachedGlyphs) {
    glyph = &others_[c];
  } else {
    scratch_ = Glyph{};
    glyph = &scratch_;
  }
  if (c < 0x20 || c == 0x7F) {
    glyph->loaded = glyph->rendered = true;  // control characters: nothing at all
    return *glyph;
  }
  if (!glyph->loaded || (image && !glyph->rendered)) {
    Load(c, image, glyph);
    glyph->loaded = true;
    if (image) glyph->rendered = true;
  }
  return *glyph;
}

std::u32string DecodeUtf8(const char* text, std::size_t length, std::vector<std::size_t>* byteIndex) {
  return DecodeUtf8Text(std::string_view(text, length), Utf8BadByte::kReplacement, byteIndex);
}

// ---------------------------------------------------------------- names

std::string MapFaceName(const std::string& name) {
  static const std::map<std::string, std::string> aliases = {
      {"ms sans serif", "Liberation Sans"},      {"microsoft sans serif", "Liberation Sans"},
      {"ms shell dlg", "Liberation Sans"},       {"ms shell dlg 2", "Liberation Sans"},
      {"arial", "Liberation Sans"},              {"tahoma", "Liberation Sans"},
      {"verdana", "Liberation Sans"},            {"helvetica", "Liberation Sans"},
      {"system", "Liberation Sans"},             {"segoe ui", "Liberation Sans"},
      {"small fonts", "Liberation Sans"},        {"trebuchet ms", "Liberation Sans"},
      {"times new roman", "Liberation Serif"},   {"times", "Liberation Serif"},
      {"ms serif", "Liberation Serif"},          {"georgia", "Liberation Serif"},
      {"courier new", "Liberation Mono"},        {"courier", "Liberation Mono"},
      {"fixedsys", "Liberation Mono"},           {"terminal", "Liberation Mono"},
      {"lucida console", "Liberation Mono"},     {"", "Liberation Sans"},
  };
  std::string key;
  for (char ch : name) key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(ch))));
  auto it = aliases.find(key);
  return it == aliases.end() ? name : it->second;
}

// ---------------------------------------------------------------- cache

namespace {

std::string FaceNameOf(const LOGFONT& font) {
  return std::string(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE));
}

std::string CacheKey(const LOGFONT& f, const std::string& family) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%d/%d/%d/%d/%d/%d/%s", static_cast<int>(f.lfHeight),
                static_cast<int>(f.lfWidth), static_cast<int>(f.lfEscapement % 3600), f.lfWeight >= 600 ? 1 : 0,
                f.lfItalic ? 1 : 0, f.lfQuality == NONANTIALIASED_QUALITY ? 1 : 0, family.c_str());
  return buffer;
}

}  // namespace

std::shared_ptr<FontFace> RealizeFont(const LOGFONT& font) {
  static std::mutex mutex;
  static auto* cache = new std::map<std::string, std::shared_ptr<FontFace>>;
  std::string face = FaceNameOf(font);
  bool test = strcasecmp(face.c_str(), kTestFontName) == 0;
  std::string family = test ? kTestFontName : MapFaceName(face);
  std::string key = CacheKey(font, family);
  std::lock_guard<std::mutex> lock(mutex);
  if (auto it = cache->find(key); it != cache->end()) return it->second;
  std::shared_ptr<FontFace> made = test ? MakeTestFont(font) : MakeFreeTypeFont(font, family);
  if (!made) made = MakeTestFont(font);  // no usable font installed at all
  if (cache->size() > 256) {
    std::erase_if(*cache, [](const auto& entry) { return entry.second.use_count() == 1; });
  }
  cache->emplace(key, made);
  return made;
}

std::shared_ptr<FontFace> FontObject::Face() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!face_) face_ = RealizeFont(log);
  return face_;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONT font;
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic ? 1 : 0);
  font.lfUnderline = static_cast<BYTE>(underline ? 1 : 0);
  font.lfStrikeOut = static_cast<BYTE>(strikeOut ? 1 : 0);
  font.lfCharSet = static_cast<BYTE>(charSet);
  font.lfOutPrecision = static_cast<BYTE>(outPrecision);
  font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::snprintf(font.lfFaceName, LF_FACESIZE, "%s", faceName);
  return CreateFontIndirect(&font);
}

HFONT CreateFontIndirect(const LOGFONT* log) {
  // Heights beyond a few thousand pixels are mistakes, not fonts.
  constexpr LONG kLimit = 16384;
  if (log == nullptr || log->lfHeight > kLimit || log->lfHeight < -kLimit || log->lfWidth < 0 ||
      log->lfWidth > kLimit || log->lfWeight < 0 || log->lfWeight > 1000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_shared<FontObject>();
  font->log = *log;
  font->log.lfFaceName[LF_FACESIZE - 1] = '\0';
  return static_cast<HFONT>(Register(font));
}
