// vtx.exe: the Windows build of vtx. The calls go to the registered
// VideoTransform component through IDispatch, as a script host's would.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "automation/vtx/com_executor.h"
#include "tools/vtx/cli.h"

namespace {

// The command line as UTF-8, which is what vtx parses (texts, paths),
// whatever the process's ANSI code page is.
bool Utf8Arguments(std::vector<std::string>& args) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return false;
    bool ok = true;
    for (int i = 1; i < count && ok; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        ok = n > 0;
        if (ok) {
            std::string utf8(static_cast<std::size_t>(n), '\0');
            ok = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &utf8[0], n, nullptr, nullptr) == n;
            utf8.resize(static_cast<std::size_t>(n) - 1);  // the terminating zero
            args.push_back(std::move(utf8));
        }
    }
    LocalFree(wide);
    return ok;
}

}  // namespace

int main() {
    std::vector<std::string> args;
    if (!Utf8Arguments(args)) {
        std::cerr << "vtx: cannot read the command line\n";
        return vtx::cli::kExitUsage;
    }
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
