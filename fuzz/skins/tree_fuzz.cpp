// Skin configurations built from the input's bytes and loaded as a package:
// up to 8,192 sections whose "Child" lists name other sections, the same
// one many times over, themselves or their ancestors. Each section takes a
// few bytes (kind, alignment, size, children); sections past the end of
// the input are plain coloured leaves. The loaded trees are laid out, cut
// into a region, copied and written back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "skins/SkinIniFiles.h"
#include "skins/SkinSource.h"
#include "skins/SkinUtils.h"

namespace {

const char* const kTopSections[] = {"Form",  "PopupMenu", "Button",      "ProgressBar",
                                    "Panel", "CheckBox",  "RadioButton", "PageControl"};
const char* const kKinds[] = {"form",          "caption",         "title",         "top",
                              "left",          "right",           "bottom",        "client",
                              "menubar",       "menubaritem",     "popupmenu",     "popupmenuitem",
                              "sysbutton",     "pagecontrol",     "pagecontroltab", "pagecontrolclient",
                              "button",        "checkbox",        "bogus"};
const char* const kAligns[] = {"left", "mostleft", "top",  "mosttop", "right", "mostright",
                               "bottom", "mostbottom", "client", "topleft", "topright",
                               "bottomleft", "bottomright", "center", "text", "none"};

std::string SectionName(int i) {
  return i < 8 ? std::string(kTopSections[i]) : "s" + std::to_string(i);
}

template <size_t N>
const char* Pick(FuzzedDataProvider& in, const char* const (&words)[N]) {
  return words[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

std::string MakeConfig(FuzzedDataProvider& in) {
  const int sections = 1 + in.ConsumeIntegralInRange<int>(0, 8191);
  std::string text = "[General]\r\nSkinName=Fuzz\r\n\r\n";
  for (int i = 0; i < sections; ++i) {
    // The top sections are read in any letter case.
    std::string name = SectionName(i);
    if (in.remaining_bytes() > 0 && in.ConsumeBool())
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    text += "[" + name + "]\r\nColor=1,2,3\r\n";
    if (in.remaining_bytes() == 0) {
      text += "\r\n";
      continue;
    }
    text += std::string("Kind=") + Pick(in, kKinds) + "\r\n";
    text += std::string("Align=") + Pick(in, kAligns) + "\r\n";
    text += "Width=" + std::to_string(in.ConsumeIntegralInRange<int>(0, 300)) + "\r\n";
    text += "Height=" + std::to_string(in.ConsumeIntegralInRange<int>(0, 300)) + "\r\n";
    const int children = in.ConsumeIntegralInRange<int>(0, 24);
    std::string list;
    for (int c = 0; c < children; ++c) {
      if (c) list += ",";
      list += SectionName(in.ConsumeIntegralInRange<int>(0, sections - 1));
    }
    if (!list.empty()) text += "Child=" + list + "\r\n";
    text += "\r\n";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string config = MakeConfig(in);
  TMemoryStream package;
  WriteStreamString(&package, kSkinPackageHeader);
  WriteStreamString(&package, config);
  package.SetPosition(0);
  TscSkinSource s(nullptr);
  try {
    s.LoadFromStream(&package);
  } catch (const Exception&) {
    // A tree too large or too deep: nothing was added.
    if (!s.Objects.empty()) __builtin_trap();
    return 0;
  }
  for (TscSkinObject* o : s.Objects) {
    o->SetBoundsRect(RECT{0, 0, 200, 150});
    if (HRGN r = o->GetRegion()) DeleteObject(r);
  }
  TscSkinSource* copy = s.Clone();
  TscStringsIniFile out;
  for (TscSkinObject* o : copy->Objects) WriteObject(o, &out);
  delete copy;
  return 0;
}
