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
// Wireframe display: object outlines plus the lines between items (triangles, segments). Only
// the side with the smaller item id draws, so a line is one pixel wide.
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
    uvec2 centre = texture(Id, uv).xy;
    bool edge = false;
    for (int i = 0; i < 4; ++i) {
        uvec2 other = texture(Id, neighbour(i)).xy;
        edge = edge || other.x != centre.x || other.y > centre.y;
    }
    FragColor = edge ? vec4(over(T, Contour), T.a) : T;
}
