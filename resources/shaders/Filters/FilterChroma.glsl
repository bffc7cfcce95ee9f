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
// Colour fringes: the image read here and once more at center + (uv - center) x scale,
// mixed channel by channel with chroma as the factors.
uniform sampler2D Image;
uniform vec2 center;
uniform float scale;
uniform vec4 chroma;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    vec4 here = texture(Image, uv);
    vec4 there = texture(Image, center + (uv - center) * scale);
    FragColor = mix(here, there, chroma);
}
