// Realised fonts: a face at one size, style and angle, with its metrics and
// a cache of rendered glyphs.
//
// Two kinds exist: FreeType faces found through fontconfig, and the test
// font (test_font.h), drawn by our own code.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

struct Glyph {
  // Pen movement after the character, in 1/64 pixel (y down). Upright fonts
  // have whole-pixel advances along x.
  std::int32_t advanceX = 0;
  std::int32_t advanceY = 0;
  // Coverage bitmap (0..255) placed at pen + (left, -top).
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
  bool loaded = false;
  bool rendered = false;
};

class FontFace {
 public:
  virtual ~FontFace() = default;

  const TEXTMETRIC& metrics() const { return metrics_; }
  const std::string& familyName() const { return familyName_; }
  double angle() const { return angle_; }  // radians, counter-clockwise
  bool rotated() const { return angle_ != 0.0; }
  int underlinePosition() const { return underlinePosition_; }  // pixels below the baseline
  int underlineThickness() const { return underlineThickness_; }
  int strikeoutPosition() const { return strikeoutPosition_; }  // pixels above the baseline
  int strikeoutThickness() const { return strikeoutThickness_; }

  // Hold while using references returned by GlyphFor.
  std::mutex& mutex() { return mutex_; }
  // The glyph of a code point (its image only when `image`); C0 control
  // characters have no width and no image. The reference stays valid until
  // the next call.
  const Glyph& GlyphFor(char32_t c, bool image);
  // The glyph's outline (a FreeType FT_Glyph of the outline format, turned
  // with the font, pen at (0, 0), y upwards); the caller frees it with
  // FT_Done_Glyph. Null for faces drawn without outlines. Hold mutex().
  virtual void* CopyOutline(char32_t) { return nullptr; }
  // Whole-pixel advance of an upright glyph.
  int Advance(char32_t c) { return (GlyphFor(c, false).advanceX + 32) >> 6; }

 protected:
  virtual void Load(char32_t c, bool image, Glyph* glyph) = 0;

  TEXTMETRIC metrics_;
  std::string familyName_;
  double angle_ = 0.0;
  int underlinePosition_ = 1;
  int underlineThickness_ = 1;
  int strikeoutPosition_ = 3;
  int strikeoutThickness_ = 1;

 private:
  static constexpr std::size_t kMaxCachedGlyphs = 8192;
  std::mutex mutex_;
  Glyph ascii_[128];
  std::unordered_map<char32_t, Glyph> others_;
  Glyph scratch_;
};

// The face for a logical font (cached: equal requests share one face).
std::shared_ptr<FontFace> RealizeFont(const LOGFONT& font);

// The installed family a face name maps to ("Liberation Sans" for "Arial"
// and the like); the name itself when no mapping is known.
std::string MapFaceName(const std::string& name);

// Decodes UTF-8; malformed bytes become U+FFFD. `byteIndex` (optional)
// receives the offset of each character's first byte.
std::u32string DecodeUtf8(const char* text, std::size_t length, std::vector<std::size_t>* byteIndex = nullptr);

}  // namespace platform::gdi
