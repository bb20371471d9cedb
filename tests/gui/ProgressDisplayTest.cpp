// The progress bar and panels during a conversion, which never returns to the event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cmath>

#include "controls/statusbar/ProgressBar.h"
#include "conversion/ConversionError.h"
#include "forms/WindowProgressDisplay.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

double Filled(const ProgressBar& bar) {
    return static_cast<double>(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum());
}

// It fills in proportion to a fractional range, stays empty without a range and within its ends.
TEST(ProgressBarTest, FillsInProportionToItsRange) {
    const struct {
        float max, value;
        double filled;
    } cases[] = {{2.5f, 1.0f, 0.4},         {2.5f, 2.0f, 0.8},  {1.0f, 1.0f, 1.0},
                 {0.0f, 0.0f, 0.0},         {-3.0f, 1.0f, 0.0}, {0.7f, 5.0f, 1.0},
                 {0.7f, std::nanf(""), 0.0}};
    QWidget window;
    ProgressBar bar(&window);
    for (const auto& c : cases) {
        bar.SetMax(c.max);
        bar.SetMin(0.0f);
        bar.SetValue(c.value);
        EXPECT_DOUBLE_EQ(Filled(bar), c.filled) << c.max << ", " << c.value;
    }
}

class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point Now() const override { return now; }
    std::chrono::system_clock::time_point CalendarNow() const override { return {}; }
    std::chrono::steady_clock::time_point now{};
};

class ProgressDisplayTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QApplication::processEvents();  // the window's first paints
    }
    ProgressBar& Bar() const { return Find<ProgressBar>("ProgressBar1"); }
    StatusBar& Status() const { return Find<StatusBar>("StatusBar2"); }
    ManualClock clock_;
};

// A conversion reports after every shape and never returns to the event loop: the bar must
// paint by itself, yet only when its fill moves on screen, and the screen ends showing the
// last value, also when it moved the fill by less than a pixel.
TEST_F(ProgressDisplayTest, BarPaintsAtOnceButOnlyWhenItsFillMoves) {
    // 2301 shapes count 230 tens of the maximum 230.1; 200000 shapes fill the bar.
    const struct {
        int shapes;
        double filled;  // at the end
    } cases[] = {{2301, 230 / 230.1}, {200000, 1.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shapes);
        const Paints barPaints(Bar());
        {
            WindowProgressDisplay display(Bar(), Status(), clock_);
            display.SetMax(static_cast<float>(c.shapes * 0.1));
            display.SetMin(0.0f);
            for (int n = 1; n <= c.shapes; ++n) {
                display.SetValue(std::floor(static_cast<float>(n) / 10.0f));
            }
            EXPECT_GT(barPaints.count, 1);
            EXPECT_LE(barPaints.count, Bar().width() + 2);  // and one back to the start
        }
        EXPECT_NEAR(Filled(Bar()), c.filled, 0.5 / ProgressBar::kSteps);
        EXPECT_EQ(barPaints.lastValue, Bar().value());
    }
}

// A panel paints at once when its text changes, never for the same text, and at most once per
// interval when the estimate flips from shape to shape; it ends showing the last text.
TEST_F(ProgressDisplayTest, PanelPaintsChangesAtABoundedPaceAndEndsRight) {
    StatusBarPanel& remaining = Status().Panels(4);
    const Paints paints(remaining);
    {
        WindowProgressDisplay display(Bar(), Status(), clock_);
        display.SetPanelText(4, "Time remaining: 00:00:09");
        display.SetPanelText(4, "Time remaining: 00:00:09");
        EXPECT_EQ(paints.count, 1);
        EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:09"));
        clock_.now += WindowProgressDisplay::kPanelRepaintInterval;
        for (int n = 0; n < 10000; ++n) {
            display.SetPanelText(
                4, n % 2 == 0 ? "Time remaining: 00:00:03" : "Time remaining: 00:00:02");
            clock_.now += std::chrono::microseconds(20);  // 0.2 s in all
        }
        EXPECT_LE(paints.count, 4);
        clock_.now += WindowProgressDisplay::kPanelRepaintInterval;
        display.SetPanelText(4, "Time remaining: 00:00:01");
        EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:01"));
        display.SetPanelText(4, "Time remaining: 00:00:00");
        EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:01"));
        EXPECT_THROW(display.SetPanelText(5, "x"), IndexError);
    }
    EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:00"));
}

}  // namespace
}  // namespace tesselar::test
