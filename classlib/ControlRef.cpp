#include "classlib/ControlRef.h"

#include <algorithm>
#include <vector>

namespace {

// Every ref that holds a control. Controls live on the main thread, and so
// do the refs to them. Never destroyed: a ref in a static object may still
// let go at program exit.
std::vector<TControlRef*>& LiveRefs() {
  static auto* refs = new std::vector<TControlRef*>;
  return *refs;
}

}  // namespace

TControlRef::TControlRef(TControl* Control) : control_(Control) { Track(); }

TControlRef::~TControlRef() { Untrack(); }

TControlRef::TControlRef(const TControlRef& Other) : control_(Other.control_) { Track(); }

TControlRef& TControlRef::operator=(const TControlRef& Other) { return *this = Other.control_; }

TControlRef& TControlRef::operator=(TControl* Control) {
  if (Control == control_) return *this;
  Untrack();
  control_ = Control;
  Track();
  return *this;
}

void TControlRef::Track() {
  if (control_ != nullptr) LiveRefs().push_back(this);
}

void TControlRef::Untrack() {
  if (control_ == nullptr) return;
  auto& refs = LiveRefs();
  const auto it = std::find(refs.begin(), refs.end(), this);
  if (it != refs.end()) refs.erase(it);
}

void TControlRef::ControlDestroyed(TControl* Control) {
  auto& refs = LiveRefs();
  for (auto it = refs.begin(); it != refs.end();) {
    if ((*it)->control_ == Control) {
      (*it)->control_ = nullptr;
      it = refs.erase(it);
    } else {
      ++it;
    }
  }
}
