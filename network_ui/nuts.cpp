#include "network_ui/nuts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/IniFiles.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/NutOptions.h"
#include "network_ui/TransferText.h"
#include "platform/dlg/message_box.h"

TNutsForm* NutsForm = nullptr;

namespace {

constexpr const char* kHostNames[4] = {"connect1.velkonet.example", "connect2.velkonet.example",
                                       "connect3.velkonet.example", "connect4.velkonet.example"};

// A page that shows the window's picture behind what it holds.
class TPictureSheet : public TTabSheet {
 public:
  explicit TPictureSheet(TNutsForm* form) : TTabSheet(form), form_(form) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_ERASEBKGND && form_->PaintBackdrop(this, reinterpret_cast<HDC>(Message.WParam))) {
      Message.Result = 1;
      return;
    }
    TTabSheet::Dispatch(Message);
  }

 private:
  TNutsForm* form_;
};

// A page control whose row of tab buttons lies on the window's picture.
class TPicturePages : public TPageControl {
 public:
  explicit TPicturePages(TNutsForm* form) : TPageControl(form), form_(form) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_ERASEBKGND && form_->PaintBackdrop(this, reinterpret_cast<HDC>(Message.WParam))) {
      Message.Result = 1;
      return;
    }
    if (Message.Msg == CN_CTLCOLORSTATIC) {
      if (HBRUSH brush = form_->BackdropBrush(this, reinterpret_cast<HDC>(Message.WParam))) {
        Message.Result = reinterpret_cast<LRESULT>(brush);
        return;
      }
    }
    TPageControl::Dispatch(Message);
  }

 private:
  TNutsForm* form_;
};

TTabSheet* MakeSheet(TNutsForm* form, TPageControl* pages, const char* name, const char* caption) {
  auto* sheet = new TPictureSheet(form);
  sheet->SetName(name);
  sheet->SetPageControl(pages);
  sheet->SetCaption(caption);
  return sheet;
}

TPageControl* MakePages(TNutsForm* form, TWinControl* parent, const char* name) {
  auto* pages = new TPicturePages(form);
  pages->SetName(name);
  pages->SetParent(parent);
  pages->SetStyle(tsButtons);
  return pages;
}

String Speed(double value) { return FormatFloat("0.00", value) + " bytes/s"; }

// A port text as a number; a text that is no integer or lies outside
// 0..65535 raises EConvertError.
WORD PortNumber(const String& text) {
  const int value = StrToInt(text);
  if (value < 0 || value > 65535) throw EConvertError("'" + text + "' is not a valid port number");
  return static_cast<WORD>(value);
}

bool IsDownload(TGnutellaFileTransfer* t) {
  return dynamic_cast<TGnutellaDownloadFile*>(t) != nullptr || dynamic_cast<TGnutellaPopFile*>(t) != nullptr;
}


}  // namespace

String HostVersionText(int Version) {
  switch (Version) {
    case 1: return "0.4";
    case 2: return "0.6";
    case 3: return "0.6+";
    default: return "Unknown";
  }
}

String ProgressText(std::int64_t BytesDone, const String& SizeText) {
  const auto size = ParseOffset(Trim(SizeText));
  if (!size || *size <= 0) return "?";
  const double percent = std::nearbyint(static_cast<double>(BytesDone) / static_cast<double>(*size) * 100.0);
  return IntToStr(static_cast<std::int64_t>(percent)) + "%";
}

bool CaptionMatches(const String& Caption, const String& Filename) {
  const String name = UpperCase(Filename);
  String word;
  auto test = [&]() {
    const bool hit = !word.empty() && name.find(UpperCase(word)) != String::npos;
    word.clear();
    return hit;
  };
  for (char c : Caption) {
    if (c == ' ' || c == ',') {
      if (test()) return true;
    } else {
      word += c;
    }
  }
  return test();
}

// --- construction --------------------------------------------------------

TNutsForm::TNutsForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("NutsForm");
  SetCaption("File Sharing");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(kNutsClientWidth, kNutsClientHeight);
  KeyPreview = true;
  SetShowHint(true);
  for (auto& ring : Rings) ring.assign(kGraphRingSize + 1, 0.0);

  Image2 = MakeControl<TImage>(this, this, "Image2", 0, 0, kNutsClientWidth, kNutsClientHeight);
  Image2->SetAlign(alClient);
  Image2->SetStretch(true);
  // The window's own picture: its resource, else the program's default
  // picture; without either the window shows its colour.
  try {
    TBitmap own;
    own.LoadFromResourceName(kNutsPictureResource);
    Image2->Picture()->Assign(&own);
  } catch (const Exception&) {
    try {
      Image2->Picture()->LoadFromFile(ExtractFilePath(Application->ExeName()) + kNutsPicture);
    } catch (const Exception&) {
    }
  }
  // The pages show the same picture: follow it when the settings load
  // another one into Image2.
  {
    TNotifyEvent own = Image2->Picture()->OnChange;
    Image2->Picture()->OnChange = [this, own](TObject* sender) {
      if (own) own(sender);
      BackdropChanged();
    };
  }

  Gnutella1 = new TGnutella(this);
  Gnutella1->SetName("Gnutella1");
  Gnutella1->Version = gnu0_6;
  Gnutella1->AllowGnutella0_4 = true;
  Gnutella1->TTL = 7;
  Gnutella1->SetPingInterval(30000);
  Gnutella1->AutoPing = true;
  Gnutella1->AutoPong = true;
  Gnutella1->AutoConnect = true;
  Gnutella1->MinConnections = 1;
  Gnutella1->SetMaxConnections(2);
  Gnutella1->SetSocksVersion(svSocks5);
  Gnutella1->SetSocksPort(1080);
  Gnutella1->SetSocksActive(false);
  Gnutella1->LineSpeed = 10000;
  Gnutella1->SetUserAgent("Velko 5.3");
  Gnutella1->SetPongCaching(gpc0_1);
  Gnutella1->SetQueryRouting(gqr0_1);
  Gnutella1->SetGGEP(gGGEP0_5);
  BindServent();

  MakeTabs();
  MakeStatistics();
  MakeBottomRow();

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(1000);
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });

  PlayWav1 = new TPlayWav(this);
  zelFiler = new TzelFileOperation(this);
  zelFiler->Operation = fotMove;
  zelFiler->ProgressTitle = "Velko is moving your file";
  zelFiler->OnError = [this](TObject* s, const String& text, bool& handled) { StuffUp(s, text, handled); };


  OnShow = [this](TObject* s) { FormShow(s); };
  OnActivate = [this](TObject* s) { AutoConnect(s); };
  EndLoad();
  BackdropChanged();
  FormCreate(this);
}

TNutsForm::~TNutsForm() {
  if (Form2 != nullptr && Form2->Owner() != this) {
    Form2->ShareTarget = nullptr;
    Form2->MonitorList = nullptr;
  }
  if (NutsForm == this) NutsForm = nullptr;
  // The pages go after this body: from now on they erase plainly.
  Image2->Picture()->OnChange = nullptr;
  backdrop_brush_.reset();
  backdrop_.reset();
  // The servent and the transfers are freed after this body: nothing they
  // report may reach the window any more.
  TGnutella* g = Gnutella1;
  g->OnConnect = nullptr;
  g->OnIncomingConnection = nullptr;
  g->OnLogin = nullptr;
  g->OnDisconnect = nullptr;
  g->OnError = nullptr;
  g->OnDestroyClient = nullptr;
  g->OnQuery = nullptr;
  g->OnSearchResult = nullptr;
  g->OnReceiveFile = nullptr;
  g->OnUploadFile = nullptr;
  g->OnPush = nullptr;
  ReleaseTransfers();
  for (TListView* list : result_lists_) ClearResults(list);
  for (int i = 0; i < HostList->Items()->Count(); ++i) {
    delete static_cast<GUID*>(HostList->Items()->Item(i)->Data());
    HostList->Items()->Item(i)->SetData(nullptr);
  }
}

// The options dialog: the program's own, made at start after this window;
// a window made without one (the tests' own) makes its own.
TForm2* TNutsForm::Options() {
  if (Form2 == nullptr) Form2 = new TForm2(this);
  Form2->MonitorList = ListBox1;
  return Form2;
}

// Layout. The page control is as wide as a result list; its height
// gives every search tab exactly a result list's size (two rows of tab
// buttons above it). Lists fill their pages; the player bar and the title
// box stand at the right under the pages, the search row beside them.
namespace {
constexpr int kTabRow = 21;  // a row of tab buttons
constexpr int kResultWidth = 750, kResultHeight = 386;
constexpr int kPagesLeft = 6, kPagesTop = 4;
constexpr int kPagesBottom = kPagesTop + kResultHeight + 2 * kTabRow;
constexpr int kNavigatorWidth = 180, kNavigatorHeight = 20;
constexpr int kNavigatorLeft = kPagesLeft + kResultWidth - kNavigatorWidth;
constexpr int kNavigatorTop = kPagesBottom + 8;
constexpr int kRowTop = kPagesBottom + 19;  // the search row, level with the bar and title box
}  // namespace

void TNutsForm::MakeTabs() {
  Transfer = MakePages(this, this, "Transfer");
  Transfer->SetBounds(kPagesLeft, kPagesTop, kResultWidth, kPagesBottom - kPagesTop);
  TabSheet1 = MakeSheet(this, Transfer, "TabSheet1", "Search Results");
  ResultPages = MakePages(this, TabSheet1, "ResultPages");
  ResultPages->SetAlign(alClient);
  TabSheet2 = MakeSheet(this, Transfer, "TabSheet2", "Hosts");
  HostList = MakeControl<TListView>(this, TabSheet2, "HostList", 0, 0, kResultWidth, 400);
  HostList->SetAlign(alClient);
  HostList->SetViewStyle(vsReport);
  AddColumns(HostList, {{"Host", 150}, {"Status", 200}, {"Client", 180}, {"Version", 60}, {"Type", 80}, {"Time", 60}});
  auto* host_menu = new TPopupMenu(this);
  AddMenuItem(this, host_menu, "Disconnect", [this](TObject*) {
    TListItem* row = HostList->Selected();
    if (row != nullptr && row->Data() != nullptr) Gnutella1->DisconnectClient(*static_cast<GUID*>(row->Data()));
  });
  AddMenuItem(this, host_menu, "Disconnect All", [this](TObject*) { Gnutella1->Disconnect(); });
  HostList->SetPopupMenu(host_menu);

  TabSheet4 = MakeSheet(this, Transfer, "TabSheet4", "Transfers");
  const int half = (kPagesBottom - kPagesTop - kTabRow) / 2;
  DownList = MakeControl<TListView>(this, TabSheet4, "DownList", 0, 0, kResultWidth, half);
  DownList->SetAlign(alTop);
  DownList->SetViewStyle(vsReport);
  DownList->SetRowSelect(true);
  AddColumns(DownList, {{"Filename", 200}, {"Filesize", 70}, {"Progress", 60}, {"Status", 130}, {"Length", 0},
                        {"Content Type", 0}, {"Content Range", 0}, {"Server", 100}, {"X-Gnutella-URN", 0},
                        {"Current Speed", 90}, {"Average Speed", 90}});
  DownMenu = new TPopupMenu(this);
  AddMenuItem(this, DownMenu, "Abort Transfer", [this](TObject* s) { Abort1Click(s); });
  AddMenuItem(this, DownMenu, "Clear File", [this](TObject* s) { DownClear(s); });
  DownList->SetPopupMenu(DownMenu);
  UpList = MakeControl<TListView>(this, TabSheet4, "UpList", 0, half, kResultWidth, half);
  UpList->SetAlign(alClient);
  UpList->SetViewStyle(vsReport);
  UpList->SetRowSelect(true);
  AddColumns(UpList, {{"Filename", 200}, {"Filesize", 70}, {"Progress", 60}, {"Status", 110}, {"Range", 100},
                      {"User-Agent", 100}, {"Current Speed", 50}, {"Average Speed", 50}});
  UpMenu = new TPopupMenu(this);
  AddMenuItem(this, UpMenu, "Abort Transfer", [this](TObject* s) { UpAbort(s); });
  AddMenuItem(this, UpMenu, "Clear File", [this](TObject* s) { UpClear(s); });
  UpList->SetPopupMenu(UpMenu);

  TabSheet3 = MakeSheet(this, Transfer, "TabSheet3", "Network Monitor");
  ListBox1 = MakeControl<TListBox>(this, TabSheet3, "ListBox1", 0, 0, kResultWidth, 400);
  ListBox1->SetAlign(alClient);
  TabSheet5 = MakeSheet(this, Transfer, "TabSheet5", "Network Statistics");

  FileTab = MakeSheet(this, Transfer, "FileTab", "Incoming Files");
  FileList = MakeControl<TFileListBox>(this, FileTab, "FileList", 0, 0, kResultWidth, 400);
  FileList->SetAlign(alClient);
  FileList->SetMultiSelect(true);
  FileList->SetShowGlyphs(true);
  FileList->SetColor(clBlack);
  FileList->Font()->SetColor(clLime);
  FileList->Hint = ("Right click for commands");
  FileMenu = new TPopupMenu(this);
  AddMenuItem(this, FileMenu, "Delete File", [this](TObject* s) { RubFile(s); });
  AddMenuItem(this, FileMenu, "Move File", [this](TObject* s) { DoMove(s); });
  FileList->SetPopupMenu(FileMenu);
  FolderBox = MakeControl<TDirectoryListBox>(this, FileTab, "FolderBox", 400, 0, 350, 300);
  FolderBox->SetVisible(false);
  FolderBox->Hint = ("Click outside of this Folder box after you have made your selection");
  FolderBox->OnExit = [this](TObject* s) { MoveStuff(s); };
  Edit4 = MakeControl<TEdit>(this, FileTab, "Edit4", 400, 310, 300, 21);
  Edit4->SetVisible(false);
  Edit4->Hint = ("Type in a new name for this file and hit Enter");
  Transfer->SetActivePage(FileTab);
}

void TNutsForm::MakeStatistics() {
  static const char* const kGroups[6] = {" Messages ", " Ping ", " Pong ", " Query ", " Query Hit ", " Push "};
  static const char* const kColumns[5] = {"Received", "Dropped", "Send", "Routed", "Broadcasted"};
  static const bool kHas[6][5] = {{true, true, true, true, true},  {true, true, true, false, true},
                                  {true, true, true, true, false}, {true, true, true, false, true},
                                  {true, true, true, true, false}, {true, true, true, true, false}};
  constexpr int kGraphLeft = (kResultWidth - 739) / 2;
  for (int g = 0; g < 6; ++g) {
    auto* box =
        MakeControl<TGroupBox>(this, TabSheet5, ("GroupBox" + IntToStr(g + 1)).c_str(), kGraphLeft + g * 124, 6, 119, 100);
    box->SetCaption(kGroups[g]);
    int row = 0;
    for (int c = 0; c < 5; ++c) {
      if (!kHas[g][c]) continue;
      MakeLabel(this, box, "", 6, 16 + row * 16, String(kColumns[c]) + ":");
      TLabel* value = MakeLabel(this, box, "", 80, 16 + row * 16, "0");
      CounterLabels[static_cast<std::size_t>(g)][static_cast<std::size_t>(c)] = value;
      ++row;
    }
  }
  // The traffic labels in the graph's colours, on a black strip joined to
  // the graph.
  TrafficPanel = MakeControl<TPanel>(this, TabSheet5, "TrafficPanel", kGraphLeft, 114, 739, 38);
  TrafficPanel->SetBevelOuter(bvNone);
  TrafficPanel->SetColor(clBlack);
  TrafficPanel->SetCaption("");
  auto label = [this](const char* name, int left, int top, TColor color, const char* caption) {
    TLabel* l = MakeLabel(this, TrafficPanel, name, left, top, caption);
    l->Font()->SetColor(color);
    return l;
  };
  GnutellaDownLabel = label("GnutellaDownLabel", 8, 4, clRed, "Gnutella download traffic:");
  FileDownLabel = label("FileDownLabel", 260, 4, clBlue, "File transfer download traffic:");
  GnutellaUpLabel = label("GnutellaUpLabel", 8, 20, clGreen, "Gnutella upload traffic:");
  FileUpLabel = label("FileUpLabel", 260, 20, clBlue, "File transfer upload traffic:");
  Image1 = MakeControl<TImage>(this, TabSheet5, "Image1", kGraphLeft, 152, 739, 161);
  Image1->Canvas()->Brush()->SetColor(clBlack);
  Image1->Canvas()->FillRect(Rect(0, 0, 739, 161));
}

void TNutsForm::MakeBottomRow() {
  const int top = kRowTop;
  Edit3 = MakeControl<TEdit>(this, this, "Edit3", kPagesLeft, top + 1, 170, 21);
  Edit3->Hint = ("Type a file name to search for, then hit Enter");
  Edit3->OnKeyDown = [this](TObject* s, Word& key, TShiftState shift) { Edit3KeyDown(s, key, shift); };
  SearchButton = MakeControl<TButton>(this, this, "SearchButton", 180, top, 56, 23);
  SearchButton->SetCaption("Search");
  SearchButton->OnClick = [this](TObject* s) { SearchClick(s); };
  HostBox = MakeControl<TComboBox>(this, this, "HostBox", 240, top + 1, 150, 21);
  HostBox->Hint = ("Connection Booster - Select an address to find more Hosts");
  for (const char* name : kHostNames) HostBox->Items()->Add(name);
  HostBox->Items()->Add("");
  HostBox->OnChange = [this](TObject* s) { DoHost(s); };
  // The manual-connect pair and its button stay hidden.
  Edit1 = MakeControl<TEdit>(this, this, "Edit1", 240, top + 1, 90, 21);
  Edit1->SetText("connect1.velkonet.example");
  Edit1->SetEnabled(false);
  Edit1->SetVisible(false);
  Edit2 = MakeControl<TEdit>(this, this, "Edit2", 334, top + 1, 40, 21);
  Edit2->SetText("6346");
  Edit2->SetVisible(false);
  ConnectButton = MakeControl<TButton>(this, this, "ConnectButton", 378, top, 12, 23);
  ConnectButton->SetVisible(false);
  ConnectButton->OnClick = [this](TObject*) { Gnutella1->ConnectTo(Edit1->Text(), StrToInt(Edit2->Text())); };
  OptionsButton = MakeControl<TButton>(this, this, "OptionsButton", 394, top, 56, 23);
  OptionsButton->SetCaption("Options");
  OptionsButton->Hint = ("Change your preferences");
  OptionsButton->OnClick = [this](TObject* s) { Options1Click(s); };
  HideButton = MakeControl<TButton>(this, this, "HideButton", 454, top, 56, 23);
  HideButton->SetCaption("Hide");
  HideButton->Hint = ("Minimize to the Taskbar");
  HideButton->OnClick = [](TObject*) { Application->Minimize(); };
  QuitButton = MakeControl<TButton>(this, this, "QuitButton", 514, top, 56, 23);
  QuitButton->SetCaption("Quit");
  QuitButton->Hint = ("Quit now - Velko will be shut down, to verify correct network disconnection");
  QuitButton->OnClick = [this](TObject* s) { Exit1Click(s); };
  Navigator = MakeControl<TVrNavigator>(this, this, "Navigator", kNavigatorLeft, kNavigatorTop, kNavigatorWidth,
                                 kNavigatorHeight);
  Navigator->SetVisibleButtons(TVrButtonSet{btPlay, btPause, btStop, btPrev, btNext});
  Navigator->SetEnabledButtons(TVrButtonSet{btPlay, btPause, btStop, btPrev, btNext});
  Navigator->OnButtonClick = [this](TObject* s, TVrButtonType b) { Controller(s, b); };
  MusicLabel = MakeControl<TEdit>(this, this, "MusicLabel", kNavigatorLeft, kNavigatorTop + kNavigatorHeight + 4,
                           kNavigatorWidth, 20);
  MusicLabel->SetReadOnly(true);
  MusicLabel->SetColor(clBlack);
  MusicLabel->Font()->SetColor(clLime);
  MusicLabel->Font()->SetName("Arial");
  MusicLabel->Font()->SetStyle(TFontStyles{fsBold});
}

void TNutsForm::BindServent() {
  TGnutella* g = Gnutella1;
  g->OnConnect = [this](TObject* s, const String& ip, const GUID& id) { Gnutella1Connect(s, ip, id); };
  g->OnIncomingConnection = [this](TObject* s, const String& ip, bool& accept) {
    Gnutella1IncomingConnection(s, ip, accept);
  };
  g->OnLogin = [this](TObject* s, const String& ip, const GUID& id, TGnutellaClientVersion v, const String& ua,
                      const String& info) { Gnutella1Login(s, ip, id, v, ua, info); };
  g->OnDisconnect = [this](TObject* s, const String& ip, const GUID& id) { Gnutella1Disconnect(s, ip, id); };
  g->OnError = [this](TObject* s, const String& ip, const GUID& id, int type, int code, const String& msg) {
    Gnutella1Error(s, ip, id, type, code, msg);
  };
  g->OnDestroyClient = [this](TObject* s, const String& ip, const GUID& id) { Gnutella1DestroyClient(s, ip, id); };
  g->OnQuery = [this](TObject* s, const String& ip, const GUID& id, int speed, const String& text) {
    Gnutella1Query(s, ip, id, speed, text);
  };
  g->OnSearchResult = [this](TObject* s, const String& ip, const GUID& id, const String& fip, int port, DWORD speed,
                             const GUID& sid, DWORD index, DWORD size, const String& name, const String& data) {
    FoundStuff(s, ip, id, fip, port, speed, sid, index, size, name, data);
  };
  g->OnReceiveFile = [this](TObject* s, const String& name, int index, const String& sid, TCustomWinSocket* socket) {
    Gnutella1ReceiveFile(s, name, index, sid, socket);
  };
  g->OnUploadFile = [this](TObject* s, const String& name, int index, std::int64_t start, std::int64_t stop,
                           const String& ua, TCustomWinSocket* socket) {
    Gnutella1UploadFile(s, name, index, start, stop, ua, socket);
  };
  g->OnPush = [this](TObject* s, const String& ip, const GUID& id, const String& pip, int port, const String& name,
                     DWORD index, const GUID& sid) { Gnutella1Push(s, ip, id, pip, port, name, index, sid); };
}

// --- background ------------------------------------------------------------

void TNutsForm::BackdropChanged() {
  TGraphic* picture = Image2->Picture()->Graphic();
  backdrop_brush_.reset();
  backdrop_.reset();
  if (picture != nullptr && !picture->Empty()) {
    backdrop_ = std::make_unique<TBitmap>();
    backdrop_->SetSize(ClientWidth(), ClientHeight());
    backdrop_->Canvas()->StretchDraw(Rect(0, 0, ClientWidth(), ClientHeight()), picture);
    backdrop_brush_ = std::make_unique<TBrush>();
    backdrop_brush_->SetBitmap(backdrop_.get());
  }
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

TPoint TNutsForm::BackdropOffset(TWinControl* Control) {
  const TPoint at = Control->ClientToScreen(Point(0, 0));
  const TPoint origin = ClientToScreen(Point(0, 0));
  return Point(at.x - origin.x, at.y - origin.y);
}

bool TNutsForm::PaintBackdrop(TWinControl* Control, HDC DC) {
  if (backdrop_ == nullptr || !Control->HandleAllocated() || !HandleAllocated()) return false;
  const TPoint at = BackdropOffset(Control);
  RECT client{};
  GetClientRect(Control->Handle(), &client);
  BitBlt(DC, 0, 0, client.right, client.bottom, backdrop_->Canvas()->Handle(), at.x, at.y, SRCCOPY);
  return true;
}

HBRUSH TNutsForm::BackdropBrush(TWinControl* Control, HDC DC) {
  if (backdrop_brush_ == nullptr || !Control->HandleAllocated() || !HandleAllocated()) return nullptr;
  const TPoint at = BackdropOffset(Control);
  SetBrushOrgEx(DC, -at.x, -at.y, nullptr);
  return backdrop_brush_->Handle();
}

// --- frame ---------------------------------------------------------------

void TNutsForm::FormCreate(TObject*) {
  transfers_.clear();
  GraphMax = 1.0;
  Timer1->SetEnabled(true);
}

void TNutsForm::FormShow(TObject*) {
  if (settings_loaded_) return;  // the settings load once, on the first show
  settings_loaded_ = true;
  Options()->ShareTarget = Gnutella1;
  if (!LoadSettings()) {
    if (Options()->ShowModal() == mrOk) {
      SaveSettings();
      LoadSettings();
    }
  }
  const String folder = Options()->DownloadEdit->Text();
  if (DirectoryExists(folder)) FileList->SetDirectory(folder);
}

void TNutsForm::DoHost(TObject*) {
  if (in_do_host_) return;  // setting the box's text below changes it again
  in_do_host_ = true;
  for (int i = 0; i + 1 < HostBox->Items()->Count(); ++i) {
    HostBox->SetText(HostBox->Items()->Strings(i));
    Gnutella1->ConnectTo(HostBox->Items()->Strings(i), 6346);
  }
  in_do_host_ = false;
}

void TNutsForm::AutoConnect(TObject*) {
  SetCaption("Auto connecting - Please wait until at least 1 connection has stabilized before searching");
  Gnutella1->Connect();
  Transfer->SetActivePage(TabSheet2);
}

void TNutsForm::Options1Click(TObject*) {
  Options()->ShareTarget = Gnutella1;
  if (Options()->ShowModal() == mrOk) {
    SaveSettings();
    LoadSettings();
  }
}

void TNutsForm::UpdateCaption() {
  const int n = Gnutella1->GetLoggedInCount();
  SetCaption(n >= 1 ? "Connected to " + IntToStr(n) + " clients" : String("No Connections - Searching for clients"));
}

void TNutsForm::Exit1Click(TObject*) {
  if (quitting_) return;
  quitting_ = true;
  SaveSettings();
  for (TListView* list : result_lists_) ClearResults(list);
  Timer1->SetEnabled(false);
  if (Gnutella1->Connected()) Gnutella1->Disconnect();
  // Every transfer is unhooked first, then freed.
  const std::vector<TGnutellaFileTransfer*> running = ReleaseTransfers();
  for (int i = 0; i < DownList->Items()->Count(); ++i) DownList->Items()->Item(i)->SetData(nullptr);
  for (TGnutellaFileTransfer* t : running) {
    try {
      delete t;
    } catch (...) {
    }
  }
  if (PlayerCommands.FindMusic) PlayerCommands.FindMusic();
  if (PlayerCommands.Terminate) {
    PlayerCommands.Terminate();
  } else {
    Application->Terminate();
  }
}

// --- hosts ---------------------------------------------------------------

TListItem* TNutsForm::AddHostRow(const String& IP, const String& Kind) {
  TListItem* row = HostList->Items()->Add();
  row->SetCaption(IP);
  for (const String& s : {String("Connecting..."), String(""), String(""), Kind, String("0")}) row->SubItems()->Add(s);
  return row;
}

int TNutsForm::FindHostRow(const String& IP, const GUID& ID, bool Bind) {
  TListItems* items = HostList->Items();
  for (int i = 0; i < items->Count(); ++i) {
    auto* id = static_cast<GUID*>(items->Item(i)->Data());
    if (id != nullptr && std::memcmp(id, &ID, sizeof(GUID)) == 0) return i;
  }
  for (int i = 0; i < items->Count(); ++i) {
    if (items->Item(i)->Data() == nullptr && items->Item(i)->Caption() == IP) {
      if (Bind) items->Item(i)->SetData(new GUID(ID));
      return i;
    }
  }
  return -1;
}

void TNutsForm::DeleteHostRow(int Index) {
  TListItem* row = HostList->Items()->Item(Index);
  delete static_cast<GUID*>(row->Data());
  row->SetData(nullptr);
  HostList->Items()->Delete(Index);
}

void TNutsForm::Gnutella1Connect(TObject*, const String& IP, const GUID& ID) {
  AddHostRow(IP, "Outgoing")->SetData(new GUID(ID));
}

void TNutsForm::Gnutella1IncomingConnection(TObject*, const String& IP, bool&) { AddHostRow(IP, "Incoming"); }

void TNutsForm::Gnutella1Login(TObject*, const String& IP, const GUID& ID, TGnutellaClientVersion Version,
                               const String& UserAgent, const String&) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) {
    TListItem* row = HostList->Items()->Item(i);
    SetSubItem(row, 0, "Connected");
    SetSubItem(row, 1, UserAgent);
    SetSubItem(row, 2, HostVersionText(Version));
  }
  UpdateCaption();
}

void TNutsForm::Gnutella1Disconnect(TObject*, const String& IP, const GUID& ID) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) SetSubItem(HostList->Items()->Item(i), 0, "Disconnect");
  UpdateCaption();
}

void TNutsForm::Gnutella1Error(TObject*, const String& IP, const GUID& ID, int, int, const String& ErrorMsg) {
  const int i = FindHostRow(IP, ID, true);
  if (i >= 0) SetSubItem(HostList->Items()->Item(i), 0, ErrorMsg);
}

void TNutsForm::Gnutella1DestroyClient(TObject*, const String& IP, const GUID& ID) {
  const int i = FindHostRow(IP, ID, false);
  if (i >= 0) DeleteHostRow(i);
}

void TNutsForm::RemoveHandedOverRow(TCustomWinSocket* Socket) {
  if (Socket == nullptr) return;
  const String address = Socket->RemoteAddress();
  TListItems* items = HostList->Items();
  // Only the unbound incoming row of that address: logged-in links keep theirs.
  for (int i = 0; i < items->Count(); ++i) {
    TListItem* row = items->Item(i);
    if (row->Data() == nullptr && row->Caption() == address && SubItem(row, 3) == "Incoming") {
      SetSubItem(row, 0, "Disconnect");
      DeleteHostRow(i);
      return;
    }
  }
}

void TNutsForm::Gnutella1Query(TObject*, const String&, const GUID&, int, const String& SearchText) {
  ListBox1->Items()->Insert(0, SearchText);
  while (ListBox1->Items()->Count() > kQueryMonitorLines) ListBox1->Items()->Delete(kQueryMonitorLines);
}

// --- searches ------------------------------------------------------------

void TNutsForm::Edit3KeyDown(TObject* Sender, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    SearchClick(Sender);
  }
}

void TNutsForm::SearchClick(TObject*) {
  if (Gnutella1->GetLoggedInCount() < 1) return;
  const String text = Edit3->Text();
  AddSearchTab(text);
  Gnutella1->Search(text);
}

TListView* TNutsForm::AddSearchTab(const String& Text) {
  auto* sheet = new TPictureSheet(this);
  sheet->SetPageControl(ResultPages);
  sheet->SetCaption(Text);
  auto* list = MakeControl<TListView>(this, sheet, "", 0, 0, kResultWidth, kResultHeight);
  list->SetViewStyle(vsReport);
  list->SetRowSelect(true);
  list->SetColor(clBlack);
  list->Font()->SetColor(clAqua);
  list->Hint = ("Double click on a file to download it");
  list->SetShowHint(true);
  AddColumns(list, {{"Filename", 373}, {"Size", 102}, {"IP", 90}, {"Port", 50}, {"Index", 60}, {"Speed", 50}});
  list->OnDblClick = [this](TObject* s) { ResultDblClick(s); };
  result_lists_.push_back(list);
  Application->SetShowHint(true);
  Transfer->SetActivePage(TabSheet1);
  ResultPages->SetActivePage(sheet);
  return list;
}

TListView* TNutsForm::ResultList(int Tab) const {
  if (Tab < 0 || Tab >= static_cast<int>(result_lists_.size())) return nullptr;
  return result_lists_[static_cast<std::size_t>(Tab)];
}

int TNutsForm::FindResultPage(const String& Filename) {
  for (int i = ResultPages->PageCount() - 1; i >= 0; --i) {
    if (CaptionMatches(ResultPages->Pages(i)->Caption(), Filename)) return i;
  }
  return 0;
}

void TNutsForm::FoundStuff(TObject*, const String&, const GUID& ID, const String& FileIP, int Port, DWORD Speed,
                           const GUID& ServerntID, DWORD FileIndex, DWORD FileSize, const String& Filename,
                           const String&) {
  Transfer->SetActivePage(TabSheet1);
  TListView* list = ResultList(FindResultPage(Filename));
  if (list == nullptr) return;  // no search tab yet
  TListItem* row = list->Items()->Add();
  row->SetCaption(Filename);
  TStrings* subs = row->SubItems();
  subs->Add(IntToStr(FileSize));
  subs->Add(FileIP);
  subs->Add(IntToStr(Port));
  subs->Add(IntToStr(FileIndex));
  subs->Add(IntToStr(Speed));
  auto* hit = new TSearchHit;
  hit->Filename = Filename.substr(0, 255);
  hit->FileIndex = FileIndex;
  hit->ClientID = ID;
  hit->ServentID = ServerntID;
  hit->FileSize = FileSize;
  row->SetData(hit);
}

void TNutsForm::ClearResults(TListView* List) {
  TListItems* items = List->Items();
  for (int i = 0; i < items->Count(); ++i) {
    delete static_cast<TSearchHit*>(items->Item(i)->Data());
    items->Item(i)->SetData(nullptr);
  }
  items->Clear();
}

// --- transfers -----------------------------------------------------------

TListItem* TNutsForm::TransferRow(TGnutellaFileTransfer* T) const {
  auto it = rows_.find(T);
  return it == rows_.end() ? nullptr : it->second;
}

void TNutsForm::Track(TGnutellaFileTransfer* T, TListItem* Row) {
  transfers_.push_back(T);
  rows_[T] = Row;
  T->FreeNotification(this);
}

void TNutsForm::Forget(TGnutellaFileTransfer* T) {
  transfers_.erase(std::remove(transfers_.begin(), transfers_.end(), T), transfers_.end());
  auto it = rows_.find(T);
  if (it != rows_.end()) {
    if (it->second != nullptr) it->second->SetData(nullptr);
    rows_.erase(it);
  }
}

void TNutsForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // A transfer being freed (it may be half destroyed: compare addresses).
  for (auto it = rows_.begin(); it != rows_.end(); ++it) {
    if (static_cast<TComponent*>(it->first) != AComponent) continue;
    if (it->second != nullptr) it->second->SetData(nullptr);
    transfers_.erase(std::remove(transfers_.begin(), transfers_.end(), it->first), transfers_.end());
    rows_.erase(it);
    break;
  }
}

String TNutsForm::SaveTarget(const String& Name, bool AvoidExisting) const {
  const String target = DownloadTarget(DownloadDir, Name);
  if (target.empty()) return target;
  auto taken = [&](const String& path) {
    if (AvoidExisting && FileExists(path)) return true;
    // A partial file left by a broken download is kept for its resume.
    if (FileExists(PartialFileName(path))) return true;
    for (TGnutellaFileTransfer* t : transfers_) {
      if (auto* d = dynamic_cast<TGnutellaDownloadReply*>(t); d != nullptr && SameText(d->SaveTo, path)) return true;
    }
    return false;
  };
  if (!taken(target)) return target;
  const String ext = ExtractFileExt(target);
  const String stem = target.substr(0, target.size() - ext.size());
  for (int n = 2;; ++n) {
    const String candidate = stem + " (" + IntToStr(n) + ")" + ext;
    if (!taken(candidate)) return candidate;
  }
}

std::vector<TGnutellaFileTransfer*> TNutsForm::ReleaseTransfers() {
  std::vector<TGnutellaFileTransfer*> released;
  released.swap(transfers_);
  for (TGnutellaFileTransfer* t : released) {
    UnhookTransfer(t);
    t->RemoveFreeNotification(this);
  }
  rows_.clear();
  return released;
}

void TNutsForm::UnhookTransfer(TGnutellaFileTransfer* T) {
  T->OnError = nullptr;
  T->OnFileExists = nullptr;
  T->OnConnect = nullptr;
  T->OnProgress = nullptr;
  T->OnTransfered = nullptr;
  T->OnDisconnect = nullptr;
  T->OnStartTransfer = nullptr;
}

// Both lists show a transfer's end on its row (an error's text, or
// "Disconnected" when it neither failed nor completed) and forget it.
void TNutsForm::BindEnd(TGnutellaFileTransfer* T) {
  T->OnDisconnect = [this, T](TComponent*, const String&) {
    if (!T->Error() && !T->Transfered()) SetSubItem(TransferRow(T), 2, "Disconnected");
    Forget(T);
  };
  T->OnError = [this, T](TComponent*, const String&, int, const String& msg) {
    SetSubItem(TransferRow(T), 2, msg);
    Forget(T);
  };
}

void TNutsForm::BindDownload(TGnutellaFileTransfer* T, bool WithConnect) {
  if (WithConnect) {
    T->OnConnect = [this, T](TComponent*, const String&) { SetSubItem(TransferRow(T), 2, "Connected"); };
  }
  T->OnStartTransfer = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    if (SubItem(row, 0) == "0") SetSubItem(row, 0, IntToStr(T->StopOffset));
    SetSubItem(row, 2, "Downloading...");
    if (auto* reply = dynamic_cast<TGnutellaDownloadReply*>(T)) {
      SetSubItem(row, 3, IntToStr(reply->ContentLength));
      SetSubItem(row, 4, reply->ContentType);
      SetSubItem(row, 5, reply->ContentRange);
      SetSubItem(row, 6, reply->Server);
      SetSubItem(row, 7, reply->XGnutellaContentURN);
    }
    SetSubItem(row, 8, FormatFloat("0.00", T->CurrentSpeed()));
    SetSubItem(row, 9, FormatFloat("0.00", T->AverageSpeed()));
  };
  T->OnProgress = [this, T](TComponent*, const String&, std::int64_t bytes) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    SetSubItem(row, 1, ProgressText(bytes, SubItem(row, 0)));
    SetSubItem(row, 8, Speed(T->CurrentSpeed()));
    SetSubItem(row, 9, Speed(T->AverageSpeed()));
  };
  T->OnTransfered = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    // The body may have come with the header, before any progress event.
    if (row != nullptr) SetSubItem(row, 1, ProgressText(T->BytesDone + T->StartOffset, SubItem(row, 0)));
    SetSubItem(row, 2, "Completed");
    PlayWav1->Play(ExtractFilePath(Application->ExeName()) + "ok.wav");
    FileList->Update();
  };
  BindEnd(T);
}

void TNutsForm::BindUpload(TGnutellaFileTransfer* T) {
  T->OnStartTransfer = [this, T](TComponent*, const String&) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    if (auto* push = dynamic_cast<TGnutellaPushFile*>(T)) {
      SetSubItem(row, 0, IntToStr(push->FileSize()));
      SetSubItem(row, 3, push->ContentRange());
      SetSubItem(row, 4, push->UserAgent());
    }
    SetSubItem(row, 2, "Uploading...");
  };
  T->OnProgress = [this, T](TComponent*, const String&, std::int64_t bytes) {
    TListItem* row = TransferRow(T);
    if (row == nullptr) return;
    SetSubItem(row, 0, IntToStr(T->FileSize()));
    SetSubItem(row, 1, ProgressText(bytes, IntToStr(T->FileSize())));
    SetSubItem(row, 5, Speed(T->CurrentSpeed()));
    SetSubItem(row, 6, Speed(T->AverageSpeed()));
  };
  T->OnTransfered = [this, T](TComponent*, const String&) { SetSubItem(TransferRow(T), 2, "Completed"); };
  BindEnd(T);
}

void TNutsForm::ResultDblClick(TObject* Sender) {
  auto* list = dynamic_cast<TListView*>(Sender);
  if (list == nullptr || list->Selected() == nullptr) return;
  TListItem* result = list->Selected();
  TListItem* row = DownList->Items()->Add();
  row->SetCaption(result->Caption());
  row->SubItems()->Add(SubItem(result, 0));
  row->SubItems()->Add("0%");
  const String target = SaveTarget(result->Caption(), false);
  if (target.empty()) {
    row->SubItems()->Add("Refused file name");
    return;
  }
  row->SubItems()->Add("Connecting...");
  auto* d = new TGnutellaDownloadFile(this);
  Track(d, row);
  row->SetData(d);
  d->IP = SubItem(result, 1);
  d->Port = StrToIntDef(SubItem(result, 2), 0);
  d->FileIndex = StrToIntDef(SubItem(result, 3), 0);
  d->Filename = result->Caption();
  Transfer->SetActivePage(TabSheet4);
  d->SaveTo = target;
  // Nothing past the size the hit announced is written.
  if (const auto* hit = static_cast<const TSearchHit*>(result->Data())) {
    d->HitSize = hit->FileSize;
  } else {
    d->HitSize = ParseOffset(SubItem(result, 0)).value_or(-1);
  }
  BindDownload(d, true);
  d->FreeOnDisconnect = true;
  d->StartOffset = 0;
  d->StopOffset = -1;
  d->Start();
}

void TNutsForm::Gnutella1ReceiveFile(TObject*, const String& Filename, int FileIndex, const String&,
                                     TCustomWinSocket* Socket) {
  RemoveHandedOverRow(Socket);
  TListItem* row = DownList->Items()->Add();
  row->SetCaption(Filename);
  row->SubItems()->Add("0");
  row->SubItems()->Add("0%");
  // Every GIV is unsolicited: it never replaces a file that is there.
  const String target = SaveTarget(Filename, true);
  if (target.empty()) {
    row->SubItems()->Add("Refused file name");
    delete Socket;
    return;
  }
  row->SubItems()->Add("Connecting...");
  auto* pop = new TGnutellaPopFile(this);
  Track(pop, row);
  pop->FileIndex = FileIndex;
  pop->Filename = Filename;
  pop->SaveTo = target;
  pop->Socket = Socket;
  BindDownload(pop, false);
  pop->FreeOnDisconnect = true;
  pop->StartOffset = 0;
  pop->Start();
}

void TNutsForm::Gnutella1UploadFile(TObject*, const String&, int FileIndex, std::int64_t StartOffset,
                                    std::int64_t StopOffset, const String& UserAgent, TCustomWinSocket* Socket) {
  RemoveHandedOverRow(Socket);
  auto* up = new TGnutellaUploadFile(this);
  const String name = Gnutella1->GetSharedFileName(static_cast<DWORD>(FileIndex));
  up->Socket = Socket;
  up->FileIndex = FileIndex;
  up->Filename = name;
  up->StartOffset = StartOffset;
  up->StopOffset = StopOffset;
  TListItem* row = UpList->Items()->Add();
  row->SetCaption(name);
  for (const String& s : {String("?"), String("0%"), String("Connecting..."),
                          "Range: bytes=" + IntToStr(StartOffset) + "-" + IntToStr(StopOffset), UserAgent,
                          String("0 bytes/s"), String("0 bytes/s")}) {
    row->SubItems()->Add(s);
  }
  Track(up, row);
  BindUpload(up);
  up->FreeOnDisconnect = true;
  up->Start();
}

void TNutsForm::Gnutella1Push(TObject*, const String&, const GUID&, const String& PushIP, int Port,
                              const String& Filename, DWORD FileIndex, const GUID& ServentID) {
  auto* push = new TGnutellaPushFile(this);
  push->IP = PushIP;
  push->Port = Port;
  push->FileIndex = static_cast<int>(FileIndex);
  push->Filename = Filename;
  push->SetServentID(ServentID);
  TListItem* row = UpList->Items()->Add();
  row->SetCaption(Gnutella1->GetSharedFileName(FileIndex));
  for (const char* s : {"?", "0%", "Connecting...", "", "", "0 Bytes/S", "0 Bytes/S"}) row->SubItems()->Add(s);
  Track(push, row);
  BindUpload(push);
  push->FreeOnDisconnect = true;
  push->Start();
}

void TNutsForm::Abort1Click(TObject*) {
  TListItem* row = DownList->Selected();
  if (row == nullptr || row->Data() == nullptr) return;
  for (auto& [t, r] : rows_) {
    if (r == row) {
      if (auto* d = dynamic_cast<TGnutellaDownloadFile*>(t)) d->Close();
      return;
    }
  }
}

void TNutsForm::DeleteTransferRow(TListView* List) {
  TListItem* row = List->Selected();
  if (row == nullptr) return;
  for (auto& entry : rows_) {
    if (entry.second == row) entry.second = nullptr;  // the transfer goes on without a row
  }
  row->SetData(nullptr);
  row->Delete();
}

void TNutsForm::DownClear(TObject*) { DeleteTransferRow(DownList); }
void TNutsForm::UpAbort(TObject*) {
  // The upload stops (the peer sees the close), then its row goes.
  TListItem* row = UpList->Selected();
  if (row == nullptr) return;
  TGnutellaFileTransfer* running = nullptr;
  for (const auto& [t, r] : rows_) {
    if (r == row) running = t;
  }
  // Its disconnect handling forgets it (the row stays selected).
  if (auto* up = dynamic_cast<TGnutellaUploadFile*>(running)) up->Close();
  if (auto* push = dynamic_cast<TGnutellaPushFile*>(running)) push->Close();
  DeleteTransferRow(UpList);
}
void TNutsForm::UpClear(TObject*) { DeleteTransferRow(UpList); }

// --- statistics ----------------------------------------------------------

double TNutsForm::GetFileDownSpeed() {
  double sum = 0;
  for (TGnutellaFileTransfer* t : transfers_) {
    if (IsDownload(t)) sum += t->CurrentSpeed();
  }
  return sum;
}

double TNutsForm::GetFileUpSpeed() {
  double sum = 0;
  for (TGnutellaFileTransfer* t : transfers_) {
    if (!IsDownload(t)) sum += t->CurrentSpeed();
  }
  return sum;
}

double TNutsForm::GetGnutellaDownSpeed() { return Gnutella1->CurrentDownSpeed(); }
double TNutsForm::GetGnutellaUpSpeed() { return Gnutella1->CurrentUpSpeed(); }

void TNutsForm::Timer1Timer(TObject*) {
  for (int i = 0; i < HostList->Items()->Count(); ++i) {
    TListItem* row = HostList->Items()->Item(i);
    try {
      if (SubItem(row, 0) != "Connected") {
        SetSubItem(row, 4, IntToStr(StrToInt(SubItem(row, 4)) + 1));
      } else {
        SetSubItem(row, 4, "");
      }
    } catch (const Exception&) {
    }
  }
  const TGnutella& g = *Gnutella1;
  const DWORD values[6][5] = {
      {g.PingsReceived + g.PongsReceived + g.PushesReceived + g.QueriesReceived + g.QueryHitsReceived,
       g.PingsDropped + g.PongsDropped + g.PushesDropped + g.QueriesDropped + g.QueryHitsDropped,
       g.PingsSent + g.PongsSent + g.PushesSent + g.QueriesSent + g.QueryHitsSent,
       g.PongsRouted + g.PushesRouted + g.QueryHitsRouted, g.PingsForwarded + g.QueriesForwarded},
      {g.PingsReceived, g.PingsDropped, g.PingsSent, 0, g.PingsForwarded},
      {g.PongsReceived, g.PongsDropped, g.PongsSent, g.PongsRouted, 0},
      {g.QueriesReceived, g.QueriesDropped, g.QueriesSent, 0, g.QueriesForwarded},
      {g.QueryHitsReceived, g.QueryHitsDropped, g.QueryHitsSent, g.QueryHitsRouted, 0},
      {g.PushesReceived, g.PushesDropped, g.PushesSent, g.PushesRouted, 0}};
  for (std::size_t r = 0; r < 6; ++r) {
    for (std::size_t c = 0; c < 5; ++c) {
      if (CounterLabels[r][c] != nullptr) CounterLabels[r][c]->SetCaption(IntToStr(values[r][c]));
    }
  }
  const auto at = static_cast<std::size_t>(RingIndex);
  Rings[1][at] = GetFileDownSpeed();
  Rings[3][at] = GetFileUpSpeed();
  Rings[0][at] = GetGnutellaDownSpeed();
  Rings[2][at] = GetGnutellaUpSpeed();
  if (Rings[0][at] + Rings[1][at] > GraphMax) GraphMax = Rings[0][at] + Rings[1][at];
  if (Rings[2][at] + Rings[3][at] > GraphMax) GraphMax = Rings[2][at] + Rings[3][at];
  GnutellaDownLabel->SetCaption("Gnutella download traffic: " + FormatFloat("0.00", Rings[0][at]) + " B/S");
  GnutellaUpLabel->SetCaption("Gnutella upload traffic: " + FormatFloat("0.00", Rings[2][at]) + " B/S");
  FileDownLabel->SetCaption("File download traffic: " + FormatFloat("0.00", Rings[1][at]) + " B/S");
  FileUpLabel->SetCaption("File upload traffic: " + FormatFloat("0.00", Rings[3][at]) + " B/S");
  RingIndex = (RingIndex + 1) % kGraphRingSize;
  DrawGraph();
}

void TNutsForm::DrawGraph() {
  TCanvas* canvas = Image1->Canvas();
  const int width = Image1->Width();
  const int height = Image1->Height();
  int j = RingIndex - 1;
  auto bar = [&](int x, TColor color, int from, int to) {
    if (from == to) return;
    canvas->Pen()->SetColor(color);
    canvas->MoveTo(x, from);
    canvas->LineTo(x, to);
  };
  auto scaled = [&](int ring, int index) {
    return static_cast<int>(std::nearbyint(Rings[static_cast<std::size_t>(ring)][static_cast<std::size_t>(index)] /
                                           GraphMax * 100.0));
  };
  // Every column is cleared first (one fill for the whole image).
  canvas->Brush()->SetColor(clBlack);
  canvas->FillRect(Rect(0, 0, width, height));
  for (int x = 0; x < width; ++x) {
    if (j < 0) j = kGraphRingSize - 1;
    const int gd = scaled(0, j), fd = scaled(1, j), gu = scaled(2, j), fu = scaled(3, j);
    bar(x, static_cast<TColor>(0x0000FF), height - gd, height);
    bar(x, static_cast<TColor>(0xFF0000), height - gd, height - gd - fd);
    bar(x, static_cast<TColor>(0x008000), height - gu, height);
    bar(x, static_cast<TColor>(0xFFFF00), height - gu, height - gu - fu);
    --j;
  }
}

// --- settings ------------------------------------------------------------

String TNutsForm::SettingsFileName() const { return ExtractFilePath(Application->ExeName()) + "VelkoNet.ini"; }

void TNutsForm::SaveSettings() {
  TForm2* f = Options();
  TMemIniFile ini(SettingsFileName());
  ini.WriteInteger("Connection", "Type", f->ConnectionTypeNumber());
  ini.WriteString("Connection", "Listenport", f->PortEdit->Text());
  ini.WriteBool("Connection", "Firewall", f->FirewallBox->Checked());
  ini.WriteBool("Connection", "ForceIP", f->ForceIPBox->Checked());
  ini.WriteString("Connection", "IP", f->IPEdit->Text());
  ini.WriteString("Socks", "Type", f->SocksBox->Text());
  ini.WriteBool("Socks", "Server", f->ServerBox->Checked());
  ini.WriteBool("Socks", "Filetransfer", f->FileTransferBox->Checked());
  ini.WriteBool("Socks", "Authentification", f->AuthBox->Checked());
  ini.WriteString("Socks", "Hostname", f->HostEdit->Text());
  ini.WriteString("Socks", "Port", f->SocksPortEdit->Text());
  ini.WriteString("Socks", "Username", f->UserEdit->Text());
  ini.WriteString("Socks", "Password", f->PasswordEdit->Text());
  ini.WriteString("Downloads", "Directory", f->DownloadEdit->Text());
  ini.WriteString("Sharing", "Directory", f->ShareEdit->Text());
  ini.WriteBool("Tune", "Ultra", f->UltraBox->Checked());
  ini.WriteBool("Tune", "NeedUltra", f->NeedUltraBox->Checked());
  ini.WriteInteger("Tune", "MinClients", f->MinSpin->Value());
  ini.WriteInteger("Tune", "MaxClients", f->MaxSpin->Value());
  ini.WriteBool("Tune", "Searches", f->SearchesBox->Checked());
  ini.UpdateFile();
}

bool TNutsForm::LoadSettings() {
  if (!FileExists(SettingsFileName())) return false;
  TForm2* f = Options();
  f->ShareTarget = Gnutella1;
  TMemIniFile ini(SettingsFileName());
  const int type = ini.ReadInteger("Connection", "Type", 7);
  if (type >= 1 && type <= 10) {
    f->SetConnectionTypeNumber(type);
    Gnutella1->SetConnectionType(static_cast<TConnectionType>(type - 1));
  }
  f->IPEdit->SetText(ini.ReadString("Connection", "IP", ""));
  Gnutella1->ForceIP = f->IPEdit->Text();
  f->PortEdit->SetText(ini.ReadString("Connection", "ListenPort", "6346"));
  Gnutella1->SetListenPort(PortNumber(f->PortEdit->Text()));
  f->FirewallBox->SetChecked(ini.ReadBool("Connection", "Firewall", false));
  Gnutella1->SetFirewall(f->FirewallBox->Checked());
  f->ForceIPBox->SetChecked(ini.ReadBool("Connection", "ForceIP", false));
  Gnutella1->UseForceIP = f->ForceIPBox->Checked();
  const String socks = ini.ReadString("Socks", "Type", "No Socks");
  const int socks_index = f->SocksBox->Items()->IndexOf(socks);
  if (socks_index >= 0) f->SocksBox->SetItemIndex(socks_index);
  if (socks == "Socks4") Gnutella1->SetSocksVersion(svSocks4);
  if (socks == "Socks4A") Gnutella1->SetSocksVersion(svSocks4A);
  if (socks == "Socks5") Gnutella1->SetSocksVersion(svSocks5);
  f->ServerBox->SetChecked(ini.ReadBool("Socks", "Server", false));
  Gnutella1->SetSocksActive(f->ServerBox->Checked());
  f->FileTransferBox->SetChecked(ini.ReadBool("Socks", "Filetransfer", false));
  Gnutella1->SetSocksActiveFileTransfer(f->FileTransferBox->Checked());
  f->AuthBox->SetChecked(ini.ReadBool("Socks", "Authentification", false));
  f->HostEdit->SetText(ini.ReadString("Socks", "Hostname", ""));
  Gnutella1->SetSocksServer(f->HostEdit->Text());
  f->SocksPortEdit->SetText(ini.ReadString("Socks", "Port", "1080"));
  Gnutella1->SetSocksPort(PortNumber(f->SocksPortEdit->Text()));
  f->UserEdit->SetText(ini.ReadString("Socks", "Username", ""));
  Gnutella1->SetSocksUsername(f->UserEdit->Text());
  f->PasswordEdit->SetText(ini.ReadString("Socks", "Password", ""));
  Gnutella1->SetSocksPassword(f->PasswordEdit->Text());
  f->DownloadEdit->SetText(ini.ReadString("Downloads", "Directory", ""));
  DownloadDir = f->DownloadEdit->Text();
  f->ShareEdit->SetText(ini.ReadString("Sharing", "Directory", ""));
  f->ShareDir(f->ShareEdit->Text());
  f->UltraBox->SetChecked(ini.ReadBool("Tune", "Ultra", false));
  f->DoUltra(f);
  f->NeedUltraBox->SetChecked(ini.ReadBool("Tune", "NeedUltra", false));
  f->DoNeed(f);
  f->MinSpin->SetValue(ini.ReadInteger("Tune", "MinClients", f->MinSpin->Value()));
  f->MinClients(f);
  f->MaxSpin->SetValue(ini.ReadInteger("Tune", "MaxClients", f->MaxSpin->Value()));
  f->MaxClients(f);
  f->SearchesBox->SetChecked(ini.ReadBool("Tune", "Searches", false));
  f->MonitorControl(f);
  return true;
}

// --- incoming files and player -------------------------------------------

void TNutsForm::RubFile(TObject*) {
  for (int i = 0; i < FileList->Items()->Count(); ++i) {
    if (!FileList->Selected(i)) continue;
    const String name = FileList->Items()->Strings(i);
    String folder = FileList->Directory();
    if (!folder.empty() && folder.back() != '\\') folder += "\\";
    if (FileExists(folder + name)) {
      if (!DeleteFile(folder + name)) RaiseLastOSError();
      FileList->Update();
      return;  // the list was re-read: the selection is gone
    }
    MessageBox(Handle(), ("File: " + name + " not found").c_str(), "Error", MB_OK | MB_ICONERROR);
  }
}

void TNutsForm::DoMove(TObject*) { PrepareFileOperation(FolderBox); }

void TNutsForm::DoCopy(TObject* Sender) { DoMove(Sender); }

void TNutsForm::DoName(TObject*) { PrepareFileOperation(Edit4); }

void TNutsForm::RenameKeys(TObject* Sender, Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    NameStuff(Sender);
  }
}

// The rename box in place of the folder box; the typed name is not used.
void TNutsForm::NameStuff(TObject*) { RunFileOperation(Edit4); }

void TNutsForm::Button6Click(TObject*) {
  GnutellaUpLabel->SetCaption(FormatFloat("0.00", GetFileDownSpeed()));
}

void TNutsForm::Gnutella1Pong(TObject*, const String&, const GUID&, const String& PongIP, int Port, DWORD, DWORD) {
  if (!Gnutella1->Connected() && Gnutella1->GetClientCount() < Gnutella1->MaxConnections()) {
    Gnutella1->ConnectTo(PongIP, Port);
  }
}

void TNutsForm::MoveStuff(TObject*) { RunFileOperation(FolderBox); }

void TNutsForm::PrepareFileOperation(TControl* Box) {
  FolderBox->SetDirectory(FileList->Directory());
  zelFiler->FileList()->Clear();  // each operation lists only its own files
  const String folder = ExtractFilePath(Options()->DownloadEdit->Text());
  for (int i = 0; i < FileList->Items()->Count(); ++i) {
    if (!FileList->Selected(i)) continue;
    SourceName = FileList->Items()->Strings(i);
    SourcePath = folder + SourceName;
    zelFiler->FileList()->Add(SourcePath);
  }
  Box->SetVisible(true);
  FolderChosen = false;
}

void TNutsForm::RunFileOperation(TControl* Box) {
  DestFolder = FolderBox->Directory();
  zelFiler->DestFolder = DestFolder;
  Box->SetVisible(false);
  FolderChosen = true;
  // A move into the files' own folder has nothing to do.
  const String own = ExcludeTrailingPathDelimiter(ExtractFilePath(SourcePath));
  if (!SameText(own, ExcludeTrailingPathDelimiter(DestFolder)) && zelFiler->FileList()->Count() > 0) {
    zelFiler->Execute();
  }
  zelFiler->FileList()->Clear();
  FileList->Update();
}

void TNutsForm::StuffUp(TObject*, const String&, bool& Handled) {
  MessageBox(Handle(), "File operation has failed", "Error", MB_OK | MB_ICONERROR);
  Handled = true;
}

void TNutsForm::Controller(TObject*, TVrButtonType Button) {
  auto title = [this] {
    if (PlayerCommands.CurrentTitle) MusicLabel->SetText(PlayerCommands.CurrentTitle());
  };
  switch (Button) {
    case btPlay:
      Navigator->Hint = ("Play");
      if (PlayerCommands.Play) PlayerCommands.Play();
      title();
      break;
    case btStop:
      Navigator->Hint = ("Stop");
      if (PlayerCommands.Stop) PlayerCommands.Stop();
      break;
    case btPause:
      if (PlayerCommands.Pause) PlayerCommands.Pause();
      Navigator->Hint = ("Pause");
      break;
    case btPrev:
    case btNext:
      Navigator->Hint = (Button == btPrev ? "Previous Song" : "Next Song");
      if (PlayerCommands.ShufflePlay) PlayerCommands.ShufflePlay();
      title();
      break;
    default:
      break;
  }
}
