// The file-sharing window and its options dialog without a peer: layout,
// the settings file, sharing a folder, the enabling rules, the host rows,
// the query monitor, the result tabs, the statistics graph and the
// incoming-files commands.
#include <filesystem>

#include "classlib/AtomicFile.h"
#include "classlib/Exceptions.h"
#include "classlib/PathRoutines.h"
#include "classlib/FileRoutines.h"
#include "platform/user/input.h"
#include "platform/user/screen.h"
#include "platform/dlg/file_dialog.h"
#include "platform/user/virtual_keys.h"
#include "tests/network_ui/nuts_fixture.h"
#include "tests/support/message_pump.h"

namespace velko_test {
namespace {

namespace fs = std::filesystem;

GUID Id(int n) {
  GUID id{};
  reinterpret_cast<unsigned char*>(&id)[0] = static_cast<unsigned char>(n);
  reinterpret_cast<unsigned char*>(&id)[15] = 0xA5;
  return id;
}

std::vector<std::string> Row(TListItem* item) {
  std::vector<std::string> texts{item->Caption()};
  for (int i = 0; i < item->SubItems()->Count(); ++i) texts.push_back(item->SubItems()->Strings(i));
  return texts;
}

// What the window's servent tells peers before any settings file: its user
// agent (in every handshake and every transfer's request), its maximum of
// links and its line speed.
TEST_F(NutsTest, TheServentsOwnAgentLinksAndSpeed) {
  MakeWindow();
  EXPECT_EQ(form_->Gnutella1->UserAgent(), "Velko 5.3");
  TGnutellaDownloadFile download(nullptr);
  EXPECT_EQ(download.LocalUserAgent, "Velko 5.3");
  EXPECT_EQ(form_->Gnutella1->MaxConnections(), 2);
  EXPECT_EQ(form_->Gnutella1->LineSpeed, 10000);
}

// The placed values read back from the live controls of the shown window.
TEST_F(NutsTest, PlacedSizesAndThePlayerBar) {
  WriteSettings();
  MakeWindow();
  form_->Show();
  TListView* results = form_->AddSearchTab("song");
  for (int i = 0; i < form_->Transfer->PageCount(); ++i) {
    form_->Transfer->SetActivePageIndex(i);
    PumpWaitingMessages();
  }
  struct Placed {
    const char* what;
    TControl* control;
    int width, height;
  };
  const Placed placed[] = {{"player bar", form_->Navigator, 180, 20},
                           {"traffic graph", form_->Image1, 739, 161},
                           {"result list", results, 750, 386}};
  for (const Placed& p : placed) {
    EXPECT_EQ(p.control->Width(), p.width) << p.what;
    EXPECT_EQ(p.control->Height(), p.height) << p.what;
  }
  EXPECT_EQ(form_->ClientWidth(), 763);
  EXPECT_EQ(form_->ClientHeight(), 488);
  // A result list fills its page: no strip of the page beside or below it.
  EXPECT_EQ(results->BoundsRect(), results->Parent()->ClientRect());

  // Play, pause, stop, previous and next, all enabled, in 34 x 14 cells
  // inside the bar's 3-pixel bevel, whose outer outline is black.
  const TVrButtonSet five{btPlay, btPause, btStop, btPrev, btNext};
  EXPECT_EQ(form_->Navigator->VisibleButtons(), five);
  EXPECT_EQ(form_->Navigator->EnabledButtons(), five);
  EXPECT_EQ(form_->Navigator->ButtonRect(btPlay), Rect(3, 3, 37, 17));
  EXPECT_EQ(form_->Navigator->ButtonRect(btNext), Rect(143, 3, 177, 17));
  auto screen = platform::ComposeScreen();
  const TPoint bar = form_->Navigator->ClientToScreen(Point(0, 0));
  EXPECT_EQ(screen->Pixel(bar.x + 90, bar.y), RGB(0, 0, 0));
  EXPECT_EQ(screen->Pixel(bar.x + 179, bar.y + 10), RGB(0, 0, 0));

  // Every control that shows lies inside its parent's client area.
  for (int i = 0; i < form_->ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(form_->Components(i));
    if (control == nullptr || !control->Visible() || control->Parent() == nullptr) continue;
    const TRect area = control->Parent()->ClientRect();
    const TRect r = control->BoundsRect();
    EXPECT_TRUE(r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom)
        << control->Name() << " " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " outside "
        << area.right << "x" << area.bottom;
  }
}

TEST_F(NutsTest, FirstShowWithoutSettingsAsksAndCancelWritesNothing) {
  MakeWindow();
  int shown = 0;
  Form2->OnActivate = [&](TObject*) {
    if (shown++ == 0) QueueClick(Form2->CancelButton);
  };
  form_->Show();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(fs::exists(IniPath()));
  EXPECT_EQ(Form2->ConnectionTypeNumber(), 7);
  // A second show loads nothing and asks nothing.
  form_->Hide();
  form_->Show();
  EXPECT_EQ(shown, 1);
}

TEST_F(NutsTest, OkWritesTheDefaultsExactlyOnce) {
  MakeWindow();
  int shown = 0;
  Form2->OnActivate = [&](TObject*) {
    if (shown++ == 0) QueueClick(Form2->OKButton);
  };
  int replaced = 0;
  classlib::testing::SetBeforeReplaceHook([&](const String&) { ++replaced; });
  form_->Show();
  classlib::testing::SetBeforeReplaceHook(nullptr);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(ReadFile(IniPath()), ReadFile(fs::path(VELKO_NUTS_GOLDEN_DIR) / "VelkoNet.defaults.ini"));
}

TEST_F(NutsTest, CrashDuringSaveKeepsTheOldFile) {
  MakeWindow();
  WriteSettings();
  const std::string before = ReadFile(IniPath());
  classlib::testing::SetBeforeReplaceHook([](const String&) { throw std::runtime_error("crash"); });
  EXPECT_THROW(form_->SaveSettings(), std::runtime_error);
  classlib::testing::SetBeforeReplaceHook(nullptr);
  EXPECT_EQ(ReadFile(IniPath()), before);
}

TEST_F(NutsTest, SettingsRoundTripAndTypeLimits) {
  MakeWindow();
  Form2->PortEdit->SetText("7001");
  Form2->SetConnectionTypeNumber(9);
  Form2->SearchesBox->SetChecked(true);
  Form2->MaxSpin->SetValue(5);
  form_->SaveSettings();
  const std::string text = ReadFile(IniPath());
  EXPECT_NE(text.find("Listenport=7001\r\n"), std::string::npos);
  Form2->PortEdit->SetText("1");
  Form2->SetConnectionTypeNumber(2);
  ASSERT_TRUE(form_->LoadSettings());
  EXPECT_EQ(Form2->PortEdit->Text(), "7001");
  EXPECT_EQ(form_->Gnutella1->ListenPort(), 7001);
  EXPECT_EQ(Form2->ConnectionTypeNumber(), 9);
  EXPECT_EQ(form_->Gnutella1->ConnectionType(), ctT1);
  EXPECT_EQ(form_->Gnutella1->MaxConnections(), 5);
  EXPECT_TRUE(form_->ListBox1->Visible());

  for (int bad : {0, 11}) {
    program_.WriteFile("VelkoNet.ini", "[Connection]\r\nType=" + std::to_string(bad) + "\r\n");
    ASSERT_TRUE(form_->LoadSettings());
    EXPECT_EQ(Form2->ConnectionTypeNumber(), 9) << bad;
    EXPECT_EQ(form_->Gnutella1->ConnectionType(), ctT1) << bad;
  }
  // Type is applied before [Tune]: a file with only the tune keys still
  // sets the type's default.
  program_.WriteFile("VelkoNet.ini", "[Tune]\r\nMaxClients=3\r\n[Connection]\r\nType=1\r\n");
  ASSERT_TRUE(form_->LoadSettings());
  EXPECT_EQ(form_->Gnutella1->ConnectionType(), ct14Modem);
  EXPECT_EQ(form_->Gnutella1->MaxConnections(), 3);

  // A port text beyond 16 bits is no port, like any other bad number: the
  // file's bad value (an earlier copy's, or edited by hand) gives the default.
  for (const char* bad : {"[Connection]\r\nListenPort=abc\r\n", "[Connection]\r\nListenPort=70000\r\n",
                          "[Connection]\r\nListenPort=-1\r\n", "[Socks]\r\nPort=65536\r\n"}) {
    Form2->PortEdit->SetText("7001");
    Form2->SocksPortEdit->SetText("1081");
    program_.WriteFile("VelkoNet.ini", bad);
    ASSERT_TRUE(form_->LoadSettings()) << bad;
    EXPECT_EQ(Form2->PortEdit->Text(), "6346") << bad;
    EXPECT_EQ(form_->Gnutella1->ListenPort(), 6346) << bad;
    EXPECT_EQ(Form2->SocksPortEdit->Text(), "1080") << bad;
    EXPECT_EQ(form_->Gnutella1->SocksPort(), 1080) << bad;
  }
}

TEST_F(NutsTest, APortTheDialogRefusesIsNeverWritten) {
  WriteSettings();
  MakeWindow();
  form_->Show();
  for (const char* edit : {"listen", "socks"}) {
    SCOPED_TRACE(edit);
    const std::string before = ReadFile(IniPath());
    Form2->OnActivate = [&](TObject*) {
      Form2->OnActivate = nullptr;
      (std::string(edit) == "listen" ? Form2->PortEdit : Form2->SocksPortEdit)->SetText("70000");
      QueueClick(Form2->OKButton);
    };
    try {
      form_->Options1Click(nullptr);
      ADD_FAILURE() << "the port was taken";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, "'70000' is not a valid port number");
    }
    EXPECT_EQ(ReadFile(IniPath()), before);
    // Quitting saves what the dialog holds, all but the refused port.
    form_->SaveSettings();
    const std::string saved = ReadFile(IniPath());
    EXPECT_EQ(saved.find("70000"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Listenport=0\r\n"), std::string::npos) << saved;
    Form2->PortEdit->SetText("0");
    Form2->SocksPortEdit->SetText("1080");
  }
}

TEST_F(NutsTest, ABadPortInTheFileStillOpensTheWindowOnTheDefault) {
  program_.WriteFile("VelkoNet.ini", "[Connection]\r\nListenport=70000\r\n[Socks]\r\nPort=x\r\n");
  MakeWindow();
  form_->Show();
  EXPECT_TRUE(form_->Visible());
  EXPECT_TRUE(IsWindowVisible(form_->Handle()));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(Form2->PortEdit->Text(), "6346");
  EXPECT_EQ(form_->Gnutella1->ListenPort(), 6346);
  EXPECT_EQ(form_->Gnutella1->SocksPort(), 1080);
}

TEST_F(NutsTest, EnablingRules) {
  MakeWindow();
  struct Case {
    bool firewall;
    const char* socks;
    bool auth;
    bool force_enabled, ip_enabled, socks_enabled, auth_fields_enabled;
  };
  const Case cases[] = {
      {false, "No Socks", false, false, false, false, false},
      {true, "No Socks", true, true, true, false, false},
      {false, "Socks4", false, false, false, true, false},
      {false, "Socks5", true, false, false, true, true},
      {true, "Socks4A", true, true, true, true, true},
  };
  for (const Case& c : cases) {
    Form2->ForceIPBox->SetChecked(false);
    Form2->FirewallBox->SetChecked(c.firewall);
    Form2->SocksBox->SetItemIndex(Form2->SocksBox->Items()->IndexOf(c.socks));
    Form2->AuthBox->SetChecked(c.auth);
    Form2->FormShow(Form2);
    EXPECT_EQ(Form2->ForceIPBox->Enabled(), c.force_enabled) << c.socks;
    if (c.firewall) {
      EXPECT_TRUE(Form2->ForceIPBox->Checked());
    }
    EXPECT_EQ(Form2->IPEdit->Enabled(), c.ip_enabled) << c.socks;
    EXPECT_EQ(Form2->HostEdit->Enabled(), c.socks_enabled) << c.socks;
    EXPECT_EQ(Form2->SocksPortEdit->Enabled(), c.socks_enabled) << c.socks;
    EXPECT_EQ(Form2->ServerBox->Enabled(), c.socks_enabled) << c.socks;
    EXPECT_EQ(Form2->UserEdit->Enabled(), c.auth_fields_enabled) << c.socks;
    EXPECT_EQ(Form2->PasswordEdit->Enabled(), c.auth_fields_enabled) << c.socks;
  }
}

TEST_F(NutsTest, ShareDirSkipsHiddenAndLinksAndNeverSharesTwice) {
  MakeWindow();
  Form2->ShareTarget = form_->Gnutella1;
  share_.WriteFile("a.mp3", "a");
  share_.WriteFile(".hidden.mp3", "h");
  share_.WriteFile("sub/b.mp3", "b");
  share_.WriteFile("sub/deeper/c.mp3", "c");
  fs::create_directory_symlink(share_.path(), share_.path() / "sub" / "loop");
  browse_answer_ = Platform(share_.path());
  Form2->Show();
  Form2->PageControl1->SetActivePage(Form2->ShareTab);
  PumpWaitingMessages();
  Form2->Button5Click(Form2);
  ASSERT_EQ(browse_titles_, std::vector<std::string>{"Select a directory"});
  // The list keeps its "Filename" header over the rows: a face-coloured
  // cell with dark text in it.
  PumpWaitingMessages();
  {
    auto screen = platform::ComposeScreen();
    const TPoint list = Form2->ShareList->ClientToScreen(Point(0, 0));
    EXPECT_EQ(screen->Pixel(list.x + 300, list.y + 4), ColorToRGB(clBtnFace));
    int dark = 0;
    for (int y = 2; y < 14; ++y) {
      for (int x = 2; x < 60; ++x) dark += screen->Pixel(list.x + x, list.y + y) == RGB(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(dark, 10);
  }
  Form2->Hide();
  EXPECT_EQ(Form2->ShareEdit->Text(), Platform(share_.path()));
  std::vector<std::string> rows;
  for (int i = 0; i < Form2->ShareList->Items()->Count(); ++i) {
    rows.push_back(ExtractFileName(Form2->ShareList->Items()->Item(i)->Caption()));
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
  Form2->ShareDir(Form2->ShareEdit->Text());
  EXPECT_EQ(Form2->ShareList->Items()->Count(), 3);
  EXPECT_EQ(form_->Gnutella1->SharedFiles->Count(), 3);

  browse_answer_ = Platform(download_.path());
  Form2->Button3Click(Form2);
  EXPECT_EQ(browse_titles_.back(), "Select directory");
  EXPECT_EQ(Form2->DownloadEdit->Text(), Platform(download_.path()) + "\\");
}

TEST_F(NutsTest, HostRowsBelongToLinks) {
  MakeWindow();
  EXPECT_EQ(form_->Transfer->ActivePage(), form_->FileTab);  // until the first activation
  // Choosing a connect host dials nothing: they are names, not addresses.
  form_->HostBox->SetItemIndex(1);
  form_->DoHost(form_->HostBox);
  EXPECT_EQ(form_->HostBox->Text(), form_->HostBox->Items()->Strings(3));
  EXPECT_EQ(form_->Gnutella1->GetClientCount(), 0);
  bool accept = true;
  // Two links from one address: an outgoing one and an incoming one.
  form_->Gnutella1Connect(form_->Gnutella1, "127.0.0.1", Id(1));
  form_->Gnutella1IncomingConnection(form_->Gnutella1, "127.0.0.1", accept);
  form_->Gnutella1IncomingConnection(form_->Gnutella1, "127.0.0.1", accept);
  ASSERT_EQ(form_->HostList->Items()->Count(), 3);
  EXPECT_EQ(Row(form_->HostList->Items()->Item(1)),
            (std::vector<std::string>{"127.0.0.1", "Connecting...", "", "", "Incoming", "0"}));
  form_->Gnutella1Login(form_->Gnutella1, "127.0.0.1", Id(2), 3, "Peer", "");
  form_->Gnutella1Login(form_->Gnutella1, "127.0.0.1", Id(1), 1, "Other", "");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(0))[1], "Connected");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(0))[3], "0.4");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(1))[2], "Peer");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(1))[3], "0.6+");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(2))[1], "Connecting...");
  // The logged-in links have no count here, so the caption says none.
  EXPECT_EQ(form_->Caption(), "No Connections - Searching for clients");
  form_->Gnutella1Error(form_->Gnutella1, "127.0.0.1", Id(2), 1, 5, "Broken");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(1))[1], "Broken");
  // The host time column counts for rows that are not connected.
  form_->Timer1Timer(form_);
  form_->Timer1Timer(form_);
  EXPECT_EQ(Row(form_->HostList->Items()->Item(0))[5], "");
  EXPECT_EQ(Row(form_->HostList->Items()->Item(1))[5], "2");
  form_->Gnutella1DestroyClient(form_->Gnutella1, "127.0.0.1", Id(2));
  ASSERT_EQ(form_->HostList->Items()->Count(), 2);
  EXPECT_EQ(Row(form_->HostList->Items()->Item(0))[2], "Other");
  form_->Gnutella1DestroyClient(form_->Gnutella1, "127.0.0.9", Id(7));
  EXPECT_EQ(form_->HostList->Items()->Count(), 2);
}

TEST_F(NutsTest, QueryMonitorKeepsTheNewest31) {
  MakeWindow();
  for (int i = 0; i < 40; ++i) form_->Gnutella1Query(form_->Gnutella1, "127.0.0.1", Id(1), 0, "q" + std::to_string(i));
  ASSERT_EQ(form_->ListBox1->Items()->Count(), 31);
  EXPECT_EQ(form_->ListBox1->Items()->Strings(0), "q39");
  EXPECT_EQ(form_->ListBox1->Items()->Strings(30), "q9");
}

TEST_F(NutsTest, CaptionWordsAndProgressTexts) {
  struct Match {
    const char* caption;
    const char* name;
    bool hit;
  };
  for (const Match& m : std::initializer_list<Match>{{"beat it", "Michael - BEAT.mp3", true},
                                                     {"rock,roll", "Roll over.ogg", true},
                                                     {"a  b", "xyz", false},
                                                     {" , ", "anything", false},
                                                     {"", "anything", false},
                                                     {"jazz", "blues.mp3", false}}) {
    EXPECT_EQ(CaptionMatches(m.caption, m.name), m.hit) << m.caption << " / " << m.name;
  }
  struct Progress {
    std::int64_t done;
    const char* size;
    const char* text;
  };
  for (const Progress& p : std::initializer_list<Progress>{{50, "100", "50%"},
                                                           {1, "8", "12%"},
                                                           {5, "200", "2%"},
                                                           {3, "200", "2%"},
                                                           {10, "0", "?"},
                                                           {10, "-5", "?"},
                                                           {10, "?", "?"},
                                                           {10, "", "?"}}) {
    EXPECT_EQ(ProgressText(p.done, p.size), p.text) << p.done << "/" << p.size;
  }
  EXPECT_EQ(HostVersionText(0), "Unknown");
  EXPECT_EQ(HostVersionText(2), "0.6");
}

TEST_F(NutsTest, NoTabWithoutALinkAndShiftEnterSearchesNothing) {
  MakeWindow();
  form_->Edit3->SetText("beat");
  form_->SearchClick(form_);
  EXPECT_EQ(form_->ResultPages->PageCount(), 0);
  Word key = VK_RETURN;
  form_->Edit3KeyDown(form_->Edit3, key, TShiftState{ssShift});
  EXPECT_EQ(form_->ResultPages->PageCount(), 0);
  // A hit with no search tab to take it is dropped.
  form_->FoundStuff(form_->Gnutella1, "127.0.0.1", Id(1), "127.0.0.2", 1, 0, Id(2), 1, 10, "a.mp3", "");
  EXPECT_EQ(form_->ResultPages->PageCount(), 0);
}

class GraphTest : public NutsTest {
 protected:
  TColor Pixel(int x, int y) { return form_->Image1->Canvas()->Pixels(x, y); }
  // The height of the red run at the bottom of column x.
  int Red(int x) {
    int n = 0;
    while (n < 161 && Pixel(x, 160 - n) == static_cast<TColor>(0x0000FF)) ++n;
    return n;
  }
};

TEST_F(GraphTest, BlackWithoutTrafficThenARedBarThatMoves) {
  MakeWindow();
  form_->speeds = std::array<double, 4>{0, 0, 0, 0};
  form_->Timer1Timer(form_);
  EXPECT_EQ(form_->GraphMax, 1.0);
  for (int x = 0; x < 739; x += 7) {
    for (int y = 0; y < 161; y += 5) ASSERT_EQ(Pixel(x, y), clBlack) << x << "," << y;
  }
  form_->speeds = std::array<double, 4>{500, 0, 0, 0};
  form_->Timer1Timer(form_);
  EXPECT_EQ(form_->GraphMax, 500.0);
  EXPECT_EQ(Red(0), 100);
  EXPECT_EQ(Pixel(0, 60), clBlack);
  EXPECT_EQ(Red(1), 0);
  EXPECT_EQ(form_->GnutellaDownLabel->Caption(), "Gnutella download traffic: 500.00 B/S");
  form_->speeds = std::array<double, 4>{0, 0, 0, 0};
  form_->Timer1Timer(form_);
  EXPECT_EQ(Red(0), 0);
  EXPECT_EQ(Red(1), 100);
  // Blue over red, green and aqua for uploads drawn over downloads.
  form_->speeds = std::array<double, 4>{250, 125, 50, 25};
  form_->Timer1Timer(form_);
  // Red 50 px from the bottom, blue 25 px above it, green 10 px at the
  // bottom with aqua 5 px above it.
  EXPECT_EQ(Pixel(0, 130), static_cast<TColor>(0x0000FF));
  EXPECT_EQ(Pixel(0, 112), static_cast<TColor>(0x0000FF));
  EXPECT_EQ(Pixel(0, 111), static_cast<TColor>(0xFF0000));
  EXPECT_EQ(Pixel(0, 87), static_cast<TColor>(0xFF0000));
  EXPECT_EQ(Pixel(0, 86), clBlack);
  EXPECT_EQ(Pixel(0, 160), static_cast<TColor>(0x008000));
  EXPECT_EQ(Pixel(0, 152), static_cast<TColor>(0x008000));
  EXPECT_EQ(Pixel(0, 151), static_cast<TColor>(0xFFFF00));
  EXPECT_EQ(Pixel(0, 147), static_cast<TColor>(0xFFFF00));
}

TEST_F(GraphTest, TheRingWrapsAt2000) {
  MakeWindow();
  form_->speeds = std::array<double, 4>{7, 0, 0, 0};
  form_->Timer1Timer(form_);
  form_->speeds = std::array<double, 4>{0, 0, 0, 0};
  for (int i = 1; i < 2000; ++i) form_->Timer1Timer(form_);
  EXPECT_EQ(form_->RingIndex, 0);
  EXPECT_EQ(form_->Rings[0][0], 7.0);
  form_->Timer1Timer(form_);
  EXPECT_EQ(form_->Rings[0][0], 0.0);
  EXPECT_EQ(form_->RingIndex, 1);
}

TEST_F(NutsTest, CountersOfTheSixGroups) {
  MakeWindow();
  TGnutella* g = form_->Gnutella1;
  g->PingsReceived = 1;
  g->PongsReceived = 2;
  g->QueriesReceived = 4;
  g->QueryHitsRouted = 3;
  g->PongsRouted = 5;
  g->PingsForwarded = 6;
  g->QueriesForwarded = 7;
  g->PushesDropped = 9;
  form_->Timer1Timer(form_);
  auto value = [&](int group, int column) { return form_->CounterLabels[group][column]->Caption(); };
  EXPECT_EQ(value(0, 0), "7");
  EXPECT_EQ(value(0, 1), "9");
  EXPECT_EQ(value(0, 3), "8");
  EXPECT_EQ(value(0, 4), "13");
  EXPECT_EQ(value(1, 4), "6");
  EXPECT_EQ(value(2, 3), "5");
  EXPECT_EQ(value(3, 4), "7");
  EXPECT_EQ(value(4, 3), "3");
  EXPECT_EQ(value(5, 1), "9");
  EXPECT_EQ(form_->CounterLabels[1][3], nullptr);
}

TEST_F(NutsTest, IncomingFilesDeleteAndMove) {
  WriteSettings();
  MakeWindow();
  download_.WriteFile("one.mp3", "1");
  download_.WriteFile("two.mp3", "2");
  form_->Show();
  ASSERT_EQ(form_->FileList->Items()->Count(), 2);
  form_->FileList->SetSelected(0, true);
  form_->FileList->SetSelected(1, true);
  form_->RubFile(form_);
  EXPECT_EQ(form_->FileList->Items()->Count(), 1);  // one file per command
  // A selected name that is gone is reported.
  form_->FileList->Items()->Add("ghost.mp3");
  form_->FileList->SetSelected(form_->FileList->Items()->IndexOf("ghost.mp3"), true);
  form_->RubFile(form_);
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().text, "File: ghost.mp3 not found");

  // Each move takes only its own file and the list re-reads its folder; a
  // move into the file's own folder does nothing; one the shell refuses
  // (the file vanished before it got to it) shows the error box.
  TempDir target;
  struct Move {
    const char* name;
    const TempDir& to;
    bool vanish;
    std::string box;
  } moves[] = {{"three.mp3", target, false, ""},
               {"two.mp3", target, false, ""},
               {"five.mp3", download_, false, ""},
               {"four.mp3", target, true, "File operation has failed"}};
  for (const Move& m : moves) {
    if (!fs::exists(download_ / m.name)) download_.WriteFile(m.name, m.name);
    form_->FileList->Update();
    const int i = form_->FileList->Items()->IndexOf(m.name);
    ASSERT_GE(i, 0) << m.name;
    for (int k = 0; k < form_->FileList->Items()->Count(); ++k) form_->FileList->SetSelected(k, k == i);
    form_->DoMove(form_);
    EXPECT_TRUE(form_->FolderBox->Visible());
    EXPECT_EQ(form_->zelFiler->FileList()->Count(), 1) << m.name;
    form_->FolderBox->SetDirectory(Platform(m.to.path()));
    if (m.vanish) fs::remove(download_ / m.name);
    messages_.clear();
    form_->MoveStuff(form_);
    EXPECT_EQ(messages_.empty() ? "" : messages_.back().text, m.box) << m.name;
    EXPECT_EQ(fs::exists(m.to / m.name), !m.vanish) << m.name;
    EXPECT_EQ(form_->FileList->Items()->IndexOf(m.name) >= 0, &m.to == &download_) << m.name;
  }
}

// Clicks on the bar's buttons, as the user makes them.
TEST_F(NutsTest, PlayerButtonsPressTheMainWindowsCommands) {
  WriteSettings();
  MakeWindow();
  form_->Show();
  std::vector<std::string> calls;
  form_->PlayerCommands.Play = [&] { calls.push_back("play"); };
  form_->PlayerCommands.Stop = [&] { calls.push_back("stop"); };
  form_->PlayerCommands.Pause = [&] { calls.push_back("pause"); };
  form_->PlayerCommands.ShufflePlay = [&] { calls.push_back("shuffle"); };
  form_->PlayerCommands.CurrentTitle = [&] { return String("Song " + std::to_string(calls.size())); };
  struct Case {
    TVrButtonType button;
    const char* hint;
    const char* call;
  };
  for (const Case& c : std::initializer_list<Case>{{btPlay, "Play", "play"},
                                                   {btStop, "Stop", "stop"},
                                                   {btPause, "Pause", "pause"},
                                                   {btPrev, "Previous Song", "shuffle"},
                                                   {btNext, "Next Song", "shuffle"}}) {
    calls.clear();
    const TRect r = form_->Navigator->ButtonRect(c.button);
    const TPoint p = form_->Navigator->ClientToScreen(Point((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    platform::InjectClick(p.x, p.y);
    Wait([&] { return !calls.empty(); }, 2);
    EXPECT_EQ(form_->Navigator->Hint, c.hint);
    EXPECT_EQ(calls, std::vector<std::string>{c.call});
  }
  EXPECT_EQ(form_->MusicLabel->Text(), "Song 1");
  calls.clear();
  form_->Controller(form_->Navigator, btEject);
  EXPECT_TRUE(calls.empty());
}


// The window's picture lies behind the whole window: around the pages,
// behind the bottom row and on every page where nothing else is; no page
// shows mostly its bare face colour on its first show, and the frame runs
// unbroken along the bottom edge. A picture the settings load later takes
// the first one's place everywhere.
TEST_F(NutsTest, PictureBehindThePagesCornersAndFrame) {
  WriteSettings();
  MakeWindow();
  form_->Show();
  PumpWaitingMessages();
  const TPoint origin = form_->ClientToScreen(Point(0, 0));
  // A picture as the window should show it: stretched over the client area.
  auto stretched = [&](TGraphic* picture) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(763, 488);
    bitmap->Canvas()->StretchDraw(Rect(0, 0, 763, 488), picture);
    return bitmap;
  };
  // The window holds a picture from the start.
  TGraphic* own = form_->Image2->Picture()->Graphic();
  ASSERT_TRUE(own != nullptr && !own->Empty());
  auto first = stretched(own);
  std::shared_ptr<platform::Surface> screen;
  auto at = [&](int x, int y) { return screen->Pixel(origin.x + x, origin.y + y); };
  auto picture_at = [&](TBitmap* picture, int x, int y) {
    return static_cast<COLORREF>(picture->Canvas()->Pixels(x, y));
  };
  // Points of the left edge, the gap above the bottom row and the right
  // edge, which no control covers.
  const std::vector<TPoint> edges = {Point(1, 40), Point(3, 300), Point(200, 440), Point(760, 200)};

  const COLORREF face = ColorToRGB(clBtnFace);
  struct Page {
    TTabSheet* page;
    bool all_picture;  // nothing on it yet: the picture throughout
  };
  const Page pages[] = {{form_->TabSheet1, true},  {form_->TabSheet2, false}, {form_->TabSheet4, false},
                        {form_->TabSheet3, true},  {form_->TabSheet5, false}, {form_->FileTab, false}};
  for (const Page& p : pages) {
    form_->Transfer->SetActivePage(p.page);
    PumpWaitingMessages();
    screen = platform::ComposeScreen();
    const TPoint page = p.page->ClientToScreen(Point(0, 0));
    const int w = p.page->ClientWidth(), h = p.page->ClientHeight();
    int bare = 0, total = 0;
    for (int y = 0; y < h; y += 3) {
      for (int x = 0; x < w; x += 3, ++total) {
        const COLORREF c = screen->Pixel(page.x + x, page.y + y);
        if (c == face) ++bare;
        if (p.all_picture && (x % 60 == 0) && (y % 60 == 0)) {
          ASSERT_EQ(c, picture_at(first.get(), page.x - origin.x + x, page.y - origin.y + y))
              << p.page->Caption() << " " << x << "," << y;
        }
      }
    }
    EXPECT_LT(bare * 2, total) << p.page->Caption() << " shows mostly its bare face";
    for (const TPoint& e : edges) EXPECT_EQ(at(e.x, e.y), picture_at(first.get(), e.x, e.y)) << e.x << "," << e.y;
  }

  // The frame's rows along the bottom edge are the same under the title
  // box at the right as under the search box at the left.
  const int bottom = form_->Top() + form_->Height();
  const TPoint title = form_->MusicLabel->ClientToScreen(Point(0, 0));
  for (int y = origin.y + 488; y < bottom; ++y) {
    EXPECT_EQ(screen->Pixel(title.x + 60, y), screen->Pixel(origin.x + 60, y)) << "frame row " << y;
  }

  // The settings' picture (a second start) replaces it behind every page.
  TPicture swapped;
  swapped.LoadFromFile((ProgramFolder() / "fire.jpg").string());
  auto fire = stretched(swapped.Graphic());
  form_->Image2->Picture()->Assign(&swapped);
  form_->Transfer->SetActivePage(form_->TabSheet1);
  PumpWaitingMessages();
  screen = platform::ComposeScreen();
  for (const TPoint& e : edges) EXPECT_EQ(at(e.x, e.y), picture_at(fire.get(), e.x, e.y)) << e.x << "," << e.y;
  EXPECT_EQ(at(300, 200), picture_at(fire.get(), 300, 200));
  EXPECT_EQ(at(600, 14), picture_at(fire.get(), 600, 14));  // beside the tab buttons
}

// A picture of the window for a person to look at, with rows in the lists.
TEST_F(NutsTest, ScreenshotOfTheWindow) {
  WriteSettings("Searches=1\r\n");
  MakeWindow();
  download_.WriteFile("Song One.mp3", "1");
  share_.WriteFile("Evening Song.ogg", "1");
  form_->Show();
  bool accept = true;
  form_->Gnutella1IncomingConnection(form_->Gnutella1, "127.0.0.2", accept);
  form_->Gnutella1Query(form_->Gnutella1, "127.0.0.2", Id(2), 0, "evening song");
  form_->AddSearchTab("song")->Items()->Add()->SetCaption("Evening Song.ogg");
  form_->speeds = std::array<double, 4>{300, 200, 100, 50};
  form_->Timer1Timer(form_);
  const char* const pages[] = {"results", "hosts", "transfers", "monitor", "statistics", "files"};
  for (int i = 0; i < 6; ++i) {
    form_->Transfer->SetActivePageIndex(i);
    PumpWaitingMessages();
    ASSERT_TRUE(platform::SaveScreenshot(ScreenshotPath(std::string("network_window_") + pages[i] + ".png")));
  }
  Form2->ShareDir(Platform(share_.path()));
  bool saved = false;
  Form2->OnActivate = [&](TObject*) {
    if (saved) return;
    PumpWaitingMessages();
    saved = platform::SaveScreenshot(ScreenshotPath("network_options.png"));
    Form2->PageControl1->SetActivePage(Form2->ShareTab);
    PumpWaitingMessages();
    saved = saved && platform::SaveScreenshot(ScreenshotPath("network_options_share.png"));
    QueueClick(Form2->CancelButton);
  };
  form_->Options1Click(form_);
  EXPECT_TRUE(saved);
}


TEST_F(NutsTest, TheOptionsButtonSavesAndLoadsOnOk) {
  WriteSettings();
  MakeWindow();
  form_->Show();
  Form2->OnActivate = [&](TObject*) {
    Form2->MaxSpin->SetValue(6);
    QueueClick(Form2->OKButton);
  };
  QueueClick(form_->OptionsButton);
  PumpMessagesUntil([&] { return ReadFile(IniPath()).find("MaxClients=6") != std::string::npos; }, 5);
  EXPECT_NE(ReadFile(IniPath()).find("MaxClients=6\r\n"), std::string::npos);
  EXPECT_EQ(form_->Gnutella1->MaxConnections(), 6);
}

TEST_F(NutsTest, ShareFileSharesEachChosenFile) {
  MakeWindow();
  Form2->ShareTarget = form_->Gnutella1;
  share_.WriteFile("one.mp3", "1");
  share_.WriteFile("two.mp3", "2");
  platform::SetFileDialogHook([&](const platform::FileDialogRequest&) {
    platform::FileDialogAnswer answer;
    answer.folder = Platform(share_.path());
    answer.names = {"one.mp3", "two.mp3"};
    return answer;
  });
  Form2->Button4Click(Form2);
  platform::SetFileDialogHook({});
  EXPECT_EQ(Form2->ShareList->Items()->Count(), 2);
  EXPECT_EQ(form_->Gnutella1->SharedFiles->Count(), 2);
}


TEST_F(NutsTest, UnboundHelpersPongDialsAndSpeedLabel) {
  MakeWindow();
  form_->Gnutella1Pong(form_->Gnutella1, "127.0.0.1", Id(1), "127.0.0.9", 1, 0, 0);
  EXPECT_EQ(form_->Gnutella1->GetClientCount(), 1);
  form_->Button6Click(form_);
  EXPECT_EQ(form_->GnutellaUpLabel->Caption(), "0.00");
}

}  // namespace
}  // namespace velko_test
