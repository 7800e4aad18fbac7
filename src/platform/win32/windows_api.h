// The Windows headers for code that also uses platform::Desktop. Windows defines SendMessage,
// GetMessage, MessageBox and the like as macros for their A or W functions, which would rename
// the Desktop methods of the same names wherever both headers meet; this header takes those
// macros away, and such code calls the A functions by their own names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#undef DefWindowProc
#undef DispatchMessage
#undef GetMessage
#undef MessageBox
#undef PeekMessage
#undef PostMessage
#undef RegisterWindowMessage
#undef SendMessage
#undef ShellExecute
