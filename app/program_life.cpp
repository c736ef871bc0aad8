#include "app/program_life.h"

namespace nimbrel {

void ProgramLife::Close() {
    if (!Closing()) {
        stage_ = LifeStage::Closing;
    }
}

void ProgramLife::StartUpReturned() {
    if (stage_ == LifeStage::Starting) {
        startFailed_ = true;
        stage_ = LifeStage::Closing;
    }
}

FailureOutlet ProgramLife::OutletForFailure(bool promisedNoBox) const {
    if (Closing()) {
        return FailureOutlet::Nowhere;
    }
    // Before the window is up nobody sees its line, and a failed start-up ends the run, so a box
    // holds nothing back.
    if (stage_ == LifeStage::Starting || !promisedNoBox) {
        return FailureOutlet::Box;
    }
    return FailureOutlet::Line;
}

}  // namespace nimbrel
