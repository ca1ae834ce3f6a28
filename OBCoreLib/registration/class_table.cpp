#include "OBCoreLib/registration/class_table.h"

#include "OBCoreLib/ftp/ftp_object.h"
#include "OBCoreLib/runtime/runtime_object.h"

#include "platform/text/ascii_case.h"

#include <array>

namespace ob::corelib {
namespace {

std::shared_ptr<vbscript::Object> MakeRuntime() {
    return std::make_shared<RuntimeObject>();
}

// The e-mail and FTP classes are registered now; their factories arrive with
// their behaviour.
const std::array<ClassEntry, 5> kClasses = {{
    {"Runtime", "CRuntime", "IRuntime", "{3B892C78-3C50-494C-8189-86138C6C68B1}",
     "{4DEB02CF-9383-4859-B7A4-F405E5467DB7}", "OBCoreLib.Runtime.1", "OBCoreLib.Runtime",
     "Runtime Class", &MakeRuntime},
    {"EmailSystem", "CEmailSystem", "IEmailSystem", "{5062FF12-C0DC-487E-8687-6A4FCCE2CD64}",
     "{8AF7334A-4791-4D1F-9D7D-13735CED21F3}", "OBCoreLib.EmailSystem.1", "OBCoreLib.EmailSystem",
     "EmailSystem Class", nullptr},
    {"smtp", "Csmtp", "Ismtp", "{75FEF095-0CAA-4240-8AF0-2B064C42D8AA}",
     "{DFFC9E03-C947-4F9F-86E0-05018EB6DF72}", "OBCoreLib.smtp.1", "OBCoreLib.smtp", "smtp Class",
     nullptr},
    {"pop3", "Cpop3", "Ipop3", "{B0105BB2-69E8-4315-9847-26309AD2125C}",
     "{6DF0B9CC-A8C6-4EBE-AFAF-E34E5B6535EC}", "OBCoreLib.pop3.1", "OBCoreLib.pop3", "pop3 Class",
     nullptr},
    {"ftp", "Cftp", "Iftp", "{A4096301-B0C3-451F-BB96-7CD097606AE2}",
     "{CF6933CD-AC25-48B5-BF21-9BF7DEF2E709}", "OBCoreLib.ftp.1", "OBCoreLib.ftp", "ftp Class",
     &MakeFtpObject},
}};

const TypeLibraryInfo kTypeLibrary{"OBCoreLibLib", "{E2246137-6FE7-4D7E-B28E-4271EE2DDCC0}",
                                   "OBCoreLib 1.0 Type Library", "1.0", 0x409};

const ApplicationInfo kApplication{"{26677062-6D26-4DB3-81FA-BFCCC6566AB0}", "OBCoreLib",
                                   "OBCoreLib.DLL"};

} // namespace

std::span<const ClassEntry> Classes() {
    return kClasses;
}

const TypeLibraryInfo& TypeLibrary() {
    return kTypeLibrary;
}

const ApplicationInfo& Application() {
    return kApplication;
}

const ClassEntry* FindClass(std::string_view classId) {
    for (const ClassEntry& entry : kClasses) {
        if (text::EqualsIgnoringCase(entry.classId, classId)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace ob::corelib
