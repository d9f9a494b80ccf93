// Action scripts run on an object of a small skin (no window: effects end
// without drawing), with error boxes answered at once.
#include <string>

#include "classlib/Strings.h"
#include "platform/dlg/message_box.h"
#include "skins/SkinSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TscSkinSource* source = [] {
    platform::SetMessageBoxHook([](const platform::MessageBoxRequest& r) { return r.DefaultButton(); });
    auto* s = new TscSkinSource(nullptr);
    auto* img = new TqzBmp(30, 20);
    img->Name = "img";
    s->Images.push_back(img);
    return s;
  }();
  TscSkinObject o;
  o.Source = source;
  o.SetBoundsRect(RECT{0, 0, 30, 20});
  TStringList script;
  script.SetText(std::string(reinterpret_cast<const char*>(data), size));
  o.RunScript(&script);
  // Every line takes a few steps at most: effects are capped at 10 s and
  // each step adds at least 20 ms.
  for (int i = 0; i < 100000 && (o.Busy || o.EffectRunning); ++i) o.Step();
  return 0;
}
