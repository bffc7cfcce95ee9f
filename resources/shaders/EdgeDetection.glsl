##VERTEX
#version 330 core
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
smooth out vec2 uv;
void main()
{
    uv = Position.xy;
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
// Contours where the normal turns sharply or the depth jumps between a pixel and its right and
// upper neighbours.
uniform sampler2D Depth;
uniform sampler2D Normal;
uniform sampler2D Color;
uniform float dz;
uniform float w;
uniform float h;
uniform vec4 Contour;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
vec3 unitNormal(vec2 at)
{
    vec3 n = texture(Normal, at).xyz;
    return dot(n, n) > 1e-20 ? normalize(n) : vec3(0.0);
}
void main()
{
    vec4 colour = texture(Color, uv);
    vec3 na = unitNormal(uv);
    vec3 nb = unitNormal(uv + vec2(w, 0.0));
    vec3 nc = unitNormal(uv + vec2(0.0, h));
    vec3 d = max(abs(nb - na), abs(nc - na));
    float contour = 1.0 - smoothstep(0.0, 0.3, dot(d, d));
    float da = texture(Depth, uv).r;
    float db = texture(Depth, uv + vec2(w, 0.0)).r;
    float dc = texture(Depth, uv + vec2(0.0, h)).r;
    float e = max(abs(db - da), abs(dc - da));
    contour *= 1.0 - smoothstep(15.0 * dz, 20.0 * dz, e);
    vec4 c0 = mix(colour, Contour, Contour.a);
    FragColor = vec4(mix(c0, colour, contour).rgb, colour.a);
}
