#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "readers/StepFiles.h"
#include "readers/StepTimes.h"
#include "support/TempDir.h"

namespace tesselar {
namespace {

using std::chrono::seconds;
using test::TempDir;

// The seconds since 1970-01-01T00:00:00Z of a date-time, counted independently of the parser:
// days since the epoch from a plain day count per month.
long long EpochSeconds(int year, int month, int day, int hour, int minute, int second) {
    const auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    long long days = 0;
    for (int y = 1970; y < year; ++y) {
        days += leap(y) ? 366 : 365;
    }
    for (int y = year; y < 1970; ++y) {
        days -= leap(y) ? 366 : 365;
    }
    for (int m = 1; m < month; ++m) {
        days += monthDays[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    }
    days += day - 1;
    return ((days * 24 + hour) * 60 + minute) * 60 + second;
}

TEST(ParseDateTime, ReadsIsoDateTimesAsUtc) {
    const struct {
        const char* text;
        long long epochSeconds;
        const char* iso;
        const char* compact;
    } cases[] = {
        {"2024-01-01T00:00:00Z", EpochSeconds(2024, 1, 1, 0, 0, 0), "2024-01-01T00:00:00Z",
         "20240101T000000Z"},
        {"2024-02-29T23:59:59", EpochSeconds(2024, 2, 29, 23, 59, 59), "2024-02-29T23:59:59Z",
         "20240229T235959Z"},
        {"2024-03-10T06:30", EpochSeconds(2024, 3, 10, 6, 30, 0), "2024-03-10T06:30:00Z",
         "20240310T063000Z"},
        {"2024-01-01T01:00:00+02:00", EpochSeconds(2023, 12, 31, 23, 0, 0), "2023-12-31T23:00:00Z",
         "20231231T230000Z"},
        {"2024-01-01T00:00:00-0530", EpochSeconds(2024, 1, 1, 5, 30, 0), "2024-01-01T05:30:00Z",
         "20240101T053000Z"},
        {"2024-06-01t12:00:00+01", EpochSeconds(2024, 6, 1, 11, 0, 0), "2024-06-01T11:00:00Z",
         "20240601T110000Z"},
        {"1900-03-01T00:00:00Z", EpochSeconds(1900, 3, 1, 0, 0, 0), "1900-03-01T00:00:00Z",
         "19000301T000000Z"},
    };
    for (const auto& [text, epochSeconds, iso, compact] : cases) {
        const auto time = ParseDateTime(text);
        ASSERT_TRUE(time) << text;
        EXPECT_EQ(time->time_since_epoch().count(), epochSeconds) << text;
        EXPECT_EQ(IsoUtcText(*time), iso) << text;
        EXPECT_EQ(CompactUtcText(*time), compact) << text;
    }
}

TEST(ParseDateTime, RefusesWhatIsNoDateTime) {
    for (const char* text :
         {"", "2024-01-01", "2024-01-01 00:00:00", "2024-1-01T00:00", "2023-02-29T00:00",
          "2024-13-01T00:00", "2024-01-01T24:00", "2024-01-01T00:60", "2024-01-01T00:00:60",
          "2024-01-01T00:00:00.5Z", "2024-01-01T00:00:00ZZ", "2024-01-01T00:00+2",
          "+2024-01-01T00:00", "2024-01-01T00:00+24:00", "2024-01-01T00:00 ", " 2024-01-01T00:00",
          "9999-12-31T23:00-02:00", "yesterday"}) {
        EXPECT_FALSE(ParseDateTime(text)) << "'" << text << "'";
    }
}

TEST(ParseDuration, ReadsIsoDurationsAndSeconds) {
    const struct {
        const char* text;
        long long seconds;
    } accepted[] = {{"PT1H", 3600},      {"PT30M", 1800},      {"P1D", 86400},    {"PT45S", 45},
                    {"P1DT12H", 129600}, {"P2W", 1209600},     {"pt1h30m", 5400}, {"3600", 3600},
                    {"PT90M", 5400},     {"P1DT0H0M1S", 86401}};
    for (const auto& [text, count] : accepted) {
        const auto duration = ParseDuration(text);
        ASSERT_TRUE(duration) << text;
        EXPECT_EQ(duration->count(), count) << text;
    }
    for (const char* text :
         {"", "P", "PT", "P1Y", "P1M", "PT1D", "P1H", "PT1M1H", "0", "PT0S", "-60", "1.5", "PT1.5H",
          "P1DT", "60s", "1 H", "PT99999999999999999H"}) {
        EXPECT_FALSE(ParseDuration(text)) << "'" << text << "'";
    }
}

TEST(RegularTimes, StepsFromTheStartAndStopsAtTheYear9999) {
    const StepTime start = *ParseDateTime("2024-01-01T00:00:00Z");
    const std::vector<StepTime> times = RegularTimes(start, seconds(1800), 3);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(IsoUtcText(times[2]), "2024-01-01T01:00:00Z");
    const StepTime late = *ParseDateTime("9999-12-31T22:00:00Z");
    EXPECT_THROW(RegularTimes(late, seconds(3600), 3), StepSeriesError);
    EXPECT_EQ(RegularTimes(late, seconds(3600), 2).size(), 2u);
}

TEST(ReadTimesFile, ReadsOneTimePerLineOrNamesTheFault) {
    const TempDir folder;
    const struct {
        const char* content;
        std::size_t count;
        std::vector<std::string> named;  // empty: accepted
    } cases[] = {
        {"2024-01-01T00:00:00Z\n2024-01-01T06:00:00Z\r\n2024-01-02T00:00:00+01:00\n\n\n", 3, {}},
        {"2024-01-01T00:00:00Z\n2024-01-01T06:00:00Z", 2, {}},
        {"2024-01-01T00:00:00Z\n2024-01-01T06:00:00Z\n",
         3,
         {"holds 2 times but there are 3 steps"}},
        {"2024-01-01T00:00:00Z\n2024-01-01T06:00:00Z\n2024-01-01T07:00:00Z\n",
         2,
         {"holds 3 times but there are 2 steps"}},
        {"", 1, {"holds 0 times but there is"}},
        {"2024-01-01T00:00:00Z\n2024-01-01T00:00:00Z\n",
         2,
         {"line 2: 2024-01-01T00:00:00Z is not later than 2024-01-01T00:00:00Z on line 1"}},
        {"2024-01-02T00:00:00Z\n2024-01-02T00:30:00+01:00\n",
         2,
         {"line 2: 2024-01-01T23:30:00Z is not later than 2024-01-02T00:00:00Z on line 1"}},
        {"2024-01-01T00:00:00Z\n\n2024-01-02T00:00:00Z\n",
         2,
         {"line 2: '' is not an ISO 8601 date-time"}},
        {"2024-01-01T00:00:00Z\nnoon\n", 2, {"line 2: 'noon' is not an ISO 8601 date-time"}},
    };
    for (const auto& [content, count, named] : cases) {
        const std::string path = folder.Write("times.txt", content);
        try {
            const std::vector<StepTime> times = ReadTimesFile(path, count);
            EXPECT_TRUE(named.empty()) << content << "\naccepted, should name: " << named.front();
            EXPECT_EQ(times.size(), count);
        } catch (const StepSeriesError& error) {
            const std::string message = error.what();
            EXPECT_FALSE(named.empty()) << content << "\nrefused: " << message;
            EXPECT_NE(message.find("times file '" + path + "'"), std::string::npos) << message;
            for (const std::string& text : named) {
                EXPECT_NE(message.find(text), std::string::npos) << message;
            }
        }
    }
    EXPECT_THROW(ReadTimesFile(folder / "missing.txt", 1), StepSeriesError);
}

}  // namespace
}  // namespace tesselar
