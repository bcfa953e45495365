// <windows.h> as the Win32 platform's sources see it. The engine's headers come first: they name messages,
// keys and answers as Win32 does (the values agree, so the macros that follow expand to the same numbers),
// and a few Win32 macros and functions carry the names of the engine's own. The Direct3D names of
// qzrenderapi.h (HRESULT among them) clash with it: a source includes one or the other.
#pragma once

#include "qzmessage.h"
#include "qzmessagequeue.h"
#include "qzplatform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN 1
#endif
#ifndef NOMINMAX
#define NOMINMAX 1
#endif
// The engine's PostQuitMessage appends to its own queue; the system's is declared under another name.
#define PostQuitMessage qzWin32SystemPostQuitMessage
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>
#undef PostQuitMessage

// Methods of the platform interface that the A/W macros would rename.
#undef CreateFont
#undef CreateWindow
#undef LoadIcon
#undef MessageBox
#undef RegisterClass
#undef SetWindowText
#undef UnregisterClass
