#include "classlib/Strings.h"

#include <algorithm>
#include <utility>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Sorting.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"

// --- TStrings ---

void TStrings::Error(const char* Message, int Data) const {
  throw EStringListError(Format(Message, Data));
}

void TStrings::Put(int Index, const String& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

TObject* TStrings::GetObject(int /*Index*/) const { return nullptr; }

void TStrings::PutObject(int /*Index*/, TObject* /*AObject*/) {}

int TStrings::Add(const String& S) {
  const int index = Count();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const String& S, TObject* AObject) {
  const int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    const String s1 = Get(Index1);
    TObject* o1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s1);
    PutObject(Index2, o1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    const String s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const String& S) const {
  for (int i = 0; i < Count(); ++i) {
    if (CompareStrings(Get(i), S) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(const String& Name) const {
  for (int i = 0; i < Count(); ++i) {
    const String s = Get(i);
    const auto p = s.find(NameValueSeparator);
    if (p != String::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < Count(); ++i) {
    if (GetObject(i) == AObject) return i;
  }
  return -1;
}

bool TStrings::Equals(TStrings* Strings) const {
  if (Count() != Strings->Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    if (Get(i) != Strings->Get(i)) return false;
  }
  return true;
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TStrings*>(Source)) {
    if (source == this) return;
    BeginUpdate();
    try {
      Clear();
      Delimiter = source->Delimiter;
      QuoteChar = source->QuoteChar;
      NameValueSeparator = source->NameValueSeparator;
      AddStrings(source);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

String TStrings::Names(int Index) const {
  const String s = Get(Index);
  const auto p = s.find(NameValueSeparator);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::Values(const String& Name) const {
  const int i = IndexOfName(Name);
  if (i < 0) return String();
  const String s = Get(i);
  return s.substr(s.find(NameValueSeparator) + 1);
}

void TStrings::SetValues(const String& Name, const String& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    if (i < 0) i = Add(String());
    Put(i, Name + NameValueSeparator + Value);
  } else if (i >= 0) {
    Delete(i);
  }
}

String TStrings::ValueFromIndex(int Index) const {
  const String s = Get(Index);
  const auto p = s.find(NameValueSeparator);
  return p == String::npos ? String() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const String& Value) {
  if (!Value.empty()) {
    if (Index < 0) Index = Add(String());
    Put(Index, Names(Index) + NameValueSeparator + Value);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

String TStrings::Text() const {
  String out;
  for (int i = 0; i < Count(); ++i) {
    out += Get(i);
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(const String& Value) {
  BeginUpdate();
  try {
    Clear();
    // The text ends at its first NUL character, as a zero-terminated text.
    std::size_t i = 0;
    const std::size_t n = std::min(Value.find('\0'), Value.size());
    while (i < n) {
      const std::size_t start = i;
      while (i < n && Value[i] != '\r' && Value[i] != '\n') ++i;
      Add(Value.substr(start, i - start));
      if (i < n && Value[i] == '\r') ++i;
      if (i < n && Value[i] == '\n') ++i;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::DelimitedText() const {
  const int count = Count();
  if (count == 1 && Get(0).empty()) return String(2, QuoteChar);
  String out;
  for (int i = 0; i < count; ++i) {
    String s = Get(i);
    bool quote = false;
    for (char c : s) {
      if (static_cast<unsigned char>(c) <= ' ' || c == QuoteChar || c == Delimiter) {
        quote = true;
        break;
      }
    }
    if (quote) s = AnsiQuotedStr(s, QuoteChar);
    if (i > 0) out += Delimiter;
    out += s;
  }
  return out;
}

void TStrings::SetDelimitedText(const String& Value) {
  const auto blank = [](char c) { return c != 0 && static_cast<unsigned char>(c) <= ' '; };
  BeginUpdate();
  try {
    Clear();
    // The text ends at its first NUL character, as a zero-terminated text.
    const char* p = Value.data();
    const char* end = Value.data() + std::min(Value.find('\0'), Value.size());
    while (p != end && blank(*p)) ++p;
    while (p != end) {
      String s;
      if (*p == QuoteChar) {
        s = AnsiExtractQuotedStr(p, end, QuoteChar);
      } else {
        const char* start = p;
        while (p != end && static_cast<unsigned char>(*p) > ' ' && *p != Delimiter) ++p;
        s.assign(start, p);
      }
      Add(s);
      while (p != end && blank(*p)) ++p;
      if (p != end && *p == Delimiter) {
        if (p + 1 == end) Add(String());
        do {
          ++p;
        } while (p != end && blank(*p));
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::CommaText() const {
  TStrings* self = const_cast<TStrings*>(this);
  const char delimiter = Delimiter;
  const char quote = QuoteChar;
  self->Delimiter = ',';
  self->QuoteChar = '"';
  String out = DelimitedText();
  self->Delimiter = delimiter;
  self->QuoteChar = quote;
  return out;
}

void TStrings::SetCommaText(const String& Value) {
  const char delimiter = Delimiter;
  const char quote = QuoteChar;
  Delimiter = ',';
  QuoteChar = '"';
  try {
    SetDelimitedText(Value);
  } catch (...) {
    Delimiter = delimiter;
    QuoteChar = quote;
    throw;
  }
  Delimiter = delimiter;
  QuoteChar = quote;
}

void TStrings::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  try {
    const std::int64_t size = Stream->Size() - Stream->Position();
    String s(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    const int got = s.empty() ? 0 : Stream->Read(s.data(), static_cast<int>(s.size()));
    s.resize(static_cast<std::size_t>(std::max(got, 0)));
    SetText(s);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SaveToStream(TStream* Stream) {
  const String s = Text();
  Stream->WriteBuffer(s.data(), static_cast<int>(s.size()));
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

// --- TStringList ---

TStringList::~TStringList() {
  // Events are not raised from the destructor.
  OnChange = nullptr;
  OnChanging = nullptr;
  if (OwnsObjects) {
    for (Item& item : items_) delete item.object;
  }
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(SysConst::SListIndexError, Index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    Changing();
  } else {
    Changed();
  }
}

String TStringList::Get(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].text;
}

void TStringList::Put(int Index, const String& S) {
  if (sorted_) Error(SysConst::SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].text = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].object;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].object = AObject;
  Changed();
}

int TStringList::Add(const String& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const String& S, TObject* AObject) {
  int index = Count();
  if (sorted_ && Find(S, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) Error(SysConst::SDuplicateString, 0);
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Insert(int Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const String& S, TObject* AObject) {
  if (sorted_) Error(SysConst::SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(SysConst::SListIndexError, Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const String& S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, Item{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* object = items_[static_cast<std::size_t>(Index)].object;
  items_.erase(items_.begin() + Index);
  if (OwnsObjects) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (OwnsObjects) {
    for (Item& item : old) delete item.object;
  }
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
  Changed();
}

int TStringList::IndexOf(const String& S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index = -1;
  return Find(S, index) ? index : -1;
}

bool TStringList::Find(const String& S, int& Index) const {
  bool found = false;
  int l = 0;
  int h = Count() - 1;
  while (l <= h) {
    const int i = (l + h) / 2;
    const int c = CompareStrings(items_[static_cast<std::size_t>(i)].text, S);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != dupAccept) l = i;
      }
    }
  }
  Index = l;
  return found;
}

void TStringList::SortNow() {
  classlib::QuickSort(
      0, Count() - 1,
      [&](int a, int b) {
        return CompareStrings(items_[static_cast<std::size_t>(a)].text, items_[static_cast<std::size_t>(b)].text);
      },
      [&](int a, int b) { std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]); });
}

void TStringList::Sort() {
  if (sorted_ || Count() < 2) return;
  Changing();
  SortNow();
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (sorted_ || Count() < 2) return;
  Changing();
  classlib::QuickSort(
      0, Count() - 1, [&](int a, int b) { return Compare(this, a, b); },
      [&](int a, int b) { std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]); });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  if (Value) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (case_sensitive_ == Value) return;
  case_sensitive_ = Value;
  // A sorted list is put back in order under the new comparison.
  if (sorted_ && Count() > 1) {
    Changing();
    SortNow();
    Changed();
  }
}

void TStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error(SysConst::SListCapacityError, NewCapacity);
  items_.reserve(static_cast<std::size_t>(NewCapacity));
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  return case_sensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}
