#pragma once
// The number questions that some actions ask first while Ctrl is held: one row per question with
// the dialog's title, the label beside the field, the range and the decimals.

class QString;
class QWidget;

namespace kal::ui {

struct ParameterQuestion {
    const char* title;
    const char* label;
    double minimum;
    double maximum;
    int decimals; // 0 asks for a whole number
};

extern const ParameterQuestion fieldOfViewQuestion;   // Perspective
extern const ParameterQuestion snapThresholdQuestion; // Snap Symmetry
extern const ParameterQuestion snapStepQuestion;      // Snap Grid
extern const ParameterQuestion axisNGonQuestion;
extern const ParameterQuestion axisCircleQuestion;
extern const ParameterQuestion trefoilQuestion;
extern const ParameterQuestion sectionNGonQuestion;
extern const ParameterQuestion sectionCircleQuestion;
extern const ParameterQuestion rotationItemsQuestion;        // Rotation Items, asked without Ctrl
extern const ParameterQuestion environmentBlurQuestion;      // Environment Blur, asked without Ctrl
extern const ParameterQuestion rotationMultiplicityQuestion; // the Rotation Multiplicity command's release

} // namespace kal::ui

// Asks modally with `parent` as the dialog's parent, starting at the present value. Cancel gives
// the present value back unchanged; `accepted` (when given) tells which button closed the dialog.
double askNumber(QWidget* parent, const kal::ui::ParameterQuestion& question, double present, bool* accepted = nullptr);

// "N-Gon (7)": an entry's text with the count it uses.
QString countedText(const char* prefix, int count);
