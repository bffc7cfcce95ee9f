##VERTEX
#version 330 core
// Pushes positions in front of each instance's plane back towards it: fully inside 0.7 of the
// radius, fading to nothing at the rim.
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform vec3 normal[20];
uniform float intensity;
uniform float radius2;
out vec3 position1;
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 d = position0 - center[i];
        float r = dot(d, d) / radius2;
        if (r < 1.0) {
            float t = sqrt(r);
            vec3 m = normal[i];
            float h = dot(d, m);
            if (h > 0.0) {
                if (t < 0.7) {
                    sum -= intensity * h * m;
                } else {
                    float u = (t - 0.7) / 0.3;
                    float w = u * u * (2.0 * u - 3.0) + 1.0;
                    sum -= intensity * w * h * m;
                }
            }
        }
    }
    position1 = position0 + sum;
}
