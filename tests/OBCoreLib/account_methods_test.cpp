// Logon, impersonation and launches as another account through the runtime
// object, with a throw-away local account. Needs root; skips otherwise.

#include "OBCoreLib/runtime/runtime_object.h"
#include "OBCoreLib/runtime/thread_identity.h"
#include "support/scratch.h"
#include "tests/platform/process/probe_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ob::corelib {
namespace {

namespace fs = std::filesystem;
using vbscript::Variant;

class AccountMethods : public ::testing::Test {
protected:
    void SetUp() override {
        if (!account_.Valid()) {
            GTEST_SKIP() << "account tests skipped: " << account_.Reason();
        }
        const passwd* entry = ::getpwnam(account_.Name().c_str());
        ASSERT_NE(entry, nullptr);
        uid_ = entry->pw_uid;
        fs::permissions(dir_.Path(), fs::perms::all);
    }
    CallResult Logon(RuntimeObject& object, const std::string& password, int type = 2) {
        return object.Call("LogonUser",
                           {Variant::String(account_.Name()), Variant::String(""),
                            Variant::String(password), Variant::Long(type), Variant::Long(0)});
    }
    uid_t OwnerOfNewFile(const std::string& name) const {
        const std::string path = dir_ / name;
        std::ofstream(path) << "x";
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_uid : static_cast<uid_t>(-1);
    }

    test::TemporaryAccount account_;
    test::ScratchDir dir_;
    uid_t uid_ = 0;
};

TEST_F(AccountMethods, LogonGivesATokenObjectAndRefusalsGiveZero) {
    RuntimeObject object;
    const CallResult token = Logon(object, account_.Password());
    EXPECT_EQ(token.status, HResult::Ok);
    EXPECT_NE(token.value.ToLong(), 0);
    for (int type : {3, 4, 5, 7, 8, 9}) {
        const CallResult again = Logon(object, account_.Password(), type);
        EXPECT_NE(again.value.ToLong(), 0) << "logon type " << type;
        object.Call("FreeHandle", {again.value});
    }
    EXPECT_EQ(Logon(object, account_.Password(), 6).value.ToLong(), 0);
    const CallResult wrong = Logon(object, "wrong password");
    EXPECT_EQ(wrong.status, HResult::False);
    EXPECT_EQ(wrong.value.ToLong(), 0);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Logon(object, "").status, HResult::False);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
        << "an empty password is refused without a logon attempt";

    EXPECT_EQ(object.Call("FreeHandle", {token.value}).value.ToLong(), -1);
    EXPECT_EQ(object.Call("ImpersonateLoggedOnUser", {token.value}).value.ToLong(), 0)
        << "a freed token cannot be impersonated";
}

TEST_F(AccountMethods, ImpersonationChangesOnlyTheCallingThreadUntilReverted) {
    // A thread that exists already (a thread started later copies its creator's ids).
    std::promise<void> impersonating;
    std::promise<uid_t> seen;
    std::thread other([&] {
        impersonating.get_future().wait();
        seen.set_value(::geteuid());
    });
    RuntimeObject object;
    const Variant token = Logon(object, account_.Password()).value;
    ASSERT_EQ(object.Call("ImpersonateLoggedOnUser", {token}).value.ToLong(), -1);
    EXPECT_EQ(::geteuid(), uid_);
    EXPECT_EQ(OwnerOfNewFile("as-account"), uid_);
    impersonating.set_value();
    EXPECT_EQ(seen.get_future().get(), 0u) << "another thread keeps the process's identity";
    other.join();

    EXPECT_EQ(object.Call("RevertToSelf", {}).value.ToLong(), -1);
    EXPECT_EQ(::geteuid(), 0u);
    EXPECT_EQ(OwnerOfNewFile("as-root"), 0u);
    object.Call("FreeHandle", {token});
}

TEST_F(AccountMethods, ReleasingTheObjectEndsItsImpersonation) {
    {
        RuntimeObject object;
        const Variant token = Logon(object, account_.Password()).value;
        ASSERT_EQ(object.Call("ImpersonateLoggedOnUser", {token}).value.ToLong(), -1);
        object.Call("FreeHandle", {token});
        EXPECT_TRUE(ThreadImpersonates());
    }
    EXPECT_FALSE(ThreadImpersonates());
    EXPECT_EQ(::geteuid(), 0u);
}

TEST_F(AccountMethods, ProgramsStartAsTheAccountWithTheirExitCode) {
    const std::string report = dir_ / "uid";
    const std::string line = "/bin/sh -c \"id -u > " + report + "; exit 3\"";
    for (const std::int32_t flags : {0, 0x10 /* CP_NTI */, 0x8 /* CP_PROFILE */}) {
        fs::remove(report);
        RuntimeObject object;
        const CallResult result = object.Call(
            "CreateProcessAsUser",
            {Variant::Long(flags), Variant::String(account_.Name()), Variant::String(""),
             Variant::String(account_.Password()), Variant::String(line)});
        EXPECT_EQ(result.value.ToLong(), 3) << "flags " << flags;
        std::ifstream file(report);
        std::string uid;
        file >> uid;
        EXPECT_EQ(uid, std::to_string(uid_)) << "flags " << flags;
    }
    RuntimeObject object;
    const CallResult refused =
        object.Call("CreateProcessAsUser",
                    {Variant::Long(0), Variant::String(account_.Name()), Variant::String(""),
                     Variant::String("wrong"), Variant::String(line)});
    EXPECT_EQ(refused.value.ToLong(), -1);
    EXPECT_EQ(refused.status, HResult::False);
}

TEST_F(AccountMethods, ProgramsStartedWhileImpersonatingRunAsTheProcess) {
    RuntimeObject object;
    const Variant token = Logon(object, account_.Password()).value;
    ASSERT_EQ(object.Call("ImpersonateLoggedOnUser", {token}).value.ToLong(), -1);
    const std::string report = dir_ / "euid";
    EXPECT_EQ(object
                  .Call("CreateProcess", {Variant::Long(0),
                                          Variant::String("/bin/sh -c \"id -u > " + report + "\"")})
                  .value.ToLong(),
              0);
    EXPECT_EQ(::geteuid(), uid_) << "the impersonation is taken up again";
    object.Call("RevertToSelf", {});
    std::ifstream file(report);
    std::string uid;
    file >> uid;
    EXPECT_EQ(uid, "0");
    object.Call("FreeHandle", {token});
}

} // namespace
} // namespace ob::corelib
