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
// Object outlines with the selection tinted and outlined in its own colour.
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
uniform vec4 SelectionColor;
uniform vec4 SelectionContour;
// the top bit of an object id marks a selected tool
bool selected(uint object)
{
    return (object & 0x80000000u) != 0u;
}
void main()
{
    vec4 T = texture(Input, uv);
    uint object = texture(Id, uv).x;
    bool edge = false;
    bool near = selected(object);
    if (near)
        T = vec4(over(T, SelectionColor), T.a);
    for (int i = 0; i < 4; ++i) {
        uint other = texture(Id, neighbour(i)).x;
        edge = edge || (other != object && texture(Input, neighbour(i)).a != 0.0);
        near = near || selected(other);
    }
    vec4 c = near ? SelectionContour : Contour;
    FragColor = T.a != 0.0 && edge ? vec4(over(T, c), 1.0) : T;
}
