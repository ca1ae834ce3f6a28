// WScript.Shell's RegRead / RegWrite / RegDelete against scratch settings stores:
// values and keys, default values, REG_DWORD, case-blind names, roots, and the
// errors of missing keys, bad roots and a read-only store.
#include "support/scratch.h"

#include "vbscript/vbscript_control.h"

#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace reg = ob::registry;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

class ShellRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ob::test::UseScratchStores(scratch_);
        ASSERT_TRUE(control_.AddCode("Set sh = CreateObject(\"WScript.Shell\")\n"
                                     "Function R(p)\nR = sh.RegRead(p)\nEnd Function\n"
                                     "Function K(p)\nK = TypeName(sh.RegRead(p))\nEnd Function\n"))
            << control_.Error().description;
    }

    // Runs a statement; the error number, 0 when it ran through.
    long Exec(const std::string& code) {
        return control_.AddCode(code) ? 0 : control_.Error().number;
    }

    // RegRead of a path as text; the error number as text when it fails.
    std::string Read(const std::string& path) {
        Variant result;
        if (!control_.Run("R", {Variant::String(path)}, result)) {
            return "error " + std::to_string(control_.Error().number);
        }
        return result.ToString();
    }

    std::string StoreValue(reg::Root root, const std::string& key, const std::string& name) {
        reg::Key k;
        std::string data;
        if (reg::Key::Open(root, key, reg::KEY_READ, k) != 0 || k.QueryValue(name, data) != 0) {
            return "<missing>";
        }
        return data;
    }

    ob::test::ScratchDir scratch_;
    VBScriptControl control_;
};

TEST_F(ShellRegistry, WritesAndReadsValues) {
    struct Case {
        const char* write;
        const char* readPath;
        const char* expected;
    };
    const Case cases[] = {
        {"sh.RegWrite \"HKCU\\Software\\Test\\Name\", \"text\"", "HKCU\\Software\\Test\\Name",
         "text"},
        {"sh.RegWrite \"HKCU\\Software\\Test\\Name\", \"again\", \"REG_SZ\"",
         "hkcu\\software\\test\\NAME", "again"},
        {"sh.RegWrite \"HKEY_CURRENT_USER\\Software\\Test\\\", \"default\"",
         "HKCU\\Software\\Test\\", "default"},
        {"sh.RegWrite \"HKLM\\Software\\Test\\Count\", 42, \"REG_DWORD\"",
         "HKLM\\Software\\Test\\Count", "42"},
        {"sh.RegWrite \"HKLM\\Software\\Classes\\Shared\\V\", \"via machine\"", "HKCR\\Shared\\V",
         "via machine"},
        {"sh.RegWrite \"HKLM\\Software\\Test\\Path\", \"%HOME%\\x\", \"REG_EXPAND_SZ\"",
         "HKLM\\Software\\Test\\Path", "%HOME%\\x"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Exec(c.write), 0) << c.write << ": " << control_.Error().description;
        EXPECT_EQ(Read(c.readPath), c.expected) << c.write;
    }
    // The values went where the paths say.
    EXPECT_EQ(StoreValue(reg::Root::CurrentUser, "Software\\Test", "Name"), "again");
    EXPECT_EQ(StoreValue(reg::Root::CurrentUser, "Software\\Test", ""), "default");
    EXPECT_EQ(StoreValue(reg::Root::LocalMachine, "Software\\Classes\\Shared", "V"), "via machine");
    EXPECT_EQ(StoreValue(reg::Root::LocalMachine, "Software\\Test", "Name"), "<missing>");
    // A REG_DWORD reads back as a number, a REG_SZ as text.
    Variant kind;
    ASSERT_TRUE(control_.Run("K", {Variant::String("HKLM\\Software\\Test\\Count")}, kind));
    EXPECT_EQ(kind.ToString(), "Long");
    ASSERT_TRUE(control_.Run("K", {Variant::String("HKCU\\Software\\Test\\Name")}, kind));
    EXPECT_EQ(kind.ToString(), "String");
}

TEST_F(ShellRegistry, DeletesValuesAndKeys) {
    ASSERT_EQ(Exec("sh.RegWrite \"HKCU\\A\\B\\C\\V\", \"1\"\n"
                   "sh.RegWrite \"HKCU\\A\\B\\W\", \"2\""),
              0);
    EXPECT_EQ(Exec("sh.RegDelete \"HKCU\\A\\B\\W\""), 0);
    EXPECT_EQ(Read("HKCU\\A\\B\\W"), "error -2147024894");
    EXPECT_EQ(Read("HKCU\\A\\B\\C\\V"), "1");
    EXPECT_EQ(Exec("sh.RegDelete \"HKCU\\A\\B\\\""), 0);
    EXPECT_EQ(Read("HKCU\\A\\B\\C\\V"), "error -2147024894");
    reg::Key a;
    EXPECT_EQ(reg::Key::Open(reg::Root::CurrentUser, "A", reg::KEY_READ, a), 0);
    EXPECT_NE(reg::Key::Open(reg::Root::CurrentUser, "A\\B", reg::KEY_READ, a), 0);
}

TEST_F(ShellRegistry, Errors) {
    struct Case {
        const char* code;
        long number;
    };
    const Case cases[] = {
        {"x = sh.RegRead(\"HKCU\\Missing\\Value\")", -2147024894},
        {"x = sh.RegRead(\"HKCU\\Missing\\\")", -2147024894},
        {"x = sh.RegRead(\"HKXX\\Software\\Value\")", -2147024894},
        {"x = sh.RegRead(\"NoRootAtAll\")", -2147024894},
        {"sh.RegDelete \"HKCU\\Missing\\Value\"", -2147024894},
        {"sh.RegDelete \"HKCU\\Missing\\\"", -2147024894},
        {"sh.RegDelete \"HKCU\\\"", -2147024894},
        {"sh.RegWrite \"HKCU\\Software\\X\", 1, \"REG_BINARY\"", 5},
        {"sh.RegWrite \"HKCU\\Software\\X\"", 450},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Exec(c.code), c.number) << c.code;
    }
}

TEST(ShellRegistryReadOnly, WritingAReadOnlyMachineStoreRaises70) {
    ob::test::ScratchDir scratch;
    ob::test::UseScratchStores(scratch, /*machineReadOnly=*/true);
    VBScriptControl control;
    EXPECT_FALSE(control.AddCode("Set sh = CreateObject(\"WScript.Shell\")\n"
                                 "sh.RegWrite \"HKLM\\Software\\Test\\V\", \"x\""));
    EXPECT_EQ(control.Error().number, 70);
    ob::env::Remove("OBRENTA_MACHINE_READONLY");
}

} // namespace
