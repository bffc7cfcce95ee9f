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
// Object outlines across both layers: a transparent object outlines against what lies behind it.
uniform usampler2D TransparentId;
uniform usampler2D OpaqueId;
uniform sampler2D Input;
uniform float w;
uniform float h;
uniform vec4 Contour;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
const vec2 steps[4] = vec2[4](vec2(-1.0, 0.0), vec2(0.0, -1.0), vec2(1.0, 0.0), vec2(0.0, 1.0));
// the front-most object id: the transparent layer's where it drew, else the opaque one's
uint idAt(vec2 p)
{
    uint t = texture(TransparentId, p).x;
    return t != 0u ? t : texture(OpaqueId, p).x;
}
void main()
{
    vec4 C = texture(Input, uv);
    uint id = idAt(uv);
    bool edge = false;
    for (int i = 0; i < 4; ++i) {
        vec2 p = uv + steps[i] * vec2(w, h);
        uint other = idAt(p);
        edge = edge || (other != id && texture(Input, p).a != 0.0);
    }
    edge = edge && C.a != 0.0;
    vec4 K = Contour;
    FragColor = edge ? vec4(mix(C.rgb, K.rgb, K.a), 1.0) : C;
}
