// The About box AboutNimbrel as designed: caption, size, controls and pictures, in twips and
// points.
#pragma once

#include <windows.h>

#include "app/ui_ports.h"
#include "ui/control_design.h"
#include "ui/control_ids.h"
#include "ui/resource_ids.h"

namespace nimbrel::about_window {

inline constexpr wchar_t kCaption[] = L"About Nimbrel";
// Fixed single border with a system menu and close button, and no minimise or maximise box.
inline constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
// Lets the dialog manager move the focus with Tab and find "&Ok" by its access key.
inline constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
inline constexpr int kClientWidth = 8085;
inline constexpr int kClientHeight = 6630;

inline constexpr Colour kLinkBlue = 0xFF0000;
inline constexpr FontDesign kWindowFont{L"MS Sans Serif", 8.25};
inline constexpr FontDesign kTitleFont{.face = L"Arial", .points = 12, .bold = true};
inline constexpr FontDesign kLinkFont{.face = L"MS Sans Serif", .points = 8.25, .underline = true};

// Labels wrap at words within their width and are cut off at their height; they never take the
// focus and show an ampersand as it is.
inline constexpr DWORD kTextLabel = SS_LEFT | SS_NOPREFIX;
// SS_NOTIFY: the link hears clicks.
inline constexpr DWORD kLinkLabel = SS_CENTER | SS_NOPREFIX | SS_NOTIFY;
// The window paints the picture into the box, which takes the focus in its turn.
inline constexpr DWORD kPictureBox = WS_TABSTOP | SS_OWNERDRAW;

inline constexpr int kPicture1Count = 3;
inline constexpr int kLabel2Count = 8;

// Each picture box is exactly the size of its picture at 96 DPI.
struct PictureBoxDesign {
    int id;
    int resourceId;
};

inline constexpr PictureBoxDesign kPictureBoxes[kPicture1Count] = {
    {kPicture1Element0Id, IDR_ABOUT_LOGO},       // 160 x 161 JPEG
    {kPicture1Element0Id + 1, IDR_ABOUT_CLOUD},  // 77 x 75 GIF
    {kPicture1Element0Id + 2, IDR_ABOUT_SUN},    // 75 x 75 BMP
};

// In tab order: the focus moves in creation order, and labels never take it. Label3 shows the
// maker's address, which the window puts in.
inline constexpr ControlDesign kControls[] = {
    {kCommand1Id, L"BUTTON", L"&Ok", kCommandButton, 0, 6480, 5850, 1065, 435, kWindowFont},
    {kPicture1Element0Id, L"STATIC", L"", kPictureBox, 0, 210, 330, 2400, 2415, kWindowFont},
    {kLabel1Id, L"STATIC", L"About Nimbrel", kTextLabel, 0, 2790, 240, 4005, 255, kTitleFont},
    {kLabel2Element0Id, L"STATIC", L"Nimbrel is brought to you by CORVANE SOFTWARE", kTextLabel, 0,
     2790, 630, 5000, 255, kWindowFont},
    {kPicture1Element0Id + 1, L"STATIC", L"", kPictureBox, 0, 120, 5250, 1155, 1125, kWindowFont},
    {kPicture1Element0Id + 2, L"STATIC", L"", kPictureBox, 0, 1350, 5250, 1125, 1125, kWindowFont},
    {kLabel3Id, L"STATIC", L"", kLinkLabel, 0, 4290, 930, 2205, 195, kLinkFont},
    {kLabel2Element0Id + 1, L"STATIC",
     L"Nimbrel's purpose is to automatically retreive METAR data from the NOAA web "
     L"site for use with Terminal Reality's Fly! flight simulation product.  A "
     L"connection to the Internet is required for successful use of Nimbrel.   Nimbrel "
     L"will likely NOT  work with proxy servers.  The METAR data provided through "
     L"Nimbrel belongs in the public domain--Nimbrel the program DOES NOT.",
     kTextLabel, 0, 2790, 1200, 5000, 1185, kWindowFont},
    {kLabel2Element0Id + 2, L"STATIC",
     L"The NOAA does NOT endorse the use of its Internet-based data as a primary tool "
     L"for real-life flight planning due to its inability to guarantee information "
     L"delivery.  DO NOT USE THE DATA PROVIDED THROUGH THIS PROGRAM FOR REAL-WORLD "
     L"FLIGHT PLANNING.",
     kTextLabel, 0, 2790, 2460, 5000, 1005, kWindowFont},
    {kLabel2Element0Id + 3, L"STATIC", L"", kTextLabel, 0, 2790, 3570, 5000, 465, kWindowFont},
    {kLabel2Element0Id + 4, L"STATIC", L"", kTextLabel, 0, 2790, 4050, 5000, 465, kWindowFont},
    {kLabel2Element0Id + 5, L"STATIC", L"", kTextLabel, 0, 2790, 4530, 5000, 585, kWindowFont},
    {kLabel2Element0Id + 6, L"STATIC", L"", kTextLabel, 0, 2790, 5220, 5000, 585, kWindowFont},
    {kLabel2Element0Id + 7, L"STATIC", L"Happy FLYing!", kTextLabel, 0, 2790, 6000, 5000, 255,
     kWindowFont},
};

}  // namespace nimbrel::about_window
