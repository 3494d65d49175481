/* Watches a rectangle of the X screen many times a second, as a camera pointed at the
 * monitor would, and logs every change: what the user actually got to see, whatever the
 * program under test believes it drew.
 *
 *   screen_watch -o LOG -s STOP_FILE -t MAX_MS X Y W H PX PY
 *
 * X Y W H is a root-window rectangle, PX PY a probe pixel (anywhere on the screen). The
 * first line of LOG is written after the first grab; then one line per change of the
 * rectangle or the probe:  UNIX_MS HASH PROBE_RRGGBB DARK  (DARK: pixels of the
 * rectangle darker than 80 in every channel). The watch ends when STOP_FILE exists or
 * after MAX_MS, with the line  end GRABS. Exit 2 on bad use or no display. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double UnixMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static unsigned long Pixel(XImage* im, int x, int y)
{
    if (im->bits_per_pixel == 32 && im->byte_order == LSBFirst)
        return *(const unsigned int*)(im->data + (size_t)y * im->bytes_per_line + (size_t)x * 4) & 0xFFFFFF;
    return XGetPixel(im, x, y) & 0xFFFFFF;
}

/* A rectangle off the screen ends the watch instead of the program. */
static int IgnoreError(Display* d, XErrorEvent* e)
{
    (void)d;
    (void)e;
    return 0;
}

int main(int argc, char** argv)
{
    const char* log = NULL;
    const char* stop = NULL;
    long maxMs = 0;
    int opt;
    while ((opt = getopt(argc, argv, "o:s:t:")) != -1) {
        if (opt == 'o')
            log = optarg;
        else if (opt == 's')
            stop = optarg;
        else if (opt == 't')
            maxMs = atol(optarg);
        else
            return 2;
    }
    if (!log || !stop || maxMs <= 0 || argc - optind != 6)
        return 2;
    int x = atoi(argv[optind]), y = atoi(argv[optind + 1]);
    int w = atoi(argv[optind + 2]), h = atoi(argv[optind + 3]);
    int px = atoi(argv[optind + 4]), py = atoi(argv[optind + 5]);
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy || w <= 0 || h <= 0)
        return 2;
    XSetErrorHandler(IgnoreError);
    Window root = DefaultRootWindow(dpy);
    FILE* f = fopen(log, "w");
    if (!f)
        return 2;

    double start = UnixMs();
    unsigned lastHash = 0;
    unsigned long lastProbe = 0;
    long grabs = 0;
    struct timespec pause = { 0, 5 * 1000 * 1000 };
    while (UnixMs() - start < maxMs && access(stop, F_OK) != 0) {
        XImage* im = XGetImage(dpy, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        XImage* pr = XGetImage(dpy, root, px, py, 1, 1, AllPlanes, ZPixmap);
        double at = UnixMs();
        if (!im || !pr)
            break;
        unsigned hash = 2166136261u;
        long dark = 0;
        for (int j = 0; j < h; j++)
            for (int i = 0; i < w; i++) {
                unsigned long p = Pixel(im, i, j);
                hash = (hash ^ (unsigned)p) * 16777619u;
                dark += (p & 0xFF) < 80 && ((p >> 8) & 0xFF) < 80 && (p >> 16) < 80;
            }
        unsigned long probe = Pixel(pr, 0, 0);
        XDestroyImage(im);
        XDestroyImage(pr);
        if (grabs++ == 0 || hash != lastHash || probe != lastProbe) {
            fprintf(f, "%.1f %08x %06lx %ld\n", at, hash, probe, dark);
            fflush(f);
        }
        lastHash = hash;
        lastProbe = probe;
        nanosleep(&pause, NULL);
    }
    fprintf(f, "end %ld\n", grabs);
    fclose(f);
    XCloseDisplay(dpy);
    return 0;
}
