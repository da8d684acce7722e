// vtx.exe: the Windows build of vtx. The calls go to the registered
// VideoTransform component through IDispatch, as a script host's would.
#include <windows.h>
#include <objbase.h>

#include <iostream>
#include <string>
#include <vector>

#include "automation/vtx/com_executor.h"
#include "tools/vtx/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::cerr << "vtx: cannot initialise COM\n";
        return vtx::cli::kExitUsage;
    }
    int code = vtx::cli::kExitUsage;
    {
        vtx::cli::ComExecutor executor;
        // Help needs no component.
        const bool helpOnly = !args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help");
        std::string error;
        if (!helpOnly && !executor.Connect(error)) {
            std::cerr << "vtx: " << error << "\n";
        } else {
            vtx::cli::Environment env;
            env.executor = &executor;
            env.out = &std::cout;
            env.err = &std::cerr;
            // The processor level is the component's own business: no --cpu.
            code = vtx::cli::RunVtx(args, env);
        }
    }
    CoUninitialize();
    return code;
}
