// The clock port on the Windows tick count and system time.
#pragma once

#include "app/ui_ports.h"

namespace nimbrel {

class Win32Clock : public Clock {
  public:
    std::chrono::milliseconds Now() const override;
    std::chrono::system_clock::time_point UtcNow() const override;
};

}  // namespace nimbrel
