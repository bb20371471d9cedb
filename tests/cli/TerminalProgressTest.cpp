#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "cli/TerminalProgress.h"

namespace tesselar {
namespace {

// A clock that stands until the test moves it.
class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point Now() const override { return now; }
    std::chrono::system_clock::time_point CalendarNow() const override { return {}; }
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

class TerminalProgressTest : public ::testing::Test {
protected:
    TerminalProgressTest() {
        progress_.SetMax(2.5f);
        progress_.SetMin(0.0f);
    }
    void Shape(float value, const std::string& elapsed) {
        progress_.SetValue(value);
        progress_.SetPanelText(3, "Time elapsed: " + elapsed);
        progress_.SetPanelText(4, "Time remaining: 00:00:09");
    }
    // The lines drawn so far, each over the one before.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> lines;
        std::stringstream stream(terminal_.str());
        for (std::string line; std::getline(stream, line, '\r');) {
            lines.push_back(line);
        }
        return lines;
    }

    std::ostringstream terminal_;
    ManualClock clock_;
    TerminalProgress progress_{terminal_, clock_};
};

// A line is drawn only when the percentage or a time changes, and blanks what a longer line
// before it left behind.
TEST_F(TerminalProgressTest, DrawsOnlyChangesOverWhatWasThere) {
    Shape(0.0f, "1 day 00:00:01");
    const std::size_t first = Drawn().size();
    Shape(0.0f, "1 day 00:00:01");
    ASSERT_EQ(Drawn().size(), first);
    Shape(1.0f, "1 day 00:00:01");
    EXPECT_NE(Drawn().back().find(" 40%"), std::string::npos) << Drawn().back();
    Shape(1.0f, "00:00:02");
    const auto lines = Drawn();
    ASSERT_EQ(lines.size(), first + 2);
    EXPECT_NE(lines.back().find("Time elapsed: 00:00:02  Time remaining: 00:00:09"),
              std::string::npos);
    EXPECT_EQ(lines.back().size(), lines[lines.size() - 2].size());
}

// A run of several steps names the step before the bar, which starts again for each step.
TEST_F(TerminalProgressTest, ShowsTheStepBeforeTheBar) {
    TerminalProgress unranged(terminal_, clock_);
    unranged.SetStep(1, 10);
    EXPECT_EQ(terminal_.str(), "") << "a bar without its range is not drawn";
    for (int step = 1; step <= 3; ++step) {
        progress_.SetStep(step, 10);
        EXPECT_TRUE(Drawn().back().starts_with("step " + std::to_string(step) + "/10 [...."))
            << Drawn().back();
        EXPECT_NE(Drawn().back().find("  0%"), std::string::npos) << Drawn().back();
        Shape(2.5f, "00:00:01");
        EXPECT_TRUE(Drawn().back().starts_with("step " + std::to_string(step) + "/10 [####"))
            << Drawn().back();
    }
}

// In a run of several steps the times are the run's: elapsed since the first step began, and
// remaining as long again as the steps done took, in proportion.
TEST_F(TerminalProgressTest, ARunShowsItsOwnElapsedAndRemainingTime) {
    const struct {
        int step;
        float value;  // of 2.5
        int runSeconds;
        std::string elapsed;
        std::string remaining;
    } rows[] = {
        {1, 0.0f, 0, "Time elapsed: 00:00:00", ""},
        {1, 1.25f, 10, "Time elapsed: 00:00:10", "Time remaining: 00:01:10"},
        {2, 1.25f, 30, "Time elapsed: 00:00:30", "Time remaining: 00:00:50"},
        {4, 2.5f, 100, "Time elapsed: 00:01:40", "Time remaining: 00:00:00"},
    };
    const auto start = clock_.now;
    for (const auto& row : rows) {
        progress_.SetStep(row.step, 4);
        clock_.now = start + std::chrono::seconds(row.runSeconds);
        progress_.SetValue(row.value);
        // The writer gives its step's own times, which the line replaces.
        progress_.SetPanelText(3, "Time elapsed: 00:00:01");
        progress_.SetPanelText(4, "Time remaining: 00:00:02");
        const std::string line = Drawn().back();
        EXPECT_NE(line.find(row.elapsed), std::string::npos) << line;
        if (row.remaining.empty()) {
            EXPECT_EQ(line.find("remaining"), std::string::npos) << line;
        } else {
            EXPECT_NE(line.find(row.remaining), std::string::npos) << line;
        }
        EXPECT_EQ(line.find("00:00:02"), std::string::npos) << line;
    }
}

// A completed conversion ends on a full bar, a failed one where it stood; both end the line,
// and nothing drawn leaves nothing to end.
TEST_F(TerminalProgressTest, FinishEndsTheLine) {
    progress_.Finish(true);
    EXPECT_EQ(terminal_.str(), "");
    for (const bool completed : {true, false}) {
        terminal_.str("");
        Shape(completed ? 2.0f : 1.0f, "00:00:05");
        progress_.Finish(completed);
        EXPECT_EQ(terminal_.str().back(), '\n');
        EXPECT_EQ(Drawn().back().find("100%") != std::string::npos, completed);
    }
}

}  // namespace
}  // namespace tesselar
