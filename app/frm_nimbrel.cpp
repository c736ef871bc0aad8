#include "app/frm_nimbrel.h"

#include <utility>

#include "app/folder_instance.h"
#include "app/update.h"

#include "util/center_form.h"
#include "util/runtime_error.h"

namespace nimbrel {

FrmNimbrel::FrmNimbrel(FrmNimbrelControls controls, FrmNimbrelServices services,
                       FrmNimbrelSettings settings)
    : controls_(controls),
      services_(std::move(services)),
      settings_(std::move(settings)),
      http1Events_(*this, &FrmNimbrel::HTTP1_DataArrival, &FrmNimbrel::HTTP1_Error,
                   &FrmNimbrel::HTTP1_Complete),
      http2Events_(*this, &FrmNimbrel::HTTP2_DataArrival, &FrmNimbrel::HTTP2_Error,
                   &FrmNimbrel::HTTP2_Complete),
      http3Events_(*this, &FrmNimbrel::HTTP3_DataArrival, &FrmNimbrel::HTTP3_Error,
                   &FrmNimbrel::HTTP3_Complete),
      http4Events_(*this, &FrmNimbrel::HTTP4_DataArrival, &FrmNimbrel::HTTP4_Error,
                   &FrmNimbrel::HTTP4_Complete) {
    controls_.HTTP1.SetListener(http1Events_);
    controls_.HTTP2.SetListener(http2Events_);
    controls_.HTTP3.SetListener(http3Events_);
    controls_.HTTP4.SetListener(http4Events_);
}

void FrmNimbrel::Form_Load() {
    CenterForm(services_.screen, controls_.form);
    services_.windows.ShowSplash();
    // A close while the splash was up leaves nothing to start, not even a registry read's box.
    if (life_.Closing()) {
        return;
    }
    FillFolderBox();
    SetStatus(kBlue, "Waiting");
}

void FrmNimbrel::Form_Shown() {
    life_.Shown();
    if (!life_.MayStart()) {
        return;
    }
    if (settings_.launchSimulator) {
        LaunchAfterFirstUpdate();
        return;
    }
    if (settings_.updateNow) {
        Command1_Click();
    }
}

void FrmNimbrel::StartUpReturned() {
    life_.StartUpReturned();
}

void FrmNimbrel::Form_Unload() {
    life_.Close();
}

void FrmNimbrel::Form_Terminate() {
    life_.End();
}

void FrmNimbrel::HandlerFailed(std::exception_ptr error) {
    if (update_) {
        // The platform's code lies between the handler and the update: the update's wait
        // raises it again once it is back.
        if (!heldFailure_) {
            heldFailure_ = error;
        }
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& escaped) {
        TellUnexpected(DescribeError(escaped));
    }
}

void FrmNimbrel::RaiseHeldFailure() {
    if (heldFailure_) {
        std::rethrow_exception(std::exchange(heldFailure_, nullptr));
    }
}

void FrmNimbrel::TellUnexpected(const std::string& text) {
    switch (life_.OutletForFailure(settings_.launchSimulator)) {
        case FailureOutlet::Box:
            services_.messageBox.Show(text, kProgramTitle, MessageBoxIcon::Critical);
            return;
        case FailureOutlet::Line:
            failureNotice_ = text;
            SetStatus(kRed, failureNotice_);
            return;
        case FailureOutlet::Nowhere:
            return;
    }
}

void FrmNimbrel::FillFolderBox() {
    controls_.Text1.SetText(StartFolder(
        settings_.folder, {services_.registry, services_.messageBox, services_.environment}));
}

int FrmNimbrel::RunOnce(StatusLog& log) {
    statusLog_ = &log;
    FillFolderBox();
    runDeadline_ = services_.clock.Now() + kOnceTimeLimit;
    Command1_Click();
    if (Closing()) {
        ShowFailure(TransferFailureText("The update did not finish within 5 minutes"));
        return kOnceFailed;
    }
    const int code = lastResult_.ExitCode();
    if (code == kOnceWritten) {
        log.OnStatus(kBlue, OnceSummary());
    }
    return code;
}

std::string FrmNimbrel::OnceSummary() const {
    const std::string folder = controls_.Text1.Text();
    const std::string notes = lastResult_.Notes();
    std::string text;
    if (lastResult_.wroteBoth && notes.empty()) {
        text = "Wrote CurrentMETAR.txt (" + record_.written[0]->cycle +
               ") and PreviousMETAR.txt (" + record_.written[1]->cycle + ") in " + folder;
    } else {
        // A note (a file kept, the listing missing) replaces the claim that both were written.
        text = "Up to date in " + folder + (notes.empty() ? "" : " (" + notes + ")");
    }
    return text + " \xC2\xB7 " + DataSummary();
}

void FrmNimbrel::SetTimer() {
    RestartCountdown();
    StatusText = CountdownText();
    controls_.lblStatus.SetCaption(StatusText);
}

void FrmNimbrel::Command2_Click() {
    services_.windows.ShowAbout();
}

HttpControl& FrmNimbrel::ControlOf(Transfer transfer) {
    const std::array<HttpControl*, 4> controls{&controls_.HTTP1, &controls_.HTTP2, &controls_.HTTP3,
                                               &controls_.HTTP4};
    return *controls[static_cast<std::size_t>(transfer)];
}

Update* FrmNimbrel::OwnerOf(Transfer transfer) const {
    return transferOwners_[static_cast<std::size_t>(transfer)];
}

void FrmNimbrel::AppendChunk(std::string& buffer, std::string chunk) {
    if (buffer.empty()) {
        buffer = std::move(chunk);
    } else {
        buffer.append(chunk);
    }
}

std::string& FrmNimbrel::BufferOf(Transfer transfer) {
    static constexpr std::array<std::string FrmNimbrel::*, 4> kBuffers{
        &FrmNimbrel::ZuluPage, &FrmNimbrel::CurrentMetar, &FrmNimbrel::PreviousMetar,
        &FrmNimbrel::SecondSourceData};
    return this->*kBuffers[static_cast<std::size_t>(transfer)];
}

}  // namespace nimbrel
