#include "app/command_line.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(ChooseLaunchModeTest, FirstArgumentSelectsTheMode) {
  struct Case { std::vector<std::wstring> args; LaunchMode mode; };
  const Case cases[] = {
      {{}, LaunchMode::Interactive},
      {{L"wakelore.exe"}, LaunchMode::Interactive},
      {{L"wakelore.exe", L"/import"}, LaunchMode::BatchImport},
      {{L"wakelore.exe", L"/IMPORT", L"x"}, LaunchMode::BatchImport},
      {{L"wakelore.exe", L"/Export"}, LaunchMode::BatchExport},
      {{L"wakelore.exe", L"/Snapshot"}, LaunchMode::BatchSnapshot},
      {{L"wakelore.exe", L"-import"}, LaunchMode::Interactive},
      {{L"wakelore.exe", L"import"}, LaunchMode::Interactive},
      {{L"wakelore.exe", L"/imports"}, LaunchMode::Interactive},
      {{L"wakelore.exe", L"/query"}, LaunchMode::BatchQuery},
      {{L"wakelore.exe", L"/QUERY", L"x"}, LaunchMode::BatchQuery},
      {{L"wakelore.exe", L"/queries"}, LaunchMode::Interactive},
      {{L"wakelore.exe", L"", L"/import"}, LaunchMode::Interactive},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseLaunchMode(c.args), c.mode) << testing::PrintToString(c.args);
  }
}

TEST(CommandLineTest, ArgumentsOfThisProcess) {
  const std::vector<std::wstring> args = GetCommandLineArgs();
#ifdef _WIN32
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find(L"wakelore_tests"), std::wstring::npos);
#else
  // The Linux test program does not record its arguments: gtest's main owns them.
  EXPECT_TRUE(args.empty());
#endif
}

}  // namespace
}  // namespace wakelore
