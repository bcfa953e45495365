/* Waits for a program's first frame on the screen: polls, every millisecond, the top-level windows that
 * carry the program's process id until one of them is viewable and its centre is no longer black. A program
 * may replace its first window by another, so every poll looks at all of them afresh.
 * Prints "MILLISECONDS WINDOW", counted from START (nanoseconds of CLOCK_REALTIME, as date +%s%N gives).
 * Usage: firstframe PID START [TIMEOUT_SECONDS]   Exits 1 when the program ends or the time is up first. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "xwatch.h"

/* The window of the program whose centre shows something, or 0. */
static Window shown_window(Display* display, long pid, Atom pid_atom) {
    Window root, parent, *children = NULL, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (window_pid(display, children[i], pid_atom) != pid ||
            !XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        XImage* image = XGetImage(display, children[i], attributes.width / 2, attributes.height / 2, 1, 1,
                                  AllPlanes, ZPixmap);
        if (image == NULL)
            continue;
        if ((XGetPixel(image, 0, 0) & 0xFFFFFF) != 0)
            found = children[i];
        XDestroyImage(image);
    }
    if (children != NULL)
        XFree(children);
    return found;
}

/* Whether the process still runs: a program that ended stays a zombie until the shell collects it. */
static int running(long pid) {
    char path[64], state = 0;
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE* file = fopen(path, "r");
    if (file == NULL)
        return 0;
    int read = fscanf(file, "%*d (%*[^)]) %c", &state);
    fclose(file);
    return read == 1 && state != 'Z';
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: firstframe PID START [TIMEOUT_SECONDS]\n");
        return 2;
    }
    long pid = strtol(argv[1], NULL, 10);
    long long start = strtoll(argv[2], NULL, 10);
    long long deadline = now_ns() + (argc > 3 ? atoll(argv[3]) : 30) * 1000000000LL;
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "firstframe: no display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
    const struct timespec pause = {0, 1000000};
    while (now_ns() < deadline && running(pid)) {
        Window window = shown_window(display, pid, pid_atom);
        if (window != 0) {
            printf("%lld %lu\n", (now_ns() - start) / 1000000, window);
            XCloseDisplay(display);
            return 0;
        }
        nanosleep(&pause, NULL);
    }
    XCloseDisplay(display);
    return 1;
}
