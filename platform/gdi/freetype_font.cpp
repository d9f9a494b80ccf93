#include "platform/gdi/freetype_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform::gdi {

namespace {

constexpr double kPi = 3.14159265358979323846;

// FreeType's library object and fontconfig share one lock: opening and
// closing faces and matching fonts are rare.
std::mutex& LibraryMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
  }();
  return library;
}

struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
  bool bold = false;    // the file's own weight is bold
  bool italic = false;  // the file's own slant is italic or oblique
};

// Finds the font file for a family and style through fontconfig (cached).
bool FindFontFile(const std::string& family, bool bold, bool italic, FontFile* out) {
  static auto* cache = new std::map<std::tuple<std::string, bool, bool>, FontFile>;
  auto key = std::make_tuple(family, bold, italic);
  if (auto it = cache->find(key); it != cache->end()) {
    *out = it->second;
    return !out->path.empty();
  }
  // The process's current configuration, loaded once. Fontconfig loses a
  // few hundred bytes while parsing its configuration files; that is its
  // own, once per process, and not reported as ours.
  static const bool ready = [] {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
    bool ok = FcInit() == FcTrue;
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    return ok;
  }();
  FcConfig* config = nullptr;
  FontFile found;
  if (ready) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
      FcChar8* file = nullptr;
      FcChar8* name = nullptr;
      int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        found.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) found.index = index;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
          found.family = reinterpret_cast<const char*>(name);
        }
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        found.bold = weight >= FC_WEIGHT_DEMIBOLD;
        found.italic = slant != FC_SLANT_ROMAN;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  (*cache)[key] = found;
  *out = found;
  return !found.path.empty();
}

// The installed font that draws `c` when the face of `family` has no glyph
// for it, the way desktop programs fall back: fontconfig's fonts sorted for
// the family and style, the first whose character set holds `c` (cached;
// an empty path when none has it). LibraryMutex held.
bool FindFallbackFile(char32_t c, const std::string& family, bool bold, bool italic, FontFile* out) {
  static auto* cache = new std::map<std::tuple<char32_t, std::string, bool, bool>, FontFile>;
  auto key = std::make_tuple(c, family, bold, italic);
  if (auto it = cache->find(key); it != cache->end()) {
    *out = it->second;
    return !out->path.empty();
  }
  FontFile unused;
  FindFontFile(family, bold, italic, &unused);  // fontconfig started
  FontFile found;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, static_cast<FcChar32>(c));
  FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  if (fonts != nullptr) {
    for (int i = 0; i < fonts->nfont && found.path.empty(); ++i) {
      FcPattern* font = fonts->fonts[i];
      FcCharSet* chars = nullptr;
      FcBool scalable = FcFalse;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch ||
          !FcCharSetHasChar(chars, static_cast<FcChar32>(c)))
        continue;
      if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
      FcChar8* file = nullptr;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      found.path = reinterpret_cast<const char*>(file);
      int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) found.index = index;
      FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(font, FC_SLANT, 0, &slant);
      found.bold = weight >= FC_WEIGHT_DEMIBOLD;
      found.italic = slant != FC_SLANT_ROMAN;
    }
    FcFontSetDestroy(fonts);
  }
  FcPatternDestroy(pattern);
  (*cache)[key] = found;
  *out = found;
  return !found.path.empty();
}

long Scale(long units, long ppem, long unitsPerEm) {
  return static_cast<long>(std::lround(static_cast<double>(units) * ppem / unitsPerEm));
}

class FreeTypeFace : public FontFace {
 public:
  ~FreeTypeFace() override {
    std::lock_guard<std::mutex> lock(LibraryMutex());
    for (auto& [name, fallback] : fallbacks_) {
      if (fallback.face) FT_Done_Face(fallback.face);
    }
    if (face_) FT_Done_Face(face_);
  }

  bool Open(const LOGFONT& font, const std::string& family) {
    bool wantBold = font.lfWeight >= 600;
    bool wantItalic = font.lfItalic != 0;
    std::lock_guard<std::mutex> lock(LibraryMutex());
    FontFile file;
    if (!Library() || !FindFontFile(family, wantBold, wantItalic, &file)) return false;
    if (FT_New_Face(Library(), file.path.c_str(), file.index, &face_) != 0) {
      face_ = nullptr;
      return false;
    }
    if (!FT_IS_SCALABLE(face_)) return false;
    wantBold_ = wantBold;
    wantItalic_ = wantItalic;
    requestedFamily_ = family;
    synthBold_ = wantBold && !file.bold;
    synthItalic_ = wantItalic && !file.italic;
    mono_ = font.lfQuality == NONANTIALIASED_QUALITY;
    familyName_ = file.family.empty() ? family : file.family;
    SetSizeAndMetrics(font);
    angle_ = (font.lfEscapement % 3600) / 10.0 * kPi / 180.0;
    if (angle_ != 0.0) {
      FT_Matrix m;
      m.xx = static_cast<FT_Fixed>(std::lround(std::cos(angle_) * 0x10000));
      m.xy = static_cast<FT_Fixed>(std::lround(-std::sin(angle_) * 0x10000));
      m.yx = static_cast<FT_Fixed>(std::lround(std::sin(angle_) * 0x10000));
      m.yy = m.xx;
      FT_Set_Transform(face_, &m, nullptr);
    }
    return true;
  }

 protected:
  void* CopyOutline(char32_t c) override {
    FT_UInt index = 0;
    const Source source = SourceFor(c, &index);
    if (FT_Load_Glyph(source.face, index, FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL)) != 0) {
      return nullptr;
    }
    FT_GlyphSlot slot = source.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
    if (source.synthItalic) FT_GlyphSlot_Oblique(slot);
    if (source.synthBold) FT_GlyphSlot_Embolden(slot);
    FT_Glyph glyph = nullptr;
    if (FT_Get_Glyph(slot, &glyph) != 0) return nullptr;
    return glyph;
  }

  void Load(char32_t c, bool image, Glyph* glyph) override {
    FT_UInt index = 0;
    const Source source = SourceFor(c, &index);
    FT_Int32 flags = FT_LOAD_DEFAULT | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(source.face, index, flags) != 0) return;
    FT_GlyphSlot slot = source.face->glyph;
    if (source.synthItalic) FT_GlyphSlot_Oblique(slot);
    if (source.synthBold) FT_GlyphSlot_Embolden(slot);
    if (rotated()) {
      glyph->advanceX = static_cast<std::int32_t>(slot->advance.x);
      glyph->advanceY = static_cast<std::int32_t>(-slot->advance.y);
    } else {
      glyph->advanceX = static_cast<std::int32_t>((slot->advance.x + 32) & ~63);
      glyph->advanceY = 0;
    }
    if (!image) return;
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bm = slot->bitmap;
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = static_cast<int>(bm.width);
    glyph->height = static_cast<int>(bm.rows);
    glyph->coverage.assign(static_cast<std::size_t>(glyph->width) * glyph->height, 0);
    for (int y = 0; y < glyph->height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      std::uint8_t* out = glyph->coverage.data() + static_cast<std::size_t>(y) * glyph->width;
      for (int x = 0; x < glyph->width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
          out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else {
          out[x] = row[x];
        }
      }
    }
  }

 private:
  // The face that draws a character and how.
  struct Source {
    FT_Face face = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
  };

  // This face when it has the character; otherwise a fallback font that
  // has it, at this face's size (the metrics stay this face's). The
  // face's own lock is held.
  Source SourceFor(char32_t c, FT_UInt* index) {
    Source own{face_, synthBold_, synthItalic_};
    *index = FT_Get_Char_Index(face_, c);
    if (*index != 0 || c < 0x20 || (c >= 0x7F && c < 0xA0)) return own;
    std::lock_guard<std::mutex> lock(LibraryMutex());
    FontFile file;
    if (!FindFallbackFile(c, requestedFamily_, wantBold_, wantItalic_, &file)) return own;
    const std::string name = file.path + "#" + std::to_string(file.index);
    auto it = fallbacks_.find(name);
    if (it == fallbacks_.end()) {
      Source made;
      if (FT_New_Face(Library(), file.path.c_str(), file.index, &made.face) != 0) made.face = nullptr;
      if (made.face != nullptr) {
        FT_Set_Pixel_Sizes(made.face, xppem_, ppem_);
        if (angle_ != 0.0) {
          FT_Matrix m;
          m.xx = static_cast<FT_Fixed>(std::lround(std::cos(angle_) * 0x10000));
          m.xy = static_cast<FT_Fixed>(std::lround(-std::sin(angle_) * 0x10000));
          m.yx = static_cast<FT_Fixed>(std::lround(std::sin(angle_) * 0x10000));
          m.yy = m.xx;
          FT_Set_Transform(made.face, &m, nullptr);
        }
        made.synthBold = wantBold_ && !file.bold;
        made.synthItalic = wantItalic_ && !file.italic;
      }
      it = fallbacks_.emplace(name, made).first;
    }
    if (it->second.face == nullptr) return own;
    const FT_UInt fallback_index = FT_Get_Char_Index(it->second.face, c);
    if (fallback_index == 0) return own;
    *index = fallback_index;
    return it->second;
  }

  void SetSizeAndMetrics(const LOGFONT& font) {
    const long upem = face_->units_per_EM ? face_->units_per_EM : 2048;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
    long winAscent = os2 ? os2->usWinAscent : face_->ascender;
    long winDescent = os2 ? os2->usWinDescent : -face_->descender;
    if (winAscent + winDescent <= 0) {
      winAscent = upem * 4 / 5;
      winDescent = upem / 5;
    }
    long ppem;
    if (font.lfHeight < 0) ppem = -font.lfHeight;
    else if (font.lfHeight > 0) ppem = std::max(1L, Scale(font.lfHeight, upem, winAscent + winDescent));
    else ppem = 11;  // 8 points at 96 dots per inch
    ppem = std::clamp(ppem, 1L, 2048L);
    long xppem = ppem;
    long naturalAverage = os2 ? Scale(os2->xAvgCharWidth, ppem, upem) : ppem / 2;
    if (font.lfWidth > 0 && naturalAverage > 0) {
      xppem = std::clamp(static_cast<long>(std::lround(static_cast<double>(ppem) * font.lfWidth / naturalAverage)), 1L, 4096L);
    }
    FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(xppem), static_cast<FT_UInt>(ppem));
    xppem_ = static_cast<FT_UInt>(xppem);
    ppem_ = static_cast<FT_UInt>(ppem);

    TEXTMETRIC& m = metrics_;
    m.tmAscent = Scale(winAscent, ppem, upem);
    m.tmDescent = Scale(winDescent, ppem, upem);
    m.tmHeight = m.tmAscent + m.tmDescent;
    m.tmInternalLeading = std::max(0L, static_cast<long>(m.tmHeight) - ppem);
    long extra = 0;
    if (hhea) extra = (hhea->Ascender - hhea->Descender + hhea->Line_Gap) - (winAscent + winDescent);
    m.tmExternalLeading = std::max(0L, Scale(extra, ppem, upem));
    m.tmAveCharWidth = os2 ? std::max(1L, Scale(os2->xAvgCharWidth, xppem, upem)) : xppem / 2;
    m.tmMaxCharWidth = std::max(1L, Scale(face_->bbox.xMax - face_->bbox.xMin, xppem, upem));
    m.tmWeight = font.lfWeight >= 600 ? FW_BOLD : (font.lfWeight ? font.lfWeight : FW_NORMAL);
    m.tmItalic = font.lfItalic ? 1 : 0;
    m.tmUnderlined = font.lfUnderline ? 1 : 0;
    m.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    bool fixed = FT_IS_FIXED_WIDTH(face_);
    BYTE family = fixed ? FF_MODERN : (familyName_.find("Serif") != std::string::npos &&
                                               familyName_.find("Sans") == std::string::npos
                                           ? FF_ROMAN
                                           : FF_SWISS);
    m.tmPitchAndFamily = static_cast<BYTE>(family | TMPF_TRUETYPE | TMPF_VECTOR | (fixed ? 0 : TMPF_FIXED_PITCH));
    m.tmCharSet = ANSI_CHARSET;
    if (face_->underline_thickness > 0) {
      underlinePosition_ = std::max(1L, Scale(-face_->underline_position, ppem, upem));
      underlineThickness_ = std::max(1L, Scale(face_->underline_thickness, ppem, upem));
    } else {
      underlinePosition_ = std::max(1L, static_cast<long>(m.tmDescent) / 2);
    }
    if (os2 && os2->yStrikeoutSize > 0) {
      strikeoutPosition_ = std::max(1L, Scale(os2->yStrikeoutPosition, ppem, upem));
      strikeoutThickness_ = std::max(1L, Scale(os2->yStrikeoutSize, ppem, upem));
    } else {
      strikeoutPosition_ = std::max(1L, static_cast<long>(m.tmAscent) / 3);
    }
  }

  FT_Face face_ = nullptr;
  FT_UInt xppem_ = 0;
  FT_UInt ppem_ = 0;
  std::string requestedFamily_;
  bool wantBold_ = false;
  bool wantItalic_ = false;
  std::map<std::string, Source> fallbacks_;  // by file and index
  bool mono_ = false;
  bool synthBold_ = false;
  bool synthItalic_ = false;
};

}  // namespace

void* FreeTypeLibrary() {
  std::lock_guard<std::mutex> lock(LibraryMutex());
  return Library();
}

std::mutex& FreeTypeLibraryMutex() { return LibraryMutex(); }

std::shared_ptr<FontFace> MakeFreeTypeFont(const LOGFONT& font, const std::string& family) {
  auto face = std::make_shared<FreeTypeFace>();
  if (!face->Open(font, family)) return nullptr;
  return face;
}

}  // namespace platform::gdi
