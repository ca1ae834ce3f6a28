// TextStream's file formats as scripts use them: what CreateTextFile,
// OpenTextFile and OpenAsTextStream write for each format argument (checked byte
// by byte), how files with and without byte order marks read back, appending to
// UTF-16 files, and Column / Read(n) counting characters in UTF-16 files.
#include "support/scratch.h"

#include "vbscript/vbscript_control.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

class TextStreamFormat : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.Path().empty());
        ASSERT_TRUE(control_.AddCode("Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                                     "Dim p : p = \"" +
                                     (scratch_ / "f.txt") +
                                     "\"\n"
                                     "Function ReadAllOf(format)\n"
                                     "Set t = fso.OpenTextFile(p, 1, False, format)\n"
                                     "If t.AtEndOfStream Then ReadAllOf = \"<empty>\" Else "
                                     "ReadAllOf = t.ReadAll\n"
                                     "End Function\n"))
            << control_.Error().description;
    }

    // Runs statements; the error number, 0 when they ran through.
    long Exec(const std::string& code) {
        return control_.AddCode(code) ? 0 : control_.Error().number;
    }

    // The value of an expression as text ("error N" when it fails).
    std::string Eval(const std::string& expression) {
        if (!control_.AddCode("Function E_()\nE_ = " + expression + "\nEnd Function\n")) {
            return "error " + std::to_string(control_.Error().number);
        }
        Variant result;
        if (!control_.Run("E_", {}, result)) {
            return "error " + std::to_string(control_.Error().number);
        }
        return result.ToString();
    }

    std::string FileBytes() {
        std::ifstream in(scratch_ / "f.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void SetFileBytes(const std::string& bytes) {
        std::ofstream out(scratch_ / "f.txt", std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    ob::test::ScratchDir scratch_;
    VBScriptControl control_;
};

TEST_F(TextStreamFormat, WritesTheRequestedEncoding) {
    struct Case {
        const char* name;
        const char* open;
        std::string bytes;
    };
    const Case cases[] = {
        {"CreateTextFile unicode", "Set t = fso.CreateTextFile(p, True, True)",
         Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0})},
        {"CreateTextFile not unicode", "Set t = fso.CreateTextFile(p, True, False)",
         "a\xC3\xA9\xF0\x9F\x98\x80\r\n"},
        {"OpenTextFile for writing, TristateTrue", "Set t = fso.OpenTextFile(p, 2, True, -1)",
         Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0})},
        {"OpenTextFile for writing, TristateUseDefault", "Set t = fso.OpenTextFile(p, 2, True, -2)",
         "a\xC3\xA9\xF0\x9F\x98\x80\r\n"},
        {"OpenTextFile for writing, TristateFalse", "Set t = fso.OpenTextFile(p, 2, True, 0)",
         "a\xC3\xA9\xF0\x9F\x98\x80\r\n"},
        {"Folder.CreateTextFile unicode",
         "Set t = fso.GetFolder(fso.GetParentFolderName(p)).CreateTextFile(\"f.txt\", True, True)",
         Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0})},
    };
    for (const Case& c : cases) {
        SetFileBytes("old text that must go");
        ASSERT_EQ(Exec(std::string(c.open) +
                       "\nt.WriteLine \"a\" & ChrW(233) & \"\xF0\x9F\x98\x80\"\nt.Close\n"),
                  0)
            << c.name << ": " << control_.Error().description;
        EXPECT_EQ(FileBytes(), c.bytes) << c.name;
    }
    // An empty unicode file still starts with the mark.
    ASSERT_EQ(Exec("fso.CreateTextFile(p, True, True).Close"), 0);
    EXPECT_EQ(FileBytes(), Bytes({0xFF, 0xFE}));
    // The format argument takes only the three tristate values.
    EXPECT_EQ(Exec("Set t = fso.OpenTextFile(p, 1, False, 1)"), 5);
}

TEST_F(TextStreamFormat, ReadsByByteOrderMark) {
    struct Case {
        const char* name;
        std::string bytes;
        int format; // the OpenTextFile format argument
        const char* text;
    };
    const std::string utf16 = Bytes({0xFF, 0xFE, 'h', 0, 0xE9, 0, '\r', 0, '\n', 0, 'x', 0});
    const std::string utf16NoMark = Bytes({'h', 0, 0xE9, 0, '\r', 0, '\n', 0, 'x', 0});
    const Case cases[] = {
        {"UTF-16 with mark, default format", utf16, -2, "h\xC3\xA9\r\nx"},
        {"UTF-16 with mark, TristateFalse", utf16, 0, "h\xC3\xA9\r\nx"},
        {"UTF-16 with mark, TristateTrue", utf16, -1, "h\xC3\xA9\r\nx"},
        {"UTF-16 without mark, TristateTrue", utf16NoMark, -1, "h\xC3\xA9\r\nx"},
        {"UTF-8 with mark, default format", "\xEF\xBB\xBFh\xC3\xA9", -2, "h\xC3\xA9"},
        {"UTF-8 without mark", "h\xC3\xA9", -2, "h\xC3\xA9"},
        {"only a UTF-8 mark",
         "\xEF\xBB\xBF"
         "",
         -2, "<empty>"},
        {"only a UTF-16 mark", Bytes({0xFF, 0xFE}), -2, "<empty>"},
        {"two bytes that are no mark", "ab", -2, "ab"},
        {"unpaired surrogate", Bytes({0xFF, 0xFE, 0x00, 0xD8, 'z', 0}), -2, "\xEF\xBF\xBDz"},
        {"odd length", Bytes({0xFF, 0xFE, 'z', 0, 'q'}), -2, "z\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        SetFileBytes(c.bytes);
        EXPECT_EQ(Eval("ReadAllOf(" + std::to_string(c.format) + ")"), c.text) << c.name;
    }
}

TEST_F(TextStreamFormat, AppendsInTheFileEncoding) {
    struct Case {
        const char* name;
        std::string before;
        const char* open;
        std::string after;
    };
    const Case cases[] = {
        {"TristateTrue to a UTF-16 file: no second mark", Bytes({0xFF, 0xFE, 'a', 0}),
         "Set t = fso.OpenTextFile(p, 8, False, -1)", Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0})},
        {"default format to a UTF-16 file continues in UTF-16", Bytes({0xFF, 0xFE, 'a', 0}),
         "Set t = fso.OpenTextFile(p, 8)", Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0})},
        {"File.OpenAsTextStream appending, default format", Bytes({0xFF, 0xFE, 'a', 0}),
         "Set t = fso.GetFile(p).OpenAsTextStream(8)", Bytes({0xFF, 0xFE, 'a', 0, 0xE9, 0})},
        {"TristateTrue to an empty file starts with the mark", "",
         "Set t = fso.OpenTextFile(p, 8, True, -1)", Bytes({0xFF, 0xFE, 0xE9, 0})},
        {"default format to a UTF-8 file", "a", "Set t = fso.OpenTextFile(p, 8)", "a\xC3\xA9"},
        {"TristateFalse to a UTF-8 file", "a", "Set t = fso.OpenTextFile(p, 8, False, 0)",
         "a\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SetFileBytes(c.before);
        ASSERT_EQ(Exec(std::string(c.open) + "\nt.Write ChrW(233)\nt.Close\n"), 0)
            << c.name << ": " << control_.Error().description;
        EXPECT_EQ(FileBytes(), c.after) << c.name;
    }
}

TEST_F(TextStreamFormat, CountsCharactersInUtf16Files) {
    // "a", U+1F600 (a surrogate pair in the file), "b", CRLF, "cd".
    SetFileBytes(Bytes(
        {0xFF, 0xFE, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 'b', 0, '\r', 0, '\n', 0, 'c', 0, 'd', 0}));
    ASSERT_EQ(Exec("Set t = fso.OpenTextFile(p, 1, False, -1)"), 0);
    struct Step {
        const char* expression;
        std::string value;
    };
    const Step steps[] = {
        {"t.Read(2)", "a\xF0\x9F\x98\x80"},
        {"t.Column", "3"},
        {"t.AtEndOfLine", "False"},
        {"t.Read(1)", "b"},
        {"t.AtEndOfLine", "True"},
        {"t.ReadLine", ""},
        {"t.Line", "2"},
        {"t.Read(5)", "cd"},
        {"t.Column", "3"},
        {"t.AtEndOfStream", "True"},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(Eval(step.expression), step.value) << step.expression;
    }
    // Writing counts the characters written, not the bytes.
    ASSERT_EQ(Exec("Set w = fso.CreateTextFile(p, True, True)\nw.Write ChrW(233) & \"xy\""), 0);
    EXPECT_EQ(Eval("w.Column"), "4");
    ASSERT_EQ(Exec("w.Close"), 0);
}

} // namespace
