// Image lists: rows of same-sized images (with an optional mask) that list
// views, headers and the class library's image list component draw from.
//
// The images of a list lie side by side in one 32-bit bitmap (and, with
// ILC_MASK, in one monochrome mask bitmap: 1 where the image is
// transparent), so ImageList_GetImageInfo can hand out the bitmaps and the
// image's rectangle in them. Handles are never reused.
#pragma once

#include "platform/core/types.h"

struct ImageListHandle__;
using HIMAGELIST = ImageListHandle__*;

// ImageList_Create flags.
constexpr UINT ILC_MASK = 0x00000001;
constexpr UINT ILC_COLOR = 0x00000000;
constexpr UINT ILC_COLORDDB = 0x000000FE;
constexpr UINT ILC_COLOR4 = 0x00000004;
constexpr UINT ILC_COLOR8 = 0x00000008;
constexpr UINT ILC_COLOR16 = 0x00000010;
constexpr UINT ILC_COLOR24 = 0x00000018;
constexpr UINT ILC_COLOR32 = 0x00000020;
constexpr UINT ILC_PALETTE = 0x00000800;

// ImageList_Draw styles.
constexpr UINT ILD_NORMAL = 0x00000000;
constexpr UINT ILD_TRANSPARENT = 0x00000001;
constexpr UINT ILD_BLEND25 = 0x00000002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x00000004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x00000010;
constexpr UINT ILD_IMAGE = 0x00000020;
constexpr UINT ILD_ROP = 0x00000040;
constexpr UINT ILD_OVERLAYMASK = 0x00000F00;
constexpr UINT INDEXTOOVERLAYMASK(UINT overlay) {
  return overlay << 8;
}

// Colour meaning "the system highlight colour" (foreground of a blend) or
// "the list's background colour" (background).
constexpr COLORREF CLR_HILIGHT = 0xFF000000;  // = CLR_DEFAULT

struct IMAGEINFO {
  HBITMAP hbmImage = nullptr;
  HBITMAP hbmMask = nullptr;
  int Unused1 = 0;
  int Unused2 = 0;
  RECT rcImage{};
};

// An empty list of cx x cy images with room for `initial` images that grows
// by `grow`. Null (ERROR_INVALID_PARAMETER) for a non-positive size.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// A copy of the whole list.
HIMAGELIST ImageList_Duplicate(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
// Grows (with black, opaque images) or cuts the list to `count` images.
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
// Adds the images of a bitmap (as many as fit in its width, at least one),
// with their mask taken from `mask` (1 = transparent) when the list has one.
// Returns the index of the first new image, -1 on failure.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add, with the mask made from the pixels of colour `mask`,
// which become black in the stored image.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Replaces image `index` (-1: adds one) with an icon, scaled to the list's
// size; returns the index, -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
int ImageList_AddIcon(HIMAGELIST list, HICON icon);
// A new icon of image `index` (DestroyIcon it).
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
// Removes image `index`; -1 removes them all.
BOOL ImageList_Remove(HIMAGELIST list, int index);
BOOL ImageList_RemoveAll(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Changes the image size; every image is removed.
BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);
// The colour drawn behind transparent pixels by ILD_NORMAL; CLR_NONE (the
// value after creation) draws them transparently. Returns the old colour.
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);
// Makes image `image` overlay number `overlay` (1 to 15), drawn over an
// image by the INDEXTOOVERLAYMASK(overlay) bits of a draw style.
BOOL ImageList_SetOverlayImage(HIMAGELIST list, int image, int overlay);
BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);

// ImageList_Copy within one list: ILCF_MOVE copies image `source` over
// `dest`, ILCF_SWAP exchanges the two.
constexpr UINT ILCF_MOVE = 0x00000000;
constexpr UINT ILCF_SWAP = 0x00000001;
BOOL ImageList_Copy(HIMAGELIST dest_list, int dest, HIMAGELIST source_list, int source, UINT flags);

// Draws image `index` at (x, y). ILD_TRANSPARENT uses the mask,
// ILD_NORMAL the background colour (or the mask when it is CLR_NONE),
// ILD_MASK draws the mask alone, ILD_BLEND25 / ILD_BLEND50 mix the image
// with the highlight colour.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// As ImageList_Draw, drawing the top-left dx x dy of the image (0: whole),
// with `background` in place of the list's background colour (CLR_DEFAULT:
// the list's; CLR_NONE: transparent) and `foreground` as the blend colour
// (CLR_DEFAULT: the highlight colour; CLR_NONE: no blending).
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style);

namespace platform {

// Image lists alive in the process (leak checks in tests).
std::size_t LiveImageListCount();

}  // namespace platform
