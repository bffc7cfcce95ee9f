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
// The sum of the first Levels mip levels of an image at this pixel: a cheap wide glow.
uniform sampler2D Image;
uniform int Levels;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    vec4 sum = vec4(0.0);
    for (int i = 0; i < Levels; ++i)
        sum += textureLod(Image, uv, float(i));
    FragColor = sum;
}
