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
// The sum of three images.
uniform sampler2D Image0;
uniform sampler2D Image1;
uniform sampler2D Image2;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    FragColor = texture(Image0, uv) + texture(Image1, uv) + texture(Image2, uv);
}
