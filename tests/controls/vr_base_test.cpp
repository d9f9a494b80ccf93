// The Vr base layer: frames, gradients, the bevel, change links and the
// bitmap list with its stream form.
#include <gtest/gtest.h>

#include <cstring>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "controls/VrClasses.h"
#include "controls/VrFunctions.h"
#include "controls/VrSystem.h"
#include "platform/fs/drives.h"
#include "tests/controls/controls_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

using velko_test::Rgb;

std::unique_ptr<TBitmap> Canvas(int w, int h, TColor fill = clWhite) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(fill);
  b->Canvas()->FillRect(Rect(0, 0, w, h));
  return b;
}

TEST(VrRoutines, RoundingAndColours) {
  EXPECT_EQ(ClampByte(2.5), 2);
  EXPECT_EQ(ClampByte(3.5), 4);
  EXPECT_EQ(ClampByte(-7), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(MakeColor(1.5, 2.5, 254.5), 0xFE0202);
  EXPECT_EQ(ResolveColor(clRed), clRed);
  EXPECT_EQ(ResolveColor(clBtnFace), ColorToRGB(clBtnFace));
  EXPECT_EQ(RectWidth(Rect(3, 4, 10, 20)), 7);
  EXPECT_EQ(RectHeight(Rect(3, 4, 10, 20)), 16);
}

TEST(VrRoutines, FrameCornerPixels) {
  for (bool top_corner : {false, true}) {
    auto b = Canvas(10, 8);
    TRect r = Rect(0, 0, 10, 8);
    if (top_corner) {
      DrawFrame3DTopCorner(b->Canvas(), r, clRed, clBlue, 2);
    } else {
      DrawFrame3D(b->Canvas(), r, clRed, clBlue, 2);
    }
    EXPECT_EQ(r, Rect(2, 2, 8, 6));
    TCanvas* c = b->Canvas();
    EXPECT_EQ(c->Pixels(0, 0), clRed);
    EXPECT_EQ(c->Pixels(9, 0), clBlue);  // top-right belongs to the bottom colour
    EXPECT_EQ(c->Pixels(9, 7), clBlue);
    EXPECT_EQ(c->Pixels(0, 7), top_corner ? clRed : clBlue);
    EXPECT_EQ(c->Pixels(1, 6), top_corner ? clRed : clBlue);
    EXPECT_EQ(c->Pixels(1, 1), clRed);
    EXPECT_EQ(c->Pixels(2, 2), clWhite);
  }
}

TEST(VrRoutines, GradientBands) {
  // One band for a 1-pixel-high rectangle with band size 2.
  auto b = Canvas(4, 3);
  DrawGradient(b->Canvas(), Rect(0, 0, 4, 1), clBlack, clWhite, 0, 2);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), clBlack);
  EXPECT_EQ(b->Canvas()->Pixels(0, 1), clBlack);  // the band reaches past the rectangle
  EXPECT_EQ(b->Canvas()->Pixels(0, 2), clWhite);

  // Ten rows in bands of 2: 0, 51, 102, 153, 204 per channel (red only).
  auto g = Canvas(3, 12);
  DrawGradient(g->Canvas(), Rect(0, 0, 3, 10), clBlack, clRed, 0, 2);
  const int expected[] = {0, 51, 102, 153, 204, 255};
  for (int band = 0; band < 6; ++band) EXPECT_EQ(g->Canvas()->Pixels(1, band * 2), expected[band]) << band;

  // Across: bands of 3 columns on a 6-wide rectangle.
  auto a = Canvas(9, 2);
  DrawGradient(a->Canvas(), Rect(0, 0, 6, 2), clBlack, clRed, 1, 3);
  EXPECT_EQ(a->Canvas()->Pixels(0, 0), 0);
  EXPECT_EQ(a->Canvas()->Pixels(3, 1), 128);  // 127.5 rounds to even
  EXPECT_EQ(a->Canvas()->Pixels(6, 1), 255);
}

TEST(VrBevel, PaintsRingsFromTheOutsideOrNothingWhenHidden) {
  TVrBevel bevel;
  bevel.SetInnerSpace(1);
  bevel.SetInnerColor(clLime);
  bevel.SetBorderWidth(1);
  bevel.SetBorderColor(clYellow);
  auto b = Canvas(20, 20);
  TRect r = Rect(0, 0, 20, 20);
  bevel.Paint(b->Canvas(), r);
  EXPECT_EQ(r, Rect(5, 5, 15, 15));
  TCanvas* c = b->Canvas();
  EXPECT_EQ(c->Pixels(0, 10), clYellow);                  // border
  EXPECT_EQ(c->Pixels(1, 10), clBlack);                   // outer outline
  EXPECT_EQ(c->Pixels(2, 10), Rgb(clBtnHighlight));       // raised outer: light left
  EXPECT_EQ(c->Pixels(17, 10), Rgb(clBtnShadow));         // and dark right
  EXPECT_EQ(c->Pixels(3, 10), Rgb(clBtnShadow));          // lowered inner: dark left
  EXPECT_EQ(c->Pixels(16, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(c->Pixels(4, 10), clLime);                    // inner space
  EXPECT_EQ(c->Pixels(5, 10), clWhite);
  // As the forms have it: the default rings without inner space.
  TVrBevel forms;
  forms.SetInnerSpace(0);
  r = Rect(0, 0, 180, 20);
  forms.GetVisibleArea(r);
  EXPECT_EQ(r, Rect(3, 3, 177, 17));

  forms.SetVisible(false);
  forms.SetBorderWidth(9);
  r = Rect(0, 0, 10, 10);
  forms.GetVisibleArea(r);
  EXPECT_EQ(r, Rect(0, 0, 10, 10));
  b = Canvas(10, 10);
  forms.Paint(b->Canvas(), r);
  EXPECT_EQ(r, Rect(0, 0, 10, 10));
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), clWhite);
}

TEST(VrBevel, WritersAndAssignNotify) {
  TVrBevel a, b;
  int changes = 0;
  a.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &a);
    ++changes;
  };
  a.SetOuterSpace(0);  // the same value
  EXPECT_EQ(changes, 0);
  a.SetOuterSpace(2);
  EXPECT_EQ(changes, 1);
  b.SetInnerWidth(3);
  b.SetOuterColor(clRed);
  b.SetVisible(false);
  a.Assign(&b);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(a.InnerWidth(), 3);
  EXPECT_EQ(a.OuterColor(), clRed);
  EXPECT_FALSE(a.Visible());
  EXPECT_EQ(a.OuterSpace(), 0);
}

TEST(VrPersistent, UpdateRulesAndChangeLinks) {
  TVrPersistent p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.EndUpdate();  // without BeginUpdate: still Changed
  EXPECT_EQ(changes, 1);
  p.BeginUpdate();
  p.BeginUpdate();
  p.Changed();
  p.EndUpdate();
  EXPECT_EQ(changes, 1);
  p.EndUpdate();
  EXPECT_EQ(changes, 2);

  TVrBitmaps bitmaps;
  int list_changes = 0;
  bitmaps.OnChange = [&](TObject*) { ++list_changes; };
  bitmaps.Clear();
  EXPECT_EQ(list_changes, 2);
  // Change links hear in order, before the list's own event, and outlive it.
  auto* list = new TVrBitmapList(nullptr);
  std::vector<int> heard;
  TVrChangeLink first, second;
  first.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, list);
    heard.push_back(1);
  };
  second.OnChange = [&](TObject*) { heard.push_back(2); };
  list->InsertLink(&first);
  list->InsertLink(&second);
  int own = 0;
  list->OnChange = [&](TObject*) {
    EXPECT_EQ(heard.size(), 2u);  // links before the list's own event
    ++own;
  };
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetSize(2, 2);
  list->Bitmaps()->Add(bmp.get());
  EXPECT_EQ(heard, (std::vector<int>{1, 2}));
  EXPECT_EQ(own, 1);
  EXPECT_NE(list->GetBitmap(0), nullptr);
  EXPECT_EQ(list->GetBitmap(1), nullptr);
  EXPECT_EQ(list->GetBitmap(-1), nullptr);
  {
    TVrChangeLink third;
    list->InsertLink(&third);
    EXPECT_EQ(list->LinkCount(), 3);
  }
  EXPECT_EQ(list->LinkCount(), 2);
  delete list;
  EXPECT_EQ(first.Sender(), nullptr);
  EXPECT_EQ(second.Sender(), nullptr);
}

std::unique_ptr<TBitmap> Picture(TPixelFormat format, int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b->Canvas()->SetPixels(x, y, (x + y) % 2 ? clRed : clNavy);
  }
  return b;
}

TEST(VrBitmapsStream, RoundTripOfSeveralDepths) {
  TVrBitmaps list;
  auto p4 = Picture(pf4bit, 5, 3);
  auto p8 = Picture(pf8bit, 7, 2);
  auto p24 = Picture(pf24bit, 3, 4);
  list.Add(p4.get());
  list.Add(p8.get());
  list.Add(p24.get());
  TMemoryStream stream;
  list.SaveToStream(&stream);
  const auto* bytes = static_cast<const std::uint8_t*>(stream.Memory());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 8), (std::vector<std::uint8_t>{0x62, 0x54, 0x35, 0, 3, 0, 0, 0}));
  EXPECT_EQ(bytes[8], 'B');

  TVrBitmaps loaded;
  auto keep = Picture(pf24bit, 1, 1);
  loaded.Add(keep.get());  // reading appends
  stream.SetPosition(0);
  loaded.LoadFromStream(&stream);
  ASSERT_EQ(loaded.Count(), 4);
  const TBitmap* originals[] = {p4.get(), p8.get(), p24.get()};
  for (int i = 0; i < 3; ++i) {
    TBitmap* got = loaded.Bitmaps(i + 1);
    EXPECT_EQ(got->Width(), originals[i]->Width());
    EXPECT_EQ(got->Height(), originals[i]->Height());
    EXPECT_EQ(got->PixelFormat(), originals[i]->PixelFormat());
    EXPECT_EQ(got->Canvas()->Pixels(0, 0), clNavy);
    EXPECT_EQ(got->Canvas()->Pixels(1, 0), clRed);
  }
  EXPECT_EQ(stream.Position(), stream.Size());
}

struct BadStream {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> spoil;
};

TEST(VrBitmapsStream, BadStreamsRaiseAndAddNothing) {
  TVrBitmaps good;
  auto p = Picture(pf24bit, 4, 4);
  good.Add(p.get());
  good.Add(p.get());
  TMemoryStream stream;
  good.SaveToStream(&stream);
  const auto* data = static_cast<const std::uint8_t*>(stream.Memory());
  const std::vector<std::uint8_t> whole(data, data + stream.Size());
  auto put32 = [](std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t value) {
    std::memcpy(v.data() + at, &value, 4);
  };
  const BadStream cases[] = {
      {"wrong signature", [](auto& v) { v[0] = 0x63; }},
      {"cut in the second image", [](auto& v) { v.resize(v.size() - 10); }},
      {"cut in the header", [](auto& v) { v.resize(6); }},
      {"negative count", [&](auto& v) { put32(v, 4, 0xFFFFFFFF); }},
      {"huge count", [&](auto& v) { put32(v, 4, 0x7FFFFFFF); }},
      {"count beyond the images", [&](auto& v) { put32(v, 4, 3); }},
      {"file size beyond the bytes", [&](auto& v) { put32(v, 8 + 2, 0x7FFFFFF0); }},
      {"huge picture", [&](auto& v) {
         put32(v, 8 + 18, 100000);
         put32(v, 8 + 22, 100000);
       }},
      {"not a bitmap", [](auto& v) { v[8] = 'X'; }},
  };
  for (const BadStream& c : cases) {
    std::vector<std::uint8_t> bytes = whole;
    c.spoil(bytes);
    TMemoryStream bad;
    bad.Write(bytes.data(), static_cast<int>(bytes.size()));
    bad.SetPosition(0);
    TVrBitmaps list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    try {
      list.LoadFromStream(&bad);
      ADD_FAILURE() << c.name << ": no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, "Invalid file format") << c.name;
    }
    EXPECT_EQ(list.Count(), 0) << c.name;
    EXPECT_EQ(changes, 0) << c.name;
  }

  // Count 0 with the right signature: nothing, and no error.
  TMemoryStream empty;
  const std::uint8_t zero[] = {0x62, 0x54, 0x35, 0, 0, 0, 0, 0};
  empty.Write(zero, 8);
  empty.SetPosition(0);
  TVrBitmaps list;
  EXPECT_NO_THROW(list.LoadFromStream(&empty));
  EXPECT_EQ(list.Count(), 0);
}

TEST(VrBitmapsFile, RoundTripFailedLoadAndSaveOnAFullDisk) {
  velko_test::TempDir dir;
  platform::ResetDriveTable();
  platform::MapDrive('T', dir.path().string(), DRIVE_FIXED, "TESTDRIVE");
  TVrBitmaps list;
  auto p = Picture(pf8bit, 6, 6);
  list.Add(p.get());
  list.SaveToFile("T:\\list.vrb");
  TVrBitmaps loaded;
  int changes = 0;
  loaded.OnChange = [&](TObject*) { ++changes; };
  loaded.LoadFromFile("T:\\list.vrb");
  EXPECT_EQ(loaded.Count(), 1);
  EXPECT_EQ(changes, 1);  // one notification for the whole file
  dir.WriteFile("bad.vrb", "nonsense");
  EXPECT_THROW(loaded.LoadFromFile("T:\\bad.vrb"), Exception);
  EXPECT_EQ(loaded.UpdateCount(), 0);
  EXPECT_EQ(loaded.Count(), 1);
  // A save that runs out of disk keeps the old file.
  const std::string old = velko_test::ReadFile(dir / "list.vrb");
  auto big = Picture(pf24bit, 16, 16);
  list.Add(big.get());
  {
    velko_test::FileSizeLimit limit(old.size() + 8);
    EXPECT_THROW(list.SaveToFile("T:\\list.vrb"), EFCreateError);
  }
  EXPECT_EQ(velko_test::ReadFile(dir / "list.vrb"), old);
  list.SaveToFile("T:\\list.vrb");
  TVrBitmaps again;
  again.LoadFromFile("T:\\list.vrb");
  EXPECT_EQ(again.Count(), 2);
  platform::ResetDriveTable();
}

}  // namespace
