// Names by which Nimbrel's windows and the main window's controls are found: the program uses
// them, and so does the end-to-end test driver.
#pragma once

namespace nimbrel {

// Clear of IDOK (1) and IDCANCEL (2), which the dialog manager sends for Enter and Escape.
inline constexpr int kText1Id = 1001;
inline constexpr int kCommand1Id = 1002;
inline constexpr int kCommand2Id = 1003;
inline constexpr int kCommand3Id = 1004;
inline constexpr int kLblStatusId = 1005;
inline constexpr int kLabel1Element0Id = 1006;
inline constexpr int kLabel1Element1Id = 1007;

inline constexpr wchar_t kMainWindowClass[] = L"Nimbrel.frmNimbrel";
inline constexpr wchar_t kSplashWindowClass[] = L"Nimbrel.splash";

}  // namespace nimbrel
