#include "util/simulator.h"

#include <algorithm>
#include <cstdint>

#include "util/absolute_folder.h"
#include "util/join_path.h"
#include "util/reg_utils.h"
#include "util/view_expansion.h"

namespace nimbrel {

namespace {

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr std::int32_t kExpandableString = 2;  // REG_EXPAND_SZ

}  // namespace

std::optional<std::string> LookUpSimulatorFolder(const SimulatorPlaces& places) {
    std::int32_t valueType = kExpandableString;
    RegistryView view = RegistryView::Own;
    // Trimming comes first, so spaces before the stored NUL stay part of the folder.
    std::string folder =
        TrimSpaces(kvoGetRegEntry(places.registry, places.messageBox, kSimulatorHive, kSimulatorKey,
                                  kSimulatorValue, valueType, &view));
    if (folder.empty()) {
        return std::nullopt;
    }
    // Windows reads the folder up to a NUL: the one stored after it, or an earlier one. A string
    // stored without any keeps every character.
    folder.resize(std::min(folder.size(), folder.find('\0')));
    // Unexpanded, "%ProgramFiles%\Fly!" names a folder that does not exist; expanded as this
    // program means it, it may name the other view's Program Files.
    if (valueType == kExpandableString) {
        folder = ExpandForView(places.environment, folder, view);
    }
    folder = WithBackslashes(std::move(folder));
    // A blank or relative folder would start fly.exe from wherever this program happens to be.
    if (!IsAbsoluteFolder(folder)) {
        return std::nullopt;
    }
    return folder;
}

SimulatorStart StartSimulator(const SimulatorPlaces& places, ProcessLauncher& launcher) {
    const std::optional<std::string> folder = LookUpSimulatorFolder(places);
    if (!folder) {
        return {nullptr, std::string("Fly! could not be found: the registry value ") +
                             kSimulatorValue + " of " + kSimulatorHive + "\\" + kSimulatorKey +
                             " is missing, blank or not a whole folder"};
    }
    const std::string program = JoinPath(*folder, kSimulatorProgram);
    ProgramStart start = launcher.Start(program, *folder, WindowState::Maximized);
    if (start.declined) {
        return {nullptr, kElevationDeclinedText};
    }
    if (!start.program) {
        return {nullptr, "Fly! could not be started from " + program + ": " + start.failure};
    }
    return {std::move(start.program), {}};
}

std::unique_ptr<StartedProgram> LaunchSimulator(const SimulatorPlaces& places,
                                                ProcessLauncher& launcher) {
    SimulatorStart start = StartSimulator(places, launcher);
    if (!start.program) {
        places.messageBox.Show(start.failure, kLaunchTitle, MessageBoxIcon::Critical);
    }
    return std::move(start.program);
}

}  // namespace nimbrel
