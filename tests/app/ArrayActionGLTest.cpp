// The Array action in the shown window: Ctrl as the viewport's tick polled it opens the dialog.
#include "ShownWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

using kal::test::ShownWindow;

TEST_F(ShownWindow, arrayDialogFollowsTheCtrlTheTickSawAndRemembersItsText)
{
    QString shownText;
    answerWith([&](const kal::Question& q) {
        kal::Reply r;
        if (q.kind != kal::Question::Dialog) return r;
        shownText = q.dialog->findChild<QLineEdit*>()->text();
        q.dialog->findChild<QLineEdit*>()->setText("3-2 /1");
        q.dialog->findChild<QComboBox*>()->setCurrentIndex(1);
        r.accepted = true;
        return r;
    });
    ASSERT_TRUE(holdKey(Qt::Key_Control, true));
    ui().actionArray->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Array");
    EXPECT_EQ(shownText, "1-1");
    EXPECT_EQ(view().arrayItems, (std::vector<uint32_t>{3u << 15 | 2, 1u << 30 | 1u << 15 | 1}));
    EXPECT_EQ(view().arrayMode, 1);
    EXPECT_EQ(view().addedTools.size(), 1u);

    ui().actionArray->trigger();
    EXPECT_EQ(shownText, "3-2 /1-1");

    ASSERT_TRUE(holdKey(Qt::Key_Control, false));
    ui().actionArray->trigger();
    EXPECT_EQ(asked.size(), 2u);
}
