#include "app/program_life.h"

namespace nimbrel {

void ProgramLife::Close() {
    if (!Closing()) {
        stage_ = LifeStage::Closing;
    }
}

FailureOutlet ProgramLife::OutletForFailure(bool promisedNoBox) const {
    if (Closing()) {
        return FailureOutlet::Nowhere;
    }
    return promisedNoBox ? FailureOutlet::Line : FailureOutlet::Box;
}

void ProgramLife::Move(LifeStage from, LifeStage to) {
    if (stage_ == from) {
        stage_ = to;
    }
}

}  // namespace nimbrel
