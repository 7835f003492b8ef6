// The Windows platform layer's own rules, where they differ from the portable core's. Run
// on a system whose ANSI code page lacks Thai (such as 1252 or 936).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/executable_path.h"
#include "platform/profile.h"
#include "platform/text_encoding-win32.h"

namespace {

TEST(DirectoryOfTest, BackslashOrColonEndsTheDirectoryAndSlashDoesNot) {
  struct {
    const char* path;
    const char* directory;
  } cases[] = {
      {"C:\\Tools\\Unlimit.exe", "C:\\Tools\\"},
      {"\\\\server\\share\\Unlimit.exe", "\\\\server\\share\\"},
      {"C:Unlimit.exe", "C:"},
      {"Z:/opt/tools/Unlimit.exe", "Z:"},
      {"C:\\数据\\Unlimit.exe", "C:\\数据\\"},
      {"Unlimit.exe", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DirectoryOf(c.path), c.directory) << c.path;
}

TEST(ExecutablePathTest, NamesThisProgram) {
  std::string path = ExecutablePath();
  EXPECT_EQ(path.substr(DirectoryOf(path).size()), "platform_tests.exe");
}

// A folder of its own under the temporary directory, removed afterwards. Files are made
// through the wide Win32 functions, so that any name can be used.
class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / L"unlimit-profile-test";
    std::filesystem::remove_all(folder_);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Writes `bytes` to Arvel.ini in `subfolder` and returns the file's path in UTF-8.
  std::string WriteConfigFile(const std::wstring& subfolder, const std::string& bytes) {
    std::wstring directory = folder_.wstring() + L"\\" + subfolder;
    CreateDirectoryW(directory.c_str(), nullptr);
    std::wstring file = directory + L"\\Arvel.ini";
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    return WideToUtf8(file);
  }

  std::filesystem::path folder_;
};

TEST_F(ProfileTest, AnEmptyValueIsNotTheDefault) {
  std::string path = WriteConfigFile(L"plain", "[database]\r\ndatabase name=\r\n");
  EXPECT_EQ(ReadProfileString(path, "database", "database name", "fallback"), "");
  EXPECT_EQ(ReadProfileString(path, "database", "user name", "fallback"), "fallback");
}

// The default never passes through the ANSI code page, so no character of it is lost.
TEST_F(ProfileTest, TheDefaultComesBackUnchanged) {
  std::string path = WriteConfigFile(L"plain", "[database]\r\n");
  const std::string unusual = "€ ไทย ";
  EXPECT_EQ(ReadProfileString(path, "database", "server name", unusual), unusual);
  EXPECT_EQ(ReadProfileString(path + ".absent", "database", "server name", unusual), unusual);
}

// A folder name the ANSI code page cannot spell is reached through its short name.
TEST_F(ProfileTest, FindsAFileWhosePathTheCodePageCannotSpell) {
  std::string path = WriteConfigFile(L"ไทย", "[database]\r\ndatabase name=Plant\r\n");
  ASSERT_FALSE(WideToAnsi(Utf8ToWide(path)).has_value()) << "the code page spells " << path;
  EXPECT_EQ(ReadProfileString(path, "database", "database name", ""), "Plant");
}

}  // namespace
