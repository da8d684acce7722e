// Flip, quadrangle warps, shift, rotation and zoom. All but the flip hand
// the pixel work to the geometric and copy primitives; none blends with the
// image as it was. Every method that changes the image first copies it into
// the session's backup slot, fills the image with BackColor (alpha kept) and
// reads the backup while it writes the image.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "primitives/conventions.h"
#include "primitives/geometry.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"
#include "transform/transform.h"

namespace vtx {

namespace {

constexpr double kOver180 = 0.005555555555555556;
constexpr double kOver360 = 0.002777777777777778;

// An automation BOOL counts as set when its low 16 bits are all ones.
bool IsSet(std::int32_t v) { return (static_cast<std::uint32_t>(v) & 0xFFFFu) == 0xFFFFu; }

void BackgroundFill(ImageSession& s) {
    std::uint8_t bgr[3];
    ColourBytes(s.backColor(), bgr);
    px::Set_8u_AC4R(bgr, s.pixels(), s.stride(), ImageRoi(s));
}

px::RoiRect FullRect(const ImageSession& s) { return px::RoiRect{0, 0, s.width(), s.height()}; }
px::RoiSize FullSize(const ImageSession& s) { return px::RoiSize{s.width(), s.height()}; }

// The backup is released whatever way the call leaves.
struct BackupScope {
    ImageSession& s;
    ~BackupScope() { s.FreeBackupCopy(); }
};

std::int32_t Warp(ImageSession& s, double Completeness, std::int32_t Vertical, double Angle, bool perspective) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double a = ClampDouble(Angle, -90.0, 90.0) * c;
    // A NaN angle does nothing.
    if (!(std::fabs(a) >= 0.001)) return 0;
    if (!s.MakeBackupCopy()) return 0;
    BackupScope scope{s};
    BackgroundFill(s);
    const std::int32_t w = s.width(), h = s.height();
    const bool vertical = IsSet(Vertical);
    const double aa = std::fabs(a);
    const double kx = perspective && !vertical ? kOver360 : kOver180;
    const double ky = perspective && vertical ? kOver360 : kOver180;
    const double dx = px::TruncToInt32(w * aa * kx), dy = px::TruncToInt32(h * aa * ky);
    const double W1 = w - 1, H1 = h - 1;
    double q[4][2];
    auto set = [&](double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
        q[0][0] = x0, q[0][1] = y0, q[1][0] = x1, q[1][1] = y1, q[2][0] = x2, q[2][1] = y2, q[3][0] = x3, q[3][1] = y3;
    };
    if (perspective && vertical) {
        if (a > 0) set(dx, dy, W1 - dx, 0, W1 - dx, H1, dx, H1 - dy);
        else set(dx, 0, W1 - dx, dy, W1 - dx, H1 - dy, dx, H1);
    } else if (perspective) {
        if (a > 0) set(dx, dy, W1 - dx, dy, W1, H1 - dy, 0, H1 - dy);
        else set(0, dy, W1, dy, W1 - dx, H1 - dy, dx, H1 - dy);
    } else if (vertical) {
        if (a > 0) set(dx, dy, W1 - dx, 0, W1 - dx, H1 - dy, dx, H1);
        else set(dx, 0, W1 - dx, dy, W1 - dx, H1, dx, H1 - dy);
    } else {
        if (a > 0) set(dx, dy, W1, dy, W1 - dx, H1 - dy, 0, H1 - dy);
        else set(0, dy, W1 - dx, dy, W1, H1 - dy, dx, H1 - dy);
    }
    const double full[4][2] = {{0, 0}, {W1, 0}, {W1, H1}, {0, H1}};
    if (perspective) {
        px::WarpPerspectiveQuad_8u_AC4R(s.backup(), FullSize(s), s.stride(), FullRect(s), full, s.pixels(),
                                        s.stride(), FullRect(s), q, px::kInterNearest);
    } else {
        px::WarpAffineQuad_8u_AC4R(s.backup(), FullSize(s), s.stride(), FullRect(s), full, s.pixels(), s.stride(),
                                   FullRect(s), q, px::kInterNearest);
    }
    return 0;
}

}  // namespace

std::int32_t TransformFlip(ImageSession& s, double Completeness, std::int32_t Vertical) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // Without the backup there is nothing to read from: the image stays.
    if (!s.MakeBackupCopy()) return 0;
    BackupScope scope{s};
    BackgroundFill(s);
    const std::int32_t w = s.width(), h = s.height(), step = s.stride();
    const bool vertical = IsSet(Vertical);
    const bool mask = s.useMask();
    const std::uint8_t* src = s.backup();
    std::uint8_t* dst = s.pixels();
    // Each target is trunc(mirrored·c + (1−c)·position), which stays inside
    // 0 .. side−1 for c in [0, 1].
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int32_t ty = vertical ? px::TruncToInt32((h - 1 - y) * c + (1.0 - c) * y) : y;
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint8_t* p = src + static_cast<std::int64_t>(y) * step + 4 * x;
            if (mask && p[3] != 0) continue;
            const std::int32_t tx = vertical ? x : px::TruncToInt32((w - 1 - x) * c + (1.0 - c) * x);
            std::uint8_t* q = dst + static_cast<std::int64_t>(ty) * step + 4 * tx;
            q[0] = p[0], q[1] = p[1], q[2] = p[2];
        }
    }
    return 0;
}

std::int32_t TransformPerspective(ImageSession& s, double Completeness, std::int32_t Vertical, double Angle) {
    return Warp(s, Completeness, Vertical, Angle, true);
}

std::int32_t TransformSkew(ImageSession& s, double Completeness, std::int32_t Vertical, double Angle) {
    return Warp(s, Completeness, Vertical, Angle, false);
}

std::int32_t TransformShift(ImageSession& s, double Completeness, std::int32_t X, std::int32_t Y) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // -Y·c in double: -INT32_MIN does not overflow there.
    const std::int64_t sx = px::TruncToInt32(X * c), sy = px::TruncToInt32(-static_cast<double>(Y) * c);
    if (sx == 0 && sy == 0) return 0;
    const std::int32_t w = s.width(), h = s.height();
    if (sx >= w || sy >= h || sx <= -w || sy <= -h) {
        BackgroundFill(s);
        return 0;
    }
    if (!s.MakeBackupCopy()) return 0;
    BackupScope scope{s};
    BackgroundFill(s);
    const std::int64_t step = s.stride();
    const std::uint8_t* from = s.backup() + std::max<std::int64_t>(-sy, 0) * step + 4 * std::max<std::int64_t>(-sx, 0);
    std::uint8_t* to = s.pixels() + std::max<std::int64_t>(sy, 0) * step + 4 * std::max<std::int64_t>(sx, 0);
    px::Copy_8u_AC4R(from, s.stride(), to, s.stride(),
                     px::RoiSize{static_cast<std::int32_t>(w - std::llabs(sx)), static_cast<std::int32_t>(h - std::llabs(sy))});
    return 0;
}

std::int32_t TransformRotate(ImageSession& s, double Completeness, double Angle) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double a = ClampDouble(Angle, -360.0, 360.0) * c;
    if (!(std::fabs(a) >= 0.001) || a > 359.999 || a < -359.999) return 0;
    if (std::fabs(std::fabs(a) - 180.0) < 0.001) {
        px::Mirror_8u_AC4IR(s.pixels(), s.stride(), ImageRoi(s), px::kAxisBoth);
        return 0;
    }
    if (!s.MakeBackupCopy()) return 0;
    BackupScope scope{s};
    BackgroundFill(s);
    const std::int32_t w = s.width(), h = s.height();
    double quad[4][2];
    px::GetRotateQuad(FullRect(s), quad, a, 0.0, 0.0);
    double minX = quad[0][0], maxX = quad[0][0], minY = quad[0][1], maxY = quad[0][1];
    for (const auto& p : quad) {
        minX = std::min(minX, p[0]), maxX = std::max(maxX, p[0]);
        minY = std::min(minY, p[1]), maxY = std::max(maxY, p[1]);
    }
    const std::int32_t bw = px::TruncToInt32(maxX - minX), bh = px::TruncToInt32(maxY - minY);
    const double m = std::max(static_cast<double>(bw) / w, static_cast<double>(bh) / h);
    const double scale = 1.0 / m;
    // The working image comes from the call's memory. When it cannot be
    // had the image keeps the background fill (result 0).
    CallMemory memory(s);
    std::uint8_t* work = memory.Allocate(static_cast<std::int64_t>(s.byteSize()));
    if (work == nullptr) return 0;
    const std::uint8_t black[3] = {0, 0, 0};
    px::Set_8u_AC4R(black, work, s.stride(), FullSize(s));
    px::ResizeCenter_8u_AC4R(s.backup(), FullSize(s), s.stride(), FullRect(s), work, s.stride(), FullSize(s), scale,
                             scale, w * 0.5, h * 0.5, px::kInterLinear);
    px::RotateCenter_8u_AC4R(work, FullSize(s), s.stride(), FullRect(s), s.pixels(), s.stride(), FullRect(s), a,
                             w * 0.5, h * 0.5, px::kInterLinear);
    return 0;
}

std::int32_t TransformZoom(ImageSession& s, double Completeness, std::int32_t Zoom) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t z = ClampInt(Zoom, -100, 100);
    if (z == 0 || std::fabs(c) < 0.001) return 0;
    double f;
    if (z < 0) {
        f = 1.0 - std::min(std::fabs(z * c * 0.01), 0.999);
    } else {
        const double e = z * c * 0.01;
        f = 1.0 + 0.5 * std::min(s.width(), s.height()) * (e * e);
    }
    if (!s.MakeBackupCopy()) return 0;
    BackupScope scope{s};
    BackgroundFill(s);
    const std::int32_t w = s.width(), h = s.height();
    px::ResizeCenter_8u_AC4R(s.backup(), FullSize(s), s.stride(), FullRect(s), s.pixels(), s.stride(), FullSize(s), f,
                             f, w * 0.5, h * 0.5, px::kInterLinear);
    return 0;
}

}  // namespace vtx
