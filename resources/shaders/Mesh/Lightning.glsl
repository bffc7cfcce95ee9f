##VERTEX
#version 330 core
// The mesh program for the shared bolt tube: every ring of the tube (a point along X) moves by the
// same octaves of noise, so the bolt keeps its thin section while its centre line flickers; the
// Transform pins the displaced ends of the centre line to (0,0,0) and (0,0,1).
layout(location = 0) in vec3 Position;
layout(location = 1) in vec3 Normal;
layout(location = 2) in vec4 Color;
layout(location = 3) in vec4 Light;
layout(location = 4) in ivec2 Material;
layout(location = 5) in uint id;
uniform mat4 ProjectionModelViewMatrix;
uniform mat3 NormalMatrix;
uniform mat4 Transform;
uniform uint ItemId;
uniform vec4 ObjectColor;
uniform vec4 ObjectLight;
uniform ivec2 ObjectMaterial;
uniform sampler2D Noise;
uniform vec2 Amplitude;
uniform vec2 Scale;
uniform vec2 Phase;
uniform float Time;
uniform int Octaves;
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
    normal = dot(Normal, Normal) == 0.0 || dot(n, n) < 1e-20 ? vec3(0.0) : normalize(n);
    vec3 p = vec3(Position.x, Position.yz * Amplitude.y);
    vec2 q = Scale * vec2(Position.x, Time) + Phase;
    vec3 delta = vec3(0.0);
    float s = 1.0;
    for (int i = 0; i < Octaves; ++i) {
        delta += s * texture(Noise, q / s).xyz;
        s *= 0.5;
    }
    gl_Position = vec4(p + Amplitude.x * delta, 1.0) * Transform * ProjectionModelViewMatrix;
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
