// The registry as the value reader needs it: the three advapi32 calls, nothing more.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrel {

// A predefined root key or an opened key, as the platform numbers them.
using RegistryKey = std::uintptr_t;

// Shaped after RegOpenKeyExA / RegQueryValueExA / RegCloseKey so that the reader keeps their exact
// semantics. Status codes follow the platform: 0 is success. An implementation signals a failure
// of the call itself (out of memory, a missing entry point) by throwing RuntimeError.
class Registry {
  public:
    virtual ~Registry() = default;

    virtual long OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                         std::uint32_t access, RegistryKey& opened) = 0;
    // With data == nullptr only the type and the needed size are reported. On entry dataSize is
    // the buffer's size in bytes; on return the bytes needed or written.
    virtual long QueryValue(RegistryKey key, const std::string& valueName, std::int32_t& type,
                            char* data, std::uint32_t& dataSize) = 0;
    virtual long CloseKey(RegistryKey key) = 0;
};

}  // namespace nimbrel
