#include "gpu/Filters.h"

#include "gpu/GLAtom.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture.h"

#include <QOpenGLFunctions_4_0_Core>

#include <string>

namespace kal {

namespace {

// The objects of one full-screen pass, bound in order and unbound together in reverse.
class AtomBinder {
public:
    explicit AtomBinder(Shader* shader) {
        if (shader) atoms_.push_back(shader);
    }
    ~AtomBinder() { unbindAll(); }
    AtomBinder(const AtomBinder&) = delete;
    AtomBinder& operator=(const AtomBinder&) = delete;

    void add(Texture* texture) {
        if (texture) atoms_.push_back(texture);
    }
    // All or nothing: a failed bind leaves none of the list bound.
    bool bindAll() {
        for (GLAtom* atom : atoms_) {
            if (!atom->bind()) {
                unbindAll();
                return false;
            }
        }
        bound_ = true;
        return true;
    }
    void unbindAll() {
        for (auto it = atoms_.rbegin(); it != atoms_.rend(); ++it) (*it)->unbind();
        bound_ = false;
    }

private:
    std::vector<GLAtom*> atoms_;
    bool bound_ = false;
};

void selectOutput(Texture* output) {
    if (output) gl->glDrawBuffer(GLenum(output->attachment));
}

// The shared body of the full-screen passes. `samplers` names the sampler of each
// input, in order; `extra` sets the pass's other uniforms.
template <typename Extra>
bool runPass(Shader* shader, const std::vector<Texture*>& inputs, const std::vector<std::string>& samplers,
             Texture* output, Extra extra) {
    AtomBinder binder(shader);
    for (Texture* input : inputs) binder.add(input);
    // A missing table entry is a pass that cannot run, not a draw with no program.
    if (!shader || !binder.bindAll()) return false;
    selectOutput(output);
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i]) setUniformInt(samplers[i].c_str(), inputs[i]->unit());
    extra();
    drawQuad(true);
    return true;
}

bool isFloatType(std::uint32_t type) { return type == GL_FLOAT || type == GL_HALF_FLOAT; }

} // namespace

void setUniformInt(const char* name, int value) { gl->glUniform1i(uniformLocation(name), value); }
void setUniformFloat(const char* name, float value) { gl->glUniform1f(uniformLocation(name), value); }
void setUniformVec2(const char* name, vec2 value) { gl->glUniform2f(uniformLocation(name), value.x, value.y); }
void setUniformVec3(const char* name, vec3 value) { gl->glUniform3f(uniformLocation(name), value.x, value.y, value.z); }
void setUniformVec4(const char* name, vec4 value) {
    gl->glUniform4f(uniformLocation(name), value.x, value.y, value.z, value.w);
}
void setUniformVec3Array(const char* name, const vec3* values, int count) {
    static_assert(sizeof(vec3) == 3 * sizeof(float), "vec3 must be three packed floats");
    gl->glUniform3fv(uniformLocation(name), count, &values[0].x);
}
void setUniformMat4(const char* name, const mat4& value) {
    gl->glUniformMatrix4fv(uniformLocation(name), 1, GL_FALSE, value.m);
}
void setUniformColor(const char* name, const std::uint8_t rgba[4]) {
    setUniformVec4(name, vec4{rgba[0] / 255.0f, rgba[1] / 255.0f, rgba[2] / 255.0f, rgba[3] / 255.0f});
}

bool drawQuadBufferLine(bool unbind) {
    gl->glDrawArrays(GL_LINES, 0, 2);
    if (unbind) unbindQuadBuffer();
    return true;
}

bool drawQuadLine(bool unbind) {
    if (!bindQuadBuffer()) return false;
    return drawQuadBufferLine(unbind);
}

bool drawQuad(bool unbind) { return drawQuadStrip(unbind); }

bool drawUnitLine(const mat4& pmv, const std::uint8_t rgba[4]) {
    if (!shaderCurveDraw || !shaderCurveDraw->bind()) return false;
    setUniformMat4("ProjectionModelViewMatrix", pmv);
    setUniformColor("color", rgba);
    if (!bindQuadBuffer()) return false;
    return drawQuadBufferLine(true);
}

void drawSegment3D(vec3 a, vec3 b, const mat4& pmv, const std::uint8_t rgba[4]) {
    drawUnitLine(pmv * mat4::translation(a) * mat4::mapVectorOnto(vec3{1, 0, 0}, b - a), rgba);
}

bool drawCircleOutline(const mat4& pmv, const std::uint8_t rgba[4]) {
    if (!shaderCurveDraw || !shaderCurveDraw->bind()) return false;
    setUniformMat4("ProjectionModelViewMatrix", pmv);
    setUniformColor("color", rgba);
    return drawCircle(true);
}

namespace {

mat4 scaledFrame(vec3 direction, float factor) {
    mat3 frame = mat3::frameFromDirection(direction);
    for (float& element : frame.m) element *= factor;
    return mat4::fromMat3(frame);
}

} // namespace

void drawCircle3D(float radius, vec3 axis, vec3 centre, const mat4& pmv, const std::uint8_t rgba[4]) {
    drawCircleOutline(pmv * mat4::translation(centre) * scaledFrame(axis, radius), rgba);
}

bool drawFilledQuad(const mat4& pmv, const std::uint8_t rgba[4]) {
    // Draws even without the shader: whatever program is current then shows the square.
    if (shaderCurveDraw) shaderCurveDraw->bind();
    setUniformMat4("ProjectionModelViewMatrix", pmv * mat4::translationXYZ(-1, -1, 0) * mat4::scaling(2, 2, 2));
    setUniformColor("color", rgba);
    return drawQuadStrip(true);
}

void drawSquare3D(float size, vec3 normal, vec3 centre, const mat4& pmv, const std::uint8_t rgba[4]) {
    drawFilledQuad(pmv * mat4::translation(centre) * scaledFrame(normal, size), rgba);
}

bool filterMirrorVertical(Texture* input, Texture* output) {
    return runPass(shaderMirrorVertical, {input}, {"Image"}, output, [] {});
}

bool filterThreshold(Texture* input, vec4 value, Texture* output) {
    return runPass(shaderFilterThreshold, {input}, {"Image"}, output, [&] { setUniformVec4("value", value); });
}

bool filterAddValue(Texture* input, vec4 value, Texture* output) {
    return runPass(shaderFilterAdd, {input}, {"Image"}, output, [&] { setUniformVec4("value", value); });
}

bool filterChroma(Texture* input, Texture* output, const std::uint8_t chroma[4], float s, vec2 center) {
    return runPass(shaderFilterChroma, {input}, {"Image"}, output, [&] {
        setUniformVec2("center", center);
        setUniformFloat("scale", 2.0f - s);
        setUniformColor("chroma", chroma);
    });
}

bool filterAddMipMaps(const std::vector<Texture*>& inputs, int levels, Texture* output) {
    // The one-input shader names its sampler "Image", not "Image0".
    if (inputs.size() == 1)
        return runPass(shaderFilterAddMipMaps, inputs, {"Image"}, output, [&] { setUniformInt("Levels", levels); });
    if (inputs.size() == 2)
        return runPass(shaderFilterAdd2MipMaps, inputs, {"Image0", "Image1"}, output,
                       [&] { setUniformInt("Levels", levels); });
    return false;
}

bool filterAddImages(const std::vector<Texture*>& inputs, Texture* output) {
    if (inputs.size() == 2) return runPass(shaderFilterAdd2, inputs, {"Image0", "Image1"}, output, [] {});
    if (inputs.size() == 3) return runPass(shaderFilterAdd3, inputs, {"Image0", "Image1", "Image2"}, output, [] {});
    return false;
}

bool filterBlur(Texture* a, Texture* b, int iterations) {
    if (!a || !b) return false;
    Shader* shader = shaderFilterBlur;
    if (isFloatType(a->type)) {
        if (a->format == GL_RED)
            shader = shaderFilterBlurFloat;
        else if (a->format == GL_RGB)
            shader = shaderFilterBlurVec3;
    }
    if (!shader || !shader->bind()) return false;
    setUniformMat4("ProjectionModelViewMatrix", screenQuadMatrix);
    const vec2 across{1.0f / float(a->width()), 0.0f};
    const vec2 down{0.0f, 1.0f / float(a->height())};
    // one pass blurs `from` along delta into the other texture's attachment
    auto pass = [](Texture* from, Texture* into, vec2 delta) {
        gl->glDrawBuffer(GLenum(into->attachment));
        const int unit = from->unit();
        if (unit < 0) return false;
        setUniformInt("Image", unit);
        setUniformVec2("delta", delta);
        drawQuad(true);
        from->unbind();
        return true;
    };
    for (int i = 0; i < iterations; ++i)
        if (!pass(a, b, across) || !pass(b, a, down)) return false;
    shader->unbind();
    return true;
}

} // namespace kal
