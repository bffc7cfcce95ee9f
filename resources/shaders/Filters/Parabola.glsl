##VERTEX
#version 330 core
// A square of the grid around one cell, placed by Transform and mapped onto the grid by
// ProjectionModelViewMatrix; xy is the grid position of the fragment.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
uniform mat4 Transform;
smooth out vec2 xy;
void main()
{
    vec4 p = vec4(Position, 1.0) * Transform;
    xy = p.xy;
    gl_Position = p * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
// Squared distance to the nearest outline cell seen so far.
uniform sampler2D OldDepth;
uniform vec2 Center;
uniform vec2 WH;
smooth in vec2 xy;
layout(location = 0) out float Depth;
void main()
{
    float d = texture(OldDepth, xy * WH).r;
    vec2 v = xy - Center;
    Depth = min(dot(v, v), d);
}
