// The list view's cell mark-up on arbitrary text: parsing, laying it out
// on a bitmap's canvas as a cell would be drawn, and a rich-text cell drawn
// and as plain text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/Bitmaps.h"
#include "library/advlistv.h"

// fontconfig keeps its configuration for the whole process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text(reinterpret_cast<const char*>(data), size);
  TColor body = clNone;
  const auto runs = ParseMarkup(text, clBlack, clBlue, &body);
  if (RtfPlainText(text).size() > text.size()) std::abort();
  for (const auto& run : runs) {
    if (run.kind == TMarkupRun::rkText && run.text.empty()) std::abort();
  }
  if (size < 512) {
    static TBitmap* bitmap = [] {
      auto* b = new TBitmap();
      b->SetWidth(120);
      b->SetHeight(40);
      return b;
    }();
    TAdvListView list(nullptr);
    String anchor;
    const TPoint point{10, 5};
    list.DrawMarkup(bitmap->Canvas(), TRect{0, 0, 120, 40}, text, true, &point, &anchor);
    list.DrawRichText(bitmap->Canvas(), TRect{0, 0, 120, 40}, text, (size & 1) != 0);
  }
  return 0;
}
