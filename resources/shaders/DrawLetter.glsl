##VERTEX
#version 330 core
// One character cell of the bitmap font: the unit quad scaled to a glyph and moved to the pen,
// both in units of the view, and the matching cell of the atlas.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
uniform vec2 offset;
uniform vec2 scale;
uniform vec2 texoffset;
uniform vec2 texscale;
smooth out vec2 uv;
void main()
{
    uv = texoffset + Position.xy * texscale;
    gl_Position = vec4(offset + Position.xy * scale, Position.z, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
// Ink is wherever the atlas is not black; the rest of the cell stays untouched.
uniform sampler2D Image;
uniform vec4 color;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    if (texture(Image, uv).r == 0.0)
        discard;
    FragColor = color;
}
