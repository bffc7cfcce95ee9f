##VERTEX
#version 330 core
// Moves every position by each instance's displacement, weighted by a smooth falloff.
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform vec3 displacement[20];
uniform float radius;
out vec3 position1;
// 1 at the centre, 0 at the rim, flat at both; r is the squared normalised distance
float falloff(float r) { return r * (2.0 * sqrt(r) - 3.0) + 1.0; }
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 q = (position0 - center[i]) / radius;
        float r = dot(q, q);
        if (r < 1.0) sum += displacement[i] * falloff(r);
    }
    position1 = position0 + sum;
}
