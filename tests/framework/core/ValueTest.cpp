#include "framework/core/Value.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"

TEST(Value, NullIsAStateAndReadsAsZeroOrEmpty) {
  Value v;
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.AsInteger(), 0);
  EXPECT_EQ(v.AsString(), "");
  EXPECT_FALSE(v.AsBoolean());
  EXPECT_TRUE(v.AsDateTime().IsZero());
  EXPECT_FALSE(Value(0).IsNull());
  EXPECT_NE(Value(), Value(0));
  EXPECT_NE(Value(), Value(""));
}

TEST(Value, ConvertsBetweenTypesAsFieldsDo) {
  EXPECT_EQ(Value("  42 ").AsInteger(), 42);
  EXPECT_EQ(Value("-0042").AsInteger(), -42);
  EXPECT_EQ(Value("+7").AsInteger(), 7);
  EXPECT_EQ(Value("2,5").AsInteger(), 2);  // a decimal text rounds as a number does
  EXPECT_EQ(Value(" ").AsInteger(), 0);
  EXPECT_EQ(Value(2.5).AsInteger(), 2);  // half to even
  EXPECT_EQ(Value(3.5).AsInteger(), 4);
  EXPECT_EQ(Value("12,5").AsFloat(), 12.5);
  EXPECT_EQ(Value("150.00").AsCurrency(), Currency(150));
  EXPECT_EQ(Value(0.1).AsCurrency().Raw(), 1000);
  EXPECT_EQ(Value(EncodeDate(2025, 3, 10)).AsString(), "10/03/2025");
  EXPECT_EQ(Value("2025-03-10").AsDateTime(), EncodeDate(2025, 3, 10));
  EXPECT_EQ(Value(1.5).AsString(), "1.5");
  EXPECT_EQ(Value(3.0).AsString(), "3");
  EXPECT_THROW(Value("abc").AsInteger(), EConvertError);
  EXPECT_THROW(Value("12abc").AsInteger(), EConvertError);
  EXPECT_THROW(Value("31/02/2025").AsDateTime(), EConvertError);
}

TEST(Value, ComparesNumbersAcrossTypesAndTextsByBytes) {
  EXPECT_EQ(Compare(Value(2), Value(2.0)), 0);
  EXPECT_EQ(Compare(Value(Currency::FromString("1.5")), Value(1.5)), 0);
  EXPECT_LT(Compare(Value(int64_t{9007199254740993}), Value(int64_t{9007199254740994})), 0);
  EXPECT_LT(Compare(Value("B"), Value("a")), 0);
  EXPECT_LT(Compare(Value(), Value(-1000)), 0);
  EXPECT_EQ(Compare(Value("10"), Value(10)), 0);
  EXPECT_GT(Compare(Value(10), Value("9")), 0);
  EXPECT_EQ(Compare(Value("2025-03-10"), Value(EncodeDate(2025, 3, 10))), 0);
  EXPECT_TRUE(Value(1).IdenticalTo(Value(1)));
  EXPECT_FALSE(Value(1).IdenticalTo(Value(1.0)));
}

// Each value sorts before the next one; a key of two columns sorts by its
// first column before its second, whatever their lengths.
TEST(Value, SortableKeyBytesCompareAsTheValuesDo) {
  using namespace std::string_literals;
  const auto bytes = [](std::initializer_list<Value> columns) {
    std::string key;
    for (const Value& column : columns)
      AppendSortableKeyBytes(key, column);
    return key;
  };
  const std::vector<Value> ascending{Value(),
                                     Value(std::numeric_limits<int64_t>::min()),
                                     Value(-256),
                                     Value(-1),
                                     Value(0),
                                     Value(255),
                                     Value(256),
                                     Value(std::numeric_limits<int64_t>::max()),
                                     Value(""),
                                     Value("\0"s),
                                     Value("\0\0"s),
                                     Value("\0a"s),
                                     Value("\x01"),
                                     Value("2025-01-31"),
                                     Value("2025-02-01"),
                                     Value("a"),
                                     Value("a\0"s),
                                     Value("ab"),
                                     Value("\xC3\xA9")};
  for (size_t i = 0; i + 1 < ascending.size(); ++i)
    EXPECT_LT(bytes({ascending[i]}), bytes({ascending[i + 1]}))
        << ascending[i].DebugString() << " < " << ascending[i + 1].DebugString();
  EXPECT_LT(bytes({Value("a"), Value("z")}), bytes({Value("ab"), Value("")}));
  EXPECT_LT(bytes({Value(1), Value("z")}), bytes({Value(2), Value()}));
  // A zero inside a text is not taken for its end followed by a number.
  EXPECT_NE(bytes({Value("a"), Value(int64_t{0x0001010101010100})}),
            bytes({Value("a\0\x80\x01\x01\x01\x01\x01\x01"s)}));
}
