#include "network_ui/nuts.h"

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "network_ui/FormControls.h"
#include "network_ui/NutOptions.h"
#include "network_ui/NutsSettings.h"

TNutsForm* NutsForm = nullptr;

namespace {

constexpr const char* kHostNames[4] = {"connect1.velkonet.example", "connect2.velkonet.example",
                                       "connect3.velkonet.example", "connect4.velkonet.example"};

// Answers a request to erase a control's background with the window's
// picture, when the window has one.
bool ErasedWithPicture(TNutsForm* form, TWinControl* control, TMessage& message) {
  if (message.Msg != WM_ERASEBKGND || !form->PaintBackdrop(control, reinterpret_cast<HDC>(message.WParam))) {
    return false;
  }
  message.Result = 1;
  return true;
}

// A page that shows the window's picture behind what it holds.
class TPictureSheet : public TTabSheet {
 public:
  explicit TPictureSheet(TNutsForm* form) : TTabSheet(form), form_(form) {}
  void Dispatch(TMessage& Message) override {
    if (ErasedWithPicture(form_, this, Message)) return;
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
    if (ErasedWithPicture(form_, this, Message)) return;
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

TPageControl* MakePages(TNutsForm* form, TWinControl* parent, const char* name) {
  auto* pages = new TPicturePages(form);
  pages->SetName(name);
  pages->SetParent(parent);
  pages->SetStyle(tsButtons);
  return pages;
}


}  // namespace

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
constexpr int kPagesLeft = 6, kPagesTop = 4;
constexpr int kPagesBottom = kPagesTop + kNutsResultHeight + 2 * kTabRow;
constexpr int kNavigatorWidth = 180, kNavigatorHeight = 20;
constexpr int kNavigatorLeft = kPagesLeft + kNutsResultWidth - kNavigatorWidth;
constexpr int kNavigatorTop = kPagesBottom + 8;
constexpr int kRowTop = kPagesBottom + 19;  // the search row, level with the bar and title box
}  // namespace

void TNutsForm::MakeTabs() {
  Transfer = MakePages(this, this, "Transfer");
  Transfer->SetBounds(kPagesLeft, kPagesTop, kNutsResultWidth, kPagesBottom - kPagesTop);
  TabSheet1 = AddPictureSheet(Transfer, "TabSheet1", "Search Results");
  ResultPages = MakePages(this, TabSheet1, "ResultPages");
  ResultPages->SetAlign(alClient);
  TabSheet2 = AddPictureSheet(Transfer, "TabSheet2", "Hosts");
  HostList = MakeControl<TListView>(this, TabSheet2, "HostList", 0, 0, kNutsResultWidth, 400);
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

  TabSheet4 = AddPictureSheet(Transfer, "TabSheet4", "Transfers");
  const int half = (kPagesBottom - kPagesTop - kTabRow) / 2;
  DownList = MakeControl<TListView>(this, TabSheet4, "DownList", 0, 0, kNutsResultWidth, half);
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
  UpList = MakeControl<TListView>(this, TabSheet4, "UpList", 0, half, kNutsResultWidth, half);
  UpList->SetAlign(alClient);
  UpList->SetViewStyle(vsReport);
  UpList->SetRowSelect(true);
  AddColumns(UpList, {{"Filename", 200}, {"Filesize", 70}, {"Progress", 60}, {"Status", 110}, {"Range", 100},
                      {"User-Agent", 100}, {"Current Speed", 50}, {"Average Speed", 50}});
  UpMenu = new TPopupMenu(this);
  AddMenuItem(this, UpMenu, "Abort Transfer", [this](TObject* s) { UpAbort(s); });
  AddMenuItem(this, UpMenu, "Clear File", [this](TObject* s) { UpClear(s); });
  UpList->SetPopupMenu(UpMenu);

  TabSheet3 = AddPictureSheet(Transfer, "TabSheet3", "Network Monitor");
  ListBox1 = MakeControl<TListBox>(this, TabSheet3, "ListBox1", 0, 0, kNutsResultWidth, 400);
  ListBox1->SetAlign(alClient);
  TabSheet5 = AddPictureSheet(Transfer, "TabSheet5", "Network Statistics");

  FileTab = AddPictureSheet(Transfer, "FileTab", "Incoming Files");
  FileList = MakeControl<TFileListBox>(this, FileTab, "FileList", 0, 0, kNutsResultWidth, 400);
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

TTabSheet* TNutsForm::AddPictureSheet(TPageControl* Pages, const char* Name, const String& Caption) {
  auto* sheet = new TPictureSheet(this);
  if (Name[0] != '\0') sheet->SetName(Name);
  sheet->SetPageControl(Pages);
  sheet->SetCaption(Caption);
  return sheet;
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
  try {
    if (!LoadSettings() && Options()->ShowModal() == mrOk) {
      CheckPortTexts(Options());
      SaveSettings();
      LoadSettings();
    }
  } catch (...) {
    // The window does not open; the next show loads (or asks) again.
    settings_loaded_ = false;
    throw;
  }
  const String folder = Options()->DownloadEdit->Text();
  if (DirectoryExists(folder)) FileList->SetDirectory(folder);
}

void TNutsForm::Options1Click(TObject*) {
  Options()->ShareTarget = Gnutella1;
  if (Options()->ShowModal() == mrOk) {
    CheckPortTexts(Options());
    SaveSettings();
    LoadSettings();
  }
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

