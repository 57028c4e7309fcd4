// Loading a module at run time through the system's loader, as the program loads its
// update checker.
#include "platform/LoadableModule.h"

#include "platform/WideTextWin32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string SystemFolder() {
    wchar_t buffer[MAX_PATH] = L"";
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return platform::FromWide(buffer, length);
}

TEST(LoadableModuleWin32, LoadsAModuleByItsPathAndFindsItsFunctions) {
    std::string error;
    void* kernel = platform::LoadModule(SystemFolder() + "\\kernel32.dll", error);
    ASSERT_NE(kernel, nullptr) << error;
    EXPECT_EQ(platform::ModuleSymbol(kernel, "GetTickCount"),
              reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTickCount")));
    EXPECT_EQ(platform::ModuleSymbol(kernel, "NoSuchFunctionAnywhere"), nullptr);
}

TEST(LoadableModuleWin32, AMissingModuleGivesTheReason) {
    std::string error;
    EXPECT_EQ(platform::LoadModule(SystemFolder() + "\\no-such-module-here.dll", error), nullptr);
    EXPECT_EQ(error, "error " + std::to_string(ERROR_MOD_NOT_FOUND));
}

}  // namespace
