// The TextStream object: a text file opened for reading, writing or appending.
//
// Reading accepts LF and CRLF line ends (ReadLine drops either); writing writes
// what the script gives, and WriteLine / WriteBlankLines end lines with CRLF, as
// scripts written for Windows expect. Read(n) and Column count
// characters (UTF-8 code points; an invalid byte counts as one). Reading past the
// end raises 62, reading a stream opened for writing or writing one opened for
// reading raises 54, any use after Close raises 52. The descriptor is
// close-on-exec and closed with the object. Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include "platform/lifetime/unique_fd.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ob::vbscript::objects {

class TextStream final : public Object {
public:
    enum class Mode { Read = 1, Write = 2, Append = 8 };

    TextStream(UniqueFd fd, Mode mode);

    std::string TypeName() const override { return "TextStream"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    void RequireOpen() const;
    void RequireReading() const;
    void RequireWriting() const;
    /// Reads more of the file into the buffer; false at its end.
    bool Fill();
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
    std::int32_t line_ = 1;
    std::int32_t column_ = 1;
};

} // namespace ob::vbscript::objects

namespace ob::vbscript::objects {

/// OpenTextFile: opens `path` for reading, writing (emptied) or appending;
/// `create` makes a missing file. Raises 53 for a missing file, 76 for a missing
/// folder, 70 for refused access or a folder, 5 for another mode.
std::shared_ptr<TextStream> OpenTextFile(const std::string& path, long mode, bool create);

/// CreateTextFile: a new file open for writing; an existing one is emptied when
/// `overwrite` is true, else the call raises 58.
std::shared_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite);

} // namespace ob::vbscript::objects
