#include "controls/kavoclass.h"

#include <algorithm>
#include <cmath>

#include "classlib/CursorResources.h"
#include "classlib/FileRoutines.h"
#include "classlib/Form.h"
#include "classlib/FormatRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Screen.h"
#include "classlib/StringRoutines.h"
#include "platform/core/clock.h"
#include "platform/core/mutexes.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/files.h"
#include "platform/sys/user_name.h"
#include "platform/user/user.h"

TKavoApplication* KavoApplication = nullptr;

KavoEOneInstError::KavoEOneInstError(const String& ComponentName, int Kind)
    : Exception(ComponentName + ":\r" +
                (Kind == 0 ? String(KavoConst::SInvalidOwner)
                           : "Already one " + ComponentName + " control in this project!")) {}

// --- bases ---

TKavoCustomComponent::TKavoCustomComponent(TComponent* AOwner) : TComponent(AOwner) {}

void TKavoCustomComponent::Change() {
  if (!locked_ && OnChange) OnChange(this);
}

void TKavoObject::Changed() {
  if (OnChange && !UpdateLocked) Change();
}

void TKavoObject::EndUpdate(bool Notify) {
  UpdateLocked = false;
  if (Notify) Change();
}

void TKavoObject::Change() {
  if (OnChange) OnChange(this);
}

// --- timer items ---

TKavoTimerItem::TKavoTimerItem(TKavoTimerPool* APool)
    : ticks_(1000u / std::max<std::uint16_t>(1, APool->MinInterval())), pool_(APool) {}

void TKavoTimerItem::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  if (Value && MaxCount == 0) return;
  enabled_ = Value;
  Counter = 0;
  // An item enabled again must be served even when the pool timer stopped
  // because nothing was enabled when it last started.
  if (Value && !removed_ && pool_ && !pool_->Running()) pool_->UpdateTimer(true);
}

void TKavoTimerItem::SetInterval(std::uint16_t Value) {
  if (Value == interval_) return;
  const std::uint16_t base = std::max<std::uint16_t>(1, pool_->MinInterval());
  if (Value % base != 0) return;
  ticks_ = Value == 0 ? 1u : Value / base;
  interval_ = Value == 0 ? base : Value;
  Counter = 0;
}

void TKavoTimerItem::Tick() {
  Counter = Counter == INT32_MAX ? 0 : Counter + 1;
  if (Counter == MaxCount) enabled_ = false;
  if (OnTimer) {
    const TNotifyEvent handler = OnTimer;
    handler(pool_);
  } else if (pool_->OnTimer) {
    const TKavoTimerPoolEvent handler = pool_->OnTimer;
    handler(pool_, ID, static_cast<std::uint32_t>(Counter));
  }
}

// --- the pool ---

TKavoTimerPool::TKavoTimerPool(TComponent* AOwner, std::uint16_t AMinInterval)
    : TKavoCustomComponent(AOwner), min_interval_(AMinInterval) {}

TKavoTimerPool::~TKavoTimerPool() {
  if (window_) {
    KillTimer(window_, 1);
    DeallocateHWnd(window_);
  }
}

void TKavoTimerPool::SetMinInterval(std::uint16_t Value) {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning)) min_interval_ = Value;
}

int TKavoTimerPool::IndexOfID(std::uint16_t ID) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->ID == ID && !items_[i]->removed_) return static_cast<int>(i);
  }
  return -1;
}

TKavoTimerItem* TKavoTimerPool::ItemByID(std::uint16_t ID) const {
  const int i = IndexOfID(ID);
  return i < 0 ? nullptr : items_[static_cast<std::size_t>(i)].get();
}

int TKavoTimerPool::EnabledCount() const {
  int n = 0;
  for (const auto& item : items_) n += (item->enabled_ && !item->removed_) ? 1 : 0;
  return n;
}

int TKavoTimerPool::AddItem(std::uint16_t ID, std::uint16_t Interval, TNotifyEvent Callback) {
  if (IndexOfID(ID) >= 0) throw EListError(SysConst::SListIndexError);
  if (Interval < min_interval_ || min_interval_ == 0 || Interval % min_interval_ != 0) {
    throw Exception(KavoConst::SIntervalNotCompatible);
  }
  auto item = std::make_unique<TKavoTimerItem>(this);
  item->ID = ID;
  item->SetInterval(Interval);
  item->OnTimer = std::move(Callback);
  items_.push_back(std::move(item));
  UpdateTimer(true);
  return static_cast<int>(items_.size()) - 1;
}

void TKavoTimerPool::RemoveItem(std::uint16_t ID) {
  const int i = IndexOfID(ID);
  if (i < 0) return;
  TKavoTimerItem* item = items_[static_cast<std::size_t>(i)].get();
  item->enabled_ = false;
  item->OnTimer = nullptr;
  if (in_tick_) {
    // The visit in progress holds the list: the item leaves it when the
    // visit is over.
    item->removed_ = true;
  } else {
    items_.erase(items_.begin() + i);
  }
  if (std::all_of(items_.begin(), items_.end(), [](const auto& it) { return it->removed_; })) UpdateTimer(false);
}

void TKavoTimerPool::SweepRemoved() {
  std::erase_if(items_, [](const std::unique_ptr<TKavoTimerItem>& item) { return item->removed_; });
}

void TKavoTimerPool::Clear() {
  UpdateTimer(false);
  if (in_tick_) {
    for (auto& item : items_) {
      item->removed_ = true;
      item->enabled_ = false;
      item->OnTimer = nullptr;
    }
  } else {
    items_.clear();
  }
}

void TKavoTimerPool::UpdateTimer(bool Start) {
  if (ComponentState().Contains(csDesigning)) return;
  if (!Start) {
    if (window_) KillTimer(window_, 1);
    running_ = false;
    return;
  }
  if (!window_) window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  KillTimer(window_, 1);
  running_ = false;
  if (EnabledCount() > 0) {
    if (SetTimer(window_, 1, min_interval_, nullptr) == 0) throw EOutOfResources(SysConst::SNoTimers);
    tick_count_ = 1;
    running_ = true;
  }
}

void TKavoTimerPool::Tick() {
  if (in_tick_) return;
  in_tick_ = true;
  try {
    if (!locked_) {
      // Items added during the visit wait for the next tick.
      const std::size_t count = items_.size();
      for (std::size_t i = 0; i < count && i < items_.size(); ++i) {
        TKavoTimerItem* item = items_[i].get();
        if (item->removed_ || !item->enabled_ || item->ticks_ == 0) continue;
        if (tick_count_ % item->ticks_ == 0) item->Tick();
      }
    }
    tick_count_ += 1;
  } catch (...) {
    in_tick_ = false;
    SweepRemoved();
    throw;
  }
  in_tick_ = false;
  SweepRemoved();
}

void TKavoTimerPool::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Tick();
    } catch (...) {
      HandleMessageException(this);
    }
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

// --- the ini control ---

TKavoIniCtrl::TKavoIniCtrl(TComponent* AOwner) : TKavoCustomComponent(AOwner) {}

void TKavoIniCtrl::SetAlphaCounter(bool Value) {
  if (Value == alpha_counter_) return;
  alpha_counter_ = Value;
  if (max_entries_ > 26) max_entries_ = 26;
}

void TKavoIniCtrl::SetIniFile(const String& Value) {
  ini_file_ = Value;
  if (!IsBlank(Value) && IsBlank(ExtractFileExt(Value))) ini_file_ += ".INI";
}

void TKavoIniCtrl::SetNetUser(bool Value) {
  if (Value == net_user_) return;
  net_user_ = Value;
  if (Value) User = GetCurrentUserName();
}

void TKavoIniCtrl::SetMaxEntries(std::uint8_t Value) {
  if (Value > 26 && alpha_counter_) return;
  max_entries_ = Value;
}

// --- the application object ---

TKavoApplication::TKavoApplication(TComponent* AOwner) : TComponent(AOwner) {
  ini_ctrl_ = new TKavoIniCtrl(nullptr);
  if (!ComponentState().Contains(csDesigning)) {
    const String exe = ExtractFileName(ParamStr(0));
    exe_mutex_ = CreateMutex(nullptr, FALSE, exe.c_str());
    already_running_ = exe_mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  pool_ = new TKavoTimerPool(nullptr, 50);
  LogPrefix = ppProgram;
  SetLogName("");
  LARGE_INTEGER frequency{};
  if (QueryPerformanceFrequency(&frequency)) counter_frequency_ = frequency.QuadPart;
}

TKavoApplication::~TKavoApplication() {
  delete ini_ctrl_;
  pattern_bitmap_.reset();
  delete pool_;
  if (exe_mutex_) CloseHandle(exe_mutex_);
}

void TKavoApplication::SetLogName(const String& Name) {
  String name = Name;
  if (IsBlank(name)) {
    name = ChangeFileExt(ParamStr(0), ".LOG");
  } else if (IsBlank(ExtractFileExt(name))) {
    name += ".LOG";
  }
  if (LogPrefix != ppFixed) {
    log_name_ = GetPrefixPath(LogPrefix, true) + ExtractFileName(name);
  } else {
    log_name_ = name;
  }
}

std::uint16_t TKavoApplication::Add(std::uint16_t Interval, TNotifyEvent Callback) {
  int slot = 0;
  for (int i = 1; i <= kTimerSlots; ++i) {
    if (!slots_[static_cast<std::size_t>(i)]) {
      slot = i;
      break;
    }
  }
  if (slot == 0) return 0;
  const auto id = static_cast<std::uint16_t>(kTimerIdBase + slot);
  pool_->AddItem(id, Interval, std::move(Callback));
  slots_[static_cast<std::size_t>(slot)] = true;
  return id;
}

void TKavoApplication::Remove(std::uint16_t ID) {
  if (ID <= kTimerIdBase) return;
  pool_->RemoveItem(ID);
  const int slot = ID - kTimerIdBase;
  if (slot <= kTimerSlots) slots_[static_cast<std::size_t>(slot)] = false;
}

TKavoTimerItem* TKavoApplication::Item(std::uint16_t ID) const { return pool_->ItemByID(ID); }

TBitmap* TKavoApplication::GetPatternBitmap(TColor Color) {
  if (!pattern_bitmap_) {
    pattern_bitmap_ = std::make_unique<TBitmap>();
    pattern_bitmap_->SetSize(8, 8);
  } else if (Color == pattern_color_) {
    return pattern_bitmap_.get();
  }
  pattern_color_ = Color;
  TCanvas* c = pattern_bitmap_->Canvas();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) c->SetPixels(x, y, ((x % 2) == (y % 2)) ? clWhite : Color);
  }
  return pattern_bitmap_.get();
}

bool TKavoApplication::CheckOnePerFormImpl(TComponent* Owner, const std::function<bool(TComponent*)>& IsOfClass,
                                           bool AllowDataModule) {
  if (!IsOfClass) return false;
  (void)AllowDataModule;  // the class library here has no data modules
  if (!dynamic_cast<TCustomForm*>(Owner)) return true;
  int n = 0;
  for (int i = 0; i < Owner->ComponentCount(); ++i) n += IsOfClass(Owner->Components(i)) ? 1 : 0;
  return n > 1;
}

void KavoClassStartup() {
  if (KavoApplication) return;
  KavoApplication = new TKavoApplication(nullptr);
  if (Screen) {
    if (HCURSOR cursor = LoadCursorResource(16548)) Screen->SetCursors(-255, cursor);
  }
}

void KavoClassShutdown() { FreeAndNil(KavoApplication); }

// --- routines ---

bool IsBlank(const String& Text) {
  return std::all_of(Text.begin(), Text.end(), [](char c) { return c == ' '; });
}

String Kavo::AddBackslash(const String& Path) {
  if (!IsBlank(Path) && Path.back() == '\\') return Path;
  return Path + "\\";
}

String RemoveBackslash(const String& Path) {
  if (!IsBlank(Path) && Path.back() == '\\') return Path.substr(0, Path.size() - 1);
  return Path;
}

String GetPrefixPath(TKavoPathPrefix Prefix, bool WithBackslash) {
  String path;
  char buffer[261] = {};
  switch (Prefix) {
    case ppWindows:
      GetWindowsDirectory(buffer, 260);
      path = buffer;
      break;
    case ppSystem:
      GetSystemDirectory(buffer, 260);
      path = buffer;
      break;
    case ppProgram:
      path = ExtractFilePath(ParamStr(0));
      break;
    case ppFixed:
      return String();
  }
  return WithBackslash ? Kavo::AddBackslash(path) : RemoveBackslash(path);
}

void GrowRect(TRect& R, int DX, int DY) {
  R.right += DX;
  R.bottom += DY;
}

void RotatedBounds(TRect& R, int Angle) {
  if (Angle == 0) return;
  const double a = Angle * M_PI / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const int hw = (R.right - R.left) / 2, hh = (R.bottom - R.top) / 2;
  const int cx = R.left + hw, cy = R.top + hh;
  const int xs[4] = {-hw, hw, hw, -hw};
  const int ys[4] = {-hh, -hh, hh, hh};
  int minx = INT32_MAX, miny = INT32_MAX, maxx = INT32_MIN, maxy = INT32_MIN;
  for (int i = 0; i < 4; ++i) {
    const int x = cx + static_cast<int>(std::nearbyint(xs[i] * c + ys[i] * s));
    const int y = cy + static_cast<int>(std::nearbyint(-xs[i] * s + ys[i] * c));
    minx = std::min(minx, x);
    maxx = std::max(maxx, x);
    miny = std::min(miny, y);
    maxy = std::max(maxy, y);
  }
  R = Rect(0, 0, maxx - minx, maxy - miny);
}

int MaxOf(const int* Values, int High) {
  int m = Values[0];
  for (int i = 1; i <= High; ++i) m = std::max(m, Values[i]);
  return m;
}

int MinOf(const int* Values, int High) {
  int m = Values[0];
  for (int i = 1; i <= High; ++i) m = std::min(m, Values[i]);
  return m;
}

String GetCurrentUserName() {
  char buffer[64] = {};
  DWORD size = 63;
  if (!GetUserNameA(buffer, &size)) return KavoConst::SUnknownUser;
  return String(buffer);
}

int Average(int A, int B) { return static_cast<int>((static_cast<std::int64_t>(A) + B) / 2); }
