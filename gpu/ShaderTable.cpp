#include "gpu/ShaderTable.h"

#include "gpu/Shader.h"

namespace kal {

// Dynamic initialisation runs in definition order, which is the table order.
Shader* shaderSkyBox = new Shader("SkyBox");
Shader* shaderFilterSkyBox = new Shader("FilterSkyBox");
Shader* shaderDrawLetter = new Shader("DrawLetter");
Shader* shaderCurveColor = new Shader("Curve/Color");
Shader* shaderCurveDraw = new Shader("Curve/Draw");
Shader* shaderFilterAdd = new Shader("Filters/FilterAdd");
Shader* shaderFilterAdd2 = new Shader("Filters/FilterAdd2");
Shader* shaderFilterAdd3 = new Shader("Filters/FilterAdd3");
Shader* shaderFilterAdd2MipMaps = new Shader("Filters/FilterAdd2MipMaps");
Shader* shaderFilterAddMipMaps = new Shader("Filters/FilterAddMipMaps");
Shader* shaderFilterThreshold = new Shader("Filters/FilterThreshold");
Shader* shaderFilterChroma = new Shader("Filters/FilterChroma");
Shader* shaderFilterBlur = new Shader("Filters/FilterBlur");
Shader* shaderFilterBlurFloat = new Shader("Filters/FilterBlurFloat");
Shader* shaderFilterBlurVec3 = new Shader("Filters/FilterBlurVec3");
Shader* shaderParabola = new Shader("Filters/Parabola");
Shader* shaderSphere = new Shader("Filters/Sphere");
Shader* shaderChamfer = new Shader("Filters/Chamfer");
Shader* shaderContour = new Shader("Filters/Contour");
Shader* shaderContourMix = new Shader("Filters/ContourMix");
Shader* shaderContourParts = new Shader("Filters/ContourParts");
Shader* shaderContourSelectionParts = new Shader("Filters/ContourSelectionParts");
Shader* shaderContourSelection = new Shader("Filters/ContourSelection");
Shader* shaderContourSelectionMix = new Shader("Filters/ContourSelectionMix");
Shader* shaderNormalsOrthogonal = new Shader("NormalsOrthogonal");
Shader* shaderNormalsPerspective = new Shader("NormalsPerspective");
Shader* shaderLayerComposit = new Shader("LayerComposit");
Shader* shaderLayerCompositSimple = new Shader("LayerCompositSimple");
Shader* shaderMixRefract = new Shader("MixRefract");
Shader* shaderMixRefractGlow = new Shader("MixRefractGlow");
Shader* shaderMixRefractChroma = new Shader("MixRefractChroma");
Shader* shaderMixRefractGlowChroma = new Shader("MixRefractGlowChroma");
Shader* shaderMirrorVertical = new Shader("MirrorVertical");
Shader* shaderFogOrthogonal = new Shader("FogOrthogonal");
Shader* shaderEdgeDetection = new Shader("EdgeDetection");
Shader* shaderMesh = new Shader("Mesh/Mesh");
Shader* shaderMeshColor = new Shader("Mesh/MeshColor");
Shader* shaderLightning = new Shader("Mesh/Lightning");
Shader* shaderSprite = new Shader("Sprite/Sprite");
Shader* shaderAnimatedSprite = new Shader("Sprite/AnimatedSprite");
Shader* shaderCurve = new Shader("Curve/Curve");
Shader* shaderClay = new Shader("Mesh/Clay");
Shader* shaderClayDeform = new Shader("Mesh/ClayDeform");
Shader* shaderClayDeformVolume = new Shader("Mesh/ClayDeformVolume");
Shader* shaderClayPinch = new Shader("Mesh/ClayPinch");
Shader* shaderClayTwist = new Shader("Mesh/ClayTwist");
Shader* shaderClaySubPlane = new Shader("Mesh/ClaySubPlane");
Shader* shaderClayFlatten = new Shader("Mesh/ClayFlatten");

Shader* shaderTableEntry(int index) {
    Shader* const* table[shaderTableSize] = {
        &shaderSkyBox,
        &shaderFilterSkyBox,
        &shaderDrawLetter,
        &shaderCurveColor,
        &shaderCurveDraw,
        &shaderFilterAdd,
        &shaderFilterAdd2,
        &shaderFilterAdd3,
        &shaderFilterAdd2MipMaps,
        &shaderFilterAddMipMaps,
        &shaderFilterThreshold,
        &shaderFilterChroma,
        &shaderFilterBlur,
        &shaderFilterBlurFloat,
        &shaderFilterBlurVec3,
        &shaderParabola,
        &shaderSphere,
        &shaderChamfer,
        &shaderContour,
        &shaderContourMix,
        &shaderContourParts,
        &shaderContourSelectionParts,
        &shaderContourSelection,
        &shaderContourSelectionMix,
        &shaderNormalsOrthogonal,
        &shaderNormalsPerspective,
        &shaderLayerComposit,
        &shaderLayerCompositSimple,
        &shaderMixRefract,
        &shaderMixRefractGlow,
        &shaderMixRefractChroma,
        &shaderMixRefractGlowChroma,
        &shaderMirrorVertical,
        &shaderFogOrthogonal,
        &shaderEdgeDetection,
        &shaderMesh,
        &shaderMeshColor,
        &shaderLightning,
        &shaderSprite,
        &shaderAnimatedSprite,
        &shaderCurve,
        &shaderClay,
        &shaderClayDeform,
        &shaderClayDeformVolume,
        &shaderClayPinch,
        &shaderClayTwist,
        &shaderClaySubPlane,
        &shaderClayFlatten,
    };
    if (index < 0 || index >= shaderTableSize) return nullptr;
    return *table[index];
}

} // namespace kal
