// GUIDs: creation from the system's random source and their text form.
//
// The text form is the brace-enclosed 8-4-4-4-12 upper-case hexadecimal
// text ("{6B29FC40-CA47-1067-B31D-00DD010662DA}"): Data1, Data2 and Data3 as
// numbers, then the eight bytes of Data4. A GUID's 16 bytes in memory (and
// on the wire) are Data1, Data2 and Data3 little-endian, then Data4.
//
// Text is 8-bit here, like every text call of the platform: LPOLESTR is a
// char string, allocated with CoTaskMemAlloc and freed with CoTaskMemFree.
#pragma once

#include <string>

#include "platform/core/types.h"

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};
};
static_assert(sizeof(GUID) == 16);
using CLSID = GUID;
using IID = GUID;
using LPGUID = GUID*;
using LPCLSID = CLSID*;
using REFGUID = const GUID&;
using REFCLSID = const CLSID&;

using HRESULT = LONG;
using OLECHAR = char;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

// A new random (version 4) GUID.
HRESULT CoCreateGuid(GUID* guid);
// The text form in a string from CoTaskMemAlloc.
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
// Writes the text form with its terminating NUL; returns the number of
// characters written including the NUL (39), or 0 when `size` is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int size);
// Reads the text form (hexadecimal digits in either case);
// CO_E_CLASSSTRING when the text is not one.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
bool IsEqualGUID(REFGUID a, REFGUID b);

LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID memory);

namespace platform {

// The text form as a string (no allocation to free).
std::string GuidToText(const GUID& guid);
// Reads the text form; false when the text is not one.
bool GuidFromText(const std::string& text, GUID* guid);

}  // namespace platform
