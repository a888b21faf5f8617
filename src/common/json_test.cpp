#include "common/json.h"

#include <gtest/gtest.h>

#include <string>

namespace vantiro::json {
namespace {

TEST(JsonParse, AcceptsOnlyOneWholeObject) {
  struct Case {
    std::string_view text;
    ParseError error;
  };
  const Case cases[] = {
      {R"({"a":1})", ParseError::none},
      {" \t\r\n{\"a\":1} \n\t\r ", ParseError::none},
      {"{}", ParseError::none},
      {"[1,2]", ParseError::not_an_object},
      {"\"text\"", ParseError::not_an_object},
      {"42", ParseError::not_an_object},
      {"null", ParseError::not_an_object},
      {"true", ParseError::not_an_object},
      {R"({"a":1} garbage)", ParseError::trailing_text},
      {R"({"a":1}{})", ParseError::trailing_text},
      {std::string_view("{\"a\":1}\0", 8), ParseError::trailing_text},
      {"", ParseError::syntax},
      {R"({"a":1,})", ParseError::syntax},
      {R"({"a":1 /* c */})", ParseError::syntax},
      {R"({'a':1})", ParseError::syntax},
      {R"({"a":NaN})", ParseError::syntax},
      {"{\"a\":\"\xC3\x28\"}", ParseError::syntax},
      {R"({"a":"\udc00"})", ParseError::invalid_text},
      {R"({"a":"\ud800\u0041"})", ParseError::invalid_text},
  };
  for (const auto& c : cases) {
    const auto r = parse_object(std::string(c.text));
    EXPECT_EQ(r.error, c.error) << c.text;
    EXPECT_EQ(r.document.has_value(), c.error == ParseError::none) << c.text;
  }
  // A lone leading surrogate before the closing quote is refused too (as a syntax error).
  EXPECT_FALSE(parse_object(R"({"a":"\ud800"})").document);
}

TEST(JsonParse, CapsNestingDepthInsteadOfExhaustingTheStack) {
  const std::string deep = "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
  EXPECT_EQ(parse_object(deep).error, ParseError::too_deep);

  std::string ok = "{\"a\":";
  for (std::size_t i = 0; i + 2 < kMaxDepth; ++i) ok += "[";
  for (std::size_t i = 0; i + 2 < kMaxDepth; ++i) ok += "]";
  ok += "}";
  EXPECT_EQ(parse_object(ok).error, ParseError::none);
}

TEST(JsonMembers, AreReadOnlyAsTheirOwnType) {
  auto r =
      parse_object(R"({"s":"true","b":true,"n":12.5,"i":7,"z":null,"a":[1,"x"],"o":{"k":"v"}})");
  ASSERT_TRUE(r.document);
  const ObjectRef o = r.document->root();
  EXPECT_EQ(o.get_string("s"), std::optional<std::string_view>("true"));
  EXPECT_FALSE(o.get_bool("s"));  // a string "true" is not a boolean
  EXPECT_EQ(o.get_bool("b"), std::optional<bool>(true));
  EXPECT_FALSE(o.get_number("b"));
  EXPECT_EQ(o.get_number("n"), std::optional<double>(12.5));
  EXPECT_EQ(o.get_number("i"), std::optional<double>(7.0));  // numbers are doubles
  EXPECT_FALSE(o.get_string("i"));
  EXPECT_TRUE(o.has("z"));
  EXPECT_FALSE(o.get_string("z"));  // null is not a string
  EXPECT_EQ(o.get("z")->kind(), Kind::null);
  EXPECT_FALSE(o.has("missing"));
  EXPECT_FALSE(o.get_string("missing"));
  ASSERT_TRUE(o.get_array("a"));
  EXPECT_EQ(o.get_array("a")->size(), 2u);
  EXPECT_EQ(o.get_array("a")->at(1).as_string(), std::optional<std::string_view>("x"));
  EXPECT_FALSE(o.get_object("a"));
  ASSERT_TRUE(o.get_object("o"));
  EXPECT_EQ(o.get_object("o")->get_string("k"), std::optional<std::string_view>("v"));
}

TEST(JsonParse, KeepsEachMemberWithItsOwnContainerAtEveryDepth) {
  auto r = parse_object(R"({"type":"send","files":[{"path":"a.lua","n":[1,[2,3]]},)"
                        R"({"path":"b.lua","o":{"k":{"deep":true}}}],"after":"x"})");
  ASSERT_TRUE(r.document);
  const ObjectRef o = r.document->root();
  EXPECT_EQ(o.size(), 3u);
  EXPECT_EQ(o.get_string("after"), std::optional<std::string_view>("x"));
  const auto files = o.get_array("files");
  ASSERT_TRUE(files);
  ASSERT_EQ(files->size(), 2u);
  const auto f0 = files->at(0).as_object();
  const auto f1 = files->at(1).as_object();
  ASSERT_TRUE(f0 && f1);
  EXPECT_EQ(f0->get_string("path"), std::optional<std::string_view>("a.lua"));
  EXPECT_EQ(f1->get_string("path"), std::optional<std::string_view>("b.lua"));
  EXPECT_FALSE(f0->has("o"));
  const auto n = f0->get_array("n");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->at(0).as_number(), std::optional<double>(1));
  EXPECT_EQ(n->at(1).as_array()->at(1).as_number(), std::optional<double>(3));
  EXPECT_EQ(f1->get_object("o")->get_object("k")->get_bool("deep"), std::optional<bool>(true));
}

TEST(JsonParse, EscapedStringsAndKeysReadAsTheirCharacters) {
  auto r = parse_object(R"({"a\u0062":"x\ny","plain":"p","t":"\u00e5\ud83d\ude00\"\\"})");
  ASSERT_TRUE(r.document);
  const ObjectRef o = r.document->root();
  EXPECT_EQ(o.get_string("ab"), std::optional<std::string_view>("x\ny"));
  EXPECT_EQ(o.get_string("plain"), std::optional<std::string_view>("p"));
  EXPECT_EQ(o.get_string("t"), std::optional<std::string_view>("\xC3\xA5\xF0\x9F\x98\x80\"\\"));
}

TEST(JsonParse, KeysAreCaseSensitiveAndTheLastDuplicateWins) {
  auto r = parse_object(R"({"type":"a","Type":"b","type":"c"})");
  ASSERT_TRUE(r.document);
  EXPECT_EQ(r.document->root().get_string("type"), std::optional<std::string_view>("c"));
  EXPECT_EQ(r.document->root().get_string("Type"), std::optional<std::string_view>("b"));
}

TEST(JsonWriter, RoundTripsEveryKindOfString) {
  const std::string strings[] = {
      "",
      "plain",
      "quote \" backslash \\ slash /",
      std::string("controls \x01\x02\x1F\b\f\n\r\t and NUL \0 end", 31),
      "\xC3\xA5\xC3\xA4\xC3\xB6 \xF0\x9F\x98\x80",
      "\xE2\x80\xA8 line and paragraph separators \xE2\x80\xA9",
  };
  for (const auto& s : strings) {
    ObjectWriter w;
    w.add_string("v", s);
    const std::string text = w.to_string();
    for (char c : text) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "raw control in " << text;
    auto r = parse_object(text);
    ASSERT_TRUE(r.document) << text;
    EXPECT_EQ(r.document->root().get_string("v"), std::optional<std::string_view>(s));
  }
}

TEST(JsonWriter, ReplacesInvalidUtf8InsteadOfPassingItOn) {
  ObjectWriter w;
  w.add_string("v",
               "a\xFF"
               "b");
  auto r = parse_object(w.to_string());
  ASSERT_TRUE(r.document);
  EXPECT_EQ(r.document->root().get_string("v"), std::optional<std::string_view>("a\xEF\xBF\xBD"
                                                                                "b"));
}

TEST(JsonWriter, WritesTypedMembersAndNestedObjects) {
  ObjectWriter inner;
  inner.add_bool("ok", false).add_integer("filesWritten", 3);
  ObjectWriter w;
  w.add_string("type", "vantiro.fivem.result").add_number("n", 0.5).add_null("z");
  w.add_object("inner", std::move(inner));
  auto r = parse_object(w.to_string());
  ASSERT_TRUE(r.document);
  const ObjectRef o = r.document->root();
  EXPECT_EQ(o.get_string("type"), std::optional<std::string_view>("vantiro.fivem.result"));
  EXPECT_EQ(o.get_number("n"), std::optional<double>(0.5));
  EXPECT_EQ(o.get("z")->kind(), Kind::null);
  EXPECT_EQ(o.get_object("inner")->get_bool("ok"), std::optional<bool>(false));
  EXPECT_EQ(o.get_object("inner")->get_number("filesWritten"), std::optional<double>(3));
}

}  // namespace
}  // namespace vantiro::json
