// The executor of the native build: calls the operation functions of the
// component on an ImageSession. Each member of the table is bound to its C++
// function generically (the argument values are unpacked according to the
// function's parameter types), and the parameter types are checked against
// the table at compile time.
#pragma once

#include <memory>

#include "session/image_session.h"
#include "tools/vtx/executor.h"

namespace vtx::cli {

class NativeExecutor final : public Executor {
public:
    NativeExecutor();
    ~NativeExecutor() override;

    std::int32_t SetImage(const Image& image) override;
    bool GetImage(Image& out) override;
    CallOutcome Run(PreparedCall& call, std::vector<ImageOutput>& outputs) override;

    ImageSession& session() { return *session_; }

private:
    std::unique_ptr<ImageSession> session_;
    Image given_;  // copy of the last image handed over by SetImage
    const Image* lastGiven_ = nullptr;
};

}  // namespace vtx::cli
