// Starts the platform helper program as a second process and reads the
// lines it prints. Shared by the core and registry tests.
#pragma once

#include <string>
#include <vector>

#include "tests/support/helper_process.h"

namespace velko_test {

class ChildProcess : public HelperProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& arguments) : HelperProcess("platform_helper", arguments) {}
};

}  // namespace velko_test
