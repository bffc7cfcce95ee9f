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
// Adds a constant to every channel.
uniform sampler2D Image;
uniform vec4 value;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    FragColor = texture(Image, uv) + value;
}
