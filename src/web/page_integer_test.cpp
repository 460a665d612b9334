#include "web/page_integer.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(PageIntegerTest, ReadsAndSaturates) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"", 0},           {"-", 0},          {"x1", 0},          {" \t\r\n42x", 42},
      {"+7", 7},         {"-13", -13},      {"999999999", 999999999},
      {"1000000000", 1000000000},
      {"3333333333", 1000000000},   // ten times 333333333 overflows an int
      {"9999999999", 1000000000},   {"-99999999999999999999", -1000000000},
  };
  for (const auto& c : cases) EXPECT_EQ(PageInteger(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace wakelore
