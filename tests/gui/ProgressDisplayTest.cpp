#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cmath>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/TwipScale.h"
#include "conversion/ConversionError.h"
#include "forms/WindowProgressDisplay.h"
#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

double Filled(const ProgressBar& bar) {
    return static_cast<double>(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum());
}

// It fills in proportion to a fractional range, stays empty without a range and stays within
// its ends.
TEST(ProgressBarTest, FillsInProportionToItsRange) {
    struct Case {
        float max;
        float value;
        double filled;
    };
    const Case cases[] = {{2.5f, 0.0f, 0.0},          {2.5f, 1.0f, 0.4}, {2.5f, 2.0f, 0.8},
                          {1.0f, 1.0f, 1.0},          {0.0f, 0.0f, 0.0}, {-3.0f, 1.0f, 0.0},
                          {0.7f, std::nanf(""), 0.0}, {0.7f, 5.0f, 1.0}};
    QWidget window;
    ProgressBar bar(&window);
    for (const Case& c : cases) {
        bar.SetMax(c.max);
        bar.SetMin(0.0f);
        bar.SetValue(c.value);
        EXPECT_DOUBLE_EQ(Filled(bar), c.filled) << c.max << ", " << c.value;
    }
}

TEST(TwipScaleTest, ConvertsAtTheScreensDensity) {
    const TwipScale at96(96, 96);
    EXPECT_EQ(at96.PixelsX(1440), 96);
    EXPECT_EQ(at96.PixelsY(30), 2);
    EXPECT_FLOAT_EQ(at96.TwipsY(2), 30.0f);
    const TwipScale at120(120, 144);
    EXPECT_FLOAT_EQ(at120.TwipsX(2), 24.0f);
    EXPECT_FLOAT_EQ(at120.TwipsY(2), 20.0f);
    // Neighbours in twips stay neighbours in pixels, whatever the rounding of each edge.
    const QRect first = at96.Rect(0, 0, 4000, 285);
    const QRect second = at96.Rect(4000, 0, 2500, 285);
    EXPECT_EQ(first.right() + 1, second.left());
    EXPECT_EQ(second.right() + 1, at96.PixelsX(6500));
}

// A clock that stands still until the test moves it on.
class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point Now() const override { return now; }
    std::chrono::system_clock::time_point CalendarNow() const override { return {}; }
    std::chrono::steady_clock::time_point now{};
};

// The main window's progress bar and status bar, shown so that paints happen.
class ProgressDisplayTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        bar_ = &Find<ProgressBar>("ProgressBar1");
        statusBar_ = &Find<StatusBar>("StatusBar2");
        QApplication::processEvents();  // the window's first paints
    }

    ProgressBar* bar_ = nullptr;
    StatusBar* statusBar_ = nullptr;
    ManualClock stillClock_;
};

// A conversion reports after every shape and never returns to the event loop: the bar must
// paint by itself, yet only when its fill moves on screen, and the screen ends showing the
// last value, also when it moved the fill by less than a pixel.
TEST_F(ProgressDisplayTest, BarPaintsAtOnceButOnlyWhenItsFillMoves) {
    struct Case {
        int shapes;
        double filled;  // at the end
    };
    // 2301 shapes count 230 tens of the maximum 230.1; 200000 shapes fill the bar.
    const Case cases[] = {{2301, 230 / 230.1}, {200000, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shapes);
        const BarPaints barPaints(*bar_);
        {
            WindowProgressDisplay display(*bar_, *statusBar_, stillClock_);
            display.SetMax(static_cast<float>(c.shapes * 0.1));
            display.SetMin(0.0f);
            for (int n = 1; n <= c.shapes; ++n) {
                display.SetValue(std::floor(static_cast<float>(n) / 10.0f));
            }
            EXPECT_GT(barPaints.count, 1);
            EXPECT_LE(barPaints.count, bar_->width() + 2);  // and one back to the start
        }
        EXPECT_NEAR(Filled(*bar_), c.filled, 0.5 / ProgressBar::kSteps);
        EXPECT_EQ(barPaints.lastValue, bar_->value());
    }
}

TEST_F(ProgressDisplayTest, PanelPaintsAtOnceOnlyWhenItsTextChanges) {
    WindowProgressDisplay display(*bar_, *statusBar_, stillClock_);
    StatusBarPanel& elapsed = statusBar_->Panels(3);
    const PaintCounter panelPaints(elapsed);
    for (int n = 0; n < 1000; ++n) {
        display.SetPanelText(3, "Time elapsed: 00:00:01");
        stillClock_.now += std::chrono::milliseconds(1);
    }
    EXPECT_EQ(panelPaints.count, 1);
    EXPECT_EQ(elapsed.text(), QStringLiteral("Time elapsed: 00:00:01"));
    display.SetPanelText(3, "Time elapsed: 00:00:02");
    EXPECT_EQ(panelPaints.count, 2);
    EXPECT_EQ(elapsed.text(), QStringLiteral("Time elapsed: 00:00:02"));
    EXPECT_THROW(display.SetPanelText(5, "Time elapsed: 00:00:02"), IndexError);
}

// The estimate of the time remaining can flip between two seconds from shape to shape: the
// panel follows at a pace that costs nothing, and ends showing the last text.
TEST_F(ProgressDisplayTest, FlippingTextIsPaintedAtABoundedPaceAndEndsRight) {
    StatusBarPanel& remaining = statusBar_->Panels(4);
    const PaintCounter panelPaints(remaining);
    {
        WindowProgressDisplay display(*bar_, *statusBar_, stillClock_);
        for (int n = 0; n < 10000; ++n) {
            display.SetPanelText(
                4, n % 2 == 0 ? "Time remaining: 00:00:03" : "Time remaining: 00:00:02");
            stillClock_.now += std::chrono::microseconds(20);  // 0.2 s in all
        }
        EXPECT_LE(panelPaints.count, 3);
        // Shown again once the interval has passed, at the next report.
        stillClock_.now += WindowProgressDisplay::kPanelRepaintInterval;
        const int before = panelPaints.count;
        display.SetPanelText(4, "Time remaining: 00:00:01");
        EXPECT_EQ(panelPaints.count, before + 1);
        EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:01"));
        display.SetPanelText(4, "Time remaining: 00:00:00");
        EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:01"));
    }
    EXPECT_EQ(remaining.text(), QStringLiteral("Time remaining: 00:00:00"));
}

}  // namespace
}  // namespace tesselar::test
