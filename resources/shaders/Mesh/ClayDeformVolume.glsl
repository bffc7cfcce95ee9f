##VERTEX
#version 330 core
// Drags positions along each instance's frame direction (its third column) while turning the
// ring round it, so the volume under the brush moves as one piece.
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform mat3 frame[20];
uniform float weight;
uniform float radius2;
out vec3 position1;
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 x = position0 - center[i];
        float t2 = dot(x, x) / radius2;
        if (t2 < 1.0) {
            float t = sqrt(t2);
            float alpha = 1.0 - t2 * t * (4.0 - 3.0 * t);
            float beta = 12.0 * (t - t2) / radius2;
            vec3 f0 = frame[i][0];
            vec3 f1 = frame[i][1];
            vec3 f2 = frame[i][2];
            sum += alpha * (alpha * f2 + beta * (dot(x, f1) * cross(x, f0) - dot(x, f0) * cross(x, f1)));
        }
    }
    position1 = position0 + weight * sum;
}
