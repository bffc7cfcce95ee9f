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
// Object outlines: a covered pixel next to another object that is also covered.
uniform usampler2D Id;
uniform sampler2D Input;
uniform float w;
uniform float h;
uniform vec4 Contour;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
const vec2 steps[4] = vec2[4](vec2(-1.0, 0.0), vec2(0.0, -1.0), vec2(1.0, 0.0), vec2(0.0, 1.0));
vec2 neighbour(int i)
{
    return uv + steps[i] * vec2(w, h);
}
vec3 over(vec4 base, vec4 x)
{
    return mix(base.rgb, x.rgb, x.a);
}
void main()
{
    vec4 T = texture(Input, uv);
    uint object = texture(Id, uv).x;
    bool edge = false;
    for (int i = 0; i < 4; ++i)
        edge = edge || (texture(Id, neighbour(i)).x != object && texture(Input, neighbour(i)).a != 0.0);
    FragColor = T.a != 0.0 && edge ? vec4(over(T, Contour), 1.0) : T;
}
