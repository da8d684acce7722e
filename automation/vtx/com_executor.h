// The executor of vtx.exe: drives the registered VideoTransform component
// exactly as a late-bound host does. The object is created by ProgID, every
// call is GetIDsOfNames + Invoke, and images travel as 3-dimensional VT_UI1
// SAFEARRAYs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "tools/vtx/executor.h"

namespace vtx::cli {

class ComExecutor final : public Executor {
public:
    ComExecutor() = default;
    ~ComExecutor() override;
    ComExecutor(const ComExecutor&) = delete;
    ComExecutor& operator=(const ComExecutor&) = delete;

    // Creates the object through its version-independent ProgID; false with
    // a message when the component is not registered or cannot be created.
    bool Connect(std::string& error);

    std::int32_t SetImage(const Image& image) override;
    bool GetImage(Image& out) override;
    CallOutcome Run(PreparedCall& call, std::vector<ImageOutput>& outputs) override;

private:
    // GetIDsOfNames for one name; -1 when the object does not know it.
    DISPID Id(std::string_view name);
    // Invoke with arguments in declaration order (reversed here into
    // rgvarg order); the result code, or the dispatch error.
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT>& declared, VARIANT* result);
    // A 4 x W x H VT_UI1 array holding the image's bytes; null on failure.
    static SAFEARRAY* MakeArray(const Image& image);
    static bool ReadArray(SAFEARRAY* array, Image& out);

    IDispatch* object_ = nullptr;
    Image lastGiven_;
    bool given_ = false;
    // Arrays set in place stay alive as long as the object may work on them.
    std::vector<SAFEARRAY*> inPlace_;
};

}  // namespace vtx::cli
