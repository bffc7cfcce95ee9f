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
// Copies the image upside down: the top row lands at the bottom.
uniform sampler2D Image;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    FragColor = texture(Image, vec2(uv.x, 1.0 - uv.y));
}
