#include "session/members.h"

namespace vtx {

namespace {

template <class Char>
Char FoldAscii(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Compares `query` with prefix + name, ignoring ASCII case.
template <class Char>
bool MatchesName(std::basic_string_view<Char> query, std::string_view prefix, std::string_view name) {
    if (query.size() != prefix.size() + name.size()) return false;
    for (std::size_t i = 0; i < query.size(); ++i) {
        const char expected = i < prefix.size() ? prefix[i] : name[i - prefix.size()];
        if (FoldAscii(query[i]) != static_cast<Char>(FoldAscii(expected))) return false;
    }
    return true;
}

template <class Char>
std::int32_t Find(std::basic_string_view<Char> query) {
    for (const MemberInfo& m : kMembers) {
        if (MatchesName(query, "", m.name)) return m.dispid;
        if (m.kind == MemberKind::PropertyGet && MatchesName(query, "get_", m.name)) return m.dispid;
        if (m.kind == MemberKind::PropertyPut && MatchesName(query, "put_", m.name)) return m.dispid;
    }
    return -1;
}

}  // namespace

std::int32_t FindDispId(std::u16string_view name) { return Find(name); }
std::int32_t FindDispId(std::string_view name) { return Find(name); }

const MemberInfo* FindMember(std::int32_t dispid, MemberKind kind) {
    for (const MemberInfo& m : kMembers) {
        if (m.dispid == dispid && m.kind == kind) return &m;
    }
    return nullptr;
}

}  // namespace vtx
