// The configuration text through the section reader and back through the
// writer, against two small images.
#include <string>

#include "classlib/Exceptions.h"
#include "skins/SkinUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Kept for the whole run (never freed, so still reachable at exit).
  static const std::vector<TqzBmp*>* const images = [] {
    auto* a = new TqzBmp(40, 20);
    a->Name = "frame";
    auto* b = new TqzBmp(7, 3);
    b->Name = "caption";
    return new std::vector<TqzBmp*>{a, b};
  }();
  TscStringsIniFile ini;
  ini.SetText(std::string(reinterpret_cast<const char*>(data), size));
  TStringList sections;
  ini.ReadSections(&sections);
  for (int i = 0; i < sections.Count() && i < 8; ++i) {
    TscSkinObject o;
    try {
      ReadObject(*images, &o, sections[i], &ini);
      o.SetBoundsRect(RECT{0, 0, 300, 200});
      HRGN r = o.GetRegion();
      if (r) DeleteObject(r);
      TscStringsIniFile out;
      WriteObject(&o, &out);
    } catch (const Exception&) {
    }
  }
  return 0;
}
