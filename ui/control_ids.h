// Names by which Nimbrel's windows and their controls are found: the program uses them, and so
// does the end-to-end test driver.
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

// The About box's controls. A name that both windows use has one ID.
inline constexpr int kPicture1Element0Id = 1008;  // elements 0 to 2 follow on
inline constexpr int kLabel1Id = 1011;
inline constexpr int kLabel2Element0Id = 1012;  // elements 0 to 7 follow on
inline constexpr int kLabel3Id = 1020;

inline constexpr wchar_t kMainWindowClass[] = L"Nimbrel.frmNimbrel";
inline constexpr wchar_t kSplashWindowClass[] = L"Nimbrel.splash";
inline constexpr wchar_t kAboutWindowClass[] = L"Nimbrel.AboutNimbrel";

}  // namespace nimbrel
