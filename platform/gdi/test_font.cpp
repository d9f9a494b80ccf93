#include "platform/gdi/test_font.h"

#include <cmath>
#include <cstdlib>

namespace platform::gdi {

namespace {

constexpr double kPi = 3.14159265358979323846;

class TestFontFace : public FontFace {
 public:
  explicit TestFontFace(const LOGFONT& font) {
    int h = font.lfHeight == 0 ? 16 : std::abs(static_cast<int>(font.lfHeight));
    h = std::min(h, 2048);
    ascent_ = h - h / 4;
    advance_ = font.lfWidth > 0 ? std::min(static_cast<int>(font.lfWidth), 2048) : std::max(1, h / 2);
    metrics_.tmHeight = h;
    metrics_.tmAscent = ascent_;
    metrics_.tmDescent = h / 4;
    metrics_.tmAveCharWidth = advance_;
    metrics_.tmMaxCharWidth = advance_;
    metrics_.tmWeight = font.lfWeight >= 600 ? FW_BOLD : FW_NORMAL;
    metrics_.tmItalic = font.lfItalic ? 1 : 0;
    metrics_.tmUnderlined = font.lfUnderline ? 1 : 0;
    metrics_.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    metrics_.tmPitchAndFamily = FF_MODERN;  // fixed pitch
    familyName_ = kTestFontName;
    underlinePosition_ = 1;
    underlineThickness_ = 1;
    strikeoutPosition_ = ascent_ / 2;
    strikeoutThickness_ = 1;
    angle_ = (font.lfEscapement % 3600) / 10.0 * kPi / 180.0;
  }

 protected:
  void Load(char32_t c, bool image, Glyph* glyph) override {
    double cs = std::cos(angle_), sn = std::sin(angle_);
    glyph->advanceX = static_cast<std::int32_t>(std::lround(advance_ * 64 * cs));
    glyph->advanceY = static_cast<std::int32_t>(std::lround(-advance_ * 64 * sn));
    if (!image || c == U' ') return;
    int boxWidth = std::max(1, advance_ - 1);
    if (!rotated()) {
      glyph->left = 0;
      glyph->top = ascent_;
      glyph->width = boxWidth;
      glyph->height = ascent_;
      glyph->coverage.assign(static_cast<std::size_t>(boxWidth) * ascent_, 255);
      return;
    }
    // The box [0, boxWidth) x [-ascent, 0) in text space, turned; pixels
    // whose centres fall inside it are set. Text space y grows upwards.
    double xs[4] = {0, static_cast<double>(boxWidth), static_cast<double>(boxWidth), 0};
    double ys[4] = {0, 0, static_cast<double>(ascent_), static_cast<double>(ascent_)};
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int i = 0; i < 4; ++i) {
      double px = xs[i] * cs - ys[i] * sn, py = -(xs[i] * sn + ys[i] * cs);  // screen, y down
      minX = std::min(minX, px);
      maxX = std::max(maxX, px);
      minY = std::min(minY, py);
      maxY = std::max(maxY, py);
    }
    int left = static_cast<int>(std::floor(minX)), top = static_cast<int>(std::floor(minY));
    int width = static_cast<int>(std::ceil(maxX)) - left, height = static_cast<int>(std::ceil(maxY)) - top;
    glyph->left = left;
    glyph->top = -top;
    glyph->width = width;
    glyph->height = height;
    glyph->coverage.assign(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double sx = left + x + 0.5, sy = top + y + 0.5;
        // Back to text space: u along the baseline, v upwards.
        double u = sx * cs - sy * sn, v = -(sx * sn + sy * cs);
        if (u >= 0 && u < boxWidth && v >= 0 && v < ascent_) {
          glyph->coverage[static_cast<std::size_t>(y) * width + x] = 255;
        }
      }
    }
  }

 private:
  int ascent_ = 12;
  int advance_ = 8;
};

}  // namespace

std::shared_ptr<FontFace> MakeTestFont(const LOGFONT& font) { return std::make_shared<TestFontFace>(font); }

}  // namespace platform::gdi
