##VERTEX
#version 400 core
// The environment seen through the camera: each quad corner becomes a view ray.
layout(location = 0) in vec3 Position;
uniform mat4 ProjectionModelViewMatrix;
uniform mat3 Rotation;
uniform float Lens;
smooth out vec3 eye;
void main()
{
    eye = vec3(2.0 * Position.x - 1.0, 2.0 * Position.y - 1.0, -Lens) * Rotation;
    gl_Position = vec4(Position.xy, -1.0, 1.0) * ProjectionModelViewMatrix;
}
##FRAGMENT
#version 400 core
// level: the two cube-array layers to blend and the weight of the second.
uniform samplerCubeArray sky;
uniform vec3 level;
smooth in vec3 eye;
layout(location = 0) out vec4 FragColor;
void main()
{
    vec4 a = texture(sky, vec4(eye, level.x));
    vec4 b = texture(sky, vec4(eye, level.y));
    FragColor = vec4(mix(a.rgb, b.rgb, level.z), 1.0);
}
