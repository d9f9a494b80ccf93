// What a class-library call raises, for checking the exception's class and
// message in one line.
#pragma once

#include <optional>
#include <utility>

#include "classlib/Exceptions.h"

namespace velko_test {

// The E (or the E part of a class derived from it) that `action` raises;
// empty when it returns normally. Other exceptions pass through.
template <class E, class Action>
std::optional<E> Raised(Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (const E& e) {
    return e;
  }
  return std::nullopt;
}

// The message of the E that `action` raises.
template <class E, class Action>
String RaisedMessage(Action&& action) {
  const std::optional<E> e = Raised<E>(std::forward<Action>(action));
  return e ? e->Message : String("(nothing raised)");
}

}  // namespace velko_test
