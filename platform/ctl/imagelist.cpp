// Image lists: the images side by side in one 32-bit DIB section, the
// transparency in one byte per pixel (turned into a monochrome bitmap when a
// draw or ImageList_GetImageInfo needs it).
#include "platform/ctl/imagelist.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/user/cursor.h"

namespace {

constexpr DWORD kDestinationCopy = 0x00AA0029;  // the raster operation that keeps the destination

class ImageList {
 public:
  ImageList(int cx, int cy, UINT flags, int grow)
      : cx_(cx), cy_(cy), flags_(flags), grow_(std::max(grow, 4)) {}
  ~ImageList() { FreeBitmaps(); }
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  std::unique_ptr<ImageList> Clone() const {
    auto copy = std::make_unique<ImageList>(cx_, cy_, flags_, grow_);
    copy->count_ = count_;
    copy->pixels_ = pixels_;
    copy->mask_ = mask_;
    copy->background_ = background_;
    std::copy(std::begin(overlays_), std::end(overlays_), std::begin(copy->overlays_));
    return copy;
  }

  int cx() const { return cx_; }
  int cy() const { return cy_; }
  int count() const { return count_; }
  bool has_mask() const { return (flags_ & ILC_MASK) != 0; }
  COLORREF background() const { return background_; }
  void set_background(COLORREF color) { background_ = color; }

  void SetSize(int cx, int cy) {
    cx_ = cx;
    cy_ = cy;
    Resize(0);
  }

  // Grows (black, opaque) or cuts the list to `count` images.
  void Resize(int count) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(count) * cx_ * cy_, 0);
    std::vector<std::uint8_t> mask(pixels.size(), 0);
    int keep = std::min(count, count_);
    for (int i = 0; i < keep; ++i) {
      for (int y = 0; y < cy_; ++y) {
        std::memcpy(&pixels[Offset(i, 0, y, count)], &pixels_[Offset(i, 0, y, count_)],
                    static_cast<std::size_t>(cx_) * sizeof(std::uint32_t));
        std::memcpy(&mask[Offset(i, 0, y, count)], &mask_[Offset(i, 0, y, count_)],
                    static_cast<std::size_t>(cx_));
      }
    }
    pixels_.swap(pixels);
    mask_.swap(mask);
    count_ = count;
    Changed();
  }

  void Remove(int index) {
    int old_count = count_;
    auto old_pixels = pixels_;
    auto old_mask = mask_;
    Resize(count_ - 1);
    for (int i = index + 1; i < old_count; ++i) {
      for (int y = 0; y < cy_; ++y) {
        std::memcpy(&pixels_[Offset(i - 1, 0, y, count_)], &old_pixels[Offset(i, 0, y, old_count)],
                    static_cast<std::size_t>(cx_) * sizeof(std::uint32_t));
        std::memcpy(&mask_[Offset(i - 1, 0, y, count_)], &old_mask[Offset(i, 0, y, old_count)],
                    static_cast<std::size_t>(cx_));
      }
    }
    Changed();
  }

  // Puts image pixels (0x00RRGGBB, `width` wide) and transparency into image
  // `index`.
  void Store(int index, const std::uint32_t* pixels, const std::uint8_t* transparent, int width,
             int height, int x0) {
    for (int y = 0; y < cy_; ++y) {
      for (int x = 0; x < cx_; ++x) {
        bool inside = y < height && x0 + x < width;
        std::size_t at = Offset(index, x, y, count_);
        std::size_t from = static_cast<std::size_t>(y) * width + x0 + x;
        pixels_[at] = inside ? pixels[from] & 0x00FFFFFF : 0;
        mask_[at] = inside && transparent != nullptr && has_mask() ? transparent[from] : 0;
      }
    }
    Changed();
  }

  // Copies image `from` over image `to`, or exchanges them.
  void CopyImage(int from, int to, bool swap) {
    for (int y = 0; y < cy_; ++y) {
      for (int x = 0; x < cx_; ++x) {
        std::size_t a = Offset(from, x, y, count_), b = Offset(to, x, y, count_);
        if (swap) {
          std::swap(pixels_[a], pixels_[b]);
          std::swap(mask_[a], mask_[b]);
        } else {
          pixels_[b] = pixels_[a];
          mask_[b] = mask_[a];
        }
      }
    }
    Changed();
  }

  std::uint32_t PixelAt(int index, int x, int y) const {
    return pixels_[Offset(index, x, y, count_)];
  }
  bool TransparentAt(int index, int x, int y) const {
    return mask_[Offset(index, x, y, count_)] != 0;
  }

  bool SetOverlay(int image, int overlay) {
    if (overlay < 1 || overlay > 15) return false;
    overlays_[overlay] = image;
    return true;
  }
  int Overlay(int overlay) const { return overlay >= 1 && overlay <= 15 ? overlays_[overlay] : -1; }

  // The images as one bitmap, each cx_ wide, side by side.
  HBITMAP ImageBitmap() {
    Refresh();
    return image_bitmap_;
  }
  // The mask as one monochrome bitmap (1 = transparent), null without a mask.
  HBITMAP MaskBitmap() {
    Refresh();
    return mask_bitmap_;
  }
  int Grow() const { return grow_; }

 private:
  std::size_t Offset(int index, int x, int y, int count) const {
    return static_cast<std::size_t>(y) * (static_cast<std::size_t>(count) * cx_) +
           static_cast<std::size_t>(index) * cx_ + x;
  }
  void Changed() { stale_ = true; }
  void FreeBitmaps() {
    if (image_bitmap_ != nullptr) DeleteObject(image_bitmap_);
    if (mask_bitmap_ != nullptr) DeleteObject(mask_bitmap_);
    image_bitmap_ = nullptr;
    mask_bitmap_ = nullptr;
  }

  // Rebuilds the bitmaps from the pixels after a change.
  void Refresh() {
    if (!stale_) return;
    stale_ = false;
    FreeBitmaps();
    int width = std::max(1, count_ * cx_);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -cy_;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    image_bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (image_bitmap_ == nullptr) return;
    if (count_ > 0) std::memcpy(bits, pixels_.data(), pixels_.size() * sizeof(std::uint32_t));
    if (!has_mask()) return;
    int row_bytes = ((width + 15) / 16) * 2;
    std::vector<BYTE> mono(static_cast<std::size_t>(row_bytes) * cy_, 0);
    for (int y = 0; y < cy_ && count_ > 0; ++y) {
      for (int x = 0; x < count_ * cx_; ++x) {
        if (mask_[static_cast<std::size_t>(y) * count_ * cx_ + x] != 0) {
          mono[static_cast<std::size_t>(y) * row_bytes + x / 8] |=
              static_cast<BYTE>(0x80 >> (x % 8));
        }
      }
    }
    mask_bitmap_ = CreateBitmap(width, cy_, 1, 1, mono.data());
  }

  int cx_;
  int cy_;
  UINT flags_;
  int grow_;
  int count_ = 0;
  std::vector<std::uint32_t> pixels_;
  std::vector<std::uint8_t> mask_;
  COLORREF background_ = CLR_NONE;
  int overlays_[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  bool stale_ = true;
  HBITMAP image_bitmap_ = nullptr;
  HBITMAP mask_bitmap_ = nullptr;
};

struct Registry {
  std::mutex mutex;
  platform::HandleTable<HIMAGELIST, std::unique_ptr<ImageList>> lists{0x4004, 4};
};

Registry& Lists() {
  static Registry* registry = new Registry;
  return *registry;
}

HIMAGELIST AddList(std::unique_ptr<ImageList> list) {
  Registry& r = Lists();
  std::lock_guard lock(r.mutex);
  return r.lists.Add(std::move(list));
}

// The list behind a handle. Image lists are used from the thread that made
// them (as the windows that show them), so the object is handed out as is.
ImageList* Find(HIMAGELIST handle) {
  Registry& r = Lists();
  std::lock_guard lock(r.mutex);
  const auto* list = r.lists.Find(handle);
  if (list == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return list->get();
}

// The pixels of a bitmap as 0x00RRGGBB rows top to bottom.
bool ReadBitmap(HBITMAP bitmap, std::vector<std::uint32_t>* pixels, int* width, int* height) {
  BITMAP bm{};
  if (bitmap == nullptr || GetObject(bitmap, sizeof(bm), &bm) == 0) return false;
  *width = bm.bmWidth;
  *height = bm.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = -bm.bmHeight;
  info.bmiHeader.biBitCount = 32;
  pixels->assign(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight, 0);
  return GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels->data(), &info,
                   DIB_RGB_COLORS) != 0;
}

// Adds (index < 0) or replaces images from a bitmap and its transparency.
int PutImages(ImageList* list, int index, const std::vector<std::uint32_t>& pixels,
              const std::vector<std::uint8_t>& transparent, int width, int height) {
  int images = index >= 0 ? 1 : std::max(1, width / list->cx());
  int first = index;
  if (index < 0) {
    first = list->count();
    list->Resize(first + images);
  }
  for (int i = 0; i < images; ++i) {
    list->Store(first + i, pixels.data(), transparent.empty() ? nullptr : transparent.data(), width,
                height, i * list->cx());
  }
  return first;
}

int AddOrReplace(ImageList* list, int index, HBITMAP image, HBITMAP mask) {
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!ReadBitmap(image, &pixels, &width, &height)) return -1;
  std::vector<std::uint8_t> transparent;
  std::vector<std::uint32_t> mask_pixels;
  int mw = 0, mh = 0;
  if (mask != nullptr && ReadBitmap(mask, &mask_pixels, &mw, &mh)) {
    transparent.assign(pixels.size(), 0);
    for (int y = 0; y < std::min(height, mh); ++y) {
      for (int x = 0; x < std::min(width, mw); ++x) {
        transparent[static_cast<std::size_t>(y) * width + x] =
            (mask_pixels[static_cast<std::size_t>(y) * mw + x] & 0x00FFFFFF) != 0;
      }
    }
  }
  return PutImages(list, index, pixels, transparent, width, height);
}

COLORREF Mix(COLORREF a, COLORREF b, int b_percent) {
  auto channel = [&](int shift) {
    int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    return static_cast<COLORREF>((ca * (100 - b_percent) + cb * b_percent) / 100) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

// A w x h DIB section holding image `index` as it is to be drawn (blended
// with `blend` at `percent` when percent > 0).
HBITMAP MakeCell(const ImageList& list, int index, int w, int h, COLORREF blend, int percent,
                 bool mask_only) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP cell = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (cell == nullptr) return nullptr;
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = list.PixelAt(index, x, y);
      if (mask_only) {
        p = list.has_mask() && list.TransparentAt(index, x, y) ? 0x00FFFFFF : 0;
      } else if (percent > 0) {
        p = platform::PixelFromColor(Mix(platform::ColorFromPixel(p), blend, percent));
      }
      out[static_cast<std::size_t>(y) * w + x] = p;
    }
  }
  return cell;
}

BOOL DrawImage(ImageList* list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
               COLORREF fg, UINT style) {
  if (index < 0 || index >= list->count() || dc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int w = dx > 0 ? std::min(dx, list->cx()) : list->cx();
  int h = dy > 0 ? std::min(dy, list->cy()) : list->cy();
  COLORREF background = bk == CLR_DEFAULT ? list->background() : bk;
  int percent = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
  COLORREF blend = fg == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : fg;
  if (fg == CLR_NONE) percent = 0;
  bool mask_only = (style & ILD_MASK) != 0;
  bool transparent =
      list->has_mask() && !mask_only && ((style & ILD_TRANSPARENT) != 0 || background == CLR_NONE);

  HBITMAP cell = MakeCell(*list, index, w, h, blend, percent, mask_only);
  if (cell == nullptr) return FALSE;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, cell);
  if (transparent) {
    // Where the mask is 1 the destination stays, elsewhere the image lands.
    MaskBlt(dc, x, y, w, h, mem, 0, 0, list->MaskBitmap(), index * list->cx(), 0,
            MAKEROP4(kDestinationCopy, SRCCOPY));
  } else if (list->has_mask() && !mask_only) {
    HBRUSH brush = CreateSolidBrush(background);
    RECT r{x, y, x + w, y + h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    MaskBlt(dc, x, y, w, h, mem, 0, 0, list->MaskBitmap(), index * list->cx(), 0,
            MAKEROP4(kDestinationCopy, SRCCOPY));
  } else {
    BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(cell);

  int overlay = list->Overlay(static_cast<int>((style & ILD_OVERLAYMASK) >> 8));
  if (overlay >= 0 && overlay < list->count() && overlay != index) {
    DrawImage(list, overlay, dc, x, y, dx, dy, CLR_NONE, fg,
              (style & ~ILD_OVERLAYMASK) | ILD_TRANSPARENT);
  }
  return TRUE;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  (void)initial;  // room is made as images come
  if (cx <= 0 || cy <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddList(std::make_unique<ImageList>(cx, cy, flags, grow));
}

BOOL ImageList_Destroy(HIMAGELIST handle) {
  Registry& r = Lists();
  std::optional<std::unique_ptr<ImageList>> doomed;  // destroyed outside the lock
  {
    std::lock_guard lock(r.mutex);
    doomed = r.lists.Take(handle);
    if (!doomed) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST handle) {
  ImageList* list = Find(handle);
  return list != nullptr ? AddList(list->Clone()) : nullptr;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
  ImageList* list = Find(handle);
  return list != nullptr ? list->count() : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count) {
  ImageList* list = Find(handle);
  if (list == nullptr) return FALSE;
  list->Resize(static_cast<int>(count));
  return TRUE;
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
  ImageList* list = Find(handle);
  return list != nullptr ? AddOrReplace(list, -1, image, mask) : -1;
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF mask_color) {
  ImageList* list = Find(handle);
  if (list == nullptr) return -1;
  std::vector<std::uint32_t> pixels;
  int width = 0, height = 0;
  if (!ReadBitmap(image, &pixels, &width, &height)) return -1;
  std::vector<std::uint8_t> transparent(pixels.size(), 0);
  std::uint32_t key = platform::PixelFromColor(mask_color);
  if (list->has_mask()) {
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      if ((pixels[i] & 0x00FFFFFF) == key) {
        transparent[i] = 1;
        pixels[i] = 0;  // the masked colour becomes black, as the platform does
      }
    }
  }
  return PutImages(list, -1, pixels, transparent, width, height);
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask) {
  ImageList* list = Find(handle);
  if (list == nullptr) return FALSE;
  if (index < 0 || index >= list->count()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return AddOrReplace(list, index, image, mask) >= 0;
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON icon) {
  ImageList* list = Find(handle);
  if (list == nullptr) return -1;
  platform::CursorImage picture;
  if (!platform::GetCursorImage(icon, &picture) || index >= list->count() || index < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  // Scaled to the list's size by the nearest pixel; pixels less than half
  // opaque are transparent.
  int cx = list->cx(), cy = list->cy();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(cx) * cy, 0);
  std::vector<std::uint8_t> transparent(pixels.size(), 1);
  for (int y = 0; y < cy && picture.width > 0 && picture.height > 0; ++y) {
    for (int x = 0; x < cx; ++x) {
      std::uint32_t argb =
          picture.argb[static_cast<std::size_t>(y * picture.height / cy) * picture.width +
                       x * picture.width / cx];
      bool opaque = (argb >> 24) >= 0x80;
      pixels[static_cast<std::size_t>(y) * cx + x] = opaque ? (argb & 0x00FFFFFF) : 0;
      transparent[static_cast<std::size_t>(y) * cx + x] = opaque ? 0 : 1;
    }
  }
  if (index < 0) {
    index = list->count();
    list->Resize(index + 1);
  }
  list->Store(index, pixels.data(), transparent.data(), cx, cy, 0);
  return index;
}

int ImageList_AddIcon(HIMAGELIST handle, HICON icon) {
  return ImageList_ReplaceIcon(handle, -1, icon);
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT flags) {
  (void)flags;
  ImageList* list = Find(handle);
  if (list == nullptr) return nullptr;
  if (index < 0 || index >= list->count()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  platform::CursorImage picture;
  picture.width = list->cx();
  picture.height = list->cy();
  picture.argb.resize(static_cast<std::size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      bool clear = list->has_mask() && list->TransparentAt(index, x, y);
      picture.argb[static_cast<std::size_t>(y) * picture.width + x] =
          clear ? 0 : (0xFF000000 | list->PixelAt(index, x, y));
    }
  }
  return platform::CreateCursorFromImage(picture);
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
  ImageList* list = Find(handle);
  if (list == nullptr) return FALSE;
  if (index == -1) {
    list->Resize(0);
    return TRUE;
  }
  if (index < 0 || index >= list->count()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  list->Remove(index);
  return TRUE;
}

BOOL ImageList_RemoveAll(HIMAGELIST handle) {
  return ImageList_Remove(handle, -1);
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
  ImageList* list = Find(handle);
  if (list == nullptr || cx == nullptr || cy == nullptr) return FALSE;
  *cx = list->cx();
  *cy = list->cy();
  return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST handle, int cx, int cy) {
  ImageList* list = Find(handle);
  if (list == nullptr) return FALSE;
  if (cx <= 0 || cy <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  list->SetSize(cx, cy);
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF color) {
  ImageList* list = Find(handle);
  if (list == nullptr) return CLR_NONE;
  COLORREF old = list->background();
  list->set_background(color);
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle) {
  ImageList* list = Find(handle);
  return list != nullptr ? list->background() : CLR_NONE;
}

BOOL ImageList_SetOverlayImage(HIMAGELIST handle, int image, int overlay) {
  ImageList* list = Find(handle);
  if (list == nullptr) return FALSE;
  if (!list->SetOverlay(image, overlay)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

BOOL ImageList_GetImageInfo(HIMAGELIST handle, int index, IMAGEINFO* info) {
  ImageList* list = Find(handle);
  if (list == nullptr || info == nullptr || index < 0 || index >= list->count()) {
    if (list != nullptr) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hbmImage = list->ImageBitmap();
  info->hbmMask = list->MaskBitmap();
  info->rcImage = RECT{index * list->cx(), 0, (index + 1) * list->cx(), list->cy()};
  return TRUE;
}

BOOL ImageList_Copy(HIMAGELIST dest_list, int dest, HIMAGELIST source_list, int source,
                    UINT flags) {
  ImageList* list = Find(dest_list);
  if (list == nullptr) return FALSE;
  // Only copies within one list are offered, as on the platform.
  if (source_list != dest_list || dest < 0 || source < 0 || dest >= list->count() ||
      source >= list->count()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  list->CopyImage(source, dest, (flags & ILCF_SWAP) != 0);
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT style) {
  ImageList* list = Find(handle);
  return list != nullptr ? DrawImage(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style)
                         : FALSE;
}

BOOL ImageList_DrawEx(HIMAGELIST handle, int index, HDC dc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style) {
  ImageList* list = Find(handle);
  return list != nullptr ? DrawImage(list, index, dc, x, y, dx, dy, background, foreground, style)
                         : FALSE;
}

namespace platform {

std::size_t LiveImageListCount() {
  Registry& r = Lists();
  std::lock_guard lock(r.mutex);
  return r.lists.size();
}

}  // namespace platform
