// The Array action on a window without GL: the dialog is answered through the dialog seam, Ctrl
// is the state the viewport's last poll recorded.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <functional>
#include <memory>

namespace {

void holdCtrl(bool down)
{
    uint8_t table[256] = {};
    if (down) table[kal::VkControl] = 0x80;
    kal::keyboard.pollFrom(table);
}

// What the Array dialog showed when it was asked.
struct Shown {
    int asked = 0;
    QString title, label, items, mode;
};

class ArrayAction : public ::testing::Test {
protected:
    ~ArrayAction() override
    {
        kal::dialogs->answerer = nullptr;
        holdCtrl(false);
    }
    // Answers the next dialogs: fill lets the test type, ok picks the button.
    void answer(std::function<void(QDialog*)> fill, bool ok)
    {
        kal::dialogs->answerer = [this, fill, ok](const kal::Question& q) {
            kal::Reply r;
            if (q.kind != kal::Question::Dialog) return r;
            ++shown.asked;
            shown.title = q.title;
            shown.label = q.dialog->findChild<QLabel*>()->text();
            shown.items = q.dialog->findChild<QLineEdit*>()->text();
            shown.mode = q.dialog->findChild<QComboBox*>()->currentText();
            if (fill) fill(q.dialog);
            r.accepted = ok;
            return r;
        };
    }
    static void type(QDialog* d, const char* text, int mode = -1, bool clear = false)
    {
        d->findChild<QLineEdit*>()->setText(QString::fromLatin1(text));
        if (mode >= 0) d->findChild<QComboBox*>()->setCurrentIndex(mode);
        d->findChild<QCheckBox*>()->setChecked(clear);
    }

    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>();
    kal::GLView& v = *w->view();
    Shown shown;
};

} // namespace

TEST_F(ArrayAction, withoutCtrlOnlyChoosesTheKindAndTheIcon)
{
    answer({}, true);
    const int kindBefore = v.insertKind;
    w->ui->menuArrays->setIcon(QIcon());
    w->ui->actionArray->trigger();
    EXPECT_EQ(shown.asked, 0);
    EXPECT_EQ(w->ui->menuArrays->icon().cacheKey(), w->ui->actionArray->icon().cacheKey());
    // until arrays can be built the factory refuses the kind, and the check mark goes back
    EXPECT_EQ(v.insertKind, kindBefore);
    EXPECT_FALSE(w->ui->actionArray->isChecked());
    EXPECT_EQ(v.arrayItems, std::vector<uint32_t>{0x8001});
}

TEST_F(ArrayAction, acceptedTextAndModeReplaceTheSettings)
{
    holdCtrl(true);
    answer([](QDialog* d) { type(d, "2-3 /1 4/", 2); }, true);
    w->ui->actionArray->trigger();
    EXPECT_EQ(shown.title, "Array");
    EXPECT_EQ(shown.label, "Item-Multiplicity  ( 1 Items )");
    EXPECT_EQ(shown.items, "1-1");
    EXPECT_EQ(shown.mode, "Simple");
    EXPECT_EQ(v.arrayItems, (std::vector<uint32_t>{2u << 15 | 3, 1u << 30 | 1u << 15 | 1, 2u << 30 | 4u << 15 | 1}));
    EXPECT_EQ(v.arrayMode, 2);
    EXPECT_EQ(v.addedTools.size(), 1u);

    answer([](QDialog* d) { type(d, "2-3 /1-1 4-1/", 1); }, true);
    w->ui->actionArray->trigger();
    EXPECT_EQ(shown.items, "2-3 /1-1 4-1/");
    EXPECT_EQ(shown.mode, "Zipper");
    EXPECT_EQ(v.arrayMode, 1);  // a mode-only change applies
}

TEST_F(ArrayAction, emptyTextOnlyClearsItemsAndCancelKeepsEverything)
{
    holdCtrl(true);
    answer([](QDialog* d) { type(d, "5-5", 1, true); }, false);
    w->ui->actionArray->trigger();
    EXPECT_EQ(v.addedTools.size(), 1u);
    EXPECT_EQ(v.arrayItems, std::vector<uint32_t>{0x8001});
    EXPECT_EQ(v.arrayMode, 0);

    answer([](QDialog* d) { type(d, " / a-2 ", 2, true); }, true);
    w->ui->actionArray->trigger();
    EXPECT_TRUE(v.addedTools.empty());
    EXPECT_EQ(v.arrayItems, std::vector<uint32_t>{0x8001});
    EXPECT_EQ(v.arrayMode, 0);

    answer({}, true);
    w->ui->actionArray->trigger();
    EXPECT_EQ(shown.label, "Item-Multiplicity  ( 0 Items )");
}

TEST_F(ArrayAction, refusedDuringAGestureInAnotherMode)
{
    holdCtrl(true);
    answer({}, true);
    w->setSculptMode(true);
    v.busy = 1;
    w->ui->actionArray->trigger();
    v.busy = 0;
    EXPECT_EQ(shown.asked, 0);
    EXPECT_EQ(v.chosenMode, kal::SCULPT);
}
