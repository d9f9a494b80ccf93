#include "classlib/ButtonGlyph.h"

#include <map>
#include <utility>

#include "platform/gdi/gdi.h"

TButtonGlyph::TButtonGlyph() : original_(std::make_unique<TBitmap>()) {
  original_->OnChange = [this](TObject*) { Changed(); };
}

void TButtonGlyph::SetGlyph(TBitmap* Value) {
  if (Value == nullptr) {
    original_->SetSize(0, 0);
  } else {
    original_->Assign(Value);
  }
  // A strip of square images says how many it holds.
  if (Value != nullptr && Value->Height() > 0 && Value->Width() % Value->Height() == 0) {
    const int count = Value->Width() / Value->Height();
    if (count >= 1 && count <= 4) num_glyphs_ = count;
  }
  Changed();
}

void TButtonGlyph::SetNumGlyphs(TNumGlyphs Value) {
  if (Value < 1 || Value > 4 || Value == num_glyphs_) return;
  num_glyphs_ = Value;
  Changed();
}

void TButtonGlyph::Changed() {
  for (auto& image : images_) image.reset();
  if (OnChange) OnChange(nullptr);
}

TBitmap* TButtonGlyph::ImageFor(TButtonState State) {
  if (original_->Empty()) return nullptr;
  int index = static_cast<int>(State);
  if (index >= num_glyphs_ && State != bsDisabled) index = 0;
  auto& slot = images_[static_cast<std::size_t>(State)];
  if (slot) return slot.get();
  const int width = original_->Width() / num_glyphs_;
  const int height = original_->Height();
  const TColor transparent = original_->TransparentColor();
  auto image = std::make_unique<TBitmap>();
  image->SetSize(width, height);
  if (index < num_glyphs_) {
    image->Canvas()->CopyRect(Rect(0, 0, width, height), original_->Canvas(),
                              Bounds(index * width, 0, width, height));
  } else {
    // A disabled image of our own: the shape of the up image, embossed
    // in the highlight and shadow colours on the transparent colour.
    TBitmap* up = ImageFor(bsUp);
    image->Canvas()->Brush()->SetColor(transparent);
    image->Canvas()->FillRect(Rect(0, 0, width, height));
    const TColor highlight = ColorToRGB(clBtnHighlight);
    const TColor shadow = ColorToRGB(clBtnShadow);
    const TColor clear = ColorToRGB(transparent);
    for (int pass = 0; pass < 2; ++pass) {
      const int d = pass == 0 ? 1 : 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const TColor c = up->Canvas()->Pixels(x, y);
          if (c == clear || c == 0xFFFFFF) continue;
          if (x + d < width && y + d < height) image->Canvas()->SetPixels(x + d, y + d, pass == 0 ? highlight : shadow);
        }
      }
    }
  }
  image->SetTransparentColor(transparent);
  image->SetTransparent(true);
  slot = std::move(image);
  return slot.get();
}

TRect TButtonGlyph::Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const String& Caption,
                         TButtonLayout Layout, int Margin, int Spacing, TButtonState State, bool /*Transparent*/) {
  TBitmap* image = ImageFor(State);
  const SIZE glyph{image != nullptr ? image->Width() : 0, image != nullptr ? image->Height() : 0};
  SIZE text{0, 0};
  if (!Caption.empty()) {
    RECT r{0, 0, Client.right - Client.left, 0};
    DrawText(Canvas->Handle(), Caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    text = SIZE{r.right - r.left, r.bottom - r.top};
  }
  const bool vertical = Layout == blGlyphTop || Layout == blGlyphBottom;
  const int total = vertical ? Client.bottom - Client.top : Client.right - Client.left;
  const int glyph_along = vertical ? glyph.cy : glyph.cx;
  const int text_along = vertical ? text.cy : text.cx;
  if (glyph_along == 0 || text_along == 0) Spacing = 0;
  // The glyph and the caption as a block, centred unless a margin is given.
  if (Margin == -1) {
    if (Spacing == -1) {
      Margin = (total - glyph_along - text_along) / 3;
      Spacing = Margin;
    } else {
      Margin = (total - (glyph_along + text_along + Spacing)) / 2;
    }
  } else if (Spacing == -1) {
    Spacing = (total - Margin - glyph_along - text_along) / 2;
  }
  const int cx = (Client.left + Client.right) / 2;
  const int cy = (Client.top + Client.bottom) / 2;
  TPoint glyph_pos{};
  TPoint text_pos{};
  switch (Layout) {
    case blGlyphLeft:
      glyph_pos = Point(Client.left + Margin, cy - glyph.cy / 2);
      text_pos = Point(glyph_pos.x + glyph.cx + Spacing, cy - text.cy / 2);
      break;
    case blGlyphRight:
      glyph_pos = Point(Client.right - Margin - glyph.cx, cy - glyph.cy / 2);
      text_pos = Point(glyph_pos.x - Spacing - text.cx, cy - text.cy / 2);
      break;
    case blGlyphTop:
      glyph_pos = Point(cx - glyph.cx / 2, Client.top + Margin);
      text_pos = Point(cx - text.cx / 2, glyph_pos.y + glyph.cy + Spacing);
      break;
    case blGlyphBottom:
      glyph_pos = Point(cx - glyph.cx / 2, Client.bottom - Margin - glyph.cy);
      text_pos = Point(cx - text.cx / 2, glyph_pos.y - Spacing - text.cy);
      break;
  }
  if (image != nullptr) Canvas->Draw(glyph_pos.x + Offset.x, glyph_pos.y + Offset.y, image);
  TRect text_rect = Bounds(text_pos.x + Offset.x, text_pos.y + Offset.y, text.cx, text.cy);
  if (!Caption.empty()) {
    Canvas->Brush()->SetStyle(bsClear);
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (State == bsDisabled) {
      const TColor color = Canvas->Font()->Color();
      OffsetRect(&text_rect, 1, 1);
      Canvas->Font()->SetColor(clBtnHighlight);
      DrawText(Canvas->Handle(), Caption.c_str(), -1, &text_rect, flags);
      OffsetRect(&text_rect, -1, -1);
      Canvas->Font()->SetColor(clBtnShadow);
      DrawText(Canvas->Handle(), Caption.c_str(), -1, &text_rect, flags);
      Canvas->Font()->SetColor(color);
    } else {
      DrawText(Canvas->Handle(), Caption.c_str(), -1, &text_rect, flags);
    }
  }
  return text_rect;
}

TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor) {
  static std::map<std::pair<TColor, TColor>, std::unique_ptr<TBitmap>> patterns;
  auto& slot = patterns[{BkColor, FgColor}];
  if (!slot) {
    slot = std::make_unique<TBitmap>();
    slot->SetSize(8, 8);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) slot->Canvas()->SetPixels(x, y, ((x + y) % 2 == 0) ? BkColor : FgColor);
    }
  }
  return slot.get();
}
