// The material dialog's sliders, masks and signals, and the shared dialog object that writes each
// change into the edited value and restores it on Cancel.
#include "app/ColorWheel.h"
#include "app/Dialogs.h"
#include "app/MaterialDialog.h"
#include "scene/Tool.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>

#include <memory>

using kal::pbr;
using kal::wvec4;

namespace {

pbr sampleMaterial() {
    pbr m;
    m.red = 1000, m.green = 2000, m.blue = 3000, m.opacity = 40000;
    m.lightRed = 500, m.lightGreen = 600, m.lightBlue = 700, m.refractivity = 20000;
    m.roughness = -12000, m.metalness = 9000;
    return m;
}

QList<QSlider*> sliders(const MaterialDialog& d) {
    return {d.ui->roughness, d.ui->metalness, d.ui->opacity, d.ui->refractivity};
}

QList<QPushButton*> buttons(const MaterialDialog& d) {
    return {d.ui->pushRoughness, d.ui->pushMetalness, d.ui->pushOpacity, d.ui->pushThickness};
}

} // namespace

TEST(MaterialSliders, signedFieldsSpanTheirRangeAndRoundTripWhereTheyCan) {
    EXPECT_EQ(sliderToSigned(0), -32766);
    EXPECT_EQ(sliderToSigned(255), 32766);
    EXPECT_EQ(sliderToSigned(127), -128);
    EXPECT_EQ(sliderToSigned(191), 16318);
    EXPECT_EQ(signedToSlider(16318), 190);
    for (int v = 0; v <= 127; ++v) EXPECT_EQ(signedToSlider(sliderToSigned(v)), v) << v;
    for (int v = 0; v <= 255; ++v) EXPECT_EQ(unsignedToSlider(sliderToUnsigned(v)), v) << v;
    EXPECT_EQ(sliderToUnsigned(128), 128 * 257);
}

TEST(MaterialDialogTest, isFixedAndFilledWithoutSignalling) {
    MaterialDialog d(pbr(), nullptr, -1);
    EXPECT_EQ(d.minimumSize(), QSize(562, 444));
    EXPECT_EQ(d.maximumSize(), QSize(562, 444));
    EXPECT_EQ(d.ui->roughness->value(), 127);
    // a slider filled through a live connection would have stored -128
    EXPECT_EQ(d.material, pbr());
    for (QSlider* s : sliders(d)) EXPECT_EQ(s->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons), 7);
}

TEST(MaterialDialogTest, masksDecideWhatIsCheckableAndEnabled) {
    MaterialDialog none(sampleMaterial(), nullptr, -1);
    EXPECT_FALSE(none.ui->colorBox->isCheckable());
    for (QPushButton* b : buttons(none)) EXPECT_FALSE(b->isCheckable());
    for (QSlider* s : sliders(none)) EXPECT_TRUE(s->isEnabled());

    MaterialDialog empty(sampleMaterial(), nullptr, 0);
    EXPECT_FALSE(empty.ui->colorBox->isChecked() || empty.ui->lightBox->isChecked());
    EXPECT_FALSE(empty.colorWheel->isEnabled());
    for (QPushButton* b : buttons(empty)) EXPECT_TRUE(b->isCheckable() && !b->isChecked());
    for (QSlider* s : sliders(empty)) EXPECT_FALSE(s->isEnabled());
    EXPECT_EQ(empty.mask, 0);

    MaterialDialog some(sampleMaterial(), nullptr, 1 | 8 | 32);
    EXPECT_TRUE(some.ui->colorBox->isChecked() && !some.ui->lightBox->isChecked());
    EXPECT_TRUE(some.ui->metalness->isEnabled() && !some.ui->opacity->isEnabled());
    EXPECT_EQ(some.mask, 1 | 8 | 32);
}

TEST(MaterialDialogTest, eachChangeNamesOnlyItsOwnGroup) {
    MaterialDialog d(sampleMaterial(), nullptr, -1);
    QSignalSpy changed(&d, SIGNAL(currentMaterialChanged(kal::pbr, kal::byte)));
    d.ui->roughness->setValue(0);
    d.ui->opacity->setValue(128);
    d.changeLight(wvec4(7, 8, 9, 65535));
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed[0][1].value<kal::byte>(), 4);
    EXPECT_EQ(changed[1][1].value<kal::byte>(), 16);
    EXPECT_EQ(changed[2][1].value<kal::byte>(), 2);
    const pbr m = changed[2][0].value<pbr>();
    EXPECT_EQ(m.roughness, -32766);
    EXPECT_EQ(m.lightBlue, 9);
    EXPECT_EQ(m.red, 1000); // untouched groups keep the opening values

    MaterialDialog masked(sampleMaterial(), nullptr, 4);
    QSignalSpy maskChanged(&masked, SIGNAL(currentMaskChanged(kal::byte)));
    masked.ui->pushOpacity->click();
    masked.ui->pushRoughness->click();
    ASSERT_EQ(maskChanged.count(), 2);
    EXPECT_EQ(maskChanged[0][0].value<kal::byte>(), 4 | 16);
    EXPECT_EQ(maskChanged[1][0].value<kal::byte>(), 16);
    EXPECT_FALSE(masked.ui->roughness->isEnabled());
}

TEST(MaterialDialogTest, signalsAndSlotsConnectByTheirWrittenSignatures) {
    MaterialDialog d(pbr(), nullptr, 0);
    kal::Dialogs relay;
    QColorDialog colour;
    EXPECT_TRUE(QObject::connect(&d, SIGNAL(currentMaterialChanged(kal::pbr, kal::byte)), &relay,
                                 SLOT(setDialogMaterial(kal::pbr, kal::byte))));
    EXPECT_TRUE(QObject::connect(&d, SIGNAL(currentMaskChanged(kal::byte)), &relay, SLOT(setDialogMask(kal::byte))));
    EXPECT_TRUE(QObject::connect(d.colorWheel, SIGNAL(changeColor(kal::wvec4)), &d, SLOT(changeColor(kal::wvec4))));
    EXPECT_TRUE(QObject::connect(&colour, SIGNAL(currentColorChanged(QColor)), &relay, SLOT(setDialogColor(QColor))));
}

namespace {

// Targets are members declared before the relay, so the relay's close-out never outlives them.
class Relay : public ::testing::Test {
protected:
    ~Relay() override {
        d.setDialogOK();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    wvec4 colour{1234, 5678, 9012, 345};
    pbr material = sampleMaterial();
    int32_t mask = 1 | 4;
    kal::Dialogs d;
};

} // namespace

TEST_F(Relay, colourEditsLiveAndCancelRestoresExactly) {
    d.chooseColor(&colour, "Background Color");
    ASSERT_TRUE(d.colorDialog);
    EXPECT_EQ(d.colorDialog->windowTitle(), "Background Color");
    d.colorDialog->setCurrentColor(QColor(255, 255, 255, 255));
    EXPECT_EQ(colour, wvec4(65535, 65535, 65535, 65535)); // 255 shifted alone would give 65280
    d.colorDialog->setCurrentColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(colour, wvec4(10 * 257, 20 * 257, 30 * 257, 40 * 257));

    QPointer<QColorDialog> shown = d.colorDialog;
    shown->reject();
    EXPECT_EQ(colour, wvec4(1234, 5678, 9012, 345));
    EXPECT_FALSE(d.accepted());
    EXPECT_FALSE(d.colorDialog); // cleared at once, deleted once the signal is over
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shown);
}

TEST_F(Relay, materialOkKeepsTheEditAndCancelRestoresMaterialAndMask) {
    d.editMaterial(&material, nullptr, "Material");
    d.materialDialog->ui->metalness->setValue(255);
    EXPECT_EQ(material.metalness, 32766); // written before the signal returned
    d.materialDialog->changeLight(wvec4(1, 2, 3, 65535));
    EXPECT_EQ(d.savedMask, 2u); // no mask target: the last change's group
    pbr extreme;
    extreme.roughness = -32768;
    d.setDialogMaterial(extreme, 4);
    EXPECT_EQ(material.roughness, -32766);
    d.materialDialog->accept();
    EXPECT_EQ(d.savedMaterial, material);
    EXPECT_TRUE(d.accepted());

    const pbr accepted = material;
    d.editMaterial(&material, &mask, "Brush");
    d.materialDialog->ui->pushOpacity->click();
    d.materialDialog->ui->opacity->setValue(3);
    d.materialDialog->changeColor(wvec4(9, 9, 9, 65535));
    EXPECT_EQ(mask, 1 | 4 | 16);
    EXPECT_EQ(material.red, 9);
    d.materialDialog->reject();
    EXPECT_EQ(material, accepted);
    EXPECT_EQ(mask, 1 | 4);
}

TEST_F(Relay, eachDialogEndsOnlyItselfAndReopeningRestoresTheFirstTarget) {
    wvec4 other(5, 6, 7, 8);
    d.chooseColor(&colour, "Contour Color");
    d.editMaterial(&material, nullptr, "Material");
    d.colorDialog->setCurrentColor(QColor(1, 2, 3, 4));
    d.materialDialog->ui->roughness->setValue(255);
    d.colorDialog->accept();
    EXPECT_EQ(d.materialTarget, &material);
    EXPECT_EQ(d.savedMaterial, sampleMaterial());
    d.materialDialog->reject();
    EXPECT_EQ(material, sampleMaterial());
    EXPECT_EQ(colour, wvec4(257, 514, 771, 1028)); // the colour's OK stands

    d.chooseColor(&colour, "Lens Chromatism Color");
    d.colorDialog->setCurrentColor(QColor(200, 200, 200, 200));
    d.chooseColor(&other, "Objects Chromatism Color");
    EXPECT_EQ(colour, wvec4(257, 514, 771, 1028));
    EXPECT_EQ(d.colorTarget, &other);
}

TEST_F(Relay, parentDyingWithTheDialogsOpenLeavesNothingDangling) {
    auto parent = std::make_unique<QWidget>();
    d.setMainWindow(parent.get());
    auto c = std::make_unique<wvec4>(1, 2, 3, 4);
    auto m = std::make_unique<pbr>();
    d.chooseColor(c.get(), "Background Color");
    d.editMaterial(m.get(), nullptr, "Material");
    EXPECT_EQ(d.colorDialog->parentWidget(), parent.get());
    parent.reset();
    c.reset();
    m.reset();
    EXPECT_FALSE(d.colorDialog || d.materialDialog);
    d.setDialogColor(QColor(1, 1, 1));
    d.setDialogMaterial(pbr(), 255);
    d.setDialogCancel();
    d.chooseColor(&colour, "Background Color");
    EXPECT_EQ(d.colorDialog->parentWidget(), nullptr);
}

TEST_F(Relay, toolMaterialIsEditedAsACopyTheViewApplies) {
    auto tool = std::make_unique<kal::Tool>(nullptr, kal::mat4(), sampleMaterial(), false);
    ASSERT_TRUE(d.openMaterialDialog(tool.get()));
    EXPECT_EQ(d.materialDialog->windowTitle(), "Material");
    EXPECT_FALSE(d.materialDialog->ui->pushOpacity->isCheckable());
    d.materialDialog->ui->opacity->setValue(0);
    EXPECT_EQ(d.currentMaterial().opacity, 0);
    EXPECT_EQ(d.currentMask(), 16);
    EXPECT_EQ(tool->material, sampleMaterial()); // the view's frame step applies it, not the dialog
    tool.reset();
    d.materialDialog->ui->opacity->setValue(9); // nothing left to reach but the copy
    d.materialDialog->show();
    EXPECT_TRUE(d.dialogOpen());
    // a brush dialog takes over: the tool's edit ends, restored, and the view stops following
    d.editMaterial(&material, &mask, "Brush");
    d.materialDialog->show();
    EXPECT_FALSE(d.dialogOpen());
    EXPECT_EQ(d.currentMaterial(), sampleMaterial());
}

TEST_F(Relay, viewportQuestionsGoThroughTheSeam) {
    std::vector<kal::Question> asked;
    d.answerer = [&](const kal::Question& q) {
        asked.push_back(q);
        kal::Reply r;
        r.accepted = true;
        r.files << QString::fromUtf8("objets/ch\u00e2teau.ko");
        r.number = 2.345;
        return r;
    };
    EXPECT_EQ(d.askObjectFileName(), "objets/ch\u00e2teau.ko");
    EXPECT_EQ(asked[0].title, "Save Object");
    EXPECT_EQ(asked[0].text, "All (*.ko *.obj);;Object (*.ko);;Meshes (*.obj)");
    double multiplicity = 1;
    EXPECT_TRUE(d.askRotationMultiplicity(multiplicity));
    EXPECT_DOUBLE_EQ(multiplicity, 2.35);
    EXPECT_EQ(asked[1].title, "Constrained Rotation");
    d.objectSaveFailed("a/b.ko", "No such file or directory");
    EXPECT_EQ(asked[2].kind, kal::Question::Warning);
}
