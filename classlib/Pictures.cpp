#include "classlib/Pictures.h"

#include <map>
#include <mutex>

#include "classlib/FormatRoutines.h"
#include "classlib/JPEG.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"

namespace {

struct FileFormat {
  String description;
  TGraphicFactory factory;
};

std::mutex& FormatsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<String, FileFormat>& Formats() {
  static std::map<String, FileFormat> formats = {
      {"bmp", {"Bitmaps", [] { return std::unique_ptr<TGraphic>(std::make_unique<TBitmap>()); }}},
      {"ico", {"Icons", [] { return std::unique_ptr<TGraphic>(std::make_unique<TIcon>()); }}},
      {"jpg", {"JPEG Image File", [] { return std::unique_ptr<TGraphic>(std::make_unique<TJPEGImage>()); }}},
      {"jpeg", {"JPEG Image File", [] { return std::unique_ptr<TGraphic>(std::make_unique<TJPEGImage>()); }}},
  };
  return formats;
}

}  // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() {
  if (graphic_) graphic_->OnChange = nullptr;
}

void TPicture::Replace(std::unique_ptr<TGraphic> graphic) {
  if (graphic) graphic->OnChange = [this](TObject*) { Changed(); };
  graphic_ = std::move(graphic);
  Changed();
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == graphic_.get()) return;
  std::unique_ptr<TGraphic> copy;
  if (Value != nullptr) {
    copy = Value->NewOfSameClass();
    copy->Assign(Value);
  }
  Replace(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) Replace(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (dynamic_cast<TIcon*>(graphic_.get()) == nullptr) Replace(std::make_unique<TIcon>());
  return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const String& Filename) {
  if (Filename.empty()) {
    Replace(nullptr);
    return;
  }
  String ext = LowerCase(ExtractFileExt(Filename));
  if (!ext.empty()) ext.erase(0, 1);
  TGraphicFactory factory;
  {
    std::lock_guard<std::mutex> lock(FormatsMutex());
    auto it = Formats().find(ext);
    if (it != Formats().end()) factory = it->second.factory;
  }
  if (!factory) throw EInvalidGraphic(Format(GraphicsConst::SUnknownExtension, ext));
  std::unique_ptr<TGraphic> graphic = factory();
  graphic->LoadFromFile(Filename);
  Replace(std::move(graphic));
}

void TPicture::SaveToFile(const String& Filename) {
  if (graphic_) graphic_->SaveToFile(Filename);
}

void TPicture::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
    if (picture != this) SetGraphic(picture->Graphic());
  } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::AssignTo(TPersistent* Dest) {
  auto* graphic = dynamic_cast<TGraphic*>(Dest);
  const TGraphic* own = graphic_.get();
  if (own != nullptr && graphic != nullptr && typeid(*graphic) == typeid(*own)) {
    graphic->Assign(graphic_.get());
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::RegisterFileFormat(const String& Extension, const String& Description, TGraphicFactory Factory) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  Formats()[LowerCase(Extension)] = FileFormat{Description, std::move(Factory)};
}

String TPicture::FileFormatDescription(const String& Extension) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  auto it = Formats().find(LowerCase(Extension));
  return it == Formats().end() ? String() : it->second.description;
}
