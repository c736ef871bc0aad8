// Fly! started once the first update has written the weather, and watched until it ends.
#include "app/frm_nimbrel.h"
#include "util/simulator.h"

namespace nimbrel {

namespace {

constexpr const char* kEarlyEndText =
    "Fly! ended within seconds of its start\n\n"
    "A launcher that starts the simulator and then ends, or a crash, ends it this soon. Nimbrel "
    "stays open and keeps the weather up to date; close it when you are done.";

}  // namespace

void FrmNimbrel::StartWatchedSimulator() {
    simulatorDue_.reset();
    std::unique_ptr<StartedProgram> simulator = LaunchSimulator(
        {services_.registry, services_.messageBox, services_.environment}, services_.launcher);
    if (!simulator) {
        // The message box has said why; the weather goes on.
        return;
    }
    simulatorStartedAt_ = services_.clock.Now();
    services_.pump.WatchForExit(std::move(simulator), [this] { SimulatorEnded(); });
}

void FrmNimbrel::SimulatorEnded() {
    if (services_.clock.Now() - simulatorStartedAt_ < kEarlySimulatorEnd) {
        services_.messageBox.Show(kEarlyEndText, kLaunchTitle, MessageBoxIcon::Information);
        return;
    }
    controls_.form.Close();
}

}  // namespace nimbrel
