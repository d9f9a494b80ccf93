// A 32-bit top-down DIB section selected into a memory DC, with its pixels
// read straight from the bits (a path independent of GetPixel), and a way to
// print them as a picture of characters for comparison with expected masks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/gdi/gdi.h"

namespace velko_test {

class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t* bits() const { return bits_; }

  void Fill(COLORREF color) {
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = ToPixel(color);
  }
  COLORREF At(int x, int y) const {
    std::uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Rows of characters, one per pixel: the colour's letter from `legend`,
  // '?' for a colour not in it.
  std::string Picture(const std::map<COLORREF, char>& legend = DefaultLegend()) const {
    std::string out;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        auto it = legend.find(At(x, y));
        out.push_back(it == legend.end() ? '?' : it->second);
      }
      out.push_back('\n');
    }
    return out;
  }
  int Count(COLORREF color) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) n += At(x, y) == color;
    return n;
  }
  static const std::map<COLORREF, char>& DefaultLegend() {
    static const std::map<COLORREF, char> legend{{RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'},
                                                {RGB(255, 0, 0), 'r'},       {RGB(0, 255, 0), 'g'},
                                                {RGB(0, 0, 255), 'b'},       {RGB(255, 0, 255), 'm'}};
    return legend;
  }
  static std::uint32_t ToPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

 private:
  int width_;
  int height_;
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A picture written as lines in the test, starting after a leading newline.
inline std::string Art(const char* text) { return std::string(text[0] == '\n' ? text + 1 : text); }

// Selects an object for the life of the scope and deletes it afterwards.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), old_(SelectObject(dc, object)) {}
  ~Selected() {
    SelectObject(dc_, old_);
    DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_;
};

// A bitmap of one colour, selected nowhere (the caller deletes it).
inline HBITMAP SolidBitmap(int width, int height, COLORREF color) {
  BITMAPINFO info{};
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < width * height; ++i) static_cast<std::uint32_t*>(bits)[i] = Canvas::ToPixel(color);
  return bitmap;
}

// A memory DC with a bitmap of the test's selected into it; both are
// deleted when it goes (the bitmap only when `owned`).
class BitmapDC {
 public:
  explicit BitmapDC(HBITMAP bitmap, bool owned = true)
      : bitmap_(owned ? bitmap : nullptr), dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, bitmap)) {}
  ~BitmapDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  BitmapDC(const BitmapDC&) = delete;
  BitmapDC& operator=(const BitmapDC&) = delete;
  HDC dc() const { return dc_; }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace velko_test
