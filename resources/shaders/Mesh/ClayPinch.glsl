##VERTEX
#version 330 core
// Pulls positions towards each centre (a negative intensity pushes them away).
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform float intensity;
uniform float radius2;
out vec3 position1;
float falloff(float r) { return r * (2.0 * sqrt(r) - 3.0) + 1.0; }
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 d = center[i] - position0;
        float r = dot(d, d) / radius2;
        if (r < 1.0) sum += intensity * falloff(r) * d;
    }
    position1 = position0 + sum;
}
