#include "util/simulator.h"

#include <cstdint>

#include "util/join_path.h"
#include "util/reg_utils.h"

namespace nimbrel {

namespace {

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr const char* kLaunchTitle = "Launch Fly!";

}  // namespace

std::optional<std::string> LookUpSimulatorFolder(Registry& registry, MessageBox& messageBox) {
    std::int32_t valueType = 2;
    // Trimming comes first, so spaces before the stored NUL stay part of the folder.
    std::string folder = TrimSpaces(kvoGetRegEntry(registry, messageBox, kSimulatorHive,
                                                   kSimulatorKey, kSimulatorValue, valueType));
    if (folder.empty()) {
        return std::nullopt;
    }
    // Windows reads the folder up to a NUL: the one stored after it, or an earlier one. A string
    // stored without any keeps every character.
    return folder.substr(0, folder.find('\0'));
}

void LaunchSimulator(Registry& registry, MessageBox& messageBox, ProcessLauncher& launcher) {
    const std::optional<std::string> folder = LookUpSimulatorFolder(registry, messageBox);
    if (!folder) {
        messageBox.Show(std::string("Fly! could not be found: the registry value ") +
                            kSimulatorValue + " of " + kSimulatorHive + "\\" + kSimulatorKey +
                            " is missing or unreadable.\n\nInstall Fly!, or repair its "
                            "installation, and try again.",
                        kLaunchTitle, MessageBoxIcon::Critical);
        return;
    }
    const std::string program = JoinPath(*folder, kSimulatorProgram);
    if (const auto reason = launcher.Start(program, *folder, WindowState::Maximized)) {
        messageBox.Show("Fly! could not be started from\n" + program + "\n\n" + *reason,
                        kLaunchTitle, MessageBoxIcon::Critical);
    }
}

}  // namespace nimbrel
