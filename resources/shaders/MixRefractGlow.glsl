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
// The refraction mix that also carries the light of both layers into the glow image.
uniform sampler2D OpaqueColor;
uniform sampler2D OpaqueLight;
uniform sampler2D TransparentColor;
uniform sampler2D TransparentLight;
uniform sampler2D TransparentNormal;
uniform vec2 wh;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
layout(location = 1) out vec4 Glow;
vec4 bent(sampler2D image, vec2 N)
{
    return texture(image, uv - N);
}
void main()
{
    vec4 Tc = texture(TransparentColor, uv);
    vec4 Tl = texture(TransparentLight, uv);
    vec2 n = texture(TransparentNormal, uv).xy;
    // faces seen edge-on (long screen normal) bend the most and hide what is behind them
    float f = dot(n, n);
    f = f * f;
    bool surface = Tc.a != 0.0;
    vec2 N = surface ? Tl.a * f * wh * n : vec2(0.0);
    float opacity = surface ? mix(Tc.a, 1.0, f * f) : 0.0;
    vec4 O = bent(OpaqueColor, N);
    FragColor = vec4(mix(O.rgb, Tc.rgb, opacity), opacity);
    Glow = bent(OpaqueLight, N) * (1.0 - opacity) + Tl;
}
