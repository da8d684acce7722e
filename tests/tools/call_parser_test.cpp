#include "tools/vtx/call_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace vtx::cli {
namespace {

ParsedCall MustParse(std::string_view text) {
    ParseResult r = ParseCall(text);
    EXPECT_TRUE(r.ok) << text << ": " << r.error;
    return r.call;
}

std::string ErrorOf(std::string_view text) {
    ParseResult r = ParseCall(text);
    EXPECT_FALSE(r.ok) << text;
    return r.error;
}

const ParamInfo kDouble{"Value", ParamType::Double, ParamDir::In};
const ParamInfo kLong{"Value", ParamType::Int32, ParamDir::In};
const ParamInfo kBool{"Flag", ParamType::Bool, ParamDir::In};
const ParamInfo kByte{"Channel", ParamType::Byte, ParamDir::In};
const ParamInfo kText{"Text", ParamType::Text, ParamDir::In};
const ParamInfo kFont{"Font", ParamType::Font, ParamDir::In};
const ParamInfo kImageIn{"Array", ParamType::ImageArray, ParamDir::In};
const ParamInfo kImageInOut{"Output", ParamType::ImageArray, ParamDir::InOut};

ArgValue Arg(const ParamInfo& p, std::string_view text) {
    ArgValue v;
    std::string why;
    EXPECT_TRUE(ParseArgument(p, text, v, why)) << text << ": " << why;
    return v;
}

std::string ArgError(const ParamInfo& p, std::string_view text) {
    ArgValue v;
    std::string why;
    EXPECT_FALSE(ParseArgument(p, text, v, why)) << text;
    return why;
}

TEST(CallParser, MethodNamesIgnoreCase) {
    for (const char* text : {"AdjustBrightness(0.5, 10)", "adjustbrightness(0.5, 10)", "ADJUSTBRIGHTNESS(0.5,10)",
                             "  AdjustBrightness ( 0.5 ,  10 )  "}) {
        const ParsedCall c = MustParse(text);
        ASSERT_NE(c.member, nullptr);
        EXPECT_EQ(c.member->name, "AdjustBrightness");
        ASSERT_EQ(c.args.size(), 2u);
        EXPECT_EQ(std::get<double>(c.args[0]), 0.5);
        EXPECT_EQ(std::get<std::int32_t>(c.args[1]), 10);
    }
}

TEST(CallParser, PropertyAccessorForms) {
    struct Case {
        const char* text;
        const char* name;
        MemberKind kind;
        std::size_t args;
    };
    const Case cases[] = {
        {"UseMask", "UseMask", MemberKind::PropertyGet, 0},
        {"usemask()", "UseMask", MemberKind::PropertyGet, 0},
        {"get_UseMask()", "UseMask", MemberKind::PropertyGet, 0},
        {"GET_USEMASK", "UseMask", MemberKind::PropertyGet, 0},
        {"UseMask=-1", "UseMask", MemberKind::PropertyPut, 1},
        {"UseMask = true", "UseMask", MemberKind::PropertyPut, 1},
        {"put_usemask(-1)", "UseMask", MemberKind::PropertyPut, 1},
        {"UseMask(-1)", "UseMask", MemberKind::PropertyPut, 1},
        {"backcolor=0xFF0000", "BackColor", MemberKind::PropertyPut, 1},
        {"get_BackColor()", "BackColor", MemberKind::PropertyGet, 0},
    };
    for (const Case& c : cases) {
        const ParsedCall p = MustParse(c.text);
        ASSERT_NE(p.member, nullptr) << c.text;
        EXPECT_EQ(p.member->name, c.name) << c.text;
        EXPECT_EQ(p.member->kind, c.kind) << c.text;
        EXPECT_EQ(p.args.size(), c.args) << c.text;
    }
    EXPECT_EQ(std::get<std::int16_t>(MustParse("UseMask=-1").args[0]), -1);
    EXPECT_EQ(std::get<std::int16_t>(MustParse("UseMask=true").args[0]), -1);
    EXPECT_EQ(std::get<std::int16_t>(MustParse("UseMask=1").args[0]), 1);  // passed as written: false
    EXPECT_EQ(std::get<std::int32_t>(MustParse("BackColor=0xFF0000").args[0]), 0xFF0000);
}

TEST(CallParser, PropertyMisuseIsAUsageError) {
    EXPECT_NE(ErrorOf("get_UseMask(1)").find("takes 0 arguments, 1 given"), std::string::npos);
    EXPECT_NE(ErrorOf("put_UseMask()").find("takes 1 argument, 0 given"), std::string::npos);
    EXPECT_NE(ErrorOf("get_UseMask=1").find("write UseMask=V"), std::string::npos);
    EXPECT_NE(ErrorOf("AdjustInvert=1").find("is a method, not a property"), std::string::npos);
}

TEST(CallParser, WrongArgumentCountNamesTheCallAndShowsTheParameters) {
    const std::string e = ErrorOf("AdjustBrightness(0.5)");
    EXPECT_NE(e.find("'AdjustBrightness(0.5)'"), std::string::npos) << e;
    EXPECT_NE(e.find("takes 2 arguments, 1 given"), std::string::npos) << e;
    EXPECT_NE(e.find("usage: AdjustBrightness(Completeness: double, Level: long)"), std::string::npos) << e;

    const std::string e2 = ErrorOf("adjustinvert");
    EXPECT_NE(e2.find("usage: AdjustInvert(Completeness: double)"), std::string::npos) << e2;
    const std::string e3 = ErrorOf("AdjustInvert(1,)");
    EXPECT_NE(e3.find("takes 1 argument, 2 given"), std::string::npos) << e3;
}

TEST(CallParser, UnparsableNumbersNameTheArgument) {
    const std::string e = ErrorOf("AdjustThreshold(1, 12x, 0)");
    EXPECT_NE(e.find("argument 2 (Level: long) '12x': not a 32-bit integer"), std::string::npos) << e;
    EXPECT_NE(e.find("usage: AdjustThreshold(Completeness: double, Level: long, Grayscale: bool)"),
              std::string::npos)
        << e;
    const std::string e2 = ErrorOf("UtilitySwapChannels(2, 1, 256)");
    EXPECT_NE(e2.find("argument 3 (nChannel2: byte) '256': out of range for a byte (0..255)"), std::string::npos)
        << e2;
}

TEST(CallParser, UnknownNamesAndBadSyntax) {
    const std::string near = ErrorOf("AdjustBrightnes(1, 2)");
    EXPECT_NE(near.find("unknown member 'AdjustBrightnes'"), std::string::npos) << near;
    EXPECT_NE(near.find("did you mean AdjustBrightness?\n  usage: AdjustBrightness(Completeness: double, Level: long)"),
              std::string::npos)
        << near;
    const std::string far = ErrorOf("Sharpen(1)");
    EXPECT_EQ(far, "call 'Sharpen(1)': unknown member 'Sharpen' (vtx --help lists the members)");
    EXPECT_NE(ErrorOf("(1, 2)").find("expected Name(arg, ...)"), std::string::npos);
    EXPECT_NE(ErrorOf("AdjustInvert(1").find("expected Name(arg, ...)"), std::string::npos);
    EXPECT_NE(ErrorOf("AdjustInvert(1) x").find("expected Name(arg, ...)"), std::string::npos);
    EXPECT_NE(ErrorOf("AdjustInvert((1))").find("unexpected '('"), std::string::npos);
    EXPECT_NE(ErrorOf("").find("expected Name(arg, ...)"), std::string::npos);
}

// Each text of a parameter type with the value it gives.
template <class T>
void ExpectValues(const ParamInfo& p, std::initializer_list<std::pair<const char*, T>> cases) {
    for (const auto& [text, value] : cases) EXPECT_EQ(std::get<T>(Arg(p, text)), value) << text;
}

TEST(CallParser, Numbers) {
    ExpectValues<double>(kDouble, {{"0.25", 0.25}, {"-7", -7.0}, {"+.5", 0.5}, {"1e3", 1000.0}, {"0x10", 16.0},
                                   {"-0X1f", -31.0}, {"inf", HUGE_VAL}, {"-Infinity", -HUGE_VAL}});
    EXPECT_TRUE(std::isnan(std::get<double>(Arg(kDouble, "nan"))));
    EXPECT_TRUE(std::isnan(std::get<double>(Arg(kDouble, "-NaN"))));
    EXPECT_EQ(ArgError(kDouble, "1e999"), "out of range for a number");
    for (const char* bad : {"", "+", "-", "1.5.2", "1e", "x1", "0x", "0xG", "nan1", "1,5", "--1", ".", "e5"}) {
        EXPECT_EQ(ArgError(kDouble, bad).empty(), false) << bad;
    }
    // Decimals are rounded half to even, as automation callers convert them.
    ExpectValues<std::int32_t>(kLong, {{"42", 42}, {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX},
                                       {"0xFF0000", 0xFF0000}, {"0xFFFFFFFF", -1}, {"0x80000000", INT32_MIN},
                                       {"-0x10", -16}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2.500001", 3},
                                       {"1e3", 1000}});
    for (const char* big : {"2147483648", "-2147483649", "0x100000000", "99999999999999999999999", "nan", "inf"}) {
        EXPECT_EQ(ArgError(kLong, big), "out of range for a 32-bit integer") << big;
    }
    EXPECT_EQ(ArgError(kLong, "ten"), "not a 32-bit integer");
    ExpectValues<std::int16_t>(kBool, {{"-1", -1}, {"0", 0}, {"TRUE", -1}, {"False", 0}, {"0xFFFF", -1},
                                       {"-32768", -32768}});
    EXPECT_EQ(ArgError(kBool, "32768"), "out of range for a boolean (-1 true, 0 false, or a 16-bit value)");
    ExpectValues<std::uint8_t>(kByte, {{"0", 0}, {"255", 255}, {"0xFF", 255}});
    EXPECT_EQ(ArgError(kByte, "256"), "out of range for a byte (0..255)");
    EXPECT_EQ(ArgError(kByte, "-1"), "out of range for a byte (0..255)");
}

TEST(CallParser, Texts) {
    EXPECT_EQ(std::get<TextArg>(Arg(kText, "\"Hello, world\"")).text, u"Hello, world");
    EXPECT_EQ(std::get<TextArg>(Arg(kText, R"("say \"hi\" \\ now\n")")).text, u"say \"hi\" \\ now\n");
    EXPECT_EQ(std::get<TextArg>(Arg(kText, "\"\"")).text, u"");
    EXPECT_EQ(std::get<TextArg>(Arg(kText, "\"Gr\xC3\xBC\xC3\x9F \xF0\x9F\x8E\xAC\"")).text,
              u"Gr\u00FC\u00DF \U0001F3AC");
    EXPECT_EQ(ArgError(kText, "hello"), "expected a \"quoted\" value");
    EXPECT_EQ(ArgError(kText, "\"a\"b\""), "unescaped quote inside the text");
    EXPECT_EQ(ArgError(kText, "\"\\q\""), "unknown escape \\q");
    EXPECT_EQ(ArgError(kText, "\"\xC3\""), "the text is not valid UTF-8");
    EXPECT_EQ(ArgError(kText, "\"\xED\xA0\x80\""), "the text is not valid UTF-8");  // a surrogate
    EXPECT_EQ(ArgError(kText, "\"\xC0\xAF\""), "the text is not valid UTF-8");      // overlong
}

TEST(CallParser, Fonts) {
    EXPECT_TRUE(std::get<FontArg>(Arg(kFont, "null")).isNull);
    EXPECT_TRUE(std::get<FontArg>(Arg(kFont, "NULL")).isNull);
    const FontArg f = std::get<FontArg>(Arg(kFont, "\"Times New Roman, 24, bold, italic, underline, strikeout\""));
    EXPECT_FALSE(f.isNull);
    EXPECT_EQ(f.face, "Times New Roman");
    EXPECT_EQ(f.height, 24);
    EXPECT_EQ(f.weight, 700);
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.underline);
    EXPECT_TRUE(f.strikeOut);
    EXPECT_EQ(f.charset, 1);
    const FontArg g = std::get<FontArg>(Arg(kFont, "\"Arial,weight=300,charset=0\""));
    EXPECT_EQ(g.face, "Arial");
    EXPECT_EQ(g.height, 0);
    EXPECT_EQ(g.weight, 300);
    EXPECT_EQ(g.charset, 0);
    EXPECT_NE(ArgError(kFont, "Arial").find("expected null or a \"quoted\" font description"), std::string::npos);
    EXPECT_NE(ArgError(kFont, "\"Arial, huge\"").find("unknown font attribute 'huge'"), std::string::npos);
    EXPECT_NE(ArgError(kFont, "\", 12\"").find("empty face name"), std::string::npos);
}

TEST(CallParser, Images) {
    const ParsedCall c = MustParse("SetSafeArray(\"dir with, comma/a.png\")");
    EXPECT_EQ(c.member->name, "SetSafeArray");
    EXPECT_EQ(std::get<ImagePathArg>(c.args[0]).path, "dir with, comma/a.png");
    EXPECT_EQ(InputImagePaths(c), std::vector<std::string>{"dir with, comma/a.png"});
    const ParsedCall g = MustParse("getsafearray(\"out.png\")");
    EXPECT_EQ(std::get<ImagePathArg>(g.args[0]).path, "out.png");
    EXPECT_TRUE(InputImagePaths(g).empty());  // written, not read
    EXPECT_EQ(MustParse("SetSafeArrayPtr(\"p.png\")").member->name, "SetSafeArrayPtr");
    EXPECT_EQ(ArgError(kImageIn, "a.png"), "expected a \"quoted\" PNG path");
    EXPECT_EQ(ArgError(kImageIn, "\"\""), "the PNG path is empty");

    const ImageSizeArg z = std::get<ImageSizeArg>(Arg(kImageInOut, "400x300"));
    EXPECT_EQ(z.width, 400);
    EXPECT_EQ(z.height, 300);
    for (const char* bad : {"400", "x300", "400x", "0x5", "5x0", "4.5x3", "-4x3", "\"4x3\"", "40000x40000"}) {
        ArgValue v;
        std::string why;
        EXPECT_FALSE(ParseArgument(kImageInOut, bad, v, why)) << bad;
    }
}

TEST(CallParser, FormattedArgumentsParseBackToTheSameValues) {
    for (double d : {0.1, 0.25, -1e-300, 1.0 / 3.0, 123456789.125, 5e-324}) {
        double back = 0;
        ArgValue v;
        std::string why;
        ASSERT_TRUE(ParseArgument(kDouble, FormatArg(ArgValue{d}), v, why)) << FormatArg(ArgValue{d});
        back = std::get<double>(v);
        EXPECT_EQ(std::memcmp(&back, &d, sizeof d), 0) << FormatArg(ArgValue{d});
    }
    EXPECT_EQ(FormatArg(ArgValue{0.25}), "0.25");
    EXPECT_EQ(FormatArg(ArgValue{1.0}), "1");
    EXPECT_EQ(FormatArg(ArgValue{std::int32_t{-5}}), "-5");
    EXPECT_EQ(FormatArg(ArgValue{TextArg{u"a\"b"}}), "\"a\\\"b\"");
    EXPECT_EQ(FormatArg(ArgValue{ImageSizeArg{4, 3}}), "4x3");
    EXPECT_EQ(FormatArg(ArgValue{FontArg{}}), "null");
    FontArg f;
    f.isNull = false;
    f.face = "Arial";
    f.height = 12;
    f.weight = 700;
    f.italic = true;
    EXPECT_EQ(FormatArg(ArgValue{f}), "\"Arial, 12, weight=700, italic\"");
}

TEST(CallParser, Signatures) {
    const MemberInfo* get = FindMember(0, MemberKind::PropertyGet);
    const MemberInfo* put = FindMember(0, MemberKind::PropertyPut);
    ASSERT_NE(get, nullptr);
    ASSERT_NE(put, nullptr);
    EXPECT_EQ(FormatSignature(*get), "UseMask() -> Mask: bool");
    EXPECT_EQ(FormatSignature(*put), "UseMask(Mask: bool)");
    EXPECT_EQ(FormatSignature(*FindMember(3, MemberKind::Method)), "GetSafeArray(Array: image out)");
    EXPECT_EQ(FormatSignature(*FindMember(500, MemberKind::Method)),
              "UtilitySwapChannels(nChannel0: byte, nChannel1: byte, nChannel2: byte)");
}

// Every member of the table can be called: a call written from its signature
// with one valid value per parameter parses back to that member.
TEST(CallParser, EveryMemberParses) {
    for (const MemberInfo& m : kMembers) {
        std::string args;
        for (std::int32_t i = 0; i < m.paramCount; ++i) {
            const ParamInfo& p = m.params[i];
            if (!IsSuppliedParam(p)) continue;
            if (!args.empty()) args += ", ";
            switch (p.type) {
                case ParamType::Double: args += "0.5"; break;
                case ParamType::Int32: args += "7"; break;
                case ParamType::Bool: args += "-1"; break;
                case ParamType::Byte: args += "2"; break;
                case ParamType::Text: args += "\"t\""; break;
                case ParamType::Font: args += "null"; break;
                case ParamType::ImageArray:
                case ParamType::ImagePointer: args += p.dir == ParamDir::InOut ? "4x3" : "\"i.png\""; break;
            }
        }
        const std::string prefix = m.kind == MemberKind::PropertyGet   ? "get_"
                                   : m.kind == MemberKind::PropertyPut ? "put_"
                                                                       : "";
        const std::string text = prefix + std::string(m.name) + "(" + args + ")";
        const ParsedCall c = MustParse(text);
        EXPECT_EQ(c.member, &m) << text;
        EXPECT_EQ(static_cast<std::int32_t>(c.args.size()), SuppliedParamCount(m)) << text;
    }
}

TEST(CallParser, Utf8Conversion) {
    std::u16string out;
    EXPECT_TRUE(Utf8ToUtf16("abc", out));
    EXPECT_EQ(out, u"abc");
    EXPECT_TRUE(Utf8ToUtf16("\xF4\x8F\xBF\xBF", out));  // U+10FFFF
    EXPECT_EQ(out, u"\U0010FFFF");
    EXPECT_FALSE(Utf8ToUtf16("\xF4\x90\x80\x80", out));  // beyond U+10FFFF
    EXPECT_FALSE(Utf8ToUtf16("\xE0\x80\x80", out));      // overlong
    EXPECT_FALSE(Utf8ToUtf16("\x80", out));
    EXPECT_FALSE(Utf8ToUtf16("\xE2\x82", out));  // cut short
}

}  // namespace
}  // namespace vtx::cli
