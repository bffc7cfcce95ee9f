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
// Rebuilds the normals of an orthographic layer from its depth. One pixel is one view
// unit across; a depth step of dz is one view unit deep. Of the two one-sided slopes
// the flatter one wins, so a silhouette does not bend the normals along its rim.
// Only pixels the layer left without a normal (zero) are filled in; background pixels
// (depth 1) and drawn normals stay as they are.
uniform sampler2D Depth;
uniform sampler2D Normal;
uniform float dz;
smooth in vec2 uv;
layout(location = 0) out vec3 FragNormal;
float depthAt(ivec2 p)
{
    return texelFetch(Depth, p, 0).r;
}
// Of the forward and backward slopes the flatter one; at the border the one that exists.
float slope(ivec2 p, ivec2 step, float d, bool hasForward, bool hasBackward)
{
    float forward = hasForward ? depthAt(p + step) - d : 0.0;
    float backward = hasBackward ? d - depthAt(p - step) : 0.0;
    if (!hasForward)
        return backward;
    if (!hasBackward)
        return forward;
    return abs(forward) < abs(backward) ? forward : backward;
}
void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    float d = depthAt(p);
    vec3 drawn = texelFetch(Normal, p, 0).xyz;
    if (d >= 1.0 || dot(drawn, drawn) > 0.25) {
        FragNormal = drawn;
        return;
    }
    ivec2 last = textureSize(Depth, 0) - ivec2(1);
    float sx = slope(p, ivec2(1, 0), d, p.x < last.x, p.x > 0);
    float sy = slope(p, ivec2(0, 1), d, p.y < last.y, p.y > 0);
    float unit = max(dz, 1e-20);
    FragNormal = normalize(vec3(sx / unit, sy / unit, 1.0));
}
