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
// Rebuilds the normals of a perspective layer from its depth. The window depth d gives
// the eye distance w = B / (A - (2d - 1)) with A = (far + near) / (far - near) and
// B = 2 near far / (far - near); a pixel at distance w spans 2 w delta across. Of the
// two one-sided slopes the flatter one wins, so silhouettes stay clean. Only pixels
// the layer left without a normal (zero) are filled in; background pixels (depth 1)
// and drawn normals stay as they are.
uniform sampler2D Depth;
uniform sampler2D Normal;
uniform vec2 delta;
uniform float A;
uniform float B;
smooth in vec2 uv;
layout(location = 0) out vec3 FragNormal;
float distanceAt(vec2 at)
{
    float ndc = 2.0 * texture(Depth, clamp(at, vec2(0.0), vec2(1.0))).r - 1.0;
    // a far plane at infinity or a bad pair of constants must not divide by zero
    return B / max(A - ndc, 1e-7);
}
// Of the forward and backward slopes the flatter one; at the border the one that exists.
float slope(vec2 at, vec2 step, float w)
{
    bool hasForward = all(lessThanEqual(at + step, vec2(1.0)));
    bool hasBackward = all(greaterThanEqual(at - step, vec2(0.0)));
    float forward = distanceAt(at + step) - w;
    float backward = w - distanceAt(at - step);
    if (!hasForward)
        return backward;
    if (!hasBackward)
        return forward;
    return abs(forward) < abs(backward) ? forward : backward;
}
void main()
{
    float d = texture(Depth, uv).r;
    vec3 drawn = texture(Normal, uv).xyz;
    if (d >= 1.0 || dot(drawn, drawn) > 0.25) {
        FragNormal = drawn;
        return;
    }
    float w = distanceAt(uv);
    float sx = slope(uv, vec2(delta.x, 0.0), w);
    float sy = slope(uv, vec2(0.0, delta.y), w);
    float span = max(2.0 * w * delta.x, 1e-20);
    FragNormal = normalize(vec3(sx / span, sy / span, 1.0));
}
