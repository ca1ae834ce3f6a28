// The private profile file, directly and as the store's back end when no company
// name is configured.
#include "store_test_support.h"

#include "platform/env/environment.h"
#include "variables/profile_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ob::vars::test {
namespace {

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Spit(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ProfileFileTest : public ::testing::Test {
protected:
    ob::test::ScratchDir dir_;
    std::filesystem::path path_ = dir_.Path() / "Test.ini";
    ProfileFile file_{path_};
};

TEST_F(ProfileFileTest, ReadsHandWrittenFiles) {
    Spit(path_, "; settings\r\n"
                "[First]\r\n"
                "  Name = spaced value  \r\n"
                "quoted=\"  kept  \"\r\n"
                "single='x'\r\n"
                "half=\"x\r\n"
                "bare\r\n"
                "eq=a=b\r\n"
                "name=second\r\n"
                "[ First ]\r\n"
                "late=hidden by the first section\r\n"
                "[Second]\r\n"
                "name=two\r\n");
    struct Case {
        const char* section;
        const char* entry;
        const char* expected;
    };
    const Case cases[] = {
        {"First", "Name", "spaced value"},
        {"FIRST", "name", "spaced value"},
        {"First", "quoted", "  kept  "},
        {"First", "single", "x"},
        {"First", "half", "\"x"},
        {"First", "bare", ""},
        {"First", "eq", "a=b"},
        {"First", "late", "fallback"},
        {"Second", "name", "two"},
        {"Third", "name", "fallback"},
        {"First", "missing", "fallback"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file_.Read(c.section, c.entry, "fallback"), c.expected)
            << c.section << "/" << c.entry;
    }
    EXPECT_EQ(ProfileFile(dir_.Path() / "absent.ini").Read("First", "Name", "fb"), "fb");
}

TEST_F(ProfileFileTest, ValuesRoundTrip) {
    for (const std::string value : {"plain", "", "  lead and trail  ", "\"quoted\"", "'single'",
                                    "a=b", "[not a section]", "tab\tinside"}) {
        ASSERT_TRUE(file_.Write("S", "entry", value.c_str())) << value;
        EXPECT_EQ(file_.Read("S", "entry", "fallback"), value);
    }
}

TEST_F(ProfileFileTest, WritesKeepOtherLinesAndReplaceInPlace) {
    Spit(path_, "; comment\n[A]\nx=1\n\n[B]\ny=2\n");
    ASSERT_TRUE(file_.Write("a", "X", "10"));
    ASSERT_TRUE(file_.Write("A", "z", "3"));
    ASSERT_TRUE(file_.Write("C", "w", "4"));
    EXPECT_EQ(Slurp(path_), "; comment\n[A]\nX=10\nz=3\n\n[B]\ny=2\n[C]\nw=4\n");
}

TEST_F(ProfileFileTest, DeletesEntriesAndSections) {
    Spit(path_, "[A]\nx=1\ny=2\n[B]\nx=3\n[a]\nx=4\n");
    ASSERT_TRUE(file_.Write("A", "x", nullptr));
    EXPECT_EQ(Slurp(path_), "[A]\ny=2\n[B]\nx=3\n[a]\n") << "every copy of the entry goes";
    ASSERT_TRUE(file_.Write("a", nullptr, nullptr));
    EXPECT_EQ(Slurp(path_), "[B]\nx=3\n");
    EXPECT_TRUE(file_.Write("A", nullptr, nullptr)) << "deleting what is gone succeeds";
    EXPECT_TRUE(file_.Write("B", "none", nullptr));
    EXPECT_EQ(Slurp(path_), "[B]\nx=3\n");
}

TEST_F(ProfileFileTest, RefusesWhatWouldChangeTheFileLayout) {
    Spit(path_, "[A]\nx=1\n");
    EXPECT_FALSE(file_.Write("A", "x", "1\n[Evil]\ny=2"));
    EXPECT_FALSE(file_.Write("A", "x", "1\r"));
    EXPECT_FALSE(file_.Write("A", "a=b", "v"));
    EXPECT_FALSE(file_.Write("A", "[B]", "v"));
    EXPECT_FALSE(file_.Write("A", "  ", "v"));
    EXPECT_FALSE(file_.Write("A\n[B]", "x", "v"));
    EXPECT_EQ(Slurp(path_), "[A]\nx=1\n");
}

TEST_F(ProfileFileTest, CreatesItsFolderAndLeavesUnreadableFilesAlone) {
    const ProfileFile nested(dir_.Path() / "new" / "dir" / "P.ini");
    ASSERT_TRUE(nested.Write("S", "e", "v"));
    EXPECT_EQ(nested.Read("S", "e", ""), "v");

    // A folder where the file should be cannot be read; it is not replaced.
    std::filesystem::create_directory(path_);
    EXPECT_FALSE(file_.Write("S", "e", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}

TEST_F(StoreTest, WithoutCompanyTheStoreUsesTheProfileFile) {
    Configure({"", "Obrenta", "Obrenta", "JR.ENVIRONMENT", "JR.LAST_ERROR"});
    const std::filesystem::path ini = PrivateProfilePath("Obrenta");
    EXPECT_EQ(ini, dir_.Path() / "user" / "Obrenta.ini");

    const std::string name = Var("x");
    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "v", ENV_PERSISTENT), 0);
    ASSERT_EQ(store_.PutEnv("OTHER", name.c_str(), "o", ENV_PERSISTENT), 0);
    EXPECT_EQ(ProfileFile(ini).Read("JR.ENVIRONMENT", name, "fb"), "v");
    EXPECT_EQ(Stored(Root::LocalMachine, "JR.ENVIRONMENT", name), std::nullopt);

    env::Remove(name);
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT), "v");
    EXPECT_EQ(env::Get(name), "v");

    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), "", ENV_PERSISTENT), 0);
    EXPECT_EQ(ProfileFile(ini).Read("JR.ENVIRONMENT", name, "fb"), "");
    EXPECT_EQ(Read(nullptr, name, ENV_PERSISTENT | ENV_FORCE), std::nullopt);

    ASSERT_EQ(store_.PutEnv(nullptr, name.c_str(), nullptr, ENV_PERSISTENT), 0);
    EXPECT_EQ(ProfileFile(ini).Read("JR.ENVIRONMENT", name, "fb"), "fb");

    ASSERT_EQ(store_.PutEnv("OTHER", nullptr, nullptr, ENV_PERSISTENT), 0);
    EXPECT_EQ(ProfileFile(ini).Read("OTHER", name, "fb"), "fb");

    const std::string tooLong(kMaxPersistentValue + 1, 'x');
    EXPECT_EQ(store_.PutEnv(nullptr, name.c_str(), tooLong.c_str(), ENV_PERSISTENT), -1);
    EXPECT_EQ(ProfileFile(ini).Read("JR.ENVIRONMENT", name, "fb"), "fb");
}

} // namespace
} // namespace ob::vars::test
