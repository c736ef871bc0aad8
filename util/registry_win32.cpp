#include "util/registry_win32.h"

#include <cstring>
#include <vector>

#include "util/win32_text.h"

namespace nimbrel {

namespace {

HKEY ToHandle(RegistryKey key) {
    // Predefined root keys are sign-extended 32-bit values on 64-bit Windows.
    if (key >= 0x80000000u && key <= 0x80000006u) {
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
    }
    return reinterpret_cast<HKEY>(key);
}

constexpr bool kSixtyFourBitProgram = sizeof(void*) == 8;

// On 32-bit Windows both views are the one view; the 64-bit one is then never opened, since the
// second opening follows a first that found no key.
RegistryView ViewSeenFromHere(bool thirtyTwoBitView) {
    if (kSixtyFourBitProgram) {
        return thirtyTwoBitView ? RegistryView::ThirtyTwoBitFrom64Bit : RegistryView::Own;
    }
    return thirtyTwoBitView ? RegistryView::Own : RegistryView::SixtyFourBitFrom32Bit;
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The value as the core reads it: text as UTF-8 (its NUL kept), anything else byte for byte.
long ReadValueBytes(HKEY key, const std::wstring& name, DWORD& type, std::string& bytes) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    std::vector<BYTE> raw(size);
    result = RegQueryValueExW(key, name.c_str(), nullptr, &type, raw.data(), &size);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    raw.resize(size);
    if (IsText(type)) {
        std::wstring wide(raw.size() / sizeof(wchar_t), L'\0');
        std::memcpy(wide.data(), raw.data(), wide.size() * sizeof(wchar_t));
        bytes = WideToUtf8(wide);
    } else {
        bytes.assign(raw.begin(), raw.end());
    }
    return ERROR_SUCCESS;
}

}  // namespace

long Win32Registry::OpenKey(RegistryKey root, const std::string& path, std::uint32_t options,
                            std::uint32_t access, RegistryKey& opened) {
    const std::wstring widePath = Utf8ToWide(path);
    HKEY key = nullptr;
    LONG result =
        RegOpenKeyExW(ToHandle(root), widePath.c_str(), options, access | KEY_WOW64_32KEY, &key);
    const bool fromThirtyTwoBitView = result != ERROR_FILE_NOT_FOUND;
    if (result == ERROR_FILE_NOT_FOUND) {
        result = RegOpenKeyExW(ToHandle(root), widePath.c_str(), options, access | KEY_WOW64_64KEY,
                               &key);
    }
    if (result == ERROR_SUCCESS) {
        opened = reinterpret_cast<RegistryKey>(key);
        views_[opened] = ViewSeenFromHere(fromThirtyTwoBitView);
    }
    return result;
}

long Win32Registry::QueryValue(RegistryKey key, const std::string& valueName, std::int32_t& type,
                               char* data, std::uint32_t& dataSize) {
    DWORD valueType = 0;
    std::string bytes;
    const long result = ReadValueBytes(ToHandle(key), Utf8ToWide(valueName), valueType, bytes);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    type = static_cast<std::int32_t>(valueType);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
        dataSize = size;
        return ERROR_SUCCESS;
    }
    if (dataSize < size) {
        dataSize = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), size);
    dataSize = size;
    return ERROR_SUCCESS;
}

long Win32Registry::CloseKey(RegistryKey key) {
    views_.erase(key);
    return RegCloseKey(ToHandle(key));
}

RegistryView Win32Registry::ViewOf(RegistryKey key) const {
    const auto view = views_.find(key);
    return view == views_.end() ? RegistryView::Own : view->second;
}

}  // namespace nimbrel
