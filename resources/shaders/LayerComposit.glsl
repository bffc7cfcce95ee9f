##VERTEX
#version 400 core
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
smooth out vec2 uv;
void main()
{
    uv = Position.xy;
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 400 core
// Image-based light: layers 0..levels-1 of the sky hold the environment blurred more and more,
// for rougher and rougher reflections; layer `levels` is read as the diffuse light (the lookup
// clamps to the last layer).
uniform samplerCubeArray sky;
uniform int levels;
uniform mat3 rotation;
uniform usampler2D IdMaterial;
uniform sampler2D Color;
uniform sampler2D Normal;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
vec3 skyAt(vec3 direction, float layer)
{
    return texture(sky, vec4(direction, layer)).rgb;
}
void main()
{
    vec4 colour = texture(Color, uv);
    uint word = texture(IdMaterial, uv).z;
    if (word == 0u) {
        FragColor = colour;
        return;
    }
    float r = float(word & 0xFFFFu) / 65534.0;
    float t = float(word >> 16) / 65534.0;
    vec3 N = texture(Normal, uv).xyz;
    N = dot(N, N) > 1e-20 ? normalize(N) : vec3(0.0, 0.0, 1.0);
    vec3 m = reflect(vec3(0.0, 0.0, -1.0), N) * rotation;
    vec3 n = N * rotation;
    vec3 direction = mix(m, n, r);
    float level = r * float(levels);
    float low = floor(level);
    vec3 mirror = mix(skyAt(direction, low), skyAt(direction, low + 1.0), level - low);
    vec3 diffuse = skyAt(n, float(levels));
    vec3 metal = colour.rgb * mirror;
    vec3 plastic = colour.rgb * diffuse + pow(mirror, vec3(10.0 - 5.0 * r));
    FragColor = vec4(mix(plastic, metal, t), colour.a);
}
