#include "platform/desktop/key_typist.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
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

// Programs read a changed keyboard map when they handle its change notice, with a
// request of their own; the keys wait this long for them after a change.
constexpr std::chrono::milliseconds kMapSettle{100};

struct KeyTarget {
    KeyCode code = 0;
    bool shifted = false;
};

// The key symbols of a key code that this layer gave a character: the character on
// both levels (no layout has such keys for the symbols it borrows codes for).
bool Borrowed(KeySym level0, KeySym level1) {
    return level0 == level1 && level0 >= 0x01000000 && level0 <= 0x0110FFFF;
}

class Keyboard {
public:
    explicit Keyboard(Display* display) : display_(display) {
        XDisplayKeycodes(display_, &min_, &max_);
        const int count = max_ - min_ + 1;
        KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(min_), count, &perCode_);
        map_.assign(map,
                    map + static_cast<std::size_t>(count) * static_cast<std::size_t>(perCode_));
        XFree(map);
    }

    /// True when key codes were given characters.
    bool Changed() const { return !borrowedNow_.empty(); }

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
    KeySym& At(int code, int level) {
        return map_[static_cast<std::size_t>(code - min_) * static_cast<std::size_t>(perCode_) +
                    static_cast<std::size_t>(level)];
    }

    bool Empty(int code) {
        for (int level = 0; level < perCode_; ++level) {
            if (At(code, level) != NoSymbol) {
                return false;
            }
        }
        return true;
    }

    // Gives a key code the character: one without symbols, else one borrowed by an
    // earlier call. Each character of a call gets a code of its own, and the codes
    // keep their characters afterwards: a program reads the new map when it handles
    // the mapping change, with a request of its own, so a code changed again soon
    // after could reach it with the wrong character.
    std::optional<KeyTarget> Borrow(KeySym symbol) {
        if (perCode_ < 2) {
            return std::nullopt;
        }
        int chosen = 0;
        for (int code = max_; code >= min_ && chosen == 0; --code) {
            chosen = Empty(code) ? code : 0;
        }
        for (int code = max_; code >= min_ && chosen == 0; --code) {
            const bool usedNow =
                std::find(borrowedNow_.begin(), borrowedNow_.end(), code) != borrowedNow_.end();
            chosen = !usedNow && Borrowed(At(code, 0), At(code, 1)) ? code : 0;
        }
        if (chosen == 0) {
            return std::nullopt;
        }
        KeySym both[2] = {symbol, symbol};
        XChangeKeyboardMapping(display_, chosen, 2, both, 1);
        XSync(display_, False);
        for (int level = 0; level < perCode_; ++level) {
            At(chosen, level) = level < 2 ? symbol : NoSymbol;
        }
        borrowedNow_.push_back(chosen);
        return KeyTarget{static_cast<KeyCode>(chosen), false};
    }

    Display* display_;
    int min_ = 8;
    int max_ = 255;
    int perCode_ = 1;
    std::vector<KeySym> map_;
    std::vector<int> borrowedNow_;
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
    // Every key is found (and every missing character given a code) before the
    // first is typed: programs then see one settled keyboard map.
    std::vector<KeyTarget> targets;
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
        targets.push_back(*target);
    }
    if (keyboard.Changed()) {
        std::this_thread::sleep_for(kMapSettle);
    }
    for (std::size_t index = 0; index < strokes.size(); ++index) {
        const KeyStroke& stroke = strokes[index];
        const KeyTarget* target = &targets[index];
        // Held in this order, let go in the reverse one.
        std::vector<KeyCode> held;
        const struct {
            bool wanted;
            KeyCode code;
        } modifiers[] = {{(stroke.modifiers & kControl) != 0, control},
                         {(stroke.modifiers & kAlt) != 0, alt},
                         {(stroke.modifiers & kShift) != 0 || target->shifted, shift}};
        for (const auto& modifier : modifiers) {
            if (modifier.wanted && modifier.code == 0) {
                problem = "The keyboard map has no key for a modifier.";
                return false;
            }
            if (modifier.wanted) {
                held.push_back(modifier.code);
            }
        }
        for (std::uint32_t i = 0; i < stroke.repeat && connection.Alive(); ++i) {
            for (KeyCode code : held) {
                Press(display, code, true);
            }
            Press(display, target->code, true);
            Press(display, target->code, false);
            for (auto code = held.rbegin(); code != held.rend(); ++code) {
                Press(display, *code, false);
            }
            XFlush(display);
        }
        XSync(display, False);
    }
    if (!connection.Alive()) {
        problem = "The connection to the X display was lost.";
        return false;
    }
    return true;
}

} // namespace ob::desktop
