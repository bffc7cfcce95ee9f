##VERTEX
#version 330 core
// One corner per vertex. Matrices arrive row-major and untransposed, so vectors go on the left.
layout(location = 0) in vec3 Position;
layout(location = 1) in vec3 Normal;
layout(location = 2) in vec4 Color;
layout(location = 3) in vec4 Light;
layout(location = 4) in ivec2 Material;
layout(location = 5) in uint id;
uniform mat4 ProjectionModelViewMatrix;
uniform mat3 NormalMatrix;
uniform uint ItemId;
uniform vec4 ObjectColor;
uniform vec4 ObjectLight;
uniform ivec2 ObjectMaterial;
flat out uint item;
smooth out vec2 material;
smooth out vec4 color;
smooth out vec4 light;
smooth out vec3 normal;
void main()
{
    item = ItemId == 0xFFFFFFFFu ? id : ItemId;
    material = vec2(ObjectMaterial + Material);
    color = ObjectColor * Color;
    light = vec4(ObjectLight.rgb + Light.rgb, ObjectLight.a * Light.a);
    vec3 n = Normal * NormalMatrix;
    // a zero corner normal stays zero, and so does one the matrix flattened away
    normal = dot(Normal, Normal) == 0.0 || dot(n, n) < 1e-20 ? vec3(0.0) : normalize(n);
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
uniform uint ObjectId;
flat in uint item;
smooth in vec2 material;
smooth in vec4 color;
smooth in vec4 light;
smooth in vec3 normal;
layout(location = 0) out uvec3 IdMaterial;
layout(location = 1) out vec4 FragColor;
layout(location = 2) out vec4 FragLight;
layout(location = 3) out vec3 FragNormal;
void main()
{
    // 0 is kept for "no material": both halves are at least 1
    uint roughness = uint(clamp(int(round(material.x)) + 32767, 1, 65534));
    uint metalness = uint(clamp(int(round(material.y)) + 32767, 1, 65534));
    IdMaterial = uvec3(ObjectId, item, (metalness << 16) | roughness);
    FragColor = color;
    FragLight = light;
    FragNormal = gl_FrontFacing ? normal : -normal;
}
