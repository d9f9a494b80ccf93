// A table of handles for one kind of object. Each kind has its own range of
// numbers (a first value and a step), so handles of different kinds never
// look alike, and numbers are never reused, so a stale handle never reaches a
// newer object. The table does no locking: each kind guards it with the lock
// that already guards the kind's other state.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace platform {

template <class Handle, class Value>
class HandleTable {
 public:
  using Map = std::unordered_map<std::uintptr_t, Value>;

  constexpr HandleTable(std::uintptr_t first, std::uintptr_t step) : next_(first), step_(step) {}

  // Stores a value under a new handle.
  Handle Add(Value value) {
    const std::uintptr_t number = next_;
    next_ += step_;
    entries_.emplace(number, std::move(value));
    return ToHandle(number);
  }

  // Stores a value under a number the kind chose itself (outside its range,
  // such as an address); an entry already there is replaced.
  Handle AddAt(std::uintptr_t number, Value value) {
    entries_.insert_or_assign(number, std::move(value));
    return ToHandle(number);
  }

  // The value behind a handle, or null when the handle is unknown or removed.
  Value* Find(Handle handle) {
    auto it = entries_.find(ToNumber(handle));
    return it == entries_.end() ? nullptr : &it->second;
  }
  const Value* Find(Handle handle) const {
    auto it = entries_.find(ToNumber(handle));
    return it == entries_.end() ? nullptr : &it->second;
  }
  bool Contains(Handle handle) const { return entries_.count(ToNumber(handle)) != 0; }

  // Takes the value out; nothing when the handle is unknown.
  std::optional<Value> Take(Handle handle) {
    auto it = entries_.find(ToNumber(handle));
    if (it == entries_.end()) return std::nullopt;
    std::optional<Value> value(std::move(it->second));
    entries_.erase(it);
    return value;
  }
  bool Remove(Handle handle) { return entries_.erase(ToNumber(handle)) != 0; }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // Entries keyed by handle number, for the kinds that walk every object.
  Map& entries() { return entries_; }
  const Map& entries() const { return entries_; }

  // Forgets every entry and starts the numbers again at `first`.
  void Reset(std::uintptr_t first) {
    entries_.clear();
    next_ = first;
  }

  static Handle ToHandle(std::uintptr_t number) {
    if constexpr (std::is_pointer_v<Handle>) {
      return reinterpret_cast<Handle>(number);
    } else {
      return static_cast<Handle>(number);
    }
  }
  static std::uintptr_t ToNumber(Handle handle) {
    if constexpr (std::is_pointer_v<Handle>) {
      return reinterpret_cast<std::uintptr_t>(handle);
    } else {
      return static_cast<std::uintptr_t>(handle);
    }
  }

 private:
  Map entries_;
  std::uintptr_t next_;
  std::uintptr_t step_;
};

// A table of shared objects with a lock of its own, for the kinds whose
// table guards nothing else. Objects handed out stay alive while a caller
// holds them, even when their handle is closed meanwhile.
template <class Handle, class Object>
class SharedHandleTable {
 public:
  SharedHandleTable(std::uintptr_t first, std::uintptr_t step) : table_(first, step) {}

  Handle Add(std::shared_ptr<Object> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    return table_.Add(std::move(object));
  }
  // The object behind a handle, or null when the handle is unknown or closed.
  std::shared_ptr<Object> Find(Handle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto* object = table_.Find(handle);
    return object == nullptr ? nullptr : *object;
  }
  // Takes the object out (null when the handle is unknown); the caller
  // releases it outside the lock.
  std::shared_ptr<Object> Take(Handle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto object = table_.Take(handle);
    return object ? std::move(*object) : nullptr;
  }
  std::size_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return table_.size();
  }

 private:
  mutable std::mutex mutex_;
  HandleTable<Handle, std::shared_ptr<Object>> table_;
};

}  // namespace platform
