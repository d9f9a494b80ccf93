// The tag editor over song files of the test's drive (a folder with a
// blank in its name), its list read from the program folder's "mp3.csv".
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "classlib/Bitmaps.h"
#include "classlib/Resources.h"
#include "library/dotags.h"
#include "platform/display/display.h"
#include "platform/fs/drives.h"
#include "tests/library/windows/window_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class TagEditorTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    platform::MapDrive('T', dir_.path().string());
    // Song files: some audio-like bytes, the first with a tag.
    dir_.WriteFile("My Songs/a.mp3", std::string(4000, '\x55'));
    dir_.WriteFile("My Songs/b.ogg", "OggS" + std::string(4000, '\x01'));
    Tmp3Tag tag(nullptr);
    tag.SetTitle("Old Title");
    tag.SetArtist("Old Artist");
    tag.SetTrack(3);
    tag.SaveToFile("T:\\My Songs\\a.mp3");
  }
  void TearDown() override {
    delete TagForm;
    TagForm = nullptr;
    platform::UnmapDrive('T');
    ProgramFolderTest::TearDown();
  }
  // The window over a list file holding `rows` (none when empty).
  void MakeForm(const std::string& rows = "a.mp3,\"T:\\My Songs\\\"\r\nb.ogg,\"T:\\My Songs\\\"\r\n") {
    if (!rows.empty()) WriteList("mp3.csv", rows);
    TagForm = new TTagForm(Application);
    TagForm->Show();
    Pump();
  }
  void Choose(const char* caption) {
    for (int i = 0; i < TagForm->MusicList->Items()->Count(); ++i) {
      if (TagForm->MusicList->Items()->Item(i)->Caption() == caption) {
        TagForm->MusicList->SetSelected(TagForm->MusicList->Items()->Item(i));
      }
    }
    TagForm->FillEditors(TagForm->MusicList);
  }
  std::string Song(const char* name) { return ReadFile(dir_ / "My Songs" / name); }

  TempDir dir_;
};

TEST_F(TagEditorTest, FillsTheFieldsFromTheChosenSong) {
  MakeForm();
  EXPECT_EQ(TagForm->MusicList->Hint, "Select a song then click the button of your choice");
  Choose("a.mp3");
  EXPECT_EQ(TagForm->SongPath(), "T:\\My Songs\\a.mp3");
  EXPECT_EQ(TagForm->Edit1->Text(), "Old Title");
  EXPECT_EQ(TagForm->Edit2->Text(), "Old Artist");
  EXPECT_EQ(TagForm->Edit4->Text(), "3");
}

TEST_F(TagEditorTest, SavesEveryFieldWithTheTrackAsANumber) {
  MakeForm();
  Choose("a.mp3");
  const struct {
    TEdit* edit;
    const char* text;
  } fields[] = {{TagForm->Edit1, "New Title"}, {TagForm->Edit2, "New Artist"}, {TagForm->Edit3, "Album"},
                {TagForm->Edit4, "12"},        {TagForm->Edit5, "1999"},       {TagForm->Edit6, "Rock"},
                {TagForm->Edit7, "Fine"}};
  for (const auto& field : fields) field.edit->SetText(field.text);
  TagForm->SaveInfo(TagForm);
  Tmp3Tag tag(nullptr);
  tag.LoadFromFile("T:\\My Songs\\a.mp3");
  EXPECT_EQ(tag.Title(), "New Title");
  EXPECT_EQ(tag.Artist(), "New Artist");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Track(), 12);
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Genre(), "Rock");
  EXPECT_EQ(tag.Comment(), "Fine");
}

TEST_F(TagEditorTest, ABadTrackLeavesTheFileAsItWas) {
  MakeForm();
  Choose("a.mp3");
  const std::string before = Song("a.mp3");
  TagForm->Edit1->SetText("Changed");
  TagForm->Edit4->SetText("seven");
  EXPECT_THROW(TagForm->SaveInfo(TagForm), EConvertError);
  EXPECT_EQ(Song("a.mp3"), before);
  EXPECT_EQ(TagForm->mp3Tag1->Title(), "Changed");  // assigned before the track
}

TEST_F(TagEditorTest, AnOggFileIsRefused) {
  MakeForm();
  Choose("b.ogg");
  const std::string before = Song("b.ogg");
  TagForm->Edit1->SetText("Title");
  boxes.clear();
  TagForm->SaveInfo(TagForm);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(Song("b.ogg"), before);
}

TEST_F(TagEditorTest, EscInAFieldOrTheListCloses) {
  for (int target = 0; target < 2; ++target) {
    MakeForm();
    TAdvListView main_list(nullptr);
    main_list.SetVisible(false);
    TagForm->MainMusicList = &main_list;
    if (target == 0) {
      TagForm->Edit3->SetFocus();
    } else {
      TagForm->MusicList->SetFocus();
    }
    Pump();
    Press(VK_ESCAPE);
    EXPECT_FALSE(TagForm->Visible()) << target;
    EXPECT_TRUE(main_list.Visible());
    TagForm->MainMusicList = nullptr;
    delete TagForm;
    TagForm = nullptr;
  }
}

// Every file of the music folder with a checksum of its bytes.
std::map<std::string, std::size_t> Checksums(const std::filesystem::path& folder) {
  std::map<std::string, std::size_t> sums;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) sums[entry.path().string()] = std::hash<std::string>{}(ReadFile(entry.path()));
  }
  return sums;
}

// A song deleted outside the program after the list was read: a click on
// its row (after another song's) says the file cannot be opened and empties
// the fields; Save then writes into no file at all.
TEST_F(TagEditorTest, ARowWhoseSongIsGoneShowsTheErrorAndSaveWritesNothing) {
  for (const char* name : {"01 First Song.mp3", "02 Second Song.mp3", "03 Third Song.mp3"}) {
    dir_.WriteFile(std::string("My Songs/") + name, std::string(3000, '\x33'));
    Tmp3Tag tag(nullptr);
    tag.SetTitle(std::string(name).substr(3, std::string(name).size() - 7));
    tag.SaveToFile(std::string("T:\\My Songs\\") + name);
  }
  MakeForm(
      "\"01 First Song.mp3\",\"T:\\My Songs\\\"\r\n\"02 Second Song.mp3\",\"T:\\My Songs\\\"\r\n"
      "\"03 Third Song.mp3\",\"T:\\My Songs\\\"\r\n");
  ASSERT_EQ(TagForm->MusicList->Items()->Count(), 3);
  std::filesystem::remove(dir_ / "My Songs" / "03 Third Song.mp3");
  const auto before = Checksums(dir_.path());
  auto click_row = [&](int row) {
    const TRect r = TagForm->MusicList->Items()->Item(row)->DisplayRect(drBounds);
    Click(TagForm->MusicList, r.left + 20, (r.top + r.bottom) / 2);
  };
  click_row(1);
  ASSERT_EQ(TagForm->Edit1->Text(), "Second Song");
  boxes.clear();
  click_row(2);
  ASSERT_EQ(boxes.size(), 1u) << "no message for the missing song";
  EXPECT_NE(boxes[0].text.find("03 Third Song.mp3"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(TagForm->SongPath(), "T:\\My Songs\\03 Third Song.mp3");
  for (TEdit* edit : {TagForm->Edit1, TagForm->Edit2, TagForm->Edit3, TagForm->Edit4, TagForm->Edit5,
                      TagForm->Edit6, TagForm->Edit7}) {
    EXPECT_EQ(edit->Text(), "") << edit->Name();
  }
  TagForm->Edit1->SetText("Typed Title");
  TagForm->Edit4->SetText("1");
  boxes.clear();
  Click(TagForm->SpeedButton2, 10, 10);
  EXPECT_EQ(boxes.size(), 1u) << "no message for the save";
  EXPECT_EQ(Checksums(dir_.path()), before);
}

// Quote marks are part of the names: the song is read, written and
// played under its own name.
TEST_F(TagEditorTest, QuoteMarksInTheNamesStay) {
  dir_.WriteFile("The \"Best\"/b \"quoted\".mp3", std::string(3000, '\x44'));
  {
    Tmp3Tag tag(nullptr);
    tag.SetTitle("Quoted");
    tag.SaveToFile("T:\\The \"Best\"\\b \"quoted\".mp3");
  }
  MakeForm("\"b \"\"quoted\"\".mp3\",\"T:\\The \"\"Best\"\"\\\"\r\n");
  Choose("b \"quoted\".mp3");
  EXPECT_EQ(TagForm->SongPath(), "T:\\The \"Best\"\\b \"quoted\".mp3");
  EXPECT_EQ(TagForm->Edit1->Text(), "Quoted");
  TagForm->Edit1->SetText("Saved");
  TagForm->Edit4->SetText("2");
  TagForm->SaveInfo(TagForm);
  Tmp3Tag tag(nullptr);
  tag.LoadFromFile("T:\\The \"Best\"\\b \"quoted\".mp3");
  EXPECT_EQ(tag.Title(), "Saved");
}

TEST_F(TagEditorTest, PlayWithoutAPlayerSaysSo) {
  MakeForm();
  TagForm->MusicList->SetSelected(TagForm->MusicList->Items()->Item(0));
  boxes.clear();
  TagForm->AutoPlay(TagForm);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "AutoPlay - Cannot open file (Velko is not ready)");
}

TEST_F(TagEditorTest, MissingListKeepsTheDefinitionsHint) {
  MakeForm("");
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(TagForm->MusicList->Items()->Count(), 0);
  EXPECT_EQ(TagForm->MusicList->Hint, "Select a song then the button of your choice");
  TagForm->FillEditors(TagForm);  // no row: nothing
  EXPECT_EQ(TagForm->SongPath(), "");
}

// The picture covers the whole window, down to its bottom edge: the
// window's own (a resource of any size) from the first start, and the
// chosen background picture (smaller than the window) from the second.
TEST_F(TagEditorTest, ThePictureReachesTheWindowsEdges) {
  auto solid = [](int width, int height, TColor color) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    bitmap->Canvas()->Brush()->SetColor(color);
    bitmap->Canvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
  };
  TMemoryStream own;
  solid(120, 75, clFuchsia)->SaveToStream(&own);
  const auto* bytes = static_cast<const std::uint8_t*>(own.Memory());
  RegisterResource("TAGFORM_IMAGE1", ResourceType::Bitmap, std::vector<std::uint8_t>(bytes, bytes + own.Size()));
  MakeForm();
  UnregisterResource("TAGFORM_IMAGE1", ResourceType::Bitmap);
  // Pixels of the bottom band and the right edge, below and beside the
  // controls, that are not the colour.
  auto uncovered = [](TColor color) {
    auto screen = platform::ComposeScreen();
    const COLORREF want = static_cast<COLORREF>(ColorToRGB(color));
    const int w = TagForm->ClientWidth(), h = TagForm->ClientHeight();
    int wrong = 0;
    for (int y = h - 6; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const TPoint p = TagForm->ClientToScreen(TPoint{x, y});
        wrong += screen->Pixel(p.x, p.y) != want;
      }
    }
    for (int y = 260; y < h; ++y) {
      const TPoint p = TagForm->ClientToScreen(TPoint{w - 2, y});
      wrong += screen->Pixel(p.x, p.y) != want;
    }
    return wrong;
  };
  EXPECT_EQ(uncovered(clFuchsia), 0) << "the window's own picture";
  // A background picture at its own size, 474 x 273, as the main window
  // gives it on a second start.
  TagForm->Image1->Picture()->Assign(solid(474, 273, clLime).get());
  Pump();
  EXPECT_EQ(uncovered(clLime), 0) << "the chosen picture";
}

}  // namespace
}  // namespace velko_test
