// The vtx call parser: names, property forms, argument values per parameter
// type, and the messages of refused calls.
#include "tools/vtx/call_parser.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vtx::cli {
namespace {

// A parsed call written back as get_Name(args), put_Name(args) or
// Name(args); a refused one as its message.
std::string Show(std::string_view text) {
    const ParseResult r = ParseCall(text);
    if (!r.ok) return r.error;
    const MemberKind kind = r.call.member->kind;
    std::string s = kind == MemberKind::PropertyGet ? "get_" : (kind == MemberKind::PropertyPut ? "put_" : "");
    s += std::string(r.call.member->name) + "(";
    for (std::size_t i = 0; i < r.call.args.size(); ++i) s += (i ? ", " : "") + FormatArg(r.call.args[i]);
    return s + ")";
}

// One argument written back, or "!" and the reason it is refused.
std::string Arg(ParamType type, std::string_view text, ParamDir dir = ParamDir::In) {
    ArgValue v;
    std::string why;
    return ParseArgument({"P", type, dir}, text, v, why) ? FormatArg(v) : "!" + why;
}

// Each call with what it parses to, or a part of its message.
TEST(CallParser, CallsAndMessages) {
    const std::pair<const char*, const char*> rows[] = {
        {"  adjustBRIGHTNESS ( 0.5 ,  10 ) ", "AdjustBrightness(0.5, 10)"},
        {"UseMask", "get_UseMask()"},
        {"usemask()", "get_UseMask()"},
        {"GET_USEMASK", "get_UseMask()"},
        {"UseMask = true", "put_UseMask(-1)"},
        {"put_usemask(False)", "put_UseMask(0)"},
        {"UseMask(1)", "put_UseMask(1)"},
        {"backcolor=0xFF0000", "put_BackColor(16711680)"},
        // Integers: hex up to 0xFFFFFFFF as the 32-bit pattern; decimals
        // rounded half to even, as automation callers convert them.
        {"adjustbrightnessex(1, -0x28, 2.5, 3.5)", "AdjustBrightnessEx(1, -40, 2, 4)"},
        {"AdjustBrightnessEx(1, -2.5, 2.500001, 1e3)", "AdjustBrightnessEx(1, -2, 3, 1000)"},
        {"AdjustBrightnessEx(1, 0xFFFFFFFF, 0x80000000, -2147483648)", "(1, -1, -2147483648, -2147483648)"},
        {"AdjustContrast(+.5, -0X1f)", "AdjustContrast(0.5, -31)"},
        {"AdjustContrast(-Infinity, -NaN)", "AdjustContrast(-inf, nan)"},
        {"AdjustThreshold(INF, 0x7FFFFFFF, 0xFFFF)", "AdjustThreshold(inf, 2147483647, -1)"},
        {"UtilitySwapChannels(0, 0xFF, 255)", "UtilitySwapChannels(0, 255, 255)"},
        {"SetSafeArray(\"dir with, comma/a.png\")", "SetSafeArray(\"dir with, comma/a.png\")"},
        {"AdjustBrightness(0.5)", "'AdjustBrightness(0.5)': AdjustBrightness takes 2 arguments, 1 given\n"
                                  "  usage: AdjustBrightness(Completeness: double, Level: long)"},
        {"adjustinvert", "AdjustInvert takes 1 argument, 0 given\n  usage: AdjustInvert(Completeness: double)"},
        {"GetSafeArray(1,)", "takes 1 argument, 2 given\n  usage: GetSafeArray(Array: image out)"},
        {"get_UseMask(1)", "takes 0 arguments, 1 given\n  usage: UseMask() -> Mask: bool"},
        {"put_UseMask()", "takes 1 argument, 0 given\n  usage: UseMask(Mask: bool)   or   UseMask=V"},
        {"get_UseMask=1", "write UseMask=V or put_UseMask(V)"},
        {"AdjustInvert=1", "AdjustInvert is a method, not a property"},
        {"AdjustThreshold(1, 12x, 0)", "argument 2 (Level: long) '12x': not a 32-bit integer\n"
                                       "  usage: AdjustThreshold(Completeness: double, Level: long, Grayscale: bool)"},
        {"AdjustThreshold(1, 2, 32768)", "out of range for a boolean (-1 true, 0 false, or a 16-bit value)"},
        {"UtilitySwapChannels(2, 1, 256)", "argument 3 (nChannel2: byte) '256': out of range for a byte (0..255)"},
        {"AdjustContrast(1, 1e999)", "'1e999': out of range for a number"},
        {"AdjustBrightnes(1, 2)", "unknown member 'AdjustBrightnes' (vtx --help lists the members); did you mean "
                                  "AdjustBrightness?\n  usage: AdjustBrightness(Completeness: double, Level: long)"},
        {"Sharpen(1)", "call 'Sharpen(1)': unknown member 'Sharpen' (vtx --help lists the members)"},
        {"AdjustInvert((1))", "unexpected '(' in the argument list"},
        {"AdjustInvert(\"1)", "unterminated quoted text"},
        {"SetSafeArray(a.png)", "expected a \"quoted\" PNG path"},
        {"SetSafeArray(\"\")", "the PNG path is empty"},
        {"UseMask=", "empty argument"},
    };
    for (const auto& [text, want] : rows) EXPECT_NE(Show(text).find(want), std::string::npos) << Show(text);
    for (const char* bad : {"", "(1, 2)", "AdjustInvert(1", "AdjustInvert(1) x", "Adjust-Invert(1)"})
        EXPECT_EQ(Show(bad), "call '" + std::string(bad) + "': expected Name(arg, ...) or Property=value") << bad;
    for (const char* bad : {"+", "1.5.2", "1e", "x1", "0x", "0xG", "nan1", "--1", ".", "e5", "0x10000000000000"})
        EXPECT_EQ(Arg(ParamType::Double, bad), "!not a number") << bad;
    for (const char* big : {"2147483648", "-2147483649", "0x100000000", "99999999999999999999999", "nan", "inf"})
        EXPECT_EQ(Arg(ParamType::Int32, big), "!out of range for a 32-bit integer") << big;
}

// Parameter types no member takes yet: texts, fonts and output image sizes.
TEST(CallParser, TextFontAndSizeArguments) {
    const std::tuple<ParamType, const char*, const char*> rows[] = {
        {ParamType::Text, R"("say \"hi\" \\ now\n")", R"("say \"hi\" \\ now\n")"},
        {ParamType::Text, "\"\xC3\xBC\xF0\x9F\x8E\xAC\xF4\x8F\xBF\xBF\"", "\"\xC3\xBC\xF0\x9F\x8E\xAC\xF4\x8F\xBF\xBF"},
        {ParamType::Text, "\"a\"b\"", "!unescaped quote inside the text"},
        {ParamType::Text, "\"\\q\"", "!unknown escape \\q"},
        {ParamType::Text, "\"\xC3\"", "!the text is not valid UTF-8"},              // cut short
        {ParamType::Text, "\"\xED\xA0\x80\"", "!the text is not valid UTF-8"},      // a surrogate
        {ParamType::Text, "\"\xF4\x90\x80\x80\"", "!the text is not valid UTF-8"},  // beyond U+10FFFF
        {ParamType::Font, "\"Arial, 24, bold, italic, strikeout\"", "\"Arial, 24, weight=700, italic, strikeout\""},
        {ParamType::Font, "\"Arial,weight=300,charset=0,underline\"", "\"Arial, weight=300, underline, charset=0\""},
        {ParamType::Font, "\"Arial, huge\"", "!unknown font attribute 'huge'"},
        {ParamType::Font, "NULL", "null"},
    };
    for (const auto& [type, text, want] : rows) EXPECT_EQ(Arg(type, text).rfind(want, 0), 0u) << text;
    EXPECT_EQ(Arg(ParamType::ImageArray, "400x300", ParamDir::InOut), "400x300");
    for (const char* bad : {"400", "x300", "0x5", "4.5x3", "-4x3", "\"4x3\"", "40000x40000"})
        EXPECT_EQ(Arg(ParamType::ImageArray, bad, ParamDir::InOut)[0], '!') << bad;
}

// Every member can be called: a call with one valid value per parameter (a
// size for an in/out image) parses back to that member; formatted doubles parse back to themselves.
TEST(CallParser, EveryMemberAndEveryDoubleRoundTrips) {
    const char* values[] = {"0.5", "7", "-1", "2", "\"t\"", "\"i.png\"", "\"i.png\"", "null"};  // by ParamType
    for (const MemberInfo& m : kMembers) {
        std::string text = std::string(m.kind == MemberKind::PropertyPut ? "put_" : "") + std::string(m.name) + "(";
        for (std::int32_t i = 0, n = 0; i < m.paramCount; ++i) {
            const ParamInfo& p = m.params[i];
            if (IsSuppliedParam(p)) text += (n++ ? ", " : "") + std::string(p.dir == ParamDir::InOut ? "3x2" : values[int(p.type)]);
        }
        const ParseResult r = ParseCall(text + ")");
        EXPECT_TRUE(r.ok && r.call.member == &m && int(r.call.args.size()) == SuppliedParamCount(m)) << text;
        const bool reads = m.name.substr(0, 3) == "Set" || m.name.substr(0, 9) == "DrawImage";
        EXPECT_EQ(InputImagePaths(r.call).size(), reads ? 1u : 0u) << text;
    }
    for (double d : {0.1, -1e-300, 1.0 / 3.0, 123456789.125, 5e-324, 1.7976931348623157e308}) {
        ArgValue v;
        std::string why;
        ASSERT_TRUE(ParseArgument({"D", ParamType::Double, ParamDir::In}, FormatArg(ArgValue{d}), v, why));
        EXPECT_EQ(std::memcmp(&std::get<double>(v), &d, sizeof d), 0) << FormatArg(ArgValue{d});
    }
}

}  // namespace
}  // namespace vtx::cli
