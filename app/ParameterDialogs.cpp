#include "app/ParameterDialogs.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QString>

#include <cmath>

namespace kal::ui {

const ParameterQuestion fieldOfViewQuestion = {"Perspective", "FOV (10-160)", 10, 160, 2};
const ParameterQuestion snapThresholdQuestion = {"Snap Symmetry", "Threshold", 0, 1, 2};
const ParameterQuestion snapStepQuestion = {"Snap Grid", "Step", 1, 1000, 2};
const ParameterQuestion axisNGonQuestion = {"N-Gon", "N", 7, 10000, 0};
const ParameterQuestion axisCircleQuestion = {"Circle", "N", 3, 10000, 0};
const ParameterQuestion trefoilQuestion = {"Trefoil", "N", 12, 10000, 0};
const ParameterQuestion sectionNGonQuestion = {"N-Gon", "N", 7, 10000, 0};
const ParameterQuestion sectionCircleQuestion = {"Circle", "N", 3, 10000, 0};
const ParameterQuestion rotationItemsQuestion = {"Rotation Symmetry", "Items", 2, 1000, 0};
const ParameterQuestion environmentBlurQuestion = {"Environment", "Blur (0-100)", 0, 100, 0};
const ParameterQuestion rotationMultiplicityQuestion = {"Constrained Rotation", "Multiplicity", -1e20, 1e20, 2};

} // namespace kal::ui

namespace {

QString tr(const char* text) { return QCoreApplication::translate("MainWindow", text); }

// A present value the dialog cannot show (NaN, or beyond what an int holds) starts at the minimum.
int wholeStart(double present, double minimum) {
    if (!std::isfinite(present) || std::fabs(present) > 2.0e9) return int(minimum);
    return int(std::lround(present));
}

} // namespace

double askNumber(QWidget* parent, const kal::ui::ParameterQuestion& q, double present, bool* accepted) {
    bool ok = false;
    double value = present;
    if (q.decimals == 0) {
        const int answer = QInputDialog::getInt(parent, tr(q.title), tr(q.label), wholeStart(present, q.minimum),
                                                int(q.minimum), int(q.maximum), 1, &ok);
        if (ok) value = answer;
    } else {
        const double start = std::isfinite(present) ? present : q.minimum;
        const double answer =
            QInputDialog::getDouble(parent, tr(q.title), tr(q.label), start, q.minimum, q.maximum, q.decimals, &ok);
        if (ok) value = answer;
    }
    if (accepted) *accepted = ok;
    return value;
}

QString countedText(const char* prefix, int count) { return tr(prefix) + QString::number(count) + QLatin1Char(')'); }
