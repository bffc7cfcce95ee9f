// The Array dialog's answers on a window without GL: Ctrl as the last poll saw it.
#include "WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

using kal::test::holdKeys;

namespace {

class ArrayAction : public kal::test::WindowTest {
protected:
    // Types text, picks the mode and Clear Items, then OK or Cancel; keeps what the dialog showed.
    void answer(const char* text, int mode, bool clear, bool ok) {
        answerWith([=](const kal::Question& q) {
            label = q.dialog->findChild<QLabel*>()->text();
            shown = q.dialog->findChild<QLineEdit*>()->text();
            q.dialog->findChild<QLineEdit*>()->setText(QString::fromLatin1(text));
            q.dialog->findChild<QComboBox*>()->setCurrentIndex(mode);
            q.dialog->findChild<QCheckBox*>()->setChecked(clear);
            return reply(ok);
        });
        ui.actionArray->trigger();
    }
    QString label, shown;
};

} // namespace

TEST_F(ArrayAction, answersApplyOnlyWhenTheyShould) {
    holdKeys({kal::VkControl});
    answer("5-5", 1, true, false); // Cancel: Clear Items is not applied either
    EXPECT_EQ(label, "Item-Multiplicity  ( 1 Items )");
    EXPECT_EQ(shown, "1-1");
    EXPECT_EQ(v.addedTools.size(), 1u);
    EXPECT_EQ(v.arrayItems, std::vector<uint32_t>{0x8001});

    answer(" / a-2 ", 2, true, true); // nothing readable: only Clear Items
    EXPECT_TRUE(v.addedTools.empty());
    EXPECT_EQ(v.arrayItems, std::vector<uint32_t>{0x8001});
    EXPECT_EQ(v.arrayMode, 0);

    answer("1-1", 2, false, true); // the same text with another mode still applies the mode
    EXPECT_EQ(label, "Item-Multiplicity  ( 0 Items )");
    EXPECT_EQ(v.arrayMode, 2);
    EXPECT_TRUE(ui.actionArray->isChecked());
    EXPECT_EQ(v.insertKind, kal::InsertKind::Array);
    EXPECT_EQ(ui.menuArrays->icon().cacheKey(), ui.actionArray->icon().cacheKey());
}
