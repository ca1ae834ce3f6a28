// The schedule preview against hand-computed times for every kind of time
// expression, in Europe/Berlin (summer time from the last Sunday of March to the
// last Sunday of October), and against the scheduler itself ticking every second
// across both changes.

#include "engine/jobs/time_statement.h"
#include "engine/scheduling/next_run.h"
#include "platform/time/clock_changes.h"
#include "platform/time/local_time_text.h"
#include "queue_fixture.h"

#include <algorithm>
#include <map>
#include <set>

namespace ob::engine {
namespace {

using std::chrono::seconds;

constexpr const char* kZone = "Europe/Berlin";

class NextRunTest : public QueueTest {
protected:
    void SetUp() override {
        QueueTest::SetUp();
        if (!UseZone(kZone)) {
            GTEST_SKIP() << "no time zone data for " << kZone << " (Debian package tzdata)";
        }
    }

    // Loads one job at `loaded` (local time) and previews it from that moment.
    JobPreview PreviewOne(const std::string& lines, const std::string& loaded, std::size_t count) {
        SetLocalTime(loaded);
        Load("{\n-name job\n" + lines + "}\n");
        PreviewOptions options;
        options.from = *datetime::ParseLocalDateTime(loaded);
        options.count = count;
        auto previews = PreviewQueue(session_, options);
        EXPECT_EQ(previews.size(), 1u);
        return previews.empty() ? JobPreview{} : previews.front();
    }
};

std::vector<std::string> Texts(const std::vector<datetime::OleDate>& times) {
    std::vector<std::string> texts;
    for (const auto& time : times) {
        texts.push_back(datetime::FormatLocalDateTime(time));
    }
    return texts;
}

struct PreviewCase {
    const char* what;
    const char* lines;
    const char* loaded;
    std::size_t count;
    std::vector<std::string> times;
    PreviewEnd end;
};

TEST_F(NextRunTest, EveryKindOfTimeExpression) {
    const std::vector<PreviewCase> cases = {
        {"cron on 29 February",
         "-start -cron 0 12 29 2 *\n",
         "2024-01-10 08:00:00",
         3,
         {"2024-02-29 12:00:00", "2028-02-29 12:00:00", "2032-02-29 12:00:00"},
         PreviewEnd::Complete},
        {"increments across 29 February",
         "-start 2024-02-28 23:30:00 -inc 0 0 30 0\n",
         "2024-02-28 23:00:00",
         3,
         {"2024-02-28 23:30:00", "2024-02-29 00:00:00", "2024-02-29 00:30:00"},
         PreviewEnd::Complete},
        {"daily -time",
         "-start -time 09:00:00 -inc 1 0 0 0\n",
         "2024-02-28 08:00:00",
         3,
         {"2024-02-28 09:00:00", "2024-02-29 09:00:00", "2024-03-01 09:00:00"},
         PreviewEnd::Complete},
        {"cron time skipped in March fires right after the change",
         "-start -cron 30 2 * * *\n",
         "2024-03-30 00:00:00",
         3,
         {"2024-03-30 02:30:00", "2024-03-31 03:00:00", "2024-04-01 02:30:00"},
         PreviewEnd::Complete},
        {"skipped cron minutes fire once",
         "-start -cron 15,45 * * * *\n",
         "2024-03-31 01:20:00",
         3,
         {"2024-03-31 01:45:00", "2024-03-31 03:00:00", "2024-03-31 03:15:00"},
         PreviewEnd::Complete},
        {"skipped increments fire once",
         "-start 2024-03-31 01:30:00 -inc 0 0 30 0\n",
         "2024-03-31 01:00:00",
         3,
         {"2024-03-31 01:30:00", "2024-03-31 03:00:00", "2024-03-31 03:30:00"},
         PreviewEnd::Complete},
        {"one-shot in the skipped hour",
         "-start 2024-03-31 02:30:00\n",
         "2024-03-31 00:00:00",
         3,
         {"2024-03-31 03:00:00"},
         PreviewEnd::Spent},
        {"cron time in the repeated hour of October",
         "-start -cron 30 2 * * *\n",
         "2024-10-26 12:00:00",
         3,
         {"2024-10-27 02:30:00", "2024-10-28 02:30:00", "2024-10-29 02:30:00"},
         PreviewEnd::Complete},
        {"half-hourly cron across October",
         "-start -cron 0,30 * * * *\n",
         "2024-10-27 01:50:00",
         4,
         {"2024-10-27 02:00:00", "2024-10-27 02:30:00", "2024-10-27 03:00:00",
          "2024-10-27 03:30:00"},
         PreviewEnd::Complete},
        {"increments across October",
         "-start 2024-10-27 02:00:00 -inc 0 0 30 0\n",
         "2024-10-27 01:55:00",
         3,
         {"2024-10-27 02:00:00", "2024-10-27 02:30:00", "2024-10-27 03:00:00"},
         PreviewEnd::Complete},
        {"-top",
         "-start -top 30 -inc 0 1 0 0\n",
         "2024-03-04 10:40:10",
         3,
         {"2024-03-04 11:30:00", "2024-03-04 12:30:00", "2024-03-04 13:30:00"},
         PreviewEnd::Complete},
        {"-delay",
         "-start -delay 0 0 5 0\n",
         "2024-03-04 10:00:00",
         3,
         {"2024-03-04 10:05:00"},
         PreviewEnd::Spent},
        {"-once",
         "-start -inc 0 0 0 5 -once\n",
         "2024-03-04 10:00:00",
         3,
         {"2024-03-04 10:00:00"},
         PreviewEnd::Expires},
        {"weekdays by cron",
         "-start -cron 0 9 * * 2-6\n",
         "2024-03-01 10:00:00",
         2,
         {"2024-03-04 09:00:00", "2024-03-05 09:00:00"},
         PreviewEnd::Complete},
        {"two starts",
         "-start -cron 0 8 * * *\n-start -cron 0 20 * * *\n",
         "2024-03-04 07:00:00",
         3,
         {"2024-03-04 08:00:00", "2024-03-04 20:00:00", "2024-03-05 08:00:00"},
         PreviewEnd::Complete},
        {"skip days",
         "-start 2024-03-01 08:00:00 -inc 1 0 0 0\n-skip -week 1 7\n",
         "2024-03-01 07:00:00",
         3,
         {"2024-03-01 08:00:00", "2024-03-04 08:00:00", "2024-03-05 08:00:00"},
         PreviewEnd::Complete},
        {"suspended for a window",
         "-start 2024-03-04 09:00:00 -inc 0 1 0 0\n-suspend -time 10:30:00\n"
         "-resume -time 12:30:00\n",
         "2024-03-04 08:00:00",
         4,
         {"2024-03-04 09:00:00", "2024-03-04 10:00:00", "2024-03-04 13:00:00",
          "2024-03-04 14:00:00"},
         PreviewEnd::Complete},
        {"a stop after the run",
         "-start 2024-03-04 10:00:00 -inc 0 1 0 0\n-stop 2024-03-04 12:30:00\n",
         "2024-03-04 09:00:00",
         10,
         {"2024-03-04 10:00:00", "2024-03-04 11:00:00", "2024-03-04 12:00:00",
          "2024-03-04 13:00:00"},
         PreviewEnd::Stops},
        {"missed beyond its window",
         "-start 2024-03-04 09:00:00 -inc 0 1 0 0 -constrain 0 0 10 0\n",
         "2024-03-04 09:30:00",
         2,
         {"2024-03-04 10:00:00", "2024-03-04 11:00:00"},
         PreviewEnd::Complete},
        {"-except fires while its time has not come, and after it fired",
         "-start 2024-03-04 10:00:03 -except\n",
         "2024-03-04 10:00:00",
         5,
         {"2024-03-04 10:00:00", "2024-03-04 10:00:01", "2024-03-04 10:00:02",
          "2024-03-04 10:00:04", "2024-03-04 10:00:05"},
         PreviewEnd::Complete},
        {"a cron date that never comes",
         "-start -cron 0 0 31 2 *\n",
         "2024-03-04 10:00:00",
         3,
         {},
         PreviewEnd::Spent},
        {"no start statement",
         "-action -print called\n",
         "2024-03-04 10:00:00",
         3,
         {},
         PreviewEnd::NoStart},
    };
    for (const PreviewCase& c : cases) {
        const JobPreview preview = PreviewOne(c.lines, c.loaded, c.count);
        EXPECT_EQ(Texts(preview.times), c.times) << c.what;
        EXPECT_EQ(preview.end, c.end) << c.what;
        session_.flags.fetch_or(SF_CLEAR_QUEUE);
        TickAfter(seconds(0));
    }
}

TEST_F(NextRunTest, SkippedOnEveryDayNeverFires) {
    const JobPreview preview =
        PreviewOne("-start -inc 1 0 0 0\n-skip -week 1 2 3 4 5 6 7\n", "2024-03-04 10:00:00", 1);
    EXPECT_TRUE(preview.times.empty());
    EXPECT_EQ(preview.end, PreviewEnd::NotFound);
    EXPECT_GT(preview.searchedUntil, *datetime::ParseLocalDateTime("2050-01-01"));
    EXPECT_NE(DescribeEnd(preview).find("skipped or suspended"), std::string::npos);
}

TEST_F(NextRunTest, ReevaluatingShowsTheJobAsLoadedAtAnotherMoment) {
    SetLocalTime("2024-03-04 10:00:00");
    Load("{\n-name later\n-start -delay 0 2 0 0 -inc 1 0 0 0\n}\n");
    PreviewOptions options;
    options.from = *datetime::ParseLocalDateTime("2024-07-01 06:00:00");
    options.count = 2;
    options.reevaluate = true;
    const auto previews = PreviewQueue(session_, options);
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(Texts(previews[0].times),
              (std::vector<std::string>{"2024-07-01 08:00:00", "2024-07-02 08:00:00"}));
    options.reevaluate = false;
    EXPECT_EQ(Texts(PreviewQueue(session_, options)[0].times),
              (std::vector<std::string>{"2024-07-01 06:00:00", "2024-07-01 12:00:00"}))
        << "without, the start loaded on 4 March is long overdue: one run, then its period";
}

TEST_F(NextRunTest, ASnoozedReminderFiresAtItsSnoozedTimeThenKeepsItsSchedule) {
    struct Case {
        const char* what;
        const char* start;
        const char* snoozedAt;
        const char* snoozedTo;
        std::vector<std::string> times;
    };
    const Case cases[] = {
        {"cron",
         "-start -cron 0 9 * * *\n",
         "2024-03-04 09:05:00",
         "2024-03-04 09:15:00",
         {"2024-03-04 09:15:00", "2024-03-05 09:00:00"}},
        {"daily",
         "-start -time 09:00 -inc 1 0 0 0\n",
         "2024-03-04 09:05:00",
         "2024-03-04 09:15:00",
         {"2024-03-04 09:15:00", "2024-03-05 09:00:00"}},
        {"cron, snoozed into its own minute",
         "-start -cron 0 9 * * *\n",
         "2024-03-04 08:55:00",
         "2024-03-04 09:00:00",
         {"2024-03-04 09:00:00", "2024-03-05 09:00:00"}},
    };
    for (const Case& c : cases) {
        SetLocalTime(c.snoozedAt);
        Load(std::string("{\n-name reminder\n") + c.start + "}\n");
        // What a reminder's Snooze does to the job's start statement.
        for (const auto& statement : session_.jobs.At(0)->Statements()) {
            if (statement->Kind() != KIND_START) {
                continue;
            }
            auto& start = static_cast<TimeStatement&>(*statement);
            if ((start.flags & STF_CRON) == 0) {
                start.resumeNext = start.next;
            }
            start.next = *datetime::ParseLocalDateTime(c.snoozedTo);
            start.snoozed = true;
        }
        PreviewOptions options;
        options.from = *datetime::ParseLocalDateTime(c.snoozedAt);
        options.count = 2;
        const auto previews = PreviewQueue(session_, options);
        ASSERT_EQ(previews.size(), 1u);
        EXPECT_EQ(Texts(previews[0].times), c.times) << c.what;
        session_.flags.fetch_or(SF_CLEAR_QUEUE);
        TickAfter(seconds(0));
    }
}

// Notes the jobs whose trigger lines a tick printed, at the wall-clock time `wall`.
void NoteFirings(const std::vector<std::string>& lines, const std::string& wall,
                 std::map<std::string, std::vector<std::string>>& into) {
    for (const std::string& line : lines) {
        if (line.rfind("Trigger:", 0) == 0) {
            const std::size_t colon = line.find(':', 8);
            into[line.substr(8, colon - 8)].push_back(wall);
        }
    }
}

struct AgreementCase {
    const char* start; ///< loaded at
    const char* end;   ///< ticked up to
};

TEST_F(NextRunTest, SchedulerFiresExactlyWhatThePreviewShows) {
    const std::string jobs =
        "{\n-name fixed\n-start -cron 30 2 * * *\n}\n"
        "{\n-name halfhourly\n-start -cron 0,30 * * * *\n}\n"
        "{\n-name quarter\n-start -cron 15,45 * * * *\n}\n"
        "{\n-name minutely\n-start -cron * * * * *\n}\n"
        "{\n-name stepped\n-start -time 01:10:00 -inc 0 0 20 0\n}\n"
        "{\n-name top\n-start -top 45 -inc 0 1 0 0\n}\n"
        "{\n-name paused\n-start -time 00:05:00 -inc 0 0 10 0\n-suspend -time 02:20:00\n"
        "-resume -time 03:10:00\n}\n";
    const std::vector<AgreementCase> spans = {
        {"2024-03-31 00:40:00", "2024-03-31 04:00:00"},
        {"2024-10-27 00:40:00", "2024-10-27 04:00:00"},
    };
    for (const AgreementCase& span : spans) {
        SetLocalTime(span.start);
        Load(jobs);
        PreviewOptions options;
        options.from = *datetime::ParseLocalDateTime(span.start);
        options.count = 400;
        const auto previews = PreviewQueue(session_, options);
        const auto last = *datetime::ParseLocalDateTime(span.end);

        std::map<std::string, std::vector<std::string>> fired;
        const auto endInstant = *datetime::FirstInstantOf(last);
        for (auto lines = TickAfter(seconds(0));; lines = TickAfter(seconds(1))) {
            const std::time_t instant = std::chrono::system_clock::to_time_t(now_);
            NoteFirings(lines, datetime::FormatLocalDateTime(datetime::OleDate::FromTimeT(instant)),
                        fired);
            if (instant >= endInstant) {
                break;
            }
        }
        for (const JobPreview& preview : previews) {
            std::vector<std::string> expected;
            for (const auto& time : preview.times) {
                if (time <= last) {
                    expected.push_back(datetime::FormatLocalDateTime(time));
                }
            }
            EXPECT_EQ(fired[preview.name], expected) << preview.name << " from " << span.start;
            const std::set<std::string> distinct(expected.begin(), expected.end());
            EXPECT_EQ(distinct.size(), expected.size())
                << preview.name << ": a wall-clock time ran twice";
        }
        session_.flags.fetch_or(SF_CLEAR_QUEUE);
        TickAfter(seconds(0));
    }
}

TEST_F(NextRunTest, EveryWallClockMinuteFiresOnceAcrossBothChanges) {
    // 00:00 to 04:00 wall-clock time: 240 minutes, of which the March change skips
    // 60 (their run happens once at 03:00) and the October change repeats 60.
    const std::vector<std::pair<const char*, std::size_t>> days = {{"2024-03-31", 180},
                                                                   {"2024-10-27", 240}};
    for (const auto& [day, expected] : days) {
        SetLocalTime(std::string(day) + " 00:00:00");
        Load("{\n-name minutely\n-start -cron * * * * *\n}\n");
        std::size_t runs = 0;
        const auto end = *datetime::FirstInstantOf(
            *datetime::ParseLocalDateTime(std::string(day) + " 03:59:59"));
        for (auto lines = TickAfter(seconds(0));; lines = TickAfter(seconds(1))) {
            runs += static_cast<std::size_t>(
                std::count_if(lines.begin(), lines.end(),
                              [](const auto& l) { return l.rfind("Trigger:", 0) == 0; }));
            if (std::chrono::system_clock::to_time_t(now_) >= end) {
                break;
            }
        }
        EXPECT_EQ(runs, expected) << day;
        session_.flags.fetch_or(SF_CLEAR_QUEUE);
        TickAfter(seconds(0));
    }
}

} // namespace
} // namespace ob::engine
