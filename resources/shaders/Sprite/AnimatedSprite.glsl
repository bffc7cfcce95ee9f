##VERTEX
#version 330 core
// The shared unit quad, stretched by the matrix; each corner's position is its texture coordinate.
// "Time" in the fragment stage picks the frame: always the centre of a slice, so frames never mix.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
uniform mat3 NormalMatrix;
flat out vec3 vNormal;
smooth out vec2 vTextureCoordinates;
void main()
{
    vec3 n = vec3(0.0, 0.0, 1.0) * NormalMatrix;
    // a quad flattened edge-on has no normal: zero, never NaN
    vNormal = dot(n, n) < 1e-20 ? vec3(0.0) : normalize(n);
    vTextureCoordinates = Position.xy;
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
uniform uint ObjectId;
uniform uint ItemId;
uniform uint ColorLight;
uniform ivec2 ObjectMaterial;
uniform vec4 ObjectColor;
uniform vec4 ObjectLight;
uniform sampler3D Sprite;
uniform float Time;
flat in vec3 vNormal;
smooth in vec2 vTextureCoordinates;
layout(location = 0) out uvec3 _IdMaterial;
layout(location = 1) out vec4 _Color;
layout(location = 2) out vec4 _Light;
layout(location = 3) out vec3 _Normal;
void main()
{
    vec4 T = texture(Sprite, vec3(vTextureCoordinates, Time));
    // the image's alpha cuts the quad out; nothing is blended
    if (T.a < 0.5) discard;
    vec4 c = ObjectColor * T;
    if (c == vec4(0.0)) discard;
    uvec2 m = uvec2(clamp(ObjectMaterial + 32767, 1, 65534));
    _IdMaterial = uvec3(ObjectId, ItemId, (m.y << 16) | m.x);
    _Color = c;
    _Light = ColorLight != 0u ? ObjectLight : ObjectLight * T;
    _Normal = gl_FrontFacing ? vNormal : -vNormal;
}
