// TStrings (the abstract string list with names and values, text forms and
// file loading) and TStringList (the list itself, optionally sorted).
//
// Text forms:
// - Text: every string followed by CR LF. Setting it splits at CR, LF or
//   CR LF (a lone CR or LF ends a line too).
// - DelimitedText: the strings joined by Delimiter; a string holding a
//   space, a control character, QuoteChar or Delimiter is written in
//   QuoteChar quotes with the quote characters inside doubled. Reading
//   splits at Delimiter and also at spaces and control characters outside
//   quotes; a quoted part may hold anything (doubled quotes give one);
//   blanks around the delimiters are skipped; a delimiter at the very end
//   adds an empty string. A list of one empty string is written as two
//   quote characters.
// - CommaText: DelimitedText with "," and '"'.
// Text set through Text, DelimitedText, CommaText or loaded from a file
// ends at its first NUL character, as a zero-terminated text does.
#pragma once

#include <functional>
#include <vector>

#include "classlib/Components.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
 public:
  TStrings() = default;

  virtual int Count() const = 0;
  // The string at Index; raises EStringListError "List index out of bounds
  // (<index>)" for an index out of range.
  virtual String Get(int Index) const = 0;
  virtual void Put(int Index, const String& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);

  String Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const String& S) { Put(Index, S); }
  String operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const String& S);
  virtual int AddObject(const String& S, TObject* AObject);
  void Append(const String& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  virtual void Insert(int Index, const String& S) = 0;
  virtual void InsertObject(int Index, const String& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const String& S) const;
  virtual int IndexOfName(const String& Name) const;
  virtual int IndexOfObject(TObject* AObject) const;
  // True when both lists hold the same strings in the same order.
  bool Equals(TStrings* Strings) const;
  // Copies the strings, objects, Delimiter, QuoteChar and
  // NameValueSeparator of another TStrings.
  void Assign(TPersistent* Source) override;

  // Name=value lines. Names(i) is the text before the first separator of
  // line i ("" when it has none); Values(name) is the text after it on the
  // first line with that name (names compared as the list compares
  // strings), "" when there is none. SetValues with an empty value deletes
  // the line; with a value it replaces the line or adds one.
  String Names(int Index) const;
  String Values(const String& Name) const;
  void SetValues(const String& Name, const String& Value);
  String ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const String& Value);

  String Text() const;
  virtual void SetText(const String& Value);
  String CommaText() const;
  void SetCommaText(const String& Value);
  String DelimitedText() const;
  void SetDelimitedText(const String& Value);
  char Delimiter = ',';
  char QuoteChar = '"';
  char NameValueSeparator = '=';

  // The file or stream (from its position to its end) becomes the Text.
  virtual void LoadFromFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToFile(const String& FileName);
  virtual void SaveToStream(TStream* Stream);

  // While an update is open, the list raises no change events; closing the
  // outermost one raises them once.
  void BeginUpdate();
  void EndUpdate();

 protected:
  // Compares two strings as the list does (ignoring case here).
  virtual int CompareStrings(const String& S1, const String& S2) const;
  virtual void SetUpdateState(bool /*Updating*/) {}
  int UpdateCount() const { return update_count_; }
  [[noreturn]] void Error(const char* Message, int Data) const;

 private:
  int update_count_ = 0;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;

  // On a sorted list, Add finds the string's place; an equal string
  // already there is kept alone (dupIgnore, returning its index), added
  // beside it (dupAccept) or refused with EStringListError (dupError).
  int Add(const String& S) override;
  int AddObject(const String& S, TObject* AObject) override;
  // Inserting at a place is refused on a sorted list (EStringListError).
  void Insert(int Index, const String& S) override;
  void InsertObject(int Index, const String& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  int IndexOf(const String& S) const override;
  // Binary search of a sorted list: true when found; Index is where the
  // string is, or where it would go.
  virtual bool Find(const String& S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  // Case-sensitive lists compare with AnsiCompareStr, others with
  // AnsiCompareText (the default). Changing it re-sorts a sorted list.
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool Value);
  TDuplicates Duplicates = dupIgnore;
  // When true, the list deletes the objects of lines it deletes or clears.
  bool OwnsObjects = false;
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int NewCapacity);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  int CompareStrings(const String& S1, const String& S2) const override;
  void SetUpdateState(bool Updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    String text;
    TObject* object = nullptr;
  };
  void CheckIndex(int Index) const;
  void InsertItem(int Index, const String& S, TObject* AObject);
  void SortNow();

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
};
