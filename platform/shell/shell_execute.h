// ShellExecute: "open" of a web address, a document or a program. Web
// addresses and documents go to the desktop's opener (xdg-open, started
// without a shell through the process starter, so tests record it);
// programs are started with the parameters.
#pragma once

#include "platform/core/types.h"

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

// Returns a value above 32 on success, else one of the SE_ERR_ codes.
HINSTANCE ShellExecute(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                       LPCSTR directory, INT show);
