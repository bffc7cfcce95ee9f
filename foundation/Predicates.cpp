#include "foundation/Predicates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

// This file must be compiled without fast-math and without FMA contraction (see
// foundation/CMakeLists.txt): the error-free transformations below recover the exact
// rounding error of each sum and product, and a fused or reassociated operation
// would silently destroy that error term and with it the exactness of every sign.

namespace kal {

namespace {

double epsilon;
double splitter;
double resulterrbound;
double ccwerrboundA, ccwerrboundB, ccwerrboundC;
double o3derrboundA, o3derrboundB, o3derrboundC;
double iccerrboundA, iccerrboundB, iccerrboundC;
double isperrboundA, isperrboundB, isperrboundC;

// --- error-free transformations --------------------------------------------------

// x + y == a + b exactly, valid when |a| >= |b|.
inline void fastTwoSum(double a, double b, double& x, double& y) {
    x = a + b;
    double bvirt = x - a;
    y = b - bvirt;
}

inline void twoSum(double a, double b, double& x, double& y) {
    x = a + b;
    double bvirt = x - a;
    double avirt = x - bvirt;
    double bround = b - bvirt;
    double around = a - avirt;
    y = around + bround;
}

inline void twoDiffTail(double a, double b, double x, double& y) {
    double bvirt = a - x;
    double avirt = x + bvirt;
    double bround = bvirt - b;
    double around = a - avirt;
    y = around + bround;
}

inline void twoDiff(double a, double b, double& x, double& y) {
    x = a - b;
    twoDiffTail(a, b, x, y);
}

inline void split(double a, double& hi, double& lo) {
    double c = splitter * a;
    double abig = c - a;
    hi = c - abig;
    lo = a - hi;
}

inline void twoProductPresplit(double a, double b, double bhi, double blo, double& x, double& y) {
    x = a * b;
    double ahi, alo;
    split(a, ahi, alo);
    double err1 = x - (ahi * bhi);
    double err2 = err1 - (alo * bhi);
    double err3 = err2 - (ahi * blo);
    y = (alo * blo) - err3;
}

inline void twoProduct(double a, double b, double& x, double& y) {
    double bhi, blo;
    split(b, bhi, blo);
    twoProductPresplit(a, b, bhi, blo, x, y);
}

// (a1 + a0) - b as three components x[2] > x[1] > x[0].
inline void twoOneDiff(double a1, double a0, double b, double& x2, double& x1, double& x0) {
    double i;
    twoDiff(a0, b, i, x0);
    twoSum(a1, i, x2, x1);
}

// (a1 + a0) - (b1 + b0) as a four-component expansion, smallest first.
inline void twoTwoDiff(double a1, double a0, double b1, double b0, double x[4]) {
    double j, z;
    twoOneDiff(a1, a0, b0, j, z, x[0]);
    twoOneDiff(j, z, b1, x[3], x[2], x[1]);
}

// (a1 + a0) * b as a four-component expansion, smallest first.
inline void twoOneProduct(double a1, double a0, double b, double x[4]) {
    double bhi, blo, i, j, z, k;
    split(b, bhi, blo);
    twoProductPresplit(a0, b, bhi, blo, i, x[0]);
    twoProductPresplit(a1, b, bhi, blo, j, z);
    twoSum(i, z, k, x[1]);
    fastTwoSum(j, k, x[3], x[2]);
}

// a * b - c * d exactly, four components.
inline void crossDifference(double a, double b, double c, double d, double x[4]) {
    double p1, p0, q1, q0;
    twoProduct(a, b, p1, p0);
    twoProduct(c, d, q1, q0);
    twoTwoDiff(p1, p0, q1, q0, x);
}

inline bool beyond(double det, double errbound) { return det >= errbound || -det >= errbound; }

inline void negate(int len, double* e) {
    for (int i = 0; i < len; ++i) e[i] = -e[i];
}

// Adds the expansion e to the running sum held in *sum (length *len), swapping buffers.
inline void accumulate(double*& sum, double*& spare, int& len, int elen, const double* e) {
    len = fast_expansion_sum_zeroelim(len, sum, elen, e, spare);
    double* t = sum;
    sum = spare;
    spare = t;
}

// --- exact determinants from the input coordinates ----------------------------------
// Used as the last adaptive stage: every input double is exact, so these need no tails.

// x_p * y_q - x_q * y_p.
inline void minorXY(const double* p, const double* q, double out[4]) { crossDifference(p[0], q[1], q[0], p[1], out); }

// |x y 1| of p, q, r: xy(q,r) - xy(p,r) + xy(p,q); at most 12 components.
int minorXY1(const double* p, const double* q, const double* r, double* out) {
    double qr[4], pr[4], pq[4], t[8];
    minorXY(q, r, qr);
    minorXY(p, r, pr);
    minorXY(p, q, pq);
    negate(4, pr);
    int tlen = fast_expansion_sum_zeroelim(4, qr, 4, pr, t);
    return fast_expansion_sum_zeroelim(tlen, t, 4, pq, out);
}

// |x y z| of p, q, r: z_p xy(q,r) - z_q xy(p,r) + z_r xy(p,q); at most 24 components.
int minorXYZ(const double* p, const double* q, const double* r, double* out) {
    double qr[4], pr[4], pq[4], a[8], b[8], c[8], ab[16];
    minorXY(q, r, qr);
    minorXY(p, r, pr);
    minorXY(p, q, pq);
    int alen = scale_expansion_zeroelim(4, qr, p[2], a);
    int blen = scale_expansion_zeroelim(4, pr, -q[2], b);
    int clen = scale_expansion_zeroelim(4, pq, r[2], c);
    int ablen = fast_expansion_sum_zeroelim(alen, a, blen, b, ab);
    return fast_expansion_sum_zeroelim(ablen, ab, clen, c, out);
}

// |x y z 1| of p, q, r, s: -xyz(q,r,s) + xyz(p,r,s) - xyz(p,q,s) + xyz(p,q,r); at most 96.
int minorXYZ1(const double* p, const double* q, const double* r, const double* s, double* out) {
    double m1[24], m2[24], m3[24], m4[24], s12[48], s34[48];
    int l1 = minorXYZ(q, r, s, m1);
    int l2 = minorXYZ(p, r, s, m2);
    int l3 = minorXYZ(p, q, s, m3);
    int l4 = minorXYZ(p, q, r, m4);
    negate(l1, m1);
    negate(l3, m3);
    int l12 = fast_expansion_sum_zeroelim(l1, m1, l2, m2, s12);
    int l34 = fast_expansion_sum_zeroelim(l3, m3, l4, m4, s34);
    return fast_expansion_sum_zeroelim(l12, s12, l34, s34, out);
}

// (x^2 + y^2 [+ z^2]) * m for the point p, with 2 or 3 coordinates and m of at most
// kMaxMinor components: each coordinate scales m twice and the squares are summed.
// out holds up to 4 * dims * mlen components.
constexpr int kMaxMinor = 96;
int liftTimes(const double* p, int dims, int mlen, const double* m, double* out) {
    double once[2 * kMaxMinor], twice[4 * kMaxMinor], bufA[8 * kMaxMinor], bufB[8 * kMaxMinor];
    double* sum = bufA;
    double* next = bufB;
    int sumlen = 0;
    for (int k = 0; k < dims; ++k) {
        int l1 = scale_expansion_zeroelim(mlen, m, p[k], once);
        int l2 = scale_expansion_zeroelim(l1, once, p[k], twice);
        if (k == 0) {
            std::copy(twice, twice + l2, sum);
            sumlen = l2;
        } else {
            sumlen = fast_expansion_sum_zeroelim(sumlen, sum, l2, twice, k == dims - 1 ? out : next);
            std::swap(sum, next);
        }
    }
    return sumlen;
}

// |x y w 1| of a, b, c, d with w = x^2 + y^2, which is the value incircle() estimates.
double incircleexact(const double* pa, const double* pb, const double* pc, const double* pd) {
    const double* pts[4] = {pa, pb, pc, pd};
    double m[12], term[96];
    double bufA[384], bufB[384];
    double* sum = bufA;
    double* spare = bufB;
    int len = 0;
    for (int i = 0; i < 4; ++i) {
        const double* o[3];
        for (int j = 0, k = 0; j < 4; ++j)
            if (j != i) o[k++] = pts[j];
        int mlen = minorXY1(o[0], o[1], o[2], m);
        if (i % 2 == 1) negate(mlen, m);
        int tlen = liftTimes(pts[i], 2, mlen, m, term);
        accumulate(sum, spare, len, tlen, term);
    }
    return sum[len - 1];
}

} // namespace

// --- initialisation -------------------------------------------------------------------

void exactinit() {
    bool everyOther = true;
    double half = 0.5;
    double check = 1.0, lastcheck;
    epsilon = 1.0;
    splitter = 1.0;
    // Halve epsilon until 1 + epsilon rounds to 1: epsilon ends as half an ulp of 1 and
    // splitter as 2^ceil(p/2) + 1 for the p-bit significand.
    do {
        lastcheck = check;
        epsilon *= half;
        if (everyOther) splitter *= 2.0;
        everyOther = !everyOther;
        check = 1.0 + epsilon;
    } while (check != 1.0 && check != lastcheck);
    splitter += 1.0;

    resulterrbound = (3.0 + 8.0 * epsilon) * epsilon;
    ccwerrboundA = (3.0 + 16.0 * epsilon) * epsilon;
    ccwerrboundB = (2.0 + 12.0 * epsilon) * epsilon;
    ccwerrboundC = (9.0 + 64.0 * epsilon) * epsilon * epsilon;
    o3derrboundA = (7.0 + 56.0 * epsilon) * epsilon;
    o3derrboundB = (3.0 + 28.0 * epsilon) * epsilon;
    o3derrboundC = (26.0 + 288.0 * epsilon) * epsilon * epsilon;
    iccerrboundA = (10.0 + 96.0 * epsilon) * epsilon;
    iccerrboundB = (4.0 + 48.0 * epsilon) * epsilon;
    iccerrboundC = (44.0 + 576.0 * epsilon) * epsilon * epsilon;
    isperrboundA = (16.0 + 224.0 * epsilon) * epsilon;
    isperrboundB = (5.0 + 72.0 * epsilon) * epsilon;
    isperrboundC = (71.0 + 1408.0 * epsilon) * epsilon * epsilon;
}

void initPredicates() { exactinit(); }

namespace {
[[maybe_unused]] const bool constantsReady = (exactinit(), true);
}

// --- expansion arithmetic ----------------------------------------------------------

int grow_expansion(int elen, const double* e, double b, double* h) {
    double q = b;
    for (int i = 0; i < elen; ++i) {
        double qnew;
        twoSum(q, e[i], qnew, h[i]);
        q = qnew;
    }
    h[elen] = q;
    return elen + 1;
}

int grow_expansion_zeroelim(int elen, const double* e, double b, double* h) {
    int hindex = 0;
    double q = b;
    for (int i = 0; i < elen; ++i) {
        double qnew, hh;
        twoSum(q, e[i], qnew, hh);
        q = qnew;
        if (hh != 0.0) h[hindex++] = hh;
    }
    if (q != 0.0 || hindex == 0) h[hindex++] = q;
    return hindex;
}

int expansion_sum(int elen, const double* e, int flen, const double* f, double* h) {
    double q = f[0];
    for (int i = 0; i < elen; ++i) {
        double qnew;
        twoSum(q, e[i], qnew, h[i]);
        q = qnew;
    }
    h[elen] = q;
    int hlast = elen;
    for (int j = 1; j < flen; ++j) {
        q = f[j];
        for (int i = j; i <= hlast; ++i) {
            double hnow = h[i], qnew;
            twoSum(q, hnow, qnew, h[i]);
            q = qnew;
        }
        h[++hlast] = q;
    }
    return hlast + 1;
}

int expansion_sum_zeroelim1(int elen, const double* e, int flen, const double* f, double* h) {
    int hlast = expansion_sum(elen, e, flen, f, h) - 1;
    int hindex = -1;
    for (int i = 0; i <= hlast; ++i)
        if (h[i] != 0.0) h[++hindex] = h[i];
    if (hindex == -1) {
        h[0] = 0.0;
        return 1;
    }
    return hindex + 1;
}

int expansion_sum_zeroelim2(int elen, const double* e, int flen, const double* f, double* h) {
    int hindex = 0;
    double q = f[0];
    for (int i = 0; i < elen; ++i) {
        double qnew, hh;
        twoSum(q, e[i], qnew, hh);
        q = qnew;
        if (hh != 0.0) h[hindex++] = hh;
    }
    h[hindex] = q;
    int hlast = hindex;
    for (int j = 1; j < flen; ++j) {
        hindex = 0;
        q = f[j];
        for (int i = 0; i <= hlast; ++i) {
            double qnew, hh;
            twoSum(q, h[i], qnew, hh);
            q = qnew;
            if (hh != 0.0) h[hindex++] = hh;
        }
        h[hindex] = q;
        hlast = hindex;
    }
    return hlast + 1;
}

namespace {

// Walks two expansions in order of increasing magnitude. Reads stay inside the arrays.
struct MergeWalk {
    const double* e;
    const double* f;
    int elen, flen;
    int ei = 0, fi = 0;
    bool eHasNext() const { return ei < elen; }
    bool fHasNext() const { return fi < flen; }
    // True when the next component of e is not larger in magnitude than that of f.
    bool eFirst() const {
        double en = e[ei], fn = f[fi];
        return (fn > en) == (fn > -en);
    }
    double takeNext() {
        if (eHasNext() && (!fHasNext() || eFirst())) return e[ei++];
        return f[fi++];
    }
};

template <bool ZeroElim>
int fastExpansionSum(int elen, const double* e, int flen, const double* f, double* h) {
    MergeWalk w{e, f, elen, flen};
    double q = w.takeNext();
    int hindex = 0;
    if (w.eHasNext() && w.fHasNext()) {
        double qnew, hh;
        fastTwoSum(w.takeNext(), q, qnew, hh);
        q = qnew;
        if (!ZeroElim || hh != 0.0) h[hindex++] = hh;
    }
    while (w.eHasNext() || w.fHasNext()) {
        double qnew, hh;
        twoSum(q, w.takeNext(), qnew, hh);
        q = qnew;
        if (!ZeroElim || hh != 0.0) h[hindex++] = hh;
    }
    if (!ZeroElim || q != 0.0 || hindex == 0) h[hindex++] = q;
    return hindex;
}

template <bool ZeroElim>
int linearExpansionSum(int elen, const double* e, int flen, const double* f, double* h) {
    MergeWalk w{e, f, elen, flen};
    double g0 = w.takeNext();
    double qnew, q;
    fastTwoSum(w.takeNext(), g0, qnew, q);
    double bigq = qnew;
    int hindex = 0;
    for (int k = 0; k < elen + flen - 2; ++k) {
        double r, hh;
        fastTwoSum(w.takeNext(), q, r, hh);
        if (!ZeroElim || hh != 0.0) h[hindex++] = hh;
        twoSum(bigq, r, qnew, q);
        bigq = qnew;
    }
    if (!ZeroElim || q != 0.0) h[hindex++] = q;
    if (!ZeroElim || bigq != 0.0 || hindex == 0) h[hindex++] = bigq;
    return hindex;
}

} // namespace

int fast_expansion_sum(int elen, const double* e, int flen, const double* f, double* h) {
    return fastExpansionSum<false>(elen, e, flen, f, h);
}

int fast_expansion_sum_zeroelim(int elen, const double* e, int flen, const double* f, double* h) {
    return fastExpansionSum<true>(elen, e, flen, f, h);
}

int linear_expansion_sum(int elen, const double* e, int flen, const double* f, double* h) {
    return linearExpansionSum<false>(elen, e, flen, f, h);
}

int linear_expansion_sum_zeroelim(int elen, const double* e, int flen, const double* f, double* h) {
    return linearExpansionSum<true>(elen, e, flen, f, h);
}

int scale_expansion(int elen, const double* e, double b, double* h) {
    double bhi, blo, q;
    split(b, bhi, blo);
    twoProductPresplit(e[0], b, bhi, blo, q, h[0]);
    int hindex = 1;
    for (int i = 1; i < elen; ++i) {
        double p1, p0, sum;
        twoProductPresplit(e[i], b, bhi, blo, p1, p0);
        twoSum(q, p0, sum, h[hindex++]);
        twoSum(p1, sum, q, h[hindex++]);
    }
    h[hindex] = q;
    return elen + elen;
}

int scale_expansion_zeroelim(int elen, const double* e, double b, double* h) {
    double bhi, blo, q, hh;
    split(b, bhi, blo);
    twoProductPresplit(e[0], b, bhi, blo, q, hh);
    int hindex = 0;
    if (hh != 0.0) h[hindex++] = hh;
    for (int i = 1; i < elen; ++i) {
        double p1, p0, sum;
        twoProductPresplit(e[i], b, bhi, blo, p1, p0);
        twoSum(q, p0, sum, hh);
        if (hh != 0.0) h[hindex++] = hh;
        fastTwoSum(p1, sum, q, hh);
        if (hh != 0.0) h[hindex++] = hh;
    }
    if (q != 0.0 || hindex == 0) h[hindex++] = q;
    return hindex;
}

int compress(int elen, const double* e, double* h) {
    int bottom = elen - 1;
    double q = e[bottom];
    for (int i = elen - 2; i >= 0; --i) {
        double qnew, small;
        fastTwoSum(q, e[i], qnew, small);
        if (small != 0.0) {
            h[bottom--] = qnew;
            q = small;
        } else {
            q = qnew;
        }
    }
    int top = 0;
    for (int i = bottom + 1; i < elen; ++i) {
        double qnew, small;
        fastTwoSum(h[i], q, qnew, small);
        if (small != 0.0) h[top++] = small;
        q = qnew;
    }
    h[top] = q;
    return top + 1;
}

double estimate(int elen, const double* e) {
    double q = e[0];
    for (int i = 1; i < elen; ++i) q += e[i];
    return q;
}

// --- orient2d -----------------------------------------------------------------------

double orient2dadapt(const double* pa, const double* pb, const double* pc, double detsum) {
    double acx = pa[0] - pc[0];
    double bcx = pb[0] - pc[0];
    double acy = pa[1] - pc[1];
    double bcy = pb[1] - pc[1];

    double B[4];
    crossDifference(acx, bcy, acy, bcx, B);
    double det = estimate(4, B);
    double errbound = ccwerrboundB * detsum;
    if (beyond(det, errbound)) return det;

    double acxtail, acytail, bcxtail, bcytail;
    twoDiffTail(pa[0], pc[0], acx, acxtail);
    twoDiffTail(pb[0], pc[0], bcx, bcxtail);
    twoDiffTail(pa[1], pc[1], acy, acytail);
    twoDiffTail(pb[1], pc[1], bcy, bcytail);
    if (acxtail == 0.0 && acytail == 0.0 && bcxtail == 0.0 && bcytail == 0.0) return det;

    errbound = ccwerrboundC * detsum + resulterrbound * std::fabs(det);
    det += (acx * bcytail + bcy * acxtail) - (acy * bcxtail + bcx * acytail);
    if (beyond(det, errbound)) return det;

    double u[4], C1[8], C2[12], D[16];
    crossDifference(acxtail, bcy, acytail, bcx, u);
    int c1len = fast_expansion_sum_zeroelim(4, B, 4, u, C1);
    crossDifference(acx, bcytail, acy, bcxtail, u);
    int c2len = fast_expansion_sum_zeroelim(c1len, C1, 4, u, C2);
    crossDifference(acxtail, bcytail, acytail, bcxtail, u);
    int dlen = fast_expansion_sum_zeroelim(c2len, C2, 4, u, D);
    return D[dlen - 1];
}

double orient2d(const double* pa, const double* pb, const double* pc) {
    double detleft = (pa[0] - pc[0]) * (pb[1] - pc[1]);
    double detright = (pa[1] - pc[1]) * (pb[0] - pc[0]);
    double det = detleft - detright;
    double detsum;
    if (detleft > 0.0) {
        if (detright <= 0.0) return det;
        detsum = detleft + detright;
    } else if (detleft < 0.0) {
        if (detright >= 0.0) return det;
        detsum = -detleft - detright;
    } else {
        return det;
    }
    double errbound = ccwerrboundA * detsum;
    if (beyond(det, errbound)) return det;
    return orient2dadapt(pa, pb, pc, detsum);
}

// --- orient3d -----------------------------------------------------------------------

double orient3dadapt(const double* pa, const double* pb, const double* pc, const double* pd, double permanent) {
    double adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
    double ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
    double adz = pa[2] - pd[2], bdz = pb[2] - pd[2], cdz = pc[2] - pd[2];

    // Exact determinant of the rounded differences.
    double bc[4], ca[4], ab[4], adet[8], bdet[8], cdet[8], abdet[16], fin[24];
    crossDifference(bdx, cdy, cdx, bdy, bc);
    crossDifference(cdx, ady, adx, cdy, ca);
    crossDifference(adx, bdy, bdx, ady, ab);
    int alen = scale_expansion_zeroelim(4, bc, adz, adet);
    int blen = scale_expansion_zeroelim(4, ca, bdz, bdet);
    int clen = scale_expansion_zeroelim(4, ab, cdz, cdet);
    int ablen = fast_expansion_sum_zeroelim(alen, adet, blen, bdet, abdet);
    int finlen = fast_expansion_sum_zeroelim(ablen, abdet, clen, cdet, fin);
    double det = estimate(finlen, fin);
    double errbound = o3derrboundB * permanent;
    if (beyond(det, errbound)) return det;

    double adxtail, bdxtail, cdxtail, adytail, bdytail, cdytail, adztail, bdztail, cdztail;
    twoDiffTail(pa[0], pd[0], adx, adxtail);
    twoDiffTail(pb[0], pd[0], bdx, bdxtail);
    twoDiffTail(pc[0], pd[0], cdx, cdxtail);
    twoDiffTail(pa[1], pd[1], ady, adytail);
    twoDiffTail(pb[1], pd[1], bdy, bdytail);
    twoDiffTail(pc[1], pd[1], cdy, cdytail);
    twoDiffTail(pa[2], pd[2], adz, adztail);
    twoDiffTail(pb[2], pd[2], bdz, bdztail);
    twoDiffTail(pc[2], pd[2], cdz, cdztail);
    if (adxtail == 0.0 && bdxtail == 0.0 && cdxtail == 0.0 && adytail == 0.0 && bdytail == 0.0 && cdytail == 0.0 &&
        adztail == 0.0 && bdztail == 0.0 && cdztail == 0.0)
        return det;

    // First-order correction by the tails of the differences.
    errbound = o3derrboundC * permanent + resulterrbound * std::fabs(det);
    det +=
        (adz * ((bdx * cdytail + cdy * bdxtail) - (bdy * cdxtail + cdx * bdytail)) +
         adztail * (bdx * cdy - bdy * cdx)) +
        (bdz * ((cdx * adytail + ady * cdxtail) - (cdy * adxtail + adx * cdytail)) +
         bdztail * (cdx * ady - cdy * adx)) +
        (cdz * ((adx * bdytail + bdy * adxtail) - (ady * bdxtail + bdx * adytail)) + cdztail * (adx * bdy - ady * bdx));
    if (beyond(det, errbound)) return det;

    // Still too close to call: evaluate |x y z 1| of the input points exactly.
    double exact[96];
    int len = minorXYZ1(pa, pb, pc, pd, exact);
    return exact[len - 1];
}

double orient3d(const double* pa, const double* pb, const double* pc, const double* pd) {
    double adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
    double ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];
    double adz = pa[2] - pd[2], bdz = pb[2] - pd[2], cdz = pc[2] - pd[2];

    double bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
    double cdxady = cdx * ady, adxcdy = adx * cdy;
    double adxbdy = adx * bdy, bdxady = bdx * ady;

    double det = adz * (bdxcdy - cdxbdy) + bdz * (cdxady - adxcdy) + cdz * (adxbdy - bdxady);
    double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * std::fabs(adz) +
                       (std::fabs(cdxady) + std::fabs(adxcdy)) * std::fabs(bdz) +
                       (std::fabs(adxbdy) + std::fabs(bdxady)) * std::fabs(cdz);
    double errbound = o3derrboundA * permanent;
    if (det > errbound || -det > errbound) return det;
    return orient3dadapt(pa, pb, pc, pd, permanent);
}

// --- incircle -----------------------------------------------------------------------

double incircleadapt(const double* pa, const double* pb, const double* pc, const double* pd, double permanent) {
    double adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
    double ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];

    // Exact determinant of the rounded differences: sum of lift * 2x2 minor per point.
    double bc[4], ca[4], ab[4];
    crossDifference(bdx, cdy, cdx, bdy, bc);
    crossDifference(cdx, ady, adx, cdy, ca);
    crossDifference(adx, bdy, bdx, ady, ab);
    double dets[3][32];
    int detlens[3];
    const double* minors[3] = {bc, ca, ab};
    const double xs[3] = {adx, bdx, cdx};
    const double ys[3] = {ady, bdy, cdy};
    for (int k = 0; k < 3; ++k) {
        double xm[8], xxm[16], ym[8], yym[16];
        int xl = scale_expansion_zeroelim(4, minors[k], xs[k], xm);
        int xxl = scale_expansion_zeroelim(xl, xm, xs[k], xxm);
        int yl = scale_expansion_zeroelim(4, minors[k], ys[k], ym);
        int yyl = scale_expansion_zeroelim(yl, ym, ys[k], yym);
        detlens[k] = fast_expansion_sum_zeroelim(xxl, xxm, yyl, yym, dets[k]);
    }
    double abdet[64], fin[96];
    int ablen = fast_expansion_sum_zeroelim(detlens[0], dets[0], detlens[1], dets[1], abdet);
    int finlen = fast_expansion_sum_zeroelim(ablen, abdet, detlens[2], dets[2], fin);
    double det = estimate(finlen, fin);
    double errbound = iccerrboundB * permanent;
    if (beyond(det, errbound)) return det;

    double adxtail, bdxtail, cdxtail, adytail, bdytail, cdytail;
    twoDiffTail(pa[0], pd[0], adx, adxtail);
    twoDiffTail(pa[1], pd[1], ady, adytail);
    twoDiffTail(pb[0], pd[0], bdx, bdxtail);
    twoDiffTail(pb[1], pd[1], bdy, bdytail);
    twoDiffTail(pc[0], pd[0], cdx, cdxtail);
    twoDiffTail(pc[1], pd[1], cdy, cdytail);
    if (adxtail == 0.0 && bdxtail == 0.0 && cdxtail == 0.0 && adytail == 0.0 && bdytail == 0.0 && cdytail == 0.0)
        return det;

    errbound = iccerrboundC * permanent + resulterrbound * std::fabs(det);
    det += ((adx * adx + ady * ady) * ((bdx * cdytail + cdy * bdxtail) - (bdy * cdxtail + cdx * bdytail)) +
            2.0 * (adx * adxtail + ady * adytail) * (bdx * cdy - bdy * cdx)) +
           ((bdx * bdx + bdy * bdy) * ((cdx * adytail + ady * cdxtail) - (cdy * adxtail + adx * cdytail)) +
            2.0 * (bdx * bdxtail + bdy * bdytail) * (cdx * ady - cdy * adx)) +
           ((cdx * cdx + cdy * cdy) * ((adx * bdytail + bdy * adxtail) - (ady * bdxtail + bdx * adytail)) +
            2.0 * (cdx * cdxtail + cdy * cdytail) * (adx * bdy - ady * bdx));
    if (beyond(det, errbound)) return det;

    return incircleexact(pa, pb, pc, pd);
}

double incircle(const double* pa, const double* pb, const double* pc, const double* pd) {
    double adx = pa[0] - pd[0], bdx = pb[0] - pd[0], cdx = pc[0] - pd[0];
    double ady = pa[1] - pd[1], bdy = pb[1] - pd[1], cdy = pc[1] - pd[1];

    double bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
    double alift = adx * adx + ady * ady;
    double cdxady = cdx * ady, adxcdy = adx * cdy;
    double blift = bdx * bdx + bdy * bdy;
    double adxbdy = adx * bdy, bdxady = bdx * ady;
    double clift = cdx * cdx + cdy * cdy;

    double det = alift * (bdxcdy - cdxbdy) + blift * (cdxady - adxcdy) + clift * (adxbdy - bdxady);
    double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * alift +
                       (std::fabs(cdxady) + std::fabs(adxcdy)) * blift +
                       (std::fabs(adxbdy) + std::fabs(bdxady)) * clift;
    double errbound = iccerrboundA * permanent;
    if (det > errbound || -det > errbound) return det;
    return incircleadapt(pa, pb, pc, pd, permanent);
}

// --- insphere -----------------------------------------------------------------------

double insphereexact(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe) {
    // |x y z w 1| of the five points, expanded along the lift column w = x^2 + y^2 + z^2.
    const double* pts[5] = {pa, pb, pc, pd, pe};
    double m[96], term[1152];
    double bufA[5760], bufB[5760];
    double* sum = bufA;
    double* spare = bufB;
    int len = 0;
    for (int i = 0; i < 5; ++i) {
        const double* o[4];
        for (int j = 0, k = 0; j < 5; ++j)
            if (j != i) o[k++] = pts[j];
        int mlen = minorXYZ1(o[0], o[1], o[2], o[3], m);
        if (i % 2 == 0) negate(mlen, m);
        int tlen = liftTimes(pts[i], 3, mlen, m, term);
        accumulate(sum, spare, len, tlen, term);
    }
    return sum[len - 1];
}

double insphereadapt(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe,
                     double permanent) {
    double aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
    double aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
    double aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];

    // Exact determinant of the rounded differences:
    // -alift * bcd + blift * cda - clift * dab + dlift * abc.
    double ab[4], bc[4], cd[4], da[4], ac[4], bd[4];
    crossDifference(aex, bey, bex, aey, ab);
    crossDifference(bex, cey, cex, bey, bc);
    crossDifference(cex, dey, dex, cey, cd);
    crossDifference(dex, aey, aex, dey, da);
    crossDifference(aex, cey, cex, aey, ac);
    crossDifference(bex, dey, dex, bey, bd);

    // 3x3 minor z1 * m1 + z2 * m2 + z3 * m3, at most 24 components.
    auto minor3 = [](const double* m1, double z1, const double* m2, double z2, const double* m3, double z3,
                     double* out) {
        double t1[8], t2[8], t3[8], t12[16];
        int l1 = scale_expansion_zeroelim(4, m1, z1, t1);
        int l2 = scale_expansion_zeroelim(4, m2, z2, t2);
        int l3 = scale_expansion_zeroelim(4, m3, z3, t3);
        int l12 = fast_expansion_sum_zeroelim(l1, t1, l2, t2, t12);
        return fast_expansion_sum_zeroelim(l3, t3, l12, t12, out);
    };
    double bcdE[24], cdaE[24], dabE[24], abcE[24];
    int bcdlen = minor3(cd, bez, bd, -cez, bc, dez, bcdE);
    int cdalen = minor3(da, cez, ac, dez, cd, aez, cdaE);
    int dablen = minor3(ab, dez, bd, aez, da, bez, dabE);
    int abclen = minor3(bc, aez, ac, -bez, ab, cez, abcE);
    negate(bcdlen, bcdE);
    negate(dablen, dabE);

    const double ex[4] = {aex, bex, cex, dex};
    const double ey[4] = {aey, bey, cey, dey};
    const double ez[4] = {aez, bez, cez, dez};
    const double* minors[4] = {bcdE, cdaE, dabE, abcE};
    const int minorlens[4] = {bcdlen, cdalen, dablen, abclen};
    double terms[4][288];
    int termlens[4];
    for (int k = 0; k < 4; ++k) {
        const double p[3] = {ex[k], ey[k], ez[k]};
        termlens[k] = liftTimes(p, 3, minorlens[k], minors[k], terms[k]);
    }
    double half1[576], half2[576], fin[1152];
    int h1 = fast_expansion_sum_zeroelim(termlens[0], terms[0], termlens[1], terms[1], half1);
    int h2 = fast_expansion_sum_zeroelim(termlens[2], terms[2], termlens[3], terms[3], half2);
    int finlen = fast_expansion_sum_zeroelim(h1, half1, h2, half2, fin);
    double det = estimate(finlen, fin);
    double errbound = isperrboundB * permanent;
    if (beyond(det, errbound)) return det;

    double aextail, aeytail, aeztail, bextail, beytail, beztail;
    double cextail, ceytail, ceztail, dextail, deytail, deztail;
    twoDiffTail(pa[0], pe[0], aex, aextail);
    twoDiffTail(pa[1], pe[1], aey, aeytail);
    twoDiffTail(pa[2], pe[2], aez, aeztail);
    twoDiffTail(pb[0], pe[0], bex, bextail);
    twoDiffTail(pb[1], pe[1], bey, beytail);
    twoDiffTail(pb[2], pe[2], bez, beztail);
    twoDiffTail(pc[0], pe[0], cex, cextail);
    twoDiffTail(pc[1], pe[1], cey, ceytail);
    twoDiffTail(pc[2], pe[2], cez, ceztail);
    twoDiffTail(pd[0], pe[0], dex, dextail);
    twoDiffTail(pd[1], pe[1], dey, deytail);
    twoDiffTail(pd[2], pe[2], dez, deztail);
    if (aextail == 0.0 && aeytail == 0.0 && aeztail == 0.0 && bextail == 0.0 && beytail == 0.0 && beztail == 0.0 &&
        cextail == 0.0 && ceytail == 0.0 && ceztail == 0.0 && dextail == 0.0 && deytail == 0.0 && deztail == 0.0)
        return det;

    // First-order correction by the tails.
    errbound = isperrboundC * permanent + resulterrbound * std::fabs(det);
    double abv = aex * bey - bex * aey, bcv = bex * cey - cex * bey, cdv = cex * dey - dex * cey;
    double dav = dex * aey - aex * dey, acv = aex * cey - cex * aey, bdv = bex * dey - dex * bey;
    double abc = aez * bcv - bez * acv + cez * abv;
    double bcd = bez * cdv - cez * bdv + dez * bcv;
    double cda = cez * dav + dez * acv + aez * cdv;
    double dab = dez * abv + aez * bdv + bez * dav;
    double abeps = (aex * beytail + bey * aextail) - (aey * bextail + bex * aeytail);
    double bceps = (bex * ceytail + cey * bextail) - (bey * cextail + cex * beytail);
    double cdeps = (cex * deytail + dey * cextail) - (cey * dextail + dex * ceytail);
    double daeps = (dex * aeytail + aey * dextail) - (dey * aextail + aex * deytail);
    double aceps = (aex * ceytail + cey * aextail) - (aey * cextail + cex * aeytail);
    double bdeps = (bex * deytail + dey * bextail) - (bey * dextail + dex * beytail);
    det += (((bex * bex + bey * bey + bez * bez) *
                 ((cez * daeps + dez * aceps + aez * cdeps) + (ceztail * dav + deztail * acv + aeztail * cdv)) +
             (dex * dex + dey * dey + dez * dez) *
                 ((aez * bceps - bez * aceps + cez * abeps) + (aeztail * bcv - beztail * acv + ceztail * abv))) -
            ((aex * aex + aey * aey + aez * aez) *
                 ((bez * cdeps - cez * bdeps + dez * bceps) + (beztail * cdv - ceztail * bdv + deztail * bcv)) +
             (cex * cex + cey * cey + cez * cez) *
                 ((dez * abeps + aez * bdeps + bez * daeps) + (deztail * abv + aeztail * bdv + beztail * dav)))) +
           2.0 * (((bex * bextail + bey * beytail + bez * beztail) * cda +
                   (dex * dextail + dey * deytail + dez * deztail) * abc) -
                  ((aex * aextail + aey * aeytail + aez * aeztail) * bcd +
                   (cex * cextail + cey * ceytail + cez * ceztail) * dab));
    if (beyond(det, errbound)) return det;

    return insphereexact(pa, pb, pc, pd, pe);
}

double insphere(const double* pa, const double* pb, const double* pc, const double* pd, const double* pe) {
    double aex = pa[0] - pe[0], bex = pb[0] - pe[0], cex = pc[0] - pe[0], dex = pd[0] - pe[0];
    double aey = pa[1] - pe[1], bey = pb[1] - pe[1], cey = pc[1] - pe[1], dey = pd[1] - pe[1];
    double aez = pa[2] - pe[2], bez = pb[2] - pe[2], cez = pc[2] - pe[2], dez = pd[2] - pe[2];

    double aexbey = aex * bey, bexaey = bex * aey, ab = aexbey - bexaey;
    double bexcey = bex * cey, cexbey = cex * bey, bc = bexcey - cexbey;
    double cexdey = cex * dey, dexcey = dex * cey, cd = cexdey - dexcey;
    double dexaey = dex * aey, aexdey = aex * dey, da = dexaey - aexdey;
    double aexcey = aex * cey, cexaey = cex * aey, ac = aexcey - cexaey;
    double bexdey = bex * dey, dexbey = dex * bey, bd = bexdey - dexbey;

    double abc = aez * bc - bez * ac + cez * ab;
    double bcd = bez * cd - cez * bd + dez * bc;
    double cda = cez * da + dez * ac + aez * cd;
    double dab = dez * ab + aez * bd + bez * da;

    double alift = aex * aex + aey * aey + aez * aez;
    double blift = bex * bex + bey * bey + bez * bez;
    double clift = cex * cex + cey * cey + cez * cez;
    double dlift = dex * dex + dey * dey + dez * dez;

    double det = (dlift * abc - clift * dab) + (blift * cda - alift * bcd);

    double az = std::fabs(aez), bz = std::fabs(bez), cz = std::fabs(cez), dz = std::fabs(dez);
    double abP = std::fabs(aexbey) + std::fabs(bexaey), bcP = std::fabs(bexcey) + std::fabs(cexbey);
    double cdP = std::fabs(cexdey) + std::fabs(dexcey), daP = std::fabs(dexaey) + std::fabs(aexdey);
    double acP = std::fabs(aexcey) + std::fabs(cexaey), bdP = std::fabs(bexdey) + std::fabs(dexbey);
    double permanent = (cdP * bz + bdP * cz + bcP * dz) * alift + (daP * cz + acP * dz + cdP * az) * blift +
                       (abP * dz + bdP * az + daP * bz) * clift + (bcP * az + acP * bz + abP * cz) * dlift;
    double errbound = isperrboundA * permanent;
    if (det > errbound || -det > errbound) return det;
    return insphereadapt(pa, pb, pc, pd, pe, permanent);
}

// --- random test values ----------------------------------------------------------------

namespace {
// Random bits from std::rand(), which may give as few as 15 per call.
unsigned long randomBits(int bits) {
    unsigned long r = 0;
    for (int got = 0; got < bits; got += 15) r = (r << 15) | (unsigned long)(std::rand() & 0x7fff);
    return bits >= 64 ? r : (r & ((1ul << bits) - 1));
}

double signedSignificand(int bits) {
    double m = double(randomBits(bits) | (1ul << (bits - 1)));
    return (randomBits(1) ? -m : m) / double(1ul << (bits - 1));
}
} // namespace

// Any sign, a full significand and an exponent spread over much of the double range.
double doublerand() { return std::ldexp(signedSignificand(53), int(randomBits(10)) - 511); }
// Same, with the exponent kept within [-127, 128].
double narrowdoublerand() { return std::ldexp(signedSignificand(53), int(randomBits(8)) - 127); }
// Uniform in [-1, 1).
double uniformdoublerand() { return double(randomBits(53)) / double(1ull << 52) - 1.0; }
float floatrand() { return float(std::ldexp(signedSignificand(24), int(randomBits(8)) - 127)); }
float narrowfloatrand() { return float(std::ldexp(signedSignificand(24), int(randomBits(6)) - 31)); }
float uniformfloatrand() { return float(double(randomBits(24)) / double(1ul << 23) - 1.0); }

// --- tests on points -------------------------------------------------------------------

namespace {
uint8_t classOf(double v) {
    if (v < 0.0) return kClassNegative;
    if (v > 0.0) return kClassPositive;
    return kClassZero; // zero, or not a number
}
} // namespace

double orientation2(dvec2 a, dvec2 b, dvec2 c) {
    const double pa[2] = {a.x, a.y}, pb[2] = {b.x, b.y}, pc[2] = {c.x, c.y};
    return orient2d(pa, pb, pc);
}

uint8_t orientationClass2(dvec2 a, dvec2 b, dvec2 c) { return classOf(double(float(orientation2(a, b, c)))); }

bool pointInTriangleNoBox(dvec2 p, dvec2 a, dvec2 b, dvec2 c) {
    double d1 = orientation2(p, a, b);
    double d2 = orientation2(p, b, c);
    double d3 = orientation2(p, c, a);
    return (d1 >= 0.0 && d2 >= 0.0 && d3 >= 0.0) || (d1 <= 0.0 && d2 <= 0.0 && d3 <= 0.0);
}

bool pointInTriangle(dvec2 p, dvec2 a, dvec2 b, dvec2 c) {
    if (p.x < a.x && p.x < b.x && p.x < c.x) return false;
    if (p.x > a.x && p.x > b.x && p.x > c.x) return false;
    if (p.y < a.y && p.y < b.y && p.y < c.y) return false;
    if (p.y > a.y && p.y > b.y && p.y > c.y) return false;
    return pointInTriangleNoBox(p, a, b, c);
}

bool segmentsCross2(dvec2 a0, dvec2 a1, dvec2 b0, dvec2 b1) {
    bool a0Negative = orientation2(a0, b0, b1) < 0.0;
    bool a1Negative = orientation2(a1, b0, b1) < 0.0;
    if (a0Negative == a1Negative) return false;
    bool b0Negative = orientation2(b0, a0, a1) < 0.0;
    bool b1Negative = orientation2(b1, a0, a1) < 0.0;
    return b0Negative != b1Negative;
}

double incircleValue(dvec2 a, dvec2 b, dvec2 c, dvec2 d) {
    const double pa[2] = {a.x, a.y}, pb[2] = {b.x, b.y}, pc[2] = {c.x, c.y}, pd[2] = {d.x, d.y};
    return incircle(pa, pb, pc, pd);
}

uint8_t circleClass(dvec2 p, dvec2 centre, double radius) {
    // With p first, the value is negative exactly when p lies inside the circle.
    double v =
        incircleValue(p, {centre.x - radius, centre.y}, {centre.x + radius, centre.y}, {centre.x, centre.y + radius});
    return classOf(v);
}

double orientation3(dvec3 a, dvec3 b, dvec3 c, dvec3 d) {
    const double pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z}, pc[3] = {c.x, c.y, c.z}, pd[3] = {d.x, d.y, d.z};
    return orient3d(pa, pb, pc, pd);
}

uint8_t orientationClass3(dvec3 a, dvec3 b, dvec3 c, dvec3 d) { return classOf(orientation3(a, b, c, d)); }

double insphereValue(dvec3 a, dvec3 b, dvec3 c, dvec3 d, dvec3 e) {
    const double pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z}, pc[3] = {c.x, c.y, c.z}, pd[3] = {d.x, d.y, d.z},
                 pe[3] = {e.x, e.y, e.z};
    return insphere(pa, pb, pc, pd, pe);
}

uint8_t sphereClass(dvec3 p, dvec3 centre, double radius) {
    double v = insphereValue(p, {centre.x - radius, centre.y, centre.z}, {centre.x + radius, centre.y, centre.z},
                             {centre.x, centre.y + radius, centre.z}, {centre.x, centre.y, centre.z + radius});
    return classOf(v);
}

bool segmentTriangleIntersection(dvec3 a, dvec3 b, dvec3 c, dvec3 p, dvec3 q, dvec3* out) {
    double o1 = orientation3(p, a, b, c);
    double o2 = orientation3(q, a, b, c);
    if ((o1 >= 0.0 && o2 >= 0.0) || (o1 < 0.0 && o2 < 0.0)) return false;

    bool s1 = orientation3(p, a, b, q) < 0.0;
    bool s2 = orientation3(p, b, c, q) < 0.0;
    bool s3 = orientation3(p, c, a, q) < 0.0;
    if (s1 != s2 || s2 != s3) return false;

    dvec3 e1(float(b.x - a.x), float(b.y - a.y), float(b.z - a.z));
    dvec3 e2(float(c.x - a.x), float(c.y - a.y), float(c.z - a.z));
    dvec3 n = cross(e1, e2);
    dvec3 pa = p - a, qa = q - a;
    double t = dot(n, pa) / dot(n, pa - qa);
    if (out) *out = pa * (1.0 - t) + qa * t + a;
    return true;
}

dvec3 segmentPlaneIntersection(dvec3 point, dvec3 normal, dvec3 a, dvec3 b) {
    dvec3 ap = a - point, bp = b - point;
    double denominator = dot(normal, ap - bp);
    if (denominator == 0.0) return a; // parallel: no crossing point to give
    double t = dot(normal, ap) / denominator;
    dvec3 result = ap * (1.0 - t) + bp * t + point;
    if (!std::isfinite(result.x) || !std::isfinite(result.y) || !std::isfinite(result.z)) return a;
    return result;
}

} // namespace kal
