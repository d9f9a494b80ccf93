#include "controls/VrClasses.h"

#include <cstdlib>

#include "classlib/AtomicFile.h"
#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Graphic.h"
#include "controls/VrFunctions.h"

void TVrPersistent::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  Changed();
}

void TVrPersistent::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

// --- bevel ---

TVrBevel::TVrBevel()
    : border_color_(clBtnFace),
      inner_shadow_(clBtnShadow),
      inner_highlight_(clBtnHighlight),
      inner_color_(clBtnFace),
      outer_shadow_(clBtnShadow),
      outer_highlight_(clBtnHighlight),
      outer_color_(clBtnFace) {}

void TVrBevel::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TVrBevel*>(Source);
  if (!other) {
    TVrPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    SetBorderWidth(other->border_width_);
    SetBorderColor(other->border_color_);
    SetInnerShadow(other->inner_shadow_);
    SetInnerHighlight(other->inner_highlight_);
    SetInnerWidth(other->inner_width_);
    SetInnerStyle(other->inner_style_);
    SetInnerOutline(other->inner_outline_);
    SetInnerSpace(other->inner_space_);
    SetInnerColor(other->inner_color_);
    SetOuterShadow(other->outer_shadow_);
    SetOuterHighlight(other->outer_highlight_);
    SetOuterWidth(other->outer_width_);
    SetOuterStyle(other->outer_style_);
    SetOuterOutline(other->outer_outline_);
    SetOuterSpace(other->outer_space_);
    SetOuterColor(other->outer_color_);
    SetVisible(other->visible_);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TVrBevel::GetVisibleArea(TRect& Rect) const {
  if (!visible_) return;
  std::int64_t w = border_width_;
  w += inner_outline_ != osNone ? 1 : 0;
  w += outer_outline_ != osNone ? 1 : 0;
  w += inner_space_;
  w += outer_space_;
  if (inner_style_ != TVrBevelStyle::bsNone) w += inner_width_;
  if (outer_style_ != TVrBevelStyle::bsNone) w += outer_width_;
  const int d = w > 100000 ? 100000 : static_cast<int>(w);
  Rect.left += d;
  Rect.top += d;
  Rect.right -= d;
  Rect.bottom -= d;
}

void TVrBevel::Paint(TCanvas* Canvas, TRect& Rect) const {
  if (!visible_) return;
  auto styled = [&](TVrBevelStyle style, int width, TColor shadow, TColor highlight) {
    if (style == TVrBevelStyle::bsLowered) DrawFrame3D(Canvas, Rect, shadow, highlight, width);
    if (style == TVrBevelStyle::bsRaised) DrawFrame3D(Canvas, Rect, highlight, shadow, width);
  };
  if (border_width_ > 0) DrawFrame3D(Canvas, Rect, border_color_, border_color_, border_width_);
  if (outer_outline_ == osOuter) DrawFrame3D(Canvas, Rect, clBlack, clBlack, 1);
  styled(outer_style_, outer_width_, outer_shadow_, outer_highlight_);
  if (outer_outline_ == osInner) DrawFrame3D(Canvas, Rect, clBlack, clBlack, 1);
  DrawFrame3D(Canvas, Rect, outer_color_, outer_color_, outer_space_);
  if (inner_outline_ == osOuter) DrawFrame3D(Canvas, Rect, clBlack, clBlack, 1);
  styled(inner_style_, inner_width_, inner_shadow_, inner_highlight_);
  if (inner_outline_ == osInner) DrawFrame3D(Canvas, Rect, clBlack, clBlack, 1);
  DrawFrame3D(Canvas, Rect, inner_color_, inner_color_, inner_space_);
}

// --- bitmap list ---

TVrBitmaps::TVrBitmaps() = default;
TVrBitmaps::~TVrBitmaps() = default;

int TVrBitmaps::Add(TBitmap* Bitmap) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(Bitmap);
  bitmaps_.push_back(std::move(copy));
  Changed();
  return Count() - 1;
}

void TVrBitmaps::Clear() {
  BeginUpdate();
  bitmaps_.clear();
  EndUpdate();
  Changed();
}

void TVrBitmaps::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  auto* other = dynamic_cast<TVrBitmaps*>(Source);
  if (!other || other == this) return;
  BeginUpdate();
  try {
    bitmaps_.clear();
    for (const auto& bitmap : other->bitmaps_) Add(bitmap.get());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

namespace {

[[noreturn]] void InvalidFormat() { throw EInvalidImage(VrConst::SInvalidFileFormat); }

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The smallest BMP file image: file header, a 12-byte header, one pixel.
constexpr std::int64_t kMinImage = 14 + 12 + 4;

// Reads one BMP file image whose sizes were checked against the bytes
// left in the stream.
std::unique_ptr<TBitmap> ReadImage(TStream* Stream) {
  const std::int64_t left = Stream->Size() - Stream->Position();
  if (left < kMinImage) InvalidFormat();
  std::uint8_t head[14 + 16];
  const int head_size = static_cast<int>(std::min<std::int64_t>(sizeof head, left));
  const std::int64_t start = Stream->Position();
  if (Stream->Read(head, head_size) != head_size) InvalidFormat();
  if (head[0] != 'B' || head[1] != 'M') InvalidFormat();
  const std::uint32_t file_size = U32(head + 2);
  if (file_size < kMinImage || file_size > left) InvalidFormat();
  const std::uint32_t info_size = U32(head + 14);
  std::int64_t width = 0, height = 0;
  if (info_size == 12) {
    width = head[18] | (head[19] << 8);
    height = head[20] | (head[21] << 8);
  } else if (info_size >= 40 && head_size >= 26) {
    width = static_cast<std::int32_t>(U32(head + 18));
    height = static_cast<std::int32_t>(U32(head + 22));
  } else {
    InvalidFormat();
  }
  height = std::llabs(height);
  if (width <= 0 || height <= 0 || width * height > VrConst::MaxStreamPixels) InvalidFormat();
  TMemoryStream image;
  image.SetSize(file_size);
  Stream->SetPosition(start);
  Stream->ReadBuffer(image.Memory(), static_cast<int>(file_size));
  image.SetPosition(0);
  auto bitmap = std::make_unique<TBitmap>();
  try {
    bitmap->LoadFromStream(&image);
  } catch (const Exception&) {
    InvalidFormat();
  }
  if (bitmap->Empty()) InvalidFormat();
  return bitmap;
}

}  // namespace

void TVrBitmaps::LoadFromStream(TStream* Stream) {
  std::int32_t header[2] = {0, 0};
  if (Stream->Read(header, sizeof header) != static_cast<int>(sizeof header)) InvalidFormat();
  if (header[0] != VrConst::BitmapsSignature) InvalidFormat();
  const std::int32_t count = header[1];
  const std::int64_t left = Stream->Size() - Stream->Position();
  if (count < 0 || count > VrConst::MaxStreamBitmaps || count * kMinImage > left) InvalidFormat();
  // Everything is read before anything is added, so a bad stream leaves
  // the list as it was.
  std::vector<std::unique_ptr<TBitmap>> read;
  read.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) read.push_back(ReadImage(Stream));
  for (auto& bitmap : read) Add(bitmap.get());
}

void TVrBitmaps::SaveToStream(TStream* Stream) const {
  const std::int32_t header[2] = {VrConst::BitmapsSignature, Count()};
  Stream->WriteBuffer(header, sizeof header);
  for (const auto& bitmap : bitmaps_) bitmap->SaveToStream(Stream);
}

void TVrBitmaps::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  BeginUpdate();
  try {
    LoadFromStream(&stream);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TVrBitmaps::SaveToFile(const String& FileName) const {
  TMemoryStream stream;
  SaveToStream(&stream);
  const String contents(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
  if (!classlib::WriteFileAtomically(FileName, contents))
    throw EFCreateError(Format(SysConst::SFCreateError, FileName));
}

void TVrBitmaps::ReadData(TStream* Stream) {
  Clear();
  LoadFromStream(Stream);
}
