// A skin package read from arbitrary bytes.
#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "skins/SkinSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream m;
  if (size) m.WriteBuffer(data, static_cast<int>(size));
  m.SetPosition(0);
  TscSkinSource s(nullptr);
  try {
    s.LoadFromStream(&m);
  } catch (const Exception&) {
  }
  if (TscSkinObject* f = s.FormObject()) f->SetBoundsRect(RECT{0, 0, 200, 150});
  return 0;
}
