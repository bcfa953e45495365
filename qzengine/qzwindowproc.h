// The window procedure: the translation of one message into the state and event slots of its qzWindow.
#pragma once

#include "qzmessage.h"

class qzWindow;

// Finds the message's qzWindow (recorded from WM_NCCREATE) and translates the message for it. Messages for
// a window without a qzWindow get the default answer, 0.
intptr_t qzWindowProcedure(const qzMessage& message);

// The translation table for a window that is known.
intptr_t qzWindowProc(qzWindow& window, const qzMessage& message);

// Forgets the qzWindow of a handle (the window is destroyed).
void qzForgetWindowHandle(qzWindowHandle handle);
// Forgets every qzWindow: their messages get the default answer from now on (a crash report leaves the
// program's windows alone).
void qzForgetWindowHandles();
