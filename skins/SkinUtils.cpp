#include "skins/SkinUtils.h"

#include <array>

#include "classlib/Colors.h"
#include "classlib/Exceptions.h"
#include "classlib/StringRoutines.h"
#include "skins/SkinTypes.h"

namespace {

template <size_t N>
uint8_t WordToCode(const std::array<const char*, N>& words, const String& value,
                   uint8_t fallback) {
  String v = LowerCase(value);
  for (size_t i = 0; i < N; ++i)
    if (words[i][0] != '\0' && v == words[i]) return static_cast<uint8_t>(i);
  return fallback;
}

template <size_t N>
String CodeToWord(const std::array<const char*, N>& words, unsigned code) {
  return code < N ? String(words[code]) : String();
}

constexpr std::array<const char*, 16> kAlign = {
    "",      "left",  "mostleft", "top",     "mosttop",    "right",       "mostright", "bottom",
    "mostbottom", "client", "topleft", "topright", "bottomleft", "bottomright", "center", "text"};

constexpr std::array<const char*, 36> kKind = {
    "",           "form",          "caption",        "title",          "top",
    "left",       "right",         "bottom",         "topleft",        "topright",
    "bottomleft", "bottomright",   "menubar",        "menubaritem",    "popupmenu",
    "popupmenuitem", "popupmenuclient", "sysbutton", "client",         "button",
    "buttonglyph", "buttontext",   "progressbar",    "progressbarback", "progressbarfore",
    "panel",      "paneltext",     "checkbox",       "checkboxglyph",  "checkboxtext",
    "radiobutton", "radiobuttonglyph", "radiobuttontext", "pagecontrol", "pagecontroltab",
    "pagecontrolclient"};

constexpr std::array<const char*, 4> kTileStyle = {"tile", "stretch", "stretchlinear", "center"};

constexpr std::array<const char*, 9> kTextAlign = {
    "topleft", "topcenter", "topright", "left", "center", "right",
    "bottomleft", "bottomcenter", "bottomright"};

constexpr std::array<const char*, 36> kVisible = {
    "always",   "active",   "inactive",  "maximized", "nomaximized", "rollup",    "norollup",
    "stayontop", "nostayontop", "menubar", "nomenubar", "help",      "nohelp",    "max",
    "nomax",    "min",      "nomin",     "minmax",    "nominmax",    "sizeable",  "nosizeable",
    "sysmenu",  "nosysmenu", "close",    "noclose",   "focused",     "nofocused", "default",
    "disabled", "clicked",  "checked",   "nochecked", "grayed",      "never",     "tabactive",
    "tabnoactive"};

// The section keys of an object's event lists, in the order of its
// EventLists.
constexpr std::array<const char*, 8> kEvents = {"HoverEvent",      "LeaveEvent",       "ClickEvent",
                                                "RightClickEvent", "DoubleClickEvent", "UnClickEvent",
                                                "SetFocusEvent",   "KillFocusEvent"};

int ToInt(const String& s) { return StrToInt(s); }

}  // namespace

TColor ReadColor(String& Rest) {
  auto component = [&Rest] {
    String t;
    NextToken(Rest, t);
    return ((ToInt(t) % 256) + 256) % 256;
  };
  const int r = component();
  const int g = component();
  const int b = component();
  return r | g << 8 | b << 16;
}

TColor TextToColor(const String& Value) {
  String rest = Value;
  return ReadColor(rest);
}

String ColorToText(TColor Color) {
  uint32_t c = static_cast<uint32_t>(ColorToRGB(Color));
  return IntToStr(c & 0xFF) + "," + IntToStr((c >> 8) & 0xFF) + "," + IntToStr((c >> 16) & 0xFF);
}

uint8_t TextToAlign(const String& Value) { return WordToCode(kAlign, Value, 0); }
String AlignToText(uint8_t Value) { return CodeToWord(kAlign, Value); }
uint8_t TextToKind(const String& Value) { return WordToCode(kKind, Value, 0); }
String KindToText(uint8_t Value) { return CodeToWord(kKind, Value); }
uint8_t TextToTileStyle(const String& Value) { return WordToCode(kTileStyle, Value, 0); }
String TileStyleToText(uint8_t Value) { return CodeToWord(kTileStyle, Value); }
uint8_t TextToTextAlign(const String& Value) { return WordToCode(kTextAlign, Value, 4); }
String TextAlignToText(uint8_t Value) { return CodeToWord(kTextAlign, Value); }

TFontStyles TextToFontStyle(const String& Value) {
  TFontStyles s;
  String v = Value, t;
  while (!v.empty()) {
    NextToken(v, t);
    String l = LowerCase(t);
    if (l == "bold") s.Include(fsBold);
    if (l == "italic") s.Include(fsItalic);
  }
  return s;
}

String FontStyleToText(TFontStyles Value) {
  String s;
  if (Value.Contains(fsBold)) s = "bold";
  if (Value.Contains(fsItalic)) s += s.empty() ? "italic" : ",italic";
  return s;
}

TscVisible TextToVisible(const String& Value) {
  TscVisible s;
  String v = Value, t;
  while (!v.empty()) {
    NextToken(v, t);
    uint8_t code = WordToCode(kVisible, t, 255);
    if (code != 255) s.Include(static_cast<TscVisibleTerm>(code));
  }
  return s;
}

String VisibleToText(TscVisible Value) {
  String s;
  for (size_t i = 0; i < kVisible.size(); ++i)
    if (Value.Contains(static_cast<TscVisibleTerm>(i))) {
      if (!s.empty()) s += ",";
      s += kVisible[i];
    }
  return s;
}

void TextToList(const String& Value, TStrings* List) {
  List->Clear();
  String v = Value;
  while (!v.empty()) {
    size_t p = v.find(';');
    List->Add(Trim(v.substr(0, p)));
    v = p == String::npos ? String() : v.substr(p + 1);
  }
}

String ListToText(TStrings* List) {
  String s;
  for (int i = 0; i < List->Count(); ++i) {
    if (i) s += ";";
    s += List->Strings(i);
  }
  return s;
}

TqzBmp* ImageFromReference(TqzBmp* Image, const String& Rest) {
  if (Image == nullptr) return nullptr;
  if (Rest.empty()) return Image->AddRef();
  RECT r{0, 0, Image->Width, Image->Height};
  String v = Rest, t;
  LONG* edges[4] = {&r.left, &r.top, &r.right, &r.bottom};
  for (auto* e : edges) {
    NextToken(v, t);
    if (t.empty()) continue;
    int n;
    if (!TryStrToInt(t, n)) return nullptr;
    *e = n;
  }
  // Reversed rectangles or ones wholly outside the image give nothing
  // rather than a bitmap of no or negative size.
  if (r.right < r.left || r.bottom < r.top || r.left >= Image->Width || r.top >= Image->Height ||
      r.right < 0 || r.bottom < 0)
    return nullptr;
  // A part reaching past the image is cut at its edges.
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  if (r.right >= Image->Width) r.right = Image->Width - 1;
  if (r.bottom >= Image->Height) r.bottom = Image->Height - 1;
  int64_t w = int64_t(r.right) - r.left + 1, h = int64_t(r.bottom) - r.top + 1;
  auto* b = new TqzBmp(static_cast<int>(w), static_cast<int>(h));
  if (b->Empty()) {
    b->Release();
    return nullptr;
  }
  Image->CopyRect(b, r, 0, 0);
  b->SourceRect = r;
  b->Cut = true;
  return b;
}

String ImageToReference(TqzBmp* Image) {
  if (Image == nullptr) return String();
  String s = Image->Name;
  const RECT& r = Image->SourceRect;
  if (Image->Cut || (r.right != 0 && r.bottom != 0))
    s += "," + IntToStr(r.left) + "," + IntToStr(r.top) + "," + IntToStr(r.right) + "," +
         IntToStr(r.bottom);
  return s;
}

TqzBmp* FindImage(const std::vector<TqzBmp*>& Images, const String& Name) {
  for (auto* i : Images)
    if (i && SameText(i->Name, Name)) return i;
  return nullptr;
}

namespace {

// The most objects one tree may hold. "Child" lists may name a section
// more than once, so a few hundred bytes can describe a tree of billions.
constexpr int kMaxTreeObjects = 4096;
// The most levels below the top object: the reader, the layout, drawing
// and freeing all recurse down the tree.
constexpr size_t kMaxTreeDepth = 64;

void ReadObjectOnPath(const std::vector<TqzBmp*>& Images, TscSkinObject* Object,
                      const String& Section, TscCustomIniFile* Ini,
                      std::vector<String>& Path, int& Count) {
  const String top = Path.empty() ? Section : Path.front();
  if (++Count > kMaxTreeObjects)
    throw EReadError("Skin object \"" + top + "\" holds more than " +
                     IntToStr(kMaxTreeObjects) + " objects");
  if (Path.size() > kMaxTreeDepth)
    throw EReadError("Skin object \"" + top + "\" is nested more than " +
                     IntToStr(static_cast<int>(kMaxTreeDepth)) + " levels deep");
  auto read = [&](const char* key) { return Ini->ReadString(Section, key, String()); };
  Object->Name = Section;
  String v;
  if (!(v = read("Align")).empty()) Object->Align = TextToAlign(v);
  if (!(v = read("Transparency")).empty()) Object->Transparency = StrToInt(v);
  if (!(v = read("TileStyle")).empty()) Object->TileStyle = TextToTileStyle(v);
  if (!(v = read("Kind")).empty()) Object->Kind = TextToKind(v);
  if (!(v = read("Visible")).empty()) Object->Visible = TextToVisible(v);
  if (!(v = read("Color")).empty()) Object->Color = TextToColor(v);
  if (!(v = read("FontName")).empty()) Object->FontName = v;
  if (!(v = read("FontSize")).empty()) Object->FontSize = StrToInt(v);
  if (!(v = read("FontStyle")).empty()) Object->FontStyle = TextToFontStyle(v);
  if (!(v = read("TextColor")).empty()) Object->TextColor = TextToColor(v);
  if (!(v = read("DisabledTextColor")).empty()) Object->DisabledTextColor = TextToColor(v);
  if (!(v = read("TextAlign")).empty()) Object->TextAlign = TextToTextAlign(v);
  if (!(v = read("Image")).empty()) {
    String name;
    NextToken(v, name);
    if (TqzBmp* found = FindImage(Images, name)) {
      if (Object->Image) Object->Image->Release();
      Object->Image = ImageFromReference(found, v);
      if (Object->Image) {
        Object->Image->Name = found->Name;
        int w = Object->Image->Width, h = Object->Image->Height;
        switch (Object->Align) {
          case saLeft: case saMostLeft: case saRight: case saMostRight:
            Object->SetWidth(w);
            break;
          case saTop: case saMostTop: case saBottom: case saMostBottom:
            Object->SetHeight(h);
            break;
          case saTopLeft: case saTopRight: case saBottomLeft: case saBottomRight:
            Object->SetWidth(w);
            Object->SetHeight(h);
            break;
          default:
            break;
        }
      }
    }
  }
  if (!(v = read("Left")).empty()) Object->Left = StrToInt(v);
  Object->DesignLeft = Object->Left;
  if (!(v = read("Top")).empty()) Object->Top = StrToInt(v);
  Object->DesignTop = Object->Top;
  if (!(v = read("Width")).empty()) Object->Width = StrToInt(v);
  if (!(v = read("Height")).empty()) Object->Height = StrToInt(v);
  auto lists = Object->EventLists();
  for (size_t i = 0; i < lists.size(); ++i) TextToList(read(kEvents[i]), lists[i]);
  if (!(v = read("MaskColor")).empty()) {
    Object->SetMaskColor(TextToColor(v));
    Object->MaskKind = mkColor;
  }
  if (!(v = read("MaskImage")).empty()) {
    String name;
    NextToken(v, name);
    if (TqzBmp* found = FindImage(Images, name)) {
      if (Object->MaskImage) Object->MaskImage->Release();
      TqzBmp* m = ImageFromReference(found, v);
      Object->SetMaskImage(m);
      if (m) m->Name = found->Name;
    }
    Object->MaskKind = mkImage;
  }
  if (!(v = read("Child")).empty()) {
    Path.push_back(LowerCase(Section));
    String name;
    while (!v.empty()) {
      NextToken(v, name);
      if (name.empty()) continue;
      // A section already on the path would never end.
      bool cycle = false;
      for (auto& p : Path)
        if (p == LowerCase(name)) cycle = true;
      if (cycle) continue;
      auto* child = new TscSkinObject();
      try {
        ReadObjectOnPath(Images, child, name, Ini, Path, Count);
      } catch (...) {
        delete child;
        throw;
      }
      Object->AddChild(child);
    }
    Path.pop_back();
  }
}

}  // namespace

void ReadObject(const std::vector<TqzBmp*>& Images, TscSkinObject* Object, const String& Section,
                TscCustomIniFile* Ini) {
  std::vector<String> path;
  int count = 0;
  ReadObjectOnPath(Images, Object, Section, Ini, path, count);
}

void WriteObject(TscSkinObject* Object, TscCustomIniFile* Ini) {
  if (Object->Name.empty()) return;
  const String& s = Object->Name;
  auto w = [&](const char* key, const String& value) { Ini->WriteString(s, key, value); };
  w("Align", AlignToText(Object->Align));
  w("Transparency", IntToStr(Object->Transparency));
  w("TileStyle", TileStyleToText(Object->TileStyle));
  w("Kind", KindToText(Object->Kind));
  w("Visible", VisibleToText(Object->Visible));
  w("Color", ColorToText(Object->Color));
  if (Object->FontName != "Arial") w("FontName", Object->FontName);
  if (Object->FontSize != 8) w("FontSize", IntToStr(Object->FontSize));
  if (!Object->FontStyle.Empty()) w("FontStyle", FontStyleToText(Object->FontStyle));
  w("TextColor", ColorToText(Object->TextColor));
  w("DisabledTextColor", ColorToText(Object->DisabledTextColor));
  w("TextAlign", TextAlignToText(Object->TextAlign));
  if (Object->Image) w("Image", ImageToReference(Object->Image));
  if (Object->Align == saNone) {
    w("Left", IntToStr(Object->Left));
    w("Top", IntToStr(Object->Top));
  } else {
    if (Object->DesignLeft != 0) w("Left", IntToStr(Object->DesignLeft));
    if (Object->DesignTop != 0) w("Top", IntToStr(Object->DesignTop));
  }
  w("Width", IntToStr(Object->Width));
  w("Height", IntToStr(Object->Height));
  auto lists = Object->EventLists();
  for (size_t i = 0; i < lists.size(); ++i) w(kEvents[i], ListToText(lists[i]));
  if (Object->MaskKind == mkColor)
    w("MaskColor", ColorToText(Object->MaskColor));
  else if (Object->MaskKind == mkImage && Object->MaskImage)
    w("MaskImage", ImageToReference(Object->MaskImage));
  String names;
  for (auto* c : Object->Children) {
    if (c->Name.empty()) continue;
    WriteObject(c, Ini);
    if (!names.empty()) names += ",";
    names += c->Name;
  }
  w("Child", names);
}
