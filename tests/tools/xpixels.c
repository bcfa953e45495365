/* Takes one screenshot of an X window and answers questions about its pixels, one line per question:
 *   X,Y          the colour at (X, Y) as "R G B"
 *   box:R,G,B    the bounding box of the pixels of exactly that colour as "X Y W H", or "none"
 *   save:FILE    writes the whole shot as a binary PPM (for looking at a failure) and prints "saved"
 * Usage: xpixels WINDOW QUESTION...   (WINDOW in decimal or 0x hexadecimal) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return (unsigned)(((pixel >> shift) & mask) * 255 / mask);
}

static void colour(XImage* image, int x, int y, unsigned rgb[3]) {
    unsigned long pixel = XGetPixel(image, x, y);
    rgb[0] = channel(pixel, image->red_mask);
    rgb[1] = channel(pixel, image->green_mask);
    rgb[2] = channel(pixel, image->blue_mask);
}

static int save(XImage* image, const char* path) {
    FILE* file = fopen(path, "wb");
    if (file == NULL)
        return 0;
    fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            unsigned rgb[3];
            colour(image, x, y, rgb);
            fputc((int)rgb[0], file);
            fputc((int)rgb[1], file);
            fputc((int)rgb[2], file);
        }
    }
    return fclose(file) == 0;
}

static void box(XImage* image, const unsigned want[3]) {
    int left = image->width, top = image->height, right = -1, bottom = -1;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            unsigned rgb[3];
            colour(image, x, y, rgb);
            if (rgb[0] != want[0] || rgb[1] != want[1] || rgb[2] != want[2])
                continue;
            if (x < left)
                left = x;
            if (x > right)
                right = x;
            if (y < top)
                top = y;
            if (y > bottom)
                bottom = y;
        }
    }
    if (right < 0)
        printf("none\n");
    else
        printf("%d %d %d %d\n", left, top, right - left + 1, bottom - top + 1);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: xpixels WINDOW QUESTION...\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xpixels: no display\n");
        return 2;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        fprintf(stderr, "xpixels: no window %s\n", argv[1]);
        return 2;
    }
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width, (unsigned)attributes.height,
                              AllPlanes, ZPixmap);
    if (image == NULL) {
        fprintf(stderr, "xpixels: the window cannot be read\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        const char* question = argv[i];
        int x, y;
        unsigned rgb[3];
        if (strncmp(question, "save:", 5) == 0) {
            if (save(image, question + 5)) {
                printf("saved\n");
            } else {
                fprintf(stderr, "xpixels: cannot write %s\n", question + 5);
                status = 2;
            }
        } else if (sscanf(question, "box:%u,%u,%u", &rgb[0], &rgb[1], &rgb[2]) == 3) {
            box(image, rgb);
        } else if (sscanf(question, "%d,%d", &x, &y) == 2 && x >= 0 && y >= 0 && x < image->width &&
                   y < image->height) {
            colour(image, x, y, rgb);
            printf("%u %u %u\n", rgb[0], rgb[1], rgb[2]);
        } else {
            fprintf(stderr, "xpixels: bad question '%s'\n", question);
            status = 2;
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return status;
}
