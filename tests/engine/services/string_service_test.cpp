// The STRING service called through its entry point, as the dispatcher calls it.
#include "engine/services/string_service.h"

#include "obrenta/service.h"
#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ob::test {
namespace {

class StringServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseScratchStores(dir_);
        env::Remove("R");
        env::Remove("JR.LAST_ERROR");
    }

    /// Calls the service with "-str" followed by `words`.
    static std::int32_t Str(const std::vector<std::string>& words) {
        std::vector<const char*> array{"-str"};
        for (const std::string& word : words) {
            array.push_back(word.c_str());
        }
        array.push_back(nullptr);
        return engine::StringService(array.data());
    }

    ScratchDir dir_;
};

struct Case {
    std::vector<std::string> words; // after "-str"; the result goes to R
    std::optional<std::string> expected;
};

TEST_F(StringServiceTest, MethodsStoreTheirResult) {
    const std::vector<Case> cases = {
        {{"Len", "R", ""}, "0"},
        {{"len", "R", "hello"}, "5"},
        {{"IsEmpty", "R", ""}, "1"},
        {{"IsEmpty", "R", "x"}, "0"},
        {{"GetAt", "R", "hello", "1"}, "e"},
        {{"SetAt", "R", "hello", "0", "Jx"}, "Jello"},
        {{"Compare", "R", "abc", "ABC"}, "0"},
        {{"Compare", "R", "abc", "ABC", "0"}, "0"},
        {{"Compare", "R", "abc", "ABC", "1"}, "1"},
        {{"Compare", "R", "ABC", "abc", "1"}, "-1"},
        {{"Compare", "R", "ab", "abc"}, "-1"},
        {{"Compare", "R", "b", "A"}, "1"},
        {{"Mid", "R", "abcdef", "2"}, "cdef"},
        {{"Mid", "R", "abcdef", "2", "3"}, "cde"},
        {{"Mid", "R", "abcdef", "4", "99"}, "ef"},
        {{"Mid", "R", "abcdef", "-3", "2"}, "ab"},
        {{"Left", "R", "abcdef", "2"}, "ab"},
        {{"Left", "R", "abc", "10"}, "abc"},
        {{"Right", "R", "abcdef", "2"}, "ef"},
        {{"Right", "R", "abc", "10"}, "abc"},
        {{"SpanIncluding", "R", "aabbcx", "abc"}, "aabbc"},
        {{"SpanExcluding", "R", "key=value", "=:"}, "key"},
        {{"SpanExcluding", "R", "abc", ""}, "abc"},
        {{"MakeUpper", "R", "Mixed 1a"}, "MIXED 1A"},
        {{"MakeLower", "R", "Mixed 1A"}, "mixed 1a"},
        {{"MakeReverse", "R", "abc"}, "cba"},
        {{"Replace", "R", "a-b-c", "-", "+="}, "a+=b+=c"},
        {{"Replace", "R", "aaa", "aa", "b"}, "ba"},
        {{"Replace", "R", "abc", "", "x"}, "abc"},
        {{"Insert", "R", "abc", "1", "XY"}, "aXYbc"},
        {{"Insert", "R", "abc", "99", "!"}, "abc!"},
        {{"Delete", "R", "abcdef", "1", "2"}, "adef"},
        {{"Delete", "R", "abcdef", "4", "99"}, "abcd"},
        {{"TrimLeft", "R", " \t\r\nabc "}, "abc "},
        {{"TrimLeft", "R", "xxabc", "x"}, "abc"},
        {{"TrimRight", "R", " abc \t\r\n"}, " abc"},
        {{"TrimRight", "R", "abc..", "."}, "abc"},
        {{"Find", "R", "abcabc", "bc"}, "1"},
        {{"Find", "R", "abcabc", "bc", "2"}, "4"},
        {{"Find", "R", "abc", "zz"}, "-1"},
        {{"Find", "R", "abc", "a", "99"}, "-1"},
        {{"ReverseFind", "R", "a/b/c", "/"}, "3"},
        {{"ReverseFind", "R", "abc", "z"}, "-1"},
        {{"FindOneOf", "R", "hello world", "ow"}, "4"},
        {{"FindOneOf", "R", "abc", "xyz"}, "-1"},
        {{"MakePath", "R", "", "/tmp/logs", "app", "txt"}, "/tmp/logs/app.txt"},
        {{"MakePath", "R", "", "/tmp/", "app", ".log"}, "/tmp/app.log"},
        {{"MakePath", "R", "c", "\\dir\\", "f", ""}, "c:\\dir\\f"},
        {{"FullPath", "R", "/tmp/a/../b/./c"}, "/tmp/b/c"},
    };
    for (const Case& c : cases) {
        env::Set("R", "stale");
        EXPECT_EQ(Str(c.words), OB_SVC_OK) << c.words[0];
        EXPECT_EQ(env::Get("R"), c.expected) << c.words[0] << " " << c.words[2];
    }
}

TEST_F(StringServiceTest, AnEmptyResultRemovesTheVariable) {
    env::Set("R", "stale");
    EXPECT_EQ(Str({"TrimLeft", "R", " \t "}), OB_SVC_OK);
    EXPECT_FALSE(env::Get("R").has_value());
    env::Set("R", "stale");
    EXPECT_EQ(Str({"Mid", "R", "abc", "3"}), OB_SVC_OK);
    EXPECT_FALSE(env::Get("R").has_value());
}

TEST_F(StringServiceTest, SplitPathStoresFourParts) {
    env::Set("DRV", "stale");
    EXPECT_EQ(Str({"SplitPath", "/var/log/app.tar.gz", "DRV", "DIR", "FN", "EXT"}), OB_SVC_OK);
    EXPECT_FALSE(env::Get("DRV").has_value()) << "no drive removes the variable";
    EXPECT_EQ(env::Get("DIR"), "/var/log/");
    EXPECT_EQ(env::Get("FN"), "app.tar");
    EXPECT_EQ(env::Get("EXT"), ".gz");
    EXPECT_EQ(Str({"SplitPath", "C:\\dir\\f.txt", "DRV", "DIR", "FN", "EXT"}), OB_SVC_OK);
    EXPECT_EQ(env::Get("DRV"), "C:");
    EXPECT_EQ(env::Get("DIR"), "\\dir\\");
}

TEST_F(StringServiceTest, FullPathOfARelativePathStartsAtTheCurrentDirectory) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    EXPECT_EQ(Str({"FullPath", "R", "sub/../file.txt"}), OB_SVC_OK);
    const auto stored = env::Get("R");
    std::filesystem::current_path(previous);
    EXPECT_EQ(stored, (dir_.Path() / "file.txt").string());
}

TEST_F(StringServiceTest, VersionNeedsNoResultVariable) {
    EXPECT_EQ(Str({"string.version"}), OB_SVC_OK);
    EXPECT_EQ(env::Get("STRING.VERSION"), "Obrenta STRING version 2.0");
}

TEST_F(StringServiceTest, ResultCodes) {
    struct CodeCase {
        std::vector<std::string> words;
        std::int32_t code;
    };
    const std::vector<CodeCase> cases = {
        {{}, OB_SVC_BAD_FORMAT},
        {{"NoSuchMethod", "R", "x"}, OB_SVC_UNKNOWN},
        {{"Len"}, OB_SVC_TOO_FEW},
        {{"Len", "R"}, OB_SVC_TOO_FEW},
        {{"GetAt", "R", "abc"}, OB_SVC_TOO_FEW},
        {{"SetAt", "R", "abc", "1"}, OB_SVC_TOO_FEW},
        {{"SetAt", "R", "abc", "1", ""}, OB_SVC_TOO_FEW},
        {{"Compare", "R", "abc"}, OB_SVC_TOO_FEW},
        {{"Replace", "R", "abc", "a"}, OB_SVC_TOO_FEW},
        {{"Insert", "R", "abc", "1"}, OB_SVC_TOO_FEW},
        {{"Delete", "R", "abc", "1"}, OB_SVC_TOO_FEW},
        {{"ReverseFind", "R", "abc"}, OB_SVC_TOO_FEW},
        {{"ReverseFind", "R", "abc", ""}, OB_SVC_TOO_FEW},
        {{"MakePath", "R", "", "/d", "f"}, OB_SVC_TOO_FEW},
        {{"SplitPath", "/a/b", "D", "P", "F"}, OB_SVC_TOO_FEW},
        {{"FullPath", "R"}, OB_SVC_TOO_FEW},
    };
    for (const CodeCase& c : cases) {
        env::Set("R", "kept");
        EXPECT_EQ(Str(c.words), c.code) << (c.words.empty() ? "(none)" : c.words[0]);
        EXPECT_EQ(env::Get("R"), "kept") << "a refused call stores nothing";
    }
}

TEST_F(StringServiceTest, PositionsOutsideTheStringFailWithALastError) {
    const std::vector<std::vector<std::string>> cases = {
        {"GetAt", "R", "abc", "3"},      {"GetAt", "R", "abc", "-1"},      {"GetAt", "R", "", "0"},
        {"SetAt", "R", "abc", "3", "x"}, {"SetAt", "R", "abc", "-1", "x"},
    };
    for (const auto& words : cases) {
        env::Set("R", "kept");
        env::Remove("JR.LAST_ERROR");
        EXPECT_EQ(Str(words), OB_SVC_FAILED) << words[0] << " " << words[3];
        EXPECT_EQ(env::Get("R"), "kept");
        EXPECT_TRUE(env::Get("JR.LAST_ERROR").has_value());
    }
}

TEST_F(StringServiceTest, ReplaceRefusesAResultBeyondSixteenMegabytes) {
    env::Set("R", "kept");
    const std::string text(100000, 'a');
    const std::string by(200, 'b'); // 100000 * 200 bytes = 20 MB
    EXPECT_EQ(Str({"Replace", "R", text, "a", by}), OB_SVC_FAILED);
    EXPECT_EQ(env::Get("R"), "kept");
    EXPECT_TRUE(env::Get("JR.LAST_ERROR").has_value());
    EXPECT_EQ(Str({"Replace", "R", text, "a", "bb"}), OB_SVC_OK);
    EXPECT_EQ(env::Get("R")->size(), 200000u);
}

TEST_F(StringServiceTest, FullPathLongerThanALinuxPathFails) {
    env::Set("R", "kept");
    EXPECT_EQ(Str({"FullPath", "R", "/" + std::string(5000, 'a')}), OB_SVC_FAILED);
    EXPECT_EQ(env::Get("R"), "kept");
    EXPECT_TRUE(env::Get("JR.LAST_ERROR").has_value());
}

} // namespace
} // namespace ob::test
