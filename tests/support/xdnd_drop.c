/* A drag-and-drop source for X11, as a file manager would be: it drops files onto the
 * window under a screen point through the XDND protocol, so that the program under test
 * receives a real drop from outside.
 *
 *   xdnd_drop [-r RESULT_FILE] X Y FILE...
 *
 * X and Y are root-window coordinates; each FILE is a Linux path (UTF-8). Exit 0 when the
 * target finished the drop, 1 when it refused or never answered, 2 on bad use or no
 * display. With -r the exit code (and a reason) is also written to RESULT_FILE, for a
 * caller that cannot wait for this process. Every wait is bounded. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

enum { WAIT_MS = 5000, XDND_VERSION = 5 };

static Display* dpy;
static Atom aAware, aSelection, aEnter, aPosition, aStatus, aLeave, aDrop, aFinished;
static Atom aActionCopy, aUriList, aTargets;
static const char* resultFile;

static int Finish(int code, const char* why)
{
    if (code)
        fprintf(stderr, "xdnd_drop: %s\n", why);
    if (resultFile) {
        FILE* f = fopen(resultFile, "w");
        if (f) {
            fprintf(f, "%d %s\n", code, why);
            fclose(f);
        }
    }
    if (dpy)
        XCloseDisplay(dpy);
    return code;
}

static long NowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

/* The XDND version a window announces, 0 when it takes no drops. */
static int AwareVersion(Window w)
{
    Atom type;
    int format;
    unsigned long n, left;
    unsigned char* data = NULL;
    int version = 0;
    if (XGetWindowProperty(dpy, w, aAware, 0, 1, False, AnyPropertyType, &type, &format, &n, &left, &data) ==
            Success &&
        data && n == 1 && format == 32)
        version = (int)*(long*)data;
    if (data)
        XFree(data);
    return version;
}

/* Walks down from the root to the outermost window under the point that takes drops. */
static Window FindTarget(int x, int y, int* version)
{
    Window root = DefaultRootWindow(dpy);
    Window w = root;
    for (int depth = 0; depth < 32; depth++) {
        int cx, cy;
        Window child = None;
        if (!XTranslateCoordinates(dpy, root, w, x, y, &cx, &cy, &child) || child == None)
            return None;
        w = child;
        *version = AwareVersion(w);
        if (*version > 0)
            return w;
    }
    return None;
}

/* file:// address of a path, with every byte outside the unreserved set escaped. */
static void AppendUri(char* out, size_t cap, const char* path)
{
    static const char hex[] = "0123456789ABCDEF";
    size_t n = strlen(out);
    const char* head = "file://";
    for (const char* h = head; *h && n + 1 < cap; h++)
        out[n++] = *h;
    for (const unsigned char* p = (const unsigned char*)path; *p && n + 4 < cap; p++) {
        unsigned char c = *p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || strchr("-._~/", c)) {
            out[n++] = (char)c;
        } else {
            out[n++] = '%';
            out[n++] = hex[c >> 4];
            out[n++] = hex[c & 15];
        }
    }
    if (n + 3 < cap) {
        out[n++] = '\r';
        out[n++] = '\n';
    }
    out[n] = 0;
}

static void SendClient(Window target, Atom type, long l1, long l2, long l3, long l4, Window source)
{
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.display = dpy;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)source;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
}

static void AnswerRequest(const XSelectionRequestEvent* r, const char* uris)
{
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = dpy;
    reply.xselection.requestor = r->requestor;
    reply.xselection.selection = r->selection;
    reply.xselection.target = r->target;
    reply.xselection.time = r->time;
    reply.xselection.property = None;
    Atom property = r->property != None ? r->property : r->target;
    if (r->target == aUriList) {
        XChangeProperty(dpy, r->requestor, property, aUriList, 8, PropModeReplace, (const unsigned char*)uris,
                        (int)strlen(uris));
        reply.xselection.property = property;
    } else if (r->target == aTargets) {
        Atom targets[2] = { aTargets, aUriList };
        XChangeProperty(dpy, r->requestor, property, XA_ATOM, 32, PropModeReplace, (const unsigned char*)targets, 2);
        reply.xselection.property = property;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

int main(int argc, char** argv)
{
    int a = 1;
    if (a + 1 < argc && strcmp(argv[a], "-r") == 0) {
        resultFile = argv[a + 1];
        a += 2;
    }
    if (argc - a < 3)
        return Finish(2, "usage: xdnd_drop [-r RESULT_FILE] X Y FILE...");
    int x = atoi(argv[a]);
    int y = atoi(argv[a + 1]);

    static char uris[65536];
    uris[0] = 0;
    for (int i = a + 2; i < argc; i++)
        AppendUri(uris, sizeof uris, argv[i]);

    dpy = XOpenDisplay(NULL);
    if (!dpy)
        return Finish(2, "no display");
    aAware = XInternAtom(dpy, "XdndAware", False);
    aSelection = XInternAtom(dpy, "XdndSelection", False);
    aEnter = XInternAtom(dpy, "XdndEnter", False);
    aPosition = XInternAtom(dpy, "XdndPosition", False);
    aStatus = XInternAtom(dpy, "XdndStatus", False);
    aLeave = XInternAtom(dpy, "XdndLeave", False);
    aDrop = XInternAtom(dpy, "XdndDrop", False);
    aFinished = XInternAtom(dpy, "XdndFinished", False);
    aActionCopy = XInternAtom(dpy, "XdndActionCopy", False);
    aUriList = XInternAtom(dpy, "text/uri-list", False);
    aTargets = XInternAtom(dpy, "TARGETS", False);

    int version = 0;
    Window target = FindTarget(x, y, &version);
    if (target == None)
        return Finish(1, "no window under the point takes drops");
    if (version > XDND_VERSION)
        version = XDND_VERSION;

    Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, aSelection, source, CurrentTime);
    if (XGetSelectionOwner(dpy, aSelection) != source)
        return Finish(1, "could not own XdndSelection");

    SendClient(target, aEnter, (long)version << 24, (long)aUriList, None, None, source);
    SendClient(target, aPosition, 0, ((long)x << 16) | (y & 0xFFFF), CurrentTime, (long)aActionCopy, source);

    int dropped = 0;
    long deadline = NowMs() + WAIT_MS;
    int fd = ConnectionNumber(dpy);
    while (NowMs() < deadline) {
        if (!XPending(dpy)) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(fd, &set);
            struct timeval tv = { 0, 20000 };
            select(fd + 1, &set, NULL, NULL, &tv);
            continue;
        }
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == SelectionRequest) {
            AnswerRequest(&e.xselectionrequest, uris);
        } else if (e.type == ClientMessage && e.xclient.message_type == aStatus && !dropped) {
            if (!(e.xclient.data.l[1] & 1)) {
                SendClient(target, aLeave, 0, 0, 0, 0, source);
                return Finish(1, "the window refused the drop");
            }
            SendClient(target, aDrop, 0, CurrentTime, 0, 0, source);
            dropped = 1;
        } else if (e.type == ClientMessage && e.xclient.message_type == aFinished) {
            if (version >= 5 && !(e.xclient.data.l[1] & 1))
                return Finish(1, "the window did not take the files");
            return Finish(0, "dropped");
        }
    }
    if (!dropped)
        SendClient(target, aLeave, 0, 0, 0, 0, source);
    return Finish(1, dropped ? "no XdndFinished in time" : "no XdndStatus in time");
}
