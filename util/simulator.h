// Finding the simulator's installation folder and starting the simulator from it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "util/environment.h"
#include "util/message_box.h"
#include "util/process_launcher.h"
#include "util/registry.h"

namespace nimbrel {

inline constexpr const char* kSimulatorHive = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kSimulatorKey = "SOFTWARE\\Terminal Reality\\Fly!";
inline constexpr const char* kSimulatorValue = "TargetDir";
inline constexpr const char* kSimulatorProgram = "fly.exe";
inline constexpr const char* kLaunchTitle = "Launch Fly!";
inline constexpr const char* kElevationDeclinedText =
    "Fly! was not started: running it as administrator was declined";

// Where the simulator is installed and how a start reaches the user.
struct SimulatorPlaces {
    Registry& registry;
    MessageBox& messageBox;
    Environment& environment;
};

// The installation folder as the registry names it, up to the NUL stored with it or any earlier
// one, whole when it has none, with its %VARIABLES% expanded, as its registry view means them, when
// it is stored as an expandable string, and with backslashes; nullopt when there is no folder to
// name (no key, no value, a failed read, or a value that is blank or not a whole path).
std::optional<std::string> LookUpSimulatorFolder(const SimulatorPlaces& places);

struct SimulatorStart {
    std::unique_ptr<StartedProgram> program;  // null when it could not be started
    std::string failure{};                    // then why, in one line naming the place
};

// Starts the simulator maximised in its own folder. Says why it failed to nobody: the caller
// chooses where the reason goes.
SimulatorStart StartSimulator(const SimulatorPlaces& places, ProcessLauncher& launcher);

// Starts the simulator as StartSimulator does, for a click: its user is there to close the
// message box that says why it failed.
std::unique_ptr<StartedProgram> LaunchSimulator(const SimulatorPlaces& places,
                                                ProcessLauncher& launcher);

}  // namespace nimbrel
