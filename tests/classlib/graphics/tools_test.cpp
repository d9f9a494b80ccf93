// Fonts, pens and brushes: their settings, the platform objects made from
// them and the change notifications.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"

namespace {

TEST(Font, TheSizeHeightRule) {
  TFont f;
  EXPECT_EQ(f.Height(), -11);  // 8 points
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetHeight(-11);
  EXPECT_EQ(f.Size(), 8);
  f.SetHeight(16);  // a cell height reads as a negative size
  EXPECT_EQ(f.Size(), -12);
}

TEST(Font, HandleCarriesTheSettings) {
  TFont f;
  f.SetName("Arial");
  f.SetHeight(-20);
  f.SetStyle({fsBold, fsUnderline});
  f.SetPitch(fpFixed);
  f.SetCharset(SYMBOL_CHARSET);
  LOGFONT lf;
  ASSERT_EQ(GetObject(f.Handle(), sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -20);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 0);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 0);
  EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_EQ(lf.lfCharSet, SYMBOL_CHARSET);
  EXPECT_EQ(f.Charset(), SYMBOL_CHARSET);
}

TEST(Font, ChangesRenewTheHandleAndTellTheListener) {
  TFont f;
  int changes = 0;
  f.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &f);
    ++changes;
  };
  HFONT first = f.Handle();
  f.SetColor(clRed);  // not part of the platform font
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.Handle(), first);
  f.SetSize(8);  // unchanged
  f.SetName("");  // ignored
  f.SetStyle({});
  EXPECT_EQ(changes, 1);
  f.SetStyle({fsItalic});
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(GetObjectType(first), 0u);  // deleted
  EXPECT_NE(f.Handle(), first);
}

TEST(Font, TakesOverAPlatformFont) {
  TFont f;
  HFONT rotated = CreateFont(-14, 0, 900, 900, FW_BOLD, TRUE, FALSE, TRUE, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH,
                             "Times New Roman");
  f.SetHandle(rotated);
  EXPECT_EQ(f.Handle(), rotated);  // kept, with its escapement
  EXPECT_EQ(f.Name(), "Times New Roman");
  EXPECT_EQ(f.Height(), -14);
  EXPECT_TRUE(f.Style().Contains(fsBold));
  EXPECT_TRUE(f.Style().Contains(fsItalic));
  EXPECT_TRUE(f.Style().Contains(fsStrikeOut));
  EXPECT_EQ(f.Pitch(), fpVariable);
  f.SetSize(20);  // a setting changes: a new font from the settings
  EXPECT_EQ(GetObjectType(rotated), 0u);
  LOGFONT lf;
  GetObject(f.Handle(), sizeof lf, &lf);
  EXPECT_EQ(lf.lfEscapement, 0);
}

TEST(Font, AssignCopiesEverythingWithOneChange) {
  TFont a, b;
  a.SetName("Courier New");
  a.SetSize(14);
  a.SetColor(clBlue);
  a.SetStyle({fsStrikeOut});
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.Name(), "Courier New");
  EXPECT_EQ(b.Size(), 14);
  EXPECT_EQ(b.Color(), clBlue);
  EXPECT_EQ(b.Style(), TFontStyles{fsStrikeOut});
  TPen pen;
  EXPECT_THROW(b.Assign(&pen), EConvertError);
}

TEST(PenAndBrush, HandlesCarryTheSettingsAndAssignCopiesThem) {
  TPen p;
  p.SetColor(clBtnShadow);  // a system colour, resolved
  p.SetStyle(psClear);
  LOGPEN lp;
  ASSERT_GT(GetObject(p.Handle(), sizeof lp, &lp), 0);
  EXPECT_EQ(lp.lopnStyle, PS_NULL);
  EXPECT_EQ(lp.lopnColor, RGB(128, 128, 128));
  TPen q;
  q.Assign(&p);
  EXPECT_EQ(q.Style(), psClear);
  EXPECT_EQ(q.Color(), clBtnShadow);
  TBrush b;
  b.SetStyle(bsClear);
  LOGBRUSH lb;
  GetObject(b.Handle(), sizeof lb, &lb);
  EXPECT_EQ(lb.lbStyle, BS_HOLLOW);
  b.SetColor(clRed);  // a colour makes a clear brush solid
  EXPECT_EQ(b.Style(), bsSolid);
  b.SetStyle(bsBDiagonal);
  GetObject(b.Handle(), sizeof lb, &lb);
  EXPECT_EQ(lb.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb.lbColor, RGB(255, 0, 0));
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.SetColor(clRed);
  EXPECT_EQ(changes, 0);
  TBrush c;
  c.Assign(&b);
  EXPECT_EQ(c.Style(), bsBDiagonal);
}

}  // namespace
