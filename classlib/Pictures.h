// TPicture: holds one picture of any class (bitmap, icon, JPEG image) and
// picks the class by the file extension when loading.
//
// File formats are registered by extension: "bmp" TBitmap, "ico" TIcon,
// "jpg" and "jpeg" TJPEGImage are there from the start; RegisterFileFormat
// adds others. Loading an unknown extension raises EInvalidGraphic
// "Unknown picture file extension (.xyz)"; a failed load leaves the
// picture as it was.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Bitmaps.h"
#include "classlib/Graphic.h"
#include "classlib/Icons.h"

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;

  // The picture (null when there is none). Owned by the TPicture.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of Value (a new picture of its class), or nothing.
  void SetGraphic(TGraphic* Value);
  // The picture as a bitmap: when it is something else (or nothing), it
  // is replaced by an empty bitmap first.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
  // The same for icons.
  TIcon* Icon();
  void SetIcon(TIcon* Value) { SetGraphic(Value); }

  // The picture's size; 0 when there is none.
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Makes a picture of the class registered for the file's extension and
  // loads it; an empty file name empties the picture.
  void LoadFromFile(const String& Filename);
  // Saves the picture in its own format (nothing when there is none).
  void SaveToFile(const String& Filename);

  // From a picture holder: a copy of its picture; from a TGraphic: a copy
  // of it; from null: nothing.
  void Assign(TPersistent* Source) override;

  // Registers the class made by `factory` for files with the extension
  // (without the dot, ignoring case), replacing an earlier registration.
  static void RegisterFileFormat(const String& Extension, const String& Description, TGraphicFactory Factory);
  // The registered description of an extension ("" when none).
  static String FileFormatDescription(const String& Extension);

  TNotifyEvent OnChange;

 protected:
  // To a TGraphic: copies the picture into it when that is its class.
  void AssignTo(TPersistent* Dest) override;
  // Raises OnChange with this picture holder as the sender.
  virtual void Changed();

 private:
  // Takes `graphic` as the picture (listening to its changes) and tells.
  void Replace(std::unique_ptr<TGraphic> graphic);

  std::unique_ptr<TGraphic> graphic_;
};
