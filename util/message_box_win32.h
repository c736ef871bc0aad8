// Message boxes on MessageBoxW.
#pragma once

#include "util/message_box.h"

namespace nimbrel {

// Owned by the thread's active window, so that the box stays in front of it and blocks it.
class Win32MessageBox : public MessageBox {
  public:
    void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) override;
};

}  // namespace nimbrel
