/* Waits for a program's final picture on the screen: polls, every POLL milliseconds, the viewable top-level
 * windows that carry the program's process id or none at all (the display is the benchmark's alone, and
 * some toolkits do not set one), and fingerprints all of their pixels. The picture is final once it has
 * stayed the same for QUIET seconds while the program used at most a tenth of that time of the processor, so
 * that a picture held still while the program works (a progress box, a long frame) does not count.
 * Prints "MILLISECONDS WINDOW", counted from START (nanoseconds of CLOCK_REALTIME, as date +%s%N gives) to
 * the first poll that saw the final picture.
 * Usage: finalframe PID START [QUIET_SECONDS [TIMEOUT_SECONDS [POLL_MS]]]   (2, 600 and 10 by default)
 * Exits 1 when the program ends or the time is up first. */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>
#include <unistd.h>

#include "xwatch.h"

static uint64_t mix_value(uint64_t hash, uint64_t value) {
    return (hash ^ value) * 1099511628211ULL;
}

/* FNV-1a over whole 64-bit words in four independent lanes: the poll must cost the measured program little.
 */
static uint64_t mix(uint64_t hash, const char* bytes, size_t size) {
    uint64_t lanes[4] = {hash, hash + 1, hash + 2, hash + 3}, words[4];
    size_t i = 0;
    for (; i + sizeof words <= size; i += sizeof words) {
        memcpy(words, bytes + i, sizeof words);
        for (int k = 0; k < 4; ++k)
            lanes[k] = mix_value(lanes[k], words[k]);
    }
    for (; i < size; ++i)
        lanes[0] = mix_value(lanes[0], (unsigned char)bytes[i]);
    for (int k = 1; k < 4; ++k)
        lanes[0] = mix_value(lanes[0], lanes[k]);
    return lanes[0];
}

/* A window's pixels through shared memory, which spares the copy through the socket; the segment is kept
 * while the window's size and visual stay. */
struct grabber {
    int shared;
    XShmSegmentInfo segment;
    XImage* image;
};

static void release(Display* display, struct grabber* grabber) {
    if (grabber->image == NULL)
        return;
    if (grabber->shared) {
        XShmDetach(display, &grabber->segment);
        XSync(display, False);
        shmdt(grabber->segment.shmaddr);
        grabber->image->data = NULL;
    }
    XDestroyImage(grabber->image);
    grabber->image = NULL;
}

/* The window's pixels, or NULL; the image stays the grabber's. */
static XImage* grab(Display* display, struct grabber* grabber, Window window, const XWindowAttributes* a) {
    if (!grabber->shared) {
        release(display, grabber);
        grabber->image =
            XGetImage(display, window, 0, 0, (unsigned)a->width, (unsigned)a->height, AllPlanes, ZPixmap);
        return grabber->image;
    }
    XImage* image = grabber->image;
    if (image != NULL && (image->width != a->width || image->height != a->height || image->depth != a->depth))
        release(display, grabber);
    if (grabber->image == NULL) {
        image = XShmCreateImage(display, a->visual, (unsigned)a->depth, ZPixmap, NULL, &grabber->segment,
                                (unsigned)a->width, (unsigned)a->height);
        if (image == NULL)
            return NULL;
        grabber->segment.shmid =
            shmget(IPC_PRIVATE, (size_t)image->bytes_per_line * (size_t)image->height, IPC_CREAT | 0600);
        grabber->segment.shmaddr =
            grabber->segment.shmid < 0 ? (char*)-1 : shmat(grabber->segment.shmid, NULL, 0);
        if (grabber->segment.shmaddr == (char*)-1) {
            XDestroyImage(image);
            return NULL;
        }
        image->data = grabber->segment.shmaddr;
        grabber->segment.readOnly = False;
        XShmAttach(display, &grabber->segment);
        XSync(display, False);
        /* marked for removal now, so that no segment outlives this process */
        shmctl(grabber->segment.shmid, IPC_RMID, NULL);
        grabber->image = image;
    }
    return XShmGetImage(display, window, grabber->image, 0, 0, AllPlanes) ? grabber->image : NULL;
}

/* The fingerprint of everything the program's windows show, 0 while none is shown; *shown is one of them. */
static uint64_t fingerprint(Display* display, struct grabber* grabber, long pid, Atom pid_atom,
                            Window* shown) {
    Window root, parent, *children = NULL;
    unsigned count = 0;
    uint64_t hash = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        long owner = window_pid(display, children[i], pid_atom);
        if ((owner != pid && owner != -1) || !XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable || attributes.class != InputOutput)
            continue;
        XImage* image = grab(display, grabber, children[i], &attributes);
        if (image == NULL)
            continue;
        if (hash == 0)
            hash = 14695981039346656037ULL;
        hash = mix_value(hash, children[i]);
        hash = mix_value(hash, (unsigned long)image->width);
        hash = mix_value(hash, (unsigned long)image->height);
        hash = mix(hash, image->data, (size_t)image->bytes_per_line * (size_t)image->height);
        *shown = children[i];
    }
    if (children != NULL)
        XFree(children);
    return hash;
}

/* The processor time the process has used, in clock ticks; -1 once it has ended (a program that ended stays
 * a zombie until the shell collects it). */
static long long processor_ticks(long pid) {
    char path[64], state = 0;
    unsigned long long user = 0, system = 0;
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE* file = fopen(path, "r");
    if (file == NULL)
        return -1;
    int read = fscanf(file, "%*d (%*[^)]) %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &state,
                      &user, &system);
    fclose(file);
    return read == 3 && state != 'Z' ? (long long)(user + system) : -1;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: finalframe PID START [QUIET_SECONDS [TIMEOUT_SECONDS [POLL_MS]]]\n");
        return 2;
    }
    long pid = strtol(argv[1], NULL, 10);
    long long start = strtoll(argv[2], NULL, 10);
    double quiet = argc > 3 ? atof(argv[3]) : 2;
    long long deadline = now_ns() + (argc > 4 ? atoll(argv[4]) : 600) * 1000000000LL;
    long poll = argc > 5 ? atol(argv[5]) : 10;
    if (quiet <= 0 || poll <= 0) {
        fprintf(stderr, "finalframe: QUIET_SECONDS and POLL_MS must be positive\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "finalframe: no display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
    struct grabber grabber = {XShmQueryExtension(display), {0}, NULL};
    const double tick = 1.0 / (double)sysconf(_SC_CLK_TCK);
    const struct timespec pause = {poll / 1000, (poll % 1000) * 1000000L};
    uint64_t last = 0;
    long long changed = 0, changedticks = 0;
    Window window = 0;
    for (;;) {
        long long ticks = processor_ticks(pid);
        long long now = now_ns();
        if (ticks < 0 || now > deadline)
            break;
        uint64_t picture = fingerprint(display, &grabber, pid, pid_atom, &window);
        if (picture != last) {
            last = picture;
            changed = now;
            changedticks = ticks;
        } else if (picture != 0 && (double)(now - changed) * 1e-9 >= quiet &&
                   (double)(ticks - changedticks) * tick <= quiet / 10) {
            printf("%lld %lu\n", (changed - start) / 1000000, window);
            release(display, &grabber);
            XCloseDisplay(display);
            return 0;
        }
        nanosleep(&pause, NULL);
    }
    release(display, &grabber);
    XCloseDisplay(display);
    return 1;
}
