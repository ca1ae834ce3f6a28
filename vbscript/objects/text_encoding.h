// The encodings of text files: UTF-8 (the interpreter's own) and UTF-16LE (the
// "unicode" format of CreateTextFile / OpenTextFile), and the byte order marks that
// tell them apart. Script texts stay UTF-8: UTF-16 files are decoded into UTF-8 as
// they are read and encoded from UTF-8 as they are written.
//
// Pure functions and a decoder object owned by one stream; any thread. Exported
// for the tests.
#pragma once

#include "vbscript/vbscript_export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ob::vbscript::objects {

enum class TextFormat { Utf8, Utf16Le };

inline constexpr std::string_view kUtf16LeBom{"\xFF\xFE", 2};
inline constexpr std::string_view kUtf8Bom{"\xEF\xBB\xBF", 3};

/// What the first bytes of a file say about it.
struct DetectedFormat {
    TextFormat format;
    std::size_t bomLength; // the bytes of byte order mark to skip (0 when none)
};

/// The format of a file starting with `head` (give at least three bytes when the
/// file has them): a UTF-16LE mark means UTF-16LE, anything else is UTF-8 (with
/// its mark skipped when present).
OB_VBSCRIPT_API DetectedFormat DetectFormat(std::string_view head);

/// The UTF-16LE encoding of a UTF-8 text. Characters above U+FFFF become surrogate
/// pairs; a byte that is not valid UTF-8 (and any surrogate code point, which has
/// no UTF-16 form of its own) becomes U+FFFD.
OB_VBSCRIPT_API std::string EncodeUtf16Le(std::string_view utf8);

/// Decodes UTF-16LE bytes into UTF-8 piecewise: a chunk may end inside a code
/// unit or between the halves of a surrogate pair, and the rest is kept for the
/// next chunk. An unpaired surrogate becomes U+FFFD.
class OB_VBSCRIPT_API Utf16LeDecoder {
public:
    /// Appends the characters completed by `bytes` to `out`.
    void Decode(std::string_view bytes, std::string& out);
    /// The input has ended: what is still pending (half a code unit, a high
    /// surrogate without its pair) is appended as U+FFFD.
    void Finish(std::string& out);

private:
    void Unit(char16_t unit, std::string& out);

    int pendingByte_ = -1;       // the low byte of an unfinished code unit
    char16_t highSurrogate_ = 0; // a high surrogate waiting for its pair
};

} // namespace ob::vbscript::objects
