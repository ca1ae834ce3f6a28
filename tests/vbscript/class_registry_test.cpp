// CreateObject through the settings store: ProgID -> class id (directly or through
// CurVer) -> library -> DllGetClassObject, and every broken link ending in error
// 429 with the ProgID named, never in a crash.
#include "support/scratch.h"

#include "vbscript/vbscript_control.h"

#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace reg = ob::registry;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

constexpr const char* kCounterId = "{0B7E0001-0000-4000-8000-000000000001}";
constexpr const char* kNullObjectId = "{0B7E0001-0000-4000-8000-000000000002}";
constexpr const char* kUnknownId = "{0B7E0001-0000-4000-8000-000000000009}";

void SetDefault(const std::string& path, const std::string& value) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Create(reg::Root::ClassesRoot, path, reg::KEY_WRITE, key), 0) << path;
    ASSERT_EQ(key.SetValue("", value), 0) << path;
}

// Registers a ProgID for a class id served by the library at `library`.
void RegisterClass(const std::string& progId, const std::string& classId,
                   const std::string& library) {
    SetDefault(progId + "\\CLSID", classId);
    SetDefault("CLSID\\" + classId + "\\InprocServer32", library);
}

class ClassRegistry : public ::testing::Test {
protected:
    void SetUp() override { ob::test::UseScratchStores(scratch_); }

    // Runs `code` in a fresh control; the error number (0 when it ran through)
    // and the error description.
    std::pair<long, std::string> Run(const std::string& code) {
        VBScriptControl control;
        if (control.AddCode(code)) {
            return {0, ""};
        }
        return {control.Error().number, control.Error().description};
    }

    // The counter's value after `code` built it into `c`.
    long CounterValue(const std::string& code) {
        VBScriptControl control;
        EXPECT_TRUE(control.AddCode(code + "\nFunction Result()\nResult = c.Value\nEnd Function\n"))
            << control.Error().description;
        Variant result;
        EXPECT_TRUE(control.Run("Result", {}, result)) << control.Error().description;
        return result.IsNumeric() ? result.ToLong() : -1;
    }

    ob::test::ScratchDir scratch_;
};

TEST_F(ClassRegistry, CreatesAnObjectOfARegisteredLibrary) {
    RegisterClass("Obrenta.TestCounter", kCounterId, OB_TEST_CLASS_LIBRARY);
    EXPECT_EQ(CounterValue("Set c = CreateObject(\"Obrenta.TestCounter\")\nc.Add 5\nc.Add 2"), 7);
    // ProgIDs compare without regard to case; every call makes a new object.
    EXPECT_EQ(CounterValue("Set c = CreateObject(\"obrenta.testcounter\")\n"
                           "Set d = CreateObject(\"OBRENTA.TESTCOUNTER\")\nd.Add 9\nc.Add 1"),
              1);
    // A script error thrown inside the library reaches the script as itself.
    EXPECT_EQ(Run("Set c = CreateObject(\"Obrenta.TestCounter\")\nc.Bogus").first, 438);
}

TEST_F(ClassRegistry, FollowsCurVerToTheVersionedProgId) {
    RegisterClass("Obrenta.TestCounter.2", kCounterId, OB_TEST_CLASS_LIBRARY);
    SetDefault("Obrenta.TestCounter\\CurVer", "Obrenta.TestCounter.2");
    EXPECT_EQ(CounterValue("Set c = CreateObject(\"Obrenta.TestCounter\")\nc.Add 3"), 3);
    // Two hops.
    SetDefault("Obrenta.Counter\\CurVer", "Obrenta.TestCounter");
    EXPECT_EQ(CounterValue("Set c = CreateObject(\"Obrenta.Counter\")\nc.Add 4"), 4);
}

TEST_F(ClassRegistry, BrokenRegistrationsRaise429NamingTheProgId) {
    const std::string notALibrary = scratch_ / "not_a_library.so";
    std::ofstream(notALibrary) << "just text\n";
    struct Case {
        const char* what;
        const char* progId;
    };
    // Each ProgID below is broken in one way.
    SetDefault("Test.NoClassId\\Description", "a ProgID key without CLSID or CurVer");
    SetDefault("Test.NoServer\\CLSID", "{0B7E0001-0000-4000-8000-00000000000A}");
    RegisterClass("Test.MissingFile", "{0B7E0001-0000-4000-8000-00000000000B}",
                  scratch_ / "missing.so");
    RegisterClass("Test.NotALibrary", "{0B7E0001-0000-4000-8000-00000000000C}", notALibrary);
    RegisterClass("Test.NoEntry", "{0B7E0001-0000-4000-8000-00000000000D}", OB_TEST_EMPTY_LIBRARY);
    RegisterClass("Test.Refused", kUnknownId, OB_TEST_CLASS_LIBRARY);
    RegisterClass("Test.NullObject", kNullObjectId, OB_TEST_CLASS_LIBRARY);
    SetDefault("Test.LoopA\\CurVer", "Test.LoopB");
    SetDefault("Test.LoopB\\CurVer", "Test.LoopA");
    SetDefault("Test.Deep1\\CurVer", "Test.Deep2");
    SetDefault("Test.Deep2\\CurVer", "Test.Deep3");
    SetDefault("Test.Deep3\\CurVer", "Test.Deep4");
    SetDefault("Test.Deep4\\CurVer", "Test.Deep5");
    SetDefault("Test.Deep5\\CurVer", "Test.Deep6");
    RegisterClass("Test.Deep6", kCounterId, OB_TEST_CLASS_LIBRARY);
    // A class id that would climb out of HKCR\CLSID.
    SetDefault("Test.PathInClassId\\CLSID", "..\\Test.NoServer");
    const Case cases[] = {
        {"not registered at all", "Test.Unknown"},
        {"no CLSID, no CurVer", "Test.NoClassId"},
        {"no InprocServer32", "Test.NoServer"},
        {"library file missing", "Test.MissingFile"},
        {"library is not a library", "Test.NotALibrary"},
        {"library without DllGetClassObject", "Test.NoEntry"},
        {"entry point refuses the class id", "Test.Refused"},
        {"entry point gives no object", "Test.NullObject"},
        {"CurVer loop", "Test.LoopA"},
        {"CurVer chain too long", "Test.Deep1"},
        {"class id with a path separator", "Test.PathInClassId"},
        {"ProgID with a path separator", "CLSID\\x"},
        {"empty ProgID", ""},
    };
    for (const Case& c : cases) {
        const auto [number, description] =
            Run(std::string("Set o = CreateObject(\"") + c.progId + "\")");
        EXPECT_EQ(number, 429) << c.what;
        EXPECT_NE(description.find(std::string("'") + c.progId + "'"), std::string::npos)
            << c.what << ": " << description;
    }
    // The library that failed to give an object still serves its real class.
    RegisterClass("Test.Works", kCounterId, OB_TEST_CLASS_LIBRARY);
    EXPECT_EQ(Run("Set o = CreateObject(\"Test.Works\")").first, 0);
}

TEST_F(ClassRegistry, BuiltInClassesComeBeforeTheStore) {
    // A store entry under a built-in ProgID does not replace the built-in class.
    RegisterClass("Scripting.Dictionary", kCounterId, OB_TEST_CLASS_LIBRARY);
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("Set d = CreateObject(\"Scripting.Dictionary\")\n"
                                "Function Kind()\nKind = TypeName(d)\nEnd Function\n"))
        << control.Error().description;
    Variant kind;
    ASSERT_TRUE(control.Run("Kind", {}, kind));
    EXPECT_EQ(kind.ToString(), "Dictionary");
}

TEST_F(ClassRegistry, ObrentaVbsUsesTheMachineStore) {
    RegisterClass("Obrenta.TestCounter", kCounterId, OB_TEST_CLASS_LIBRARY);
    const std::string script = scratch_ / "counter.vbs";
    std::ofstream(script) << "Set c = CreateObject(\"Obrenta.TestCounter\")\n"
                             "c.Add 40 : c.Add 2\nWScript.Echo c.Value\n";
    const std::string command = "OBRENTA_MACHINE_DIR='" + (scratch_ / "machine") + "' " +
                                OB_BIN_DIR + "/obrenta vbs '" + script + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output, "42\n");
}

} // namespace
