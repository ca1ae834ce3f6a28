// -copy, -move, -rename, -delete, -md, -rd, -cd and -pwd.

#include "files_fixture.h"

#include "engine/actions/directive_table.h"
#include "platform/env/environment.h"

#include <climits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ob::test {
namespace {

using engine::DirectiveCopyMove;
using engine::DirectiveFileOperation;
using engine::Outcome::Done;

using FileOperationTest = FilesTest;

std::time_t ModifiedOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST_F(FileOperationTest, CopyMakesOrReplacesTheTargetKeepingTimeAndMode) {
    const std::string source = WriteFile("src.txt", "new content");
    ::chmod(source.c_str(), 0640);
    SetModified(source, Now() - 7777);
    ASSERT_EQ(Call(DirectiveCopyMove, {"-copy", source, Path("copy.txt")}), engine::Outcome::Done);
    EXPECT_EQ(ReadFile(Path("copy.txt")), "new content");
    EXPECT_EQ(ModifiedOf(Path("copy.txt")), Now() - 7777);
    EXPECT_EQ(ModeOf(Path("copy.txt")), 0640u);

    WriteFile("existing.txt", "old content that is longer");
    ASSERT_EQ(Call(DirectiveCopyMove, {"-COPY", source, Path("existing.txt")}),
              engine::Outcome::Done);
    EXPECT_EQ(ReadFile(Path("existing.txt")), "new content");
    EXPECT_EQ(ReadFile(source), "new content");
    EXPECT_EQ(Listing(Scratch().string()),
              (std::vector<std::string>{"copy.txt", "existing.txt", "machine", "src.txt", "user"}))
        << "no temporary file is left behind";
}

TEST_F(FileOperationTest, CopyFailuresAreSoftAndLeaveTheTargetAlone) {
    const std::string source = WriteFile("src.txt", "data");
    WriteFile("target.txt", "keep me");
    ::mkdir(Path("dir").c_str(), 0777);
    struct Case {
        std::string from;
        std::string to;
        const char* why;
    };
    const Case cases[] = {
        {Path("missing.txt"), Path("target.txt"), "no source"},
        {Path("dir"), Path("target.txt"), "a directory is not copied"},
        {source, Path("dir"), "the target is a directory"},
        {source, Path("nowhere/x.txt"), "the target's directory does not exist"},
        {source, source, "a file onto itself"},
    };
    for (const Case& c : cases) {
        env::Remove("JR.LAST_ERROR");
        ExpectSoft(Call(DirectiveCopyMove, {"-copy", c.from, c.to}), "Copy file failed.");
        EXPECT_EQ(ReadFile(Path("target.txt")), "keep me") << c.why;
        EXPECT_EQ(ReadFile(source), "data") << c.why;
    }
    EXPECT_EQ(Listing(Scratch().string()),
              (std::vector<std::string>{"dir", "machine", "src.txt", "target.txt", "user"}));
    EXPECT_TRUE(Listing(Path("dir")).empty());
}

TEST_F(FileOperationTest, MoveReplacesAnExistingTarget) {
    WriteFile("a.txt", "moved");
    WriteFile("b.txt", "replaced");
    ASSERT_EQ(Call(DirectiveCopyMove, {"-move", Path("a.txt"), Path("b.txt")}),
              engine::Outcome::Done);
    EXPECT_FALSE(Exists(Path("a.txt")));
    EXPECT_EQ(ReadFile(Path("b.txt")), "moved");

    // A directory moves onto a file's name: the file goes first.
    ::mkdir(Path("d").c_str(), 0777);
    WriteFile("d/inside", "i");
    ASSERT_EQ(Call(DirectiveCopyMove, {"-move", Path("d"), Path("b.txt")}), engine::Outcome::Done);
    EXPECT_TRUE(IsDirectory(Path("b.txt")));
    EXPECT_EQ(ReadFile(Path("b.txt/inside")), "i");
}

TEST_F(FileOperationTest, MoveOntoItselfKeepsTheFile) {
    // Deleting the target before moving would delete the only copy.
    WriteFile("a.txt", "precious");
    ASSERT_EQ(Call(DirectiveCopyMove, {"-move", Path("a.txt"), Path("a.txt")}),
              engine::Outcome::Done);
    EXPECT_EQ(ReadFile(Path("a.txt")), "precious");
    ASSERT_EQ(Call(DirectiveCopyMove, {"-move", Path("a.txt"), Scratch().string() + "//a.txt"}),
              engine::Outcome::Done);
    EXPECT_EQ(ReadFile(Path("a.txt")), "precious");
}

TEST_F(FileOperationTest, MoveFailuresAreSoft) {
    WriteFile("a.txt", "stays");
    ::mkdir(Path("dir").c_str(), 0777);
    ExpectSoft(Call(DirectiveCopyMove, {"-move", Path("missing"), Path("b.txt")}),
               "Move file failed.");
    env::Remove("JR.LAST_ERROR");
    ExpectSoft(Call(DirectiveCopyMove, {"-move", Path("a.txt"), Path("dir")}), "Move file failed.");
    EXPECT_EQ(ReadFile(Path("a.txt")), "stays");
    EXPECT_TRUE(Listing(Path("dir")).empty());
}

// Moving between file systems copies and deletes; needs a second file system for
// the scratch folder (/dev/shm is one on most machines).
TEST_F(FileOperationTest, MoveAndRenameAcrossFileSystems) {
    struct stat scratch {};
    struct stat shm {};
    if (::stat(Scratch().c_str(), &scratch) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        scratch.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system";
    }
    const std::string elsewhere = "/dev/shm/obrenta-files-" + std::to_string(::getpid());
    const std::string source = WriteFile("a.txt", "travels");
    SetModified(source, Now() - 50);
    ASSERT_EQ(Call(DirectiveCopyMove, {"-move", source, elsewhere}), engine::Outcome::Done);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadFile(elsewhere), "travels");
    EXPECT_EQ(ModifiedOf(elsewhere), Now() - 50);

    WriteFile("b.txt", "kept");
    ExpectSoft(Call(DirectiveFileOperation, {"-rename", elsewhere, Path("b.txt")}),
               "Rename file failed.");
    EXPECT_EQ(ReadFile(Path("b.txt")), "kept");
    ASSERT_EQ(Call(DirectiveFileOperation, {"-rename", elsewhere, Path("c.txt")}),
              engine::Outcome::Done);
    EXPECT_EQ(ReadFile(Path("c.txt")), "travels");
    EXPECT_FALSE(Exists(elsewhere));
}

TEST_F(FileOperationTest, RenameNeverReplaces) {
    WriteFile("a.txt", "A");
    WriteFile("b.txt", "B");
    ExpectSoft(Call(DirectiveFileOperation, {"-rename", Path("a.txt"), Path("b.txt")}),
               "Rename file failed.");
    EXPECT_EQ(ReadFile(Path("a.txt")), "A");
    EXPECT_EQ(ReadFile(Path("b.txt")), "B");

    ASSERT_EQ(Call(DirectiveFileOperation, {"-ren", Path("a.txt"), Path("c.txt")}),
              engine::Outcome::Done);
    EXPECT_FALSE(Exists(Path("a.txt")));
    EXPECT_EQ(ReadFile(Path("c.txt")), "A");
    ::mkdir(Path("d").c_str(), 0777);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-RENAME", Path("d"), Path("e")}),
              engine::Outcome::Done);
    EXPECT_TRUE(IsDirectory(Path("e")));

    env::Remove("JR.LAST_ERROR");
    ExpectSoft(Call(DirectiveFileOperation, {"-ren", Path("missing"), Path("x")}),
               "Rename file failed.");
}

TEST_F(FileOperationTest, DeleteRemovesFilesOnly) {
    WriteFile("a.txt", "A");
    ::mkdir(Path("dir").c_str(), 0777);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-delete", Path("a.txt")}), engine::Outcome::Done);
    EXPECT_FALSE(Exists(Path("a.txt")));
    for (const std::string& target : {Path("a.txt"), Path("dir")}) {
        env::Remove("JR.LAST_ERROR");
        ExpectSoft(Call(DirectiveFileOperation, {"-del", target}), "Delete file failed.");
    }
    EXPECT_TRUE(IsDirectory(Path("dir")));
}

TEST_F(FileOperationTest, MakeAndRemoveDirectories) {
    ASSERT_EQ(Call(DirectiveFileOperation, {"-md", Path("new")}), engine::Outcome::Done);
    EXPECT_TRUE(IsDirectory(Path("new")));
    ExpectSoft(Call(DirectiveFileOperation, {"-mkdir", Path("new")}), "Make directory failed.");
    env::Remove("JR.LAST_ERROR");
    ExpectSoft(Call(DirectiveFileOperation, {"-md", Path("no/parent")}), "Make directory failed.");

    WriteFile("new/file", "x");
    env::Remove("JR.LAST_ERROR");
    ExpectSoft(Call(DirectiveFileOperation, {"-rd", Path("new")}), "Remove directory failed.");
    EXPECT_TRUE(IsDirectory(Path("new")));
    ASSERT_EQ(Call(DirectiveFileOperation, {"-del", Path("new/file")}), engine::Outcome::Done);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-rmdir", Path("new")}), engine::Outcome::Done);
    EXPECT_FALSE(Exists(Path("new")));
    env::Remove("JR.LAST_ERROR");
    ExpectSoft(Call(DirectiveFileOperation, {"-rd", Path("new")}), "Remove directory failed.");
}

TEST_F(FileOperationTest, ChangeAndPrintTheCurrentDirectory) {
    ::mkdir(Path("work").c_str(), 0777);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-cd", Path("work")}), engine::Outcome::Done);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-pwd", "HERE"}), engine::Outcome::Done);
    char resolved[PATH_MAX];
    ASSERT_NE(::realpath(Path("work").c_str(), resolved), nullptr);
    EXPECT_EQ(Var("HERE"), resolved);

    // Relative paths of later directives start there.
    ASSERT_EQ(Call(DirectiveFileOperation, {"-md", "sub"}), engine::Outcome::Done);
    EXPECT_TRUE(IsDirectory(Path("work/sub")));
    ASSERT_EQ(Call(DirectiveFileOperation, {"-chdir", "sub"}), engine::Outcome::Done);
    ASSERT_EQ(Call(DirectiveFileOperation, {"-PWD", "HERE"}), engine::Outcome::Done);
    EXPECT_EQ(Var("HERE"), std::string(resolved) + "/sub");

    ExpectSoft(Call(DirectiveFileOperation, {"-cd", Path("missing")}), "Change directory failed.");
    ASSERT_EQ(Call(DirectiveFileOperation, {"-pwd", "HERE"}), engine::Outcome::Done);
    EXPECT_EQ(Var("HERE"), std::string(resolved) + "/sub") << "a failed -cd stays put";
}

TEST_F(FileOperationTest, PwdOfADirectoryLongerThanItsBufferFailsSoftly) {
    ASSERT_EQ(::chdir(Scratch().c_str()), 0);
    const std::string level(100, 'd');
    for (int i = 0; i < 11; ++i) {
        ASSERT_EQ(::mkdir(level.c_str(), 0777), 0);
        ASSERT_EQ(::chdir(level.c_str()), 0);
    }
    ExpectSoft(Call(DirectiveFileOperation, {"-pwd", "HERE"}), "Current working directory failed.");
    EXPECT_EQ(Var("HERE"), std::nullopt) << "no cut path is stored";
}

TEST_F(FileOperationTest, PwdWriteFailureIsFatal) {
    ExpectFatal(Call(DirectiveFileOperation, {"-pwd", ""}),
                "Unable to set environment variable: \"\"");
}

TEST_F(FileOperationTest, MissingArgumentsAreFatal) {
    const std::vector<std::vector<std::string>> cases = {
        {"-copy", "a"}, {"-move"}, {"-rename", "a"}, {"-ren"}, {"-delete"}, {"-del"}, {"-md"},
        {"-mkdir"},     {"-rd"},   {"-rmdir"},       {"-cd"},  {"-chdir"},  {"-pwd"}, {"-Copy"},
    };
    for (const auto& words : cases) {
        const bool copyMove = words[0] == "-copy" || words[0] == "-move" || words[0] == "-Copy";
        const auto outcome = Call(copyMove ? DirectiveCopyMove : DirectiveFileOperation, words);
        ExpectFatal(outcome, "Missing argument for directive \"" + words[0] + "\"");
    }
}

} // namespace
} // namespace ob::test
