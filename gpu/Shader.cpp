#include "gpu/Shader.h"

#include "foundation/Log.h"
#include "foundation/WholeFile.h"
#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"
#include "gpu/ShaderSource.h"

#include <QOpenGLFunctions_4_0_Core>
#include <QString>

namespace kal {

namespace {
// The shader unit's own copy of the resource prefix.
const std::string shaderResourcePrefix = ":/shaders/";
} // namespace

unsigned Shader::currentProgram = 0;

int uniformLocation(const char* name) { return gl->glGetUniformLocation(Shader::currentProgram, name); }

Shader::Shader(const std::string& name) : name(name) {}

Shader::~Shader() {
    if (program != 0 && currentProgram == program) unbindCurrent();
    deleteProgram();
}

Shader* Shader::fromLines(const std::vector<std::string>& lines) {
    auto* shader = new Shader();
    for (const std::string& line : lines) {
        shader->source += line;
        shader->source += '\n';
    }
    return shader;
}

void Shader::loadSource(const std::string& name) {
    std::vector<char> bytes;
    if (readWholeFile(shaderResourcePrefix + name + ".glsl", bytes).empty())
        source += shaderTextFromBytes(bytes.data(), bytes.size());
}

void Shader::deleteProgram() {
    if (glReady() && program != 0) {
        for (auto it = stages.rbegin(); it != stages.rend(); ++it) gl->glDetachShader(program, *it);
        gl->glDeleteProgram(program);
    }
    stages.clear();
    program = 0;
}

bool Shader::compile() {
    if (compiled) return true;
    if (!glReady()) return false;
    // Re-read the file rather than append to what an earlier attempt loaded.
    if (!name.empty()) {
        source.clear();
        loadSource(name);
    }
    gl->glGetError();
    // A program left over from an earlier build would otherwise leak.
    deleteProgram();
    program = gl->glCreateProgram();

    const ShaderSections sections = splitShaderSections(source);
    const char* text = sections.vertex.c_str();
    const GLuint vertex = gl->glCreateShader(GL_VERTEX_SHADER);
    stages.push_back(vertex);
    gl->glShaderSource(vertex, 1, &text, nullptr);
    if (sections.fragment.empty()) {
        std::vector<const char*> names;
        names.reserve(sections.outputs.size());
        for (const std::string& output : sections.outputs) names.push_back(output.c_str());
        gl->glTransformFeedbackVaryings(program, static_cast<GLsizei>(names.size()), names.data(), GL_SEPARATE_ATTRIBS);
    } else {
        const GLuint fragment = gl->glCreateShader(GL_FRAGMENT_SHADER);
        stages.push_back(fragment);
        text = sections.fragment.c_str();
        gl->glShaderSource(fragment, 1, &text, nullptr);
    }
    for (GLuint stage : stages) {
        gl->glCompileShader(stage);
        gl->glAttachShader(program, stage);
        // freed by GL once the program lets go of it
        gl->glDeleteShader(stage);
    }
    gl->glLinkProgram(program);

    GLint linked = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        GLint length = 0;
        gl->glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        if (length > 0) {
            std::string log(static_cast<std::size_t>(length), '\0');
            gl->glGetProgramInfoLog(program, length, nullptr, &log[0]);
            log.resize(std::char_traits<char>::length(log.c_str()));
            qCWarning(logGpu).noquote() << QString::fromStdString(log);
        }
    }
    // A link can fail without raising a GL error, so both must hold.
    compiled = gl->glGetError() == GL_NO_ERROR && linked != 0;
    if (!compiled) {
        qCWarning(logGpu).noquote() << QString::fromStdString("ERROR Shader::compile " + name);
        deleteProgram();
    }
    return compiled;
}

bool Shader::bind() {
    if (currentProgram != 0 && currentProgram == program) return true;
    // A program that failed to build is never made current.
    if (!compile()) return false;
    currentProgram = program;
    useProgram(program);
    return currentProgram != 0;
}

void Shader::unbind() {}

void Shader::unbindCurrent() {
    currentProgram = 0;
    useProgram(0);
}

} // namespace kal
