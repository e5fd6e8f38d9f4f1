// The structure-factor sums, written once for every vector width. Included, inside a namespace
// of its own, by one source file per instruction set, which first defines:
//   kLanes  the number of floats in a vector;
//   VF, VI, VD  vectors of kLanes floats, 32-bit integers and doubles (GCC vector extensions);
//   Fma(a, b, c)  a·b + c, fused where the instruction set has it (then kFused is true).
// Nothing here includes a header: code compiled for one instruction set must not leave inline
// functions behind that the linker could pick for callers running on another.
//
// Each phase angle is formed exactly as the intensity code defines it: t = h·x, t += k·y, t += l·z
// in single precision, then φ = t × 6.28318530718 in double precision rounded to single. Its sine
// and cosine are computed in single precision: φ is reduced by π/2 in two parts with fused
// multiply-adds (the first step is exact), else in double precision, and the
// minimax polynomials of degree 7 and 8 on [−π/4, π/4] give both to about a unit in the last
// place. Products with the scattering powers are summed in single precision over a few vectors
// and then in double, so the rounding of the sums stays that of the sine and cosine themselves.

static_assert(sizeof(VF) == 4 * kLanes && sizeof(VI) == 4 * kLanes && sizeof(VD) == 8 * kLanes);

// Half a float vector, and as many doubles: the widest double vector of the machine.
typedef float VFH __attribute__((vector_size(2 * kLanes)));
typedef double VDH __attribute__((vector_size(4 * kLanes)));

// acc += the floats of f, in double: the sums over many terms are kept in two such vectors.
struct WideSum {
    VDH lo = VDH{}, hi = VDH{};
};

__attribute__((always_inline)) inline void Add(WideSum& acc, VF f)
{
    VFH lo, hi;
    __builtin_memcpy(&lo, &f, sizeof lo);
    __builtin_memcpy(&hi, reinterpret_cast<const char*>(&f) + sizeof lo, sizeof hi);
    acc.lo += __builtin_convertvector(lo, VDH);
    acc.hi += __builtin_convertvector(hi, VDH);
}

__attribute__((always_inline)) inline double Total(const WideSum& acc)
{
    const VDH v = acc.lo + acc.hi;
    double s = 0;
    for (int i = 0; i < kLanes / 2; ++i)
        s += v[i];
    return s;
}

__attribute__((always_inline)) inline VF Splat(float v)
{
    return VF{} + v;
}

__attribute__((always_inline)) inline VF Load(const float* p)
{
    VF v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((always_inline)) inline void SinCos(VF phi, VF& s, VF& c)
{
    VF r;
    VI q;  // the quadrant n mod 4 in the low bits
    if constexpr (kFused) {
        const VF magic = Splat(12582912.0f);  // 1.5 × 2^23: adding it rounds to an integer
        const VF y = Fma(phi, Splat(0.636619772367581343f), magic);
        const VF n = y - magic;
        q = (VI)y;  // the low bits of y's significand are those of n
        // φ − n·P1 is exact (a multiple of P1's last place, below 1), so two parts suffice.
        r = Fma(n, Splat(-1.57079637050628662109375f), phi);
        r = Fma(n, Splat(4.371138828673793e-8f), r);
    } else {
        // Without fused multiply-adds the reduction is done in double precision: π/2 in three
        // parts of 33 bits, exact for any |n| below 2^20.
        const VD p = __builtin_convertvector(phi, VD);
        const VD n = (p * 6.36619772367581382433e-01 + 6755399441055744.0) - 6755399441055744.0;
        q = __builtin_convertvector(n, VI);
        const VD rd = ((p - n * 1.57079632673412561417e+00) - n * 6.07710050630396597660e-11) -
                      n * 2.02226624871116645580e-21;
        r = __builtin_convertvector(rd, VF);
    }
    const VF z = r * r;
    VF ps = Fma(z, Splat(-1.9515295891e-4f), Splat(8.3321608736e-3f));
    ps = Fma(ps, z, Splat(-1.6666654611e-1f));
    const VF sinr = Fma(ps * z, r, r);
    VF pc = Fma(z, Splat(2.443315711809948e-5f), Splat(-1.388731625493765e-3f));
    pc = Fma(pc, z, Splat(4.166664568298827e-2f));
    const VF cosr = Fma(pc * z, z, Fma(z, Splat(-0.5f), Splat(1.0f)));
    // Quadrant n mod 4: sin φ = sin r, cos r, −sin r, −cos r; cos φ = cos r, −sin r, −cos r, sin r.
    const VI odd = (q & 1) == 1;
    const VI sv = odd ? (VI)cosr : (VI)sinr;
    const VI cv = odd ? (VI)sinr : (VI)cosr;
    s = (VF)(sv ^ ((q & 2) << 30));
    c = (VF)(cv ^ (((q + 1) & 2) << 30));
}

__attribute__((always_inline)) inline VF Phase(VF x, VF y, VF z, VF h, VF k, VF l)
{
    VF t = h * x;
    t = t + k * y;
    t = t + l * z;
    return __builtin_convertvector(__builtin_convertvector(t, VD) * 6.28318530718, VF);
}

// e^x in single precision for x in [−87, 88] (clamped there): x = n ln 2 + r, |r| <= ln 2 / 2,
// ln 2 in two parts (n·C1 is exact), e^r by a polynomial of degree 7, 2^n built in the exponent
// bits. About a unit in the last place.
__attribute__((always_inline)) inline VF Exp(VF x)
{
    x = x < Splat(-87.0f) ? Splat(-87.0f) : x;
    x = x > Splat(88.0f) ? Splat(88.0f) : x;
    const VF magic = Splat(12582912.0f);  // 1.5 × 2^23: adding it rounds to an integer
    const VF y = Fma(x, Splat(1.44269504088896341f), magic);
    const VF n = y - magic;
    VF r = Fma(n, Splat(-0.693359375f), x);
    r = Fma(n, Splat(2.12194440e-4f), r);
    VF p = Fma(Splat(1.9875691500e-4f), r, Splat(1.3981999507e-3f));
    p = Fma(p, r, Splat(8.3334519073e-3f));
    p = Fma(p, r, Splat(4.1665795894e-2f));
    p = Fma(p, r, Splat(1.6666665459e-1f));
    p = Fma(p, r, Splat(5.0000001201e-1f));
    const VF e = Fma(p, r * r, r + Splat(1.0f));
    const VI scale = ((VI)y - (VI)magic + 127) << 23;  // the low bits of y are those of n
    return e * (VF)scale;
}

// T[i] = exp(−u[i]·q) for n values: the isotropic temperature factors of n classes at one d
// (u the B values, q = 1/(4d²)).
__attribute__((always_inline)) inline void IsotropicTFactors(const float* u, float q, unsigned long n, float* T)
{
    const VF minusQ = Splat(-q);
    unsigned long i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const VF t = Exp(Load(u + i) * minusQ);
        __builtin_memcpy(T + i, &t, sizeof t);
    }
    if (i < n) {
        float x[kLanes] = {}, out[kLanes];
        for (unsigned long j = i; j < n; ++j)
            x[j - i] = u[j];
        const VF t = Exp(Load(x) * minusQ);
        __builtin_memcpy(out, &t, sizeof t);
        for (unsigned long j = i; j < n; ++j)
            T[j] = out[j - i];
    }
}

// out[i] = f · T[i] for n values.
__attribute__((always_inline)) inline void Scale(const float* T, float f, unsigned long n, float* out)
{
    const VF fv = Splat(f);
    unsigned long i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const VF v = Load(T + i) * fv;
        __builtin_memcpy(out + i, &v, sizeof v);
    }
    for (; i < n; ++i)
        out[i] = f * T[i];
}

// Single-precision partial sums cover this many vectors before they go into double.
constexpr unsigned long kFlush = 4;

// The class of atom i: the c with start[c] <= i < start[c + 1] (start ascending, of n + 1 entries).
__attribute__((always_inline)) inline unsigned long ClassOf(const unsigned long* start, unsigned long n, unsigned long i)
{
    unsigned long lo = 0, hi = n;  // start[lo] <= i < start[hi]
    while (hi - lo > 1) {
        const unsigned long mid = (lo + hi) / 2;
        if (start[mid] <= i)
            lo = mid;
        else
            hi = mid;
    }
    return lo;
}

// W[i − begin] = w[c] for the atoms i = begin .. end − 1, c being the class of atom i: given by
// start (n classes), and for each atom by cls. Long runs of a class are filled a vector at a time,
// short ones looked up atom by atom.
__attribute__((always_inline)) inline void FillPowers(const float* w, const unsigned long* start, unsigned long n,
                                                      const int* cls, unsigned long begin, unsigned long end, float* W)
{
    unsigned long c = ClassOf(start, n, begin);
    const unsigned long last = ClassOf(start, n, end - 1);
    if ((last - c + 1) * 4 * kLanes > end - begin) {
        for (unsigned long i = begin; i < end; ++i)
            W[i - begin] = w[cls[i]];
        return;
    }
    for (unsigned long i = begin; i < end; ++c) {
        const unsigned long stop = start[c + 1] < end ? start[c + 1] : end;
        const VF v = Splat(w[c]);
        for (; i + kLanes <= stop; i += kLanes)
            __builtin_memcpy(W + (i - begin), &v, sizeof v);
        for (; i < stop; ++i)
            W[i - begin] = w[c];
    }
}

// W[i − begin] = w[i / m] for the atoms i = begin .. end − 1, when every class has m atoms: m
// dividing the vector width and begin a multiple of it, a vector of atoms is one shuffle of the
// powers of kLanes / m classes (w is read up to kLanes floats beyond the class of the last atom).
__attribute__((always_inline)) inline bool ExpandPowers(const float* w, unsigned long m, unsigned long begin,
                                                        unsigned long end, float* W)
{
    if (m == 0 || m > static_cast<unsigned long>(kLanes) || kLanes % m != 0 || begin % kLanes != 0)
        return false;
    unsigned long i = begin;
#if defined(__clang__)
    // Clang has no shuffle by a mask known only at run time: lane by lane.
    for (; i + kLanes <= end; i += kLanes)
        for (int lane = 0; lane < kLanes; ++lane)
            W[i - begin + static_cast<unsigned long>(lane)] = w[(i + static_cast<unsigned long>(lane)) / m];
#else
    VI mask;
    for (int lane = 0; lane < kLanes; ++lane)
        mask[lane] = static_cast<int>(static_cast<unsigned long>(lane) / m);
    for (; i + kLanes <= end; i += kLanes) {
        const VF v = __builtin_shuffle(Load(w + i / m), mask);
        __builtin_memcpy(W + (i - begin), &v, sizeof v);
    }
#endif
    for (; i < end; ++i)
        W[i - begin] = w[i / m];
    return true;
}

// out[0..1] = Σ W cos φ, Σ W sin φ over n atoms; with W2, out[2..3] the same sums over W2.
template <bool kTwo>
__attribute__((always_inline)) inline void Sums(const float* X, const float* Y, const float* Z, const float* W,
                                                const float* W2, unsigned long n, float h, float k, float l,
                                                double* out)
{
    const VF hv = Splat(h), kv = Splat(k), lv = Splat(l);
    WideSum a, b, a2, b2;
    // Two vectors at a time, each with its own partial sums: independent chains to overlap.
    constexpr unsigned long kStep = 2 * kLanes;
    unsigned long j = 0;
    while (j + kStep <= n) {
        VF fa0 = VF{}, fb0 = VF{}, fa1 = VF{}, fb1 = VF{};
        VF ga0 = VF{}, gb0 = VF{}, ga1 = VF{}, gb1 = VF{};
        for (unsigned long v = 0; v < kFlush && j + kStep <= n; ++v, j += kStep) {
            VF s0, c0, s1, c1;
            SinCos(Phase(Load(X + j), Load(Y + j), Load(Z + j), hv, kv, lv), s0, c0);
            SinCos(Phase(Load(X + j + kLanes), Load(Y + j + kLanes), Load(Z + j + kLanes), hv, kv, lv), s1, c1);
            const VF w0 = Load(W + j), w1 = Load(W + j + kLanes);
            fa0 = Fma(w0, c0, fa0);
            fb0 = Fma(w0, s0, fb0);
            fa1 = Fma(w1, c1, fa1);
            fb1 = Fma(w1, s1, fb1);
            if constexpr (kTwo) {
                const VF u0 = Load(W2 + j), u1 = Load(W2 + j + kLanes);
                ga0 = Fma(u0, c0, ga0);
                gb0 = Fma(u0, s0, gb0);
                ga1 = Fma(u1, c1, ga1);
                gb1 = Fma(u1, s1, gb1);
            }
        }
        Add(a, fa0 + fa1);
        Add(b, fb0 + fb1);
        if constexpr (kTwo) {
            Add(a2, ga0 + ga1);
            Add(b2, gb0 + gb1);
        }
    }
    // The rest, a vector at a time, the last one padded with atoms of no weight.
    for (; j < n; j += kLanes) {
        float x[kLanes] = {}, y[kLanes] = {}, z[kLanes] = {}, w[kLanes] = {}, u[kLanes] = {};
        for (unsigned long i = 0; i < kLanes && j + i < n; ++i) {
            x[i] = X[j + i];
            y[i] = Y[j + i];
            z[i] = Z[j + i];
            w[i] = W[j + i];
            if constexpr (kTwo)
                u[i] = W2[j + i];
        }
        VF s, c;
        SinCos(Phase(Load(x), Load(y), Load(z), hv, kv, lv), s, c);
        Add(a, Load(w) * c);
        Add(b, Load(w) * s);
        if constexpr (kTwo) {
            Add(a2, Load(u) * c);
            Add(b2, Load(u) * s);
        }
    }
    out[0] = Total(a);
    out[1] = Total(b);
    if constexpr (kTwo) {
        out[2] = Total(a2);
        out[3] = Total(b2);
    }
}

// The machine's limit for these sums: the sine and cosine of n given phases (n a multiple of
// 2·kLanes), summed, reps times; out[0..1] the totals over all passes.
__attribute__((always_inline)) inline void IdealSums(const float* phi, unsigned long n, unsigned long reps, double* out)
{
    out[0] = out[1] = 0;
    for (unsigned long r = 0; r < reps; ++r) {
        WideSum a, b;
        for (unsigned long j = 0; j + 2 * kLanes <= n;) {
            VF fa0 = VF{}, fb0 = VF{}, fa1 = VF{}, fb1 = VF{};
            for (unsigned long v = 0; v < kFlush && j + 2 * kLanes <= n; ++v, j += 2 * kLanes) {
                VF s0, c0, s1, c1;
                SinCos(Load(phi + j), s0, c0);
                SinCos(Load(phi + j + kLanes), s1, c1);
                fa0 += c0;
                fb0 += s0;
                fa1 += c1;
                fb1 += s1;
            }
            Add(a, fa0 + fa1);
            Add(b, fb0 + fb1);
        }
        out[0] += Total(a);
        out[1] += Total(b);
    }
}
