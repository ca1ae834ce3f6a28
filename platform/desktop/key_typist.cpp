#include "platform/desktop/key_typist.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <optional>
#include <thread>

namespace ob::desktop {
namespace {

KeySym NamedKeySym(NamedKey key) {
    switch (key) {
    case NamedKey::Enter:
        return XK_Return;
    case NamedKey::Tab:
        return XK_Tab;
    case NamedKey::Escape:
        return XK_Escape;
    case NamedKey::Backspace:
        return XK_BackSpace;
    case NamedKey::Delete:
        return XK_Delete;
    case NamedKey::Insert:
        return XK_Insert;
    case NamedKey::Home:
        return XK_Home;
    case NamedKey::End:
        return XK_End;
    case NamedKey::PageUp:
        return XK_Prior;
    case NamedKey::PageDown:
        return XK_Next;
    case NamedKey::Up:
        return XK_Up;
    case NamedKey::Down:
        return XK_Down;
    case NamedKey::Left:
        return XK_Left;
    case NamedKey::Right:
        return XK_Right;
    case NamedKey::Break:
        return XK_Break;
    case NamedKey::CapsLock:
        return XK_Caps_Lock;
    case NamedKey::NumLock:
        return XK_Num_Lock;
    case NamedKey::ScrollLock:
        return XK_Scroll_Lock;
    case NamedKey::PrintScreen:
        return XK_Print;
    case NamedKey::Help:
        return XK_Help;
    case NamedKey::Add:
        return XK_KP_Add;
    case NamedKey::Subtract:
        return XK_KP_Subtract;
    case NamedKey::Multiply:
        return XK_KP_Multiply;
    case NamedKey::Divide:
        return XK_KP_Divide;
    default:
        return XK_F1 + (static_cast<KeySym>(key) - static_cast<KeySym>(NamedKey::F1));
    }
}

KeySym CharacterKeySym(char32_t c) {
    // Latin-1 key symbols are the code points; the rest of Unicode is 0x01000000 + it.
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF) ? static_cast<KeySym>(c)
                                                                : 0x01000000 + c;
}

struct KeyTarget {
    KeyCode code = 0;
    bool shifted = false;
    bool borrowed = false; ///< typed through the spare code
};

// A program reads the new keyboard map when it handles the mapping change, with a
// request of its own; the spare code keeps each character this long before the
// next one replaces it, so the program still reads the right one.
constexpr std::chrono::milliseconds kBorrowedKeySettle{50};

class Keyboard {
public:
    explicit Keyboard(Display* display) : display_(display) {
        XDisplayKeycodes(display_, &min_, &max_);
        Load();
    }
    ~Keyboard() {
        if (borrowed_ != 0) {
            std::this_thread::sleep_for(kBorrowedKeySettle);
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(display_, borrowed_, 2, none, 1);
            XSync(display_, False);
        }
    }
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    std::optional<KeyTarget> Find(KeySym symbol) {
        for (int code = min_; code <= max_; ++code) {
            for (int level = 0; level < 2 && level < perCode_; ++level) {
                if (At(code, level) == symbol) {
                    return KeyTarget{static_cast<KeyCode>(code), level == 1};
                }
            }
        }
        return Borrow(symbol);
    }

private:
    void Load() {
        int count = max_ - min_ + 1;
        KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(min_), count, &perCode_);
        map_.assign(map,
                    map + static_cast<std::size_t>(count) * static_cast<std::size_t>(perCode_));
        XFree(map);
    }

    KeySym At(int code, int level) const {
        return map_[static_cast<std::size_t>(code - min_) * static_cast<std::size_t>(perCode_) +
                    static_cast<std::size_t>(level)];
    }

    // Gives a key code without any symbol the one asked for, until destruction.
    std::optional<KeyTarget> Borrow(KeySym symbol) {
        if (borrowed_ == 0) {
            for (int code = max_; code >= min_ && borrowed_ == 0; --code) {
                bool empty = true;
                for (int level = 0; level < perCode_ && empty; ++level) {
                    empty = At(code, level) == NoSymbol;
                }
                if (empty) {
                    borrowed_ = static_cast<KeyCode>(code);
                }
            }
            if (borrowed_ == 0) {
                return std::nullopt;
            }
        }
        KeySym both[2] = {symbol, symbol};
        XChangeKeyboardMapping(display_, borrowed_, 2, both, 1);
        XSync(display_, False);
        return KeyTarget{borrowed_, false, true};
    }

    Display* display_;
    int min_ = 8;
    int max_ = 255;
    int perCode_ = 1;
    std::vector<KeySym> map_;
    KeyCode borrowed_ = 0;
};

void Press(Display* display, KeyCode code, bool down) {
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
}

} // namespace

bool HasXTest(XConnection& connection) {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(connection.Get(), &event, &error, &major, &minor) != 0;
}

bool TypeStrokes(XConnection& connection, const std::vector<KeyStroke>& strokes,
                 std::string& problem) {
    Display* display = connection.Get();
    if (!HasXTest(connection)) {
        problem = "The X display has no XTEST extension.";
        return false;
    }
    Keyboard keyboard(display);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    for (const KeyStroke& stroke : strokes) {
        const KeySym symbol = stroke.kind == KeyStroke::Kind::Named
                                  ? NamedKeySym(stroke.key)
                                  : CharacterKeySym(stroke.character);
        const auto target = keyboard.Find(symbol);
        if (!target) {
            problem = "No key code is free to type the key at offset " +
                      std::to_string(stroke.position) + ".";
            return false;
        }
        const bool withShift = (stroke.modifiers & kShift) != 0 || target->shifted;
        const bool withControl = (stroke.modifiers & kControl) != 0;
        const bool withAlt = (stroke.modifiers & kAlt) != 0;
        if ((withShift && shift == 0) || (withControl && control == 0) || (withAlt && alt == 0)) {
            problem = "The keyboard map has no key for a modifier.";
            return false;
        }
        for (std::uint32_t i = 0; i < stroke.repeat && connection.Alive(); ++i) {
            if (withControl) {
                Press(display, control, true);
            }
            if (withAlt) {
                Press(display, alt, true);
            }
            if (withShift) {
                Press(display, shift, true);
            }
            Press(display, target->code, true);
            Press(display, target->code, false);
            if (withShift) {
                Press(display, shift, false);
            }
            if (withAlt) {
                Press(display, alt, false);
            }
            if (withControl) {
                Press(display, control, false);
            }
            XFlush(display);
        }
        XSync(display, False);
        if (target->borrowed) {
            std::this_thread::sleep_for(kBorrowedKeySettle);
        }
    }
    if (!connection.Alive()) {
        problem = "The connection to the X display was lost.";
        return false;
    }
    return true;
}

} // namespace ob::desktop
