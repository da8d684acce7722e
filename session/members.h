// The interface members, each declared once: name, dispatch identifier, kind,
// help string and parameters (name, type, direction). The entries stand in
// vtable order. The automation adapter (names, Invoke, vtable forwarders,
// type-library checks), the vtx call parser and the tests all read this table.
//
// VTX_MEMBERS(X) expands X(Id, "Name", DispId, Kind, "Help", params...) per
// member, where Id is the C++ name of the member's function (the property
// accessors are get_X / put_X) and each parameter is P("Name", Type, Dir).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace vtx {

enum class ParamType : std::uint8_t {
    Double,        // VT_R8
    Int32,         // VT_I4
    Bool,          // VT_BOOL (VariantBool)
    Byte,          // VT_UI1
    Text,          // VT_BSTR
    ImageArray,    // pointer to a byte SAFEARRAY (a PNG path in vtx)
    ImagePointer,  // the SAFEARRAY passed as a byte pointer (a PNG path in vtx)
    Font,          // font object / FontDescription
};

enum class ParamDir : std::uint8_t {
    In,
    Out,        // out only
    InOut,      // in and out
    OutRetval,  // the out, return-value parameter of a property get
};

enum class MemberKind : std::uint8_t { Method, PropertyGet, PropertyPut };

struct ParamInfo {
    std::string_view name;
    ParamType type;
    ParamDir dir;
};

constexpr std::int32_t kMaxParams = 9;

struct MemberInfo {
    std::string_view id;    // C++ name: get_UseMask, AdjustBrightness, ...
    std::string_view name;  // interface name: UseMask, AdjustBrightness, ...
    std::int32_t dispid;
    MemberKind kind;
    std::string_view help;
    std::int32_t paramCount;
    ParamInfo params[kMaxParams];
};

constexpr MemberInfo MakeMember(std::string_view id, std::string_view name, std::int32_t dispid, MemberKind kind,
                                std::string_view help, std::initializer_list<ParamInfo> params) {
    MemberInfo m{id, name, dispid, kind, help, 0, {}};
    for (const ParamInfo& p : params) m.params[m.paramCount++] = p;
    return m;
}

#define VTX_HELP_USEMASK "Gets or sets flag which controls whether to use mask in transforms."
#define VTX_HELP_BACKCOLOR "Gets or sets background color for the effects."

// clang-format off
#define VTX_MEMBERS(X) \
    X(get_UseMask, "UseMask", 0, PropertyGet, VTX_HELP_USEMASK, P("Mask", Bool, OutRetval)) \
    X(put_UseMask, "UseMask", 0, PropertyPut, VTX_HELP_USEMASK, P("Mask", Bool, In)) \
    X(SetSafeArray, "SetSafeArray", 1, Method, "Sets image to modify.", P("Array", ImageArray, In)) \
    X(SetSafeArrayPtr, "SetSafeArrayPtr", 2, Method, "Sets image to modify.", P("SafeArray", ImagePointer, In)) \
    X(GetSafeArray, "GetSafeArray", 3, Method, "Gets image to modify.", P("Array", ImageArray, Out)) \
    X(put_BackColor, "BackColor", 501, PropertyPut, VTX_HELP_BACKCOLOR, P("Color", Int32, In)) \
    X(get_BackColor, "BackColor", 501, PropertyGet, VTX_HELP_BACKCOLOR, P("Color", Int32, OutRetval)) \
    X(AdjustBrightness, "AdjustBrightness", 101, Method, "Apply brightness adjustment.", \
      P("Completeness", Double, In), P("Level", Int32, In)) \
    X(AdjustBrightnessEx, "AdjustBrightnessEx", 102, Method, "Apply advanced brightness adjustment.", \
      P("Completeness", Double, In), P("LevelR", Int32, In), P("LevelG", Int32, In), P("LevelB", Int32, In)) \
    X(AdjustContrast, "AdjustContrast", 103, Method, "Apply contrast adjustment.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(AdjustGamma, "AdjustGamma", 104, Method, "Apply gamma adjustment.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(AdjustEqualize, "AdjustEqualize", 105, Method, "Apply equalize adjustment.", \
      P("Completeness", Double, In)) \
    X(AdjustGrayscale, "AdjustGrayscale", 106, Method, "Apply grayscaling adjustment.", \
      P("Completeness", Double, In), P("Desaturate", Bool, In)) \
    X(AdjustInvert, "AdjustInvert", 107, Method, "Apply color inversion adjustment.", \
      P("Completeness", Double, In)) \
    X(AdjustAutocontrast, "AdjustAutocontrast", 108, Method, "Apply autocontrasting adjustment.", \
      P("Completeness", Double, In)) \
    X(AdjustAutolevels, "AdjustAutolevels", 109, Method, "Apply autolevelling adjustment.", \
      P("Completeness", Double, In)) \
    X(AdjustHue, "AdjustHue", 110, Method, "Apply hue adjustment.", \
      P("Completeness", Double, In), P("Angle", Double, In)) \
    X(AdjustSaturation, "AdjustSaturation", 111, Method, "Apply saturation adjustment.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(AdjustPosterize, "AdjustPosterize", 112, Method, "Apply posterize adjustment.", \
      P("Completeness", Double, In), P("Levels", Int32, In)) \
    X(AdjustTemperature, "AdjustTemperature", 113, Method, "Apply temperature adjustment.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(AdjustColorize, "AdjustColorize", 114, Method, "Apply colorize adjustment.", \
      P("Completeness", Double, In), P("Red", Int32, In), P("Green", Int32, In), P("Blue", Int32, In)) \
    X(AdjustThreshold, "AdjustThreshold", 115, Method, "Apply threshold adjustment.", \
      P("Completeness", Double, In), P("Level", Int32, In), P("Grayscale", Bool, In)) \
    X(EffectBlur, "EffectBlur", 201, Method, "Apply smoothing effect.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(EffectSharpen, "EffectSharpen", 202, Method, "Apply sharpening effect.", \
      P("Completeness", Double, In), P("Level", Double, In)) \
    X(EffectMosaic, "EffectMosaic", 203, Method, "Apply mosaic effect.", \
      P("Completeness", Double, In), P("Size", Int32, In), P("Simple", Bool, In)) \
    X(EffectGaussianBlur, "EffectGaussianBlur", 204, Method, "Apply gaussian blur effect.", \
      P("Completeness", Double, In), P("Size", Int32, In)) \
    X(EffectNoise, "EffectNoise", 205, Method, "Apply noise effect.", \
      P("Completeness", Double, In), P("Level", Double, In), P("Mono", Bool, In)) \
    X(EffectDiffuse, "EffectDiffuse", 206, Method, "Apply diffuse effect.", \
      P("Completeness", Double, In), P("Distance", Double, In)) \
    X(EffectMotionBlur, "EffectMotionBlur", 207, Method, "Apply motion blur effect.", \
      P("Completeness", Double, In), P("Angle", Double, In), P("Distance", Double, In)) \
    X(EffectEmboss, "EffectEmboss", 208, Method, "Apply standard emboss effect.", \
      P("Completeness", Double, In), P("Angle", Double, In), P("Distance", Double, In), P("Amount", Double, In)) \
    X(EffectMinimal, "EffectMinimal", 209, Method, "Apply minimalities detection effect.", \
      P("Completeness", Double, In), P("Size", Int32, In)) \
    X(EffectMaximal, "EffectMaximal", 210, Method, "Apply maximalities detection effect.", \
      P("Completeness", Double, In), P("Size", Int32, In)) \
    X(EffectDeinterlace, "EffectDeinterlace", 211, Method, "Apply deinterlace effect.", \
      P("Completeness", Double, In), P("Even", Bool, In), P("Interpolate", Bool, In)) \
    X(EffectMedian, "EffectMedian", 212, Method, "Apply median effect.", \
      P("Completeness", Double, In), P("MedianType", Int32, In)) \
    X(TransformFlip, "TransformFlip", 301, Method, "Apply flip transform.", \
      P("Completeness", Double, In), P("Vertical", Int32, In)) \
    X(TransformPerspective, "TransformPerspective", 302, Method, "Apply perspective transform.", \
      P("Completeness", Double, In), P("Vertical", Int32, In), P("Angle", Double, In)) \
    X(TransformSkew, "TransformSkew", 303, Method, "Apply skew transform.", \
      P("Completeness", Double, In), P("Vertical", Int32, In), P("Angle", Double, In)) \
    X(TransformShift, "TransformShift", 304, Method, "Apply shift transform.", \
      P("Completeness", Double, In), P("X", Int32, In), P("Y", Int32, In)) \
    X(TransformRotate, "TransformRotate", 305, Method, "Apply rotate transform.", \
      P("Completeness", Double, In), P("Angle", Double, In)) \
    X(TransformResample, "TransformResample", 306, Method, "Apply resample transform.", \
      P("Completeness", Double, In), P("Times", Int32, In)) \
    X(TransformZoom, "TransformZoom", 307, Method, "Apply zoom transform.", \
      P("Completeness", Double, In), P("Zoom", Int32, In)) \
    X(TransformMirror, "TransformMirror", 308, Method, "Apply mirror transform.", \
      P("Completeness", Double, In), P("Level", Double, In), P("Type", Int32, In)) \
    X(TransformResize, "TransformResize", 309, Method, "Apply resize transform.", \
      P("Output", ImageArray, InOut), P("Color", Int32, In), P("Type", Int32, In)) \
    X(TransformTwirl, "TransformTwirl", 310, Method, "Apply twirl transform.", \
      P("Completeness", Double, In), P("Angle", Double, In), P("Degree", Int32, In)) \
    X(TransformSphere, "TransformSphere", 311, Method, "Apply sphere transform (degree must be beetwen -1.0 ... 5.0).", \
      P("Completeness", Double, In), P("CenterX", Int32, In), P("CenterY", Int32, In), P("RadiusX", Int32, In), P("RadiusY", Int32, In), P("Degree", Double, In)) \
    X(TransformCylinder, "TransformCylinder", 312, Method, "Apply cylinder transform (degree must be beetwen -1.0 ... 5.0).", \
      P("Completeness", Double, In), P("Center", Int32, In), P("Radius", Int32, In), P("Degree", Double, In), P("Type", Int32, In)) \
    X(FilterPrewitt, "FilterPrewitt", 400, Method, "Apply Prewitt filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterScharr, "FilterScharr", 401, Method, "Apply Scharr filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterSobel, "FilterSobel", 402, Method, "Apply Sobel filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterSobelExt, "FilterSobelExt", 403, Method, "Apply Sobel filter on multicolor image.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterRoberts, "FilterRoberts", 404, Method, "Apply Roberts filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterLaplace, "FilterLaplace", 405, Method, "Apply Laplace filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterHipass, "FilterHipass", 406, Method, "Apply hipass filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterLowpass, "FilterLowpass", 407, Method, "Apply lowpass filter.", \
      P("Completeness", Double, In), P("Type", Int32, In)) \
    X(FilterBlur, "FilterBlur", 408, Method, "Apply blur filter.", \
      P("Completeness", Double, In), P("Size", Int32, In)) \
    X(FilterCanny, "FilterCanny", 409, Method, "Apply Canny filter.", \
      P("Completeness", Double, In), P("LowThresh", Double, In), P("HighThresh", Double, In)) \
    X(UtilitySwapChannels, "UtilitySwapChannels", 500, Method, "Swap channels.", \
      P("nChannel0", Byte, In), P("nChannel1", Byte, In), P("nChannel2", Byte, In)) \
    X(DrawLine, "DrawLine", 1101, Method, "Draw line object.", \
      P("Completeness", Double, In), P("X1", Int32, In), P("Y1", Int32, In), P("X2", Int32, In), P("Y2", Int32, In), \
      P("Color", Int32, In), P("Alpha", Int32, In), P("Size", Int32, In)) \
    X(DrawRectangle, "DrawRectangle", 1102, Method, "Draw rectangle object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Right", Int32, In), P("Bottom", Int32, In), P("Color", Int32, In), P("Alpha", Int32, In), P("Solid", Bool, In)) \
    X(DrawEllipse, "DrawEllipse", 1103, Method, "Draw ellipse object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Right", Int32, In), \
      P("Bottom", Int32, In), P("Color", Int32, In), P("Alpha", Int32, In), P("Solid", Bool, In)) \
    X(DrawInvRectangle, "DrawInvRectangle", 1105, Method, "Draw ellipse object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Right", Int32, In), \
      P("Bottom", Int32, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawInvEllipse, "DrawInvEllipse", 1106, Method, "Draw ellipse object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Right", Int32, In), \
      P("Bottom", Int32, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawImage, "DrawImage", 1107, Method, "Draw image object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Image", ImageArray, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawImagePtr, "DrawImagePtr", 1108, Method, "Draw image object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Image", ImagePointer, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawTextA, "DrawTextA", 1109, Method, "Draw text object.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Text", Text, In), \
      P("Font", Font, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawText2, "DrawText2", 1110, Method, "Draw text object in specified rectangle.", \
      P("Completeness", Double, In), P("Left", Int32, In), P("Top", Int32, In), P("Right", Int32, In), \
      P("Bottom", Int32, In), P("Text", Text, In), P("Font", Font, In), P("Color", Int32, In), P("Alpha", Int32, In)) \
    X(DrawCredits, "DrawCredits", 1111, Method, "Draw credits text object.", \
      P("Completeness", Double, In), P("Text", Text, In), P("Font", Font, In), P("Color", Int32, In), \
      P("Alpha", Int32, In), P("Type", Int32, In)) \
    X(DrawBorder, "DrawBorder", 1112, Method, "Draw border object.", \
      P("Completeness", Double, In), P("Color", Int32, In), P("Size", Int32, In), P("Type", Int32, In)) \
    X(DrawMovObject, "DrawMovObject", 1201, Method, "Draw movable objects.", \
      P("Completeness", Double, In), P("Type", Int32, In), P("Divisions", Int32, In), P("Color", Int32, In), P("Alpha", Int32, In))
// clang-format on

#define VTX_PARAM_(name, type, dir) ParamInfo{name, ParamType::type, ParamDir::dir}
#define VTX_MEMBER_ENTRY_(id, name, dispid, kind, help, ...) \
    MakeMember(#id, name, dispid, MemberKind::kind, help, {__VA_ARGS__}),

#define P VTX_PARAM_
inline constexpr MemberInfo kMembers[] = {VTX_MEMBERS(VTX_MEMBER_ENTRY_)};
#undef P

inline constexpr std::int32_t kMemberCount = static_cast<std::int32_t>(sizeof(kMembers) / sizeof(kMembers[0]));

// Case-insensitive lookup of an interface name as late-bound callers spell it
// ("UseMask", "get_UseMask", "put_UseMask", "AdjustBrightness", ...). Returns
// the dispatch identifier, or -1 for an unknown name.
std::int32_t FindDispId(std::u16string_view name);
std::int32_t FindDispId(std::string_view name);

// The entry of a method or property accessor, or null.
const MemberInfo* FindMember(std::int32_t dispid, MemberKind kind);

}  // namespace vtx
