#include "app/frm_nimbrel.h"

#include "util/center_form.h"
#include "util/join_path.h"
#include "util/simulator.h"

namespace nimbrel {

FrmNimbrel::FrmNimbrel(FrmNimbrelControls controls, FrmNimbrelServices services,
                       FrmNimbrelSettings settings)
    : controls_(controls),
      services_(std::move(services)),
      settings_(std::move(settings)),
      http1Events_(*this, &FrmNimbrel::ZuluPage, &FrmNimbrel::HTTP1_DataArrival,
                   &FrmNimbrel::HTTP1_Error, &FrmNimbrel::HTTP1_Complete),
      http2Events_(*this, &FrmNimbrel::CurrentMetar, &FrmNimbrel::HTTP2_DataArrival,
                   &FrmNimbrel::HTTP2_Error, &FrmNimbrel::HTTP2_Complete),
      http3Events_(*this, &FrmNimbrel::PreviousMetar, &FrmNimbrel::HTTP3_DataArrival,
                   &FrmNimbrel::HTTP3_Error, &FrmNimbrel::HTTP3_Complete),
      currentReport_{kCurrentReportName, controls_.HTTP2, CurrentMetar},
      previousReport_{kPreviousReportName, controls_.HTTP3, PreviousMetar} {
    controls_.HTTP1.SetListener(http1Events_);
    controls_.HTTP2.SetListener(http2Events_);
    controls_.HTTP3.SetListener(http3Events_);
}

void FrmNimbrel::Form_Load() {
    CenterForm(services_.screen, controls_.form);
    services_.windows.ShowSplash();
    FillFolderBox();
    SetStatus(kBlue, "Waiting");
}

void FrmNimbrel::Form_Shown() {
    if (settings_.launchSimulator) {
        LaunchAfterFirstUpdate();
        return;
    }
    if (settings_.updateNow) {
        Command1_Click();
    }
}

void FrmNimbrel::FillFolderBox() {
    if (settings_.folder) {
        controls_.Text1.SetText(*settings_.folder);
        return;
    }
    // Without a folder the box still shows where the reports would go, so the user can fix it.
    const std::string folder =
        LookUpSimulatorFolder({services_.registry, services_.messageBox, services_.environment})
            .value_or("");
    controls_.Text1.SetText(JoinPath(folder, "METAR\\"));
}

int FrmNimbrel::RunOnce(StatusLog& log) {
    statusLog_ = &log;
    FillFolderBox();
    runDeadline_ = services_.clock.Now() + kOnceTimeLimit;
    Command1_Click();
    if (closing_) {
        ShowFailure(TransferFailureText("The update did not finish within 5 minutes"));
        return kOnceFailed;
    }
    switch (lastOutcome_) {
        case UpdateOutcome::Written:
            // A note (a file kept, the listing missing) replaces the claim that both were written.
            log.OnStatus(kBlue,
                         (reason_.empty()
                              ? "Wrote CurrentMETAR.txt (" + currentReport_.cycle +
                                    ") and PreviousMETAR.txt (" + previousReport_.cycle + ") in " +
                                    controls_.Text1.Text()
                              : "Up to date in " + controls_.Text1.Text() + " (" + reason_ + ")") +
                             " · " + DataSummary());
            return kOnceWritten;
        case UpdateOutcome::OldData:
            return kOnceOldData;
        case UpdateOutcome::Failed:
        case UpdateOutcome::None:
            break;
    }
    return kOnceFailed;
}

void FrmNimbrel::SetTimer() {
    RestartCountdown();
    StatusText = CountdownText();
    controls_.lblStatus.SetCaption(StatusText);
}

void FrmNimbrel::Command2_Click() {
    services_.windows.ShowAbout();
}

}  // namespace nimbrel
