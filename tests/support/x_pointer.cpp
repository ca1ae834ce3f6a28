#include "support/x_pointer.h"

#include "platform/desktop/key_typist.h"
#include "platform/desktop/x_connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace ob::test {

bool ClickAt(int x, int y) {
    desktop::XConnection connection;
    if (connection.Open() != desktop::DisplayStatus::Ok) {
        return false;
    }
    if (!desktop::HasXTest(connection)) {
        return false;
    }
    Display* display = connection.Get();
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    return true;
}

} // namespace ob::test
