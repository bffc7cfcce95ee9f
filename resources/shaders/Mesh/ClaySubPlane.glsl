##VERTEX
#version 330 core
// Puts every position in front of an instance's plane back onto it, wherever it lies.
layout(location = 0) in vec3 position0;
uniform int count;
uniform vec3 center[20];
uniform vec3 normal[20];
out vec3 position1;
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < count && i < 20; ++i) {
        vec3 m = normal[i];
        float s = dot(position0 - center[i], m);
        if (s > 0.0) sum -= s * m;
    }
    position1 = position0 + sum;
}
