// Loads arbitrary bytes as a Vr bitmap list stream: either a clean
// "Invalid file format" with nothing added, or bitmaps that draw and save.
#include <cstdint>
#include <cstdlib>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "controls/VrClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  stream.Write(data, static_cast<int>(size));
  stream.SetPosition(0);
  TVrBitmaps list;
  try {
    list.LoadFromStream(&stream);
  } catch (const Exception&) {
    if (list.Count() != 0) std::abort();  // a bad stream adds nothing
    return 0;
  }
  TBitmap target;
  target.SetSize(16, 16);
  for (int i = 0; i < list.Count(); ++i) target.Canvas()->Draw(0, 0, list.Bitmaps(i));
  TMemoryStream out;
  list.SaveToStream(&out);
  return 0;
}
