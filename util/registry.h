// The registry as the value reader needs it: the three advapi32 calls, nothing more.
#pragma once

#include <cstdint>
#include <string>

namespace nimbrel {

// A predefined root key or an opened key, as the platform numbers them.
using RegistryKey = std::uintptr_t;

// Which of 64-bit Windows' two registry views an opened key belongs to, seen from this program:
// %ProgramFiles% in a value means the Program Files of the view's own programs.
enum class RegistryView {
    Own,                    // this program's view, or the only one (32-bit Windows)
    ThirtyTwoBitFrom64Bit,  // the 32-bit programs' view, read by a 64-bit program
    SixtyFourBitFrom32Bit,  // the 64-bit programs' view, read by a 32-bit program
};

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
    // The view of a key opened by OpenKey and not yet closed.
    virtual RegistryView ViewOf(RegistryKey key) const = 0;
};

}  // namespace nimbrel
