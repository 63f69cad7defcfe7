// Reads the version record and the icon back from this test program, which
// links the same resources as the window program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tolvane_version.h"

namespace {

std::vector<BYTE> own_version_info() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path, 0, size, data.data())) return {};
  return data;
}

std::wstring string_value(std::vector<BYTE>& info, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = L"\\StringFileInfo\\080404B0\\" + name;
  if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || length == 0) return {};
  // The length counts the terminating null.
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;  // 1 for icons
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// RT_GROUP_ICON and RT_ICON, spelt wide whether or not UNICODE is defined.
const LPCWSTR group_icon_type = MAKEINTRESOURCEW(14);
const LPCWSTR icon_type = MAKEINTRESOURCEW(3);

const void* resource(LPCWSTR name, LPCWSTR type, DWORD* size) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (found == nullptr) return nullptr;
  *size = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  return loaded == nullptr ? nullptr : LockResource(loaded);
}

TEST(VersionResource, NamesTheProjectVersionInChineseSimplified) {
  std::vector<BYTE> info = own_version_info();
  ASSERT_FALSE(info.empty()) << "no version record in the program";

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // The four numbers of project().
  constexpr DWORD high = (TOLVANE_VERSION_MAJOR << 16) | TOLVANE_VERSION_MINOR;
  constexpr DWORD low = (TOLVANE_VERSION_PATCH << 16) | TOLVANE_VERSION_TWEAK;
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);

  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const auto* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0804);  // Chinese (Simplified, PRC)
  EXPECT_EQ(translation[1], 1200);    // Unicode

  // As shown: minor in two digits, the revision in four (2.03.0007 for 2.3.0.7).
  wchar_t shown[32];
  std::swprintf(shown, 32, L"%d.%02d.%04d", TOLVANE_VERSION_MAJOR, TOLVANE_VERSION_MINOR,
                TOLVANE_VERSION_TWEAK);
  EXPECT_EQ(string_value(info, L"FileVersion"), shown);
  EXPECT_EQ(string_value(info, L"ProductVersion"), shown);
  EXPECT_EQ(string_value(info, L"ProductName"), L"Tolvane");
  EXPECT_EQ(string_value(info, L"CompanyName"), L"Vurla");
  // The description is Chinese: it survives the UTF-8 resource script whole.
  const std::wstring description = string_value(info, L"FileDescription");
  EXPECT_NE(description.find(L"\x6587\x4EF6\x5939"), std::wstring::npos)  // 文件夹
      << "description read back as " << description.size() << " UTF-16 units";
}

TEST(VersionResource, IconHoldsOne48By48ImageOf32Bits) {
  DWORD size = 0;
  const auto* group = static_cast<const BYTE*>(resource(L"IDI_ICON1", group_icon_type, &size));
  ASSERT_NE(group, nullptr) << "no icon group IDI_ICON1";
  ASSERT_GE(size, sizeof(GroupIconHeader));
  GroupIconHeader header;
  std::memcpy(&header, group, sizeof header);
  EXPECT_EQ(header.type, 1);
  ASSERT_EQ(size, sizeof(GroupIconHeader) + header.count * sizeof(GroupIconEntry));

  bool found = false;
  for (WORD i = 0; i < header.count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group + sizeof header + i * sizeof entry, sizeof entry);
    if (entry.width != 48 || entry.height != 48 || entry.bit_count != 32) continue;
    DWORD image_size = 0;
    const void* image = resource(MAKEINTRESOURCEW(entry.id), icon_type, &image_size);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image_size, entry.bytes);
    ASSERT_GE(image_size, sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER bitmap;
    std::memcpy(&bitmap, image, sizeof bitmap);
    EXPECT_EQ(bitmap.biWidth, 48);
    EXPECT_EQ(bitmap.biHeight, 96);  // colour and mask stacked
    EXPECT_EQ(bitmap.biBitCount, 32);
    found = true;
  }
  EXPECT_TRUE(found) << "no 48 x 48, 32-bit image in the icon";
}

}  // namespace
