// A small X client for the key-sender test: maps a window, takes the input focus, prints
// "ready", then one line per key press ("down Next") and release ("up Next"), until killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "key recorder: no display\n");
        return 2;
    }
    const int screen = DefaultScreen(dpy);
    const Window win = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 200, 100, 0,
                                           BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XSelectInput(dpy, win, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
    XMapWindow(dpy, win);
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == MapNotify) {
            XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
        } else if (ev.type == FocusIn) {
            std::printf("ready\n");
            std::fflush(stdout);
        } else if (ev.type == KeyPress || ev.type == KeyRelease) {
            const KeySym sym = XLookupKeysym(&ev.xkey, 0);
            const char* name = XKeysymToString(sym);
            std::printf("%s %s\n", ev.type == KeyPress ? "down" : "up", name ? name : "?");
            std::fflush(stdout);
        }
    }
}
