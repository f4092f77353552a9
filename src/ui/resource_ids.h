#pragma once

// Command and control ids of the main window; posted commands carry them.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATUS = 1000;
inline constexpr int IDC_PROGRESS = 1001;
inline constexpr int IDC_OPEN = 1003;
inline constexpr int IDC_PROGRAM = 1004;
inline constexpr int IDC_ERASE = 1005;

inline constexpr int IDM_ABOUTBOX = 16;  // the About item's system command
inline constexpr int TIMER_CLOSE = 1;
inline constexpr int CLOSE_TIMER_MS = 1000;
