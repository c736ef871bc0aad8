// Fly! started once the first update has written the weather, and watched until it ends.
#include "app/launch_with_weather.h"

#include "app/frm_nimbrel.h"
#include "util/runtime_error.h"
#include "util/simulator.h"

namespace nimbrel {

namespace {

// On the status line and kept in the tooltip, never in a message box: with --minimized a box
// would hold the updates until someone found and clicked it.
constexpr const char* kEarlyEndText =
    "Fly! ended within seconds of its start (a launcher or a crash); Nimbrel stays open and "
    "keeps the weather up to date";
constexpr const char* kAlreadyRunningText = "Fly! is already running";
constexpr const char* kUnwatchedText =
    "Fly! runs, but Nimbrel cannot follow it and will not close when it ends: ";

// Keeps the registry reader's rare failure, which it would show in a box, for the status line.
class KeptMessage : public MessageBox {
  public:
    void Show(const std::string& text, const std::string&, MessageBoxIcon) override {
        text_ = text;
    }
    // `failure`, with the kept message when there is one.
    std::string Explain(std::string failure) const {
        return text_.empty() ? failure : failure + " (" + text_ + ")";
    }

  private:
    std::string text_;
};

}  // namespace

bool EndedEarly(std::optional<std::chrono::milliseconds> lifetime,
                std::chrono::milliseconds noticedAfter) {
    return lifetime.value_or(noticedAfter) < kEarlySimulatorEnd;
}

void FrmNimbrel::LaunchAfterFirstUpdate() {
    // Fly! reads the reports as it starts, so it waits for the first update, but not long. The
    // limit is an event of its own, so that it holds in every loop, the About box's included.
    watchedSimulator_ = WatchedSimulator::Due;
    services_.pump.PostAfter(kSimulatorStartLimit, [this] { StartDueSimulator(); });
    Command1_Click();
    StartDueSimulator();
}

void FrmNimbrel::StartDueSimulator() {
    if (watchedSimulator_ == WatchedSimulator::Due && life_.MayStart()) {
        StartWatchedSimulator(StartedBy::Program);
    }
}

void FrmNimbrel::StartWatchedSimulator(StartedBy startedBy) {
    watchedSimulator_ = WatchedSimulator::None;
    std::unique_ptr<StartedProgram> simulator;
    if (startedBy == StartedBy::Click) {
        simulator = LaunchSimulator(
            {services_.registry, services_.messageBox, services_.environment}, services_.launcher);
    } else {
        // Nobody may be there to close a box, which would hold the update it opened in: the
        // reason goes on the line and stays in the tooltip, and the weather goes on.
        KeptMessage kept;
        SimulatorStart start =
            StartSimulator({services_.registry, kept, services_.environment}, services_.launcher);
        if (!start.program) {
            TellSimulatorNotice(kept.Explain(std::move(start.failure)));
        }
        simulator = std::move(start.program);
    }
    if (!simulator) {
        return;
    }
    // What the last start or end said no longer holds.
    simulatorNotice_.clear();
    watchedSimulator_ = WatchedSimulator::Running;
    simulatorStartedAt_ = services_.clock.Now();
    try {
        services_.pump.WatchForExit(std::move(simulator),
                                    [this](const StartedProgram& ended) { SimulatorEnded(ended); });
    } catch (const std::exception& error) {
        // Left as running, it would answer every later click with "already running".
        watchedSimulator_ = WatchedSimulator::None;
        TellSimulatorNotice(kUnwatchedText + DescribeError(error));
    }
}

void FrmNimbrel::TellSimulatorNotice(std::string notice) {
    simulatorNotice_ = std::move(notice);
    SetStatus(kRed, simulatorNotice_);
    // With --minimized the line alone would go unseen.
    if (!seen_) {
        controls_.form.Flash();
    }
}

void FrmNimbrel::SimulatorEnded(const StartedProgram& simulator) {
    watchedSimulator_ = WatchedSimulator::None;
    if (!EndedEarly(simulator.Lifetime(), services_.clock.Now() - simulatorStartedAt_)) {
        controls_.form.Close();
        return;
    }
    TellSimulatorNotice(kEarlyEndText);
}

void FrmNimbrel::Command3_Click() {
    if (!life_.MayStart()) {
        return;
    }
    switch (watchedSimulator_) {
        case WatchedSimulator::Due:
            // The click starts the simulator that waits for the first update, at once.
            StartWatchedSimulator(StartedBy::Click);
            return;
        case WatchedSimulator::Running:
            // A notice, not an outcome: the line keeps the colour of the last update's end.
            SetStatus(statusColour_, kAlreadyRunningText);
            return;
        case WatchedSimulator::None:
            break;
    }
    if (settings_.launchSimulator) {
        // After an early end or a failed start, Nimbrel still ends with Fly!.
        StartWatchedSimulator(StartedBy::Click);
        return;
    }
    // Otherwise the button neither waits for the simulator nor watches it.
    if (auto started =
            LaunchSimulator({services_.registry, services_.messageBox, services_.environment},
                            services_.launcher)) {
        simulatorNotice_.clear();
        clickedSimulator_ = std::move(started);
    }
}

}  // namespace nimbrel
