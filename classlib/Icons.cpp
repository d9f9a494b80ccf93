#include "classlib/Icons.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/BmpFormat.h"
#include "classlib/Resources.h"

namespace {

constexpr int kIconSize = 32;  // the platform's icon size (SM_CXICON)
constexpr std::size_t kDirHeader = 6;
constexpr std::size_t kDirEntry = 16;

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(GraphicsConst::SInvalidIcon); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct DirEntry {
  int width = 0;
  int height = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

// The directory of an icon file whose first bytes are `head` (the 6-byte
// header and the entries).
std::vector<DirEntry> ReadDirectory(const std::uint8_t* head, std::size_t count) {
  std::vector<DirEntry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = head + kDirHeader + kDirEntry * i;
    DirEntry d;
    d.width = e[0] == 0 ? 256 : e[0];
    d.height = e[1] == 0 ? 256 : e[1];
    d.size = U32(e + 8);
    d.offset = U32(e + 12);
    if (d.size == 0 || d.offset < kDirHeader + kDirEntry * count) InvalidIcon();
    entries.push_back(d);
  }
  return entries;
}

// Bits per pixel of an image as its own header gives them; 0 for images
// that are not device-independent bitmaps (PNG images of newer icons).
int ImageBits(const std::vector<std::uint8_t>& data, const DirEntry& e) {
  const std::uint8_t* p = data.data() + e.offset;
  if (e.size < 16 || U32(p) < 40) return 0;
  return U16(p + 14);
}

}  // namespace

TIcon::TIcon() : image_(std::make_unique<TBitmap>()), mask_(std::make_unique<TBitmap>()) {}

TIcon::~TIcon() = default;

std::unique_ptr<TGraphic> TIcon::NewOfSameClass() const { return std::make_unique<TIcon>(); }

void TIcon::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    data_.clear();
    image_->Assign(nullptr);
    mask_->Assign(nullptr);
    Changed();
    return;
  }
  auto* other = dynamic_cast<TIcon*>(Source);
  if (other == nullptr) {
    TGraphic::Assign(Source);
    return;
  }
  if (other == this) return;
  data_ = other->data_;
  image_->Assign(other->image_.get());
  mask_->Assign(other->mask_.get());
  Changed();
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(GraphicsConst::SChangeIconSize); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(GraphicsConst::SChangeIconSize); }

void TIcon::Decode(const std::vector<std::uint8_t>& data) {
  const std::size_t count = U16(data.data() + 4);
  const std::vector<DirEntry> entries = ReadDirectory(data.data(), count);
  const DirEntry* best = nullptr;
  int bestDistance = 0;
  int bestBits = 0;
  for (const DirEntry& e : entries) {
    const int bits = ImageBits(data, e);
    if (bits == 0) continue;
    const int distance = std::abs(e.width - kIconSize) + std::abs(e.height - kIconSize);
    if (best == nullptr || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
      best = &e;
      bestDistance = distance;
      bestBits = bits;
    }
  }
  if (best == nullptr) InvalidIcon();
  bmp::Dib mask;
  bmp::Dib image;
  try {
    image = bmp::ReadIconDib(data.data() + best->offset, best->size, &mask);
  } catch (const EInvalidGraphic&) {
    InvalidIcon();
  }
  auto toBitmap = [](const bmp::Dib& dib, TBitmap* bitmap) {
    TMemoryStream stream;
    bmp::WriteBmpFile(&stream, dib.width, dib.height, dib.bitCount, dib.colors, [&](int y) { return dib.Row(y); });
    stream.SetPosition(0);
    bitmap->LoadFromStream(&stream);
  };
  auto nextImage = std::make_unique<TBitmap>();
  auto nextMask = std::make_unique<TBitmap>();
  toBitmap(image, nextImage.get());
  toBitmap(mask, nextMask.get());
  image_ = std::move(nextImage);
  mask_ = std::move(nextMask);
}

void TIcon::LoadFromStream(TStream* Stream) {
  const std::int64_t start = Stream->Position();
  std::vector<std::uint8_t> data(kDirHeader);
  Stream->ReadBuffer(data.data(), static_cast<int>(kDirHeader));
  const std::uint16_t count = U16(data.data() + 4);
  if (U16(data.data()) != 0 || U16(data.data() + 2) != 1 || count == 0) InvalidIcon();
  data.resize(kDirHeader + kDirEntry * count);
  Stream->ReadBuffer(data.data() + kDirHeader, static_cast<int>(kDirEntry * count));
  // The file ends with the last image the directory names.
  std::uint64_t end = data.size();
  for (const DirEntry& e : ReadDirectory(data.data(), count)) end = std::max<std::uint64_t>(end, std::uint64_t{e.offset} + e.size);
  if (end > static_cast<std::uint64_t>(bmp::kMaxPixels)) InvalidIcon();
  if (static_cast<std::int64_t>(end) > Stream->Size() - start) throw EReadError(SysConst::SReadError);
  const std::size_t have = data.size();
  data.resize(static_cast<std::size_t>(end));
  Stream->ReadBuffer(data.data() + have, static_cast<int>(end - have));
  Decode(data);
  data_ = std::move(data);
  Changed();
}

void TIcon::SaveToStream(TStream* Stream) {
  if (!data_.empty()) Stream->WriteBuffer(data_.data(), static_cast<int>(data_.size()));
}

void TIcon::LoadFromResourceName(const String& ResName) {
  TResourceStream stream(ResName, ResourceType::Icon);
  LoadFromStream(&stream);
}

void TIcon::LoadFromResourceID(int ResID) { LoadFromResourceName(ResourceIdName(ResID)); }

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (Empty()) return;
  HDC dest = ACanvas->Handle();
  const int w = image_->Width();
  const int h = image_->Height();
  BitBlt(dest, Rect.left, Rect.top, w, h, mask_->Canvas()->Handle(), 0, 0, SRCAND);
  BitBlt(dest, Rect.left, Rect.top, w, h, image_->Canvas()->Handle(), 0, 0, SRCINVERT);
}
