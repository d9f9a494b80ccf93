// TImageList: a row of same-sized images (16 x 16 at first), with masks,
// over the platform's image lists (HIMAGELIST). Menus, list views and
// other controls draw from one by index; change links tell them when the
// images change.
#pragma once

#include <functional>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Canvas.h"
#include "classlib/Components.h"
#include "classlib/Icons.h"
#include "platform/ctl/imagelist.h"

class TCustomImageList;

// How images are drawn: dsFocus and dsSelected blend 25% and 50% with the
// blend colour, dsNormal draws on the background colour (transparently
// when it is clNone), dsTransparent always through the mask.
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
// itImage draws the images, itMask their masks.
enum TImageType { itImage, itMask };

// Tells one client of an image list that its images changed.
class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  // Leaves the list it is registered with.
  ~TChangeLink() override;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  TCustomImageList* Sender() const { return sender_; }
  void SetSender(TCustomImageList* Value) { sender_ = Value; }
  // Raises OnChange with the list as sender.
  virtual void Change();

  TNotifyEvent OnChange;

 private:
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner);
  // An empty list of AWidth x AHeight images, without owner.
  TCustomImageList(int AWidth, int AHeight);
  ~TCustomImageList() override;

  // Copies the images and settings of another image list.
  void Assign(TPersistent* Source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size removes every image.
  void SetWidth(int Value);
  void SetHeight(int Value);
  void SetSize(int AWidth, int AHeight);
  int Count();
  // Whether the images have masks (true at first). Changing it removes
  // every image.
  bool Masked() const { return masked_; }
  void SetMasked(bool Value);
  // Drawn behind transparent pixels by dsNormal; clNone (at first):
  // nothing is drawn there.
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor Value);
  // Mixed into the image by dsFocus and dsSelected (clHighlight at first).
  TColor BlendColor() const { return blend_color_; }
  void SetBlendColor(TColor Value) { blend_color_ = Value; }
  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType ImageType() const { return image_type_; }
  void SetImageType(TImageType Value);
  // How many images the list grows by.
  int AllocBy() const { return alloc_by_; }
  void SetAllocBy(int Value) { alloc_by_ = Value > 0 ? Value : 1; }

  // The platform list, made on first use.
  HIMAGELIST Handle();
  // Takes over a platform list (its size becomes the list's); with
  // ShareImages the list does not destroy it.
  void SetHandle(HIMAGELIST Value);
  bool HandleAllocated() const { return handle_ != nullptr; }
  bool ShareImages() const { return share_images_; }
  void SetShareImages(bool Value) { share_images_ = Value; }

  // Adds the images of a bitmap (as many as its width holds; at least
  // one), with their masks taken from Mask (white: transparent) when the
  // list is masked. Returns the index of the first new image, -1 when
  // none could be added.
  int Add(TBitmap* Image, TBitmap* Mask);
  // Adds the images of a bitmap whose pixels of MaskColor are transparent
  // (clDefault: the colour of the bottom-left pixel).
  int AddMasked(TBitmap* Image, TColor MaskColor);
  int AddIcon(TIcon* Image);
  // Adds the images of another list.
  void AddImages(TCustomImageList* Value);
  void Insert(int Index, TBitmap* Image, TBitmap* Mask);
  void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
  void InsertIcon(int Index, TIcon* Image);
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void ReplaceMasked(int Index, TBitmap* NewImage, TColor MaskColor);
  void ReplaceIcon(int Index, TIcon* Image);
  void Delete(int Index);
  void Clear();
  // Moves image CurIndex to NewIndex, the ones between moving up or down.
  void Move(int CurIndex, int NewIndex);

  // Draws image Index with the list's drawing style and image type;
  // disabled images are drawn embossed in the 3-D shadow and highlight
  // colours.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
            bool Enabled = true);
  // Stretches image Index into a rectangle of the canvas (through a
  // bitmap of the image on the background colour, or clBtnFace).
  void StretchDraw(TCanvas* Canvas, const TRect& Rect, int Index);

  // Copies image Index into Image (its size becomes the list's), on the
  // background colour (or clBtnFace when it is clNone). False for an
  // index outside the list.
  bool GetBitmap(int Index, TBitmap* Image);
  // Image Index as an icon.
  void GetIcon(int Index, TIcon* Image);

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  // Between BeginUpdate and EndUpdate changes are told once, at the end.
  void BeginUpdate();
  void EndUpdate();

  TNotifyEvent OnChange;

 protected:
  // Raises OnChange and tells every change link (unless updating).
  virtual void Change();

 private:
  void CheckIndex(int Index);
  void DestroyHandle();
  void DrawDisabled(TCanvas* Canvas, int X, int Y, int Index);
  // A bitmap of image Index on a solid colour.
  void Render(int Index, TBitmap* Image, TColor Background);

  HIMAGELIST handle_ = nullptr;
  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  bool share_images_ = false;
  TColor bk_color_ = clNone;
  TColor blend_color_ = clHighlight;
  TDrawingStyle drawing_style_ = dsNormal;
  TImageType image_type_ = itImage;
  int alloc_by_ = 4;
  int update_count_ = 0;
  bool changed_ = false;
  std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
 public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
  TImageList(int AWidth, int AHeight) : TCustomImageList(AWidth, AHeight) {}
};
