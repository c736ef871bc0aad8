// The program's life from its start to its end, which every start of work asks: once the program
// is closing, nothing more starts.
#pragma once

namespace nimbrel {

enum class LifeStage { Starting, Running, Closing, Ended };

// Where an error that escaped the program's own handling is told.
enum class FailureOutlet {
    Box,      // a message box, owned by the main window
    Line,     // the status line and its tooltip: the run promised no box
    Nowhere,  // the program is closing: nothing more is shown
};

class ProgramLife {
  public:
    // The window is shown; a close during start-up stays a close.
    void Shown() {
        if (stage_ == LifeStage::Starting) {
            stage_ = LifeStage::Running;
        }
    }
    // Start-up has returned or thrown. One that never showed the window failed, its error told:
    // the run ends rather than go on unseen.
    void StartUpReturned();
    // The window is going, the session ends, or a loop met the quit.
    void Close();
    // The last loop has returned.
    void End() { stage_ = LifeStage::Ended; }

    // The window is up and the program not closing: what a second start hands over is acted on.
    bool Running() const { return stage_ == LifeStage::Running; }
    bool Closing() const { return stage_ == LifeStage::Closing || stage_ == LifeStage::Ended; }
    // Whether an update, a launch or a delayed action may begin now.
    bool MayStart() const { return !Closing(); }
    // `promisedNoBox`: a run whose user may be away (--launch), where a box would hold the
    // program until someone found it.
    FailureOutlet OutletForFailure(bool promisedNoBox) const;
    // The run's exit code: 1 once start-up failed.
    int ExitCode() const { return startFailed_ ? 1 : 0; }

  private:
    LifeStage stage_ = LifeStage::Starting;
    bool startFailed_ = false;
};

}  // namespace nimbrel
