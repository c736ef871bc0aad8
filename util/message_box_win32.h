// Message boxes on MessageBoxW.
#pragma once

#include <exception>

#include "util/message_box.h"

namespace nimbrel {

// Owned by the thread's active window, so that the box stays in front of it and blocks it.
class Win32MessageBox : public MessageBox {
  public:
    void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) override;
};

// An error that escaped a handler must not unwind through the system's window code: every window
// procedure catches it and shows it here, and the program goes on with the next message.
void ReportUnhandled(const std::exception& error);

}  // namespace nimbrel
