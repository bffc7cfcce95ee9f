##VERTEX
#version 330 core
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
uniform mat4 rotation;
smooth out vec3 eye;
void main()
{
    vec4 p = vec4(2.0 * Position - vec3(1.0), 1.0);
    eye = (p * rotation).xyz;
    gl_Position = p * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 330 core
// One blur step of a cube-map face: half the texel itself, half the mean of a ring of six
// taps around it. The ring is the face's kernel turned from the face centre onto this
// texel's direction.
uniform samplerCube box;
uniform vec3 samples[7];
smooth in vec3 eye;
layout(location = 0) out vec3 color;
mat3 turning(vec3 from, vec3 to)
{
    vec3 c = cross(from, to);
    float s = length(c);
    float k = dot(from, to);
    if (s < 1e-7) {
        if (k > 0.0)
            return mat3(1.0);
        // opposite directions: half a turn about any axis across `from`
        vec3 side = abs(from.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0);
        vec3 n = normalize(cross(from, side));
        return 2.0 * outerProduct(n, n) - mat3(1.0);
    }
    vec3 n = c / s;
    float l = length(vec2(k, s));
    k /= l;
    s /= l;
    // GLSL matrices are filled column by column
    mat3 K = mat3(0.0, n.z, -n.y, -n.z, 0.0, n.x, n.y, -n.x, 0.0);
    return mat3(1.0) + s * K + (1.0 - k) * (K * K);
}
void main()
{
    vec3 e = normalize(eye);
    mat3 R = turning(samples[0], e);
    vec3 ring = vec3(0.0);
    for (int i = 1; i < 7; ++i)
        ring += texture(box, R * samples[i]).rgb;
    color = 0.5 * texture(box, e).rgb + 0.5 * ring / 6.0;
}
