#include "skins/SkinObjects.h"

#include <algorithm>
#include <unordered_map>

#include "platform/gdi/user_draw.h"

namespace {

// Every skin object in existence, in order of creation, and a map to
// their serial numbers for quick membership tests.
struct Registry {
  std::vector<TscSkinObject*> order;
  std::unordered_map<TscSkinObject*, uint64_t> members;
  uint64_t next_serial = 1;
};
// Never destroyed: skin objects may outlive the static destructors (a
// window freed while the process ends), and must still find it.
Registry& Objects() {
  static auto* r = new Registry;
  return *r;
}

// A text child resizes its parent and lays the parent out again, which
// places every other child (and lays out its tree) once more; text
// children nested in each other multiply these layouts. A layout started
// from outside may therefore spend only so much work (one unit an object
// laid out and one a child it places) in proportion to the size of the
// tree it lays out. Skins the engine is meant for need a few units an
// object; a skin that reaches the limit is left laid out only as far as
// it got, instead of holding the program for minutes or longer.
class LayoutBudget {
 public:
  explicit LayoutBudget(TscSkinObject* Root) : outermost_(depth_++ == 0) {
    if (!outermost_) return;
    int64_t units = 0;
    Root->ForEach([&units](TscSkinObject* o) { units += 1 + o->ChildCount(); });
    left_ = std::max(kMinimum, kPerUnit * units);
  }
  ~LayoutBudget() { --depth_; }
  LayoutBudget(const LayoutBudget&) = delete;
  LayoutBudget& operator=(const LayoutBudget&) = delete;

  // False once the layout has used its share.
  bool Spend(int64_t units) {
    if (left_ < units) {
      left_ = 0;
      return false;
    }
    left_ -= units;
    return true;
  }

 private:
  static constexpr int64_t kPerUnit = 32;
  static constexpr int64_t kMinimum = 1 << 12;
  static inline int depth_ = 0;
  static inline int64_t left_ = 0;
  const bool outermost_;
};

}  // namespace

std::vector<TscSkinObject*> TscSkinObject::AllObjects() { return Objects().order; }

bool TscSkinObject::Exists(TscSkinObject* Obj) { return Objects().members.count(Obj) != 0; }

bool TscSkinObject::Alive(TscSkinObject* Obj, uint64_t ASerial) {
  auto it = Objects().members.find(Obj);
  return it != Objects().members.end() && it->second == ASerial;
}

TscSkinObject::TscSkinObject() : Serial(Objects().next_serial++) {
  Objects().order.push_back(this);
  Objects().members.emplace(this, Serial);
}

TscSkinObject::~TscSkinObject() {
  auto& r = Objects();
  r.members.erase(this);
  r.order.erase(std::find(r.order.begin(), r.order.end(), this));
  // A target image held for an effect under way is given back.
  if (TargetImage) TargetImage->Release();
  TargetImage = nullptr;
  Destroying = true;
  Glyph.reset();
  for (auto* c : Children) delete c;
  Children.clear();
  if (Image) Image->Release();
  if (MaskImage) MaskImage->Release();
}

std::vector<TStringList*> TscSkinObject::EventLists() {
  return {&HoverEvent,       &LeaveEvent,      &ClickEvent,    &RightClickEvent,
          &DoubleClickEvent, &UnClickEvent,    &SetFocusEvent, &KillFocusEvent};
}

void TscSkinObject::ReplaceImage(TqzBmp*& Field, TqzBmp* Other) {
  // An absent image is copied too: the copy ends up with none.
  if (Field == Other) return;
  if (Field) Field->Release();
  Field = Other ? Other->AddRef() : nullptr;
}

void TscSkinObject::Assign(TPersistent* ASource) {
  auto* o = dynamic_cast<TscSkinObject*>(ASource);
  if (!o) {
    TPersistent::Assign(ASource);
    return;
  }
  if (o == this) return;
  Parent = o->Parent;
  Source = o->Source;
  Name = o->Name;
  Align = o->Align;
  Visible = o->Visible;
  Enabled = o->Enabled;
  Shown = o->Shown;
  Transparency = o->Transparency;
  Kind = o->Kind;
  TileStyle = o->TileStyle;
  ReplaceImage(Image, o->Image);
  Color = o->Color;
  Text = o->Text;
  TextAlign = o->TextAlign;
  TextColor = o->TextColor;
  DisabledTextColor = o->DisabledTextColor;
  FontName = o->FontName;
  FontSize = o->FontSize;
  FontStyle = o->FontStyle;
  ReplaceImage(MaskImage, o->MaskImage);
  MaskColor = o->MaskColor;
  MaskKind = o->MaskKind;
  DesignLeft = o->DesignLeft;
  DesignTop = o->DesignTop;
  auto mine = EventLists();
  auto theirs = o->EventLists();
  for (size_t i = 0; i < mine.size(); ++i) {
    mine[i]->Clear();
    for (int j = 0; j < theirs[i]->Count(); ++j) mine[i]->Add(theirs[i]->Strings(j));
  }
  for (auto* c : Children) delete c;
  Children.clear();
  for (auto* oc : o->Children) {
    auto* c = new TscSkinObject();
    c->Assign(oc);
    AddChild(c);
  }
  SetBoundsRect(o->GetBoundsRect());
}

void TscSkinObject::AddChild(TscSkinObject* Obj) {
  Obj->Parent = this;
  Children.push_back(Obj);
}

void TscSkinObject::RemoveChild(TscSkinObject* Obj) {
  auto it = std::find(Children.begin(), Children.end(), Obj);
  if (it != Children.end()) Children.erase(it);
}

TscSkinObject* TscSkinObject::FindChild(uint8_t AKind) {
  if (Kind == AKind) return this;
  for (auto* c : Children)
    if (auto* f = c->FindChild(AKind)) return f;
  return nullptr;
}

void TscSkinObject::ForEach(const std::function<void(TscSkinObject*)>& Proc) {
  Proc(this);
  for (auto* c : Children) c->ForEach(Proc);
}

void TscSkinObject::SetBoundsRect(const RECT& R) {
  Left = R.left;
  Top = R.top;
  Width = std::max<int>(R.right - R.left, 0);
  Height = std::max<int>(R.bottom - R.top, 0);
  Realign();
}

void TscSkinObject::SetWidth(int Value) {
  Width = std::max(Value, 0);
  Realign();
}

void TscSkinObject::SetHeight(int Value) {
  Height = std::max(Value, 0);
  Realign();
}

void TscSkinObject::SetText(const String& Value) {
  Text = Value;
  if (Align == saText && Parent) {
    TBitmap tmp;
    TCanvas* c = tmp.Canvas();
    c->Font()->SetName(FontName);
    c->Font()->SetSize(FontSize);
    c->Font()->SetStyle(FontStyle);
    Width = c->TextWidth(Text);
    Parent->Realign();
  }
}

void TscSkinObject::SetShown(bool Value) {
  ForEach([Value](TscSkinObject* o) { o->Shown = Value; });
}

void TscSkinObject::SetMaskColor(TColor Value) {
  MaskColor = Value;
  MaskKind = Value == 0 ? mkNone : mkColor;
}

void TscSkinObject::SetMaskImage(TqzBmp* Value) {
  MaskImage = Value;
  MaskKind = Value ? mkImage : mkNone;
}

void TscSkinObject::SetEngine(TscSkinEngine* Value) {
  ForEach([Value](TscSkinObject* o) { o->Engine = Value; });
}

void TscSkinObject::SetSource(TscSkinSource* Value) {
  ForEach([Value](TscSkinObject* o) { o->Source = Value; });
}

void TscSkinObject::SetWnd(HWND Value) {
  ForEach([Value](TscSkinObject* o) { o->Wnd = Value; });
}

TscSkinObject* TscSkinObject::ObjectAtPoint(POINT P) {
  if (!Shown || P.x < Left || P.y < Top || P.x >= Left + Width || P.y >= Top + Height)
    return nullptr;
  for (auto it = Children.rbegin(); it != Children.rend(); ++it)
    if (auto* f = (*it)->ObjectAtPoint(P)) return f;
  return this;
}

void TscSkinObject::Realign() {
  LayoutBudget budget(this);
  if (!budget.Spend(1 + ChildCount())) return;
  RECT R = GetBoundsRect();
  auto forward = [this](auto fn) {
    for (size_t i = 0; i < Children.size(); ++i)
      if (Children[i]->Shown) fn(Children[i]);
  };
  auto backward = [this](auto fn) {
    for (size_t i = Children.size(); i-- > 0;)
      if (i < Children.size() && Children[i]->Shown) fn(Children[i]);
  };
  auto topPass = [&](uint8_t a) {
    forward([&](TscSkinObject* c) {
      if (c->Align != a) return;
      int h = c->Height;
      c->SetBoundsRect(RECT{R.left, R.top, R.right, R.top + h});
      R.top += h;
    });
  };
  auto bottomPass = [&](uint8_t a) {
    backward([&](TscSkinObject* c) {
      if (c->Align != a) return;
      int h = c->Height;
      c->SetBoundsRect(RECT{R.left, R.bottom - h, R.right, R.bottom});
      R.bottom -= h;
    });
  };
  auto leftPass = [&](uint8_t a) {
    forward([&](TscSkinObject* c) {
      if (c->Align != a) return;
      int w = c->Width;
      c->SetBoundsRect(RECT{R.left, R.top, R.left + w, R.bottom});
      R.left += w;
    });
  };
  auto rightPass = [&](uint8_t a) {
    backward([&](TscSkinObject* c) {
      if (c->Align != a) return;
      int w = c->Width;
      c->SetBoundsRect(RECT{R.right - w, R.top, R.right, R.bottom});
      R.right -= w;
    });
  };
  topPass(saMostTop);
  bottomPass(saMostBottom);
  leftPass(saMostLeft);
  rightPass(saMostRight);
  topPass(saTop);
  bottomPass(saBottom);
  leftPass(saLeft);
  rightPass(saRight);
  backward([&](TscSkinObject* c) {
    if (c->Align != saText) return;
    if (c->InTextLayout) {
      c->SetBoundsRect(R);
      return;
    }
    c->InTextLayout = true;
    // The parent's width is changed so that the space left equals the
    // text's width; it never goes below zero.
    int nw = std::max<int>(Width - (R.right - R.left) + c->Width, 0);
    SetWidth(nw);
    c->InTextLayout = false;
  });
  backward([&](TscSkinObject* c) {
    if (c->Align != saCenter) return;
    int w = c->Width;
    int x = R.left + (R.right - R.left - w) / 2;
    c->SetBoundsRect(RECT{x, Top, x + w, Top + Height});
  });
  forward([&](TscSkinObject* c) {
    if (c->Align == saClient) c->SetBoundsRect(R);
  });
  forward([&](TscSkinObject* c) {
    if (c->Align == saTopRight || c->Align == saBottomRight) c->Left = Width - c->DesignLeft;
    if (c->Align == saBottomLeft || c->Align == saBottomRight) c->Top = Height - c->DesignTop;
  });
}

namespace {

UINT TextFlags(uint8_t align, bool shortcut) {
  switch (align) {
    case 0: return shortcut ? DT_SINGLELINE | DT_RIGHT : DT_SINGLELINE;
    case 1: return DT_SINGLELINE | DT_CENTER;
    case 2: return shortcut ? DT_SINGLELINE : DT_SINGLELINE | DT_RIGHT;
    case 3: return shortcut ? DT_SINGLELINE | DT_VCENTER | DT_RIGHT : DT_SINGLELINE | DT_VCENTER;
    case 5: return shortcut ? DT_SINGLELINE | DT_VCENTER : DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
    case 6: return shortcut ? DT_SINGLELINE | DT_BOTTOM | DT_RIGHT : DT_SINGLELINE | DT_BOTTOM;
    case 7: return DT_SINGLELINE | DT_BOTTOM | DT_CENTER;
    case 8: return shortcut ? DT_SINGLELINE | DT_BOTTOM : DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;
    default: return DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  }
}

}  // namespace

String TscSkinObject::EllipsisText(TCanvas* Canvas, const String& AText, int MaxWidth) {
  if (Canvas->TextWidth(AText) <= MaxWidth) return AText;
  size_t n = 0;
  while (n < AText.size() && Canvas->TextWidth(AText.substr(0, n + 1) + "...") <= MaxWidth) ++n;
  return AText.substr(0, n) + "...";
}

void TscSkinObject::Draw(TCanvas* Canvas) {
  if (!Shown) return;
  if (Image && Image->Width != 0) {
    bool frame = Kind >= skTop && Kind <= skBottomRight;
    int cx = Left + (Width - Image->Width) / 2;
    int cy = Top + (Height - Image->Height) / 2;
    if (MaskColor != 0 && !frame) {
      if (TileStyle == stTile)
        Image->TileDrawTransparent(Canvas, Left, Top, Width, Height, MaskColor);
      else if (TileStyle == stStretch)
        Image->StretchDrawTransparent(Canvas, Left, Top, Width, Height, MaskColor);
      else if (TileStyle == stCenter)
        Image->DrawTransparent(Canvas, cx, cy, MaskColor);
    } else {
      HDC dc = Canvas->Handle();
      if (TileStyle == stTile)
        Image->TileDraw(dc, Left, Top, Width, Height);
      else if (TileStyle == stStretch)
        Image->StretchDraw(dc, Left, Top, Width, Height);
      else if (TileStyle == stCenter)
        Image->Draw(dc, cx, cy);
    }
  } else if (!Image && Transparency == 100) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->Pen()->SetStyle(psClear);
    Canvas->Rectangle(Left, Top, Left + Width + 1, Top + Height + 1);
    Canvas->Pen()->SetStyle(psSolid);
  }
  for (auto* c : Children) c->Draw(Canvas);
  if (!Text.empty()) {
    Canvas->Brush()->SetStyle(bsClear);
    RECT r{Left + TextInsets.left, Top + TextInsets.top, Left + Width - TextInsets.right,
           Top + Height - TextInsets.bottom};
    if (Text == "-") {
      Canvas->Pen()->SetColor(TextColor);
      Canvas->Pen()->SetStyle(psSolid);
      Canvas->Rectangle(4, Top + Height / 2 - 1, Width - 5, Top + Height / 2);
    } else {
      Canvas->Font()->SetName(FontName);
      Canvas->Font()->SetSize(FontSize);
      Canvas->Font()->SetStyle(FontStyle);
      Canvas->Font()->SetColor(Enabled ? TextColor : DisabledTextColor);
      String t = Text;
      if (Kind == skTitle)
        t = EllipsisText(Canvas, Text,
                         (r.right - r.left) - TextInsets.left - TextInsets.right);
      HDC dc = Canvas->Handle();
      DrawText(dc, t.c_str(), static_cast<int>(t.size()), &r, TextFlags(TextAlign, false));
      if (!ShortCutText.empty())
        DrawText(dc, ShortCutText.c_str(), static_cast<int>(ShortCutText.size()), &r,
                 TextFlags(TextAlign, true));
    }
  }
  if (Glyph && !Glyph->Empty()) {
    Glyph->SetTransparent(true);
    Canvas->Draw(Left + (Width - Glyph->Width()) / 2, Top + (Height - Glyph->Height()) / 2,
                 Glyph.get());
  }
}

HRGN TscSkinObject::GetRegion() {
  if (!Children.empty()) {
    HRGN all = CreateRectRgn(0, 0, 0, 0);
    for (auto* c : Children) {
      if (!c->Shown) continue;
      HRGN r = c->GetRegion();
      if (r) {
        CombineRgn(all, all, r, RGN_OR);
        DeleteObject(r);
      }
    }
    HRGN bounds = CreateRectRgn(Left, Top, Left + Width, Top + Height);
    CombineRgn(all, all, bounds, RGN_AND);
    DeleteObject(bounds);
    return all;
  }
  TqzBmp* src = MaskKind == mkImage ? MaskImage : MaskKind == mkColor ? Image : nullptr;
  if (MaskKind == mkNone || src == nullptr || src->Empty())
    return CreateRectRgn(Left, Top, Left + Width, Top + Height);
  // A masked leaf of no size has no pixels: an empty region.
  if (Width <= 0 || Height <= 0) return CreateRectRgn(0, 0, 0, 0);
  TColor mask = MaskKind == mkImage ? TColor(0xFFFFFF) : MaskColor;
  auto* tmp = new TqzBmp(Width, Height);
  if (TileStyle == stTile)
    src->TileDraw(tmp->DC, 0, 0, Width, Height);
  else if (TileStyle == stStretch)
    src->StretchDraw(tmp->DC, 0, 0, Width, Height);
  HRGN r = tmp->CreateRegion(Left, Top, mask);
  tmp->Release();
  return r ? r : CreateRectRgn(0, 0, 0, 0);
}

bool (*TscSkinObject_MenuBarShown)(TscSkinEngine*) = nullptr;

bool TscSkinObject::IsVisible(bool Active, TscBorderIcons BorderIcons, TscSkinEngine* AEngine,
                              TscWindowState WindowState) {
  bool ok = true;
  auto term = [&](TscVisibleTerm t, bool value) {
    if (Visible.Contains(t) && !value) ok = false;
  };
  const bool minOrMax = BorderIcons.Contains(sbMinimize) || BorderIcons.Contains(sbMaximize);
  const bool menu = AEngine && TscSkinObject_MenuBarShown && TscSkinObject_MenuBarShown(AEngine);
  term(svNever, false);
  term(svActive, Active);
  term(svInactive, !Active);
  term(svMaximized, WindowState.Contains(swMaximized));
  term(svNoMaximized, !WindowState.Contains(swMaximized));
  term(svRollup, WindowState.Contains(swRollup));
  term(svNoRollup, !WindowState.Contains(swRollup));
  term(svStayOnTop, WindowState.Contains(swStayOnTop));
  term(svNoStayOnTop, !WindowState.Contains(swStayOnTop));
  term(svHelp, BorderIcons.Contains(sbHelp));
  term(svNoHelp, !BorderIcons.Contains(sbHelp));
  term(svMax, BorderIcons.Contains(sbMaximize));
  term(svNoMax, !BorderIcons.Contains(sbMaximize));
  term(svMin, BorderIcons.Contains(sbMinimize));
  term(svNoMin, !BorderIcons.Contains(sbMinimize));
  if (minOrMax) term(svNoMinMax, false);
  term(svSizeable, WindowState.Contains(swSizeable));
  term(svNoSizeable, !WindowState.Contains(swSizeable));
  term(svSysMenu, BorderIcons.Contains(sbSystemMenu));
  term(svNoSysMenu, !BorderIcons.Contains(sbSystemMenu));
  term(svClose, BorderIcons.Contains(sbClose));
  term(svNoClose, !BorderIcons.Contains(sbClose));
  term(svMenuBar, menu);
  term(svNoMenuBar, !menu);
  return ok;
}
