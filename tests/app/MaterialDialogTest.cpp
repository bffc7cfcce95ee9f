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

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

pbr sampleMaterial()
{
    pbr m;
    m.red = 1000, m.green = 2000, m.blue = 3000, m.opacity = 40000;
    m.lightRed = 500, m.lightGreen = 600, m.lightBlue = 700, m.refractivity = 20000;
    m.roughness = -12000, m.metalness = 9000;
    return m;
}

} // namespace

TEST(MaterialSliders, signedFieldsSpanTheirRangeAndRoundTripWhereTheyCan)
{
    EXPECT_EQ(sliderToSigned(0), -32766);
    EXPECT_EQ(sliderToSigned(255), 32766);
    EXPECT_EQ(sliderToSigned(127), -128);
    EXPECT_EQ(signedToSlider(0), 127);
    EXPECT_EQ(sliderToSigned(191), 16318);
    EXPECT_EQ(signedToSlider(16318), 190);
    for (int v = 0; v <= 127; ++v) EXPECT_EQ(signedToSlider(sliderToSigned(v)), v) << v;
    EXPECT_EQ(signedToSlider(sliderToSigned(255)), 255);
    for (int v = 0; v <= 255; ++v) {
        EXPECT_EQ(sliderToUnsigned(v), v * 257) << v;
        EXPECT_EQ(unsignedToSlider(sliderToUnsigned(v)), v) << v;
    }
}

TEST(MaterialDialogTest, isFixedAndFilledWithoutSignalling)
{
    MaterialDialog d(pbr(), nullptr, -1);
    EXPECT_EQ(d.minimumSize(), QSize(562, 444));
    EXPECT_EQ(d.maximumSize(), QSize(562, 444));
    EXPECT_EQ(d.windowTitle(), "Material");
    EXPECT_EQ(d.ui->roughness->value(), 127);
    EXPECT_EQ(d.ui->opacity->value(), 255);
    // a slider filled through a live connection would have stored -128
    EXPECT_EQ(d.material, pbr());
    EXPECT_EQ(d.ui->roughness->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons), 7);
    EXPECT_EQ(d.ui->roughness->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons),
              d.ui->refractivity->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons));
}

TEST(MaterialDialogTest, masksDecideWhatIsCheckableAndEnabled)
{
    MaterialDialog none(sampleMaterial(), nullptr, -1);
    for (QAbstractButton* b : {none.ui->pushRoughness, none.ui->pushMetalness, none.ui->pushOpacity,
                               none.ui->pushThickness})
        EXPECT_FALSE(b->isCheckable());
    EXPECT_FALSE(none.ui->colorBox->isCheckable());
    for (QSlider* s : {none.ui->roughness, none.ui->metalness, none.ui->opacity, none.ui->refractivity})
        EXPECT_TRUE(s->isEnabled());

    MaterialDialog empty(sampleMaterial(), nullptr, 0);
    EXPECT_FALSE(empty.ui->colorBox->isChecked());
    EXPECT_FALSE(empty.ui->lightBox->isChecked());
    EXPECT_FALSE(empty.colorWheel->isEnabled());
    for (QAbstractButton* b : {empty.ui->pushRoughness, empty.ui->pushMetalness, empty.ui->pushOpacity,
                               empty.ui->pushThickness})
        EXPECT_TRUE(b->isCheckable() && !b->isChecked());
    for (QSlider* s : {empty.ui->roughness, empty.ui->metalness, empty.ui->opacity, empty.ui->refractivity})
        EXPECT_FALSE(s->isEnabled());
    EXPECT_EQ(empty.mask, 0);

    MaterialDialog some(sampleMaterial(), nullptr, 1 | 8 | 32);
    EXPECT_TRUE(some.ui->colorBox->isChecked());
    EXPECT_FALSE(some.ui->lightBox->isChecked());
    EXPECT_TRUE(some.ui->metalness->isEnabled());
    EXPECT_FALSE(some.ui->opacity->isEnabled());
    EXPECT_EQ(some.mask, 1 | 8 | 32);
}

TEST(MaterialDialogTest, eachChangeNamesOnlyItsOwnGroup)
{
    MaterialDialog d(sampleMaterial(), nullptr, -1);
    QSignalSpy changed(&d, SIGNAL(currentMaterialChanged(kal::pbr,kal::byte)));
    d.ui->roughness->setValue(0);
    d.ui->opacity->setValue(128);
    d.changeLight(wvec4(7, 8, 9, 65535));
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed[0][1].value<kal::byte>(), 4);
    EXPECT_EQ(changed[1][1].value<kal::byte>(), 16);
    EXPECT_EQ(changed[2][1].value<kal::byte>(), 2);
    const pbr m = changed[2][0].value<pbr>();
    EXPECT_EQ(m.roughness, -32766);
    EXPECT_EQ(m.opacity, 128 * 257);
    EXPECT_EQ(m.lightBlue, 9);
    EXPECT_EQ(m.red, 1000);  // untouched groups keep the opening values

    MaterialDialog masked(sampleMaterial(), nullptr, 4);
    QSignalSpy maskChanged(&masked, SIGNAL(currentMaskChanged(kal::byte)));
    masked.ui->pushOpacity->click();
    masked.ui->pushRoughness->click();
    ASSERT_EQ(maskChanged.count(), 2);
    EXPECT_EQ(maskChanged[0][0].value<kal::byte>(), 4 | 16);
    EXPECT_EQ(maskChanged[1][0].value<kal::byte>(), 16);
    EXPECT_FALSE(masked.ui->roughness->isEnabled());
    EXPECT_TRUE(masked.ui->opacity->isEnabled());
}

TEST(MaterialDialogTest, signalsAndSlotsConnectByTheirWrittenSignatures)
{
    MaterialDialog d(pbr(), nullptr, 0);
    kal::Dialogs relay;
    EXPECT_TRUE(QObject::connect(&d, SIGNAL(currentMaterialChanged(kal::pbr,kal::byte)), &relay,
                                 SLOT(setDialogMaterial(kal::pbr,kal::byte))));
    EXPECT_TRUE(QObject::connect(&d, SIGNAL(currentMaskChanged(kal::byte)), &relay, SLOT(setDialogMask(kal::byte))));
    EXPECT_TRUE(QObject::connect(d.colorWheel, SIGNAL(changeColor(kal::wvec4)), &d, SLOT(changeColor(kal::wvec4))));
    QColorDialog colour;
    EXPECT_TRUE(QObject::connect(&colour, SIGNAL(currentColorChanged(QColor)), &relay, SLOT(setDialogColor(QColor))));
}

namespace {

class Relay : public ::testing::Test {
protected:
    ~Relay() override
    {
        d.setMainWindow(nullptr);
        flushDeletes();
    }
    kal::Dialogs d;
};

} // namespace

TEST_F(Relay, colourEditsLiveAndCancelRestoresExactly)
{
    wvec4 c(1234, 5678, 9012, 345);
    const wvec4 before = c;
    d.chooseColor(&c, "Background Color");
    ASSERT_TRUE(d.colorDialog);
    EXPECT_EQ(d.colorDialog->windowTitle(), "Background Color");
    EXPECT_TRUE(d.accepted());
    d.colorDialog->setCurrentColor(QColor(255, 255, 255, 255));
    EXPECT_EQ(c, wvec4(65535, 65535, 65535, 65535));
    d.colorDialog->setCurrentColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(c, wvec4(10 * 257, 20 * 257, 30 * 257, 40 * 257));

    QPointer<QColorDialog> shown = d.colorDialog;
    shown->reject();
    EXPECT_EQ(c, before);
    EXPECT_FALSE(d.accepted());
    EXPECT_FALSE(d.colorDialog);
    EXPECT_EQ(d.colorTarget, nullptr);
    flushDeletes();
    EXPECT_FALSE(shown);
}

TEST_F(Relay, materialOkKeepsTheEditAndRemembersIt)
{
    pbr m = sampleMaterial();
    d.editMaterial(&m, nullptr, "Material");
    ASSERT_TRUE(d.materialDialog);
    EXPECT_TRUE(d.dialogOpen());
    d.materialDialog->ui->metalness->setValue(255);
    EXPECT_EQ(m.metalness, 32766);  // written before the signal returned
    d.materialDialog->changeLight(wvec4(1, 2, 3, 65535));
    EXPECT_EQ(d.savedMask, 2u);  // no mask target: the last change's group
    EXPECT_EQ(d.currentMask(), 2);
    d.materialDialog->accept();
    EXPECT_EQ(m.metalness, 32766);
    EXPECT_EQ(m.lightGreen, 2);
    EXPECT_EQ(d.savedMaterial, m);
    EXPECT_EQ(d.currentMaterial(), m);
    EXPECT_TRUE(d.accepted());
    EXPECT_FALSE(d.dialogOpen());
}

TEST_F(Relay, materialCancelRestoresMaterialAndMask)
{
    pbr m = sampleMaterial();
    int32_t mask = 1 | 4;
    d.editMaterial(&m, &mask, "Brush");
    MaterialDialog* shown = d.materialDialog;
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->windowTitle(), "Brush");
    shown->ui->pushOpacity->click();
    shown->ui->opacity->setValue(3);
    shown->changeColor(wvec4(9, 9, 9, 65535));
    EXPECT_EQ(mask, 1 | 4 | 16);
    EXPECT_EQ(m.opacity, 3 * 257);
    EXPECT_EQ(m.red, 9);
    shown->reject();
    EXPECT_EQ(m, sampleMaterial());
    EXPECT_EQ(mask, 1 | 4);
    EXPECT_FALSE(d.accepted());
}

TEST_F(Relay, roughnessBeyondTheLimitIsClamped)
{
    pbr m;
    d.editMaterial(&m, nullptr, "Material");
    pbr extreme;
    extreme.roughness = -32768;
    extreme.metalness = 32767;
    d.setDialogMaterial(extreme, 4 | 8);
    EXPECT_EQ(m.roughness, -32766);
    EXPECT_EQ(m.metalness, 32766);
    d.setDialogOK();
}

TEST_F(Relay, eachDialogEndsOnlyItself)
{
    wvec4 c(100, 200, 300, 400);
    pbr m = sampleMaterial();
    d.chooseColor(&c, "Contour Color");
    d.editMaterial(&m, nullptr, "Material");
    d.colorDialog->setCurrentColor(QColor(1, 2, 3, 4));
    d.materialDialog->ui->roughness->setValue(255);

    d.colorDialog->accept();
    EXPECT_TRUE(d.materialDialog);
    EXPECT_EQ(d.materialTarget, &m);
    EXPECT_EQ(d.savedMaterial, sampleMaterial());
    d.materialDialog->reject();
    EXPECT_EQ(m, sampleMaterial());
    EXPECT_EQ(c, wvec4(257, 514, 771, 1028));  // the colour's OK stands
}

TEST_F(Relay, reopeningRestoresTheFirstTargetFirst)
{
    wvec4 a(1, 2, 3, 4), b(5, 6, 7, 8);
    d.chooseColor(&a, "Lens Chromatism Color");
    d.colorDialog->setCurrentColor(QColor(200, 200, 200, 200));
    d.chooseColor(&b, "Objects Chromatism Color");
    EXPECT_EQ(a, wvec4(1, 2, 3, 4));
    EXPECT_EQ(d.colorTarget, &b);

    pbr first = sampleMaterial(), second;
    d.editMaterial(&first, nullptr, "Material");
    d.materialDialog->ui->refractivity->setValue(0);
    d.editMaterial(&second, nullptr, "Material");
    EXPECT_EQ(first, sampleMaterial());
    EXPECT_EQ(d.materialTarget, &second);
    d.setDialogOK();
}

TEST_F(Relay, parentDyingWithTheDialogsOpenLeavesNothingDangling)
{
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
    EXPECT_FALSE(d.colorDialog);
    EXPECT_FALSE(d.materialDialog);
    EXPECT_FALSE(d.dialogOpen());
    d.setDialogColor(QColor(1, 1, 1));
    d.setDialogMaterial(pbr(), 255);
    d.setDialogCancel();

    wvec4 again;
    d.chooseColor(&again, "Background Color");
    EXPECT_EQ(d.colorDialog->parentWidget(), nullptr);
    d.colorDialog->accept();
}

TEST_F(Relay, toolMaterialIsEditedAsACopyTheViewApplies)
{
    auto tool = std::make_unique<kal::Tool>(nullptr, kal::mat4(), sampleMaterial(), false);
    ASSERT_TRUE(d.openMaterialDialog(tool.get()));
    EXPECT_EQ(d.materialDialog->windowTitle(), "Material");
    EXPECT_FALSE(d.materialDialog->ui->pushOpacity->isCheckable());
    d.materialDialog->ui->opacity->setValue(0);
    EXPECT_EQ(d.currentMaterial().opacity, 0);
    EXPECT_EQ(d.currentMask(), 16);
    EXPECT_EQ(tool->material, sampleMaterial());  // the view's frame step applies it, not the dialog
    tool.reset();
    d.materialDialog->ui->opacity->setValue(9);  // nothing left to reach but the copy
    d.materialDialog->reject();
    EXPECT_EQ(d.currentMaterial(), sampleMaterial());
    EXPECT_FALSE(d.accepted());
}

TEST_F(Relay, viewportQuestionsGoThroughTheSeam)
{
    std::vector<kal::Question> asked;
    d.answerer = [&](const kal::Question& q) {
        asked.push_back(q);
        kal::Reply r;
        r.accepted = true;
        r.files << QString::fromUtf8("objets/ch\u00e2teau.ko");
        r.number = 2.345;
        return r;
    };
    EXPECT_EQ(d.askObjectFileName(), QString::fromUtf8("objets/ch\u00e2teau.ko").toUtf8().toStdString());
    EXPECT_EQ(asked[0].title, "Save Object");
    EXPECT_EQ(asked[0].text, "All (*.ko *.obj);;Object (*.ko);;Meshes (*.obj)");
    double multiplicity = 1;
    EXPECT_TRUE(d.askRotationMultiplicity(multiplicity));
    EXPECT_DOUBLE_EQ(multiplicity, 2.35);
    EXPECT_EQ(asked[1].title, "Constrained Rotation");
    EXPECT_EQ(asked[1].text, "Multiplicity");
    d.objectSaveFailed("a/b.ko");
    EXPECT_EQ(asked[2].kind, kal::Question::Warning);
    EXPECT_TRUE(asked[2].text.contains("a/b.ko"));
}
