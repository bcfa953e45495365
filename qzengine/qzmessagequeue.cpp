#include "qzmessagequeue.h"

#include "qzdropfiles.h"
#include "qzplatform.h"
#include "qzwindowproc.h"

#include <algorithm>
#include <deque>

namespace {

std::deque<qzMessage> queue;
int quitcode = 0;

} // namespace

void qzPostMessage(const qzMessage& message) {
    // As in Win32, a window has at most one paint waiting: the queued one draws what a later expose showed,
    // and every further paint would be a whole frame more.
    if (message.message == WM_PAINT && std::any_of(queue.begin(), queue.end(), [&](const qzMessage& queued) {
            return queued.message == WM_PAINT && queued.window == message.window;
        }))
        return;
    queue.push_back(message);
}

intptr_t qzSendMessage(const qzMessage& message) {
    return qzWindowProcedure(message);
}

bool PumpMessages() {
    qzGetPlatform().ProcessEvents();
    while (!queue.empty()) {
        qzMessage message = queue.front();
        queue.pop_front();
        if (message.message == WM_QUIT) {
            quitcode = static_cast<int>(message.wparam);
            return false;
        }
        qzWindowProcedure(message);
    }
    return true;
}

void qzWaitForMessage(uint32_t timeout) {
    if (queue.empty() && timeout != 0)
        qzGetPlatform().WaitForEvents(timeout);
}

void PostQuitMessage(int exitcode) {
    qzMessage message;
    message.message = WM_QUIT;
    message.wparam = static_cast<uintptr_t>(exitcode);
    qzPostMessage(message);
}

int qzGetQuitCode() {
    return quitcode;
}

size_t qzGetQueuedMessageCount() {
    return queue.size();
}

void qzDropMessagesFor(qzWindowHandle window) {
    std::erase_if(queue, [window](const qzMessage& message) {
        if (message.window != window)
            return false;
        // the drop's paths are released with the message that carries them
        if (message.message == WM_DROPFILES)
            qzDragFinish(message.wparam);
        return true;
    });
}
