// The TextStream object: a text file opened for reading, writing or appending.
//
// Reading accepts LF and CRLF line ends (ReadLine drops either); writing writes
// what the script gives, and WriteLine / WriteBlankLines end lines with CRLF, as
// scripts written for Windows expect. Read(n) and Column count
// characters (UTF-8 code points; an invalid byte counts as one). Reading past the
// end raises 62, reading a stream opened for writing or writing one opened for
// reading raises 54, any use after Close raises 52. The descriptor is
// close-on-exec and closed with the object. Interpreter's thread only.
//
// A stream reads and writes UTF-8 or UTF-16LE (text_encoding.h); scripts always
// see UTF-8 texts, so the characters Read(n), Line and Column count are the same
// whatever the file's encoding. A stream that detects its format looks at the
// file's first bytes: a UTF-16LE byte order mark makes it read UTF-16LE, a UTF-8
// one is skipped.
#pragma once

#include "vbscript/object.h"
#include "vbscript/objects/text_encoding.h"

#include "platform/lifetime/unique_fd.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ob::vbscript::objects {

/// How a TextStream encodes its file.
struct StreamEncoding {
    TextFormat format = TextFormat::Utf8;
    /// Reading: choose the format from the file's byte order mark.
    bool detect = false;
    /// Writing: start with the UTF-16LE byte order mark (a new file).
    bool writeBom = false;
};

class TextStream final : public Object {
public:
    enum class Mode { Read = 1, Write = 2, Append = 8 };

    using Encoding = StreamEncoding;

    /// Raises a file error when writing the byte order mark fails.
    TextStream(UniqueFd fd, Mode mode, Encoding encoding = {});

    std::string TypeName() const override { return "TextStream"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    void RequireOpen() const;
    void RequireReading() const;
    void RequireWriting() const;
    /// Reads more of the file into the buffer (decoded to UTF-8); false at its end.
    bool Fill();
    /// Reads up to one chunk of raw bytes; sets eof_ at the end of the file.
    std::string ReadRaw();
    /// Writes raw bytes.
    void WriteBytes(std::string_view bytes);
    bool AtEnd();
    /// Length in bytes of the character at the read position (0 at the end).
    std::size_t NextCharLength();
    /// Takes `bytes` from the read position, counting lines and columns.
    std::string Take(std::size_t bytes);
    std::string ReadLine();
    std::string ReadChars(std::size_t count);
    std::string ReadAll();
    void Write(const std::string& text);
    void Advance(std::string_view text);

    UniqueFd fd_;
    Mode mode_;
    std::string buffer_; // read but not yet taken: buffer_[pos_..]
    std::size_t pos_ = 0;
    bool eof_ = false;
    TextFormat format_;
    bool atStart_; // the byte order mark is still to be looked at
    Utf16LeDecoder decoder_;
    std::int32_t line_ = 1;
    std::int32_t column_ = 1;
};

} // namespace ob::vbscript::objects

namespace ob::vbscript::objects {

/// The format argument of OpenTextFile and OpenAsTextStream.
inline constexpr long kTristateTrue = -1;       // UTF-16LE
inline constexpr long kTristateFalse = 0;       // UTF-8
inline constexpr long kTristateUseDefault = -2; // UTF-8

/// OpenTextFile: opens `path` for reading, writing (emptied) or appending;
/// `create` makes a missing file. Raises 53 for a missing file, 76 for a missing
/// folder, 70 for refused access or a folder, 5 for another mode or format.
/// With kTristateTrue the file is UTF-16LE: writing starts with the byte order
/// mark, and so does appending to an empty file. Otherwise reading detects a
/// UTF-16LE file by its byte order mark (and skips a UTF-8 one), appending to a
/// file that starts with the UTF-16LE mark continues in UTF-16LE, and writing
/// writes UTF-8.
std::shared_ptr<TextStream> OpenTextFile(const std::string& path, long mode, bool create,
                                         long format = kTristateUseDefault);

/// CreateTextFile: a new file open for writing; an existing one is emptied when
/// `overwrite` is true, else the call raises 58. A `unicode` file is UTF-16LE and
/// starts with the byte order mark.
std::shared_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite,
                                           bool unicode = false);

} // namespace ob::vbscript::objects
