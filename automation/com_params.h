// How each parameter kind of the member table appears on the COM side: the
// C++ type of the vtable parameter and the variant type a late-bound argument
// is converted to. Both the CVideoTransform overrides and the Invoke
// argument slots are built from this one mapping, and `override` checks the
// result against the widl header, so the table, the IDL and the adapter
// cannot drift apart silently.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "session/members.h"

namespace vtx::automation {

constexpr std::int32_t ParamKey(ParamType type, ParamDir dir) {
    return static_cast<std::int32_t>(type) * 8 + static_cast<std::int32_t>(dir);
}
constexpr std::int32_t ParamKey(const ParamInfo& p) { return ParamKey(p.type, p.dir); }

// Only the combinations the interface uses are defined; a member with any
// other parameter kind does not compile until its conversion is written here.
template <std::int32_t Key>
struct ComParam;

#define VTX_COM_PARAM_(Type, Dir, CType, Vt)                              \
    template <>                                                           \
    struct ComParam<ParamKey(ParamType::Type, ParamDir::Dir)> {           \
        using type = CType;                                               \
        static constexpr VARTYPE vt = Vt;                                 \
    };

VTX_COM_PARAM_(Double, In, double, VT_R8)
VTX_COM_PARAM_(Int32, In, LONG, VT_I4)
VTX_COM_PARAM_(Bool, In, VARIANT_BOOL, VT_BOOL)
VTX_COM_PARAM_(Byte, In, unsigned char, VT_UI1)
VTX_COM_PARAM_(Text, In, BSTR, VT_BSTR)
VTX_COM_PARAM_(ImageArray, In, SAFEARRAY**, VT_ARRAY | VT_UI1 | VT_BYREF)
VTX_COM_PARAM_(ImageArray, Out, SAFEARRAY**, VT_ARRAY | VT_UI1 | VT_BYREF)
VTX_COM_PARAM_(ImagePointer, In, unsigned char*, VT_UI1 | VT_BYREF)
// A font object. Late-bound callers pass it as VT_DISPATCH or VT_UNKNOWN
// (the object must provide IFontDisp), or pass VT_EMPTY, VT_NULL or a null
// object for the default font; VT_RECORD and every other type is a type
// mismatch (see the font slot in dispatch.cpp).
VTX_COM_PARAM_(Font, In, IFontDisp*, VT_DISPATCH)
// Property gets: the variant type is the one stored in the result.
VTX_COM_PARAM_(Bool, OutRetval, VARIANT_BOOL*, VT_BOOL)
VTX_COM_PARAM_(Int32, OutRetval, LONG*, VT_I4)

#undef VTX_COM_PARAM_

template <std::int32_t Key>
using ComType = typename ComParam<Key>::type;

// A BSTR as the portable operations take texts: its UTF-16 code units, as
// many as its stored length (embedded zero characters count); a null BSTR is
// the empty text. Throws std::bad_alloc when the copy cannot be made.
class TextView {
public:
    explicit TextView(BSTR text) {
        if (text != nullptr) text_.assign(text, text + SysStringLen(text));
    }
    operator std::u16string_view() const { return text_; }

private:
    std::u16string text_;
};

// The conversion of each forwarded argument from its COM type to the
// portable one: texts become TextView, everything else passes unchanged.
inline TextView Portable(BSTR text) { return TextView(text); }
template <class T>
T Portable(T value) {
    return value;
}

// Position of a member in the table by its C++ name (compile time).
constexpr std::int32_t MemberIndex(std::string_view id) {
    for (std::int32_t i = 0; i < kMemberCount; ++i) {
        if (kMembers[i].id == id) return i;
    }
    return -1;
}

}  // namespace vtx::automation

// ---------------------------------------------------------------------------
// Preprocessor helpers that turn a member's parameter list P(...), P(...) into
// a C++ parameter declaration "T1 p1, T2 p2" and an argument list "p1, p2".

// P("Name", Type, Dir) -> the parameter's C++ type. The comma inside the
// parentheses keeps the whole type one macro argument.
#define VTX_COM_TYPE_(name, type, dir) \
    ::vtx::automation::ComType<::vtx::automation::ParamKey(::vtx::ParamType::type, ::vtx::ParamDir::dir)>

#define VTX_COM_CAT_(a, b) VTX_COM_CAT_I_(a, b)
#define VTX_COM_CAT_I_(a, b) a##b
#define VTX_COM_NARGS_(...) VTX_COM_NARGS_I_(__VA_ARGS__, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define VTX_COM_NARGS_I_(a1, a2, a3, a4, a5, a6, a7, a8, a9, n, ...) n

#define VTX_COM_DECL_(...) VTX_COM_CAT_(VTX_COM_DECL_, VTX_COM_NARGS_(__VA_ARGS__))(__VA_ARGS__)
#define VTX_COM_DECL_1(t1) t1 p1
#define VTX_COM_DECL_2(t1, t2) t1 p1, t2 p2
#define VTX_COM_DECL_3(t1, t2, t3) t1 p1, t2 p2, t3 p3
#define VTX_COM_DECL_4(t1, t2, t3, t4) t1 p1, t2 p2, t3 p3, t4 p4
#define VTX_COM_DECL_5(t1, t2, t3, t4, t5) t1 p1, t2 p2, t3 p3, t4 p4, t5 p5
#define VTX_COM_DECL_6(t1, t2, t3, t4, t5, t6) t1 p1, t2 p2, t3 p3, t4 p4, t5 p5, t6 p6
#define VTX_COM_DECL_7(t1, t2, t3, t4, t5, t6, t7) t1 p1, t2 p2, t3 p3, t4 p4, t5 p5, t6 p6, t7 p7
#define VTX_COM_DECL_8(t1, t2, t3, t4, t5, t6, t7, t8) t1 p1, t2 p2, t3 p3, t4 p4, t5 p5, t6 p6, t7 p7, t8 p8
#define VTX_COM_DECL_9(t1, t2, t3, t4, t5, t6, t7, t8, t9) \
    t1 p1, t2 p2, t3 p3, t4 p4, t5 p5, t6 p6, t7 p7, t8 p8, t9 p9

// The arguments, each converted by Portable().
#define VTX_COM_ARGS_(...) VTX_COM_CAT_(VTX_COM_ARGS_, VTX_COM_NARGS_(__VA_ARGS__))
#define VTX_COM_ARGS_1 Portable(p1)
#define VTX_COM_ARGS_2 VTX_COM_ARGS_1, Portable(p2)
#define VTX_COM_ARGS_3 VTX_COM_ARGS_2, Portable(p3)
#define VTX_COM_ARGS_4 VTX_COM_ARGS_3, Portable(p4)
#define VTX_COM_ARGS_5 VTX_COM_ARGS_4, Portable(p5)
#define VTX_COM_ARGS_6 VTX_COM_ARGS_5, Portable(p6)
#define VTX_COM_ARGS_7 VTX_COM_ARGS_6, Portable(p7)
#define VTX_COM_ARGS_8 VTX_COM_ARGS_7, Portable(p8)
#define VTX_COM_ARGS_9 VTX_COM_ARGS_8, Portable(p9)
