#pragma once
// Edits one material: a colour wheel for the base colour, one for the light, sliders for
// roughness, metalness, opacity and refractivity, and optionally the group mask a paint stroke
// writes. The dialog keeps its own copy and reports each change by signal; the shared dialog
// object writes it into the edited value.
#include <QDialog>

#include "app/DialogTypes.h"

class ColorWheel;
class QDialogButtonBox;
class QGridLayout;
class QGroupBox;
class QPushButton;
class QSlider;

// The widget set, built in code; the names are also the widgets' object names.
class Ui_MaterialDialog {
public:
    QGridLayout* gridLayout = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    QGridLayout* gridLayout_2 = nullptr;
    QGroupBox* colorBox = nullptr;
    QGridLayout* gridLayout_3 = nullptr;
    QGroupBox* lightBox = nullptr;
    QGridLayout* gridLayout_4 = nullptr;
    QSlider* roughness = nullptr;
    QSlider* metalness = nullptr;
    QSlider* opacity = nullptr;
    QSlider* refractivity = nullptr;
    QPushButton* pushRoughness = nullptr;
    QPushButton* pushMetalness = nullptr;
    QPushButton* pushOpacity = nullptr;
    QPushButton* pushThickness = nullptr;

    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};

// Slider positions (0..255) of the material's fields and back.
int signedToSlider(int value);
int16_t sliderToSigned(int position);
int unsignedToSlider(int value);
uint16_t sliderToUnsigned(int position);

class MaterialDialog : public QDialog {
    Q_OBJECT
public:
    // A negative mask edits no mask: nothing becomes checkable.
    MaterialDialog(const kal::pbr& material, QWidget* parent, int mask);
    ~MaterialDialog() override;

    ColorWheel* colorWheel = nullptr;
    ColorWheel* lightWheel = nullptr;
    int mask = -1;
    kal::pbr material;
    Ui_MaterialDialog* ui = nullptr;

signals:
    void currentMaterialChanged(kal::pbr mat, kal::byte mask);
    void currentMaskChanged(kal::byte mask);

public slots:
    void changeColor(kal::wvec4 c);
    void changeLight(kal::wvec4 l);
    void changeRoughness(int value);
    void changeMetalness(int value);
    void changeOpacity(int value);
    void changeRefractivity(int value);
    void on_pushRoughness_toggled(bool arg1);
    void on_pushMetalness_toggled(bool arg1);
    void on_pushOpacity_toggled(bool arg1);
    void on_pushThickness_toggled(bool arg1);
    void on_colorBox_toggled(bool arg1);
    void on_lightBox_toggled(bool arg1);

private:
    void toggleGroup(bool on, int bit, QSlider* slider);
};
