// Vector bodies of the colour-space kernels, shared by the per-target files.
//
// Not a normal header: a target file (pixel_sse2.cpp, pixel_avx2.cpp,
// pixel_avx512.cpp) includes it inside its own anonymous namespace after
// defining, for its vector width:
//   D, MD   double vector and its comparison mask, kD doubles per vector
//   F, MF   float vector and its mask, kF = 2·kD floats per vector
//   SetD, SetF, Add, Sub, Mul, Div, Min, Max, Abs, Lt, Le, Gt, Eq, Sel(mask, a, b),
//           MAnd(m1, m2), MAndNot(m1, m2) (m1 and not m2) on float masks
//   LoadBgrD(p, b0, b1, b2)   bytes 0..2 of kD pixels as doubles
//   LoadBgrF(p, b0, b1, b2)   bytes 0..2 of kF pixels as floats
//   Halves(f, lo, hi)         the kF floats as two vectors of doubles
//   Narrow(lo, hi)            two vectors of doubles rounded to one of floats
//   Idx, ToIndex(v)           kD truncated values saturated to 0..255, as indices
//   GatherD(table, idx)       table[idx] of 32-bit integers, as doubles
//   StoreByteD(p, v)          kD bytes: the truncated values of v saturated to 0..255
//   StoreBgrD(p, c0, c1, c2, keepNonzeroAlpha)
//                             kD pixels: byte c = the truncated value of c<c>
//                             saturated to 0..255, byte 3 kept; with
//                             keepNonzeroAlpha, a pixel whose byte 3 is not 0
//                             keeps all its bytes
// Every step is the plain kernel's operation in the same order, with both
// arms of a branch computed and one selected per lane; an arm that divides by
// zero in a lane where it is not selected does no harm (no traps). The last
// pixels after the final whole vector go to the plain kernels, so only whole
// pixels of the row are ever loaded.

// Single-precision constants of the 8-bit conversions, used as doubles.
constexpr double kInv255d = static_cast<double>(0.003921568859368563f);
constexpr double kInv360d = static_cast<double>(0.0027777778450399637f);
constexpr double kInv60d = static_cast<double>(0.01666666753590107f);
constexpr double kRoundOffsetD = static_cast<double>(0.4999989867210388f);

void BgrToHls_simd(const U8* src, U8* dst, Count n) {
    const D k = SetD(kInv255d), zero = SetD(0.0), half = SetD(0.5), one = SetD(1.0), two = SetD(2.0);
    const D c60 = SetD(60.0), c120 = SetD(120.0), c240 = SetD(240.0), c360 = SetD(360.0), c255 = SetD(255.0);
    const D k360 = SetD(kInv360d), h0 = SetD(kRoundOffsetD);
    Count i = 0;
    for (; i + kD <= n; i += kD) {
        D B, G, R;
        LoadBgrD(src + 4 * i, B, G, R);
        B = Mul(B, k);
        G = Mul(G, k);
        R = Mul(R, k);
        const D M = Max(B, Max(G, R)), N = Min(B, Min(G, R));
        const D Dv = Sub(M, N), sum = Add(M, N), L = Mul(sum, half);
        const D S = Mul(Div(one, Sel(Le(L, half), sum, Sub(two, sum))), Dv);
        const D q = Div(one, Dv);
        const MD isR = Eq(R, M), isG = Eq(G, M);
        // ((x·60)·q) + 0 is ((x·60)·q) for the red case (a zero sign aside,
        // which the rounding below does not see).
        const D diff = Sel(isR, Sub(G, B), Sel(isG, Sub(B, R), Sub(R, G)));
        D H = Add(Mul(Mul(diff, c60), q), Sel(isR, zero, Sel(isG, c120, c240)));
        H = Sel(Lt(H, zero), Add(H, c360), H);
        const MD grey = Eq(Dv, zero);
        H = Sel(grey, zero, H);
        const D Sg = Sel(grey, zero, S);
        StoreBgrD(dst + 4 * i, Add(Mul(Mul(H, c255), k360), h0), Add(Mul(L, c255), h0), Add(Mul(Sg, c255), h0),
                  false);
    }
    BgrToHls_plain(src + 4 * i, dst + 4 * i, n - i);
}

void Lightness_simd(const U8* src, U8* dst, Count n) {
    const D k = SetD(kInv255d), half = SetD(0.5), c255 = SetD(255.0), h0 = SetD(kRoundOffsetD);
    Count i = 0;
    for (; i + kD <= n; i += kD) {
        D B, G, R;
        LoadBgrD(src + 4 * i, B, G, R);
        B = Mul(B, k);
        G = Mul(G, k);
        R = Mul(R, k);
        const D L = Mul(Add(Max(B, Max(G, R)), Min(B, Min(G, R))), half);
        StoreByteD(dst + i, Add(Mul(L, c255), h0));
    }
    Lightness_plain(src + 4 * i, dst + i, n - i);
}

void HlsToRgb_simd(const U8* src, U8* dst, Count n) {
    const D k = SetD(kInv255d), zero = SetD(0.0), half = SetD(0.5), one = SetD(1.0);
    const D c60 = SetD(60.0), c120 = SetD(120.0), c180 = SetD(180.0), c240 = SetD(240.0), c360 = SetD(360.0);
    const D c255 = SetD(255.0), k60 = SetD(kInv60d), h0 = SetD(kRoundOffsetD);
    Count i = 0;
    for (; i + kD <= n; i += kD) {
        D h, l, s;
        LoadBgrD(src + 4 * i, h, l, s);
        h = Mul(Mul(h, c360), k);
        l = Mul(l, k);
        s = Mul(s, k);
        const D m2 = Sel(Le(l, half), Mul(Add(s, one), l), Sub(Add(l, s), Mul(s, l)));
        const D m1 = Sub(Add(l, l), m2);
        const D span = Sub(m2, m1);
        const MD grey = Eq(s, zero);
        const auto f = [&](D x) {
            const MD rising = Lt(x, c60);
            const D ramp = Add(m1, Mul(Mul(span, Sel(rising, x, Sub(c240, x))), k60));
            const D v = Sel(rising, ramp, Sel(Lt(x, c180), m2, Sel(Lt(x, c240), ramp, m1)));
            return Sel(grey, l, v);
        };
        D hr = Add(h, c120);
        hr = Sel(Gt(hr, c360), Sub(hr, c360), hr);
        D hb = Sub(h, c120);
        hb = Sel(Lt(hb, zero), Add(hb, c360), hb);
        StoreBgrD(dst + 4 * i, Add(Mul(f(hr), c255), h0), Add(Mul(f(h), c255), h0), Add(Mul(f(hb), c255), h0),
                  false);
    }
    HlsToRgb_plain(src + 4 * i, dst + 4 * i, n - i);
}

void RotateHue_simd(U8* p, Count n, double angle, double c, bool masked) {
    const F k = SetF(0.003921569f), zero = SetF(0.0f), half = SetF(0.5f), one = SetF(1.0f), two = SetF(2.0f);
    const F f60 = SetF(60.0f), f120 = SetF(120.0f), f180 = SetF(180.0f), f240 = SetF(240.0f), f360 = SetF(360.0f);
    const F f4 = SetF(4.0f), tiny = SetF(0.00001f), k60 = SetF(0.016666668f);
    const D dAngle = SetD(angle), dC = SetD(c), dRest = SetD(1.0 - c), d255 = SetD(255.0);
    Count i = 0;
    for (; i + kF <= n; i += kF) {
        F Bf, Gf, Rf;
        LoadBgrF(p + 4 * i, Bf, Gf, Rf);
        const F r = Mul(Rf, k), g = Mul(Gf, k), b = Mul(Bf, k);
        // Hue, lightness and saturation of (r, g, b).
        const MF rg = Gt(r, g), rb = Gt(r, b), gb = Gt(g, b);
        const F largest = Sel(rg, Sel(rb, r, b), Sel(gb, g, b));
        const F smallest = Sel(rg, Sel(Lt(g, b), g, b), Sel(Lt(r, b), r, b));
        const MF isRed = MAnd(rg, rb), isGreen = MAndNot(gb, rg);
        const F sum = Add(largest, smallest), l = Mul(sum, half), d = Sub(largest, smallest);
        const MF flat = Lt(Abs(d), tiny);
        // One division each: the arms differ only in what they divide.
        F s = Div(d, Sel(Lt(l, half), sum, Sub(Sub(two, largest), smallest)));
        const F q = Div(Sel(isRed, Sub(g, b), Sel(isGreen, Sub(b, r), Sub(r, g))), d);
        const F h0 = Sel(isRed, q, Add(q, Sel(isGreen, two, f4)));
        F h = Mul(h0, f60);
        h = Sel(Lt(h, zero), Add(h, f360), h);
        h = Sel(Gt(h, f360), Sub(h, f360), h);
        h = Sel(flat, zero, h);
        s = Sel(flat, zero, s);
        // The angle is added in double precision and the sum rounded to a float.
        D hLo, hHi;
        Halves(h, hLo, hHi);
        h = Narrow(Add(hLo, dAngle), Add(hHi, dAngle));
        h = Sel(Lt(h, zero), Add(h, f360), h);
        h = Sel(Gt(h, f360), Sub(h, f360), h);
        h = Sel(Lt(h, zero), zero, Sel(Gt(h, f360), f360, h));
        // Back to red, green and blue.
        const F m2 = Sel(Lt(l, half), Mul(Add(one, s), l), Sub(Add(l, s), Mul(l, s)));
        const F m1 = Sub(Mul(two, l), m2);
        const F span = Sub(m2, m1);
        const MF grey = Lt(Abs(s), tiny);
        const auto value = [&](F x) {
            x = Sel(Gt(x, f360), Sub(x, f360), Sel(Lt(x, zero), Add(x, f360), x));
            const F up = Add(m1, Mul(span, Mul(x, k60)));
            const F down = Add(m1, Mul(Mul(span, Sub(f240, x)), k60));
            const F v = Sel(Lt(x, f60), up, Sel(Lt(x, f180), m2, Sel(Lt(x, f240), down, m1)));
            return Sel(grey, l, v);
        };
        const F nr = value(Add(h, f120)), ng = value(h), nb = value(Sub(h, f120));
        // old·(1 − C) + new·C·255 in double precision, per half.
        D in[3][2], out[3][2];
        Halves(Bf, in[0][0], in[0][1]);
        Halves(Gf, in[1][0], in[1][1]);
        Halves(Rf, in[2][0], in[2][1]);
        Halves(nb, out[0][0], out[0][1]);
        Halves(ng, out[1][0], out[1][1]);
        Halves(nr, out[2][0], out[2][1]);
        for (int part = 0; part < 2; ++part) {
            D v[3];
            for (int ch = 0; ch < 3; ++ch) v[ch] = Add(Mul(in[ch][part], dRest), Mul(Mul(out[ch][part], dC), d255));
            StoreBgrD(p + 4 * (i + part * kD), v[0], v[1], v[2], masked);
        }
    }
    RotateHue_plain(p + 4 * i, n - i, angle, c, masked);
}

void Colorize_simd(U8* p, Count n, const ColourRamps& ramps, double c, bool masked) {
    const D w0 = SetD(0.11), w1 = SetD(0.59), w2 = SetD(0.3), dC = SetD(c), dRest = SetD(1.0 - c);
    Count i = 0;
    for (; i + kD <= n; i += kD) {
        D x[3];
        LoadBgrD(p + 4 * i, x[0], x[1], x[2]);
        // The weighted sum in the plain kernel's order, truncated to an index.
        const Idx y = ToIndex(Add(Add(Mul(w1, x[1]), Mul(w2, x[2])), Mul(w0, x[0])));
        D out[3];
        for (int ch = 0; ch < 3; ++ch) out[ch] = Add(Mul(GatherD(ramps[ch], y), dC), Mul(x[ch], dRest));
        StoreBgrD(p + 4 * i, out[0], out[1], out[2], masked);
    }
    Colorize_plain(p + 4 * i, n - i, ramps, c, masked);
}
