// Names typed in UTF-8 go into the compiled files in Windows-1252, and come
// back out in JSON as typed; anything that is not UTF-8, or that the code
// page lacks, has no Windows-1252 form.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text/cp1252.h"
#include "tool/json.h"

namespace {

TEST(Cp1252, TakesUtf8ThatTheCodePageHoldsAndNothingElse) {
  struct Case {
    std::string utf8;
    std::optional<std::string> cp1252;
  };
  const Case cases[] = {
      {"Belvara_254", "Belvara_254"},
      {"B\xc3\xa8lvara", "B\xe8lvara"},           // è, Latin-1
      {"\xe2\x82\xac \xc5\x93", "\x80 \x9c"},      // € and œ, the code page's own
      {"\xc3\xbf", "\xff"},                       // ÿ, the last byte
      {"\xce\xa9", std::nullopt},                 // Ω: not in the code page
      {"\xe8", std::nullopt},                     // a Windows-1252 è, not UTF-8
      {"\xc3", std::nullopt},                     // cut short
      {"\xc0\xa8", std::nullopt},                 // overlong
      {"\xed\xa0\x80", std::nullopt},             // a surrogate
      {"\xf4\x90\x80\x80", std::nullopt},         // past U+10FFFF
      {"\xf8\x90\x80\x80", std::nullopt},         // no such lead byte
      {"\xa8", std::nullopt},                     // a lone continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(scenario::to_cp1252(c.utf8), c.cp1252) << c.utf8;
}

TEST(Cp1252, JsonShowsTypedTextAsTypedAndOtherBytesAsWindows1252) {
  scenarioc::Json j;
  j.begin_list();
  j.as_typed("B\xc3\xa8lvara");           // UTF-8 kept
  j.as_typed("B\xe8lvara \xce\xa9");      // a stray byte taken as Windows-1252
  j.as_typed("a\xc2\x85" "b\tc");         // controls escaped, C1 too
  j.text("B\xe8lvara");                  // a compiled file's text
  j.end_list();
  EXPECT_EQ(j.result(),
            "[\"B\xc3\xa8lvara\", \"B\\u00e8lvara \xce\xa9\", \"a\\u0085b\\tc\", \"B\\u00e8lvara\"]\n");
}

}  // namespace
