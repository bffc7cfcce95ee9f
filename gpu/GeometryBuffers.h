#pragma once
// The two process-wide vertex buffers behind every full-screen pass and overlay marker:
// the unit quad (a triangle strip from (0,0,0) to (1,1,0); its first two vertices are
// the unit segment along x) and the unit circle (a line loop of circleSegmentCount
// vertices round the origin in z = 0). Both feed attribute 0 with three floats per
// vertex. The vertex array object created with the quad is the only one we have:
// every other draw sets its attribute pointers into it.
#include "foundation/Mat.h"

#include <vector>

namespace kal {

extern unsigned sharedVertexArray; // created with the quad buffer, left bound
extern unsigned quadBuffer;
extern bool quadBound; // the quad buffer feeds attribute 0
extern unsigned circleBuffer;
extern bool circleBound;       // the circle buffer feeds attribute 0
extern int circleSegmentCount; // 36

// Maps the unit quad onto the whole viewport at depth -1; every full-screen pass uses
// it as its "ProjectionModelViewMatrix".
extern const mat4 screenQuadMatrix;

// The circle's vertices, xyz per vertex: (cos a, sin a, 0) with a = i 2pi / count
// rounded to a float first. Empty for a count of 0 or less.
std::vector<float> circleVertices(int count);

// Whoever points attribute 0 at another buffer calls this: the quad and circle point it again.
void attributeZeroTaken();
// Points attribute 0 at buffer (three floats a vertex), through the counted binds.
void feedAttributeZero(unsigned buffer);
void stopFeedingAttributeZero();

// Build once; true when built now without a GL error or built before. A failed build
// is retried by the next call.
bool createQuadBuffer();
// Creates the quad if needed and, unless already bound, binds it to attribute 0.
bool bindQuadBuffer();
void unbindQuadBuffer();
// Draws the quad as a triangle strip; unbind false keeps it bound for a run of quads.
bool drawQuadStrip(bool unbind);
// Deletes the quad buffer and leaves no vertex array bound; a later create rebuilds.
void releaseQuadBuffer();

bool createCircleBuffer();
bool bindCircleBuffer();
void unbindCircleBuffer();
// Draws the circle as a line loop.
bool drawCircle(bool unbind);
void releaseCircleBuffer();

} // namespace kal
