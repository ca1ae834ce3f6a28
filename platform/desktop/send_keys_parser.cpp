#include "platform/desktop/send_keys_parser.h"

#include "platform/text/ascii_case.h"

#include <array>
#include <optional>
#include <utility>

namespace ob::desktop {
namespace {

struct KeyName {
    std::string_view name;
    NamedKey key;
};

constexpr auto kKeyNames = std::to_array<KeyName>({
    {"ENTER", NamedKey::Enter},
    {"TAB", NamedKey::Tab},
    {"ESC", NamedKey::Escape},
    {"ESCAPE", NamedKey::Escape},
    {"BACKSPACE", NamedKey::Backspace},
    {"BS", NamedKey::Backspace},
    {"BKSP", NamedKey::Backspace},
    {"DELETE", NamedKey::Delete},
    {"DEL", NamedKey::Delete},
    {"INSERT", NamedKey::Insert},
    {"INS", NamedKey::Insert},
    {"HOME", NamedKey::Home},
    {"END", NamedKey::End},
    {"PGUP", NamedKey::PageUp},
    {"PGDN", NamedKey::PageDown},
    {"UP", NamedKey::Up},
    {"DOWN", NamedKey::Down},
    {"LEFT", NamedKey::Left},
    {"RIGHT", NamedKey::Right},
    {"BREAK", NamedKey::Break},
    {"CAPSLOCK", NamedKey::CapsLock},
    {"NUMLOCK", NamedKey::NumLock},
    {"SCROLLLOCK", NamedKey::ScrollLock},
    {"PRTSC", NamedKey::PrintScreen},
    {"HELP", NamedKey::Help},
    {"ADD", NamedKey::Add},
    {"SUBTRACT", NamedKey::Subtract},
    {"MULTIPLY", NamedKey::Multiply},
    {"DIVIDE", NamedKey::Divide},
    {"F1", NamedKey::F1},
    {"F2", NamedKey::F2},
    {"F3", NamedKey::F3},
    {"F4", NamedKey::F4},
    {"F5", NamedKey::F5},
    {"F6", NamedKey::F6},
    {"F7", NamedKey::F7},
    {"F8", NamedKey::F8},
    {"F9", NamedKey::F9},
    {"F10", NamedKey::F10},
    {"F11", NamedKey::F11},
    {"F12", NamedKey::F12},
    {"F13", NamedKey::F13},
    {"F14", NamedKey::F14},
    {"F15", NamedKey::F15},
    {"F16", NamedKey::F16},
});

// One UTF-8 code point at `at`: its value and length, or nothing when the bytes
// there are not UTF-8 (overlong forms and surrogates included).
std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return std::pair<char32_t, std::size_t>{lead, 1};
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return std::pair<char32_t, std::size_t>{value, length};
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    SendKeysParse Run() {
        Sequence(0, 0);
        if (result_.ok && at_ < text_.size()) {
            Fail(at_, "')' without '('");
        }
        if (!result_.ok) {
            result_.strokes.clear();
        }
        return std::move(result_);
    }

private:
    // Items up to the end of the text or the ')' closing a group (not consumed).
    void Sequence(std::uint8_t held, std::size_t depth) {
        while (result_.ok && at_ < text_.size() && text_[at_] != ')') {
            Item(held, depth);
        }
    }

    void Item(std::uint8_t held, std::size_t depth) {
        std::uint8_t modifiers = held;
        const std::size_t first = at_;
        while (at_ < text_.size() && Modifier(text_[at_]) != 0) {
            modifiers |= Modifier(text_[at_++]);
        }
        if (at_ >= text_.size() || text_[at_] == ')') {
            Fail(first, "modifier without a key after it");
            return;
        }
        const char c = text_[at_];
        if (c == '(') {
            Group(modifiers, depth);
        } else if (c == '{') {
            Braced(modifiers);
        } else if (c == '}') {
            Fail(at_, "'}' without '{'");
        } else if (c == '~') {
            AddNamed(NamedKey::Enter, modifiers, 1, at_++);
        } else {
            Character(modifiers);
        }
    }

    void Group(std::uint8_t modifiers, std::size_t depth) {
        const std::size_t open = at_++;
        if (depth + 1 > kMaxGroupDepth) {
            Fail(open, "parentheses nested too deeply");
            return;
        }
        const std::size_t before = result_.strokes.size();
        Sequence(modifiers, depth + 1);
        if (!result_.ok) {
            return;
        }
        if (result_.strokes.size() == before && at_ < text_.size()) {
            Fail(open, "empty parentheses");
            return;
        }
        if (at_ >= text_.size()) {
            Fail(open, "'(' without ')'");
            return;
        }
        ++at_; // the ')'
    }

    void Braced(std::uint8_t modifiers) {
        const std::size_t open = at_;
        // The first character inside may be '}' itself: {}} types a right brace.
        const std::size_t close = text_.find('}', open + 2);
        if (open + 1 >= text_.size() || close == std::string_view::npos) {
            Fail(open, "'{' without '}'");
            return;
        }
        std::string_view content = text_.substr(open + 1, close - open - 1);
        std::uint32_t repeat = 1;
        const std::size_t blank = content.rfind(' ');
        if (blank != std::string_view::npos && blank > 0 && blank + 1 < content.size()) {
            const std::string_view count = content.substr(blank + 1);
            if (count.find_first_not_of("0123456789") == std::string_view::npos) {
                if (count.size() > 9) {
                    Fail(open + 1 + blank + 1, "repeat count too large");
                    return;
                }
                repeat = static_cast<std::uint32_t>(std::stoul(std::string(count)));
                content = content.substr(0, blank);
            }
        }
        at_ = close + 1;
        const auto single = content.empty() ? std::nullopt : DecodeUtf8(content, 0);
        if (single && single->second == content.size()) {
            AddCharacter(single->first, modifiers, repeat, open);
            return;
        }
        for (const KeyName& entry : kKeyNames) {
            if (text::EqualsIgnoringCase(entry.name, content)) {
                AddNamed(entry.key, modifiers, repeat, open);
                return;
            }
        }
        Fail(open, "unknown key name \"" + std::string(content) + "\"");
    }

    void Character(std::uint8_t modifiers) {
        const auto decoded = DecodeUtf8(text_, at_);
        if (!decoded) {
            Fail(at_, "text is not UTF-8");
            return;
        }
        const std::size_t position = at_;
        at_ += decoded->second;
        AddCharacter(decoded->first, modifiers, 1, position);
    }

    void AddCharacter(char32_t c, std::uint8_t modifiers, std::uint32_t repeat,
                      std::size_t position) {
        if (c == '\t') {
            AddNamed(NamedKey::Tab, modifiers, repeat, position);
        } else if (c == '\r' || c == '\n') {
            AddNamed(NamedKey::Enter, modifiers, repeat, position);
        } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            Fail(position, "control character");
        } else {
            KeyStroke stroke;
            stroke.character = c;
            Add(stroke, modifiers, repeat, position);
        }
    }

    void AddNamed(NamedKey key, std::uint8_t modifiers, std::uint32_t repeat,
                  std::size_t position) {
        KeyStroke stroke;
        stroke.kind = KeyStroke::Kind::Named;
        stroke.key = key;
        Add(stroke, modifiers, repeat, position);
    }

    void Add(KeyStroke stroke, std::uint8_t modifiers, std::uint32_t repeat, std::size_t position) {
        typed_ += repeat;
        if (typed_ > kMaxKeysTyped) {
            Fail(position, "more than " + std::to_string(kMaxKeysTyped) + " keys");
            return;
        }
        stroke.modifiers = modifiers;
        stroke.repeat = repeat;
        stroke.position = position;
        result_.strokes.push_back(stroke);
    }

    static std::uint8_t Modifier(char c) {
        switch (c) {
        case '+':
            return kShift;
        case '^':
            return kControl;
        case '%':
            return kAlt;
        default:
            return 0;
        }
    }

    void Fail(std::size_t position, std::string message) {
        if (result_.ok) {
            result_.ok = false;
            result_.errorPosition = position;
            result_.error = std::move(message);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::uint64_t typed_ = 0;
    SendKeysParse result_;
};

} // namespace

SendKeysParse ParseSendKeys(std::string_view text) {
    return Parser(text).Run();
}

std::string_view NamedKeyName(NamedKey key) {
    for (const KeyName& entry : kKeyNames) {
        if (entry.key == key) {
            return entry.name;
        }
    }
    return {};
}

} // namespace ob::desktop
