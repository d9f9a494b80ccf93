// BitBlt and its kin: the API side of the blit engine in raster.cpp.
#include "platform/core/errors.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

using namespace platform::gdi;

namespace {

// The source of a blit, or false when the source DC is needed and bad.
bool SourceOf(HDC handle, BlitSource* source) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return false;
  if (!dc->Pixels(&source->store)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  source->bkColor = dc->state.bkColor;
  return true;
}

// Source coordinates are logical units of the source DC.
void SourcePoint(HDC handle, int* x, int* y) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return;
  *x = dc->SurfaceX(*x);
  *y = dc->SurfaceY(*y);
}

BOOL DoBlit(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
            int srcHeight, DWORD rop, const BlitMask* mask, std::optional<COLORREF> key) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dest);
  if (!dc) return FALSE;
  std::uint8_t fore = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  std::uint8_t back = mask ? static_cast<std::uint8_t>((rop >> 24) & 0xFF) : fore;
  bool needsSource = Rop3UsesSource(fore) || Rop3UsesSource(back) || key.has_value();
  BlitSource source;
  if (needsSource) {
    if (!SourceOf(src, &source)) return FALSE;
    SourcePoint(src, &xSrc, &ySrc);
  }
  return Blit(*dc, x, y, width, height, needsSource ? &source : nullptr, xSrc, ySrc, srcWidth, srcHeight,
              rop, mask, key)
             ? TRUE
             : FALSE;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  return DoBlit(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop, nullptr, std::nullopt);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                int srcHeight, DWORD rop) {
  return DoBlit(dest, x, y, width, height, src, xSrc, ySrc, srcWidth, srcHeight, rop, nullptr, std::nullopt);
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  std::uint8_t op = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  if (Rop3UsesSource(op)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return DoBlit(handle, x, y, width, height, nullptr, 0, 0, width, height, rop, nullptr, std::nullopt);
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, UINT transparent) {
  if (width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return DoBlit(dest, x, y, width, height, src, xSrc, ySrc, srcWidth, srcHeight, SRCCOPY, nullptr,
                static_cast<COLORREF>(transparent));
}

BOOL MaskBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, HBITMAP maskHandle,
             int xMask, int yMask, DWORD rop) {
  if (maskHandle == nullptr) {
    return DoBlit(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop & 0x00FFFFFF, nullptr,
                  std::nullopt);
  }
  std::shared_ptr<BitmapObject> maskBitmap = LookupAs<BitmapObject>(maskHandle);
  if (!maskBitmap) return FALSE;
  if (maskBitmap->store.format != Format::Mono) {
    SetLastError(ERROR_INVALID_PARAMETER);  // the mask must be monochrome
    return FALSE;
  }
  BlitMask mask{maskBitmap->store, xMask, yMask};
  return DoBlit(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop, &mask, std::nullopt);
}
