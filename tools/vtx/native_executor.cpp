#include "tools/vtx/native_executor.h"

#include <iterator>
#include <string_view>
#include <utility>

#include "operations.h"
#include "session/members.h"
#include "tools/vtx/native_binding.h"

namespace vtx::cli {

namespace native {

// The image exchange members, over PNG files instead of SAFEARRAYs.

std::int32_t SetSafeArray(ImageSession& s, ImageInput in) {
    *in.lastGiven = in.image;
    return s.SetImageCopy(in.image->data(), in.image->width, in.image->height);
}

std::int32_t SetSafeArrayPtr(ImageSession& s, ImageInput in) {
    *in.lastGiven = in.image;
    return s.SetImageInPlace(in.image->data(), in.image->width, in.image->height);
}

std::int32_t GetSafeArray(ImageSession& s, ImageOutputPath out) {
    if (!s.HasImage()) return 1;
    ImageOutput o;
    o.path = *out.path;
    o.image.width = s.width();
    o.image.height = s.height();
    o.image.pixels.assign(s.pixels(), s.pixels() + s.byteSize());
    out.outputs->push_back(std::move(o));
    return 0;
}

// The resize writes into an array of the size the call names, cleared to
// zero; vtx then makes that array the session's image, so later calls and
// the written file see the resized picture.
std::int32_t TransformResize(ImageSession& s, ImageSizeArg size, std::int32_t Color, std::int32_t Type) {
    Image out;
    out.width = size.width;
    out.height = size.height;
    out.pixels.assign(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 4, 0);
    ImageView view{out.data(), out.width, out.height};
    const std::int32_t result = vtx::TransformResize(s, &view, Color, Type);
    if (result != 0) return result;
    return s.SetImageCopy(out.data(), out.width, out.height);
}

// The overlay of DrawImage and DrawImagePtr, from a PNG file; it is read in
// place and never becomes the session's image.
std::int32_t DrawImage(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top, ImageInput Image,
                       std::int32_t Color, std::int32_t Alpha) {
    const ImageView overlay{Image.image->data(), Image.image->width, Image.image->height};
    return ::vtx::DrawImage(s, Completeness, Left, Top, &overlay, Color, Alpha);
}

std::int32_t DrawImagePtr(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                          ImageInput Image, std::int32_t Color, std::int32_t Alpha) {
    return DrawImage(s, Completeness, Left, Top, Image, Color, Alpha);
}

struct Binding {
    std::string_view id;
    CallOutcome (*call)(ImageSession&, Cursor&);
};

// One binding per table entry, generated from the member list, in table order.
#define VTX_BIND_(id, ...) Binding{#id, &Bound<decltype(&id), &id>::Call},
constexpr Binding kBindings[] = {VTX_MEMBERS(VTX_BIND_)};
#undef VTX_BIND_

#define VTX_CHECK_BINDING_(id, ...)                                                                    \
    static_assert(IndexOfId(#id) >= 0 && Bound<decltype(&id), &id>::Agrees(kMembers[IndexOfId(#id)]), \
                  "the C++ parameters of " #id " disagree with its entry in the member table");
VTX_MEMBERS(VTX_CHECK_BINDING_)
#undef VTX_CHECK_BINDING_

constexpr bool BindingsFollowTable() {
    if (static_cast<std::int32_t>(std::size(kBindings)) != kMemberCount) return false;
    for (std::int32_t i = 0; i < kMemberCount; ++i) {
        if (kBindings[i].id != kMembers[i].id) return false;
    }
    return true;
}
static_assert(BindingsFollowTable(), "one binding per member, in table order");

}  // namespace native

NativeExecutor::NativeExecutor() : session_(std::make_unique<ImageSession>()) {}

NativeExecutor::~NativeExecutor() = default;

std::int32_t NativeExecutor::SetImage(const Image& image) {
    given_ = image;
    lastGiven_ = &given_;
    return session_->SetImageCopy(given_.data(), given_.width, given_.height);
}

bool NativeExecutor::GetImage(Image& out) {
    if (session_->HasImage()) {
        out.width = session_->width();
        out.height = session_->height();
        out.pixels.assign(session_->pixels(), session_->pixels() + session_->byteSize());
        return true;
    }
    if (lastGiven_ == nullptr) return false;
    out = *lastGiven_;
    return true;
}

CallOutcome NativeExecutor::Run(PreparedCall& call, std::vector<ImageOutput>& outputs) {
    const MemberInfo* m = call.call.member;
    const std::ptrdiff_t index = m - kMembers;
    native::Cursor cursor{call, outputs, &lastGiven_, 0, 0, {}};
    return native::kBindings[index].call(*session_, cursor);
}

}  // namespace vtx::cli
