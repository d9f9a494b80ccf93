#include "platform/net/guids.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

// Fills `size` bytes from the kernel's random source.
bool RandomBytes(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::getrandom(out + done, size - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::ifstream urandom("/dev/urandom", std::ios::binary);
      return static_cast<bool>(urandom.read(reinterpret_cast<char*>(out + done),
                                            static_cast<std::streamsize>(size - done)));
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at `text`.
bool ReadHex(const char* text, int digits, std::uint32_t* value) {
  std::uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int d = HexValue(text[i]);
    if (d < 0) return false;
    v = v << 4 | static_cast<std::uint32_t>(d);
  }
  *value = v;
  return true;
}

}  // namespace

HRESULT CoCreateGuid(GUID* guid) {
  if (guid == nullptr) return E_INVALIDARG;
  BYTE bytes[16];
  if (!RandomBytes(bytes, sizeof bytes)) return E_FAIL;
  std::memcpy(guid, bytes, sizeof bytes);
  guid->Data3 = static_cast<WORD>((guid->Data3 & 0x0FFF) | 0x4000);    // version 4
  guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // variant 10xx
  return S_OK;
}

int StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
  if (text == nullptr || size < 39) return 0;
  std::snprintf(
      text, static_cast<std::size_t>(size), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
      static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
      guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return 39;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) {
  if (text == nullptr) return E_INVALIDARG;
  auto* buffer = static_cast<LPOLESTR>(CoTaskMemAlloc(39));
  if (buffer == nullptr) return E_OUTOFMEMORY;
  StringFromGUID2(clsid, buffer, 39);
  *text = buffer;
  return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (text == nullptr || clsid == nullptr) return E_INVALIDARG;
  return platform::GuidFromText(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

bool IsEqualGUID(REFGUID a, REFGUID b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

LPVOID CoTaskMemAlloc(SIZE_T size) {
  return std::malloc(size == 0 ? 1 : size);
}

void CoTaskMemFree(LPVOID memory) {
  std::free(memory);
}

namespace platform {

std::string GuidToText(const GUID& guid) {
  char text[39];
  StringFromGUID2(guid, text, sizeof text);
  return std::string(text, 38);
}

bool GuidFromText(const std::string& text, GUID* guid) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return false;
  }
  const char* p = text.c_str();
  std::uint32_t data1 = 0, data2 = 0, data3 = 0;
  if (!ReadHex(p + 1, 8, &data1) || !ReadHex(p + 10, 4, &data2) || !ReadHex(p + 15, 4, &data3)) {
    return false;
  }
  GUID result;
  result.Data1 = data1;
  result.Data2 = static_cast<WORD>(data2);
  result.Data3 = static_cast<WORD>(data3);
  static constexpr int kByteOffsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    std::uint32_t byte = 0;
    if (!ReadHex(p + kByteOffsets[i], 2, &byte)) return false;
    result.Data4[i] = static_cast<BYTE>(byte);
  }
  *guid = result;
  return true;
}

}  // namespace platform
