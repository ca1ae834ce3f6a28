// The exports a dashboard reads: the schedule preview of a running session and the
// run history, with their bad arguments.

#include "obrenta/history.h"
#include "obrenta/preview.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <string>

namespace ob::test {
namespace {

class ScheduleExportsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(host_.Create(), OB_OK); }

    void Load(const std::string& text) {
        const std::string path = dir_ / "jobs.jr";
        std::ofstream(path) << text;
        ASSERT_EQ(OB_LoadCronScript(host_.Session(), path.c_str()), OB_OK);
    }

    ScratchDir dir_; // outlives the session, whose history writer ends last
    TestHost host_;
};

std::time_t Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

TEST_F(ScheduleExportsTest, PreviewComesFromTheEngineThreadWhileTheSchedulerRuns) {
    // A Friday start, skipped on Fridays: the first run is on Saturday.
    Load("{\n-name weekend\n-start 2099-01-02 03:04:05 -inc 1 0 0 0\n-skip -week 6\n}\n"
         "{\n-name helper\n-action -print helped\n}\n");
    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), OB_OK);
    OB_Preview* preview = nullptr;
    ASSERT_EQ(OB_PreviewSchedule(host_.Session(), nullptr, 2, 0, 10000, &preview), OB_OK);
    ASSERT_EQ(preview->jobCount, 2u);
    const OB_JobPreview& weekend = preview->jobs[0];
    EXPECT_STREQ(weekend.name, "weekend");
    EXPECT_EQ(std::string(weekend.file), dir_ / "jobs.jr");
    ASSERT_EQ(weekend.count, 2u);
    EXPECT_STREQ(weekend.times[0].local, "2099-01-03 03:04:05");
    EXPECT_EQ(weekend.times[0].unixTime, Local(2099, 1, 3, 3, 4, 5));
    EXPECT_STREQ(weekend.times[1].local, "2099-01-04 03:04:05");
    EXPECT_EQ(weekend.end, static_cast<uint32_t>(OB_PREVIEW_COMPLETE));
    EXPECT_STREQ(weekend.note, "");
    const OB_JobPreview& helper = preview->jobs[1];
    EXPECT_EQ(helper.count, 0u);
    EXPECT_EQ(helper.end, static_cast<uint32_t>(OB_PREVIEW_NO_START));
    EXPECT_NE(std::string(helper.note).find("no start statement"), std::string::npos);
    OB_ReleasePreview(preview);

    // As if loaded at another moment: the delay counts from then.
    Load("{\n-name later\n-start -delay 0 1 0 0\n}\n");
    ASSERT_EQ(OB_PreviewSchedule(host_.Session(), "2030-06-01 12:00:00", 1, OB_PREVIEW_AS_LOADED,
                                 10000, &preview),
              OB_OK);
    ASSERT_EQ(preview->jobCount, 3u);
    ASSERT_EQ(preview->jobs[2].count, 1u);
    EXPECT_STREQ(preview->jobs[2].times[0].local, "2030-06-01 13:00:00");
    OB_ReleasePreview(preview);
    OB_ReleasePreview(nullptr);
}

TEST_F(ScheduleExportsTest, PreviewRefusesBadArguments) {
    OB_Preview* preview = nullptr;
    const OB_SESSION session = host_.Session();
    EXPECT_EQ(OB_PreviewSchedule(session, nullptr, 0, 0, 1000, &preview), OB_INVALID);
    EXPECT_EQ(OB_PreviewSchedule(session, nullptr, OB_PREVIEW_MAX_COUNT + 1, 0, 1000, &preview),
              OB_INVALID);
    EXPECT_EQ(OB_PreviewSchedule(session, "2024-13-01", 1, 0, 1000, &preview), OB_INVALID);
    EXPECT_EQ(OB_PreviewSchedule(session, "soon", 1, 0, 1000, &preview), OB_INVALID);
    EXPECT_EQ(OB_PreviewSchedule(session, nullptr, 1, 0, 1000, nullptr), OB_INVALID);
    EXPECT_EQ(OB_PreviewSchedule(nullptr, nullptr, 1, 0, 1000, &preview), OB_INVALID);
    EXPECT_EQ(preview, nullptr);
}

TEST_F(ScheduleExportsTest, HistoryOfARunningSessionReadsBackAsRecordsTableAndJson) {
    const std::string path = dir_ / "runs/history.db";
    ASSERT_EQ(OB_EnableHistory(host_.Session(), path.c_str()), OB_OK);
    EXPECT_EQ(OB_EnableHistory(host_.Session(), nullptr), OB_BUSY);
    Load("{\n-name once\n-start\n-action -print ran\n}\n");
    ASSERT_EQ(OB_ModifyFlags(host_.Session(), SF_ENABLED, 0), OB_OK);

    OB_HistoryQuery query{};
    query.jobPattern = "^on";
    OB_History* history = nullptr;
    ASSERT_TRUE(host_.PumpUntil([&] {
        OB_ReleaseHistory(history);
        history = nullptr;
        return OB_ReadHistory(path.c_str(), &query, &history) == OB_OK && history->count == 1;
    })) << "the run reaches the file";
    const OB_HistoryRun& run = history->runs[0];
    EXPECT_STREQ(run.job, "once");
    EXPECT_STREQ(run.control, "continue");
    EXPECT_EQ(run.failure, static_cast<uint32_t>(OB_FAILURE_NONE));
    EXPECT_EQ(run.outputLines, 1u);
    EXPECT_LE(run.startMs, run.endMs);
    EXPECT_STREQ(history->problem, "");

    char* json = OB_FormatHistory(history, OB_HISTORY_JSON);
    ASSERT_NE(json, nullptr);
    EXPECT_EQ(std::string(json).rfind("[\n{\"id\":1,\"job\":\"once\",", 0), 0u) << json;
    OB_ReleaseEnvString(json);
    char* table = OB_FormatHistory(history, OB_HISTORY_TABLE);
    ASSERT_NE(table, nullptr);
    EXPECT_NE(std::string(table).find("  continue      1  once\n"), std::string::npos) << table;
    OB_ReleaseEnvString(table);
    EXPECT_EQ(OB_FormatHistory(history, 7), nullptr);
    OB_ReleaseHistory(history);
}

TEST_F(ScheduleExportsTest, ReadingAMissingDamagedOrBadlyAskedHistory) {
    OB_History* history = nullptr;
    ASSERT_EQ(OB_ReadHistory((dir_ / "none.db").c_str(), nullptr, &history), OB_OK);
    EXPECT_EQ(history->count, 0u);
    OB_ReleaseHistory(history);

    const std::string damaged = dir_ / "damaged.db";
    std::ofstream(damaged) << std::string(1024, '?');
    ASSERT_EQ(OB_ReadHistory(damaged.c_str(), nullptr, &history), OB_FAILED);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->count, 0u);
    EXPECT_NE(std::string(history->problem).find("is damaged"), std::string::npos);
    OB_ReleaseHistory(history);

    OB_HistoryQuery query{};
    query.jobPattern = "(";
    EXPECT_EQ(OB_ReadHistory(damaged.c_str(), &query, &history), OB_INVALID);
    EXPECT_EQ(OB_ReadHistory(damaged.c_str(), nullptr, nullptr), OB_INVALID);
    EXPECT_EQ(OB_EnableHistory(nullptr, nullptr), OB_INVALID);
}

} // namespace
} // namespace ob::test
