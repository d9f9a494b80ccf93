// A registry pointed at a fresh temporary folder, and small helpers for
// writing and reading values.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/reg/registry.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class RegistryTest : public ::testing::Test {
 protected:
  // The folder stays pointed at this test's (removed) folder afterwards, so
  // nothing can ever reach the user's real settings.
  void SetUp() override { platform::SetRegistryFolder(folder_.path().string()); }

  std::string folder() const { return folder_.path().string(); }
  std::string HiveText(const char* stem = "HKEY_CURRENT_USER") const {
    return ReadFile(folder_.path() / (std::string(stem) + ".reg"));
  }

  static HKEY Create(HKEY root, const char* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, disposition),
              ERROR_SUCCESS)
        << path;
    return key;
  }
  static LONG SetString(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    return RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  }
  static LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value);
  }
  // The value's bytes, or an empty vector with `error` set.
  static std::vector<BYTE> Query(HKEY key, const char* name, DWORD* type = nullptr,
                                 LONG* error = nullptr) {
    DWORD size = 0;
    LONG result = RegQueryValueEx(key, name, nullptr, type, nullptr, &size);
    std::vector<BYTE> data(size);
    if (result == ERROR_SUCCESS && size > 0) {
      result = RegQueryValueEx(key, name, nullptr, type, data.data(), &size);
    }
    if (error != nullptr) *error = result;
    if (result != ERROR_SUCCESS) data.clear();
    return data;
  }
  // What opening a key gives (the key is closed again).
  static LONG OpenResult(HKEY root, const char* path, DWORD access = KEY_READ) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyEx(root, path, 0, access, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result;
  }
  // What asking for a value's size gives.
  static LONG QueryResult(HKEY key, const char* name) {
    DWORD size = 0;
    return RegQueryValueEx(key, name, nullptr, nullptr, nullptr, &size);
  }
  // How many sub-keys and values a key holds.
  static std::pair<DWORD, DWORD> Counts(HKEY key) {
    DWORD sub_keys = 0, values = 0;
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    return {sub_keys, values};
  }
  static std::string QueryString(HKEY key, const char* name) {
    auto data = Query(key, name);
    if (!data.empty() && data.back() == 0) data.pop_back();
    return std::string(data.begin(), data.end());
  }

  TempDir folder_;
};

}  // namespace velko_test
