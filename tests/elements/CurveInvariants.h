#pragma once
// Checks a curve's network: links that agree both ways, at most two segments a point, alive
// segments on alive points; with `oriented`, what a successful rebuild promises on top.
#include <string>

namespace kal {
class Curve;
}

// Empty when every invariant holds, else a description of the first fault.
std::string curveFault(const kal::Curve& c, bool oriented);
