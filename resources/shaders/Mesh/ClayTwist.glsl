##VERTEX
#version 330 core
// Turns positions about each instance's axis through its centre; cosA arrives as cos - 1, so
// the term is the rotated offset minus the offset.
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform vec3 axis[20];
uniform float cosA;
uniform float sinA;
uniform float radius2;
out vec3 position1;
float falloff(float r) { return r * (2.0 * sqrt(r) - 3.0) + 1.0; }
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 d = position0 - center[i];
        float r = dot(d, d) / radius2;
        if (r < 1.0) {
            vec3 a = axis[i];
            vec3 x = d - dot(d, a) * a;
            sum += falloff(r) * (x * cosA + cross(a, x) * sinA);
        }
    }
    position1 = position0 + sum;
}
