// Reading one registry value as text.
#pragma once

#include <cstdint>
#include <string>

#include "util/message_box.h"
#include "util/registry.h"

namespace nimbrel {

inline constexpr std::uint32_t kKeyRead = 0x20019;

// Returns the value's bytes as text, a stored terminating NUL included as the last character, or
// the empty text when nothing could be read. `valueType` receives the platform's type code; it
// becomes -1 when closing the key fails or a run-time error occurs, which is reported in a
// message box. `view`, when given, receives the registry view the value was read from.
std::string kvoGetRegEntry(Registry& registry, MessageBox& messageBox, const std::string& hive,
                           const std::string& keyPath, const std::string& valueName,
                           std::int32_t& valueType, RegistryView* view = nullptr);

}  // namespace nimbrel
