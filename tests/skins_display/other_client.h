// A plain X window of another "program" (its own X connection), for the
// skinned form to lie above. Apart from the platform headers, whose names
// the X headers take.
#pragma once

#include <memory>

namespace velko_test {

class OtherClient {
 public:
  // A window of x, y, w, h filled with 0xRRGGBB, mapped; null when the
  // server cannot be reached.
  static std::unique_ptr<OtherClient> Open(int x, int y, int w, int h, unsigned long rgb);
  ~OtherClient();
  // Button presses that reached this window so far.
  int Presses();
  // Takes the keyboard focus.
  void TakeFocus();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velko_test
