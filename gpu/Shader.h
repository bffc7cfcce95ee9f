#pragma once
// A GPU program built from one GLSL text holding both stages (see ShaderSource.h).
// Named shaders read their text from ":/shaders/<name>.glsl"; the program compiles
// lazily on the first bind, once a context is current. A text without a fragment
// section links for transform feedback, capturing its unindented "out " variables.
#include "gpu/GLAtom.h"

#include <string>
#include <vector>

namespace kal {

class Shader : public GLAtom {
public:
    Shader() = default;
    explicit Shader(const std::string& name);
    ~Shader() override;

    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // A nameless shader whose source is the given lines; it never opens a file.
    // The caller owns it.
    static Shader* fromLines(const std::vector<std::string>& lines);

    // Appends the lines of ":/shaders/" + name + ".glsl" to source; a missing file
    // leaves source as it was.
    void loadSource(const std::string& name);

    // Builds the program once; answers compiled. A failed build leaves no program
    // behind, and the next bind tries again from a fresh copy of the file.
    virtual bool compile();

    // Makes the program current. Binding the program that is already current makes
    // no GL call. Answers false when the program cannot be built.
    bool bind() override;

    // The program stays current: the next bind of the same shader is free.
    void unbind() override;

    // Forgets the current program and makes none current, for code that hands the GL
    // state to someone else.
    static void unbindCurrent();

    // The program made current by the last bind, 0 after unbindCurrent. Uniforms are
    // set on it, looked up by name at every use.
    static unsigned currentProgram;

    std::string name;
    std::vector<unsigned> stages; // vertex first, then fragment when there is one
    unsigned program = 0;
    bool compiled = false;
    std::string source; // both sections with their marker lines, each line + "\n"

private:
    void deleteProgram();
};

// The location of a uniform of the current program; -1 (ignored by GL) for a name it lacks.
int uniformLocation(const char* name);

} // namespace kal
