#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cmath>
#include <string>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "controls/statusbar/TwipScale.h"
#include "conversion/Clock.h"
#include "forms/MoveProgressBarIntoPanel.h"
#include "forms/WindowProgressDisplay.h"

namespace tesselar {
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

TEST(ProgressBarTest, FillsInProportionToAFractionalRange) {
    QWidget window;
    ProgressBar bar(&window);
    bar.SetMax(2.5f);  // 25 shapes, counted in tens
    bar.SetMin(0.0f);
    bar.SetValue(0.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 0.0);
    bar.SetValue(1.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 0.4);
    bar.SetValue(2.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 0.8);
    bar.SetMax(1.0f);
    bar.SetValue(1.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 1.0);
}

TEST(ProgressBarTest, StaysEmptyWithoutARangeAndWithinItsEnds) {
    QWidget window;
    ProgressBar bar(&window);
    bar.SetMax(0.0f);
    bar.SetMin(0.0f);
    bar.SetValue(0.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 0.0);
    bar.SetMax(-3.0f);
    bar.SetValue(1.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 0.0);
    bar.SetMax(0.7f);
    bar.SetValue(std::nanf(""));
    EXPECT_DOUBLE_EQ(Filled(bar), 0.0);
    bar.SetValue(5.0f);
    EXPECT_DOUBLE_EQ(Filled(bar), 1.0);
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

// A window with the main window's status bar and progress bar, shown so that paints happen.
class ProgressDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        const TwipScale scale = TwipScale::Of(window_);
        window_.resize(scale.PixelsX(10770), scale.PixelsY(6495));
        statusBar_->setGeometry(scale.Rect(0, 6210, 10770, 285));
        MoveProgressBarIntoPanel(*bar_, *statusBar_, 2);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        QApplication::processEvents();
    }

    ManualClock clock_;
    QWidget window_;
    StatusBar* statusBar_ = new StatusBar(&window_, {4000, 2500, 2000, 2000});
    ProgressBar* bar_ = new ProgressBar(&window_);
};

// A conversion reports after every shape and never returns to the event loop: the bar must
// paint by itself, yet only when its fill moves on screen.
TEST_F(ProgressDisplayTest, BarPaintsAtOnceButOnlyWhenItsFillMoves) {
    WindowProgressDisplay display(*bar_, *statusBar_, clock_);
    const PaintCounter barPaints(*bar_);
    constexpr int kShapes = 200000;
    display.SetMax(static_cast<float>(kShapes * 0.1));
    display.SetMin(0.0f);
    for (int n = 1; n <= kShapes; ++n) {
        display.SetValue(std::floor(static_cast<float>(n) / 10.0f));
    }
    EXPECT_GT(barPaints.count, 1);
    EXPECT_LE(barPaints.count, bar_->width() + 1);
    EXPECT_DOUBLE_EQ(Filled(*bar_), 1.0);
}

TEST_F(ProgressDisplayTest, PanelPaintsAtOnceOnlyWhenItsTextChanges) {
    WindowProgressDisplay display(*bar_, *statusBar_, clock_);
    StatusBarPanel& elapsed = statusBar_->Panels(3);
    const PaintCounter panelPaints(elapsed);
    for (int n = 0; n < 1000; ++n) {
        display.SetPanelText(3, "Time elapsed: 00:00:01");
        clock_.now += std::chrono::milliseconds(1);
    }
    EXPECT_EQ(panelPaints.count, 1);
    EXPECT_EQ(elapsed.text(), QStringLiteral("Time elapsed: 00:00:01"));
    display.SetPanelText(3, "Time elapsed: 00:00:02");
    EXPECT_EQ(panelPaints.count, 2);
    EXPECT_EQ(elapsed.text(), QStringLiteral("Time elapsed: 00:00:02"));
    EXPECT_THROW(display.SetPanelText(5, "Time elapsed: 00:00:02"), std::out_of_range);
}

// The estimate of the time remaining can flip between two seconds from shape to shape: the
// panel follows at a pace that costs nothing, and ends showing the last text.
TEST_F(ProgressDisplayTest, FlippingTextIsPaintedAtABoundedPaceAndEndsRight) {
    StatusBarPanel& remaining = statusBar_->Panels(4);
    const PaintCounter panelPaints(remaining);
    {
        WindowProgressDisplay display(*bar_, *statusBar_, clock_);
        for (int n = 0; n < 10000; ++n) {
            display.SetPanelText(
                4, n % 2 == 0 ? "Time remaining: 00:00:03" : "Time remaining: 00:00:02");
            clock_.now += std::chrono::microseconds(20);  // 0.2 s in all
        }
        EXPECT_LE(panelPaints.count, 3);
        // Shown again once the interval has passed, at the next report.
        clock_.now += WindowProgressDisplay::kPanelRepaintInterval;
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
}  // namespace tesselar
