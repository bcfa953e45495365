// The system calls the platform's tests make on their own, behind the engine's plain types: the tests include
// the engine's headers, whose Direct3D names <windows.h> would clash with.
#pragma once

#include "qzmessage.h"
#include "qzplatform.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace nativewin32 {

void PostNative(qzWindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// The system's close request, as the close box makes it.
void RequestClose(qzWindowHandle window);

bool IsWindow(qzWindowHandle window);
uint32_t GetStyle(qzWindowHandle window);
uint32_t GetExStyle(qzWindowHandle window);
qzWindowHandle GetParent(qzWindowHandle window);
// The client area in screen pixels.
qzRect GetClientOnScreen(qzWindowHandle window);
// Moves and sizes the outer rectangle as a user dragging the frame would.
void MoveWindowTo(qzWindowHandle window, const qzRect& outer);
bool BringToFront(qzWindowHandle window);

qzWindowHandle GetCapture();
// The cursor shown now, and the system's cursor of an IDC_ number (32512 the arrow, 32513 the I-beam...).
uintptr_t GetCursor();
uintptr_t GetSystemCursor(unsigned idc);

// A pixel of the client area as 0xRRGGBB.
uint32_t GetClientPixel(qzWindowHandle window, int32_t x, int32_t y);

uintptr_t GetControlFont(qzWindowHandle control);
// Presses a push button as the mouse would.
void ClickButton(qzWindowHandle button);

// Real input through the system's queue.
void SendKey(uint8_t key, bool down, bool extended = false);
void SendWheel(int delta);

// Answers the dialog with this title, once it appears, with a command (IDOK, IDNO...), after typing text
// into its file-name box when there is one; owner receives the dialog's owner. Waits in a thread of its own
// for at most 10 s, then cancels any dialog and sets owner to QZNODIALOG; join it after the dialog call.
constexpr qzWindowHandle QZNODIALOG = ~qzWindowHandle{0};
std::thread AnswerDialog(const std::string& title, int command, const std::string& filename,
                         qzWindowHandle* owner);

// Empties the clipboard.
void ClearClipboard();

// Posts WM_DROPFILES with a drop of these paths at a client point, as the shell does.
void PostFileDrop(qzWindowHandle window, const std::vector<std::string>& paths, int32_t x, int32_t y);

// The contents of a file, read with the C runtime.
std::string ReadFile(const std::string& path);

} // namespace nativewin32
