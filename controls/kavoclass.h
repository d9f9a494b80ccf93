// The Kavo control pack's common layer: its component and change-object
// bases, the program-wide application object KavoApplication with its
// timer pool (one window timer serving many items at multiples of 50 ms),
// the ini control component, the one-per-form error and small string,
// path and geometry routines.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Components.h"
#include "classlib/Exceptions.h"
#include "classlib/MessageHandling.h"

enum TKavoPathPrefix { ppWindows, ppSystem, ppProgram, ppFixed };
enum TKavoRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
enum TKavoIniTarget { itIniFile, itRegistry, itAuto };

namespace KavoConst {
inline constexpr const char* SInvalidOwner = "Invalid owner (<>TForm) or second instance on a form";
inline constexpr const char* SAlreadyOne = "Already one %s control in this project!";
inline constexpr const char* SIntervalNotCompatible = "Interval not compatible with MinInterval property!";
inline constexpr const char* SUnknownUser = "(Unknown)";
}  // namespace KavoConst

class KavoEOneInstError : public Exception {
 public:
  // Kind 0: invalid owner or second instance on a form; kind 1: a second
  // instance in the program.
  KavoEOneInstError(const String& ComponentName, int Kind);
};

class TKavoCustomComponent : public TComponent {
 public:
  explicit TKavoCustomComponent(TComponent* AOwner);
  String About;
  TNotifyEvent OnChange;
  bool UpdatesLocked() const { return locked_; }
  void LockUpdates() { locked_ = true; }
  void UnlockUpdates() { locked_ = false; }

 protected:
  // Raises OnChange unless updates are locked.
  virtual void Change();

 private:
  bool locked_ = false;
};

class TKavoObject : public TPersistent {
 public:
  TNotifyEvent OnChange;
  bool UpdateLocked = false;

  void Changed();
  void BeginUpdate() { UpdateLocked = true; }
  void EndUpdate(bool Notify);

 protected:
  virtual void Change();
};

class TKavoTimerPool;

class TKavoTimerItem : public TObject {
 public:
  explicit TKavoTimerItem(TKavoTimerPool* APool);

  std::int32_t MaxCount = -1;
  std::int32_t Counter = 0;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  std::uint16_t ID = 0;
  std::uint16_t Interval() const { return interval_; }
  // Ignored unless a multiple of the pool's MinInterval; 0 counts as
  // MinInterval.
  void SetInterval(std::uint16_t Value);
  std::uint32_t Ticks() const { return ticks_; }
  TKavoTimerPool* Pool() const { return pool_; }
  TNotifyEvent OnTimer;

 private:
  friend class TKavoTimerPool;
  void Tick();

  bool enabled_ = true;
  std::uint16_t interval_ = 1000;
  std::uint32_t ticks_;
  TKavoTimerPool* pool_;
  bool removed_ = false;
};

using TKavoTimerPoolEvent = std::function<void(TObject* Sender, std::uint16_t ID, std::uint32_t Count)>;

class TKavoTimerPool : public TKavoCustomComponent {
 public:
  explicit TKavoTimerPool(TComponent* AOwner, std::uint16_t AMinInterval = 1000);
  ~TKavoTimerPool() override;

  std::uint16_t MinInterval() const { return min_interval_; }
  // Accepted only while the pool is loading or designed.
  void SetMinInterval(std::uint16_t Value);

  // Raises EListError "List index out of bounds (%d)" (as written) for an
  // existing ID and an exception "Interval not compatible with MinInterval
  // property!" for an interval below MinInterval or not a multiple of it;
  // returns the item's index.
  int AddItem(std::uint16_t ID, std::uint16_t Interval, TNotifyEvent Callback);
  void RemoveItem(std::uint16_t ID);
  TKavoTimerItem* ItemByID(std::uint16_t ID) const;
  int IndexOfID(std::uint16_t ID) const;
  int EnabledCount() const;
  int Count() const { return static_cast<int>(items_.size()); }
  TKavoTimerItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)).get(); }
  void Clear();

  bool Running() const { return running_; }
  std::uint32_t TickCount() const { return tick_count_; }
  // Starting makes the hidden window, and runs the window timer when an
  // item is enabled; raises EOutOfResources "Not enough timers available"
  // when the platform refuses. Stopping kills it.
  void UpdateTimer(bool Start);
  // One tick of the pool (what the window timer's message does).
  void Tick();

  TKavoTimerPoolEvent OnTimer;

 private:
  friend class TKavoTimerItem;
  void WndProc(TMessage& Message);
  void SweepRemoved();

  bool running_ = false;
  bool in_tick_ = false;
  std::uint16_t min_interval_;
  HWND window_ = nullptr;
  std::uint32_t tick_count_ = 0;
  std::vector<std::unique_ptr<TKavoTimerItem>> items_;
  bool locked_ = false;
};

class TKavoIniCtrl : public TKavoCustomComponent {
 public:
  explicit TKavoIniCtrl(TComponent* AOwner);

  bool AlphaCounter() const { return alpha_counter_; }
  void SetAlphaCounter(bool Value);
  bool Common = true;
  const String& IniFile() const { return ini_file_; }
  void SetIniFile(const String& Value);
  TKavoPathPrefix IniPrefix = ppWindows;
  std::uint8_t MaxEntries() const { return max_entries_; }
  void SetMaxEntries(std::uint8_t Value);
  bool NetUser() const { return net_user_; }
  void SetNetUser(bool Value);
  String User;
  String RegPath;
  TKavoRegRootKey RegRoot = rpCurrentUser;
  TKavoIniTarget Target = itAuto;
  TKavoIniTarget EffectiveTarget() const { return Target == itAuto ? itRegistry : Target; }

 private:
  bool alpha_counter_ = false;
  String ini_file_;
  std::uint8_t max_entries_ = 16;
  bool net_user_ = false;
};

class TKavoApplication : public TComponent {
 public:
  static constexpr int kTimerSlots = 250;
  static constexpr std::uint16_t kTimerIdBase = 0xFD00;  // 64,768

  explicit TKavoApplication(TComponent* AOwner);
  ~TKavoApplication() override;

  String About = "#tdl";
  TKavoIniCtrl* IniCtrl() const { return ini_ctrl_; }
  TKavoTimerPool* TimerPool() const { return pool_; }
  TKavoPathPrefix LogPrefix = ppProgram;
  const String& LogName() const { return log_name_; }
  void SetLogName(const String& Name);
  bool AlreadyRunning() const { return already_running_; }
  std::int64_t CounterFrequency() const { return counter_frequency_; }

  // A pool item of the interval calling Callback; its identifier, or 0
  // when all 250 slots are taken.
  std::uint16_t Add(std::uint16_t Interval, TNotifyEvent Callback);
  void Remove(std::uint16_t ID);
  TKavoTimerItem* Item(std::uint16_t ID) const;

  // An 8 x 8 checkerboard: white where x and y are both even or both odd,
  // Color elsewhere.
  TBitmap* GetPatternBitmap(TColor Color);

  // True (a violation) when Owner is not a form (nor, when allowed, a
  // data module) or holds more than one component of the class given by
  // IsOfClass; false without a class.
  template <class T>
  static bool CheckOnePerForm(TComponent* Owner, bool AllowDataModule) {
    return CheckOnePerFormImpl(Owner, [](TComponent* c) { return dynamic_cast<T*>(c) != nullptr; },
                               AllowDataModule);
  }
  static bool CheckOnePerFormImpl(TComponent* Owner, const std::function<bool(TComponent*)>& IsOfClass,
                                  bool AllowDataModule);

 private:
  TKavoIniCtrl* ini_ctrl_;
  std::unique_ptr<TBitmap> pattern_bitmap_;
  TColor pattern_color_ = 536870911;
  TKavoTimerPool* pool_;
  String log_name_;
  HANDLE exe_mutex_ = nullptr;
  bool already_running_ = false;
  std::int64_t counter_frequency_ = 0;
  std::array<bool, kTimerSlots + 1> slots_{};
};

// The pack's application object (made by the pack's start-up).
extern TKavoApplication* KavoApplication;
// Makes KavoApplication and installs cursor #16548 as screen cursor -255.
void KavoClassStartup();
// Frees KavoApplication (the end of the program; tests start again).
void KavoClassShutdown();

bool IsBlank(const String& Text);
// The desktop pack has a routine of the same name and signature: each
// pack's lives in its pack's namespace, so that a program can link both.
namespace Kavo {
String AddBackslash(const String& Path);
}  // namespace Kavo
String RemoveBackslash(const String& Path);
String GetPrefixPath(TKavoPathPrefix Prefix, bool WithBackslash);
void GrowRect(TRect& R, int DX, int DY);
void RotatedBounds(TRect& R, int Angle);
int MaxOf(const int* Values, int High);
int MinOf(const int* Values, int High);
int Average(int A, int B);
// The effective user's logon name (read into 63 characters), "(Unknown)"
// when it cannot be read.
String GetCurrentUserName();
