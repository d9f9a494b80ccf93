#include "skins/SkinEngine.h"

#include <algorithm>
#include <new>

#include "classlib/Application.h"
#include "classlib/ControlMessages.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/user.h"
#include "skins/SkinMenuWnd.h"

namespace {

// Engines in existence.
int g_engine_count = 0;

const char* const kSystemBitmaps[] = {"QZSKIN_SYSTEMRESTORE", "QZSKIN_SYSTEMMOVE",
                                      "QZSKIN_SYSTEMSIZE",    "QZSKIN_SYSTEMMINIMIZE",
                                      "QZSKIN_SYSTEMMAXIMIZE", "QZSKIN_SYSTEMCLOSE"};

bool Contains(const TscSkinObject* o, POINT p) {
  return p.x >= o->Left && p.y >= o->Top && p.x < o->Left + o->Width && p.y < o->Top + o->Height;
}

// Copies a main-menu item's sub-items into a popup item, recursively.
void CopyItems(TMenuItem* from, TMenuItem* to, TComponent* owner) {
  for (int i = 0; i < from->Count(); ++i) {
    TMenuItem* src = from->Items(i);
    auto* dst = new TMenuItem(owner);
    dst->SetCaption(src->Caption());
    dst->SetShortCut(src->ShortCut());
    dst->SetChecked(src->Checked());
    dst->SetEnabled(src->Enabled());
    dst->SetRadioItem(src->RadioItem());
    dst->OnClick = src->OnClick;
    dst->HelpContext = src->HelpContext;
    if (!src->Name().empty()) {
      try {
        dst->SetName("sm" + src->Name());
      } catch (const Exception&) {
        // a name already taken stays empty
      }
    }
    if (src->HasBitmap()) dst->Bitmap()->Assign(src->Bitmap());
    dst->SetImageIndex(src->ImageIndex());
    dst->SetVisible(src->Visible());
    dst->Tag = reinterpret_cast<NativeInt>(src);
    to->Add(dst);
    CopyItems(src, dst, owner);
  }
}

}  // namespace

// ------------------------------------------------------------ TscPopupMenu

TscPopupMenu::TscPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) { SetOwnerDraw(true); }

TscPopupMenu::~TscPopupMenu() {
  // A window still showing the items lets go of them before they go.
  if (MenuWnd) MenuWnd->Detach();
}

void TscPopupMenu::SetSkinEngine(TscSkinEngine* Value) {
  if (skin_engine_ == Value) return;
  if (skin_engine_) skin_engine_->RemoveFreeNotification(this);
  skin_engine_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TscPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TPopupMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == skin_engine_) skin_engine_ = nullptr;
}

void TscPopupMenu::Popup(int X, int Y) {
  auto* owner = skin_engine_ ? dynamic_cast<TWinControl*>(skin_engine_->Owner()) : nullptr;
  if (skin_engine_ && skin_engine_->HasSkin() && owner) {
    if (OnPopup) OnPopup(this);
    auto* wnd = new TscMenuWnd(owner);
    wnd->PopupMenu = this;
    wnd->Items = Items();
    wnd->Engine = skin_engine_;
    wnd->Source = skin_engine_->SkinSource();
    wnd->ExcludeRect = ExcludeRect;
    MenuWnd = wnd;
    wnd->Popup(X, Y);
    ExcludeRect = RECT{0, 0, 0, 0};
    return;
  }
  TPopupMenu::Popup(X, Y);
}

void TscPopupMenu::ClosePopup() {
  if (skin_engine_) skin_engine_->PaintMenuBar = false;
  if (MenuWnd) MenuWnd->Close();
  Application->ProcessMessages();
  if (skin_engine_) skin_engine_->PaintMenuBar = true;
}

// --------------------------------------------------------------- TAccelWnd

TAccelWnd::TAccelWnd(TComponent* AOwner, TscSkinEngine* AEngine)
    : TCustomControl(AOwner), Engine(AEngine) {
  SetBounds(0, 0, 0, 0);
}

void TAccelWnd::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR && Engine && Engine->HasSkin() && Engine->Form() &&
      Engine->Form()->HandleAllocated()) {
    Message.Result = SendMessage(Engine->Form()->Handle(), SCM_MENUKEY, SC_KEYMENU,
                                 static_cast<LPARAM>(Message.WParam));
    return;
  }
  TCustomControl::Dispatch(Message);
}

// ----------------------------------------------------------- TscSkinEngine

TscSkinEngine::TscSkinEngine(TComponent* AOwner) : TComponent(AOwner) {
  // The skin objects and sources reach engines through these while any
  // engine exists; the last engine to go takes them back.
  ++g_engine_count;
  TscSkinObject_MenuBarShown = [](TscSkinEngine* e) {
    return e->MainMenuShow() && e->MainMenu() != nullptr;
  };
  TscSkinSource::EngineSkinChanged = [](TscSkinEngine* e) { e->SkinChanged(); };
  form_ = dynamic_cast<TCustomForm*>(AOwner);
  if (!form_) return;
  Hook = std::make_unique<TscHook>(nullptr);
  Hook->SetActive(false);
  Hook->BeforeMessage = [this](TObject*, TMessage& m, bool& h) { BeforeMessage(m, h); };
  Hook->AfterMessage = [this](TObject*, TMessage& m, bool& h) { AfterMessage(m, h); };
  Hook->SetWinControl(form_);
  form_->AutoScroll = false;
  form_->SetBorderIcons({});
  AccelWnd = new TAccelWnd(form_, this);
  AccelWnd->SetParent(form_);
  Buffer = std::make_unique<TBitmap>();
  Buffer->SetPixelFormat(pf24bit);
  Buffer->SetSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  Timer = std::make_unique<TTimer>(nullptr);
  Timer->SetEnabled(false);
  Timer->SetInterval(10);
  Timer->SetOnTimer([this](TObject*) { TimerTick(); });
  BuildSystemMenu();
}

TscSkinEngine::~TscSkinEngine() {
  TscMenuWnd::DetachAll(this);
  if (Timer) Timer->SetEnabled(false);
  Hook.reset();
  Timer.reset();
  Buffer.reset();
  HotObject = nullptr;
  ClearMenuBar();
  delete skin_source_;
  skin_source_ = nullptr;
  if (--g_engine_count == 0) {
    TscSkinObject_MenuBarShown = nullptr;
    TscSkinSource::EngineSkinChanged = nullptr;
  }
}

TscSkinEngine* TscSkinEngine::FindSkinEngine(TComponent* AForm) {
  if (!AForm) return nullptr;
  for (int i = 0; i < AForm->ComponentCount(); ++i)
    if (auto* e = dynamic_cast<TscSkinEngine*>(AForm->Components(i)))
      if (typeid(*e) == typeid(TscSkinEngine)) return e;
  return nullptr;
}

HWND TscSkinEngine::GetHandle() const { return form_ ? form_->Handle() : nullptr; }
int TscSkinEngine::GetLeft() const { return form_ ? form_->Left() : 0; }
int TscSkinEngine::GetTop() const { return form_ ? form_->Top() : 0; }

bool TscSkinEngine::HasSkin() const { return skin_source_ && skin_source_->FormObject(); }

bool TscSkinEngine::IsSizeable() const {
  return sizeable_ && (!skin_source_ || skin_source_->Sizeable);
}

void TscSkinEngine::Loaded() {
  TComponent::Loaded();
  SetSkinSource(skin_source_);
  if (main_menu_)
    main_menu_->OnChange = [this](TObject*, TMenuItem*, bool) {
      if (form_ && form_->HandleAllocated()) PostMessage(form_->Handle(), SCM_CHANGED, kRebuildMenuBar, 0);
    };
  for (auto* p : MenuBarPopups)
    if (p && main_menu_) p->SetImages(main_menu_->Images());
}

void TscSkinEngine::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == skin_store_) skin_store_ = nullptr;
  if (AComponent == skin_source_) skin_source_ = nullptr;
  if (AComponent == SystemMenu) SystemMenu = nullptr;
  if (AComponent == main_menu_) {
    main_menu_ = nullptr;
    MenuLoop = false;
  }
  if (AComponent == OpenPopup) OpenPopup = nullptr;
  for (auto*& p : MenuBarPopups)
    if (p == AComponent) p = nullptr;
}

void TscSkinEngine::SetBorderIcons(TscBorderIcons Value) {
  border_icons_ = Value;
  if (!HasSkin() && form_) {
    TBorderIcons icons;
    if (Value.Contains(sbSystemMenu)) icons.Include(biSystemMenu);
    if (Value.Contains(sbMinimize)) icons.Include(biMinimize);
    if (Value.Contains(sbMaximize)) icons.Include(biMaximize);
    if (Value.Contains(sbHelp)) icons.Include(biHelp);
    form_->SetBorderIcons(icons);
  }
  if (form_ && form_->HandleAllocated()) {
    PaintFrame();
    form_->Invalidate();
  }
}

void TscSkinEngine::SetSizeable(bool Value) {
  sizeable_ = Value;
  WindowState = IsSizeable() ? (WindowState | sbsSizeable) : (WindowState & ~sbsSizeable);
}

void TscSkinEngine::SetMainMenu(TMainMenu* Value) {
  MenuLoop = false;
  if (main_menu_) main_menu_->RemoveFreeNotification(this);
  main_menu_ = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->OnChange = [this](TObject*, TMenuItem*, bool) {
      if (form_ && form_->HandleAllocated()) PostMessage(form_->Handle(), SCM_CHANGED, kRebuildMenuBar, 0);
    };
  }
  RebuildMenuBar();
}

String TscSkinEngine::AbsolutePath(const String& Value) const {
  String v = Value;
  if (!v.empty() && v[0] == '\\') v.erase(0, 1);
  if (v.size() < 2 || v[1] != ':') v = ExtractFilePath(ParamStr(0)) + v;
  return v;
}

void TscSkinEngine::SetSkinFolder(const String& Value) {
  skin_folder_ = Value;
  if (Value.empty()) {
    SetSkinSource(nullptr);
    return;
  }
  LoadSkinFolder(IncludeTrailingPathDelimiter(AbsolutePath(Value)));
}

void TscSkinEngine::SetSkinFile(const String& Value) {
  skin_file_ = Value;
  if (Value.empty()) {
    SetSkinSource(nullptr);
    return;
  }
  String file = AbsolutePath(Value);
  if (LowerCase(ExtractFileExt(file)) == ".qze") {
    skin_folder_ = ExtractFilePath(file);
    LoadSkinFolder(skin_folder_);
  } else {
    LoadSkinPackage(file);
  }
}

void TscSkinEngine::SetSkinStore(TscSkinStore* Value) {
  if (skin_store_) skin_store_->RemoveFreeNotification(this);
  skin_store_ = Value;
  if (Value) Value->FreeNotification(this);
  if (!Value) {
    SetSkinSource(nullptr);
    return;
  }
  if (Value->SkinSource && Value->SkinSource->Loaded) {
    TscSkinSource* store = Value->SkinSource;
    CommonLoad([this, store] {
      auto* s = new TscSkinSource(this);
      s->Assign(store);
      return s;
    });
  }
}

void TscSkinEngine::ProcessPending() {
  if (Application) Application->ProcessMessages();
}

void TscSkinEngine::LoadSkinFolder(const String& Folder) {
  if (Folder.empty() || !DirectoryExists(Folder)) return;
  TSearchRec f;
  if (FindFirst(Folder + "*.qze", faAnyFile, f) != 0) return;
  FindClose(f);
  CommonLoad([this, Folder] {
    std::unique_ptr<TscSkinSource> s(new TscSkinSource(this));
    s->LoadFromFolder(Folder);
    return s.release();
  });
}

void TscSkinEngine::LoadSkinPackage(const String& FileName) {
  if (LowerCase(ExtractFileExt(FileName)) != ".qzp" || !FileExists(FileName)) return;
  CommonLoad([this, FileName] {
    std::unique_ptr<TscSkinSource> s(new TscSkinSource(this));
    s->LoadFromFile(FileName);
    return s.release();
  });
}

void TscSkinEngine::CommonLoad(const std::function<TscSkinSource*()>& Make) {
  if (Timer) Timer->SetEnabled(false);
  if (Hook) Hook->SetActive(false);
  HotObject = nullptr;
  OpenPopup = nullptr;
  ProcessPending();
  // The new skin loads into a source of its own; only a whole skin
  // replaces the one shown. A skin that is there but cannot be read goes
  // to the application's exception handler (the user sees why), and the
  // form carries on with what it showed.
  TscSkinSource* fresh = nullptr;
  try {
    try {
      fresh = Make();
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
  } catch (...) {
    fresh = nullptr;
    if (Application) Application->HandleException(this);
  }
  if (!fresh) {
    if (HasSkin()) {
      if (Hook) Hook->SetActive(true);
      if (Timer) Timer->SetEnabled(true);
    }
    return;
  }
  ClearMenuBar();
  SetSkinSource(fresh);
  fresh->SetSkinEngine(this);
  PaintFrame();
  if (HasSkin()) {
    if (Hook) Hook->SetActive(true);
    if (Timer) Timer->SetEnabled(true);
  }
  ProcessPending();
  PaintFrame();
}

void TscSkinEngine::SetSkinSource(TscSkinSource* Source) {
  if (skin_source_ && skin_source_ != Source) {
    TscSkinSource* old = skin_source_;
    skin_source_ = nullptr;
    HotObject = nullptr;
    // Open menu windows draw from the old skin.
    TscMenuWnd::DetachAll(this);
    ClearMenuBar();
    delete old;
  }
  skin_source_ = Source;
  if (!form_) return;
  if (Source) Source->SetSkinEngine(this);
  SetSizeable(sizeable_);
  if (HasSkin()) {
    form_->SetBorderIcons({});
    if (!Source->Sizeable) {
      TscSkinObject* f = Source->FormObject();
      form_->SetBounds(form_->Left(), form_->Top(), f->Width, f->Height);
    }
    if (form_->HandleAllocated()) ::SetMenu(form_->Handle(), nullptr);
    ProcessPending();
    if (Hook) Hook->SetActive(true);
    if (Timer) Timer->SetEnabled(true);
  } else {
    SetBorderIcons(border_icons_);
    if (main_menu_ && form_->HandleAllocated() && form_->Menu() == main_menu_)
      ::SetMenu(form_->Handle(), main_menu_->Handle());
    if (Hook) Hook->SetActive(false);
    if (Timer) Timer->SetEnabled(false);
  }
  SkinChanged();
}

void TscSkinEngine::SkinChanged() {
  if (!form_ || !form_->HandleAllocated()) return;
  HWND hwnd = form_->Handle();
  // The frame's insets follow the skin (or the form's own frame again).
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RebuildMenuBar();
  UpdateRegion();
  std::function<void(TWinControl*)> tell = [&](TWinControl* parent) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      TControl* c = parent->Controls(i);
      c->Perform(SCM_CHANGED, 0, 0);
      if (auto* w = dynamic_cast<TWinControl*>(c))
        tell(w);
      else
        c->Invalidate();
    }
  };
  tell(form_);
  form_->Invalidate();
  if (HasSkin()) PaintFrame();
}

void TscSkinEngine::LayoutForm() {
  if (!HasSkin()) return;
  skin_source_->FormObject()->SetBoundsRect(RECT{0, 0, WindowWidth, WindowHeight});
}

void TscSkinEngine::DecideShown() {
  if (!HasSkin()) return;
  TscWindowState ws;
  if (WindowState & sbsMaximized) ws.Include(swMaximized);
  if (WindowState & sbsRolledUp) ws.Include(swRollup);
  if (WindowState & sbsStayOnTop) ws.Include(swStayOnTop);
  if (IsSizeable()) ws.Include(swSizeable);
  const String caption = form_ ? form_->Caption() : String();
  std::function<void(TscSkinObject*)> decide = [&](TscSkinObject* o) {
    if (o->Visible.Contains(svNever)) {
      o->SetShown(false);
      return;
    }
    o->Shown = o->IsVisible(Active, border_icons_, this, ws);
    if (o->Kind == skMenuBarItem && main_menu_ && o->MenuIndex >= 0 &&
        o->MenuIndex < main_menu_->Items()->Count())
      o->Shown = main_menu_->Items()->Items(o->MenuIndex)->Visible();
    if (o->Kind == skTitle) o->Text = caption;
    if (o->Kind == skMenuBar) {
      if (main_menu_) o->Shown = main_menu_show_;
      if (IsRolledUp()) o->Shown = false;
    }
    for (auto* c : o->Children) decide(c);
  };
  decide(skin_source_->FormObject());
}

void TscSkinEngine::PaintFrame() {
  if (!HasSkin() || !form_ || !form_->HandleAllocated()) return;
  HWND hwnd = form_->Handle();
  RECT wr;
  GetWindowRect(hwnd, &wr);
  WindowWidth = wr.right - wr.left;
  WindowHeight = wr.bottom - wr.top;
  if (WindowWidth <= 0 || WindowHeight <= 0) return;
  DecideShown();
  TscSkinObject* f = skin_source_->FormObject();
  f->SetWnd(hwnd);
  LayoutForm();
  // The buffer grows to the window.
  if (Buffer->Width() < WindowWidth || Buffer->Height() < WindowHeight)
    Buffer->SetSize(std::max(Buffer->Width(), WindowWidth), std::max(Buffer->Height(), WindowHeight));
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  TscSkinObject* client = skin_source_->ClientObject();
  TscSkinObject* bar = skin_source_->MenuBarObject();
  if (client && client->Shown)
    ExcludeClipRect(dc, client->Left, client->Top, client->Left + client->Width,
                    client->Top + client->Height);
  if (!PaintMenuBar && bar && bar->Shown)
    ExcludeClipRect(dc, bar->Left, bar->Top, bar->Left + bar->Width, bar->Top + bar->Height);
  f->Draw(Buffer->Canvas());
  BitBlt(dc, 0, 0, WindowWidth, WindowHeight, Buffer->Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(hwnd, dc);
}

void TscSkinEngine::UpdateRegion() {
  if (!form_ || !form_->HandleAllocated()) return;
  HWND hwnd = form_->Handle();
  if (!HasSkin()) {
    SetWindowRgn(hwnd, nullptr, TRUE);
    return;
  }
  RECT wr;
  GetWindowRect(hwnd, &wr);
  WindowWidth = wr.right - wr.left;
  WindowHeight = wr.bottom - wr.top;
  DecideShown();
  LayoutForm();
  HRGN rgn = skin_source_->FormObject()->GetRegion();
  SetWindowRgn(hwnd, rgn, TRUE);
}

TscSkinObject* TscSkinEngine::ObjectAtScreen(POINT P) {
  if (!HasSkin() || !form_) return nullptr;
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  return skin_source_->FormObject()->ObjectAtPoint(POINT{P.x - wr.left, P.y - wr.top});
}

LRESULT TscSkinEngine::HitTest(POINT P) {
  if (WindowState & (sbsMinimized | sbsMaximized)) return HTCLIENT;
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  const POINT p{P.x - wr.left, P.y - wr.top};
  LRESULT answer = HTCLIENT;
  skin_source_->FormObject()->ForEach([&](TscSkinObject* o) {
    if (!o->Shown || !Contains(o, p)) return;
    switch (o->Kind) {
      case skCaption: case skTitle: answer = HTCAPTION; break;
      case skTop: answer = HTTOP; break;
      case skLeft: answer = HTLEFT; break;
      case skRight: answer = HTRIGHT; break;
      case skBottom: answer = HTBOTTOM; break;
      case skTopLeft: answer = HTTOPLEFT; break;
      case skTopRight: answer = HTTOPRIGHT; break;
      case skBottomLeft: answer = HTBOTTOMLEFT; break;
      case skBottomRight: answer = HTBOTTOMRIGHT; break;
      case skMenuBar: case skSysButton: answer = HTMINBUTTON; break;
      default: break;
    }
  });
  if ((IsRolledUp() || !IsSizeable()) && answer >= HTLEFT && answer <= HTBOTTOMRIGHT)
    answer = HTMINBUTTON;
  return answer;
}

void TscSkinEngine::NcCalcSize(TMessage& M) {
  RECT* r = M.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0]
                     : reinterpret_cast<RECT*>(M.LParam);
  // The frame is laid out at the new window size.
  WindowWidth = r->right - r->left;
  WindowHeight = r->bottom - r->top;
  RECT insets{0, 0, 0, 0};
  TscSkinObject* client = skin_source_->ClientObject();
  if (client) {
    DecideShown();
    LayoutForm();
    insets = RECT{client->Left, client->Top, WindowWidth - (client->Left + client->Width),
                  WindowHeight - (client->Top + client->Height)};
  }
  RECT n{r->left + insets.left, r->top + insets.top, r->right - insets.right,
         r->bottom - insets.bottom};
  if (n.right < n.left) n.right = n.left;
  if (n.bottom < n.top) n.bottom = n.top;
  *r = n;
  if (M.WParam) {
    reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[1] = n;
    M.Result = WVR_VALIDRECTS;
  } else {
    M.Result = 0;
  }
}

int TscSkinEngine::MenuBarIndexOf(TscSkinObject* Obj) const {
  for (size_t i = 0; i < MenuBarItems.size(); ++i)
    if (MenuBarItems[i] == Obj) return static_cast<int>(i);
  return -1;
}

void TscSkinEngine::MouseDown(POINT P) {
  TscSkinObject* o = ObjectAtScreen(P);
  if (!o || !o->Shown) return;
  const bool maxScript = LowerCase(o->ClickEvent.Text()).find("max") != String::npos;
  // A script may free the object (an action that loads another skin).
  const uint64_t serial = o->Serial;
  o->DoClick(false);
  if (!TscSkinObject::Alive(o, serial) || !o->WaitEffect()) return;
  if (maxScript)
    o->DoLeave(false);
  else
    o->DoHover(false);
  if (!TscSkinObject::Alive(o, serial) || !o->WaitEffect()) return;
  int index = MenuBarIndexOf(o);
  if (index < 0 || !main_menu_) return;
  MenuLoop = true;
  if (index < static_cast<int>(MenuBarPopups.size()) && MenuBarPopups[index]) {
    RECT wr;
    GetWindowRect(form_->Handle(), &wr);
    OpenMenuBarPopup(wr.left + o->Left, wr.top + o->Top + o->Height, index);
  } else {
    TMenuItem* item = o->MenuIndex >= 0 && o->MenuIndex < main_menu_->Items()->Count()
                          ? main_menu_->Items()->Items(o->MenuIndex)
                          : nullptr;
    MenuLoop = false;
    PostMessage(form_->Handle(), SCM_CHANGED, kRebuildMenuBar, 0);
    if (item) item->Click();
  }
}

void TscSkinEngine::ClearMenuBar() {
  HotObject = nullptr;
  OpenPopup = nullptr;
  for (auto* p : MenuBarPopups) delete p;
  MenuBarPopups.clear();
  for (auto* o : MenuBarItems) {
    if (o->Parent) o->Parent->RemoveChild(o);
    delete o;
  }
  MenuBarItems.clear();
}

void TscSkinEngine::PopupChanged(TObject* Sender, TMenuItem*, bool) {
  // Keeps the copies in step with the main menu's items they came from,
  // then has the bar rebuilt once the popup is no longer in use.
  static bool syncing = false;
  auto* popup = dynamic_cast<TscPopupMenu*>(Sender);
  if (syncing || !popup || !main_menu_) return;
  std::function<bool(TMenuItem*, TMenuItem*)> inMenu = [&](TMenuItem* tree, TMenuItem* item) {
    for (int i = 0; i < tree->Count(); ++i)
      if (tree->Items(i) == item || inMenu(tree->Items(i), item)) return true;
    return false;
  };
  syncing = true;
  std::function<void(TMenuItem*)> sync = [&](TMenuItem* copies) {
    for (int i = 0; i < copies->Count(); ++i) {
      TMenuItem* copy = copies->Items(i);
      auto* src = reinterpret_cast<TMenuItem*>(copy->Tag);
      if (src && inMenu(main_menu_->Items(), src)) {
        copy->SetChecked(src->Checked());
        copy->SetEnabled(src->Enabled());
        copy->SetCaption(src->Caption());
        copy->SetVisible(src->Visible());
      }
      sync(copy);
    }
  };
  sync(popup->Items());
  syncing = false;
  if (form_ && form_->HandleAllocated())
    PostMessage(form_->Handle(), SCM_CHANGED, kRebuildMenuBar, 0);
}

void TscSkinEngine::RebuildMenuBar() {
  if (!HasSkin()) {
    ClearMenuBar();
    return;
  }
  TscSkinObject* tmpl = skin_source_->MenuBarItemObject();
  if (!tmpl || !tmpl->Parent) return;
  ClearMenuBar();
  tmpl->Visible = TscVisible{svNever};
  tmpl->Shown = false;
  if (!main_menu_) return;
  TscSkinObject* parent = tmpl->Parent;
  TBitmap scratch;
  TCanvas* c = scratch.Canvas();
  c->Font()->SetName(tmpl->FontName);
  c->Font()->SetSize(tmpl->FontSize);
  c->Font()->SetStyle(tmpl->FontStyle);
  TMenuItem* items = main_menu_->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    TscPopupMenu* popup = nullptr;
    if (item->Count() > 0) {
      popup = new TscPopupMenu(this);
      popup->SetSkinEngine(this);
      popup->SetImages(main_menu_->Images());
      CopyItems(item, popup->Items(), popup);
      popup->OnChange = [this](TObject* s, TMenuItem* src, bool r) { PopupChanged(s, src, r); };
    }
    MenuBarPopups.push_back(popup);
    auto* o = new TscSkinObject();
    o->Assign(tmpl);
    o->Text = StripHotkey(item->Caption());
    o->Visible = TscVisible{svAlways};
    o->MenuIndex = i;
    o->Width = c->TextWidth(o->Text) + 8;
    parent->AddChild(o);
    o->SetSource(skin_source_);
    o->SetEngine(this);
    if (form_ && form_->HandleAllocated()) o->SetWnd(form_->Handle());
    MenuBarItems.push_back(o);
  }
  MenuLoop = false;
  if (form_ && form_->HandleAllocated()) {
    // The bar's items are part of the window's shape.
    UpdateRegion();
    PostMessage(form_->Handle(), SCM_REMOVEMENU, 0, 0);
  }
}

void TscSkinEngine::OpenMenuBarPopup(int X, int Y, int Index) {
  if (!main_menu_show_ || IsRolledUp() || Index < 0 ||
      Index >= static_cast<int>(MenuBarPopups.size()))
    return;
  if (OpenPopup && OpenPopup == MenuBarPopups[Index] && OpenPopup->MenuWnd) return;
  MenuLoop = false;
  if (OpenPopup) {
    OpenPopup->ClosePopup();
    ProcessPending();
  }
  MenuLoop = true;
  OpenPopup = MenuBarPopups[Index];
  if (!OpenPopup) return;
  TscSkinObject* o = MenuBarItems[Index];
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  OpenPopup->ExcludeRect =
      RECT{wr.left + o->Left, wr.top + o->Top, wr.left + o->Left + o->Width, wr.top + o->Top + o->Height};
  OpenPopup->Popup(X, Y);
}

void TscSkinEngine::MenuKey(char Key) {
  if (!main_menu_ || !HasSkin()) return;
  TMenuItem* items = main_menu_->Items();
  for (int i = 0; i < items->Count(); ++i) {
    if (!IsAccel(static_cast<unsigned char>(Key), items->Items(i)->Caption())) continue;
    if (i >= static_cast<int>(MenuBarItems.size())) return;
    if (HotObject) HotObject->DoLeave(false);
    TscSkinObject* o = MenuBarItems[i];
    HotObject = o;
    o->DoHover(false);
    RECT wr;
    GetWindowRect(form_->Handle(), &wr);
    OpenMenuBarPopup(wr.left + o->Left, wr.top + o->Top + o->Height, i);
    return;
  }
}

void TscSkinEngine::BuildSystemMenu() {
  if (!form_) return;
  SystemMenu = new TscPopupMenu(this);
  SystemMenu->SetSkinEngine(this);
  HMENU native = GetSystemMenu(form_->Handle(), FALSE);
  int count = native ? GetMenuItemCount(native) : 0;
  int index = 0;
  for (int pos = 0; pos < count; ++pos) {
    char buffer[101] = {};
    GetMenuString(native, pos, buffer, 100, MF_BYPOSITION);
    String text = buffer;
    auto* item = new TMenuItem(SystemMenu);
    if (text.empty()) {
      item->SetCaption("-");
    } else {
      size_t tab = text.find('\t');
      item->SetCaption(text.substr(0, tab));
      if (tab != String::npos) item->SetShortCut(TextToShortCut(text.substr(tab + 1)));
      item->Tag = index;
      // Only the six standard entries have pictures.
      if (index < 6) {
        try {
          item->Bitmap()->LoadFromResourceName(kSystemBitmaps[index]);
        } catch (const Exception&) {
        }
      }
      ++index;
      item->OnClick = [this](TObject* s) { SystemMenuClick(s); };
    }
    try {
      item->SetName("miSys" + IntToStr(pos));
    } catch (const Exception&) {
    }
    SystemMenu->Items()->Add(item);
  }
  auto* sep = new TMenuItem(SystemMenu);
  sep->SetCaption("-");
  SystemMenu->Items()->Add(sep);
  auto* roll = new TMenuItem(SystemMenu);
  roll->SetCaption("Rollu&p");
  try {
    roll->SetName("miSysRoll");
  } catch (const Exception&) {
  }
  roll->Tag = 6;
  roll->OnClick = [this](TObject* s) { SystemMenuClick(s); };
  SystemMenu->Items()->Add(roll);
}

void TscSkinEngine::ShowSystemMenu() {
  if (!SystemMenu || !HasSkin()) return;
  TMenuItem* items = SystemMenu->Items();
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* it = items->Items(i);
    it->SetEnabled(false);
    if (it->IsLine()) continue;
    bool on = false;
    switch (it->Tag) {
      case 0: on = border_icons_.Contains(sbMaximize) && IsMaximized(); break;
      case 1: case 5: on = true; break;
      case 2: on = (WindowState & sbsSizeable) != 0; break;
      case 3: on = border_icons_.Contains(sbMinimize); break;
      case 4: on = border_icons_.Contains(sbMaximize) && !IsMaximized(); break;
      case 6: on = border_icons_.Contains(sbRollup); break;
    }
    it->SetEnabled(on);
  }
  RECT wr;
  GetWindowRect(form_->Handle(), &wr);
  TscSkinObject* bar = skin_source_->MenuBarObject();
  POINT at{wr.left, wr.top};
  if (bar && bar->Shown) at = POINT{wr.left + bar->Left, wr.top + bar->Top};
  SystemMenu->Popup(at.x, at.y);
}

void TscSkinEngine::SystemMenuClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !HasSkin()) return;
  static const char* const kScripts[] = {"max", "move", "size", "min", "max", "close", "rollup"};
  if (item->Tag < 0 || item->Tag > 6) return;
  TStringList script;
  script.Add(kScripts[item->Tag]);
  skin_source_->FormObject()->SetWnd(form_->Handle());
  skin_source_->FormObject()->RunScript(&script);
  PaintFrame();
}

void TscSkinEngine::SetWindowState(uint32_t Value) {
  const uint32_t old = WindowState;
  WindowState = Value;
  const uint32_t changed = old ^ Value;
  if (!form_ || !form_->HandleAllocated()) return;
  HWND hwnd = form_->Handle();
  RECT wr;
  GetWindowRect(hwnd, &wr);
  if (changed & sbsRolledUp) {
    if (Value & sbsRolledUp) {
      SavedHeight = wr.bottom - wr.top;
      SetWindowPos(hwnd, nullptr, 0, 0, wr.right - wr.left, RolledUpHeight(),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(hwnd, nullptr, 0, 0, wr.right - wr.left, SavedHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PostMessage(hwnd, SCM_CHANGED, 0, 0);
  }
  if (changed & sbsStayOnTop)
    SetWindowPos(hwnd, (Value & sbsStayOnTop) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (changed & sbsMaximized)
    PostMessage(hwnd, WM_SYSCOMMAND, (Value & sbsMaximized) ? SC_MAXIMIZE : SC_RESTORE, 0);
  if ((changed & sbsMinimized) && (Value & sbsMinimized))
    PostMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

int TscSkinEngine::RolledUpHeight() {
  if (!HasSkin()) return 0;
  TscSkinObject* f = skin_source_->FormObject();
  TscSkinObject* client = skin_source_->ClientObject();
  if (!client) return 0;
  TscSkinObject* bar = skin_source_->MenuBarObject();
  const bool barShown = bar && bar->Shown;
  // A rolled-up window shows no menu bar: its height does not count.
  if (bar) bar->Shown = false;
  int answer = 0;
  for (int h = 100; h >= 0; --h) {
    f->SetBoundsRect(RECT{0, 0, WindowWidth, h});
    if (client->Height == 0) {
      answer = h;
      break;
    }
  }
  if (bar) bar->Shown = barShown;
  LayoutForm();
  return answer;
}

void TscSkinEngine::TimerTick() {
  if (!HasSkin() || !form_ || !form_->HandleAllocated()) return;
  if (!Active && !(WindowState & sbsMinimized)) return;
  // A snapshot: a script may free objects (loading another skin).
  for (auto* o : TscSkinObject::AllObjects())
    if (TscSkinObject::Exists(o) && !o->IsMenuItem()) o->Step();
  if (!HasSkin()) return;
  POINT p;
  GetCursorPos(&p);
  TscSkinObject* o = ObjectAtScreen(p);
  if (!o) {
    if (HotObject) {
      TscSkinObject* old = HotObject;
      HotObject = nullptr;
      if (TscSkinObject::Exists(old)) old->DoLeave(false);
    }
    return;
  }
  if (o->Shown && o != HotObject) {
    TscSkinObject* old = HotObject;
    HotObject = o;
    if (old && TscSkinObject::Exists(old)) old->DoLeave(false);
    if (TscSkinObject::Exists(o)) o->DoHover(false);
    int index = MenuBarIndexOf(o);
    if (index >= 0 && MenuLoop) {
      RECT wr;
      GetWindowRect(form_->Handle(), &wr);
      OpenMenuBarPopup(wr.left + o->Left, wr.top + o->Top + o->Height, index);
    }
  }
}

void TscSkinEngine::BeforeMessage(TMessage& M, bool& Handled) {
  if (!form_) return;
  const bool skin = HasSkin();
  switch (M.Msg) {
    case WM_SIZE:
      UpdateRegion();
      break;
    case WM_ERASEBKGND:
      if (skin) {
        TscSkinObject* client = skin_source_->ClientObject();
        if (client) {
          HDC dc = M.WParam ? reinterpret_cast<HDC>(M.WParam) : GetDC(form_->Handle());
          LayoutForm();
          TCanvas canvas;
          canvas.SetHandle(dc);
          POINT old;
          SetWindowOrgEx(dc, client->Left, client->Top, &old);
          client->Draw(&canvas);
          SetWindowOrgEx(dc, old.x, old.y, nullptr);
          canvas.SetHandle(nullptr);
          if (!M.WParam) ReleaseDC(form_->Handle(), dc);
        }
        M.Result = 0;
        Handled = true;
      }
      break;
    case WM_NCCALCSIZE:
      if (skin) {
        NcCalcSize(M);
        Handled = true;
      }
      break;
    case WM_NCHITTEST:
      if (skin) {
        M.Result = HitTest(POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        Handled = M.Result != HTCLIENT;
      }
      break;
    case WM_NCPAINT:
      if (skin) {
        PaintFrame();
        M.Result = IsMaximized() ? 0 : 1;
        Handled = true;
      }
      break;
    case WM_NCACTIVATE:
      if (skin) {
        Active = M.WParam != 0;
        if (M.LParam == 0) PaintFrame();
        M.Result = 1;
        Handled = true;
      }
      break;
    case WM_NCLBUTTONDOWN:
      if (skin) MouseDown(POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
      break;
    case WM_NCRBUTTONDOWN:
      if (skin)
        if (TscSkinObject* o = ObjectAtScreen(POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}))
          o->DoRightClick(false);
      break;
    case WM_COMMAND:
      for (auto* p : std::vector<TscPopupMenu*>(MenuBarPopups))
        if (p && p->DispatchCommand(LOWORD(M.WParam))) break;
      break;
    case WM_EXITMENULOOP:
      if (MenuLoop) {
        MenuLoop = false;
        OpenPopup = nullptr;
      }
      break;
    case SCM_ROLLUP:
      SetWindowState(WindowState ^ sbsRolledUp);
      PaintFrame();
      break;
    case SCM_STAYONTOP:
      SetWindowState(WindowState ^ sbsStayOnTop);
      PaintFrame();
      break;
    case SCM_SYSMENU:
      if (border_icons_.Contains(sbSystemMenu)) ShowSystemMenu();
      break;
    case SCM_CHANGED:
      if (M.WParam == kRebuildMenuBar) {
        RebuildMenuBar();
        SetWindowPos(form_->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      PaintFrame();
      break;
    case SCM_MENUKEY:
      if (M.WParam == SC_KEYMENU) {
        MenuKey(static_cast<char>(M.LParam));
        M.Result = 1;
      }
      break;
    case SCM_REMOVEMENU:
      ::SetMenu(form_->Handle(), nullptr);
      break;
    default:
      break;
  }
}

void TscSkinEngine::AfterMessage(TMessage& M, bool&) {
  if (!form_) return;
  switch (M.Msg) {
    case WM_GETTEXT:
      // The text returned stays as it is; a new length repaints the title.
      if (static_cast<int32_t>(M.Result) != CaptionLength) {
        CaptionLength = static_cast<int32_t>(M.Result);
        PostMessage(form_->Handle(), SCM_CHANGED, 0, 0);
      }
      break;
    case WM_GETMINMAXINFO:
      if (HasSkin()) {
        auto* info = reinterpret_cast<MINMAXINFO*>(M.LParam);
        RECT work{};
        SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
        info->ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
        info->ptMaxTrackSize = info->ptMaxSize;
        info->ptMaxPosition = POINT{work.left, work.top};
        info->ptMinTrackSize = POINT{100, RolledUpHeight()};
        M.Result = 0;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      if (TscSkinObject* o = ObjectAtScreen(POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}))
        o->DoDoubleClick(false);
      break;
    case WM_SYSCOMMAND:
      switch (M.WParam & 0xFFF0) {
        case SC_MINIMIZE: WindowState |= sbsMinimized; break;
        case SC_MAXIMIZE: WindowState |= sbsMaximized; break;
        case SC_RESTORE: WindowState &= ~(sbsMaximized | sbsMinimized); break;
        default: break;
      }
      PostMessage(form_->Handle(), SCM_CHANGED, 0, 0);
      break;
    default:
      break;
  }
}
