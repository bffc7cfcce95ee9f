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
// One half of a separable blur: five taps along delta weighted 1 4 6 4 1 (sum 16).
// The texture's wrap mode decides what lies beyond the border.
uniform sampler2D Image;
uniform vec2 delta;
smooth in vec2 uv;
layout(location = 0) out vec3 FragValue;
void main()
{
    FragValue = (texture(Image, uv - 2.0 * delta).rgb + 4.0 * texture(Image, uv - delta).rgb + 6.0 * texture(Image, uv).rgb
        + 4.0 * texture(Image, uv + delta).rgb + texture(Image, uv + 2.0 * delta).rgb) / 16.0;
}
