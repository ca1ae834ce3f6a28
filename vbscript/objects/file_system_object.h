// Scripting.FileSystemObject: files, folders, text files (UTF-8 or UTF-16LE) and
// drives (mount points: drive_object.h, drive_collection.h) of the Linux file
// system, with Linux paths ('/' separated; relative paths start from the current
// directory). File errors carry the language's numbers (file_error.h).
// Interpreter's thread only.
#pragma once

#include "vbscript/object.h"

namespace ob::vbscript::objects {

class FileSystemObject final : public Object {
public:
    std::string TypeName() const override { return "FileSystemObject"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
};

/// The folder GetSpecialFolder(2) names: $TMPDIR, else /tmp.
std::string TemporaryFolder();

/// Makes "Scripting.FileSystemObject" creatable.
void RegisterFileSystemObjectClass();

} // namespace ob::vbscript::objects
