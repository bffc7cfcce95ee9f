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
// Depth fog of an orthographic layer: nothing before `near`, full fog colour (times its
// alpha) from near + range on, linear in between. The colour's alpha is kept.
uniform sampler2D Depth;
uniform sampler2D Color;
uniform vec4 Fog;
uniform float near;
uniform float range;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    vec4 c = texture(Color, uv);
    float d = texture(Depth, uv).r;
    // an empty range is a hard step, not a division by zero
    float t = range > 0.0 ? clamp((d - near) / range, 0.0, 1.0) : step(near, d);
    FragColor = vec4(mix(c.rgb, Fog.rgb, t * Fog.a), c.a);
}
