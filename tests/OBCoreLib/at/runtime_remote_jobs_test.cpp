// The runtime object's Net... methods and their job objects on a private atd, and
// the manual's example job file run by `obrenta run` (root only).
#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/automation/handle_table.h"
#include "OBCoreLib/runtime/runtime_object.h"
#include "host/program/obrenta_program.h"
#include "nasty_command.h"
#include "queue_daemons.h"

#include <gtest/gtest.h>

namespace ob::corelib {
namespace {

using vbscript::Variant;

class RuntimeRemoteJobs : public test::AtdTest {
protected:
    CallResult Call(const char* method, const std::vector<Variant>& args) {
        return object_.Call(method, args);
    }
    std::int32_t Value(const char* method, const std::vector<Variant>& args) {
        const CallResult result = Call(method, args);
        EXPECT_EQ(result.status, HResult::Ok) << method;
        return result.value.ToLong();
    }

    RuntimeObject object_;
};

Variant S(const std::string& text) {
    return Variant::String(text);
}
Variant N(std::int32_t value) {
    return Variant::Long(value);
}

TEST_F(RuntimeRemoteJobs, JobListsAndJobInfosHandTheRecordsToTheScript) {
    const std::string command = at::NastyCommandLine("/bin/true", "x");
    const std::int32_t first =
        Value("NetScheduleJobAdd", {N(0), S("."), S("0 3 _ _ 2-6"), S(command)});
    ASSERT_GT(first, 0);

    const std::int32_t list = Value("NetScheduleJobEnum", {S("")});
    ASSERT_NE(list, 0);
    EXPECT_EQ(Value("NetScheduleJobEnumCount", {N(list)}), 5);
    for (const std::int32_t outside : {0, 6, -1}) {
        const CallResult none = Call("NetScheduleJobEnumGet", {N(list), N(outside)});
        EXPECT_EQ(none.status, HResult::False) << outside;
        EXPECT_EQ(none.value.ToLong(), 0);
    }
    const std::int32_t one = Value("NetScheduleJobEnumGet", {N(list), N(1)});
    const std::int32_t again = Value("NetScheduleJobEnumGet", {N(list), N(1)});
    EXPECT_NE(one, again);
    EXPECT_EQ(Value("NetScheduleJobGetInfoJobId", {N(one)}), first);
    EXPECT_EQ(Call("NetScheduleJobGetInfoCommand", {N(one)}).value.ToString(), command);
    EXPECT_EQ(Value("NetScheduleJobGetInfoError", {N(one)}), 0);
    const std::string time = Call("NetScheduleJobGetInfoTime", {N(one)}).value.ToString();
    EXPECT_TRUE(time.ends_with(" 03:00:00")) << time;
    // A job-info object is no job list, and the other way round.
    EXPECT_EQ(Call("NetScheduleJobEnumCount", {N(one)}).status, HResult::False);
    EXPECT_EQ(Value("NetScheduleJobGetInfoJobId", {N(list)}), -1);
    for (const std::int32_t handle : {one, again, list}) {
        EXPECT_EQ(Value("FreeHandle", {N(handle)}), -1);
    }

    const std::int32_t info = Value("NetScheduleJobGetInfo", {S("."), N(first + 4)});
    EXPECT_EQ(Value("NetScheduleJobGetInfoJobId", {N(info)}), first + 4);
    EXPECT_EQ(Value("FreeHandle", {N(info)}), -1);

    EXPECT_EQ(Value("NetScheduleJobDel", {S("."), N(first), N(first + 4)}), -1);
    const std::int32_t empty = Value("NetScheduleJobEnum", {S(".")});
    EXPECT_EQ(Value("NetScheduleJobEnumCount", {N(empty)}), 0);
    EXPECT_EQ(Value("FreeHandle", {N(empty)}), -1);
}

TEST_F(RuntimeRemoteJobs, RefusalsAnswerTheirFailureResults) {
    const std::size_t handles = HandleTable::Process().Count();
    struct Case {
        const char* method;
        std::vector<Variant> args;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"NetScheduleJobAdd", {N(0), S("."), S("0 8 32 _ _"), S("/bin/true")}, -1},
        {"NetScheduleJobAdd", {N(0), S("."), S("0 8 * _"), S("/bin/true")}, -1},
        {"NetScheduleJobAdd", {N(0), S("."), S("0 8 * _ *"), S("")}, -1},
        {"NetScheduleJobGetInfo", {S("."), N(4242)}, 0},
        {"NetScheduleJobDel", {S("."), N(4242), N(4300)}, 0},
        {"NetCreateProcess", {N(0), S("."), S("")}, -1},
    };
    for (const Case& c : cases) {
        const CallResult result = Call(c.method, c.args);
        EXPECT_EQ(result.status, HResult::False) << c.method;
        EXPECT_EQ(result.value.ToLong(), c.value) << c.method;
    }
    EXPECT_EQ(HandleTable::Process().Count(), handles);
}

TEST_F(RuntimeRemoteJobs, NetCreateProcessAsUserRunsTheProgramWithEveryWordIntact) {
    const std::string report = dir_ / "report";
    const std::int32_t id =
        Value("NetCreateProcessAsUser", {N(0), S("nobody"), S("."), S("secret"),
                                         S(at::NastyCommandLine(test::ProbePath(), report))});
    EXPECT_GT(id, 0);
    ASSERT_TRUE(test::WaitForFile(report, 20));
    EXPECT_EQ(at::ReadFile(report).substr(0, at::ExpectedProbeArgs(report).size()),
              at::ExpectedProbeArgs(report));
}

TEST_F(RuntimeRemoteJobs, TheManualsExampleRunsFromAJobFile) {
    test::Program obrenta(dir_);
    obrenta.Run(
        {"reg", "add", "HKLM\\Software\\Varndel Software\\Obrenta\\Communication", "cs_port", "0"});
    const std::string touched = "/tmp/obrenta remote job.txt";
    std::filesystem::remove(touched);
    const std::string example = std::string(OB_SOURCE_DIR) + "/examples/remote_jobs.jr";
    const test::Outcome run = obrenta.Run({"run", "--level", "20", "--exit-when-idle", example});
    EXPECT_EQ(run.status, 0) << run.err;
    std::size_t at = 0;
    for (const char* piece : {"5 jobs queued:", " at ", ": /usr/bin/logger -t obrenta \"nightly",
                              "Deleted jobs ", "Started job "}) {
        at = run.out.find(piece, at);
        ASSERT_NE(at, std::string::npos) << piece << " missing in order from:\n" << run.out;
    }
    EXPECT_EQ(run.out.find("No remote jobs"), std::string::npos) << run.out;
    EXPECT_TRUE(test::WaitForFile(touched, 20)) << "the started job did not run";
    std::filesystem::remove(touched);
}

} // namespace
} // namespace ob::corelib
