// A skin bitmap read from a stream, then cut, blended and scanned.
#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "fuzz/graphics/bitmap_size.h"
#include "skins/QzDevBmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (velko_fuzz::DeclaresTooManyPixels(data, size)) return 0;
  TMemoryStream m;
  if (size) m.WriteBuffer(data, static_cast<int>(size));
  m.SetPosition(0);
  TqzBmp* b = nullptr;
  try {
    b = TqzBmp::CreateFromStream(&m);
  } catch (const Exception&) {
    return 0;
  }
  if (!b->Empty() && static_cast<int64_t>(b->Width) * b->Height < 1 << 20) {
    auto* c = TqzBmp::CreateCopy(b);
    c->Fade(b, c, 0.5);
    HRGN r = b->CreateRegion(3, 4, 0xFF00FF);
    if (r) DeleteObject(r);
    b->CopyRect(c, RECT{-3, 2, b->Width + 5, b->Height / 2}, 1, -1);
    c->Release();
  }
  b->Release();
  return 0;
}
