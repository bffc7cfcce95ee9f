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
// One fixed light over the shoulder; faces turned away get a third of the reversed light, and
// nothing drops below a fifth.
uniform usampler2D IdMaterial;
uniform sampler2D Color;
uniform sampler2D Normal;
uniform vec3 LightDirection;
smooth in vec2 uv;
layout(location = 0) out vec4 FragColor;
void main()
{
    vec4 colour = texture(Color, uv);
    uint word = texture(IdMaterial, uv).z;
    if (word == 0u) {
        FragColor = colour;
        return;
    }
    vec3 n = texture(Normal, uv).xyz;
    // a pixel without a normal would turn NaN under normalize
    n = dot(n, n) > 1e-20 ? normalize(n) : vec3(0.0, 0.0, 1.0);
    float p = dot(n, LightDirection);
    if (p < 0.0)
        p = -p / 3.0;
    p = mix(p, 1.0, 0.2);
    FragColor = vec4(p * colour.rgb, colour.a);
}
