// Asking the server which observing cycle is current.
#include "app/frm_nimbrel.h"
#include "app/update.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAList() {
    ZuluCycle.clear();
    ZuluPage.clear();
    update_->RequestCycle();
}

void FrmNimbrel::HTTP1_DataArrival(std::string chunk) {
    AppendChunk(ZuluPage, std::move(chunk));
}

void FrmNimbrel::HTTP1_Error(const TransferFailure& failure) {
    if (Update* owner = OwnerOf(Transfer::Cycle)) {
        owner->CycleFailed(failure);
    }
}

void FrmNimbrel::HTTP1_Complete(const HttpResponseInfo& info) {
    if (Update* owner = OwnerOf(Transfer::Cycle)) {
        owner->CycleArrived(info);
    }
}

}  // namespace nimbrel
