##VERTEX
#version 330 core
// Overlay markers: the unit quad's edge, the unit circle or a filled square, placed by
// the caller's matrix and drawn in one flat colour.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
void main()
{
    gl_Position = vec4(Position, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
uniform vec4 color;
layout(location = 0) out vec4 FragColor;
void main()
{
    FragColor = color;
}
