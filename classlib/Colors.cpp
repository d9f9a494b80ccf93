#include "classlib/Colors.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "classlib/Exceptions.h"
#include "classlib/StringRoutines.h"

TColor ColorToRGB(TColor Color) {
  if (Color < 0) return static_cast<TColor>(GetSysColor(Color & 0xFF));
  return Color;
}


namespace {

using ColorNames = std::vector<std::pair<String, TColor>>;

const ColorNames& LibraryNames() {
  static const ColorNames names = {
      {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
      {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
      {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
      {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
      {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue}, {"clCream", clCream},
      {"clMedGray", clMedGray}, {"clActiveBorder", clActiveBorder},
      {"clActiveCaption", clActiveCaption}, {"clAppWorkSpace", clAppWorkSpace},
      {"clBackground", clBackground}, {"clBtnFace", clBtnFace}, {"clBtnHighlight", clBtnHighlight},
      {"clBtnShadow", clBtnShadow}, {"clBtnText", clBtnText}, {"clCaptionText", clCaptionText},
      {"clDefault", clDefault}, {"clGradientActiveCaption", clGradientActiveCaption},
      {"clGradientInactiveCaption", clGradientInactiveCaption}, {"clGrayText", clGrayText},
      {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText}, {"clHotLight", clHotLight},
      {"clInactiveBorder", clInactiveBorder}, {"clInactiveCaption", clInactiveCaption},
      {"clInactiveCaptionText", clInactiveCaptionText}, {"clInfoBk", clInfoBk},
      {"clInfoText", clInfoText}, {"clMenu", clMenu}, {"clMenuBar", clMenuBar},
      {"clMenuHighlight", clMenuHighlight}, {"clMenuText", clMenuText}, {"clNone", clNone},
      {"clScrollBar", clScrollBar}, {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight},
      {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame}, {"clWindowText", clWindowText},
  };
  return names;
}

std::mutex g_names_mutex;
std::vector<ColorNames>& Registered() {
  static std::vector<ColorNames> lists;
  return lists;
}

// Every list, the latest registration first and the library's last.
std::vector<ColorNames> Lists() {
  std::lock_guard lock(g_names_mutex);
  std::vector<ColorNames> lists(Registered().rbegin(), Registered().rend());
  lists.push_back(LibraryNames());
  return lists;
}

}  // namespace

bool IdentToColor(const String& Ident, int& Color) {
  for (const ColorNames& list : Lists()) {
    for (const auto& [name, value] : list) {
      if (SameText(name, Ident)) {
        Color = value;
        return true;
      }
    }
  }
  return false;
}

bool ColorToIdent(int Color, String& Ident) {
  for (const ColorNames& list : Lists()) {
    for (const auto& [name, value] : list) {
      if (value == Color) {
        Ident = name;
        return true;
      }
    }
  }
  return false;
}

void RegisterColorNames(const std::vector<std::pair<String, TColor>>& Names) {
  std::lock_guard lock(g_names_mutex);
  Registered().push_back(Names);
}

String ColorToString(TColor Color) {
  String name;
  if (ColorToIdent(Color, name)) return name;
  char text[16];
  std::snprintf(text, sizeof text, "$%.8X", static_cast<unsigned>(Color));
  return text;
}

TColor StringToColor(const String& S) {
  int color = 0;
  if (IdentToColor(S, color)) return color;
  const String text = Trim(S);
  char* end = nullptr;
  const long long value = !text.empty() && text[0] == '$' ? std::strtoll(text.c_str() + 1, &end, 16)
                                                          : std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || (text[0] == '$' && text.size() == 1)) {
    throw EConvertError("'" + S + "' is not a valid integer value");
  }
  return static_cast<TColor>(static_cast<std::uint32_t>(value));
}
