// The program's life from its start to its end, which every start of work asks: once the program
// is closing, nothing more starts.
#pragma once

namespace nimbrel {

enum class LifeStage { Starting, Splash, Running, Closing, Ended };

// Where an error that escaped the program's own handling is told.
enum class FailureOutlet {
    Box,      // a message box, owned by the main window
    Line,     // the status line and its tooltip: the run promised no box
    Nowhere,  // the program is closing: nothing more is shown
};

class ProgramLife {
  public:
    void SplashShown() { Move(LifeStage::Starting, LifeStage::Splash); }
    void SplashClosed() { Move(LifeStage::Splash, LifeStage::Starting); }
    void Shown() { Move(LifeStage::Starting, LifeStage::Running); }
    // The window is going, the session ends, or a loop met the quit.
    void Close();
    // The last loop has returned.
    void End() { stage_ = LifeStage::Ended; }

    bool Closing() const { return stage_ == LifeStage::Closing || stage_ == LifeStage::Ended; }
    // Whether an update, a launch or a delayed action may begin now.
    bool MayStart() const { return !Closing(); }
    // `promisedNoBox`: a run whose user may be away (--launch), where a box would hold the
    // program until someone found it.
    FailureOutlet OutletForFailure(bool promisedNoBox) const;

  private:
    // Moves on only from `from`: a close is never undone by a later step of start-up.
    void Move(LifeStage from, LifeStage to);

    LifeStage stage_ = LifeStage::Starting;
};

}  // namespace nimbrel
