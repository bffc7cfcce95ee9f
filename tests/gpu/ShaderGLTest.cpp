#include "LogLines.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderSource.h"
#include "gpu/ShaderTable.h"

#include <QDirIterator>
#include <QFile>
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using kal::Shader;

// A minimal two-stage program with a distinct colour, so programs differ.
std::unique_ptr<Shader> flatShader(const char* colour) {
    return std::unique_ptr<Shader>(Shader::fromLines({
        "##VERTEX",
        "#version 330 core",
        "layout(location = 0) in vec3 Position;",
        "void main() { gl_Position = vec4(Position, 1.0); }",
        "##FRAGMENT",
        "#version 330 core",
        "out vec4 FragColor;",
        std::string("void main() { FragColor = vec4(") + colour + "); }",
    }));
}

long useProgramCalls() { return kal::glCallCounts().useProgram; }

GLuint glCurrentProgram() {
    GLint id = 0;
    kal::gl->glGetIntegerv(GL_CURRENT_PROGRAM, &id);
    return static_cast<GLuint>(id);
}

std::string resourceText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return kal::shaderTextFromBytes(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

class ShaderGL : public ::testing::Test {
protected:
    void SetUp() override {
        Shader::unbindCurrent();
        kal::gl->glGetError();
    }
    void TearDown() override {
        Shader::unbindCurrent();
        EXPECT_EQ(kal::gl->glGetError(), GLenum(GL_NO_ERROR));
    }
};

TEST_F(ShaderGL, EveryShaderResourceCompilesAndBelongsToTheTable) {
    std::set<std::string> tableNames;
    for (int i = 0; i < kal::shaderTableSize; ++i) tableNames.insert(kal::shaderTableEntry(i)->name);

    int files = 0;
    QDirIterator it(":/shaders", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        ASSERT_TRUE(path.startsWith(":/shaders/")) << path.toStdString();
        ASSERT_TRUE(path.endsWith(".glsl")) << path.toStdString();
        const std::string name = path.mid(10, path.size() - 15).toStdString();
        EXPECT_EQ(tableNames.count(name), 1u) << "no table entry loads " << path.toStdString();
        EXPECT_EQ(resourceText(path).rfind("##VERTEX\n", 0), 0u) << name << " must begin with ##VERTEX";

        Shader shader(name);
        EXPECT_TRUE(shader.compile()) << name << " does not compile";
        EXPECT_NE(shader.program, 0u) << name;
        EXPECT_FALSE(shader.stages.empty()) << name;
        EXPECT_EQ(kal::gl->glGetError(), GLenum(GL_NO_ERROR)) << name;
    }
    EXPECT_GE(files, 1);
}

TEST_F(ShaderGL, NamedShaderReadsItsResourceAndBuildsBothStages) {
    Shader draw("Curve/Draw");
    ASSERT_TRUE(draw.bind());
    EXPECT_TRUE(draw.compiled);
    EXPECT_EQ(draw.stages.size(), 2u);
    EXPECT_EQ(draw.source, resourceText(":/shaders/Curve/Draw.glsl"));
    EXPECT_EQ(Shader::currentProgram, draw.program);
    EXPECT_EQ(glCurrentProgram(), draw.program);
    EXPECT_GE(kal::gl->glGetUniformLocation(Shader::currentProgram, "ProjectionModelViewMatrix"), 0);
    EXPECT_GE(kal::gl->glGetUniformLocation(Shader::currentProgram, "color"), 0);
}

TEST_F(ShaderGL, BindingTheCurrentProgramMakesNoGLCall) {
    auto a = flatShader("1.0, 0.0, 0.0, 1.0");
    auto b = flatShader("0.0, 1.0, 0.0, 1.0");

    long before = useProgramCalls();
    ASSERT_TRUE(a->bind());
    ASSERT_TRUE(a->bind());
    EXPECT_EQ(useProgramCalls() - before, 1);

    Shader::unbindCurrent();
    before = useProgramCalls();
    ASSERT_TRUE(a->bind());
    ASSERT_TRUE(b->bind());
    ASSERT_TRUE(a->bind());
    EXPECT_EQ(useProgramCalls() - before, 3);
    EXPECT_NE(a->program, b->program);
    EXPECT_EQ(glCurrentProgram(), a->program);
}

TEST_F(ShaderGL, UnbindKeepsTheProgramCurrentUntilUnbindCurrent) {
    auto a = flatShader("1.0");
    ASSERT_TRUE(a->bind());
    a->unbind();
    EXPECT_EQ(glCurrentProgram(), a->program);
    long before = useProgramCalls();
    ASSERT_TRUE(a->bind());
    EXPECT_EQ(useProgramCalls(), before);

    Shader::unbindCurrent();
    EXPECT_EQ(Shader::currentProgram, 0u);
    EXPECT_EQ(glCurrentProgram(), 0u);
    before = useProgramCalls();
    ASSERT_TRUE(a->bind());
    EXPECT_EQ(useProgramCalls() - before, 1);
    EXPECT_EQ(glCurrentProgram(), a->program);
}

TEST_F(ShaderGL, FailedLinkAnswersFalseAndNeverBecomesCurrent) {
    auto good = flatShader("1.0");
    ASSERT_TRUE(good->bind());
    // a stage that does not compile raises no GL error; only the link status tells
    std::unique_ptr<Shader> broken(Shader::fromLines({"##VERTEX", "#version 330 core", "void main() { nonsense; }",
                                                      "##FRAGMENT", "#version 330 core", "void main() {}"}));
    const long before = useProgramCalls();
    EXPECT_FALSE(broken->bind());
    EXPECT_FALSE(broken->compiled);
    EXPECT_EQ(broken->program, 0u);
    EXPECT_EQ(useProgramCalls(), before);
    EXPECT_EQ(Shader::currentProgram, good->program);
    EXPECT_EQ(glCurrentProgram(), good->program);

    // every later bind tries again and fails the same way
    EXPECT_FALSE(broken->bind());
    EXPECT_FALSE(broken->compile());
    EXPECT_EQ(Shader::currentProgram, good->program);
}

TEST_F(ShaderGL, FailedBuildLogsTheLinkLogThenItsName) {
    Shader named("Curve/Color"); // no such resource: an empty program
    {
        kal::test::LogLines log;
        EXPECT_FALSE(named.compile());
        ASSERT_EQ(log.all().size(), 2u);
        EXPECT_FALSE(log.all()[0].empty()); // the driver's link log
        EXPECT_EQ(log.all()[1], "ERROR Shader::compile Curve/Color");
    }
    kal::test::LogLines log;
    auto good = flatShader("1.0");
    EXPECT_TRUE(good->compile());
    EXPECT_TRUE(log.all().empty());
}

TEST_F(ShaderGL, MissingResourceLeavesSourceEmptyAndFails) {
    Shader missing("Curve/Color");
    EXPECT_FALSE(missing.bind());
    EXPECT_FALSE(missing.compiled);
    EXPECT_TRUE(missing.source.empty());
    EXPECT_FALSE(missing.bind());
    EXPECT_TRUE(missing.source.empty());
}

TEST_F(ShaderGL, RebuildingANamedShaderReadsItsFileOnce) {
    Shader draw("Curve/Draw");
    ASSERT_TRUE(draw.compile());
    const std::string once = draw.source;
    draw.compiled = false; // as after a changed description
    ASSERT_TRUE(draw.compile());
    EXPECT_EQ(draw.source, once);
    EXPECT_EQ(draw.source.find("##VERTEX"), draw.source.rfind("##VERTEX"));
    EXPECT_EQ(draw.stages.size(), 2u);
}

TEST_F(ShaderGL, DestroyingTheCurrentShaderForgetsItsProgram) {
    auto a = flatShader("1.0");
    ASSERT_TRUE(a->bind());
    a.reset();
    EXPECT_EQ(Shader::currentProgram, 0u);
    EXPECT_EQ(glCurrentProgram(), 0u);
}

TEST_F(ShaderGL, TableEntryCompilesOnFirstBindOnly) {
    Shader* draw = kal::shaderCurveDraw;
    ASSERT_TRUE(draw->bind());
    const unsigned program = draw->program;
    const std::string source = draw->source;
    auto other = flatShader("1.0");
    ASSERT_TRUE(other->bind());
    const long before = useProgramCalls();
    ASSERT_TRUE(draw->bind());
    EXPECT_EQ(useProgramCalls() - before, 1);
    EXPECT_EQ(draw->program, program);
    EXPECT_EQ(draw->source, source);
}

// Fragment-less programs link for transform feedback.
class TransformFeedbackGL : public ShaderGL {
protected:
    void SetUp() override {
        ShaderGL::SetUp();
        kal::gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
        kal::gl->glGenVertexArrays(1, &vertexArray);
        kal::gl->glBindVertexArray(vertexArray);
    }
    void TearDown() override {
        kal::gl->glBindVertexArray(static_cast<GLuint>(previousVertexArray));
        kal::gl->glDeleteVertexArrays(1, &vertexArray);
        ShaderGL::TearDown();
    }

    GLint capturedVaryings(const Shader& s) {
        GLint n = -1;
        kal::gl->glGetProgramiv(s.program, GL_TRANSFORM_FEEDBACK_VARYINGS, &n);
        return n;
    }

    GLint previousVertexArray = 0;
    GLuint vertexArray = 0;
};

TEST_F(TransformFeedbackGL, CapturedOutputReadsBackFromTheBuffer) {
    std::unique_ptr<Shader> deform(Shader::fromLines({
        "##VERTEX",
        "#version 330 core",
        "layout(location = 0) in vec3 position0;",
        "out vec3 position1;",
        "    out vec3 unused;", // indented: declared, not captured
        "void main() {",
        "    position1 = position0 * 2.0 + vec3(1.0, -1.0, 0.5);",
        "    unused = position0;",
        "}",
    }));
    ASSERT_TRUE(deform->bind());
    EXPECT_EQ(deform->stages.size(), 1u);
    EXPECT_EQ(capturedVaryings(*deform), 1);

    const float input[9] = {0, 0, 0, 1, 2, 3, -4, 0.25f, 8};
    GLuint buffers[2] = {};
    auto* gl = kal::gl;
    gl->glGenBuffers(2, buffers);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    gl->glBufferData(GL_ARRAY_BUFFER, sizeof(input), input, GL_STATIC_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    gl->glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffers[1]);
    gl->glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, sizeof(input), nullptr, GL_STATIC_READ);
    gl->glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[1]);

    gl->glEnable(GL_RASTERIZER_DISCARD);
    gl->glBeginTransformFeedback(GL_POINTS);
    gl->glDrawArrays(GL_POINTS, 0, 3);
    gl->glEndTransformFeedback();
    gl->glDisable(GL_RASTERIZER_DISCARD);

    float output[9] = {};
    gl->glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(output), output);
    for (int v = 0; v < 3; ++v) {
        EXPECT_FLOAT_EQ(output[3 * v + 0], input[3 * v + 0] * 2 + 1.0f) << v;
        EXPECT_FLOAT_EQ(output[3 * v + 1], input[3 * v + 1] * 2 - 1.0f) << v;
        EXPECT_FLOAT_EQ(output[3 * v + 2], input[3 * v + 2] * 2 + 0.5f) << v;
    }

    gl->glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    gl->glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
    gl->glDisableVertexAttribArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glDeleteBuffers(2, buffers);
}

TEST_F(TransformFeedbackGL, ProgramWithoutOutputsLinksWithNoCapturedVaryings) {
    std::unique_ptr<Shader> s(
        Shader::fromLines({"##VERTEX", "#version 330 core", "void main() { gl_Position = vec4(0.0); }"}));
    ASSERT_TRUE(s->compile());
    EXPECT_EQ(s->stages.size(), 1u);
    EXPECT_EQ(capturedVaryings(*s), 0);
}

} // namespace
