#pragma once
// The 48 programs the program draws with, created before start-up and never destroyed.
// Each entry is named by its resource path below ":/shaders/" without extension
// ("Mesh/Clay"); creating them makes no GL call, each compiles on its first bind.
// Drawing code refers to the entry it needs directly; the global is "shader" followed
// by the file name, except the curve folder's generic Draw and Color.

namespace kal {

class Shader;

extern Shader* shaderSkyBox;                //  0 SkyBox
extern Shader* shaderFilterSkyBox;          //  1 FilterSkyBox
extern Shader* shaderDrawLetter;            //  2 DrawLetter
extern Shader* shaderCurveColor;            //  3 Curve/Color
extern Shader* shaderCurveDraw;             //  4 Curve/Draw
extern Shader* shaderFilterAdd;             //  5 Filters/FilterAdd
extern Shader* shaderFilterAdd2;            //  6 Filters/FilterAdd2
extern Shader* shaderFilterAdd3;            //  7 Filters/FilterAdd3
extern Shader* shaderFilterAdd2MipMaps;     //  8 Filters/FilterAdd2MipMaps
extern Shader* shaderFilterAddMipMaps;      //  9 Filters/FilterAddMipMaps
extern Shader* shaderFilterThreshold;       // 10 Filters/FilterThreshold
extern Shader* shaderFilterChroma;          // 11 Filters/FilterChroma
extern Shader* shaderFilterBlur;            // 12 Filters/FilterBlur
extern Shader* shaderFilterBlurFloat;       // 13 Filters/FilterBlurFloat
extern Shader* shaderFilterBlurVec3;        // 14 Filters/FilterBlurVec3
extern Shader* shaderParabola;              // 15 Filters/Parabola
extern Shader* shaderSphere;                // 16 Filters/Sphere
extern Shader* shaderChamfer;               // 17 Filters/Chamfer
extern Shader* shaderContour;               // 18 Filters/Contour
extern Shader* shaderContourMix;            // 19 Filters/ContourMix
extern Shader* shaderContourParts;          // 20 Filters/ContourParts
extern Shader* shaderContourSelectionParts; // 21 Filters/ContourSelectionParts
extern Shader* shaderContourSelection;      // 22 Filters/ContourSelection
extern Shader* shaderContourSelectionMix;   // 23 Filters/ContourSelectionMix
extern Shader* shaderNormalsOrthogonal;     // 24 NormalsOrthogonal
extern Shader* shaderNormalsPerspective;    // 25 NormalsPerspective
extern Shader* shaderLayerComposit;         // 26 LayerComposit
extern Shader* shaderLayerCompositSimple;   // 27 LayerCompositSimple
extern Shader* shaderMixRefract;            // 28 MixRefract
extern Shader* shaderMixRefractGlow;        // 29 MixRefractGlow
extern Shader* shaderMixRefractChroma;      // 30 MixRefractChroma
extern Shader* shaderMixRefractGlowChroma;  // 31 MixRefractGlowChroma
extern Shader* shaderMirrorVertical;        // 32 MirrorVertical
extern Shader* shaderFogOrthogonal;         // 33 FogOrthogonal
extern Shader* shaderEdgeDetection;         // 34 EdgeDetection
extern Shader* shaderMesh;                  // 35 Mesh/Mesh
extern Shader* shaderMeshColor;             // 36 Mesh/MeshColor
extern Shader* shaderLightning;             // 37 Mesh/Lightning
extern Shader* shaderSprite;                // 38 Sprite/Sprite
extern Shader* shaderAnimatedSprite;        // 39 Sprite/AnimatedSprite
extern Shader* shaderCurve;                 // 40 Curve/Curve
extern Shader* shaderClay;                  // 41 Mesh/Clay
extern Shader* shaderClayDeform;            // 42 Mesh/ClayDeform
extern Shader* shaderClayDeformVolume;      // 43 Mesh/ClayDeformVolume
extern Shader* shaderClayPinch;             // 44 Mesh/ClayPinch
extern Shader* shaderClayTwist;             // 45 Mesh/ClayTwist
extern Shader* shaderClaySubPlane;          // 46 Mesh/ClaySubPlane
extern Shader* shaderClayFlatten;           // 47 Mesh/ClayFlatten

constexpr int shaderTableSize = 48;

// The entry at a table index (0..47, creation order), null outside; for code that
// must visit every entry.
Shader* shaderTableEntry(int index);

} // namespace kal
