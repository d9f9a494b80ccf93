// Action scripts and effects of skin objects: the commands of a script run
// one after another, each for at least one step; change, fade and slide
// effects draw their frames straight onto the object's window.
#include <algorithm>
#include <cmath>

#include "classlib/Colors.h"
#include "classlib/Dialogs.h"
#include "classlib/Exceptions.h"
#include "classlib/StringRoutines.h"
#include "platform/core/clock.h"
#include "platform/user/user.h"
#include "skins/SkinEngine.h"
#include "skins/SkinObjects.h"
#include "skins/SkinSource.h"
#include "skins/SkinTypes.h"
#include "skins/SkinUtils.h"

namespace {

constexpr int64_t kMaxDuration = 10000;

int64_t CapDuration(int64_t Ms) { return std::clamp<int64_t>(Ms, 0, kMaxDuration); }

bool IsImageKind(uint8_t k) {
  return k == TscSkinObject::ekChangeImage || k == TscSkinObject::ekSlideImage ||
         k == TscSkinObject::ekFadeImage;
}
bool IsColorKind(uint8_t k) {
  return k == TscSkinObject::ekChangeColor || k == TscSkinObject::ekSlideColor ||
         k == TscSkinObject::ekFadeColor;
}
bool IsTextColorKind(uint8_t k) {
  return k == TscSkinObject::ekChangeTextColor || k == TscSkinObject::ekSlideTextColor ||
         k == TscSkinObject::ekFadeTextColor;
}

int Number(String& Rest) {
  String t;
  NextToken(Rest, t);
  return StrToInt(t);
}

int ReadDirection(String& Rest) {
  String t;
  NextToken(Rest, t);
  t = LowerCase(t);
  if (t == "righttoleft") return 1;
  if (t == "toptobottom") return 2;
  if (t == "bottomtotop") return 3;
  return 0;  // "leftotright", missing or unknown
}

}  // namespace

// ---------------------------------------------------------------- counter

TqzCounter::TqzCounter() {
  LARGE_INTEGER f{};
  if (QueryPerformanceFrequency(&f)) {
    Frequency = f.QuadPart;
    Running = false;
    Elapsed = 0;
  }
}

void TqzCounter::Start() {
  Running = true;
  Elapsed = 0;
  LARGE_INTEGER c{};
  QueryPerformanceCounter(&c);
  StartCount = c.QuadPart;
}

float TqzCounter::Stop() {
  LARGE_INTEGER c{};
  QueryPerformanceCounter(&c);
  StopCount = c.QuadPart;
  Running = false;
  Elapsed = Frequency ? static_cast<float>(StopCount - StartCount) / static_cast<float>(Frequency) : 0;
  return Elapsed;
}

void StartCounter(TqzCounter*& C) {
  C = new TqzCounter();
  C->Start();
}

float StopCounter(TqzCounter*& C) {
  if (!C) return 0;
  float s = C->Stop();
  delete C;
  C = nullptr;
  return s;
}

// ----------------------------------------------------------------- events

void TscSkinObject::RunEvent(TStringList TscSkinObject::*List, bool Recursive) {
  const uint64_t serial = Serial;
  RunScript(&(this->*List));
  if (Recursive && Alive(this, serial))
    for (auto* c : std::vector<TscSkinObject*>(Children))
      if (Exists(c)) c->RunEvent(List, true);
}

void TscSkinObject::DoHover(bool Recursive) { RunEvent(&TscSkinObject::HoverEvent, Recursive); }
void TscSkinObject::DoLeave(bool Recursive) { RunEvent(&TscSkinObject::LeaveEvent, Recursive); }
void TscSkinObject::DoClick(bool Recursive) { RunEvent(&TscSkinObject::ClickEvent, Recursive); }
void TscSkinObject::DoDoubleClick(bool Recursive) {
  RunEvent(&TscSkinObject::DoubleClickEvent, Recursive);
}
void TscSkinObject::DoRightClick(bool Recursive) {
  RunEvent(&TscSkinObject::RightClickEvent, Recursive);
}

void TscSkinObject::RunScript(TStrings* Script) {
  if (!Shown || Script == nullptr || Script->Count() == 0 || Destroying) return;
  if (EffectRunning) {
    Busy = true;
    EffectRunning = false;
    // The step may run the old script's next line, which may free this
    // object (and the script, when it is one of its lists).
    const uint64_t serial = Serial;
    Step();
    if (!Alive(this, serial)) return;
  }
  if (Busy) {
    EffectRunning = false;
    Queue.Clear();  // the old script ends with its current command
    Step();
  }
  Queue.Assign(Script);
  EffectKind = ekNone;
  Busy = true;
  ExecuteLine();
}

void TscSkinObject::SetTarget(TqzBmp* AImage) {
  if (TargetImage) TargetImage->Release();
  TargetImage = AImage;
}

void TscSkinObject::ExecuteLine() {
  SetTarget(nullptr);
  TargetColor = 0;
  Direction = 0;
  EffectKind = ekNone;
  Duration = 0;
  Time = 0;
  EffectRunning = true;
  if (Queue.Count() == 0) return;
  const String line = Queue[0];
  try {
    String rest = line, command;
    NextToken(rest, command);
    command = LowerCase(command);
    HWND wnd = Wnd;
    auto post = [wnd](UINT msg, WPARAM wp) {
      if (wnd) PostMessage(wnd, msg, wp, 0);
    };
    auto image = [&](bool withRest) -> TqzBmp* {
      String name;
      NextToken(rest, name);
      if (!Source) throw EConvertError("no skin");
      TqzBmp* found = FindImage(Source->Images, name);
      if (!found) throw EConvertError("image \"" + name + "\" not found");
      TqzBmp* img;
      if (withRest) {
        img = ImageFromReference(found, rest);
        rest.clear();
      } else {
        // image, l, t, r, b, then further arguments
        String rect;
        for (int i = 0; i < 4; ++i) {
          String t;
          NextToken(rest, t);
          if (i) rect += ",";
          rect += t;
        }
        img = ImageFromReference(found, rect);
      }
      if (!img) throw EConvertError("bad image part");
      img->Name = found->Name;
      return img;
    };
    if (command == "changeimage") {
      TqzBmp* img = image(true);
      StartEffect(ekChangeImage, img, 0, 1, 0);
    } else if (command == "changecolor") {
      if (!Source) throw EConvertError("no skin");
      TColor c = ReadColor(rest);
      StartEffect(ekChangeColor, nullptr, c, 1, 0);
    } else if (command == "changetextcolor") {
      if (!Source) throw EConvertError("no skin");
      TColor c = ReadColor(rest);
      StartEffect(ekChangeTextColor, nullptr, c, 1, 0);
    } else if (command == "fadeimage" || command == "slideimage") {
      TqzBmp* img = image(false);
      int ms, dir = 0;
      try {
        ms = Number(rest);
        if (command == "slideimage") dir = ReadDirection(rest);
      } catch (...) {
        img->Release();
        throw;
      }
      StartEffect(command == "fadeimage" ? ekFadeImage : ekSlideImage, img, 0, ms, dir);
    } else if (command == "fadecolor" || command == "fadetextcolor" || command == "slidecolor" ||
               command == "slidetextcolor") {
      if (!Source) throw EConvertError("no skin");
      TColor c = ReadColor(rest);
      int ms = Number(rest);
      bool slide = command[0] == 's';
      int dir = slide ? ReadDirection(rest) : 0;
      bool text = command.find("text") != String::npos;
      uint8_t kind = slide ? (text ? ekSlideTextColor : ekSlideColor)
                           : (text ? ekFadeTextColor : ekFadeColor);
      StartEffect(kind, nullptr, c, ms, dir);
    } else if (command == "play") {
      String name;
      NextToken(rest, name);
      if (Source)
        if (TscSound* s = Source->FindSound(name)) s->Play();
    } else if (command == "close") {
      post(WM_SYSCOMMAND, SC_CLOSE);
    } else if (command == "min") {
      if (Engine && Engine->BorderIcons().Contains(sbMinimize)) post(WM_SYSCOMMAND, SC_MINIMIZE);
    } else if (command == "max") {
      if (Engine && Engine->BorderIcons().Contains(sbMaximize) && !Engine->IsRolledUp())
        post(WM_SYSCOMMAND, Engine->IsMaximized() ? SC_RESTORE : SC_MAXIMIZE);
    } else if (command == "help") {
      post(WM_SYSCOMMAND, SC_CONTEXTHELP);
    } else if (command == "rollup") {
      post(SCM_ROLLUP, 0);
    } else if (command == "stayontop") {
      post(SCM_STAYONTOP, 0);
    } else if (command == "sysmenu") {
      post(SCM_SYSMENU, 0);
    } else if (command == "move") {
      post(WM_SYSCOMMAND, SC_MOVE);
    } else if (command == "size") {
      post(WM_SYSCOMMAND, SC_SIZE);
    } else if (command == "action") {
      int n = Number(rest);
      if (Engine && Engine->OnCustomAction) Engine->OnCustomAction(Engine, n);
    }
  } catch (const Exception&) {
    // One box per failing line: the object is not stepped while it is up
    // (and may be gone when it closes).
    const uint64_t serial = Serial;
    InErrorBox = true;
    MessageDlg("Object " + Name + ": error in line \"" + line + "\"", mtError, {mbOK}, 0);
    if (Alive(this, serial)) InErrorBox = false;
  }
}

void TscSkinObject::StartEffect(uint8_t Kind, TqzBmp* AImage, TColor AColor, int64_t Ms,
                                int ADirection) {
  SetTarget(AImage);
  TargetColor = AColor;
  Duration = CapDuration(Ms);
  Time = 0;
  PrevTime = 0;
  EffectRunning = true;
  EffectKind = Kind;
  Direction = static_cast<uint8_t>(ADirection);
}

void TscSkinObject::FadeImage(TqzBmp* AImage, int Ms) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekFadeImage, AImage ? AImage->AddRef() : nullptr, 0, Ms, 0);
}
void TscSkinObject::FadeColor(TColor AColor, int Ms) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekFadeColor, nullptr, ColorToRGB(AColor), Ms, 0);
}
void TscSkinObject::FadeTextColor(TColor AColor, int Ms) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekFadeTextColor, nullptr, ColorToRGB(AColor), Ms, 0);
}
void TscSkinObject::SlideImage(TqzBmp* AImage, int Ms, int ADirection) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekSlideImage, AImage ? AImage->AddRef() : nullptr, 0, Ms, ADirection);
}
void TscSkinObject::SlideColor(TColor AColor, int Ms, int ADirection) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekSlideColor, nullptr, ColorToRGB(AColor), Ms, ADirection);
}
void TscSkinObject::SlideTextColor(TColor AColor, int Ms, int ADirection) {
  if (!Shown || !WaitEffect()) return;
  StartEffect(ekSlideTextColor, nullptr, ColorToRGB(AColor), Ms, ADirection);
}

bool TscSkinObject::WaitEffect() {
  const uint64_t serial = Serial;
  // Bounded: each step advances the effect time by at least 20 ms.
  while (EffectRunning && !Destroying) {
    Step();
    // The step may have run the script's next line, and that may have
    // freed this object.
    if (!Alive(this, serial)) return false;
    if (EffectRunning && !platform::IsManualClock()) Sleep(10);
  }
  return true;
}

void TscSkinObject::ApplyEnd() {
  if (IsImageKind(EffectKind)) {
    if (TargetImage) {
      if (Image) Image->Release();
      Image = TargetImage;
      TargetImage = nullptr;
    }
  } else if (IsColorKind(EffectKind)) {
    Color = TargetColor;
  } else if (IsTextColorKind(EffectKind)) {
    TextColor = TargetColor;
  }
}

void TscSkinObject::Step() {
  if (InErrorBox || Destroying) return;
  if (!Busy && !EffectRunning) return;
  if (EffectRunning) {
    TqzCounter* counter = nullptr;
    StartCounter(counter);
    DrawFrame();
    if (Time >= Duration) EffectRunning = false;
    PrevTime = Time;
    const float seconds = StopCounter(counter);
    Time += static_cast<int64_t>(std::nearbyint(seconds * 1000.0)) + 20;
    if (Time > Duration) Time = Duration;
  }
  if (!EffectRunning) {
    ApplyEnd();
    DrawFrame();
    EffectKind = ekNone;
    if (Queue.Count() >= 2) {
      Duration = 0;
      PrevTime = 0;
      Queue.Delete(0);
      ExecuteLine();
    } else {
      Busy = false;
    }
  }
}

void TscSkinObject::DrawFrame() {
  if (!Wnd || Duration == PrevTime || Width == 0 || Height == 0) return;
  HDC dc = GetWindowDC(Wnd);
  if (!dc) {
    EffectRunning = false;
    return;
  }
  IntersectClipRect(dc, Left, Top, Left + Width, Top + Height);
  TBitmap tmp;
  tmp.SetPixelFormat(pf24bit);
  tmp.SetSize(Width, Height);
  TCanvas* canvas = tmp.Canvas();
  HDC bdc = canvas->Handle();
  auto render = [&]() -> TqzBmp* {
    if (MaskColor != 0) {
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(MaskColor);
      canvas->FillRect(TRect{0, 0, Width, Height});
    }
    POINT old;
    SetWindowOrgEx(bdc, Left, Top, &old);
    Draw(canvas);
    SetWindowOrgEx(bdc, old.x, old.y, nullptr);
    return TqzBmp::CreateFromHandle(tmp.Handle());
  };
  TqzBmp* savedImage = Image;
  const TColor savedColor = Color, savedText = TextColor;
  TqzBmp* a = render();
  if (IsImageKind(EffectKind)) {
    if (TargetImage) Image = TargetImage;
  } else if (IsColorKind(EffectKind)) {
    Color = TargetColor;
  } else if (IsTextColorKind(EffectKind)) {
    TextColor = TargetColor;
  }
  TqzBmp* b = render();
  Image = savedImage;
  Color = savedColor;
  TextColor = savedText;
  TqzBmp* c = TqzBmp::CreateCopy(b);
  const double alpha = Duration > 0 ? static_cast<double>(Time) / static_cast<double>(Duration) : 1;
  if (EffectKind == ekSlideImage || EffectKind == ekSlideColor || EffectKind == ekSlideTextColor)
    c->Slide(a, b, Direction, alpha);
  else if (EffectKind == ekFadeImage || EffectKind == ekFadeColor || EffectKind == ekFadeTextColor)
    c->Fade(a, b, alpha);
  if (MaskColor != 0) {
    TCanvas target;
    target.SetHandle(dc);
    c->DrawTransparent(&target, Left, Top, MaskColor);
    target.SetHandle(nullptr);
  } else {
    c->Draw(dc, Left, Top);
  }
  a->Release();
  b->Release();
  c->Release();
  ReleaseDC(Wnd, dc);
}
