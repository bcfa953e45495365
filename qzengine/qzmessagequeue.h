// The engine's message queue and pump. The platform appends messages; PumpMessages hands them one at a time
// from the front to the window procedure of the window they are for.
#pragma once

#include "qzmessage.h"

#include <cstddef>

class qzWindow;

// Appends a message at the back of the queue; a paint for a window whose paint still waits adds nothing.
void qzPostMessage(const qzMessage& message);
// Hands a message to its window's procedure at once, as the platform does for answers it needs now.
intptr_t qzSendMessage(const qzMessage& message);

// Lets the platform deliver what is pending, then dispatches every waiting message. Returns false as soon as
// it takes the quit message (which is not dispatched; the messages behind it stay queued), true when the
// queue is empty.
bool PumpMessages();
// Returns at once while messages wait in the queue; otherwise sleeps until the platform has an event or the
// timeout in milliseconds has passed.
void qzWaitForMessage(uint32_t timeout);
// The state of a key as of the message being dispatched, as Win32's GetKeyState gives it (the high bit set
// while the key is held), so that keys pressed and let go before their messages are taken still count.
int16_t qzGetMessageKeyState(int key);
// Appends the quit message with the exit code.
void PostQuitMessage(int exitcode);

// The exit code of the last quit message taken.
int qzGetQuitCode();
size_t qzGetQueuedMessageCount();
// Drops every queued message for a window that is gone, so none reaches a dead window.
void qzDropMessagesFor(qzWindowHandle window);
