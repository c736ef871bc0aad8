// Asking the server which observing cycle is current.
#include "app/frm_nimbrel.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/zulu_cycle.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAList() {
    ZuluCycle.clear();
    ZuluPage.clear();
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
    ZuluCycle = services_.server.layout == ServerLayout::Classic
                    ? GetZulu(ZuluPage)
                    : CycleFromServerDate(info.date, services_.clock.UtcNow());
    if (ZuluCycle.empty()) {
        ShowFailure(TransferFailureText("The METAR page names no observing cycle"));
    }
}

}  // namespace nimbrel
