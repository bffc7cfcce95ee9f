// Composing one scene layer inside its render target: lighting, optional edge contours, then
// object, part and selection outlines, each a full-screen pass from one colour texture into the
// other.
#include <QOpenGLFunctions_4_0_Core>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Log.h"
#include "gpu/Environment.h"
#include "gpu/FBOScene.h"
#include "gpu/GLFunctions.h"
#include "gpu/GeometryBuffers.h"
#include "gpu/Shader.h"
#include "gpu/ShaderTable.h"
#include "gpu/Texture2D.h"
#include "gpu/TextureArrays.h"
#include "viewport/GLView.h"

namespace kal {

namespace {

void unbindAll(std::vector<GLAtom*>& bound) {
    for (auto it = bound.rbegin(); it != bound.rend(); ++it) (*it)->unbind();
    bound.clear();
}

// Binds the objects in order, absent ones skipped. A failure releases what was bound, in
// reverse, and reports the pass.
bool bindPass(std::initializer_list<GLAtom*> objects, std::vector<GLAtom*>& bound, int pass) {
    for (GLAtom* object : objects) {
        if (!object) continue;
        if (!object->bind()) {
            unbindAll(bound);
            qCWarning(logGpu, "ERROR GLView::compositLayer %d", pass);
            return false;
        }
        bound.push_back(object);
    }
    return true;
}

void setUnit(const char* name, const Texture* texture) { gl->glUniform1i(uniformLocation(name), texture->unitIndex); }

void setColour(const char* name, const wvec4& c) {
    const float v[4] = {c.r / 65535.0f, c.g / 65535.0f, c.b / 65535.0f, c.a / 65535.0f};
    gl->glUniform4fv(uniformLocation(name), 1, v);
}

void drawPass(std::vector<GLAtom*>& bound) {
    gl->glUniformMatrix4fv(uniformLocation("ProjectionModelViewMatrix"), 1, GL_FALSE, screenQuadMatrix.m);
    drawQuadStrip(true);
    unbindAll(bound);
}

Shader* outlineShader(int displayState, bool opaque) {
    switch (displayState) {
    case 1: return shaderContourParts;
    case 2: return shaderContourSelection;
    case 3: return opaque ? shaderContourSelectionParts : shaderContourParts;
    default: return shaderContour;
    }
}

} // namespace

bool GLView::compositLayer(FBOScene* target) {
    if (!target || !glReady()) return false;
    gl->glDisable(GL_DEPTH_TEST);
    target->currentColor = target->colorTexture;
    target->spareColor = target->colorTexture2;
    gl->glDrawBuffer(GLenum(target->spareColor->attachment));
    std::vector<GLAtom*> bound;

    // Pass 1: light from the environment, or from one fixed direction until there is one.
    const bool environmentLight =
        !renderSimple && environment && environment->built && environment->map && shaderLayerComposit;
    TextureCubeArray* sky = environmentLight ? environment->map : nullptr;
    Shader* lighting = environmentLight ? shaderLayerComposit : shaderLayerCompositSimple;
    if (!bindPass({lighting, sky, target->idTexture, target->colorTexture, target->normalTexture}, bound, 1))
        return false;
    if (environmentLight) {
        setUnit("sky", sky);
        gl->glUniform1i(uniformLocation("levels"), environment->levels);
        mat3 rotation = environmentRotation;
        if (rotateEnvironment) rotation *= camera.rotation;
        gl->glUniformMatrix3fv(uniformLocation("rotation"), 1, GL_TRUE, rotation.m);
    } else {
        const float light[3] = {-0.40824828f, -0.40824828f, 0.81649655f};
        gl->glUniform3fv(uniformLocation("LightDirection"), 1, light);
    }
    setUnit("IdMaterial", target->idTexture);
    setUnit("Color", target->colorTexture);
    setUnit("Normal", target->normalTexture);
    const GLuint reference = target->layer;
    gl->glStencilFunc(GL_EQUAL, GLint(reference), reference);
    gl->glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    gl->glEnable(GL_STENCIL_TEST);
    drawPass(bound);

    // Pass 2: contours where normals turn or depth jumps.
    if (edgeDetection) {
        std::swap(target->currentColor, target->spareColor);
        if (!bindPass({shaderEdgeDetection, target->depthTexture, target->normalTexture, target->currentColor}, bound,
                      2))
            return false;
        gl->glDrawBuffer(GLenum(target->spareColor->attachment));
        setUnit("Depth", target->depthTexture);
        setUnit("Normal", target->normalTexture);
        setUnit("Color", target->currentColor);
        gl->glUniform1f(uniformLocation("dz"), 1.0f / (2.0f * farDistance));
        gl->glUniform1f(uniformLocation("w"), 1.0f / float(width));
        gl->glUniform1f(uniformLocation("h"), 1.0f / float(height));
        setColour("Contour", contourColor);
        drawPass(bound);
    }

    // Pass 3: outlines; the transparent layer gets them only in wireframe display.
    const bool opaque = target == opaqueTarget;
    if (!wireframe && !opaque) return true;
    std::swap(target->currentColor, target->spareColor);
    if (!bindPass({outlineShader(displayState, opaque), target->idTexture, target->currentColor}, bound, 3))
        return false;
    gl->glDrawBuffer(GLenum(target->spareColor->attachment));
    setUnit("Id", target->idTexture);
    setUnit("Input", target->currentColor);
    gl->glUniform1f(uniformLocation("w"), 1.0f / float(width));
    gl->glUniform1f(uniformLocation("h"), 1.0f / float(height));
    setColour("Contour", contourColor);
    if (selectionDisplay) {
        gl->glUniform4f(uniformLocation("SelectionColor"), 1.0f, 0.0f, 0.0f, 0.01f);
        gl->glUniform4f(uniformLocation("SelectionContour"), 1.0f, 0.0f, 0.0f, 1.0f);
    }
    drawPass(bound);
    return true;
}

} // namespace kal
