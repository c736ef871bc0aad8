// One control of a window as designed: its kind, text, place and size in twips, and font.
#pragma once

#include <windows.h>

#include "ui/gdi_win32.h"

namespace nimbrel {

struct ControlDesign {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // besides WS_CHILD | WS_VISIBLE
    DWORD exStyle;
    int left;  // twips, from the client area's top-left corner
    int top;
    int width;
    int height;
    FontDesign font;
};

// Command buttons centre their caption and wrap it onto a second line where it does not fit.
inline constexpr DWORD kCommandButton =
    WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;

}  // namespace nimbrel
