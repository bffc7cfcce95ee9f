#include "gpu/GeometryBuffers.h"

#include "gpu/GLCallCounter.h"
#include "gpu/GLFunctions.h"

#include <QOpenGLFunctions_4_0_Core>

#include <algorithm>
#include <cmath>

namespace kal {

unsigned sharedVertexArray = 0;
unsigned quadBuffer = 0;
bool quadBound = false;
unsigned circleBuffer = 0;
bool circleBound = false;
int circleSegmentCount = 36;

// Orthographic projection of the box 0..1 in x, y and z.
const mat4 screenQuadMatrix = mat4{{2, 0, 0, -1, 0, 2, 0, -1, 0, 0, -2, -1, 0, 0, 0, 1}};

namespace {

// A release binds vertex array 0; the next create binds ours again.
bool vertexArrayBound = false;
// Vertices actually uploaded, so a changed circleSegmentCount never draws past them.
int circleVertexCount = 0;

const float quadVertices[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};

void ensureVertexArrayBound() {
    if (sharedVertexArray == 0) gl->glGenVertexArrays(1, &sharedVertexArray);
    if (!vertexArrayBound) {
        gl->glBindVertexArray(sharedVertexArray);
        vertexArrayBound = true;
    }
}

// Fresh buffer with the given floats; the array-buffer binding is left at 0.
unsigned uploadStaticBuffer(const float* data, std::size_t floats) {
    unsigned buffer = 0;
    gl->glGenBuffers(1, &buffer);
    bindArrayBuffer(buffer);
    arrayBufferData(long(floats * sizeof(float)), data);
    bindArrayBuffer(0);
    return buffer;
}

void deleteBuffer(unsigned& buffer) {
    if (buffer != 0) gl->glDeleteBuffers(1, &buffer);
    buffer = 0;
}

// The quad and the circle share these steps; each has its own buffer and bound flag.
void bindShape(unsigned buffer, bool& bound) {
    if (bound) return;
    feedAttributeZero(buffer);
    bound = true;
}

void unbindShape(bool& bound) {
    if (!bound || !glReady()) return;
    stopFeedingAttributeZero();
    bound = false;
}

// Makes the shape's buffer from vertices() when it has none. A GL error leaves nothing half-built
// behind, so the next call tries again.
template <class Vertices>
bool buildShape(unsigned& buffer, bool& bound, Vertices vertices) {
    gl->glGetError();
    ensureVertexArrayBound();
    if (buffer == 0) {
        const std::vector<float> floats = vertices();
        buffer = uploadStaticBuffer(floats.data(), floats.size());
    }
    if (gl->glGetError() == GL_NO_ERROR) return true;
    deleteBuffer(buffer);
    bound = false;
    return false;
}

void releaseShape(unsigned& buffer, bool& bound) {
    if (buffer != 0) {
        unbindShape(bound);
        deleteBuffer(buffer);
    }
    gl->glBindVertexArray(0);
    vertexArrayBound = false;
}

} // namespace

void attributeZeroTaken() {
    quadBound = false;
    circleBound = false;
}

void feedAttributeZero(unsigned buffer) {
    bindArrayBuffer(buffer);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    attributeZeroTaken();
}

void stopFeedingAttributeZero() {
    gl->glDisableVertexAttribArray(0);
    bindArrayBuffer(0);
}

std::vector<float> circleVertices(int count) {
    std::vector<float> vertices;
    if (count <= 0) return vertices;
    vertices.reserve(static_cast<std::size_t>(count) * 3);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < count; ++i) {
        const float angle = static_cast<float>(i * 2.0 * pi / count);
        vertices.push_back(static_cast<float>(std::cos(static_cast<double>(angle))));
        vertices.push_back(static_cast<float>(std::sin(static_cast<double>(angle))));
        vertices.push_back(0.0f);
    }
    return vertices;
}

bool createQuadBuffer() {
    if (!glReady()) return false;
    if (sharedVertexArray != 0 && quadBuffer != 0 && vertexArrayBound) return true;
    return buildShape(quadBuffer, quadBound, [] { return std::vector<float>(quadVertices, quadVertices + 12); });
}

bool bindQuadBuffer() {
    if (!createQuadBuffer()) return false;
    bindShape(quadBuffer, quadBound);
    return true;
}

void unbindQuadBuffer() { unbindShape(quadBound); }

bool drawQuadStrip(bool unbind) {
    if (!bindQuadBuffer()) return false;
    gl->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    if (unbind) unbindQuadBuffer();
    return true;
}

void releaseQuadBuffer() {
    if (glReady()) releaseShape(quadBuffer, quadBound);
}

bool createCircleBuffer() {
    if (!glReady()) return false;
    if (circleBuffer != 0 && vertexArrayBound) return true;
    if (sharedVertexArray == 0 && !createQuadBuffer()) return false;
    const bool built = buildShape(circleBuffer, circleBound, [] {
        std::vector<float> vertices = circleVertices(circleSegmentCount);
        circleVertexCount = int(vertices.size() / 3);
        return vertices;
    });
    if (!built) circleVertexCount = 0;
    return built;
}

bool bindCircleBuffer() {
    if (!createCircleBuffer()) return false;
    bindShape(circleBuffer, circleBound);
    return true;
}

void unbindCircleBuffer() { unbindShape(circleBound); }

bool drawCircle(bool unbind) {
    if (!bindCircleBuffer()) return false;
    const int count = std::min(circleSegmentCount, circleVertexCount);
    if (count > 0) gl->glDrawArrays(GL_LINE_LOOP, 0, count);
    if (unbind) unbindCircleBuffer();
    return true;
}

void releaseCircleBuffer() {
    if (!glReady()) return;
    releaseShape(circleBuffer, circleBound);
    circleVertexCount = 0;
}

} // namespace kal
