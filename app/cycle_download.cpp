// Fetching the current and the previous hour's cycle files for the update under way.
#include "app/frm_nimbrel.h"
#include "app/update.h"
#include "retrieval/previous_cycle.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAMetar(const std::string& cycle) {
    // Both requests go before the line is painted, which takes milliseconds under Wine.
    const std::string previous = PreviousCycle(cycle);
    update_->RequestReport(ReportFile::Current, cycle);
    update_->RequestReport(ReportFile::Previous, previous);
    SetStatus(kGreen, "Getting Current METAR (" + cycle + ")");
    SetStatus(kGreen, "Getting Previous METAR (" + previous + ")");
}

void FrmNimbrel::HTTP2_DataArrival(std::string chunk) {
    AppendChunk(CurrentMetar, std::move(chunk));
}

void FrmNimbrel::HTTP3_DataArrival(std::string chunk) {
    AppendChunk(PreviousMetar, std::move(chunk));
}

void FrmNimbrel::HTTP2_Error(const TransferFailure& failure) {
    if (Update* owner = OwnerOf(Transfer::Current)) {
        owner->ReportFailed(ReportFile::Current, failure);
    }
}

void FrmNimbrel::HTTP3_Error(const TransferFailure& failure) {
    if (Update* owner = OwnerOf(Transfer::Previous)) {
        owner->ReportFailed(ReportFile::Previous, failure);
    }
}

void FrmNimbrel::HTTP2_Complete(const HttpResponseInfo& info) {
    if (Update* owner = OwnerOf(Transfer::Current)) {
        owner->ReportArrived(ReportFile::Current, info);
    }
}

void FrmNimbrel::HTTP3_Complete(const HttpResponseInfo& info) {
    if (Update* owner = OwnerOf(Transfer::Previous)) {
        owner->ReportArrived(ReportFile::Previous, info);
    }
}

void FrmNimbrel::HTTP4_DataArrival(std::string chunk) {
    AppendChunk(SecondSourceData, std::move(chunk));
}

void FrmNimbrel::HTTP4_Error(const TransferFailure& failure) {
    if (Update* owner = OwnerOf(Transfer::SecondSource)) {
        owner->SecondSourceFailed(failure);
    }
}

void FrmNimbrel::HTTP4_Complete(const HttpResponseInfo& info) {
    if (Update* owner = OwnerOf(Transfer::SecondSource)) {
        owner->SecondSourceArrived(info);
    }
}

}  // namespace nimbrel
