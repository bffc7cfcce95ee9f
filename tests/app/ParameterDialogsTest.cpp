// The number questions of Ctrl-held actions, answered by a timer as a user would.
#include "app/ParameterDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QTimer>

#include <cmath>
#include <functional>
#include <limits>

using namespace kal::ui;

namespace {

// Once the question is up: notes what it shows, lets `answer` fill it in, then OK or Cancel.
class Answer {
public:
    Answer(bool ok, std::function<void(QInputDialog*)> answer = {}) {
        QObject::connect(&timer, &QTimer::timeout, [this, ok, answer] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer.stop();
            title = dialog->windowTitle();
            label = dialog->labelText();
            shownInt = dialog->intValue();
            shownDouble = dialog->doubleValue();
            if (answer) answer(dialog);
            if (ok)
                dialog->accept();
            else
                dialog->reject();
        });
        timer.start(10);
    }
    QString title;
    QString label;
    int shownInt = 0;
    double shownDouble = 0;

private:
    QTimer timer;
};

} // namespace

TEST(ParameterDialogs, wholeNumberAnswerIsKeptWithinTheQuestionsRange) {
    bool accepted = false;
    {
        Answer a(true, [](QInputDialog* d) { d->setIntValue(40); });
        EXPECT_EQ(askNumber(nullptr, axisNGonQuestion, 7, &accepted), 40.0);
        EXPECT_TRUE(accepted);
        EXPECT_EQ(a.title, "N-Gon");
        EXPECT_EQ(a.label, "N");
        EXPECT_EQ(a.shownInt, 7);
    }
    {
        Answer a(true, [](QInputDialog* d) { d->setIntValue(2); });
        EXPECT_EQ(askNumber(nullptr, trefoilQuestion, 64, &accepted), 12.0);
    }
    {
        Answer a(true, [](QInputDialog* d) { d->setIntValue(50000); });
        EXPECT_EQ(askNumber(nullptr, axisCircleQuestion, 24, &accepted), 10000.0);
    }
}

TEST(ParameterDialogs, cancelGivesThePresentValueBackUnchanged) {
    bool accepted = true;
    {
        Answer a(false, [](QInputDialog* d) { d->setIntValue(99); });
        EXPECT_EQ(askNumber(nullptr, sectionCircleQuestion, 24, &accepted), 24.0);
        EXPECT_FALSE(accepted);
    }
    {
        // a value the range does not hold stays as it was: the dialog only shows it clamped
        Answer a(false);
        EXPECT_EQ(askNumber(nullptr, fieldOfViewQuestion, 200.0, &accepted), 200.0);
        EXPECT_DOUBLE_EQ(a.shownDouble, 160.0);
    }
}

TEST(ParameterDialogs, realAnswerKeepsTwoDecimals) {
    Answer a(true, [](QInputDialog* d) { d->setDoubleValue(45.678); });
    EXPECT_NEAR(askNumber(nullptr, fieldOfViewQuestion, 60.0), 45.68, 1e-9);
    EXPECT_EQ(a.title, "Perspective");
    EXPECT_EQ(a.label, "FOV (10-160)");
}

TEST(ParameterDialogs, unusablePresentValueStartsAtTheMinimum) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    {
        Answer a(false);
        EXPECT_TRUE(std::isnan(askNumber(nullptr, snapStepQuestion, nan)));
        EXPECT_DOUBLE_EQ(a.shownDouble, 1.0);
    }
    {
        Answer a(true);
        EXPECT_EQ(askNumber(nullptr, sectionNGonQuestion, 1e30), 7.0);
        EXPECT_EQ(a.shownInt, 7);
    }
}

TEST(ParameterDialogs, countedTextShowsTheCount) {
    EXPECT_EQ(countedText("N-Gon (", 7), "N-Gon (7)");
    EXPECT_EQ(countedText("Rotation Items (", 1001), "Rotation Items (1001)");
}
