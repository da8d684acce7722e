#include "tools/vtx/call_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "session/utf8.h"

namespace vtx::cli {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits after "0x", at most `maxValue`. False for no digits, a bad digit
// or a larger value.
bool ParseHexDigits(std::string_view s, std::uint64_t maxValue, std::uint64_t& out) {
    if (s.empty()) return false;
    std::uint64_t v = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        if (v > (maxValue - static_cast<std::uint64_t>(d)) / 16) return false;
        v = v * 16 + static_cast<std::uint64_t>(d);
    }
    out = v;
    return true;
}

bool StartsWithHexPrefix(std::string_view s) { return s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'); }

enum class NumberError { None, Syntax, Range };

// A double: decimal with optional fraction and exponent, 0x hex integer, nan,
// inf or infinity, each with an optional sign.
NumberError ParseDoubleText(std::string_view s, double& out) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return NumberError::Syntax;
    if (EqualsIgnoreCase(s, "nan")) {
        out = negative ? -std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::quiet_NaN();
        return NumberError::None;
    }
    if (EqualsIgnoreCase(s, "inf") || EqualsIgnoreCase(s, "infinity")) {
        out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return NumberError::None;
    }
    if (StartsWithHexPrefix(s)) {
        std::uint64_t v = 0;
        if (!ParseHexDigits(s.substr(2), 0xFFFFFFFFFFFFFull, v)) return NumberError::Syntax;
        const double d = static_cast<double>(v);
        out = negative ? -d : d;
        return NumberError::None;
    }
    // Digits first: from_chars would also take "nan" and "inf" spellings.
    if (!IsDigit(s[0]) && !(s[0] == '.' && s.size() > 1 && IsDigit(s[1]))) return NumberError::Syntax;
    double v = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) return NumberError::Range;
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return NumberError::Syntax;
    out = negative ? -v : v;
    return NumberError::None;
}

// Round half to even, as automation callers convert a double to an integer.
double RoundHalfEven(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff > 0.5) return f + 1.0;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

// An integer in [lo, hi]. Unsigned hex up to `hexMax` is read as its bit
// pattern (0xFFFFFFFF for a long is -1); a decimal with a fraction or an
// exponent is rounded half to even.
NumberError ParseIntegerText(std::string_view s, std::int64_t lo, std::int64_t hi, std::uint64_t hexMax,
                             std::int64_t& out) {
    std::string_view body = s;
    bool negative = false;
    bool hasSign = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        hasSign = true;
        body.remove_prefix(1);
    }
    if (body.empty()) return NumberError::Syntax;
    if (StartsWithHexPrefix(body)) {
        std::uint64_t v = 0;
        if (!ParseHexDigits(body.substr(2), 0xFFFFFFFFFFFFFFFFull, v)) return NumberError::Syntax;
        if (v > hexMax) return NumberError::Range;
        std::int64_t value = static_cast<std::int64_t>(v);
        if (!hasSign && value > hi) value -= static_cast<std::int64_t>(hexMax) + 1;  // the bit pattern
        if (negative) value = -value;
        if (value < lo || value > hi) return NumberError::Range;
        out = value;
        return NumberError::None;
    }
    bool allDigits = true;
    for (char c : body) allDigits = allDigits && IsDigit(c);
    if (allDigits) {
        std::int64_t v = 0;
        for (char c : body) {
            if (v > (std::int64_t{1} << 40)) return NumberError::Range;  // far beyond every integer type
            v = v * 10 + (c - '0');
        }
        if (negative) v = -v;
        if (v < lo || v > hi) return NumberError::Range;
        out = v;
        return NumberError::None;
    }
    double d = 0.0;
    const NumberError e = ParseDoubleText(s, d);
    if (e != NumberError::None) return e;
    if (!std::isfinite(d)) return NumberError::Range;
    const double r = RoundHalfEven(d);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return NumberError::Range;
    out = static_cast<std::int64_t>(r);
    return NumberError::None;
}

// A "quoted" string with \" and \\ (and \n, \t) escapes; false when the text
// is not exactly one quoted string.
bool Unquote(std::string_view s, std::string& out, std::string& why) {
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
        why = "expected a \"quoted\" value";
        return false;
    }
    out.clear();
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            why = "unescaped quote inside the text";
            return false;
        }
        if (c == '\\') {
            if (i + 2 >= s.size()) {
                why = "backslash at the end of the text";
                return false;
            }
            const char e = s[++i];
            if (e == '"' || e == '\\') {
                c = e;
            } else if (e == 'n') {
                c = '\n';
            } else if (e == 't') {
                c = '\t';
            } else {
                why = std::string("unknown escape \\") + e;
                return false;
            }
        }
        out.push_back(c);
    }
    return true;
}

std::string Quote(std::string_view s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            q.push_back('\\');
            q.push_back(c);
        } else if (c == '\n') {
            q += "\\n";
        } else if (c == '\t') {
            q += "\\t";
        } else {
            q.push_back(c);
        }
    }
    q.push_back('"');
    return q;
}

// Splits the text between the parentheses at top-level commas. "" gives no
// arguments.
bool SplitArgs(std::string_view inner, std::vector<std::string_view>& parts, std::string& why) {
    parts.clear();
    if (Trim(inner).empty()) return true;
    bool inQuotes = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const char c = inner[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < inner.size()) {
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            }
        } else if (c == '"') {
            inQuotes = true;
        } else if (c == ',') {
            parts.push_back(Trim(inner.substr(start, i - start)));
            start = i + 1;
        } else if (c == '(' || c == ')') {
            why = std::string("unexpected '") + c + "' in the argument list";
            return false;
        }
    }
    if (inQuotes) {
        why = "unterminated quoted text";
        return false;
    }
    parts.push_back(Trim(inner.substr(start)));
    return true;
}

bool ParseFont(std::string_view s, FontArg& font, std::string& why) {
    if (EqualsIgnoreCase(s, "null")) {
        font = FontArg{};
        return true;
    }
    std::string desc;
    if (!Unquote(s, desc, why)) {
        why = "expected null or a \"quoted\" font description such as \"Arial, 24, bold\"";
        return false;
    }
    font = FontArg{};
    font.isNull = false;
    std::string_view rest = desc;
    bool first = true;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = Trim(rest.substr(0, comma));
        if (first) {
            if (item.empty()) {
                why = "the font description starts with an empty face name";
                return false;
            }
            font.face = std::string(item);
            first = false;
        } else if (EqualsIgnoreCase(item, "bold")) {
            font.weight = 700;
        } else if (EqualsIgnoreCase(item, "italic")) {
            font.italic = true;
        } else if (EqualsIgnoreCase(item, "underline")) {
            font.underline = true;
        } else if (EqualsIgnoreCase(item, "strikeout")) {
            font.strikeOut = true;
        } else {
            std::int64_t v = 0;
            if (item.size() > 7 && EqualsIgnoreCase(item.substr(0, 7), "weight=") &&
                ParseIntegerText(Trim(item.substr(7)), 0, 1000, 0x3FF, v) == NumberError::None) {
                font.weight = static_cast<std::int32_t>(v);
            } else if (item.size() > 8 && EqualsIgnoreCase(item.substr(0, 8), "charset=") &&
                       ParseIntegerText(Trim(item.substr(8)), 0, 255, 0xFF, v) == NumberError::None) {
                font.charset = static_cast<std::int32_t>(v);
            } else if (ParseIntegerText(item, 1, 10000, 0, v) == NumberError::None) {
                font.height = static_cast<std::int32_t>(v);
            } else {
                why = "unknown font attribute '" + std::string(item) +
                      "' (use a height, bold, italic, underline, strikeout, weight=N, charset=N)";
                return false;
            }
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return true;
}

std::string NumberWhy(NumberError e, const char* what) {
    return e == NumberError::Range ? std::string("out of range for ") + what : std::string("not ") + what;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

bool ParseArg(const ParamInfo& p, std::string_view s, ArgValue& out, std::string& why) {
    if (s.empty()) {
        why = "empty argument";
        return false;
    }
    switch (p.type) {
        case ParamType::Double: {
            double v = 0.0;
            const NumberError e = ParseDoubleText(s, v);
            if (e != NumberError::None) {
                why = NumberWhy(e, "a number");
                return false;
            }
            out = v;
            return true;
        }
        case ParamType::Int32: {
            std::int64_t v = 0;
            const NumberError e = ParseIntegerText(s, INT32_MIN, INT32_MAX, 0xFFFFFFFFu, v);
            if (e != NumberError::None) {
                why = NumberWhy(e, "a 32-bit integer");
                return false;
            }
            out = static_cast<std::int32_t>(v);
            return true;
        }
        case ParamType::Bool: {
            if (EqualsIgnoreCase(s, "true")) {
                out = std::int16_t{-1};
                return true;
            }
            if (EqualsIgnoreCase(s, "false")) {
                out = std::int16_t{0};
                return true;
            }
            std::int64_t v = 0;
            const NumberError e = ParseIntegerText(s, INT16_MIN, INT16_MAX, 0xFFFFu, v);
            if (e != NumberError::None) {
                why = NumberWhy(e, "a boolean (-1 true, 0 false, or a 16-bit value)");
                return false;
            }
            out = static_cast<std::int16_t>(v);
            return true;
        }
        case ParamType::Byte: {
            std::int64_t v = 0;
            const NumberError e = ParseIntegerText(s, 0, 255, 0xFFu, v);
            if (e != NumberError::None) {
                why = NumberWhy(e, "a byte (0..255)");
                return false;
            }
            out = static_cast<std::uint8_t>(v);
            return true;
        }
        case ParamType::Text: {
            std::string utf8;
            if (!Unquote(s, utf8, why)) return false;
            TextArg t;
            if (!Utf8ToUtf16(utf8, t.text)) {
                why = "the text is not valid UTF-8";
                return false;
            }
            out = std::move(t);
            return true;
        }
        case ParamType::ImageArray:
        case ParamType::ImagePointer: {
            if (p.dir == ParamDir::InOut) {
                // The array a caller supplies for a result image: its size.
                const std::size_t x = s.find_first_of("xX");
                std::int64_t w = 0, h = 0;
                if (x == std::string_view::npos || !AllDigits(s.substr(0, x)) || !AllDigits(s.substr(x + 1)) ||
                    ParseIntegerText(s.substr(0, x), 1, INT32_MAX, 0, w) != NumberError::None ||
                    ParseIntegerText(s.substr(x + 1), 1, INT32_MAX, 0, h) != NumberError::None) {
                    why = "expected the size of the output image as WxH, for example 400x300";
                    return false;
                }
                if (w > INT32_MAX / 4 / h) {
                    why = "the output image is too large (4·W·H must fit a signed 32-bit value)";
                    return false;
                }
                out = ImageSizeArg{static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
                return true;
            }
            std::string path;
            if (!Unquote(s, path, why)) {
                why = "expected a \"quoted\" PNG path";
                return false;
            }
            if (path.empty()) {
                why = "the PNG path is empty";
                return false;
            }
            out = ImagePathArg{std::move(path)};
            return true;
        }
        case ParamType::Font: {
            FontArg f;
            if (!ParseFont(s, f, why)) return false;
            out = std::move(f);
            return true;
        }
    }
    why = "unsupported parameter type";
    return false;
}

ParseResult Fail(std::string_view text, const std::string& why, const MemberInfo* m) {
    ParseResult r;
    r.error = "call '" + std::string(text) + "': " + why;
    if (m != nullptr) {
        r.error += "\n  usage: " + FormatSignature(*m);
        if (m->kind == MemberKind::PropertyPut) r.error += "   or   " + std::string(m->name) + "=V";
    }
    return r;
}

// Edit distance between two names, ignoring ASCII case.
std::size_t NameDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = diagonal + (FoldAscii(a[i - 1]) == FoldAscii(b[j - 1]) ? 0 : 1);
            row[j] = std::min({change, above + 1, row[j - 1] + 1});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The member whose name is closest to an unknown one, when it is close.
const MemberInfo* ClosestMember(std::string_view name) {
    const MemberInfo* best = nullptr;
    std::size_t bestDistance = 3;  // at most two edits
    for (const MemberInfo& m : kMembers) {
        const std::size_t d = NameDistance(name, m.name);
        if (d < bestDistance) {
            bestDistance = d;
            best = &m;
        }
    }
    return best;
}

const MemberInfo* FindAccessor(std::string_view name, MemberKind kind) {
    for (const MemberInfo& m : kMembers) {
        if (m.kind == kind && EqualsIgnoreCase(m.name, name)) return &m;
    }
    return nullptr;
}

}  // namespace

bool ParseArgument(const ParamInfo& p, std::string_view text, ArgValue& out, std::string& why) {
    return ParseArg(p, Trim(text), out, why);
}

bool IsSuppliedParam(const ParamInfo& p) { return p.dir != ParamDir::OutRetval; }

std::int32_t SuppliedParamCount(const MemberInfo& m) {
    std::int32_t n = 0;
    for (std::int32_t i = 0; i < m.paramCount; ++i) n += IsSuppliedParam(m.params[i]) ? 1 : 0;
    return n;
}

std::string_view TypeName(const ParamInfo& p) {
    switch (p.type) {
        case ParamType::Double: return "double";
        case ParamType::Int32: return "long";
        case ParamType::Bool: return "bool";
        case ParamType::Byte: return "byte";
        case ParamType::Text: return "string";
        case ParamType::ImageArray:
        case ParamType::ImagePointer:
            if (p.dir == ParamDir::InOut) return "WxH";
            if (p.dir == ParamDir::Out) return "image out";
            return "image";
        case ParamType::Font: return "font";
    }
    return "?";
}

std::string FormatSignature(const MemberInfo& m) {
    std::string s(m.name);
    std::string retval;
    std::string list;
    for (std::int32_t i = 0; i < m.paramCount; ++i) {
        const ParamInfo& p = m.params[i];
        const std::string one = std::string(p.name) + ": " + std::string(TypeName(p));
        if (!IsSuppliedParam(p)) {
            retval = one;
            continue;
        }
        if (!list.empty()) list += ", ";
        list += one;
    }
    s += "(" + list + ")";
    if (!retval.empty()) s += " -> " + retval;
    return s;
}

std::string FormatDouble(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, r.ptr);
    if (s == "-nan") s = "nan";
    return s;
}

std::string FormatArg(const ArgValue& v) {
    if (const auto* d = std::get_if<double>(&v)) return FormatDouble(*d);
    if (const auto* i = std::get_if<std::int32_t>(&v)) return std::to_string(*i);
    if (const auto* b = std::get_if<std::int16_t>(&v)) return std::to_string(*b);
    if (const auto* u = std::get_if<std::uint8_t>(&v)) return std::to_string(*u);
    if (const auto* t = std::get_if<TextArg>(&v)) return Quote(vtx::Utf16ToUtf8(t->text));
    if (const auto* p = std::get_if<ImagePathArg>(&v)) return Quote(p->path);
    if (const auto* z = std::get_if<ImageSizeArg>(&v)) return std::to_string(z->width) + "x" + std::to_string(z->height);
    const auto& f = std::get<FontArg>(v);
    if (f.isNull) return "null";
    std::string d = f.face;
    if (f.height != 0) d += ", " + std::to_string(f.height);
    if (f.weight != 400) d += ", weight=" + std::to_string(f.weight);
    if (f.italic) d += ", italic";
    if (f.underline) d += ", underline";
    if (f.strikeOut) d += ", strikeout";
    if (f.charset != 1) d += ", charset=" + std::to_string(f.charset);
    return Quote(d);
}

std::vector<const MemberInfo*> FindMembersByName(std::string_view name) {
    std::vector<const MemberInfo*> found;
    for (const MemberInfo& m : kMembers) {
        const bool prefixed = name.size() > 4 &&
                              ((m.kind == MemberKind::PropertyGet && EqualsIgnoreCase(name.substr(0, 4), "get_")) ||
                               (m.kind == MemberKind::PropertyPut && EqualsIgnoreCase(name.substr(0, 4), "put_")));
        if (EqualsIgnoreCase(m.name, name) || (prefixed && EqualsIgnoreCase(m.name, name.substr(4)))) {
            found.push_back(&m);
        }
    }
    return found;
}

std::vector<std::string> InputImagePaths(const ParsedCall& call) {
    std::vector<std::string> paths;
    if (call.member == nullptr) return paths;
    std::size_t k = 0;
    for (std::int32_t i = 0; i < call.member->paramCount && k < call.args.size(); ++i) {
        const ParamInfo& p = call.member->params[i];
        if (!IsSuppliedParam(p)) continue;
        const auto* path = std::get_if<ImagePathArg>(&call.args[k++]);
        if (path != nullptr && p.dir == ParamDir::In) paths.push_back(path->path);
    }
    return paths;
}

bool Utf8ToUtf16(std::string_view in, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < in.size()) {
        const auto b0 = static_cast<unsigned char>(in[i]);
        char32_t cp = 0;
        std::size_t len = 0;
        if (b0 < 0x80) {
            cp = b0;
            len = 1;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            cp = b0 & 0x1F;
            len = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            cp = b0 & 0x0F;
            len = 3;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            cp = b0 & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > in.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(in[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return true;
}

ParseResult ParseCall(std::string_view text) {
    const std::string_view call = Trim(text);
    std::size_t n = 0;
    while (n < call.size() && IsNameChar(call[n])) ++n;
    const std::string_view name = call.substr(0, n);
    if (name.empty()) return Fail(call, "expected Name(arg, ...) or Property=value", nullptr);

    std::string_view rest = Trim(call.substr(n));
    enum class Form { Bare, Parens, Assign } form = Form::Bare;
    std::vector<std::string_view> parts;
    std::string why;
    if (rest.empty()) {
        form = Form::Bare;
    } else if (rest[0] == '=') {
        form = Form::Assign;
        parts.push_back(Trim(rest.substr(1)));
    } else if (rest[0] == '(' && rest.back() == ')') {
        form = Form::Parens;
        if (!SplitArgs(rest.substr(1, rest.size() - 2), parts, why)) {
            const std::vector<const MemberInfo*> ms = FindMembersByName(name);
            return Fail(call, why, ms.empty() ? nullptr : ms.front());
        }
    } else {
        return Fail(call, "expected Name(arg, ...) or Property=value", nullptr);
    }

    // Resolve the member: an explicit accessor prefix, or the name with the
    // accessor chosen by the form and the argument count.
    const MemberInfo* member = nullptr;
    const std::vector<const MemberInfo*> candidates = FindMembersByName(name);
    if (candidates.empty()) {
        const MemberInfo* near = ClosestMember(name);
        std::string why = "unknown member '" + std::string(name) + "' (vtx --help lists the members)";
        if (near != nullptr) why += "; did you mean " + std::string(near->name) + "?";
        return Fail(call, why, near);
    }
    bool isProperty = false;
    for (const MemberInfo* m : candidates) isProperty = isProperty || m->kind != MemberKind::Method;
    if (!isProperty) {
        member = candidates.front();
        if (form == Form::Assign) {
            return Fail(call, std::string(member->name) + " is a method, not a property", member);
        }
    } else {
        const bool hasPrefix = name.size() > 4 && name[3] == '_' &&
                               (EqualsIgnoreCase(name.substr(0, 4), "get_") || EqualsIgnoreCase(name.substr(0, 4), "put_"));
        const std::string_view base = hasPrefix ? name.substr(4) : name;
        MemberKind kind = MemberKind::PropertyGet;
        if (hasPrefix) {
            kind = FoldAscii(name[0]) == 'g' ? MemberKind::PropertyGet : MemberKind::PropertyPut;
        } else if (form == Form::Assign || !parts.empty()) {
            kind = MemberKind::PropertyPut;
        }
        if (hasPrefix && form == Form::Assign) {
            return Fail(call, "write " + std::string(base) + "=V or put_" + std::string(base) + "(V)",
                        FindAccessor(base, MemberKind::PropertyPut));
        }
        member = FindAccessor(base, kind);
        if (member == nullptr) {
            const MemberInfo* other =
                FindAccessor(base, kind == MemberKind::PropertyGet ? MemberKind::PropertyPut : MemberKind::PropertyGet);
            return Fail(call,
                        std::string(base) + (kind == MemberKind::PropertyGet ? " cannot be read" : " cannot be written"),
                        other);
        }
    }

    const std::int32_t expected = SuppliedParamCount(*member);
    if (static_cast<std::int32_t>(parts.size()) != expected) {
        return Fail(call,
                    std::string(member->name) + " takes " + std::to_string(expected) +
                        (expected == 1 ? " argument, " : " arguments, ") + std::to_string(parts.size()) + " given",
                    member);
    }

    ParseResult result;
    result.call.member = member;
    result.call.text = std::string(call);
    std::size_t k = 0;
    for (std::int32_t i = 0; i < member->paramCount; ++i) {
        const ParamInfo& p = member->params[i];
        if (!IsSuppliedParam(p)) continue;
        ArgValue v;
        if (!ParseArg(p, parts[k], v, why)) {
            return Fail(call,
                        "argument " + std::to_string(k + 1) + " (" + std::string(p.name) + ": " +
                            std::string(TypeName(p)) + ") '" + std::string(parts[k]) + "': " + why,
                        member);
        }
        result.call.args.push_back(std::move(v));
        ++k;
    }
    result.ok = true;
    return result;
}

}  // namespace vtx::cli
