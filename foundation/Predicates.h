#pragma once
// Exact-sign geometric predicates and the small tests built on them.
//
// The four predicates evaluate their determinant in plain doubles first and only
// fall back to exact expansion arithmetic (fixed-size stack arrays, no heap) when
// the result lies within a proven error bound of zero, so the sign is always right.
// Each value approximates the determinant; only its sign is exact.
#include "foundation/Vec.h"

#include <cstdint>

namespace kal {

// Writes the machine constants the predicates rely on. Start-up calls it first; the
// predicates library also runs it once during static initialisation, so a test or
// tool that forgets the call still gets sound answers.
void initPredicates();

// Class codes of the class-returning tests.
enum : uint8_t { kClassNegative = 0, kClassZero = 1, kClassPositive = 2 };

double orientation2(dvec2 a, dvec2 b, dvec2 c);       // > 0 when a, b, c run counter-clockwise
uint8_t orientationClass2(dvec2 a, dvec2 b, dvec2 c); // the value rounded to float, then classed
bool pointInTriangle(dvec2 p, dvec2 a, dvec2 b, dvec2 c);
bool pointInTriangleNoBox(dvec2 p, dvec2 a, dvec2 b, dvec2 c);
bool segmentsCross2(dvec2 a0, dvec2 a1, dvec2 b0, dvec2 b1);
double incircleValue(dvec2 a, dvec2 b, dvec2 c, dvec2 d);
uint8_t circleClass(dvec2 p, dvec2 centre, double radius); // 0 inside, 1 on, 2 outside

double orientation3(dvec3 a, dvec3 b, dvec3 c, dvec3 d);
uint8_t orientationClass3(dvec3 a, dvec3 b, dvec3 c, dvec3 d);
double insphereValue(dvec3 a, dvec3 b, dvec3 c, dvec3 d, dvec3 e);
uint8_t sphereClass(dvec3 p, dvec3 centre, double radius); // 0 inside, 1 on, 2 outside

// Segment pq against triangle abc; writes the crossing point to out only on success.
bool segmentTriangleIntersection(dvec3 a, dvec3 b, dvec3 c, dvec3 p, dvec3 q, dvec3* out);
// Point where the line through a and b meets the plane (point, normal). A segment parallel
// to the plane has no such point: the answer is then a, never a non-finite value.
dvec3 segmentPlaneIntersection(dvec3 point, dvec3 normal, dvec3 a, dvec3 b);

// The underlying routines, under their customary names. Points are arrays of two or three
// doubles, x first. Expansions are arrays of non-overlapping components in increasing
// magnitude; every routine returns the length it wrote.
void exactinit();
double orient2d(const double* pa, const double* pb, const double* pc);
double orient3d(const double* pa, const double* pb, const double* pc, const double* pd);
double incircle(const double* pa, const double* pb, const double* pc, const double* pd);
double insphere(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe);
double orient2dadapt(const double* pa, const double* pb, const double* pc, double detsum);
double orient3dadapt(const double* pa, const double* pb, const double* pc, const double* pd, double permanent);
double incircleadapt(const double* pa, const double* pb, const double* pc, const double* pd, double permanent);
double insphereadapt(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe,
                     double permanent);
double insphereexact(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe);

int grow_expansion(int elen, const double* e, double b, double* h);
int grow_expansion_zeroelim(int elen, const double* e, double b, double* h);
int expansion_sum(int elen, const double* e, int flen, const double* f, double* h);
int expansion_sum_zeroelim1(int elen, const double* e, int flen, const double* f, double* h);
int expansion_sum_zeroelim2(int elen, const double* e, int flen, const double* f, double* h);
int fast_expansion_sum(int elen, const double* e, int flen, const double* f, double* h);
int fast_expansion_sum_zeroelim(int elen, const double* e, int flen, const double* f, double* h);
int linear_expansion_sum(int elen, const double* e, int flen, const double* f, double* h);
int linear_expansion_sum_zeroelim(int elen, const double* e, int flen, const double* f, double* h);
int scale_expansion(int elen, const double* e, double b, double* h);
int scale_expansion_zeroelim(int elen, const double* e, double b, double* h);
int compress(int elen, const double* e, double* h);
double estimate(int elen, const double* e);

// Random test values drawn from std::rand(), kept for experiments with the predicates.
double doublerand();
double narrowdoublerand();
double uniformdoublerand();
float floatrand();
float narrowfloatrand();
float uniformfloatrand();

} // namespace kal
