#include "common/json_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vestrel {
namespace {

TEST(JsonString, EscapesQuotesBackslashesAndControlCharactersAndReadsThemBack) {
  const std::string text = "say \"hi\" C:\\QUIK\r\nline\ttab\x01\x1f Ошибка /";
  std::string json = "x";
  AppendJsonString(json, text);
  EXPECT_EQ(json, "x\"say \\\"hi\\\" C:\\\\QUIK\\r\\nline\\ttab\\u0001\\u001f Ошибка /\"");

  std::size_t position = 1;
  EXPECT_EQ(ReadJsonString(json, position), text);
  EXPECT_EQ(position, json.size());
}

TEST(JsonString, ReadsEveryEscapeOfTheFormatAndStopsAtTheClosingQuote) {
  const std::string json = R"({"text": "\/\b\f\u00e9\u041E\ud83d\ude00\u0000end", "type": 4})";
  std::size_t position = json.find('"', 8);
  const auto text = ReadJsonString(json, position);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, std::string("/\b\f\xC3\xA9\xD0\x9E\xF0\x9F\x98\x80") + '\0' + "end");
  EXPECT_EQ(json.substr(position), ", \"type\": 4}");
}

TEST(JsonString, MalformedLiteralsAreRefusedAndLeaveThePositionAlone) {
  const std::vector<std::string> malformed = {
      "",           "plain",       "\"unclosed",  "\"ends in \\", "\"bad \\x escape\"",
      "\"\\u12\"",  "\"\\u12g4\"", "\"\\udc00\"", "\"\\ud83d\"",  "\"\\ud83d\\u0041\"",
      "\"raw \n\"",
  };
  for (const std::string& json : malformed) {
    std::size_t position = 0;
    EXPECT_FALSE(ReadJsonString(json, position).has_value()) << json;
    EXPECT_EQ(position, 0U) << json;
  }
}

}  // namespace
}  // namespace vestrel
