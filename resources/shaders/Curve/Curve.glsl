##VERTEX
#version 330 core
// Flat lines (curves, marked mesh edges): one colour, and a material word of 0 so that the
// lighting pass leaves them unlit.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
void main()
{
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
uniform vec4 Color;
layout(location = 0) out uvec3 _IdMaterial;
layout(location = 1) out vec4 _Color;
void main()
{
    _IdMaterial = uvec3(0u, 0u, 0u);
    _Color = Color;
}
