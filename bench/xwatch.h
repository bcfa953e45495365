/* What the benchmarks that watch another program's windows share: the clock they count from, an X error
 * handler that lets windows vanish while they are read, and a window's process id. */
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <time.h>

static inline long long now_ns(void) {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static inline int ignore_errors(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0; /* a window may go away between the listing and the reading */
}

/* The window's _NET_WM_PID, or -1 without one. */
static inline long window_pid(Display* display, Window window, Atom pid_atom) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long pid = -1;
    if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data != NULL && format == 32 && count == 1)
        pid = (long)*(unsigned long*)data;
    if (data != NULL)
        XFree(data);
    return pid;
}
