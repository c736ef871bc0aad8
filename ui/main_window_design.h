// The main window frmNimbrel as designed: caption, size, timers and controls, in twips and points.
#pragma once

#include <windows.h>

#include <chrono>

#include "ui/control_design.h"
#include "ui/control_ids.h"

namespace nimbrel::main_window {

inline constexpr wchar_t kCaption[] = L"Nimbrel - Corvane Software";
// Fixed single border: no sizing frame and no maximise box.
inline constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Lets the dialog manager move the focus between the controls with Tab.
inline constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
inline constexpr int kClientWidth = 6720;
inline constexpr int kClientHeight = 1725;

inline constexpr UINT_PTR kTimer1Id = 1;
inline constexpr std::chrono::milliseconds kTimer1Interval{60000};
inline constexpr UINT_PTR kTimer2Id = 2;
inline constexpr std::chrono::milliseconds kTimer2Interval{300};

// Labels wrap at words within their width and are cut off at their one-line height.
inline constexpr DWORD kCaptionLabel = SS_RIGHT | SS_NOPREFIX;
// SS_NOTIFY lets the status line's tooltip see the mouse.
inline constexpr DWORD kStatusLabel = SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
inline constexpr FontDesign kButtonFont{L"Tahoma", 9};

// In tab order: the focus moves in creation order, and labels never take it.
inline constexpr ControlDesign kControls[] = {
    {kText1Id,
     L"EDIT",
     L"E:\\FLY\\METAR\\",
     WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE,
     1710,
     480,
     3135,
     285,
     {L"MS Sans Serif", 8.25}},
    {kCommand1Id, L"BUTTON", L"Get METAR", kCommandButton, 0, 5040, 120, 765, 675, kButtonFont},
    {kLabel1Element0Id,
     L"STATIC",
     L"FLY! METAR Path",
     kCaptionLabel,
     0,
     120,
     510,
     1425,
     225,
     {L"Arial", 8.25}},
    {kCommand2Id, L"BUTTON", L"Help / About", kCommandButton, 0, 270, 900, 705, 675, kButtonFont},
    {kLabel1Element1Id, L"STATIC", L"Status", kCaptionLabel, 0, 60, 180, 1425, 225, {L"Arial", 9}},
    {kLblStatusId, L"STATIC", L"Status", kStatusLabel, 0, 1740, 180, 3150, 240, {L"Arial", 9.75}},
    {kCommand3Id, L"BUTTON", L"Launch Fly!", kCommandButton, 0, 5820, 120, 765, 675, kButtonFont},
};

}  // namespace nimbrel::main_window
