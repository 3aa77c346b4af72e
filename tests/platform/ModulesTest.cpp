// Modules: the search for a bare name, reference counts, and exports under decorated names.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"

namespace {

const char* const testModule = "oc_test_module.dll";  // built next to this program
const char* const runExport = "?run@@YGHPAUHINSTANCE__@@HPBD@Z";

using RunFunction = int(WINAPI*)(HINSTANCE, int, LPCSTR);

// An export as the function it is (void (*)() converts to any function type without a warning).
template <class Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST(Modules, SystemModulesOfDirectX) {
    struct Row {
        const char* name;
        const char* loaded;  // another spelling of the same module
    };
    const Row rows[] = {
        {"d3d8.dll", "D3D8.DLL"},
        {"D3D8.DLL", "d3d8"},
        {"dpnhpast.dll", "DPNHPAST"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HMODULE module = LoadLibraryA(row.name);
        ASSERT_NE(nullptr, module);
        EXPECT_EQ(module, GetModuleHandleA(row.loaded));
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST(Modules, MissingModules) {
    for (const char* name : {"oc-missing-module.dll", "oc-missing-module", "Z:\\oc-nowhere\\oc-missing-module.dll",
                             "", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(name ? name : "(null)");
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(nullptr, LoadLibraryA(name));
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, GetModuleHandleA("oc-missing-module.dll"));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    EXPECT_NE(nullptr, GetModuleHandleA(nullptr));
}

// Releases a module, also when a test stops early.
struct Loaded {
    HMODULE module;
    ~Loaded() {
        if (module) FreeLibrary(module);
    }
};

TEST(Modules, DecoratedExport) {
    HMODULE module = LoadLibraryExA(testModule, nullptr, 0);
    ASSERT_NE(nullptr, module) << "error " << GetLastError();
    Loaded loaded{module};
    auto run = ExportOf<RunFunction>(module, runExport);
    ASSERT_NE(nullptr, run);
    EXPECT_EQ(10005, run(GetModuleHandleA(nullptr), SW_SHOWDEFAULT, "Title"));
    auto answer = ExportOf<int (*)()>(module, "TestModuleAnswer");
    ASSERT_NE(nullptr, answer);
    EXPECT_EQ(42, answer());
    // Only the module's own exports: not those of the runtime it uses.
    for (const char* name : {"run", "?run@@YGHXZ", "malloc", "oc_missing_export"}) {
        SCOPED_TRACE(name);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(nullptr, GetProcAddress(module, name));
        EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
    }
}

TEST(Modules, ReferenceCounts) {
    HMODULE first = LoadLibraryA(testModule);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, LoadLibraryA("OC_TEST_MODULE"));  // the loaded module, matched without case
    EXPECT_EQ(first, GetModuleHandleA("Oc_Test_Module.DLL"));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(first, GetModuleHandleA(testModule)) << "one reference is left";
    EXPECT_TRUE(FreeLibrary(first));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, GetModuleHandleA(testModule));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(0x1234)));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}

}  // namespace
