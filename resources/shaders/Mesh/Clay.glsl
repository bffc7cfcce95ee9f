##VERTEX
#version 330 core
// Positions only: the clay carries no normals, colours or ids per corner.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
void main()
{
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
uniform uint ObjectId;
uniform uint ItemId;
uniform ivec2 ObjectMaterial;
uniform vec4 ObjectColor;
uniform vec4 ObjectLight;
layout(location = 0) out uvec3 _IdMaterial;
layout(location = 1) out vec4 _Color;
layout(location = 2) out vec4 _Light;
layout(location = 3) out vec3 _Normal;
void main()
{
    // 0 is kept for "no material": both halves are at least 1
    uvec2 m = uvec2(clamp(ObjectMaterial + 32767, 1, 65534));
    _IdMaterial = uvec3(ObjectId, ItemId, (m.y << 16) | m.x);
    _Color = ObjectColor;
    _Light = ObjectLight;
    // no surface normal: the composition shades the clay from its depth
    _Normal = vec3(0.0);
}
