// The type library embedded in the DLL, read back through ITypeLib and
// ITypeInfo, against the member table the code is generated from.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "com_test_support.h"
#include "session/members.h"

namespace vtxtest {
namespace {

std::string Narrow(BSTR s) {
    std::string out;
    for (const OLECHAR* c = s; c != nullptr && *c != 0; ++c) out.push_back(static_cast<char>(*c));
    return out;
}

// Name and documentation string of a library (id -1) or a type's member.
template <class T, class Id>
std::pair<std::string, std::string> Docs(T* t, Id id) {
    BSTR name = nullptr, doc = nullptr;
    EXPECT_EQ(t->GetDocumentation(id, &name, &doc, nullptr, nullptr), S_OK);
    std::pair<std::string, std::string> out{Narrow(name), Narrow(doc)};
    SysFreeString(name);
    SysFreeString(doc);
    return out;
}

// A copy of a type's attributes.
TYPEATTR Attr(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    TYPEATTR copy{};
    EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
    if (attr == nullptr) return copy;
    copy = *attr;
    info->ReleaseTypeAttr(attr);
    return copy;
}

// Expected type description of a parameter: (outer VT, pointee VT, array
// element VT) as the type library records it.
struct ExpectedType {
    VARTYPE vt;
    VARTYPE pointee;  // for VT_PTR
    VARTYPE element;  // for a pointer to VT_SAFEARRAY
};

ExpectedType Expected(const vtx::ParamInfo& p) {
    const bool retval = p.dir == vtx::ParamDir::OutRetval;
    switch (p.type) {
        case vtx::ParamType::Double: return {VT_R8, VT_EMPTY, VT_EMPTY};
        case vtx::ParamType::Int32: return retval ? ExpectedType{VT_PTR, VT_I4, VT_EMPTY} : ExpectedType{VT_I4, VT_EMPTY, VT_EMPTY};
        case vtx::ParamType::Bool:
            return retval ? ExpectedType{VT_PTR, VT_BOOL, VT_EMPTY} : ExpectedType{VT_BOOL, VT_EMPTY, VT_EMPTY};
        case vtx::ParamType::Byte: return {VT_UI1, VT_EMPTY, VT_EMPTY};
        case vtx::ParamType::Text: return {VT_BSTR, VT_EMPTY, VT_EMPTY};
        case vtx::ParamType::ImageArray: return {VT_PTR, VT_SAFEARRAY, VT_UI1};
        case vtx::ParamType::ImagePointer: return {VT_PTR, VT_UI1, VT_EMPTY};
        case vtx::ParamType::Font: break;
    }
    return {VT_ILLEGAL, VT_ILLEGAL, VT_ILLEGAL};
}

USHORT ExpectedFlags(vtx::ParamDir dir) {
    switch (dir) {
        case vtx::ParamDir::In: return PARAMFLAG_FIN;
        case vtx::ParamDir::Out: return PARAMFLAG_FOUT;
        case vtx::ParamDir::InOut: return PARAMFLAG_FIN | PARAMFLAG_FOUT;
        case vtx::ParamDir::OutRetval: return PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    }
    return 0xFFFF;
}

INVOKEKIND ExpectedInvokeKind(vtx::MemberKind kind) {
    switch (kind) {
        case vtx::MemberKind::Method: return INVOKE_FUNC;
        case vtx::MemberKind::PropertyGet: return INVOKE_PROPERTYGET;
        case vtx::MemberKind::PropertyPut: return INVOKE_PROPERTYPUT;
    }
    return INVOKE_FUNC;
}

class TypeLibrary : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib_.Out()), S_OK);
    }
    Ptr<ITypeLib> lib_;
};

TEST_F(TypeLibrary, LibraryAttributes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TavrixVideoTransform));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    lib_->ReleaseTLibAttr(attr);
    EXPECT_EQ(Docs(lib_.Get(), -1),
              std::make_pair(std::string("TavrixVideoTransform"), std::string("TavrixVideoTransform 1.0 Type Library")));
    EXPECT_EQ(lib_->GetTypeInfoCount(), 2u);
}

TEST_F(TypeLibrary, ClassVideoTransform) {
    Ptr<ITypeInfo> info;
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(CLSID_VideoTransform, info.Out()), S_OK);
    const TYPEATTR attr = Attr(info.Get());
    EXPECT_EQ(attr.typekind, TKIND_COCLASS);
    EXPECT_TRUE((attr.wTypeFlags & TYPEFLAG_FCANCREATE) != 0);
    EXPECT_EQ(attr.cImplTypes, 1);
    EXPECT_EQ(Docs(info.Get(), MEMBERID_NIL),
              std::make_pair(std::string("VideoTransform"), std::string("VideoTransform Class")));
    INT flags = 0;
    ASSERT_EQ(info->GetImplTypeFlags(0, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE ref = 0;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &ref), S_OK);
    Ptr<ITypeInfo> iface;
    ASSERT_EQ(info->GetRefTypeInfo(ref, iface.Out()), S_OK);
    EXPECT_TRUE(IsEqualGUID(Attr(iface.Get()).guid, IID_IVideoTransform));
}

// The vtable part of the dual interface, member by member, against the table.
TEST_F(TypeLibrary, InterfaceMembersMatchTheMemberTable) {
    Ptr<ITypeInfo> dispatchInfo;
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(IID_IVideoTransform, dispatchInfo.Out()), S_OK);
    TYPEATTR attr = Attr(dispatchInfo.Get());
    EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
    EXPECT_TRUE((attr.wTypeFlags & TYPEFLAG_FDUAL) != 0);
    EXPECT_TRUE((attr.wTypeFlags & TYPEFLAG_FDISPATCHABLE) != 0);
    EXPECT_EQ(Docs(dispatchInfo.Get(), MEMBERID_NIL).second, "IVideoTransform Interface");

    // The interface (vtable) description of the dual interface.
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK);
    Ptr<ITypeInfo> info;
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(ref, info.Out()), S_OK);
    attr = Attr(info.Get());
    EXPECT_EQ(attr.typekind, TKIND_INTERFACE);
    EXPECT_TRUE((attr.wTypeFlags & TYPEFLAG_FDUAL) != 0);
    EXPECT_TRUE((attr.wTypeFlags & TYPEFLAG_FOLEAUTOMATION) != 0);
    ASSERT_EQ(attr.cFuncs, vtx::kMemberCount);

    for (int i = 0; i < vtx::kMemberCount; ++i) {
        const vtx::MemberInfo& m = vtx::kMembers[i];
        SCOPED_TRACE(std::string(m.id));
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(static_cast<UINT>(i), &f), S_OK);
        EXPECT_EQ(f->memid, m.dispid);
        EXPECT_EQ(f->invkind, ExpectedInvokeKind(m.kind));
        EXPECT_EQ(f->funckind, FUNC_PUREVIRTUAL);
        // After the seven slots of IUnknown and IDispatch, in table order.
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(f->cParams, m.paramCount);
        for (int p = 0; p < m.paramCount; ++p) {
            SCOPED_TRACE(std::string(m.params[p].name));
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            const ExpectedType e = Expected(m.params[p]);
            EXPECT_EQ(t.vt, e.vt);
            if (t.vt == VT_PTR && e.vt == VT_PTR) {
                ASSERT_NE(t.lptdesc, nullptr);
                EXPECT_EQ(t.lptdesc->vt, e.pointee);
                if (t.lptdesc->vt == VT_SAFEARRAY && e.pointee == VT_SAFEARRAY) {
                    ASSERT_NE(t.lptdesc->lptdesc, nullptr);
                    EXPECT_EQ(t.lptdesc->lptdesc->vt, e.element);
                }
            }
            EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags, ExpectedFlags(m.params[p].dir));
        }

        // Names: the member, then its parameters.
        BSTR names[vtx::kMaxParams + 1] = {};
        UINT count = 0;
        ASSERT_EQ(info->GetNames(f->memid, names, vtx::kMaxParams + 1, &count), S_OK);
        ASSERT_GE(count, 1u);
        EXPECT_EQ(Narrow(names[0]), std::string(m.name));
        // The accessors of a property share a DISPID: GetNames describes
        // the first of them in the interface, and leaves out the value
        // parameter of a property put.
        const vtx::MemberInfo* first = &m;
        for (const vtx::MemberInfo& other : vtx::kMembers) {
            if (other.dispid == m.dispid) {
                first = &other;
                break;
            }
        }
        const int named = first->paramCount - (first->kind == vtx::MemberKind::PropertyPut ? 1 : 0);
        EXPECT_EQ(count, static_cast<UINT>(1 + named));
        for (UINT n = 1; n < count && n <= static_cast<UINT>(m.paramCount); ++n) {
            EXPECT_EQ(Narrow(names[n]), std::string(m.params[n - 1].name));
        }
        for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);

        EXPECT_EQ(Docs(info.Get(), f->memid).second, std::string(m.help));
        info->ReleaseFuncDesc(f);
    }
}

TEST_F(TypeLibrary, IDispatchHandsOutTheInterfaceDescription) {
    Ptr<IVideoTransform> object;
    ASSERT_EQ(CreateObject(object.Out()), S_OK);
    UINT count = 7;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(object->GetTypeInfoCount(nullptr), E_POINTER);
    Ptr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()), S_OK);
    EXPECT_TRUE(IsEqualGUID(Attr(info.Get()).guid, IID_IVideoTransform));
    ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(object->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none), DISP_E_BADINDEX);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);

    // The type information's own name lookup agrees with the object's.
    for (int i = 0; i < vtx::kMemberCount; ++i) {
        const std::string name(vtx::kMembers[i].name);
        std::wstring wide(name.begin(), name.end());
        LPOLESTR names[1] = {&wide[0]};
        MEMBERID fromInfo = -7;
        DISPID fromObject = -7;
        ASSERT_EQ(info->GetIDsOfNames(names, 1, &fromInfo), S_OK) << name;
        ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &fromObject), S_OK) << name;
        EXPECT_EQ(fromInfo, fromObject) << name;
    }
}

}  // namespace
}  // namespace vtxtest
