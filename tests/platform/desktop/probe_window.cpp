// A window for the desktop tests: obtest_probe_window CLASS TITLE shows a window of
// that WM_CLASS and title (WM_NAME and _NET_WM_NAME), prints "mapped ID" (the
// window id in hexadecimal) once it is shown, "focus" when it gets the keyboard
// focus, and "key KEYSYM MODIFIERS" for each key pressed in it (modifier keys
// themselves left out; MODIFIERS: any of S, C, A for shift, control, alt, or -).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: obtest_probe_window CLASS TITLE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 200, 100,
                                              1, BlackPixel(display, 0), WhitePixel(display, 0));
    XClassHint hint;
    hint.res_name = const_cast<char*>("probe");
    hint.res_class = argv[1];
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[2]);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(argv[2]),
                    static_cast<int>(std::strlen(argv[2])));
    XSelectInput(display, window, KeyPressMask | StructureNotifyMask | FocusChangeMask);
    XMapRaised(display, window);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            std::printf("mapped %lx\n", window);
        } else if (event.type == FocusIn) {
            std::printf("focus\n");
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        } else if (event.type == KeyPress) {
            char text[16];
            KeySym symbol = NoSymbol;
            XLookupString(&event.xkey, text, sizeof text, &symbol, nullptr);
            if (IsModifierKey(symbol)) {
                continue;
            }
            const char* name = XKeysymToString(symbol);
            const unsigned state = event.xkey.state;
            std::string modifiers;
            modifiers += (state & ShiftMask) != 0 ? "S" : "";
            modifiers += (state & ControlMask) != 0 ? "C" : "";
            modifiers += (state & Mod1Mask) != 0 ? "A" : "";
            std::printf("key %s %s\n", name != nullptr ? name : "?",
                        modifiers.empty() ? "-" : modifiers.c_str());
        }
        std::fflush(stdout);
    }
}
