// A short session through whole frames of a real view with the driver's debug output on: insert,
// sculpt, undo, a tube and a clay stroke. Every GL call the session makes must be one the driver
// accepts; product code clears the error flag in places, so the debug messages are the witness.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "elements/Clay.h"
#include "gpu/GLFunctions.h"
#include "scene/Element.h"
#include "scene/Scene.h"
#include "scene/Tool.h"
#include "viewport/GLDebugOutput.h"
#include "FrameViewFixture.h"
#include "LogLines.h"

using namespace kal;

namespace {

std::vector<vec3> corners(const Clay& clay) {
    std::vector<vec3> out(size_t(clay.vertexCount));
    gl->glBindBuffer(GL_ARRAY_BUFFER, clay.buffers[clay.current]);
    gl->glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(out.size() * sizeof(vec3)), out.data());
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    return out;
}

class Session : public test::FrameView {
protected:
    QObject loggerOwner;
    std::unique_ptr<test::LogLines> log;
    size_t seenLines = 0;

    void SetUp() override {
        log = std::make_unique<test::LogLines>();
        ASSERT_TRUE(startGLDebugOutput(&loggerOwner));
        gl->glGetError();
        seenLines = log->all().size();
        FrameView::SetUp();
    }
    void TearDown() override {
        FrameView::TearDown();
        log.reset();
    }
    void click(float x, float y) {
        frameAt(x, y, false); // draws and picks under the cursor
        frameAt(x, y, true);
        frameAt(x, y, false);
    }
    void stroke(float x, float y) {
        v->setMode(SCULPT);
        v->setSculptBrush(Brush::Deform);
        v->setBrushSize(20.0f);
        v->restoreInputState();
        frameAt(x + 1, y, false);
        frameAt(x, y, false);
        for (int dx = 0; dx <= 8; ++dx) frameAt(x + float(dx), y, true);
        frameAt(x + 8, y, false);
    }
    // What the driver objected to since the last look, the error flag included.
    std::vector<std::string> errors() {
        std::vector<std::string> seen;
        const std::vector<std::string>& lines = log->all();
        for (size_t i = seenLines; i < lines.size(); ++i)
            if (lines[i].rfind("GL error", 0) == 0) seen.push_back(lines[i]);
        seenLines = lines.size();
        if (const GLenum code = gl->glGetError()) seen.push_back("glGetError " + std::to_string(code));
        return seen;
    }
};

} // namespace

TEST_F(Session, theDriverReportsAnInvalidCall) {
    GLuint never = 0;
    gl->glGenBuffers(1, &never);
    gl->glDeleteBuffers(1, &never);
    gl->glBindBuffer(GL_ARRAY_BUFFER, never); // a deleted name is invalid in a core context
    EXPECT_FALSE(errors().empty());
}

TEST_F(Session, insertSculptUndoTubeAndClayRaiseNoGLError) {
    using Errors = std::vector<std::string>;
    v->setMode(ASSEMBLY);
    v->setAssemblyCommand(Command::Insert);
    v->restoreInputState();
    click(60, 50);
    ASSERT_EQ(v->scene->sceneRoot->children.size(), 1u);
    Tool* sphere = v->scene->sceneRoot->children[0];
    EXPECT_EQ(errors(), Errors()) << "insert";

    stroke(60, 50);
    EXPECT_TRUE(v->sculptors.empty());
    EXPECT_EQ(errors(), Errors()) << "sculpt";

    v->setMode(ASSEMBLY);
    v->restoreInputState();
    click(100, 70);
    ASSERT_EQ(v->scene->sceneRoot->children.size() + sphere->children.size(), 2u);
    v->undo();
    frameAt(100, 70, false);
    EXPECT_EQ(v->scene->sceneRoot->children.size() + sphere->children.size(), 1u);
    EXPECT_EQ(errors(), Errors()) << "undo";

    v->setAxisShape(ShapeCircle);
    v->makeInsertTool(InsertKind::Tube, true);
    v->setAssemblyCommand(Command::Insert);
    v->restoreInputState();
    click(100, 70);
    std::vector<Tool*> all;
    v->scene->sceneRoot->enumerate(all);
    int tubes = 0;
    for (Tool* t : all) tubes += t->element && t->element->typeCode == TubeType;
    EXPECT_EQ(tubes, 1);
    EXPECT_EQ(errors(), Errors()) << "tube";

    v->pressPick.object = sphere;
    v->convertToClay();
    ASSERT_EQ(sphere->element->typeCode, ClayType);
    const Clay& clay = *static_cast<Clay*>(sphere->element);
    frameAt(60, 50, false); // the clay's buffers are made by its first draw
    const std::vector<vec3> before = corners(clay);
    stroke(60, 50);
    EXPECT_NE(corners(clay), before) << "the stroke ran no clay pass";
    frameAt(60, 50, false);
    EXPECT_EQ(errors(), Errors()) << "clay";
}
