#include "app/MaterialDialog.h"

#include "app/ColorWheel.h"
#include "app/Style.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

constexpr double signedLimit = kal::kPbrSignedLimit;

} // namespace

int signedToSlider(int value) { return int((value / signedLimit + 1) * 255 * 0.5); }

int16_t sliderToSigned(int position) {
    const double v = std::trunc((2.0 * position / 255 - 1) * signedLimit);
    return int16_t(std::clamp(v, -signedLimit, signedLimit));
}

int unsignedToSlider(int value) { return value * 255 / 65535; }

uint16_t sliderToUnsigned(int position) { return uint16_t(std::clamp(position * 65535 / 255.0, 0.0, 65535.0)); }

void Ui_MaterialDialog::setupUi(QDialog* dialog) {
    if (dialog->objectName().isEmpty()) dialog->setObjectName(QStringLiteral("MaterialDialog"));
    dialog->resize(562, 444);
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHeightForWidth(dialog->sizePolicy().hasHeightForWidth());
    dialog->setSizePolicy(policy);
    dialog->setStyleSheet(QString::fromLatin1(kal::style::materialDialogStyleSheet));

    gridLayout = new QGridLayout(dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    buttonBox = new QDialogButtonBox(dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setLayoutDirection(Qt::LeftToRight);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 3, 3, 1, 1);

    gridLayout_2 = new QGridLayout();
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    colorBox = new QGroupBox(dialog);
    colorBox->setObjectName(QStringLiteral("colorBox"));
    gridLayout_3 = new QGridLayout(colorBox);
    gridLayout_3->setObjectName(QStringLiteral("gridLayout_3"));
    gridLayout_3->setSpacing(0);
    gridLayout_3->setContentsMargins(0, 0, 0, 0);
    gridLayout_2->addWidget(colorBox, 0, 0, 1, 1);
    lightBox = new QGroupBox(dialog);
    lightBox->setObjectName(QStringLiteral("lightBox"));
    gridLayout_4 = new QGridLayout(lightBox);
    gridLayout_4->setObjectName(QStringLiteral("gridLayout_4"));
    gridLayout_4->setSpacing(0);
    gridLayout_4->setContentsMargins(0, 0, 0, 0);
    gridLayout_2->addWidget(lightBox, 0, 1, 1, 1);
    gridLayout->addLayout(gridLayout_2, 0, 0, 1, 4);

    QSlider** sliders[] = {&roughness, &metalness, &opacity, &refractivity};
    const char* sliderNames[] = {"roughness", "metalness", "opacity", "refractivity"};
    QPushButton** buttons[] = {&pushRoughness, &pushMetalness, &pushOpacity, &pushThickness};
    const char* buttonNames[] = {"pushRoughness", "pushMetalness", "pushOpacity", "pushThickness"};
    for (int i = 0; i < 4; ++i) {
        QSlider* s = new QSlider(dialog);
        s->setObjectName(QLatin1String(sliderNames[i]));
        s->setMaximum(255);
        s->setOrientation(Qt::Horizontal);
        s->setTickPosition(QSlider::TicksAbove);
        s->setTickInterval(64);
        gridLayout->addWidget(s, i + 1, 1, 1, 1);
        *sliders[i] = s;
        QPushButton* b = new QPushButton(dialog);
        b->setObjectName(QLatin1String(buttonNames[i]));
        gridLayout->addWidget(b, i + 1, 2, 1, 1);
        *buttons[i] = b;
    }

    retranslateUi(dialog);
    QObject::connect(buttonBox, SIGNAL(accepted()), dialog, SLOT(accept()));
    QObject::connect(buttonBox, SIGNAL(rejected()), dialog, SLOT(reject()));
    QMetaObject::connectSlotsByName(dialog);
}

void Ui_MaterialDialog::retranslateUi(QDialog* dialog) {
    const auto tr = [](const char* text) { return QCoreApplication::translate("MaterialDialog", text); };
    dialog->setWindowTitle(tr("Material"));
    colorBox->setTitle(tr("Color"));
    lightBox->setTitle(tr("Light"));
    pushRoughness->setText(tr("Roughness"));
    pushMetalness->setText(tr("Metalness"));
    pushOpacity->setText(tr("Opacity"));
    pushThickness->setText(tr("Thickness"));
}

MaterialDialog::MaterialDialog(const kal::pbr& m, QWidget* parent, int editedMask)
    : QDialog(parent, Qt::WindowFlags()) {
    registerDialogTypes();
    colorWheel = new ColorWheel(kal::wvec4(m.red, m.green, m.blue, 65535));
    lightWheel = new ColorWheel(kal::wvec4(m.lightRed, m.lightGreen, m.lightBlue, 65535));
    mask = editedMask;
    material = m;
    ui = new Ui_MaterialDialog;
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(562, 444);
    ui->gridLayout_3->addWidget(colorWheel);
    ui->gridLayout_4->addWidget(lightWheel);

    ui->roughness->setValue(signedToSlider(m.roughness));
    ui->metalness->setValue(signedToSlider(m.metalness));
    ui->opacity->setValue(unsignedToSlider(m.opacity));
    ui->refractivity->setValue(unsignedToSlider(m.refractivity));
    for (QSlider* s : {ui->roughness, ui->metalness, ui->opacity, ui->refractivity})
        s->setStyle(kal::style::sliderStyle());

    // after the sliders are filled, so filling emits nothing
    connect(colorWheel, SIGNAL(changeColor(kal::wvec4)), this, SLOT(changeColor(kal::wvec4)));
    connect(lightWheel, SIGNAL(changeColor(kal::wvec4)), this, SLOT(changeLight(kal::wvec4)));
    connect(ui->roughness, SIGNAL(valueChanged(int)), this, SLOT(changeRoughness(int)));
    connect(ui->metalness, SIGNAL(valueChanged(int)), this, SLOT(changeMetalness(int)));
    connect(ui->opacity, SIGNAL(valueChanged(int)), this, SLOT(changeOpacity(int)));
    connect(ui->refractivity, SIGNAL(valueChanged(int)), this, SLOT(changeRefractivity(int)));

    if (editedMask < 0) return;
    ui->colorBox->setCheckable(true);
    ui->colorBox->setChecked(editedMask & kal::kPbrColor);
    ui->lightBox->setCheckable(true);
    ui->lightBox->setChecked(editedMask & kal::kPbrLight);
    const struct {
        QPushButton* button;
        QSlider* slider;
        int bit;
    } groups[] = {{ui->pushRoughness, ui->roughness, kal::kPbrRoughness},
                  {ui->pushMetalness, ui->metalness, kal::kPbrMetalness},
                  {ui->pushOpacity, ui->opacity, kal::kPbrOpacity},
                  {ui->pushThickness, ui->refractivity, kal::kPbrRefractivity}};
    for (const auto& g : groups) {
        g.button->setCheckable(true);
        g.button->setChecked(editedMask & g.bit);
        g.slider->setEnabled(editedMask & g.bit);
    }
}

MaterialDialog::~MaterialDialog() { delete ui; }

void MaterialDialog::changeColor(kal::wvec4 c) {
    material.red = c.r;
    material.green = c.g;
    material.blue = c.b;
    emit currentMaterialChanged(material, kal::kPbrColor);
}

void MaterialDialog::changeLight(kal::wvec4 l) {
    material.lightRed = l.r;
    material.lightGreen = l.g;
    material.lightBlue = l.b;
    emit currentMaterialChanged(material, kal::kPbrLight);
}

void MaterialDialog::changeRoughness(int value) {
    material.roughness = sliderToSigned(value);
    emit currentMaterialChanged(material, kal::kPbrRoughness);
}

void MaterialDialog::changeMetalness(int value) {
    material.metalness = sliderToSigned(value);
    emit currentMaterialChanged(material, kal::kPbrMetalness);
}

void MaterialDialog::changeOpacity(int value) {
    material.opacity = sliderToUnsigned(value);
    emit currentMaterialChanged(material, kal::kPbrOpacity);
}

void MaterialDialog::changeRefractivity(int value) {
    material.refractivity = sliderToUnsigned(value);
    emit currentMaterialChanged(material, kal::kPbrRefractivity);
}

void MaterialDialog::toggleGroup(bool on, int bit, QSlider* slider) {
    if (slider) slider->setEnabled(on);
    mask = on ? mask | bit : mask & ~bit;
    emit currentMaskChanged(kal::byte(mask & 0xFF));
}

void MaterialDialog::on_pushRoughness_toggled(bool) {
    toggleGroup(ui->pushRoughness->isChecked(), kal::kPbrRoughness, ui->roughness);
}

void MaterialDialog::on_pushMetalness_toggled(bool) {
    toggleGroup(ui->pushMetalness->isChecked(), kal::kPbrMetalness, ui->metalness);
}

void MaterialDialog::on_pushOpacity_toggled(bool) {
    toggleGroup(ui->pushOpacity->isChecked(), kal::kPbrOpacity, ui->opacity);
}

void MaterialDialog::on_pushThickness_toggled(bool) {
    toggleGroup(ui->pushThickness->isChecked(), kal::kPbrRefractivity, ui->refractivity);
}

void MaterialDialog::on_colorBox_toggled(bool) { toggleGroup(ui->colorBox->isChecked(), kal::kPbrColor, nullptr); }

void MaterialDialog::on_lightBox_toggled(bool) { toggleGroup(ui->lightBox->isChecked(), kal::kPbrLight, nullptr); }
