// The automation library as scripts meet it: registered through its own export
// into scratch stores, created with CreateObject by its ProgIDs, refused while
// unregistered, and its later classes known but not yet creatable.

#include "support/automation_library.h"
#include "support/scratch.h"

#include "platform/registry/registry.h"
#include "vbscript/class_registry.h"
#include "vbscript/script_exception.h"

#include <gtest/gtest.h>

namespace ob::test {
namespace {

std::string Value(const std::string& path, const std::string& name = "") {
    registry::Key key;
    std::string data;
    if (registry::Key::Open(registry::Root::ClassesRoot, path, registry::KEY_READ, key) != 0 ||
        key.QueryValue(name, data) != 0) {
        return "(missing)";
    }
    return data;
}

long CreateError(const char* progId) {
    try {
        vbscript::CreateObjectByProgId(progId);
    } catch (const vbscript::ScriptException& e) {
        return e.number;
    }
    return 0;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { UseScratchStores(dir_); }
    ScratchDir dir_;
};

TEST_F(Registration, RegisteringWritesEveryClassAndTheLibraryEntries) {
    std::string why;
    ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH, &why), 0) << why;
    const std::string library =
        Value("CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}\\InprocServer32");
    EXPECT_NE(library.find("libobcorelib.so"), std::string::npos) << library;
    struct Entry {
        std::string path;
        std::string name;
        std::string value;
    };
    const std::vector<Entry> entries = {
        {"OBCoreLib.Runtime.1", "", "Runtime Class"},
        {"OBCoreLib.Runtime\\CurVer", "", "OBCoreLib.Runtime.1"},
        {"OBCoreLib.Runtime\\CLSID", "", "{4DEB02CF-9383-4859-B7A4-F405E5467DB7}"},
        {"OBCoreLib.EmailSystem.1\\CLSID", "", "{8AF7334A-4791-4D1F-9D7D-13735CED21F3}"},
        {"OBCoreLib.smtp\\CLSID", "", "{DFFC9E03-C947-4F9F-86E0-05018EB6DF72}"},
        {"OBCoreLib.pop3\\CurVer", "", "OBCoreLib.pop3.1"},
        {"OBCoreLib.ftp", "", "ftp Class"},
        {"CLSID\\{CF6933CD-AC25-48B5-BF21-9BF7DEF2E709}\\ProgID", "", "OBCoreLib.ftp.1"},
        {"CLSID\\{CF6933CD-AC25-48B5-BF21-9BF7DEF2E709}\\VersionIndependentProgID", "",
         "OBCoreLib.ftp"},
        {"CLSID\\{6DF0B9CC-A8C6-4EBE-AFAF-E34E5B6535EC}\\InprocServer32", "ThreadingModel",
         "Apartment"},
        {"CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}", "AppID",
         "{26677062-6D26-4DB3-81FA-BFCCC6566AB0}"},
        {"CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}\\TypeLib", "",
         "{E2246137-6FE7-4D7E-B28E-4271EE2DDCC0}"},
        {"Interface\\{3B892C78-3C50-494C-8189-86138C6C68B1}", "", "IRuntime"},
        {"AppID\\{26677062-6D26-4DB3-81FA-BFCCC6566AB0}", "", "OBCoreLib"},
        {"AppID\\OBCoreLib.DLL", "AppID", "{26677062-6D26-4DB3-81FA-BFCCC6566AB0}"},
        {"TypeLib\\{E2246137-6FE7-4D7E-B28E-4271EE2DDCC0}\\1.0", "", "OBCoreLib 1.0 Type Library"},
        {"TypeLib\\{E2246137-6FE7-4D7E-B28E-4271EE2DDCC0}\\1.0\\0\\win32", "", library},
    };
    for (const Entry& entry : entries) {
        EXPECT_EQ(Value(entry.path, entry.name), entry.value) << entry.path << " " << entry.name;
    }
    registry::Key programmable;
    EXPECT_EQ(registry::Key::Open(registry::Root::ClassesRoot,
                                  "CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}\\Programmable",
                                  registry::KEY_READ, programmable),
              0);
}

TEST_F(Registration, OnlyTheRuntimeCanBeCreatedAndOnlyOnceRegistered) {
    EXPECT_EQ(CreateError("OBCoreLib.Runtime"), 429) << "not registered yet";
    ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH), 0);
    for (const char* progId : {"OBCoreLib.Runtime", "obcorelib.runtime.1"}) {
        const auto object = vbscript::CreateObjectByProgId(progId);
        ASSERT_NE(object, nullptr) << progId;
        EXPECT_EQ(object->TypeName(), "IRuntime");
    }
    for (const char* progId : {"OBCoreLib.EmailSystem", "OBCoreLib.smtp", "OBCoreLib.pop3.1"}) {
        EXPECT_EQ(CreateError(progId), 429) << progId;
    }
}

TEST_F(Registration, UnregisteringRemovesOurKeysButNotAnotherLibrarysProgId) {
    ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH), 0);
    // Another library has taken over the ProgID OBCoreLib.ftp meanwhile.
    registry::Key foreign;
    ASSERT_EQ(registry::Key::Create(registry::Root::ClassesRoot, "OBCoreLib.ftp\\CLSID",
                                    registry::KEY_WRITE, foreign),
              0);
    ASSERT_EQ(foreign.SetValue("", "{00000000-0000-0000-0000-000000000001}"), 0);

    ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH, nullptr, "DllUnregisterServer"), 0);
    EXPECT_EQ(Value("OBCoreLib.Runtime\\CLSID"), "(missing)");
    EXPECT_EQ(Value("CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}"), "(missing)");
    EXPECT_EQ(Value("TypeLib\\{E2246137-6FE7-4D7E-B28E-4271EE2DDCC0}\\1.0"), "(missing)");
    EXPECT_EQ(Value("AppID\\OBCoreLib.DLL", "AppID"), "(missing)");
    EXPECT_EQ(Value("OBCoreLib.ftp\\CLSID"), "{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(CreateError("OBCoreLib.Runtime"), 429);
    EXPECT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH, nullptr, "DllUnregisterServer"), 0)
        << "unregistering twice is not an error";
}

TEST_F(Registration, AReadOnlyMachineStoreMakesRegisteringFail) {
    UseScratchStores(dir_, true);
    EXPECT_NE(RegisterAutomationLibrary(OB_CORELIB_PATH), 0);
}

} // namespace
} // namespace ob::test
