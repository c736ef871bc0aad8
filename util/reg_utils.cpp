#include "util/reg_utils.h"

#include <array>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "util/runtime_error.h"

namespace nimbrel {

namespace {

std::optional<RegistryKey> RootKeyFor(const std::string& hive) {
    static constexpr std::array<std::pair<std::string_view, RegistryKey>, 7> kHives{{
        {"HKEY_CLASSES_ROOT", 0x80000000},
        {"HKEY_CURRENT_CONFIG", 0x80000005},
        {"HKEY_CURRENT_USER", 0x80000001},
        {"HKEY_DYN_DATA", 0x80000006},
        {"HKEY_LOCAL_MACHINE", 0x80000002},
        {"HKEY_PERFORMANCE_DATA", 0x80000004},
        {"HKEY_USERS", 0x80000003},
    }};
    for (const auto& [name, key] : kHives) {
        if (name == hive) {
            return key;
        }
    }
    return std::nullopt;
}

std::string ReadValue(Registry& registry, RegistryKey root, const std::string& keyPath,
                      const std::string& valueName, std::int32_t& valueType, RegistryView* view) {
    RegistryKey key = 0;
    if (registry.OpenKey(root, keyPath, 0, kKeyRead, key) != 0) {
        return {};
    }
    // The results of both queries are deliberately not tested: a missing value leaves the size at
    // 0 and so yields the empty text.
    std::uint32_t size = 0;
    registry.QueryValue(key, valueName, valueType, nullptr, size);
    std::string data(size, ' ');
    registry.QueryValue(key, valueName, valueType, data.data(), size);
    if (view) {
        *view = registry.ViewOf(key);
    }
    if (registry.CloseKey(key) != 0) {
        valueType = -1;
    }
    return data;
}

void ReportRuntimeError(MessageBox& messageBox, long number, const std::string& description) {
    messageBox.Show(std::to_string(number) + ">  " + description, "GenUtils/kvoGetRegEntry",
                    MessageBoxIcon::Critical);
}

}  // namespace

std::string kvoGetRegEntry(Registry& registry, MessageBox& messageBox, const std::string& hive,
                           const std::string& keyPath, const std::string& valueName,
                           std::int32_t& valueType, RegistryView* view) {
    try {
        const std::optional<RegistryKey> root = RootKeyFor(hive);
        if (!root) {
            return {};
        }
        return ReadValue(registry, *root, keyPath, valueName, valueType, view);
    } catch (const RuntimeError& error) {
        valueType = -1;
        ReportRuntimeError(messageBox, error.Number(), error.what());
    } catch (const std::bad_alloc&) {
        valueType = -1;
        ReportRuntimeError(messageBox, kOutOfMemoryError, "Out of memory");
    }
    return {};
}

}  // namespace nimbrel
