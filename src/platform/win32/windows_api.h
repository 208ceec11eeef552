// windows.h as the backend sees it. The platform API speaks the desktop's own vocabulary, so some
// of its names (SYSTEMTIME, RGB, MessageBox, the WM_, VK_, SM_ and ID numbers) are macros or types
// of windows.h too: the macros go, the API's declarations of the same values stay, and the
// desktop's SYSTEMTIME takes another name. The API's GetSystemMetrics is the one name that cannot
// share a file with windows.h: backend files that include this header never include system.h.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#define SYSTEMTIME WIN32_SYSTEMTIME
#include <windows.h>
// After windows.h, which they build on; every header that names SYSTEMTIME comes in here.
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#undef SYSTEMTIME

#undef RGB
#undef MessageBox
#undef GetOpenFileName
#undef IDOK
#undef IDCANCEL
#undef SM_CXSCREEN
#undef SM_CYSCREEN
#undef WM_KEYDOWN
#undef WM_KEYUP
#undef WM_MOUSEMOVE
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_RBUTTONDOWN
#undef WM_RBUTTONUP
#undef WM_MBUTTONDOWN
#undef WM_MBUTTONUP
#undef WM_MOUSEWHEEL
#undef VK_TAB
#undef VK_RETURN
#undef VK_ESCAPE
#undef VK_SPACE
#undef VK_LEFT
#undef VK_UP
#undef VK_RIGHT
#undef VK_DOWN

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/types.h"

// The screen-size indexes of the desktop's own GetSystemMetrics, whose macros went above.
constexpr int SM_CXSCREEN_WIN32 = 0;
constexpr int SM_CYSCREEN_WIN32 = 1;
