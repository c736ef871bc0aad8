// Asking the server which observing cycle is current.
#include "app/frm_nimbrel.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/zulu_cycle.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAList() {
    ZuluCycle.clear();
    ZuluPage.clear();
    passedOverCycle_.clear();
    cycleTransferEnded_ = false;
    controls_.HTTP1.SetUrl(CycleSourceUrl(services_.server));
    controls_.HTTP1.Start();
}

void FrmNimbrel::HTTP1_DataArrival(std::string_view chunk) {
    ZuluPage.append(chunk);
}

void FrmNimbrel::HTTP1_Error(const TransferFailure& failure) {
    cycleTransferEnded_ = true;
    ShowFailure(TransferFailureText(failure));
}

void FrmNimbrel::HTTP1_Complete(const HttpResponseInfo& info) {
    cycleTransferEnded_ = true;
    if (services_.server.layout == ServerLayout::Classic) {
        ZuluCycle = GetZulu(ZuluPage);
    } else {
        const ListedCycle listed = CycleFromListing(ZuluPage, info.date, services_.clock.UtcNow());
        ZuluCycle = listed.cycle;
        passedOverCycle_ = listed.passedOver;
    }
    if (ZuluCycle.empty()) {
        ShowFailure(TransferFailureText("The METAR page names no observing cycle"));
    }
}

}  // namespace nimbrel
