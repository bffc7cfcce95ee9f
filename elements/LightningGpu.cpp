// The bolt pass: the shared tube through "Mesh/Lightning", the bolt's noise as uniforms, and the
// noise texture on a unit of its own for the pass.
#include <QOpenGLFunctions_4_0_Core>

#include "elements/Curve.h"
#include "elements/Lightning.h"
#include "elements/Tube.h"
#include "gpu/GLFunctions.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "mesh/MeshGpuArrays.h"

namespace kal {

Tube* boltTube = nullptr;

namespace {

// Whether the bolt pass took the noise texture's unit (and so gives it back).
bool noiseTakenByBolt = false;

} // namespace

Tube* sharedBoltTube() {
    if (!boltTube) {
        // a unit line along X, three points round it: the thinnest tube that still shades
        boltTube = new Tube(Curve::makeLine(100, Recenter::Keep), Curve::makeCircle(3, false));
        boltTube->acquire(1); // held by nobody else: this count keeps its curves
    }
    return boltTube;
}

void deleteBoltTube() {
    if (!boltTube) return;
    boltTube->releaseGpu();
    releaseElement(boltTube);
    boltTube = nullptr;
}

bool Lightning::useShader() {
    if (!shaderLightning->bind()) return false;
    return sharedBoltTube()->bind();
}

void Lightning::endDraw() {
    if (boltTube) boltTube->endDraw();
    // a unit kept past the pass would go to the next texture bound, and the bolt would sample it
    if (noiseTakenByBolt && noiseTexture) noiseTexture->unbind();
    noiseTakenByBolt = false;
}

void Lightning::draw(uint32_t objectId, int32_t itemId, const mat4& model, const pbr& material, bool, float time,
                     bool last) {
    sharedBoltTube()->changeStamp();
    if (!useShader() || boltTube->vertexCount <= 0) return;
    mat4 m = inverseTransform();
    m *= model;
    setSurfaceUniforms(objectId, itemId, m, material);
    const mat4 transform = endsTransform(time);
    gl->glUniformMatrix4fv(uniformLocation("Transform"), 1, GL_FALSE, transform.m);
    if (noiseTexture && !noiseTexture->bound) noiseTakenByBolt = true;
    gl->glUniform1i(uniformLocation("Noise"), noiseTexture ? noiseTexture->unit() : -1);
    gl->glUniform2fv(uniformLocation("Amplitude"), 1, &amplitude.x);
    gl->glUniform2fv(uniformLocation("Scale"), 1, &scale.x);
    gl->glUniform2fv(uniformLocation("Phase"), 1, &phase.x);
    gl->glUniform1f(uniformLocation("Time"), time);
    gl->glUniform1i(uniformLocation("Octaves"), octaves);
    gl->glDrawArrays(GL_TRIANGLES, 0, boltTube->vertexCount);
    if (last) endDraw();
}

} // namespace kal
