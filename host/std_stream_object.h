// WScript.StdIn, StdOut and StdErr: text streams over the process's standard
// streams. Reading: ReadLine (LF or CRLF ends a line), Read(n) (n characters),
// ReadAll, Skip(n), SkipLine, AtEndOfStream, AtEndOfLine, Line. Writing: Write,
// WriteLine (ends with a line feed, the Linux line end), WriteBlankLines(n). Close
// makes later use fail with 52 (Bad file name or number). A reading member on an
// output stream (or the reverse) raises 54 (Bad file mode); reading past the end
// raises 62 (Input past end of file). Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

#include <istream>
#include <ostream>
#include <string>

namespace ob::host {

class StdStreamObject final : public vbscript::Object {
public:
    explicit StdStreamObject(std::istream& in);
    explicit StdStreamObject(std::ostream& out);

    std::string TypeName() const override { return "TextStream"; }
    vbscript::Variant Invoke(std::string_view name, vbscript::InvokeKind kind,
                             std::vector<vbscript::Variant>& args) override;

private:
    void RequireReading() const;
    void RequireWriting() const;
    /// The next byte without taking it; EOF at the end.
    int Peek();
    std::string ReadLine();
    std::string ReadChars(long count);

    std::istream* in_ = nullptr;
    std::ostream* out_ = nullptr;
    bool closed_ = false;
    long line_ = 1;
};

} // namespace ob::host
