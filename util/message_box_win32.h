// Message boxes on MessageBoxW.
#pragma once

#include "util/message_box.h"

// Windows' HWND, declared without <windows.h>, whose MessageBox macro would rename the port.
struct HWND__;

namespace nimbrel {

// Owned by the thread's active window, so that the box stays in front of it and blocks it; with
// none active (another program in front), by the `owner` given, so that it stays with the program's
// window instead of hiding behind the other program.
class Win32MessageBox : public MessageBox {
  public:
    explicit Win32MessageBox(HWND__* owner = nullptr) : owner_(owner) {}

    void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) override;

  private:
    HWND__* owner_;
};

}  // namespace nimbrel
