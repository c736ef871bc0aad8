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
    if (services_.server.layout == ServerLayout::Current) {
        // The listing only advises: the files can still be fetched (a server may refuse folder
        // indexes), and each body is judged before it replaces a report.
        TakeListedCycle("", failure.date);
        return;
    }
    ShowFailure(TransferFailureText(failure));
}

void FrmNimbrel::HTTP1_Complete(const HttpResponseInfo& info) {
    cycleTransferEnded_ = true;
    if (services_.server.layout == ServerLayout::Classic) {
        ZuluCycle = GetZulu(ZuluPage);
    } else {
        TakeListedCycle(ZuluPage, info.date);
    }
    if (ZuluCycle.empty()) {
        ShowFailure(TransferFailureText("The METAR page names no observing cycle"));
    }
}

void FrmNimbrel::TakeListedCycle(std::string_view listing, const std::string& date) {
    const ListedCycle listed = CycleFromListing(listing, date, services_.clock.UtcNow());
    ZuluCycle = listed.cycle;
    passedOverCycle_ = listed.passedOver;
    if (!listed.listed) {
        NoteReason(ReasonRank::Note, "folder listing not available");
    }
}

}  // namespace nimbrel
