// Xlib lives alone here: its macros (None, Bool, Window ...) would clash with the tests' names.
#include <X11/Xlib.h>

#include <string>

namespace obri::e2e {

void sendDeleteWindow(const std::string& display, unsigned long id) {
    ::Display* connection = XOpenDisplay(display.c_str());
    if (!connection) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, id, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
}

}  // namespace obri::e2e
