// The registry port on advapi32.
#pragma once

#include <map>

#include "util/registry.h"

namespace nimbrel {

// Reads the 32-bit view first, where the simulator's 32-bit installer writes, and the 64-bit
// view only when the key is missing there. Text values come back as UTF-8 with their NUL.
class Win32Registry : public Registry {
  public:
    long OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                 std::uint32_t access, RegistryKey& opened) override;
    long QueryValue(RegistryKey key, const std::string& valueName, std::int32_t& type, char* data,
                    std::uint32_t& dataSize) override;
    long CloseKey(RegistryKey key) override;
    RegistryView ViewOf(RegistryKey key) const override;

  private:
    std::map<RegistryKey, RegistryView> views_;  // of the keys open
};

}  // namespace nimbrel
