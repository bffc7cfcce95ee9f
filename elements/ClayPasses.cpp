// The clay's deformation passes: a driver makes its brush shader current, loads the instance
// arrays and scalars as uniforms and runs one transform-feedback pass per batch of at most
// Clay::passInstances instances (the shaders' arrays hold no more).
#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <functional>

#include "elements/Clay.h"
#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"

namespace kal {

namespace {

// Sets the uniforms of one batch: its first instance and its instance count.
using BatchUniforms = std::function<void(size_t first, int count)>;

void runBatches(Clay& clay, Shader* shader, size_t instances, const BatchUniforms& setUniforms) {
    // positions not yet on the GPU are uploaded first; without them there is nothing to move
    if (!clay.updateGpu()) return;
    if (!shader->bind() || Shader::currentProgram == 0) return;
    // the caller normally switches rasterisation off around its passes; a lone pass must not
    // scribble points into whatever target is bound
    const bool discarding = gl->glIsEnabled(GL_RASTERIZER_DISCARD);
    if (!discarding) gl->glEnable(GL_RASTERIZER_DISCARD);
    size_t first = 0;
    do {
        const int count = int(std::min<size_t>(instances - first, Clay::passInstances));
        setUniformInt("count", count);
        setUniforms(first, count);
        clay.runDeformPass();
        first += size_t(count);
    } while (first < instances);
    if (!discarding) gl->glDisable(GL_RASTERIZER_DISCARD);
}

void setVec3s(const char* name, const std::vector<vec3>& values, size_t first, int count) {
    if (count > 0) setUniformVec3Array(name, values.data() + first, count);
}

} // namespace

void Clay::deform(const std::vector<vec3>& centres, const std::vector<vec3>& displacements, float radius) {
    runBatches(*this, shaderClayDeform, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        setVec3s("displacement", displacements, first, count);
        setUniformFloat("radius", radius);
    });
}

void Clay::pinch(const std::vector<vec3>& centres, float intensity, float radius) {
    runBatches(*this, shaderClayPinch, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        setUniformFloat("intensity", float(0.2 * double(intensity)));
        setUniformFloat("radius2", radius * radius);
    });
}

void Clay::twist(const std::vector<vec3>& centres, const std::vector<vec3>& axes, float cosA, float sinA,
                 float radius) {
    runBatches(*this, shaderClayTwist, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        setVec3s("axis", axes, first, count);
        // the shader adds the rotated offset minus the offset itself
        setUniformFloat("cosA", cosA - 1.0f);
        setUniformFloat("sinA", sinA);
        setUniformFloat("radius2", radius * radius);
    });
}

void Clay::subPlane(const std::vector<vec3>& centres, const std::vector<vec3>& normals) {
    runBatches(*this, shaderClaySubPlane, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        setVec3s("normal", normals, first, count);
    });
}

void Clay::flatten(const std::vector<vec3>& centres, const std::vector<vec3>& normals, float intensity, float radius) {
    runBatches(*this, shaderClayFlatten, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        setVec3s("normal", normals, first, count);
        setUniformFloat("intensity", intensity);
        setUniformFloat("radius2", radius * radius);
    });
}

void Clay::deformVolume(const std::vector<vec3>& centres, const std::vector<mat3>& frames, float weight, float radius) {
    runBatches(*this, shaderClayDeformVolume, centres.size(), [&](size_t first, int count) {
        setVec3s("center", centres, first, count);
        if (count > 0) gl->glUniformMatrix3fv(uniformLocation("frame"), count, GL_FALSE, frames[first].m);
        setUniformFloat("weight", weight);
        setUniformFloat("radius2", radius * radius);
    });
}

void Clay::runDeformPass() {
    if (buffers[0] == 0 || !createQuadBuffer()) return;
    const GLsizeiptr size = GLsizeiptr(vertexCount) * 12;
    feedAttributeZero(buffers[current]);
    gl->glBindBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[current ^ 1], 0, size);
    gl->glBeginTransformFeedback(GL_POINTS);
    gl->glDrawArrays(GL_POINTS, 0, vertexCount);
    gl->glEndTransformFeedback();
    stopFeedingAttributeZero();
    // leave no buffer on the capture binding
    gl->glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    gl->glFlush();
    current ^= 1;
    // attribute 0 was re-pointed and switched off
    bound = false;
}

} // namespace kal
