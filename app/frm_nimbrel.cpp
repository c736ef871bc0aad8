#include "app/frm_nimbrel.h"

#include "util/center_form.h"
#include "util/join_path.h"
#include "util/simulator.h"

namespace nimbrel {

FrmNimbrel::FrmNimbrel(FrmNimbrelControls controls, FrmNimbrelServices services)
    : controls_(controls),
      services_(std::move(services)),
      http1Events_(*this, &FrmNimbrel::HTTP1_DataArrival, &FrmNimbrel::HTTP1_Error,
                   &FrmNimbrel::HTTP1_Complete),
      http2Events_(*this, &FrmNimbrel::HTTP2_DataArrival, &FrmNimbrel::HTTP2_Error,
                   &FrmNimbrel::HTTP2_Complete),
      http3Events_(*this, &FrmNimbrel::HTTP3_DataArrival, &FrmNimbrel::HTTP3_Error,
                   &FrmNimbrel::HTTP3_Complete),
      currentReport_{kCurrentReportName, controls_.HTTP2, CurrentMetar},
      previousReport_{kPreviousReportName, controls_.HTTP3, PreviousMetar} {
    controls_.HTTP1.SetListener(http1Events_);
    controls_.HTTP2.SetListener(http2Events_);
    controls_.HTTP3.SetListener(http3Events_);
}

void FrmNimbrel::Form_Load() {
    CenterForm(services_.screen, controls_.form);
    services_.windows.ShowSplash();
    // Without a folder the box still shows where the reports would go, so the user can fix it.
    const std::string folder =
        LookUpSimulatorFolder(services_.registry, services_.messageBox).value_or("");
    controls_.Text1.SetText(JoinPath(folder, "METAR\\"));
    controls_.lblStatus.SetForeColour(kBlue);
    StatusText = "Waiting";
}

void FrmNimbrel::SetTimer() {
    RestartCountdown();
    StatusText = "Next update in 15 minutes";
    controls_.lblStatus.SetCaption(StatusText);
}

void FrmNimbrel::Command2_Click() {
    services_.windows.ShowAbout();
}

void FrmNimbrel::Command3_Click() {
    LaunchSimulator(services_.registry, services_.messageBox, services_.launcher);
}

}  // namespace nimbrel
