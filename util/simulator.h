// Finding the simulator's installation folder and starting the simulator from it.
#pragma once

#include <optional>
#include <string>

#include "util/message_box.h"
#include "util/process_launcher.h"
#include "util/registry.h"

namespace nimbrel {

inline constexpr const char* kSimulatorHive = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kSimulatorKey = "SOFTWARE\\Terminal Reality\\Fly!";
inline constexpr const char* kSimulatorValue = "TargetDir";
inline constexpr const char* kSimulatorProgram = "fly.exe";

// The installation folder as the registry names it, up to the NUL stored with it or any earlier
// one, whole when it has none; nullopt when there is no folder to name (no key, no value, or a
// failed read).
std::optional<std::string> LookUpSimulatorFolder(Registry& registry, MessageBox& messageBox);

// Starts the simulator maximised in its own folder. Tells the user in a message box when it
// cannot be found or started.
void LaunchSimulator(Registry& registry, MessageBox& messageBox, ProcessLauncher& launcher);

}  // namespace nimbrel
