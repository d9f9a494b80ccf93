#include "skins/SkinTypes.h"

#include "classlib/Bitmaps.h"
#include "classlib/StringRoutines.h"
#include "classlib/WinControl.h"
#include "platform/user/user.h"

void NextToken(String& Value, String& Token) {
  auto separator = [](char c) { return c == '(' || c == ')' || c == ',' || c == ';'; };
  Token.clear();
  size_t i = 0;
  for (; i < Value.size(); ++i) {
    char c = Value[i];
    if (c == ' ' || separator(c)) {
      ++i;
      // A token that ends at a blank also takes the separator after the
      // blanks with it: "20 ,30" gives 20, then 30.
      if (c == ' ') {
        while (i < Value.size() && Value[i] == ' ') ++i;
        if (i < Value.size() && separator(Value[i])) ++i;
      }
      break;
    }
    Token += c;
  }
  Value.erase(0, i);
  Token = Trim(Token);
  Value = Trim(Value);
}

void DrawParentBackground(TControl* Control, TCanvas* Canvas) {
  TWinControl* parent = Control->Parent();
  if (!parent || !parent->HandleAllocated()) return;
  RECT pr;
  GetClientRect(parent->Handle(), &pr);
  if (pr.right <= 0 || pr.bottom <= 0) return;
  TBitmap b;
  b.SetSize(pr.right, pr.bottom);
  HDC dc = b.Canvas()->Handle();
  SendMessage(parent->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  parent->PaintControls(dc, nullptr);
  Canvas->Draw(-Control->Left(), -Control->Top(), &b);
}

void DrawParentBackground(TControl* Control, HDC DC) {
  const int saved = SaveDC(DC);
  TCanvas canvas;
  canvas.SetHandle(DC);
  DrawParentBackground(Control, &canvas);
  canvas.SetHandle(nullptr);
  RestoreDC(DC, saved);
}
