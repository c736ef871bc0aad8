// Modal message boxes.
#pragma once

#include <string>

namespace nimbrel {

enum class MessageBoxIcon { Critical, Information };

class MessageBox {
  public:
    virtual ~MessageBox() = default;

    // Blocks until the user has closed the box; handlers of other windows may run meanwhile.
    virtual void Show(const std::string& text, const std::string& title, MessageBoxIcon icon) = 0;
};

}  // namespace nimbrel
