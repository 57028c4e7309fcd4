// The program's icon in the executable's resources, beside the version block: this
// test executable carries the same resource script as the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    auto& list = *reinterpret_cast<std::vector<std::wstring>*>(names);
    list.push_back(IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(name))
                                        : std::wstring(name));
    return TRUE;
}

TEST(IconResource, ProgramIconIsTheFirstIconGroupWithItsFourSizes) {
    std::vector<std::wstring> groups;
    EnumResourceNamesW(nullptr, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(groups.front(), L"IDI_ICON1");  // Explorer shows the first group

    // The group's directory: a 6-byte header, then 14 bytes per image.
    HRSRC found = FindResourceW(nullptr, L"IDI_ICON1", RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const auto* directory = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(directory, nullptr);
    std::uint16_t count = 0;
    std::memcpy(&count, directory + 4, sizeof count);
    ASSERT_EQ(SizeofResource(nullptr, found), 6u + 14u * count);
    std::set<int> sizes;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = directory + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]);  // square
        sizes.insert(entry[0] == 0 ? 256 : entry[0]);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));

    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), L"IDI_ICON1", IMAGE_ICON, 48, 48, 0);
    ASSERT_NE(icon, nullptr);
    DestroyIcon(static_cast<HICON>(icon));
}

TEST(IconResource, VersionBlockStaysBesideTheIcon) {
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
}

}  // namespace
