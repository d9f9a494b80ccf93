// The root of the class hierarchy, the text type, sets and event types.
//
// Conventions of the whole class library (read this before using it):
// - Text is `String`, a std::string holding UTF-8 (the system code page).
//   Positions in the string routines (Copy, Pos, Delete, Insert) count from
//   1, as the class library has them.
// - Properties: a plain property is a public field (`Tag`, `Delimiter`);
//   where reading or writing has an effect the property is a pair of
//   methods, `Foo()` and `SetFoo(v)` (`Name()`, `SetName(v)`). Indexed
//   properties take the index first (`Strings(i)`, `SetStrings(i, s)`).
// - Events are std::function members named as the class library names them
//   (`OnChange`, `OnTimer`). They are called with the sender first and only
//   when assigned.
// - Ownership: a component made with an owner is deleted by that owner.
//   Everything outside the component tree is held by std::unique_ptr or by
//   value; nothing else owns through a raw pointer.
// - Errors are exceptions derived from `Exception` (Exceptions.h).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <typeinfo>

using String = std::string;
// A pointer-sized signed integer (the class library's `Tag` type).
using NativeInt = std::intptr_t;

class TObject;

// The class name of a type as the class library reports it ("TStringList").
String ClassNameOf(const std::type_info& type);

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The name of the object's most derived class, without namespaces.
  String ClassName() const { return ClassNameOf(typeid(*this)); }
  // True when the object is of class T or derives from it.
  template <class T>
  bool InheritsFrom() const {
    return dynamic_cast<const T*>(this) != nullptr;
  }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// True when a pointer (or event) is set.
template <class T>
bool Assigned(const T& value) {
  return static_cast<bool>(value);
}

// Deletes the object and sets the variable to null.
template <class T>
void FreeAndNil(T*& object) {
  T* doomed = object;
  object = nullptr;
  delete doomed;
}

// A set of enumeration values (the class library's `set of` types), for
// enumerations whose values lie between 0 and 63.
template <class E>
class Set {
 public:
  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> members) {
    for (E m : members) bits_ |= Bit(m);
  }

  constexpr bool Contains(E m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr Set& Include(E m) {
    bits_ |= Bit(m);
    return *this;
  }
  constexpr Set& Exclude(E m) {
    bits_ &= ~Bit(m);
    return *this;
  }
  constexpr std::uint64_t Bits() const { return bits_; }
  static constexpr Set FromBits(std::uint64_t bits) {
    Set s;
    s.bits_ = bits;
    return s;
  }

  constexpr Set operator+(Set o) const { return FromBits(bits_ | o.bits_); }
  constexpr Set operator-(Set o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr Set operator*(Set o) const { return FromBits(bits_ & o.bits_); }
  constexpr Set& operator+=(Set o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr Set& operator-=(Set o) {
    bits_ &= ~o.bits_;
    return *this;
  }
  constexpr bool operator==(const Set&) const = default;
  // True when every member of this set is in `o`.
  constexpr bool operator<=(Set o) const { return (bits_ & ~o.bits_) == 0; }

 private:
  static constexpr std::uint64_t Bit(E m) {
    return std::uint64_t{1} << static_cast<unsigned>(m);
  }
  std::uint64_t bits_ = 0;
};
