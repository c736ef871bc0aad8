// Text at the Windows edge: the core speaks UTF-8, the W functions UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace nimbrel {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// The system's description of an error code, e.g. "Access is denied." (without the line end).
// `module` names a library whose message table holds the code (such as winhttp.dll's); the
// system's table is the fallback.
std::string SystemErrorText(DWORD code, HMODULE module = nullptr);

}  // namespace nimbrel
