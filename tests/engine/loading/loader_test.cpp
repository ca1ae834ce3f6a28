// Loading job scripts: files, patterns, templates, and the core dump loaded back.

#include "engine/loading/core_dump.h"
#include "engine/loading/job_loader.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "platform/fs/program_path.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "support/host_events.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace ob::engine {
namespace {

// A session without an engine thread whose events come to a window of the test
// thread; Drain() collects output lines and other events.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseScratchStores(dir_);
        env::Set("JR.OUTPUT_LEVEL", "0");
        msg::RegisterClass("LoaderTestHost", msg::DefWindowProc);
        window_ = msg::CreateWindow("LoaderTestHost", "loader test");
        session_.hostWindow = window_;
        session_.creatorThreadId = msg::GetCurrentThreadId();
        session_.engineThreadId = msg::GetCurrentThreadId(); // EM_* land here too
    }
    void TearDown() override {
        Drain();
        msg::DestroyWindow(window_);
    }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ / name;
        std::ofstream(path) << text;
        return path;
    }

    // Engine events through the shared reader; the thread messages the loader
    // posted to this thread (its engine thread) stay queued for the second loop.
    void Drain() {
        for (std::string& line : reader_.Read()) {
            lines_.push_back(std::move(line));
        }
        for (; othersSeen_ < reader_.Others().size(); ++othersSeen_) {
            events_.emplace_back(reader_.Others()[othersSeen_].code,
                                 reader_.Others()[othersSeen_].data);
        }
        msg::Message m;
        while (msg::PeekMessage(m, 0, 0, msg::PM_REMOVE)) {
            threadMessages_.push_back(m);
        }
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < session_.jobs.Size(); ++i) {
            names.push_back(session_.jobs.At(i)->Name());
        }
        return names;
    }

    test::ScratchDir dir_;
    EngineSession session_;
    msg::Hwnd window_ = 0;
    std::vector<std::string> lines_;
    test::HostLineReader reader_;
    std::size_t othersSeen_ = 0; ///< events of reader_.Others() already in events_
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> events_;
    std::vector<msg::Message> threadMessages_;
};

TEST_F(LoaderTest, FileWithTwoGoodBlocksAndABadThirdKeepsTheFirstTwo) {
    const std::string path = Write("three.jr", "{\n-name one\n-start\n}\n"
                                               "# a comment between blocks\n"
                                               "{\n-name two\n-start -inc 0 1 0 0\n}\n"
                                               "{\n-name three\n-frobnicate\n}\n");
    EXPECT_FALSE(LoadJobScript(session_, path.c_str(), 0));
    Drain();
    EXPECT_EQ(Names(), (std::vector<std::string>{"one", "two"}));
    ASSERT_EQ(lines_.size(), 2u);
    EXPECT_EQ(lines_[0], "Loading " + path + ".");
    EXPECT_EQ(lines_[1],
              "Error while processing " + path + ".\r\nUnknown statment in line -frobnicate\n.");
    EXPECT_EQ(events_, (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
                           {OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR}}));
}

TEST_F(LoaderTest, MessagesForMissingFilesAndInternalLoads) {
    EXPECT_FALSE(LoadJobScript(session_, nullptr, 0));
    const std::string missing = dir_ / "missing.jr";
    EXPECT_FALSE(LoadJobScript(session_, missing.c_str(), 0));
    const std::string path = Write("quiet.jr", "{\n-start\n}\r\n{\r\n-start\r\n}\r\n");
    EXPECT_TRUE(LoadJobScript(session_, path.c_str(), LOAD_INTERNAL));
    Drain();
    EXPECT_EQ(lines_,
              (std::vector<std::string>{"Cannot open file with NULL filename for reading.",
                                        "Loading " + missing + ".",
                                        "Cannot open the file " + missing + " for reading."}))
        << "an internal load says nothing below level 1";
    ASSERT_EQ(session_.jobs.Size(), 2u);
    EXPECT_TRUE(session_.jobs.At(0)->TestFlags(JF_INTERNAL));
    EXPECT_EQ(session_.jobs.At(0)->Name(), "JOB:204");
    EXPECT_EQ(session_.jobs.At(1)->Name(), "JOB:205");

    env::Set("JR.OUTPUT_LEVEL", "1");
    EXPECT_TRUE(LoadJobScript(session_, path.c_str(), LOAD_INTERNAL, true));
    Drain();
    EXPECT_EQ(lines_.back(), "[2 jobs loaded.]");
    EXPECT_FALSE(std::filesystem::exists(path)) << "deleted after loading";
}

TEST_F(LoaderTest, DevicesAndDirectoriesAreNotReadAsScripts) {
    EXPECT_FALSE(LoadJobScript(session_, "/dev/zero", 0)) << "an endless device is refused";
    EXPECT_FALSE(LoadJobScript(session_, dir_.Path().c_str(), 0));
    Drain();
    ASSERT_EQ(lines_.size(), 4u);
    EXPECT_EQ(lines_[1], "Cannot open the file /dev/zero for reading.");
}

TEST_F(LoaderTest, PatternsLoadEveryMatchingFileAndNoMatchIsSuccess) {
    Write("a.jr", "{\n-name a\n-start\n}\n");
    Write("b.jr", "{\n-name b\n-start\n}\n");
    Write("c.txt", "{\n-name c\n-start\n}\n");
    std::filesystem::create_directory(dir_.Path() / "d.jr");
    EXPECT_TRUE(LoadJobScriptsByPattern(session_, dir_ / "*.none", 0));
    EXPECT_EQ(session_.jobs.Size(), 0u);
    EXPECT_TRUE(LoadJobScriptsByPattern(session_, dir_ / "?.jr", 0));
    auto names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
}

TEST_F(LoaderTest, TemplatesLoadThroughTemporaryFilesAndReportAsAsked) {
    env::Set("TMPDIR", dir_.Path().string());
    CreateTemplateJob(session_, 1, nullptr, TEMPLATE_NOTIFY);
    Drain();
    ASSERT_EQ(Names(), (std::vector<std::string>{"ij_hide"}));
    EXPECT_EQ(events_,
              (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{{OB_EV_TEMPLATE, 0}}));

    CreateTemplateJob(session_, 0, "jobs/100% done.jr", TEMPLATE_RUN_NOW | TEMPLATE_INTERNAL);
    Drain();
    ASSERT_EQ(session_.jobs.Size(), 2u);
    const Job* load = session_.jobs.At(1);
    EXPECT_TRUE(load->TestFlags(JF_INTERNAL));
    EXPECT_EQ(load->Statements().back()->Text(), "-load jobs/100% done.jr")
        << "a percent sign in the argument is written unchanged";
    ASSERT_EQ(threadMessages_.size(), 1u);
    EXPECT_EQ(threadMessages_[0].message, 1029u) << "EM_RUN_JOB";
    EXPECT_EQ(threadMessages_[0].wParam, reinterpret_cast<msg::WPARAM>(load));

    events_.clear();
    CreateTemplateJob(session_, 9, "x", TEMPLATE_NOTIFY);
    Drain();
    EXPECT_EQ(events_, (std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
                           {OB_EV_NOTIFY, OB_NOTIFY_TEMPLATE_FAILED}}));
    std::size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
        left += entry.path().filename().string().rfind("JRX", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(left, 0u) << "template files are deleted after loading";
}

TEST_F(LoaderTest, CoreDumpLoadsBackAndAppendsOneHeaderPerDump) {
    const std::string path = Write("jobs.jr", "{\n-name -exclusive backup\n-start -inc 0 1 0 0\n"
                                              "-stop 12/31/2099 23:59:59\n-skip -week 1 7\n"
                                              "-action -print hello, world\n}\n"
                                              "{\n-name -internal helper\n-action -set X=1\n}\n");
    ASSERT_TRUE(LoadJobScript(session_, path.c_str(), 0));
    const std::string core = dir_ / "obrenta.core";
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    std::ifstream in(core);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t headers = 0;
    for (std::size_t at = text.find("Obrenta Core Dump"); at != std::string::npos;
         at = text.find("Obrenta Core Dump", at + 1)) {
        ++headers;
    }
    EXPECT_EQ(headers, 2u);
    EXPECT_NE(text.find("# Job $FLAGS->64\n{\n\t-name backup\n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t-action -print hello, world\n\n"), std::string::npos) << text;

    EngineSession reloaded;
    reloaded.hostWindow = window_;
    reloaded.creatorThreadId = msg::GetCurrentThreadId();
    ASSERT_TRUE(LoadJobScript(reloaded, core.c_str(), 0));
    ASSERT_EQ(reloaded.jobs.Size(), 4u);
    EXPECT_EQ(reloaded.jobs.At(0)->Name(), "backup");
    EXPECT_EQ(reloaded.jobs.At(0)->Statements().size(), session_.jobs.At(0)->Statements().size());
    EXPECT_EQ(reloaded.jobs.At(1)->Name(), "helper");
    // A missing folder is made; one that cannot be made fails the dump.
    EXPECT_EQ(WriteCoreDump(session_, (dir_ / "new/dir/x.core")), 1);
    EXPECT_EQ(WriteCoreDump(session_, (Write("plain", "") + "/dir/x.core")), 0);
}

TEST_F(LoaderTest, CoreDumpGoesToTheStoreFolderReadableByItsOwnerOnly) {
    const std::string program = std::filesystem::path(fs::ProgramPath()).filename().string();
    EXPECT_EQ(CoreDumpPath(), dir_ / ("machine/" + program + ".core"));
    test::UseScratchStores(dir_, true);
    const std::string core = CoreDumpPath();
    EXPECT_EQ(core, dir_ / ("user/" + program + ".core")) << "the machine store is read-only";

    std::ofstream(core) << "# an older dump\n";
    ::chmod(core.c_str(), 0644);
    ASSERT_TRUE(LoadJobScript(session_,
                              Write("pw.jr", "{\n-name pw\n-action -spawn -user u "
                                             "-password s3cret prog\n}\n")
                                  .c_str(),
                              0));
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    struct stat info {};
    ASSERT_EQ(::stat(core.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(core);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("# an older dump\n", 0), 0u) << "dumps are appended";
    EXPECT_NE(text.find("-password s3cret prog"), std::string::npos)
        << "the dump keeps statements as written, to be loaded again";
}

TEST_F(LoaderTest, FullCoreFileIsKeptAsThePreviousOneAndADumpStopsAtTheLimit) {
    const std::string core = dir_ / "limited.core";
    // A file that the next dump would take past the limit becomes the previous one.
    { std::ofstream(core) << std::string(kMaxCoreFileBytes - 100, '#'); }
    ASSERT_TRUE(
        LoadJobScript(session_, Write("one.jr", "{\n-name one\n-action -print x\n}\n").c_str(), 0));
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    EXPECT_EQ(std::filesystem::file_size(core + ".1"), kMaxCoreFileBytes - 100);
    EXPECT_LT(std::filesystem::file_size(core), 1000u);
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    EXPECT_EQ(std::filesystem::file_size(core + ".1"), kMaxCoreFileBytes - 100)
        << "a file with room takes the next dump";

    // A queue whose dump is larger than the limit is cut, with a note.
    std::string jobs;
    const std::string print = "-action -print " + std::string(1500, 'x') + "\n";
    for (int i = 0; i < 1200; ++i) {
        jobs += "{\n-name big" + std::to_string(i) + "\n" + print + print + print + print + print +
                print + print + print + print + print + "}\n";
    }
    ASSERT_TRUE(LoadJobScript(session_, Write("big.jr", jobs).c_str(), 0));
    std::filesystem::remove(core);
    ASSERT_EQ(WriteCoreDump(session_, core), 1);
    const auto size = std::filesystem::file_size(core);
    EXPECT_LE(size, kMaxCoreFileBytes);
    EXPECT_GT(size, kMaxCoreFileBytes - 64 * 1024);
    std::ifstream in(core);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("more job(s) not written."), std::string::npos);
}

TEST_F(LoaderTest, VariablesNamedLikeDateTokensAreReportedAtLevelOne) {
    const std::string path = Write("tokens.jr", "{\n-name loop\n-action -set I=0\n"
                                                "-action -set COUNT=0\n}\n");
    for (const char* level : {"0", "1"}) {
        SCOPED_TRACE(level);
        env::Set("JR.OUTPUT_LEVEL", level);
        lines_.clear();
        ASSERT_TRUE(LoadJobScript(session_, path.c_str(), 0));
        Drain();
        const bool shown = std::string(level) == "1";
        EXPECT_EQ(lines_.size(), shown ? 3u : 2u);
        if (shown) {
            EXPECT_EQ(lines_[1].rfind("[Warning: " + path + " line 3 sets the variable \"I\"", 0),
                      0u)
                << lines_[1];
        }
    }
}

} // namespace
} // namespace ob::engine
