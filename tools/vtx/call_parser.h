// Parsing of vtx call strings against the member table.
//
//   Name(arg, ...)      a method or property accessor; the name is matched
//                       without regard to ASCII case, with or without the
//                       get_ / put_ prefix of a property accessor
//   Name                the same with no arguments
//   Property=V          the put accessor of a property (UseMask=-1)
//
// Arguments are typed by the member's parameter list:
//   double        decimal, integer, 0x hex, nan, inf, -inf
//   long          integer or 0x hex (up to 0xFFFFFFFF, read as its 32-bit
//                 pattern); a decimal is rounded half to even as automation
//                 callers convert it
//   bool          -1 / 0 (any 16-bit value), true (-1) or false (0)
//   byte          0..255
//   string        "quoted text" (\" and \\ escapes), UTF-8
//   image         "quoted PNG path"; an in/out image (a resize output) is WxH
//   font          null, or "Face[, height][, bold][, italic][, underline]
//                 [, strikeout][, weight=N][, charset=N]"
// The parser reads no files: image arguments carry their path and are loaded
// by the caller. Nothing here depends on the platform the calls go to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "session/members.h"

namespace vtx::cli {

struct TextArg {
    std::u16string text;  // UTF-16 code units
};

struct ImagePathArg {
    std::string path;
};

struct ImageSizeArg {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct FontArg {
    bool isNull = true;
    std::string face;
    std::int32_t height = 0;  // 0: the face's default size
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::int32_t charset = 1;  // the default character set
};

// One argument value, typed by its parameter: Double -> double, Int32 ->
// int32_t, Bool -> int16_t (automation boolean), Byte -> uint8_t, Text ->
// TextArg, ImageArray / ImagePointer -> ImagePathArg (ImageSizeArg for an
// in/out image), Font -> FontArg.
using ArgValue =
    std::variant<double, std::int32_t, std::int16_t, std::uint8_t, TextArg, ImagePathArg, ImageSizeArg, FontArg>;

struct ParsedCall {
    const MemberInfo* member = nullptr;
    std::vector<ArgValue> args;  // one per parameter that the caller supplies
    std::string text;            // the call as written
};

struct ParseResult {
    bool ok = false;
    ParsedCall call;
    std::string error;  // for !ok: names the call and shows the parameter list
};

ParseResult ParseCall(std::string_view text);

// One argument of parameter p as written in a call; false with the reason
// (for example "not a 32-bit integer") when it does not parse.
bool ParseArgument(const ParamInfo& p, std::string_view text, ArgValue& out, std::string& why);

// True for the parameters a caller supplies: every one but the return value of
// a property get.
bool IsSuppliedParam(const ParamInfo& p);
std::int32_t SuppliedParamCount(const MemberInfo& m);

// Name of a parameter type as vtx shows it: double, long, bool, byte,
// string, image, font; an in/out image is WxH.
std::string_view TypeName(const ParamInfo& p);

// The member as a caller writes it, with its parameters:
//   AdjustBrightness(Completeness: double, Level: long)
//   UseMask=Mask: bool           (a property put)
//   UseMask -> Mask: bool        (a property get)
std::string FormatSignature(const MemberInfo& m);

// Formats a value back into call syntax (17 significant digits for doubles,
// so that a formatted call parses to the same values).
std::string FormatArg(const ArgValue& v);
std::string FormatDouble(double v);

// Every table entry whose name matches `name` (either accessor of a property).
std::vector<const MemberInfo*> FindMembersByName(std::string_view name);

// The paths of the image files a call reads (its input image arguments), in
// argument order.
std::vector<std::string> InputImagePaths(const ParsedCall& call);

// UTF-8 to UTF-16; false for malformed input.
bool Utf8ToUtf16(std::string_view in, std::u16string& out);

}  // namespace vtx::cli
