#include "platform/desktop/desktop_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <thread>

namespace ob::desktop {
namespace {

constexpr std::size_t kMaxClassBytes = 255;
constexpr int kFocusSettleMs = 500;

Atom Intern(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

// One property of format 8 or 32, up to `maxBytes`; nothing when absent.
struct Property {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes; // format 8
    std::vector<unsigned long> longs; // format 32 (as Xlib returns them: longs)
};

std::optional<Property> ReadProperty(Display* display, Window window, Atom name,
                                     std::size_t maxBytes) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const long units = static_cast<long>((maxBytes + 3) / 4);
    if (XGetWindowProperty(display, window, name, 0, units, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success ||
        type == None) {
        if (data != nullptr) {
            XFree(data);
        }
        return std::nullopt;
    }
    Property property;
    property.type = type;
    property.format = format;
    if (format == 8) {
        property.bytes.assign(data, data + std::min<unsigned long>(count, maxBytes));
    } else if (format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        property.longs.assign(values, values + count);
    }
    XFree(data);
    return property;
}

std::optional<Window> WindowProperty(Display* display, Window window, Atom name) {
    const auto property = ReadProperty(display, window, name, 4);
    if (!property || property->format != 32 || property->longs.empty()) {
        return std::nullopt;
    }
    return static_cast<Window>(property->longs[0]);
}

std::string Title(Display* display, Window window) {
    const auto netName =
        ReadProperty(display, window, Intern(display, "_NET_WM_NAME"), kMaxTitleBytes);
    if (netName && netName->format == 8 && netName->type == Intern(display, "UTF8_STRING")) {
        return std::string(netName->bytes.begin(), netName->bytes.end());
    }
    XTextProperty text{};
    if (XGetWMName(display, window, &text) == 0 || text.value == nullptr) {
        return {};
    }
    std::string title;
    char** list = nullptr;
    int count = 0;
    if (text.encoding == XA_STRING) {
        // ISO Latin-1: each byte is its own code point.
        for (unsigned long i = 0; i < text.nitems && i < kMaxTitleBytes; ++i) {
            const unsigned char c = text.value[i];
            if (c < 0x80) {
                title += static_cast<char>(c);
            } else {
                title += static_cast<char>(0xC0 | (c >> 6));
                title += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    } else if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && count > 0 &&
               list != nullptr) {
        title = list[0];
    } else {
        title.assign(reinterpret_cast<const char*>(text.value), text.nitems);
    }
    if (list != nullptr) {
        XFreeStringList(list);
    }
    XFree(text.value);
    if (title.size() > kMaxTitleBytes) {
        title.resize(kMaxTitleBytes);
    }
    return title;
}

std::string ClassName(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) == 0) {
        return {};
    }
    std::string name = hint.res_class != nullptr ? hint.res_class : "";
    if (hint.res_name != nullptr) {
        XFree(hint.res_name);
    }
    if (hint.res_class != nullptr) {
        XFree(hint.res_class);
    }
    if (name.size() > kMaxClassBytes) {
        name.resize(kMaxClassBytes);
    }
    return name;
}

struct TreeNode {
    Window parent = None;
    std::vector<Window> children; ///< top of the Z order first
};

// A window's place in the tree; nothing when the window has gone.
std::optional<TreeNode> QueryTree(Display* display, Window window) {
    Window root = None;
    TreeNode node;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &node.parent, &children, &count) == 0) {
        return std::nullopt;
    }
    if (children != nullptr) {
        node.children.assign(children, children + count);
        std::reverse(node.children.begin(), node.children.end()); // Xlib lists bottom first
        XFree(children);
    }
    return node;
}

std::vector<Window> ChildrenTopFirst(Display* display, Window window) {
    auto node = QueryTree(display, window);
    return node ? std::move(node->children) : std::vector<Window>{};
}

std::optional<Window> Parent(Display* display, Window window) {
    const auto node = QueryTree(display, window);
    return node ? std::optional<Window>(node->parent) : std::nullopt;
}

bool HasWmState(Display* display, Window window) {
    return ReadProperty(display, window, Intern(display, "WM_STATE"), 8).has_value();
}

// The program's window for a window id: itself when it holds WM_STATE, else the
// nearest ancestor that does (a child window of a program), else the first
// descendant that does (a window manager's frame), else its top-level ancestor.
Window ClientWindow(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    Window topLevel = window;
    for (Window at = window; at != root && at != None;) {
        if (HasWmState(display, at)) {
            return at;
        }
        const auto parent = Parent(display, at);
        if (!parent) {
            break;
        }
        if (*parent == root) {
            topLevel = at;
        }
        at = *parent;
    }
    std::deque<Window> pending{window};
    for (int visited = 0; !pending.empty() && visited < 4096; ++visited) {
        const Window at = pending.front();
        pending.pop_front();
        if (at != window && HasWmState(display, at)) {
            return at;
        }
        for (Window child : ChildrenTopFirst(display, at)) {
            pending.push_back(child);
        }
    }
    return topLevel;
}

Window TopLevelOf(Display* display, Window window) {
    const Window root = DefaultRootWindow(display);
    for (Window at = window;;) {
        const auto parent = Parent(display, at);
        if (!parent || *parent == root || *parent == None) {
            return at;
        }
        at = *parent;
    }
}

bool ManagerSupports(Display* display, Atom feature) {
    const Window root = DefaultRootWindow(display);
    const auto check = WindowProperty(display, root, Intern(display, "_NET_SUPPORTING_WM_CHECK"));
    if (!check || *check == None) {
        return false;
    }
    // A stale check window (the manager has gone) fails the trap.
    ErrorTrap trap(display);
    const auto own = WindowProperty(display, *check, Intern(display, "_NET_SUPPORTING_WM_CHECK"));
    if (trap.Failed() || !own || *own != *check) {
        return false;
    }
    const auto supported = ReadProperty(display, root, Intern(display, "_NET_SUPPORTED"), 4 * 4096);
    return supported && supported->format == 32 &&
           std::find(supported->longs.begin(), supported->longs.end(), feature) !=
               supported->longs.end();
}

bool FocusWithin(Display* display, Window client) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    for (Window at = focus; at != None && at != PointerRoot;) {
        if (at == client) {
            return true;
        }
        const auto parent = Parent(display, at);
        if (!parent || *parent == DefaultRootWindow(display)) {
            return false;
        }
        at = *parent;
    }
    return false;
}

// True when the manager stacks the program's window above its others (the last of
// _NET_CLIENT_LIST_STACKING, bottom first), or keeps no such list.
bool OnTop(Display* display, Window client) {
    const auto stacking = ReadProperty(display, DefaultRootWindow(display),
                                       Intern(display, "_NET_CLIENT_LIST_STACKING"), 4 * 65536);
    if (!stacking || stacking->format != 32 || stacking->longs.empty()) {
        return true;
    }
    return stacking->longs.back() == client;
}

bool AskManager(Display* display, Window client) {
    const Window root = DefaultRootWindow(display);
    const Atom active = Intern(display, "_NET_ACTIVE_WINDOW");
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = client;
    event.xclient.message_type = active;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // source: a pager, which managers obey
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kActivationWaitMs);
    while (std::chrono::steady_clock::now() < until) {
        if (WindowProperty(display, root, active).value_or(None) == client &&
            FocusWithin(display, client) && OnTop(display, client)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

std::vector<DesktopWindow> WalkWindows(XConnection& connection) {
    Display* display = connection.Get();
    std::vector<DesktopWindow> walk;
    ErrorTrap trap(display); // windows may vanish while they are read
    // Depth first with an explicit stack: pushed in reverse so the top comes first.
    std::vector<Window> stack;
    auto pushChildren = [&](Window parent) {
        const std::vector<Window> children = ChildrenTopFirst(display, parent);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    };
    pushChildren(DefaultRootWindow(display));
    while (!stack.empty() && connection.Alive()) {
        const Window window = stack.back();
        stack.pop_back();
        DesktopWindow entry;
        entry.id = window;
        entry.title = Title(display, window);
        entry.className = ClassName(display, window);
        walk.push_back(std::move(entry));
        pushChildren(window);
    }
    (void)trap.Failed();
    return walk;
}

WindowId ActiveWindow(XConnection& connection) {
    Display* display = connection.Get();
    const auto active =
        WindowProperty(display, DefaultRootWindow(display), Intern(display, "_NET_ACTIVE_WINDOW"));
    if (active && *active != None) {
        return *active;
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == PointerRoot ? 0 : focus;
}

Activation ActivateWindow(XConnection& connection, WindowId id) {
    Display* display = connection.Get();
    const auto window = static_cast<Window>(id);
    ErrorTrap trap(display);
    XWindowAttributes attributes{};
    const bool exists = id != 0 && XGetWindowAttributes(display, window, &attributes) != 0;
    if (!exists || trap.Failed() || window == DefaultRootWindow(display)) {
        return Activation::NoSuchWindow;
    }
    const Window client = ClientWindow(display, window);
    if (ManagerSupports(display, Intern(display, "_NET_ACTIVE_WINDOW")) &&
        AskManager(display, client)) {
        return Activation::Activated;
    }
    XWindowAttributes clientAttributes{};
    if (XGetWindowAttributes(display, client, &clientAttributes) == 0 || trap.Failed() ||
        clientAttributes.map_state != IsViewable) {
        return Activation::NotShown;
    }
    XRaiseWindow(display, TopLevelOf(display, client));
    XSetInputFocus(display, client, RevertToParent, CurrentTime);
    if (trap.Failed()) {
        return Activation::NotShown;
    }
    // A window manager may still be busy with the focus; it settles quickly.
    for (int waited = 0; waited < kFocusSettleMs; waited += 10) {
        if (FocusWithin(display, client)) {
            return Activation::Activated;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return FocusWithin(display, client) ? Activation::Activated : Activation::NotShown;
}

} // namespace ob::desktop
