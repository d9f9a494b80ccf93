#include "classlib/ImgList.h"

#include <algorithm>
#include <cstring>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Streams.h"
#include "platform/gdi/gdi.h"

// --- TChangeLink ---

TChangeLink::~TChangeLink() {
  if (sender_ != nullptr) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

// --- TCustomImageList ---

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(int AWidth, int AHeight) : TComponent(nullptr) {
  width_ = std::max(AWidth, 1);
  height_ = std::max(AHeight, 1);
}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : links_) link->SetSender(nullptr);
  links_.clear();
  DestroyHandle();
}

void TCustomImageList::DestroyHandle() {
  if (handle_ != nullptr && !share_images_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (handle_ == nullptr) {
    handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), alloc_by_, alloc_by_);
    if (handle_ == nullptr) throw EOutOfResources("Failed to create the image list");
    ImageList_SetBkColor(handle_, bk_color_ == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(bk_color_)));
  }
  return handle_;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
  DestroyHandle();
  handle_ = Value;
  if (Value != nullptr) {
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(Value, &cx, &cy);
    width_ = cx;
    height_ = cy;
    const COLORREF bk = ImageList_GetBkColor(Value);
    bk_color_ = bk == CLR_NONE ? clNone : static_cast<TColor>(bk);
  }
  Change();
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TCustomImageList*>(Source);
  if (other == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  DestroyHandle();
  width_ = other->width_;
  height_ = other->height_;
  masked_ = other->masked_;
  bk_color_ = other->bk_color_;
  blend_color_ = other->blend_color_;
  drawing_style_ = other->drawing_style_;
  image_type_ = other->image_type_;
  alloc_by_ = other->alloc_by_;
  share_images_ = false;
  if (other->handle_ != nullptr) handle_ = ImageList_Duplicate(other->handle_);
  Change();
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 1);
  AHeight = std::max(AHeight, 1);
  if (AWidth == width_ && AHeight == height_) return;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_ != nullptr) ImageList_SetIconSize(handle_, width_, height_);
  Change();
}

void TCustomImageList::SetWidth(int Value) { SetSize(Value, height_); }
void TCustomImageList::SetHeight(int Value) { SetSize(width_, Value); }

int TCustomImageList::Count() { return handle_ == nullptr ? 0 : ImageList_GetImageCount(handle_); }

void TCustomImageList::SetMasked(bool Value) {
  if (masked_ == Value) return;
  masked_ = Value;
  DestroyHandle();
  Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
  bk_color_ = Value;
  if (handle_ != nullptr) {
    ImageList_SetBkColor(handle_, Value == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(Value)));
  }
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  if (drawing_style_ == Value) return;
  drawing_style_ = Value;
  Change();
}

void TCustomImageList::SetImageType(TImageType Value) {
  if (image_type_ == Value) return;
  image_type_ = Value;
  Change();
}

void TCustomImageList::CheckIndex(int Index) {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (Image == nullptr || Image->Empty()) return -1;
  const int index = ImageList_Add(Handle(), Image->Handle(), Mask != nullptr ? Mask->Handle() : nullptr);
  if (index >= 0) Change();
  return index;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (Image == nullptr || Image->Empty()) return -1;
  if (!masked_) return Add(Image, nullptr);
  if (MaskColor == clDefault) MaskColor = Image->Canvas()->Pixels(0, Image->Height() - 1);
  // The platform blackens the masked pixels of the bitmap it is given:
  // hand it a copy.
  TBitmap copy;
  copy.Assign(Image);
  const int index = ImageList_AddMasked(Handle(), copy.Handle(), static_cast<COLORREF>(ColorToRGB(MaskColor)));
  if (index >= 0) Change();
  return index;
}

namespace {

// The icon's picture at the list's size, with its mask (white where the
// background shows).
void IconBitmaps(TIcon* icon, int width, int height, TBitmap* image, TBitmap* mask) {
  image->SetPixelFormat(pf24bit);
  image->SetSize(width, height);
  image->Canvas()->Brush()->SetColor(clBlack);
  image->Canvas()->FillRect(Rect(0, 0, width, height));
  mask->SetSize(width, height);
  mask->Canvas()->Brush()->SetColor(clWhite);
  mask->Canvas()->FillRect(Rect(0, 0, width, height));
  if (icon == nullptr || icon->Empty()) return;
  image->Canvas()->StretchDraw(Rect(0, 0, width, height), icon->Image());
  mask->Canvas()->StretchDraw(Rect(0, 0, width, height), icon->Mask());
  // Where the mask lets the background through, the image must be black
  // for the list's mask to work.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (mask->Canvas()->Pixels(x, y) != clBlack) image->Canvas()->SetPixels(x, y, clBlack);
    }
  }
}

}  // namespace

int TCustomImageList::AddIcon(TIcon* Image) {
  if (Image == nullptr || Image->Empty()) return -1;
  TBitmap image;
  TBitmap mask;
  IconBitmaps(Image, width_, height_, &image, &mask);
  return Add(&image, &mask);
}

void TCustomImageList::AddImages(TCustomImageList* Value) {
  if (Value == nullptr || Value->Count() == 0) return;
  BeginUpdate();
  for (int i = 0; i < Value->Count(); ++i) {
    TBitmap image;
    Value->Render(i, &image, clBlack);
    TBitmap mask;
    mask.SetSize(Value->Width(), Value->Height());
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(Rect(0, 0, Value->Width(), Value->Height()));
    ImageList_Draw(Value->Handle(), i, mask.Canvas()->Handle(), 0, 0, ILD_MASK);
    Add(&image, &mask);
  }
  EndUpdate();
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
  if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  BeginUpdate();
  const int first = Add(Image, Mask);
  if (first >= 0) {
    for (int added = first; added < Count(); ++added) Move(added, Index + (added - first));
  }
  EndUpdate();
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
  if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  BeginUpdate();
  const int first = AddMasked(Image, MaskColor);
  if (first >= 0) {
    for (int added = first; added < Count(); ++added) Move(added, Index + (added - first));
  }
  EndUpdate();
}

void TCustomImageList::InsertIcon(int Index, TIcon* Image) {
  if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  BeginUpdate();
  const int added = AddIcon(Image);
  if (added >= 0) Move(added, Index);
  EndUpdate();
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  if (Image == nullptr) return;
  if (!ImageList_Replace(Handle(), Index, Image->Handle(), Mask != nullptr ? Mask->Handle() : nullptr)) {
    throw EInvalidOperation("Failed to replace image");
  }
  Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor) {
  CheckIndex(Index);
  if (NewImage == nullptr || NewImage->Empty()) return;
  if (MaskColor == clDefault) MaskColor = NewImage->Canvas()->Pixels(0, NewImage->Height() - 1);
  const TColor key = ColorToRGB(MaskColor);
  // The picture with the mask colour made black, and its mask.
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetSize(width_, height_);
  image.Canvas()->Brush()->SetColor(MaskColor);
  image.Canvas()->FillRect(Rect(0, 0, width_, height_));
  image.Canvas()->Draw(0, 0, NewImage);
  TBitmap mask;
  mask.SetPixelFormat(pf24bit);
  mask.SetSize(width_, height_);
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->FillRect(Rect(0, 0, width_, height_));
  if (masked_) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (ColorToRGB(image.Canvas()->Pixels(x, y)) != key) continue;
        image.Canvas()->SetPixels(x, y, clBlack);
        mask.Canvas()->SetPixels(x, y, clWhite);
      }
    }
  }
  Replace(Index, &image, &mask);
}

void TCustomImageList::ReplaceIcon(int Index, TIcon* Image) {
  CheckIndex(Index);
  TBitmap image;
  TBitmap mask;
  IconBitmaps(Image, width_, height_, &image, &mask);
  Replace(Index, &image, &mask);
}

void TCustomImageList::Delete(int Index) {
  CheckIndex(Index);
  ImageList_Remove(handle_, Index);
  Change();
}

void TCustomImageList::Clear() {
  if (handle_ != nullptr) ImageList_RemoveAll(handle_);
  Change();
}

void TCustomImageList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  const int step = NewIndex > CurIndex ? 1 : -1;
  for (int i = CurIndex; i != NewIndex; i += step) ImageList_Copy(handle_, i + step, handle_, i, ILCF_SWAP);
  Change();
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, drawing_style_, image_type_, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
  if (Canvas == nullptr || handle_ == nullptr || Index < 0 || Index >= Count()) return;
  if (!Enabled) {
    DrawDisabled(Canvas, X, Y, Index);
    return;
  }
  UINT style = ILD_NORMAL;
  switch (ADrawingStyle) {
    case dsFocus: style = ILD_FOCUS; break;
    case dsSelected: style = ILD_SELECTED; break;
    case dsNormal: style = ILD_NORMAL; break;
    case dsTransparent: style = ILD_TRANSPARENT; break;
  }
  if (AImageType == itMask) style |= ILD_MASK;
  const COLORREF background = bk_color_ == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(bk_color_));
  const COLORREF blend = blend_color_ == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(blend_color_));
  ImageList_DrawEx(handle_, Index, Canvas->Handle(), X, Y, 0, 0, background, blend, style);
  Canvas->Changed();
}

namespace {

// The mask of an image alone: black where the image is, white where it is
// not. A list without masks leaves the bitmap white and answers false.
bool DrawMask(HIMAGELIST list, int index, bool masked, int width, int height, TBitmap* mask) {
  mask->SetPixelFormat(pf24bit);
  mask->SetSize(width, height);
  mask->Canvas()->Brush()->SetColor(clWhite);
  mask->Canvas()->FillRect(Rect(0, 0, width, height));
  if (masked) ImageList_Draw(list, index, mask->Canvas()->Handle(), 0, 0, ILD_MASK);
  return masked;
}

}  // namespace

void TCustomImageList::DrawDisabled(TCanvas* Canvas, int X, int Y, int Index) {
  TBitmap mask;
  if (!DrawMask(handle_, Index, masked_, width_, height_, &mask)) {
    // Without a mask every pixel that is not the background colour
    // counts as part of the picture.
    TBitmap image;
    Render(Index, &image, clBtnFace);
    const TColor face = ColorToRGB(clBtnFace);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        if (ColorToRGB(image.Canvas()->Pixels(x, y)) != face) mask.Canvas()->SetPixels(x, y, clBlack);
      }
    }
  }
  HDC dc = Canvas->Handle();
  const COLORREF highlight = static_cast<COLORREF>(ColorToRGB(clBtnHighlight));
  const COLORREF shadow = static_cast<COLORREF>(ColorToRGB(clBtnShadow));
  std::vector<bool> solid(static_cast<std::size_t>(width_ * height_));
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      solid[static_cast<std::size_t>(y * width_ + x)] = ColorToRGB(mask.Canvas()->Pixels(x, y)) == 0;
    }
  }
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (solid[static_cast<std::size_t>(y * width_ + x)]) SetPixelV(dc, X + x + 1, Y + y + 1, highlight);
    }
  }
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (solid[static_cast<std::size_t>(y * width_ + x)]) SetPixelV(dc, X + x, Y + y, shadow);
    }
  }
  Canvas->Changed();
}

void TCustomImageList::Render(int Index, TBitmap* Image, TColor Background) {
  Image->SetPixelFormat(pf24bit);
  Image->SetSize(width_, height_);
  Image->Canvas()->Brush()->SetColor(Background);
  Image->Canvas()->FillRect(Rect(0, 0, width_, height_));
  ImageList_Draw(Handle(), Index, Image->Canvas()->Handle(), 0, 0, ILD_TRANSPARENT);
  Image->Canvas()->Changed();
}

void TCustomImageList::StretchDraw(TCanvas* Canvas, const TRect& Rect, int Index) {
  if (Canvas == nullptr || Index < 0 || Index >= Count()) return;
  TBitmap image;
  Render(Index, &image, bk_color_ == clNone ? clBtnFace : bk_color_);
  Canvas->StretchDraw(Rect, &image);
}

bool TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
  if (Image == nullptr || Index < 0 || Index >= Count()) return false;
  Render(Index, Image, bk_color_ == clNone ? clBtnFace : bk_color_);
  return true;
}

namespace {

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

void TCustomImageList::GetIcon(int Index, TIcon* Image) {
  if (Image == nullptr) return;
  CheckIndex(Index);
  // The image on black and its mask, written as a one-image icon file
  // (24-bit colour, 1-bit AND mask) for the icon to read.
  TBitmap picture;
  Render(Index, &picture, clBlack);
  TBitmap mask;
  if (!DrawMask(handle_, Index, masked_, width_, height_, &mask)) {
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, width_, height_));
  }

  const int w = width_;
  const int h = height_;
  const int xor_stride = ((w * 3) + 3) & ~3;
  const int and_stride = ((w + 31) / 32) * 4;
  const std::uint32_t image_bytes = static_cast<std::uint32_t>(40 + xor_stride * h + and_stride * h);
  std::vector<std::uint8_t> file;
  PutLE(file, 0, 2);
  PutLE(file, 1, 2);
  PutLE(file, 1, 2);
  file.push_back(static_cast<std::uint8_t>(w >= 256 ? 0 : w));
  file.push_back(static_cast<std::uint8_t>(h >= 256 ? 0 : h));
  file.push_back(0);
  file.push_back(0);
  PutLE(file, 1, 2);
  PutLE(file, 24, 2);
  PutLE(file, image_bytes, 4);
  PutLE(file, 22, 4);
  PutLE(file, 40, 4);
  PutLE(file, static_cast<std::uint32_t>(w), 4);
  PutLE(file, static_cast<std::uint32_t>(h * 2), 4);
  PutLE(file, 1, 2);
  PutLE(file, 24, 2);
  PutLE(file, 0, 4);
  PutLE(file, static_cast<std::uint32_t>(xor_stride * h + and_stride * h), 4);
  PutLE(file, 0, 4);
  PutLE(file, 0, 4);
  PutLE(file, 0, 4);
  PutLE(file, 0, 4);
  for (int y = h - 1; y >= 0; --y) {
    const std::size_t start = file.size();
    for (int x = 0; x < w; ++x) {
      const TColor c = ColorToRGB(picture.Canvas()->Pixels(x, y));
      file.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
      file.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
      file.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    file.resize(start + static_cast<std::size_t>(xor_stride), 0);
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(and_stride), 0);
    for (int x = 0; x < w; ++x) {
      if (ColorToRGB(mask.Canvas()->Pixels(x, y)) != 0) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    file.insert(file.end(), row.begin(), row.end());
  }
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), static_cast<int>(file.size()));
  stream.SetPosition(0);
  Image->LoadFromStream(&stream);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (Value == nullptr) return;
  if (std::find(links_.begin(), links_.end(), Value) == links_.end()) links_.push_back(Value);
  Value->SetSender(this);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto found = std::find(links_.begin(), links_.end(), Value);
  if (found == links_.end()) return;
  links_.erase(found);
  Value->SetSender(nullptr);
}

void TCustomImageList::BeginUpdate() { ++update_count_; }

void TCustomImageList::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  if (update_count_ == 0 && changed_) {
    changed_ = false;
    Change();
  }
}

void TCustomImageList::Change() {
  if (update_count_ > 0) {
    changed_ = true;
    return;
  }
  // A link may unregister itself while being told.
  for (TChangeLink* link : std::vector<TChangeLink*>(links_)) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
  }
  if (OnChange) OnChange(this);
}
