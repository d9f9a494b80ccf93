#include "skins/SkinMenuWnd.h"

#include <algorithm>

#include "classlib/Application.h"
#include "classlib/StringRoutines.h"
#include "platform/user/user.h"
#include "skins/SkinEngine.h"
#include "skins/SkinSource.h"

namespace {

// The three menu glyphs, loaded from the program's resources on first use.
struct Glyphs {
  TqzBmp* check = nullptr;
  TqzBmp* radio = nullptr;
  TqzBmp* sub = nullptr;
  Glyphs() {
    check = Load("QZ_CHECKITEM");
    radio = Load("QZ_RADIOITEM");
    sub = Load("QZ_SUBITEM");
  }
  ~Glyphs() {
    for (auto* g : {check, radio, sub})
      if (g) g->Release();
  }
  static TqzBmp* Load(const char* name) {
    try {
      TBitmap b;
      b.LoadFromResourceName(name);
      return TqzBmp::CreateFromHandle(b.Handle());
    } catch (const Exception&) {
      return nullptr;
    }
  }
};

Glyphs& MenuGlyphs() {
  static Glyphs g;
  return g;
}

// Every menu window in existence.
std::vector<TscMenuWnd*>& MenuWindows() {
  static std::vector<TscMenuWnd*> windows;
  return windows;
}

// Paints the glyph's mask pixels (red byte 0) in the colour.
void DrawGlyph(TCanvas* Canvas, const TqzBmp* Glyph, int X, int Y, TColor Color) {
  if (!Glyph || Glyph->Rows.empty()) return;
  HDC dc = Canvas->Handle();
  const COLORREF c = static_cast<COLORREF>(ColorToRGB(Color));
  for (int y = 0; y < Glyph->Height; ++y)
    for (int x = 0; x < Glyph->Width; ++x)
      if (Glyph->Pixel(x, y)[2] == 0) SetPixel(dc, X + x, Y + y, c);
}

}  // namespace

// -------------------------------------------------------- TscMenuItemObject

void TscMenuItemObject::Draw(TCanvas* Canvas) {
  TscSkinObject::Draw(Canvas);
  if (!Shown) return;
  Glyphs& g = MenuGlyphs();
  auto centreY = [this](int h) { return Top + (Height - h) / 2; };
  if (Checked && g.check) {
    DrawGlyph(Canvas, g.check, Left + 2, centreY(g.check->Height), TextColor);
  } else if (RadioChecked && g.radio) {
    DrawGlyph(Canvas, g.radio, Left + 2, centreY(g.radio->Height), TextColor);
  } else {
    if (HasSubMenu && g.sub)
      DrawGlyph(Canvas, g.sub, Left + Width - g.sub->Height - 2, centreY(g.sub->Height), TextColor);
    if (Bitmap && !Bitmap->Empty()) {
      Bitmap->SetTransparent(true);
      Canvas->Draw(Left + 1, centreY(Bitmap->Height()), Bitmap);
    }
    if (Images && ImageIndex >= 0 && ImageIndex < Images->Count())
      Images->Draw(Canvas, Left + 1, centreY(Images->Height()), ImageIndex, Enabled);
  }
}

// --------------------------------------------------------------- TscMenuWnd

TscMenuWnd::TscMenuWnd(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  Root = std::make_unique<TscSkinPopupMenu>();
  Timer = std::make_unique<TTimer>(nullptr);
  Timer->SetInterval(20);
  Timer->SetOnTimer([this](TObject*) { TimerTick(); });
  Timer->SetEnabled(true);
  MenuWindows().push_back(this);
}

TscMenuWnd::~TscMenuWnd() {
  auto& windows = MenuWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
  Timer->SetEnabled(false);
  Timer.reset();
  if (ParentMenuWnd && ParentMenuWnd->SubMenuWnd == this) ParentMenuWnd->SubMenuWnd = nullptr;
  if (SubMenuWnd) {
    SubMenuWnd->ParentMenuWnd = nullptr;
    delete SubMenuWnd;
    SubMenuWnd = nullptr;
  }
  if (PopupMenu && PopupMenu->MenuWnd == this) PopupMenu->MenuWnd = nullptr;
  HotItem = nullptr;
  Root.reset();
}

void TscMenuWnd::Detach() {
  if (Timer) Timer->SetEnabled(false);
  if (SubMenuWnd) SubMenuWnd->Detach();
  if (PopupMenu && PopupMenu->MenuWnd == this) PopupMenu->MenuWnd = nullptr;
  PopupMenu = nullptr;
  Items = nullptr;
  Engine = nullptr;
  Source = nullptr;
  HotItem = nullptr;
  if (Root) {
    for (auto* c : Root->Children)
      if (auto* item = dynamic_cast<TscMenuItemObject*>(c)) {
        item->Bitmap = nullptr;
        item->Images = nullptr;
      }
    Root->SetSource(nullptr);
    Root->SetEngine(nullptr);
  }
  if (HandleAllocated() && !ComponentState().Contains(csDestroying)) {
    Hide();
    Release();
  }
}

void TscMenuWnd::DetachAll(TscSkinEngine* AEngine) {
  if (!AEngine) return;
  for (auto* w : std::vector<TscMenuWnd*>(MenuWindows()))
    if (w->Engine == AEngine) w->Detach();
}

void TscMenuWnd::FormClose(TObject*, TCloseAction& Action) {
  HotItem = nullptr;
  Timer->SetEnabled(false);
  Action = caFree;
}

void TscMenuWnd::Popup(int X, int Y) {
  if (Engine) Engine->PaintMenuBar = false;
  TscSkinObject* skin = Source ? Source->PopupMenuObject() : nullptr;
  if (skin) Root->Assign(skin);
  Root->Parent = nullptr;
  TscSkinObject* tmpl = nullptr;
  for (auto* c : Root->Children)
    if (c->Kind == skPopupMenuItem) tmpl = c;
  int width = 0, height = 0;
  TBitmap scratch;
  scratch.SetSize(8, 8);
  TCanvas* sc = scratch.Canvas();
  if (tmpl) {
    tmpl->SetText("test");
    tmpl->Draw(sc);
    sc->Font()->SetName(tmpl->FontName);
    sc->Font()->SetSize(tmpl->FontSize);
    sc->Font()->SetStyle(tmpl->FontStyle);
  }
  int widest = 0;
  const int count = Items ? Items->Count() : 0;
  for (int i = 0; i < count; ++i) {
    TMenuItem* it = Items->Items(i);
    widest = std::max(widest, sc->TextWidth(StripHotkey(it->Caption())));
    if (it->Visible() && tmpl) height += tmpl->Height;
  }
  width = widest + 70;
  // Build.
  if (tmpl) tmpl->SetShown(false);
  for (int i = 0; i < count; ++i) {
    TMenuItem* it = Items->Items(i);
    auto* o = new TscMenuItemObject();
    if (tmpl) o->Assign(tmpl);
    o->Text = it->Caption() == "-" ? String("-") : it->Caption();
    if (it->ShortCut()) o->ShortCutText = ShortCutToText(it->ShortCut());
    o->SetShown(it->Visible());
    o->Enabled = it->Enabled();
    if (it->RadioItem())
      o->RadioChecked = it->Checked();
    else
      o->Checked = it->Checked();
    o->HasSubMenu = it->Count() > 0;
    o->Bitmap = it->HasBitmap() ? it->Bitmap() : nullptr;
    o->Images = PopupMenu ? PopupMenu->Images() : nullptr;
    o->ImageIndex = it->ImageIndex();
    o->MenuIndex = i;
    o->TextInsets = RECT{22, 0, 16, 0};
    Root->AddChild(o);
  }
  // Borders and other parts that take room (the hidden item template
  // takes none).
  for (auto* c : Root->Children) {
    if (dynamic_cast<TscMenuItemObject*>(c) || !c->Shown) continue;
    if (c->Align == saTop || c->Align == saMostTop || c->Align == saBottom || c->Align == saMostBottom)
      height += c->Height;
    if (c->Align == saLeft || c->Align == saMostLeft || c->Align == saRight || c->Align == saMostRight)
      width += c->Width;
  }
  Root->SetSource(Source);
  Root->SetEngine(Engine);
  Root->SetBoundsRect(RECT{0, 0, width, height});
  // Place.
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int x = X, y = Y;
  const bool noExclude = ExcludeRect.left == ExcludeRect.right && ExcludeRect.top == ExcludeRect.bottom;
  if (noExclude) {
    if (x + width > sw) x -= width;
    if (y + height > sh) y -= height;
  } else if (ParentMenuWnd) {
    y = ExcludeRect.top;
    if (y + height > sh) y = ExcludeRect.bottom - height;
    x = ExcludeRect.right;
    if (x + width > sw) x = ExcludeRect.left - width;
  } else {
    y = ExcludeRect.bottom;
    if (y + height > sh) y = ExcludeRect.top - height;
    x = ExcludeRect.left;
    if (x + width > sw) x = ExcludeRect.right - width;
  }
  SetBounds(x, y, width, height);
  Show();
  Root->SetWnd(Handle());
  if (Engine) Engine->PaintMenuBar = true;
}

void TscMenuWnd::Paint() {
  if (!HandleAllocated()) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(std::max(ClientWidth(), 1), std::max(ClientHeight(), 1));
  Root->SetWnd(Handle());
  Root->Draw(b.Canvas());
  Canvas()->Draw(0, 0, &b);
}

TscMenuItemObject* TscMenuWnd::ItemAt(POINT P) {
  TscSkinObject* o = Root->ObjectAtPoint(P);
  auto* item = dynamic_cast<TscMenuItemObject*>(o);
  if (!item || item->Text.empty() || item->Text == "-" || !item->Enabled || !item->Shown)
    return nullptr;
  return item;
}

void TscMenuWnd::OpenSubMenu(TscMenuItemObject* Obj) {
  TMenuItem* item = Items->Items(Obj->MenuIndex);
  if (SubMenuWnd && SubMenuWnd->Items == item) return;
  if (SubMenuWnd) {
    TscMenuWnd* old = SubMenuWnd;
    old->Timer->SetEnabled(false);
    SubMenuWnd = nullptr;
    old->ParentMenuWnd = nullptr;
    old->Close();
    Application->ProcessMessages();
  }
  if (item->Count() == 0) return;
  auto* sub = new TscMenuWnd(Owner());
  sub->PopupMenu = PopupMenu;
  sub->Items = item;
  sub->ParentMenuWnd = this;
  sub->Engine = Engine;
  sub->Source = Source;
  sub->ExcludeRect = RECT{Left() + Obj->Left, Top() + Obj->Top, Left() + Obj->Left + Obj->Width,
                          Top() + Obj->Top + Obj->Height};
  SubMenuWnd = sub;
  sub->Popup(Left() + Width(), Top() + Obj->Top);
}

void TscMenuWnd::TimerTick() {
  if (InTimer || !Source || !Root || !Items || ComponentState().Contains(csDestroying) || !HandleAllocated())
    return;
  HWND wnd = Handle();
  for (auto* o : TscSkinObject::AllObjects())
    if (TscSkinObject::Exists(o) && o->Wnd == wnd) o->Step();
  InTimer = true;
  POINT p;
  GetCursorPos(&p);
  const TPoint c = ScreenToClient(Point(p.x, p.y));
  TscMenuItemObject* item = ItemAt(POINT{c.x, c.y});
  if (item && item->MenuIndex >= 0 && item->MenuIndex < Items->Count() &&
      !(SubMenuWnd && SubMenuWnd->Items == Items->Items(item->MenuIndex)))
    OpenSubMenu(item);
  if (item) {
    if (item != HotItem) {
      if (HotItem) HotItem->RunScript(&HotItem->LeaveEvent);
      HotItem = item;
      item->RunScript(&item->HoverEvent);
    }
  } else if (HotItem) {
    HotItem->RunScript(&HotItem->LeaveEvent);
    HotItem = nullptr;
  }
  InTimer = false;
}

void TscMenuWnd::CloseChain() {
  TscMenuWnd* parent = ParentMenuWnd;
  if (parent) parent->Close();
  Close();
}

void TscMenuWnd::ChooseItem(TMenuItem* Item) {
  TscSkinEngine* engine = Engine;
  HWND owner = dynamic_cast<TWinControl*>(Owner()) ? static_cast<TWinControl*>(Owner())->Handle() : nullptr;
  if (owner) PostMessage(owner, WM_EXITMENULOOP, 0, 0);
  CloseChain();
  Item->Click();
  if (engine && owner) PostMessage(owner, SCM_CHANGED, kRebuildMenuBar, 0);
}

void TscMenuWnd::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 0;
      return;
    case WM_LBUTTONUP: {
      TForm::Dispatch(Message);
      const POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      TscMenuItemObject* o = Items ? ItemAt(p) : nullptr;
      if (o && o->MenuIndex >= 0 && o->MenuIndex < Items->Count()) {
        TMenuItem* item = Items->Items(o->MenuIndex);
        if (item->Count() == 0) ChooseItem(item);
      }
      return;
    }
    case WM_KEYDOWN: {
      const UINT key = static_cast<UINT>(Message.WParam);
      HWND owner = dynamic_cast<TWinControl*>(Owner()) ? static_cast<TWinControl*>(Owner())->Handle() : nullptr;
      if (key == VK_ESCAPE) {
        if (owner) PostMessage(owner, WM_EXITMENULOOP, 0, 0);
        CloseChain();
        return;
      }
      // Only letters and digits choose, and only the first enabled item
      // that begins with that character.
      const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
      if (letter && Items) {
        for (int i = 0; i < Items->Count(); ++i) {
          TMenuItem* item = Items->Items(i);
          String caption = UpperCase(StripHotkey(item->Caption()));
          if (!item->Enabled() || !item->Visible() || caption.empty() || caption == "-" ||
              caption[0] != static_cast<char>(key))
            continue;
          ChooseItem(item);
          return;
        }
      }
      TForm::Dispatch(Message);
      return;
    }
    case WM_ACTIVATE: {
      TForm::Dispatch(Message);
      if (InActivate) return;
      InActivate = true;
      TWinControl* owner = dynamic_cast<TWinControl*>(Owner());
      if (LOWORD(Message.WParam) != WA_INACTIVE) {
        if (owner && owner->Visible() && owner->HandleAllocated())
          SendMessage(owner->Handle(), WM_NCACTIVATE, 1, 1);
      } else {
        HWND next = reinterpret_cast<HWND>(Message.LParam);
        const bool toOwnSub = SubMenuWnd && SubMenuWnd->HandleAllocated() && SubMenuWnd->Handle() == next;
        const bool toParent = ParentMenuWnd && ParentMenuWnd->HandleAllocated() &&
                              ParentMenuWnd->Handle() == next;
        if (!toOwnSub && !toParent) {
          if (!ParentMenuWnd) {
            if (owner && owner->HandleAllocated()) PostMessage(owner->Handle(), WM_EXITMENULOOP, 0, 0);
            if (!SubMenuWnd) Close();
            else {
              SubMenuWnd->Close();
              Close();
            }
          } else if (Timer->Enabled()) {
            if (owner && owner->HandleAllocated()) PostMessage(owner->Handle(), WM_EXITMENULOOP, 0, 0);
            CloseChain();
          } else {
            TscMenuWnd* parent = ParentMenuWnd;
            Close();
            if (parent && parent->HandleAllocated()) SetForegroundWindow(parent->Handle());
          }
        }
      }
      InActivate = false;
      return;
    }
    default:
      TForm::Dispatch(Message);
  }
}
