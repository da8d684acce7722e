// COM client tests of TavrixVideoTransform.dll, run under Wine by
// run-wine-tests.sh after `regsvr32` (phase "registered") and again after
// `regsvr32 /u` (phase "unregistered", which runs only the Unregistered
// suite).
//
//   vtx_automation_tests --dll=<Windows path of the DLL> --phase=registered|unregistered [gtest flags]
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "com_test_support.h"

namespace vtxtest {
namespace {
std::wstring g_dllPath;
}
const std::wstring& DllPath() { return g_dllPath; }
namespace {

// After every test has released its objects the module must be unloadable:
// no object and no server lock is left behind.
class NothingLeftBehind : public testing::Environment {
public:
    void TearDown() override { EXPECT_EQ(CallDllCanUnloadNow(), S_OK); }
};

}  // namespace
}  // namespace vtxtest

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string phase;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--dll=", 6) == 0) {
            const std::string path = argv[i] + 6;
            vtxtest::g_dllPath.assign(path.begin(), path.end());
        } else if (std::strncmp(argv[i], "--phase=", 8) == 0) {
            phase = argv[i] + 8;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (vtxtest::g_dllPath.empty() || (phase != "registered" && phase != "unregistered")) {
        std::fprintf(stderr, "usage: vtx_automation_tests --dll=PATH --phase=registered|unregistered\n");
        return 2;
    }
    std::string& filter = testing::GTEST_FLAG(filter);
    if (phase == "unregistered") {
        filter = "Unregistered.*";
    } else {
        filter += (filter.find('-') == std::string::npos ? "-" : ":") + std::string("Unregistered.*");
    }
    if (phase == "registered") testing::AddGlobalTestEnvironment(new vtxtest::NothingLeftBehind);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
