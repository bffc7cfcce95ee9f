// The program's application object: a window command that runs out of memory ends there, the user
// is told through the dialog seam, and the scene stays as it was.
#include "WindowTestSupport.h"
#include "app/Application.h"
#include "scene/Scene.h"
#include "scene/Tool.h"

#include <QCoreApplication>

#include <new>

namespace {

class OutOfMemory : public kal::test::WindowTest {};

} // namespace

TEST_F(OutOfMemory, aCommandEndsWhereItRanOutAndTheUserIsTold) {
    ASSERT_NE(dynamic_cast<kal::Application*>(QCoreApplication::instance()), nullptr);
    v.scene->sceneRoot->addChild(new kal::Tool(nullptr, kal::mat4(), kal::pbr(), false), false);
    const std::vector<kal::Tool*> before = v.scene->sceneRoot->children;
    // New runs out of memory while it asks; its slot runs from an event, as every command does
    answerWith([](const kal::Question& q) {
        if (q.kind == kal::Question::YesNo) throw std::bad_alloc();
        return reply(true);
    });
    ASSERT_TRUE(QMetaObject::invokeMethod(w.get(), "on_actionNew_triggered", Qt::QueuedConnection));
    QCoreApplication::sendPostedEvents(w.get(), QEvent::MetaCall);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].kind, kal::Question::Warning);
    EXPECT_TRUE(asked[1].text.contains(QStringLiteral("memory"))) << asked[1].text.toStdString();
    EXPECT_EQ(v.scene->sceneRoot->children, before);
}
