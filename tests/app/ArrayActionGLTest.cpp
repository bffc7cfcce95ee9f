// The Array action in the shown window: Ctrl as the viewport's tick polled it opens the dialog.
#include "ShownWindow.h"

#include "viewport/GLWorkGuard.h"

#include <QDialog>
#include <QLineEdit>

using kal::test::ShownWindow;

TEST_F(ShownWindow, arrayDialogFollowsTheCtrlTheTickSawAndRemembersItsText) {
    view().arrayItems = {0x8001};
    QString shown;
    answerWith([&](const kal::Question& q) {
        shown = q.dialog->findChild<QLineEdit*>()->text();
        q.dialog->findChild<QLineEdit*>()->setText("2-3 /1 4/");
        return reply(true);
    });
    ASSERT_TRUE(holdKey(Qt::Key_Control, true));
    ui().actionArray->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Array");
    EXPECT_EQ(shown, "1-1");
    EXPECT_EQ(view().arrayItems,
              (std::vector<uint32_t>{2u << 15 | 3, 1u << 30 | 1u << 15 | 1, 2u << 30 | 4u << 15 | 1}));

    ui().actionArray->trigger();
    EXPECT_EQ(shown, "2-3 /1-1 4-1/");

    ASSERT_TRUE(holdKey(Qt::Key_Control, false));
    ui().actionArray->trigger();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(view().insertKind, kal::InsertKind::Array);
    // the tests after this one start from the library tool
    kal::GLWorkGuard gl;
    view().makeInsertTool(kal::InsertKind::UseTool, true);
}
