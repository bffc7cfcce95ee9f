// The colour wheel against its geometry: a 204 x 204 wheel has its centre at (102, 102), ring radii
// 80 and 100 and the triangle's vertices on a circle of radius 74 (apex up). Expected colours come
// from the HSL definition, not from the wheel.
#include "app/ColorWheel.h"
#include "app/DialogTypes.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using kal::wvec4;

namespace {

// HSL to one 16-bit channel set, straight from the definition.
wvec4 fromHsl(double h, double s, double l) {
    const double c = (1 - std::fabs(2 * l - 1)) * s;
    const double hp = h * 6;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1)
        r = c, g = x;
    else if (hp < 2)
        r = x, g = c;
    else if (hp < 3)
        g = c, b = x;
    else if (hp < 4)
        g = x, b = c;
    else if (hp < 5)
        r = x, b = c;
    else
        r = c, b = x;
    const double m = l - c / 2;
    return wvec4(uint16_t((r + m) * 65535), uint16_t((g + m) * 65535), uint16_t((b + m) * 65535), 65535);
}

class Wheel : public ::testing::Test {
protected:
    Wheel() {
        registerDialogTypes();
        wheel.resize(204, 204);
        wheel.show();
    }
    // start: pure red, hue 0, saturation 1, lightness 0.5
    ColorWheel wheel{wvec4(65535, 0, 0, 65535)};
    QSignalSpy spy{&wheel, SIGNAL(changeColor(kal::wvec4))};

    // Presses at a point given in the wheel's y-up frame.
    void press(int x, int y) { QTest::mousePress(&wheel, Qt::LeftButton, {}, QPoint(x, 204 - y)); }
    void drag(int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 204 - y), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&wheel, &move);
    }
    wvec4 last() const { return spy.last().at(0).value<wvec4>(); }
};

void expectNear(wvec4 got, wvec4 want) {
    EXPECT_NEAR(got.r, want.r, 2);
    EXPECT_NEAR(got.g, want.g, 2);
    EXPECT_NEAR(got.b, want.b, 2);
    EXPECT_EQ(got.a, 65535);
}

} // namespace

TEST_F(Wheel, ringPressesOnlyStrictlyBetweenTheCircles) {
    press(182, 102); // on the inner circle, beside the triangle
    press(202, 102); // on the outer circle
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(wheel.ringGrabbed);

    press(102, 190); // top of the ring: hue 1/4
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(wheel.ringGrabbed);
    expectNear(last(), fromHsl(0.25, 1, 0.5));
    drag(14, 102); // left: hue 1/2, no radius test while dragging
    expectNear(last(), fromHsl(0.5, 1, 0.5));
    drag(102, 102 - 300); // far below the widget: hue 3/4
    expectNear(last(), fromHsl(0.75, 1, 0.5));
}

TEST_F(Wheel, capsRestoreOrDesaturateAndTheRightOneDoesNothing) {
    press(102, 130); // inside the triangle
    ASSERT_TRUE(wheel.triangleGrabbed);
    press(59, 127); // left cap: the starting colour, even after a change
    ASSERT_EQ(spy.count(), 2);
    expectNear(last(), wvec4(65535, 0, 0, 65535));
    EXPECT_FALSE(wheel.triangleGrabbed);

    wheel.lightness = 0.25f;
    press(102, 53); // bottom cap: hue and saturation 0 at the present lightness
    ASSERT_EQ(spy.count(), 3);
    expectNear(last(), fromHsl(0, 0, 0.25));

    press(145, 127); // beside the right edge: the right cap only shows the colour
    EXPECT_EQ(spy.count(), 3);
    drag(110, 110); // and a press outside everything leaves drags idle
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(Wheel, triangleDragsStayOnTheTriangle) {
    press(102, 102);
    ASSERT_TRUE(wheel.triangleGrabbed);
    EXPECT_NEAR(wheel.lightness, 0.5, 1e-3);
    EXPECT_NEAR(wheel.saturation, (102 - 65.0) / 111, 1e-3);

    drag(102, 40); // below the base
    EXPECT_EQ(wheel.saturation, 0);
    EXPECT_NEAR(wheel.lightness, 0.5, 1e-3);
    drag(20, 202); // above the apex, far left
    EXPECT_NEAR(wheel.lightness, 0.5, 1e-3);
    EXPECT_FLOAT_EQ(wheel.saturation, 1);
    expectNear(last(), fromHsl(0, 1, 0.5));
    drag(250, 20); // past the right vertex: white, every channel full
    EXPECT_EQ(wheel.lightness, 1);
    EXPECT_EQ(last(), wvec4(65535, 65535, 65535, 65535));
}

TEST_F(Wheel, sizeFollowsTheSmallerSideAndTooSmallActsOnNothing) {
    wheel.resize(100, 300);
    EXPECT_FLOAT_EQ(wheel.diameter, 96);
    // diameter 15: the triangle's circle has radius 0
    wheel.resize(19, 19);
    QTest::mousePress(&wheel, Qt::LeftButton, {}, QPoint(9, 9));
    QTest::mousePress(&wheel, Qt::LeftButton, {}, QPoint(16, 9));
    drag(3, 3);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(wheel.ringGrabbed || wheel.triangleGrabbed);
}

TEST_F(Wheel, disabledPaintsGreyAndKeepsItsColour) {
    const QPoint ringTop(102, 204 - 190);
    const QColor enabled = wheel.grab().toImage().pixelColor(ringTop);
    EXPECT_GT(enabled.red(), 100);
    EXPECT_GT(enabled.green(), 100);
    EXPECT_LT(enabled.blue(), 60);

    wheel.setEnabled(false);
    const QImage grey = wheel.grab().toImage();
    const QColor ring = grey.pixelColor(ringTop);
    EXPECT_EQ(ring.red(), ring.green());
    EXPECT_EQ(ring.green(), ring.blue());
    const QColor leftCap = grey.pixelColor(59, 204 - 127);
    EXPECT_EQ(leftCap.red(), leftCap.blue());
    EXPECT_EQ(wheel.saturation, 1);
    EXPECT_EQ(wheel.initialSaturation, 1);
}
