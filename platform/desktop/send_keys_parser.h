// The keystroke language of VBScript's SendKeys, parsed into a list of strokes.
//
//   text        typed as it stands (UTF-8), one stroke per character
//   ~           ENTER
//   {NAME}      a named key: ENTER, TAB, ESC, BACKSPACE (BS, BKSP), DELETE (DEL),
//               INSERT (INS), HOME, END, PGUP, PGDN, UP, DOWN, LEFT, RIGHT, BREAK,
//               CAPSLOCK, NUMLOCK, SCROLLLOCK, PRTSC, HELP, F1..F16, ADD, SUBTRACT,
//               MULTIPLY, DIVIDE (keypad); names compare without regard to case
//   {c}         the character c itself, also one of + ^ % ~ ( ) { } [ ]
//   {KEY n}     KEY repeated n times ({LEFT 3}, {x 5})
//   + ^ %       SHIFT, CTRL, ALT held for the next key or parenthesised group
//   ( ... )     a group: +(ab) holds SHIFT while a and b are typed
//
// Tab, line feed and carriage return in the text type TAB and ENTER. A bare '}'
// or ')', an unclosed '{' or '(', an unknown name, a modifier with no key after
// it, another control character and a byte sequence that is not UTF-8 are
// errors, reported with the byte offset where they occur. Any thread.
#pragma once

#include "platform/desktop/desktop_export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::desktop {

enum class NamedKey : std::uint8_t {
    Enter,
    Tab,
    Escape,
    Backspace,
    Delete,
    Insert,
    Home,
    End,
    PageUp,
    PageDown,
    Up,
    Down,
    Left,
    Right,
    Break,
    CapsLock,
    NumLock,
    ScrollLock,
    PrintScreen,
    Help,
    Add,
    Subtract,
    Multiply,
    Divide,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
};

/// Modifier bits of a stroke.
enum KeyModifier : std::uint8_t { kShift = 1, kControl = 2, kAlt = 4 };

struct KeyStroke {
    enum class Kind : std::uint8_t { Character, Named };
    Kind kind = Kind::Character;
    char32_t character = 0;         ///< Kind::Character: the Unicode code point
    NamedKey key = NamedKey::Enter; ///< Kind::Named
    std::uint8_t modifiers = 0;     ///< KeyModifier bits held while the key is typed
    std::uint32_t repeat = 1;       ///< times the key is typed (0 types nothing)
    std::size_t position = 0;       ///< byte offset of the key in the text

    bool operator==(const KeyStroke&) const = default;
};

/// Most keys one text may type (repeat counts included); more is an error, so a
/// typo such as {x 99999999} cannot hold the calling thread for hours.
inline constexpr std::uint64_t kMaxKeysTyped = 100000;
/// Deepest nesting of parentheses.
inline constexpr std::size_t kMaxGroupDepth = 16;

struct SendKeysParse {
    std::vector<KeyStroke> strokes;
    bool ok = true;
    std::size_t errorPosition = 0; ///< byte offset of the error (when !ok)
    std::string error;             ///< what is wrong (when !ok)
};

OB_DESKTOP_API SendKeysParse ParseSendKeys(std::string_view text);

/// The name used in the language for a named key ("ENTER", "F5").
OB_DESKTOP_API std::string_view NamedKeyName(NamedKey key);

} // namespace ob::desktop
