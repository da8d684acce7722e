#include "tools/vtx/native_executor.h"

#include <cstring>
#include <iterator>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "adjust/adjust.h"
#include "session/image_session.h"
#include "session/members.h"

// The operation families present in this tree; each declares its members'
// functions. A family folder that has not been written yet is skipped.
#if __has_include("effects/effects.h")
#include "effects/effects.h"
#endif
#if __has_include("filters/filters.h")
#include "filters/filters.h"
#endif
#if __has_include("transform/transform.h")
#include "transform/transform.h"
#endif
#if __has_include("draw/draw.h")
#include "draw/draw.h"
#endif

namespace vtx::cli {

namespace native {

// State one call's argument unpacking walks through.
struct Cursor {
    PreparedCall& prepared;
    std::vector<ImageOutput>& outputs;
    const Image** lastGiven;
    std::size_t nextArg = 0;
    std::size_t nextImage = 0;
    std::string value;  // printed value of an out parameter

    const ArgValue& NextArg() { return prepared.call.args.at(nextArg++); }
    Image& NextImage() { return prepared.images.at(nextImage++); }
};

// ---------------------------------------------------------------------------
// The image exchange members. The component takes SAFEARRAYs here; vtx takes
// PNG files, loaded before the calls run and written after the last one.

struct ImageInput {
    Image* image;
    const Image** lastGiven;
};

struct ImageOutputPath {
    const std::string* path;
    std::vector<ImageOutput>* outputs;
};

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

// ---------------------------------------------------------------------------
// Parameter binding: Param<T> says which table parameters a C++ parameter
// type can stand for and makes its value from the call's arguments.

template <class T>
struct Param {
    static_assert(sizeof(T) == 0,
                  "no vtx argument binding for this C++ parameter type: add a Param specialisation that makes it "
                  "from the parsed argument value");
};

template <class T, ParamType kType>
struct ValueParam {
    static constexpr bool Accepts(const ParamInfo& p) { return p.type == kType && p.dir == ParamDir::In; }
    T value;
    explicit ValueParam(Cursor& c) : value(std::get<T>(c.NextArg())) {}
    T Pass() { return value; }
    void Report(Cursor&, const ParamInfo&) {}
};

template <>
struct Param<double> : ValueParam<double, ParamType::Double> {
    using ValueParam::ValueParam;
};
template <>
struct Param<std::int32_t> : ValueParam<std::int32_t, ParamType::Int32> {
    using ValueParam::ValueParam;
};
template <>
struct Param<VariantBool> : ValueParam<VariantBool, ParamType::Bool> {
    using ValueParam::ValueParam;
};
template <>
struct Param<std::uint8_t> : ValueParam<std::uint8_t, ParamType::Byte> {
    using ValueParam::ValueParam;
};

template <>
struct Param<std::u16string_view> {
    static constexpr bool Accepts(const ParamInfo& p) { return p.type == ParamType::Text && p.dir == ParamDir::In; }
    std::u16string_view value;
    explicit Param(Cursor& c) : value(std::get<TextArg>(c.NextArg()).text) {}
    std::u16string_view Pass() { return value; }
    void Report(Cursor&, const ParamInfo&) {}
};

// Out parameters: the value the member writes is printed after the call.
template <class T, ParamType kType>
struct OutParam {
    static constexpr bool Accepts(const ParamInfo& p) {
        return p.type == kType && (p.dir == ParamDir::Out || p.dir == ParamDir::OutRetval);
    }
    T value{};
    explicit OutParam(Cursor&) {}
    T* Pass() { return &value; }
    void Report(Cursor& c, const ParamInfo& p) {
        if (!c.value.empty()) c.value += ", ";
        c.value += std::string(p.name) + " = " + std::to_string(value);
    }
};

template <>
struct Param<std::int32_t*> : OutParam<std::int32_t, ParamType::Int32> {
    using OutParam::OutParam;
};
template <>
struct Param<VariantBool*> : OutParam<VariantBool, ParamType::Bool> {
    using OutParam::OutParam;
};
template <>
struct Param<double*> : OutParam<double, ParamType::Double> {
    using OutParam::OutParam;
};

template <>
struct Param<ImageInput> {
    static constexpr bool Accepts(const ParamInfo& p) {
        return (p.type == ParamType::ImageArray || p.type == ParamType::ImagePointer) && p.dir == ParamDir::In;
    }
    ImageInput value;
    explicit Param(Cursor& c) : value{nullptr, c.lastGiven} {
        c.NextArg();
        value.image = &c.NextImage();
    }
    ImageInput Pass() { return value; }
    void Report(Cursor&, const ParamInfo&) {}
};

template <>
struct Param<ImageOutputPath> {
    static constexpr bool Accepts(const ParamInfo& p) {
        return p.type == ParamType::ImageArray && p.dir == ParamDir::Out;
    }
    ImageOutputPath value;
    explicit Param(Cursor& c) : value{&std::get<ImagePathArg>(c.NextArg()).path, &c.outputs} {}
    ImageOutputPath Pass() { return value; }
    void Report(Cursor&, const ParamInfo&) {}
};

// One member function bound to the table: Agrees() compares its parameter
// types with the table entry, Call() unpacks the arguments and calls it.
template <class F, F Fn>
struct Bound;

template <class... A, std::int32_t (*Fn)(ImageSession&, A...)>
struct Bound<std::int32_t (*)(ImageSession&, A...), Fn> {
    static constexpr bool Agrees(const MemberInfo& m) {
        if (m.paramCount != static_cast<std::int32_t>(sizeof...(A))) return false;
        std::int32_t i = 0;
        const bool each[] = {true, Param<A>::Accepts(m.params[i++])...};
        for (bool ok : each) {
            if (!ok) return false;
        }
        return true;
    }

    static CallOutcome Call(ImageSession& s, Cursor& c) { return CallWith(s, c, std::index_sequence_for<A...>{}); }

private:
    template <std::size_t... I>
    static CallOutcome CallWith(ImageSession& s, Cursor& c, std::index_sequence<I...>) {
        // Braced initialisation evaluates left to right: the parameters take
        // their arguments in declaration order.
        std::tuple<Param<A>...> params{Param<A>(c)...};
        CallOutcome outcome;
        outcome.result = Fn(s, std::get<I>(params).Pass()...);
        const MemberInfo& m = *c.prepared.call.member;
        (std::get<I>(params).Report(c, m.params[I]), ...);
        outcome.value = std::move(c.value);
        return outcome;
    }
};

struct Binding {
    std::string_view id;
    CallOutcome (*call)(ImageSession&, Cursor&);
};

constexpr std::int32_t IndexOfId(std::string_view id) {
    for (std::int32_t i = 0; i < kMemberCount; ++i) {
        if (kMembers[i].id == id) return i;
    }
    return -1;
}

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
