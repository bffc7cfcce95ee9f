#include "gpu/Environment.h"

#include "foundation/Mat.h"
#include "gpu/Filters.h"
#include "gpu/GLFunctions.h"
#include "gpu/ProgressHook.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/TextureArrays.h"
#include "gpu/TextureCube.h"

#include <QOpenGLFunctions_4_0_Core>
#include <QOpenGLWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace kal {

namespace {

constexpr float pi = 3.14159265358979323846f;

using Kernel = std::array<vec3, 7>;

// Carries (0, 0, -1) onto the centre direction of face f (+X, -X, +Y, -Y, +Z, -Z).
vec3 turnToFace(int face, vec3 v) {
    switch (face) {
    case 0: return {-v.z, v.y, v.x};
    case 1: return {v.z, v.y, -v.x};
    case 2: return {v.x, -v.z, v.y};
    case 3: return {v.x, v.z, -v.y};
    case 4: return {-v.x, v.y, -v.z};
    default: return v;
    }
}

// Quad point (x, y, -1) to the view direction of the face texel at (x, y).
const mat4 faceFrames[6] = {
    mat4{{0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}}, mat4{{0, 0, 1, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}},
    mat4{{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}},   mat4{{1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1}},
    mat4{{1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}},  mat4{{-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
};

// 90-degree square perspective, near 0.1, far 2.
const mat4 faceProjection = mat4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -21.0f / 19.0f, -4.0f / 19.0f, 0, 0, -1, 0}};

Kernel baseKernel(int size) {
    Kernel kernel;
    kernel[0] = vec3{0, 0, -1};
    const float r = 1.0f / float(size);
    for (int k = 0; k < 6; ++k) {
        const float a = float(k) * 2.0f * pi / 6.0f;
        kernel[std::size_t(k) + 1] = normalize(vec3{r * std::cos(a), r * std::sin(a), -1.0f});
    }
    return kernel;
}

// Direction of the centre of texel (i, j) of face f, in GL's cube-map convention.
vec3 texelDirection(int face, int i, int j, int size) {
    const float s = (2.0f * float(i) + 1.0f) / float(size) - 1.0f;
    const float t = (2.0f * float(j) + 1.0f) / float(size) - 1.0f;
    switch (face) {
    case 0: return {1, -t, -s};
    case 1: return {-1, -t, s};
    case 2: return {s, 1, t};
    case 3: return {s, -1, -t};
    case 4: return {s, -t, 1};
    default: return {-s, -t, -1};
    }
}

// The nine real spherical harmonics of a unit direction.
std::array<float, 9> harmonics(vec3 n) {
    return {0.282095f,
            0.488603f * n.y,
            0.488603f * n.z,
            0.488603f * n.x,
            1.092548f * n.x * n.y,
            1.092548f * n.y * n.z,
            0.315392f * (3.0f * n.z * n.z - 1.0f),
            1.092548f * n.x * n.z,
            0.546274f * (n.x * n.x - n.y * n.y)};
}

// Diffuse light of every texel from the image's low-order harmonics: the radiance a
// white matte surface facing that way sends back (irradiance / pi).
std::vector<float> diffuseLight(const std::vector<float>& values, int size) {
    std::array<double, 27> coefficients{};
    const std::size_t faceTexels = std::size_t(size) * std::size_t(size);
    for (int f = 0; f < 6; ++f)
        for (int j = 0; j < size; ++j)
            for (int i = 0; i < size; ++i) {
                const vec3 d = texelDirection(f, i, j, size);
                // solid angle of the texel on the unit cube
                const double weight = 4.0 / (double(size) * size * std::pow(double(dot(d, d)), 1.5));
                const auto y = harmonics(normalize(d));
                const float* texel = &values[3 * (std::size_t(f) * faceTexels + std::size_t(j) * size + i)];
                for (int k = 0; k < 9; ++k)
                    for (int c = 0; c < 3; ++c)
                        coefficients[std::size_t(3 * k + c)] += weight * y[std::size_t(k)] * texel[c];
            }
    // cosine-lobe convolution per band, divided by pi
    const double band[9] = {1.0, 2.0 / 3, 2.0 / 3, 2.0 / 3, 0.25, 0.25, 0.25, 0.25, 0.25};
    std::vector<float> out(values.size());
    for (int f = 0; f < 6; ++f)
        for (int j = 0; j < size; ++j)
            for (int i = 0; i < size; ++i) {
                const auto y = harmonics(normalize(texelDirection(f, i, j, size)));
                float* texel = &out[3 * (std::size_t(f) * faceTexels + std::size_t(j) * size + i)];
                for (int c = 0; c < 3; ++c) {
                    double sum = 0.0;
                    for (int k = 0; k < 9; ++k)
                        sum += band[k] * coefficients[std::size_t(3 * k + c)] * y[std::size_t(k)];
                    // low-order ringing can dip below zero behind a bright spot
                    texel[c] = float(std::max(sum, 0.0));
                }
            }
    return out;
}

double channelSum(const std::vector<float>& values) {
    double sum = 0.0;
    for (float v : values) sum += double(v);
    return sum;
}

// Bytes of one layer, rescaled so that its total matches the unblurred image's.
void toLayerBytes(const std::vector<float>& values, double total, double reference, std::vector<std::uint8_t>& out) {
    out.assign(values.size(), 0);
    // A black layer stays black rather than dividing by zero.
    if (!(total > 0.0)) return;
    const double factor = reference / total;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = std::trunc(factor * double(values[i]));
        // written so that a NaN lands on 0 instead of an undefined conversion
        out[i] = v > 0.0 ? std::uint8_t(std::min(v, 255.0)) : 0;
    }
}

bool readFloatFaces(TextureCube* cube, std::vector<float>& values) {
    std::vector<std::uint8_t> bytes;
    if (!cube->readPixels(bytes) || bytes.empty()) return false;
    values.resize(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return true;
}

// Widget updates are off while the build runs, so only the progress bar repaints.
class WidgetUpdatesOff {
public:
    WidgetUpdatesOff() {
        if (theGLWidget) theGLWidget->setUpdatesEnabled(false);
    }
    ~WidgetUpdatesOff() {
        if (theGLWidget) theGLWidget->setUpdatesEnabled(wereEnabled);
    }

private:
    // a caller that paused them (GLWorkGuard) gets them back paused
    const bool wereEnabled = !theGLWidget || theGLWidget->updatesEnabled();
};

} // namespace

int blurPassCount(int level) { return int(std::trunc(double(level) * std::log(double(level) + 1.0) + 1.0)); }

Environment::Environment(const std::string& name, int size, int levels, bool relative)
    : fileName(relative && (name.empty() || name[0] != ':') ? environmentFolder + name : name), size(size),
      levels(levels),
      map(new TextureCubeArray(size, levels + 1, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_LINEAR)) {}

Environment::~Environment() { delete map; }

bool Environment::build() {
    if (built) return true;
    if (size <= 0 || levels <= 0) return false;
    WidgetUpdatesOff updatesOff;

    // The image, cut into faces. One that cannot be read builds nothing.
    std::vector<float> values;
    {
        TextureCube source(size, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, GL_CLAMP_TO_EDGE, GL_LINEAR);
        if (!source.load(fileName)) return false;
        std::vector<std::uint8_t> bytes;
        if (!source.readPixels(bytes)) return false;
        const std::size_t channels = source.format == GL_RGBA ? 4 : 3;
        const std::size_t texels = bytes.size() / channels;
        values.resize(texels * 3);
        for (std::size_t t = 0; t < texels; ++t)
            for (std::size_t c = 0; c < 3; ++c) values[3 * t + c] = float(bytes[channels * t + c]);
    }

    const Kernel base = baseKernel(size);
    Kernel faceKernels[6];
    for (int f = 0; f < 6; ++f)
        for (std::size_t k = 0; k < base.size(); ++k) faceKernels[f][k] = turnToFace(f, base[k]);

    TextureCube cubeA(size, GL_RGB32F, GL_RGB, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_LINEAR);
    cubeA.setData(values.data(), std::uint32_t(values.size() * sizeof(float)));
    TextureCube cubeB(size, GL_RGB32F, GL_RGB, GL_FLOAT, GL_CLAMP_TO_EDGE, GL_LINEAR);
    GLuint framebuffer = 0;
    gl->glGenFramebuffers(1, &framebuffer);

    beginProgress("Building environment map", levels - 1);

    TextureCube* source = &cubeA;
    TextureCube* target = &cubeB;
    double reference = 0.0;
    std::vector<std::uint8_t> layer;
    for (int level = 0; level < levels; ++level) {
        if (readFloatFaces(source, values)) {
            const double total = channelSum(values);
            if (level == 0) {
                reference = total;
                const std::vector<float> diffuse = diffuseLight(values, size);
                toLayerBytes(diffuse, channelSum(diffuse), reference, layer);
                map->setLayer(levels, layer);
            }
            toLayerBytes(values, total, reference, layer);
            map->setLayer(level, layer);
        }

        gl->glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glDisable(GL_CULL_FACE);
        gl->glDisable(GL_STENCIL_TEST);
        gl->glViewport(0, 0, size, size);
        if (level + 1 < levels && shaderFilterSkyBox && shaderFilterSkyBox->bind()) {
            setUniformMat4("ProjectionModelViewMatrix", faceProjection);
            const int passes = blurPassCount(level);
            for (int pass = 0; pass < passes; ++pass) {
                gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
                for (int f = 0; f < 6; ++f) {
                    const int boxUnit = source->unit();
                    if (boxUnit < 0) break;
                    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                               GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(f), target->glId(), 0);
                    gl->glDrawBuffer(GL_COLOR_ATTACHMENT0);
                    setUniformInt("box", boxUnit);
                    setUniformMat4("rotation", faceFrames[f]);
                    setUniformVec3Array("samples", faceKernels[f].data(), 7);
                    drawQuad(true);
                }
                source->unbind();
                gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
                std::swap(source, target);
            }
        }
        Shader::unbindCurrent();
        setProgress(level);
    }

    gl->glDeleteFramebuffers(1, &framebuffer);
    built = true;
    return true;
}

} // namespace kal
