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
// Wireframe and selection together: object outlines win over the lines between items.
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
    uvec2 centre = texture(Id, uv).xy;
    bool objectEdge = false;
    bool partEdge = false;
    bool near = selected(centre.x);
    if (near)
        T = vec4(over(T, SelectionColor), T.a);
    for (int i = 0; i < 4; ++i) {
        uvec2 other = texture(Id, neighbour(i)).xy;
        objectEdge = objectEdge || other.x != centre.x;
        partEdge = partEdge || other.y > centre.y;
        near = near || selected(other.x);
    }
    vec4 c = near ? SelectionContour : Contour;
    FragColor = objectEdge ? vec4(over(T, c), 1.0) : partEdge ? vec4(over(T, c), T.a) : T;
}
