// Binding of the member table to the component's C++ functions: Param<T>
// says which table parameters a C++ parameter type can stand for and makes
// its value from a parsed call; Bound<F, Fn> checks a function's parameter
// list against a table entry (at compile time) and calls it with the call's
// arguments. Used by the native executor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "draw/surface.h"
#include "session/image_session.h"
#include "session/members.h"
#include "tools/vtx/executor.h"

namespace vtx::cli::native {

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

// The image arguments of the exchange members: the component takes
// SAFEARRAYs; vtx takes PNG files, loaded before the calls run and written
// after the last one.

struct ImageInput {
    Image* image;
    const Image** lastGiven;
};

struct ImageOutputPath {
    const std::string* path;
    std::vector<ImageOutput>* outputs;
};

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

// A font: the description a font argument names, or null (the default font)
// for `null`.
template <>
struct Param<const draw::FontDescription*> {
    static constexpr bool Accepts(const ParamInfo& p) { return p.type == ParamType::Font && p.dir == ParamDir::In; }
    draw::FontDescription font;
    bool isNull;
    explicit Param(Cursor& c) {
        const FontArg& f = std::get<FontArg>(c.NextArg());
        isNull = f.isNull;
        font.face = f.face;
        // A character height in pixels (the parser admits 0 ... 10000).
        font.height = f.height == INT32_MIN ? INT32_MAX : -f.height;
        font.weight = f.weight;
        font.italic = f.italic;
        font.underline = f.underline;
        font.strikeOut = f.strikeOut;
        font.charset = static_cast<std::uint8_t>(f.charset);
    }
    const draw::FontDescription* Pass() { return isNull ? nullptr : &font; }
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

// Index of the table entry whose C++ name is `id`, or -1.
constexpr std::int32_t IndexOfId(std::string_view id) {
    for (std::int32_t i = 0; i < kMemberCount; ++i) {
        if (kMembers[i].id == id) return i;
    }
    return -1;
}

}  // namespace vtx::cli::native
