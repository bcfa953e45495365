#include "qzmessagequeue.h"

#include "qzdropfiles.h"
#include "qzplatform.h"
#include "qzwindowproc.h"

#include <algorithm>
#include <array>
#include <deque>

namespace {

std::deque<qzMessage> queue;
int quitcode = 0;
// the keys held as of the message taken last
std::array<bool, 256> held{};

// Key messages press and let go of their key; mouse messages tell Shift and Control; a window that loses
// the focus lets every key go, as their releases go to another.
void TrackKeys(const qzMessage& message) {
    if (message.message == WM_KEYDOWN || message.message == WM_KEYUP)
        held[message.wparam & 0xFF] = message.message == WM_KEYDOWN;
    else if (message.message >= WM_MOUSEMOVE && message.message <= WM_MOUSEWHEEL) {
        held[VK_SHIFT] = (message.wparam & MK_SHIFT) != 0;
        held[VK_CONTROL] = (message.wparam & MK_CONTROL) != 0;
    } else if (message.message == WM_KILLFOCUS)
        held.fill(false);
}

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
        TrackKeys(message);
        qzWindowProcedure(message);
    }
    return true;
}

void qzWaitForMessage(uint32_t timeout) {
    if (queue.empty() && timeout != 0)
        qzGetPlatform().WaitForEvents(timeout);
}

int16_t qzGetMessageKeyState(int key) {
    return key >= 0 && key < static_cast<int>(held.size()) && held[key] ? static_cast<int16_t>(0x8000) : 0;
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
