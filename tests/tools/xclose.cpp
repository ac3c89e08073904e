// xclose WINDOW-ID: asks a window to close as a window manager's close button does, by
// sending it WM_DELETE_WINDOW. For tests under Xvfb, where no window manager runs.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    const Window nWindow = std::strtoul(argv[1], nullptr, 0);
    Display* pDisplay = XOpenDisplay(nullptr);
    if (!pDisplay || nWindow == 0) {
        std::fprintf(stderr, "no display, or no window\n");
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = nWindow;
    event.xclient.message_type = XInternAtom(pDisplay, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(pDisplay, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool bSent = XSendEvent(pDisplay, nWindow, False, NoEventMask, &event) != 0;
    XCloseDisplay(pDisplay);
    return bSent ? 0 : 1;
}
