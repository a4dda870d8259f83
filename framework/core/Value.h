#pragma once
// The value of a field or a parameter: null, or one of the host's scalar
// types. Null is a state of its own, never a magic number. The As* readers
// follow the host's field conventions: null reads as 0, "" or False; a text
// that does not convert raises EConvertError.

#include <compare>
#include <concepts>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"

enum class TValueType { Null, Boolean, Integer, Float, Currency, String, DateTime };

class Value {
 public:
  Value() = default;
  Value(bool b) : FData(b) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) Value(T i)
      : FData(static_cast<int64_t>(i)) {}
  Value(double d) : FData(d) {}
  Value(Currency c) : FData(c) {}
  Value(std::string s) : FData(std::move(s)) {}
  Value(const char* s) : FData(std::string(s)) {}
  Value(TDateTime d) : FData(d) {}

  TValueType Type() const { return static_cast<TValueType>(FData.index()); }
  bool IsNull() const { return Type() == TValueType::Null; }
  bool IsNumeric() const;  // integer, float or currency

  bool AsBoolean() const;
  // A float rounds half to even. A whole number, by far the most read,
  // is answered here without a call.
  int64_t AsInteger() const {
    if (const int64_t* inteiro = std::get_if<int64_t>(&FData))
      return *inteiro;
    return ConvertidoEmInteiro();
  }
  double AsFloat() const;
  Currency AsCurrency() const;
  std::string AsString() const;  // dates as dd/mm/yyyy[ hh:nn:ss], numbers with a dot
  TDateTime AsDateTime() const;
  // The text of a String value, without a copy.
  const std::string& Text() const { return std::get<std::string>(FData); }

  // Total order used by indexes, FindKey, ranges and filters: null first;
  // numbers (and dates, and Booleans as 0/1) by magnitude across types; texts
  // byte by byte; a text against a number compares as number when the text
  // is one, as text otherwise.
  friend int Compare(const Value& a, const Value& b);
  // Equal in the sense of Compare, and null only equals null.
  friend bool operator==(const Value& a, const Value& b) { return Compare(a, b) == 0; }
  // Same type and same content (what a change log must see as "unchanged").
  bool IdenticalTo(const Value& other) const { return FData == other.FData; }

  // Renders the value for messages and debugging: "null", 'text', 12.5...
  std::string DebugString() const;

 private:
  int64_t ConvertidoEmInteiro() const;

  std::variant<std::monostate, bool, int64_t, double, Currency, std::string, TDateTime> FData;
};

using ValueArray = std::vector<Value>;

// Appends the value to the bytes of a composite key for hashing: a whole
// number as its eight bytes, a text with its length first, so that no two
// keys share their bytes, and a value of any other type tagged apart.
void AppendKeyBytes(std::string& key, const Value& value);

// Appends the value to the bytes of a composite key that must also sort:
// null first, then whole numbers by value, then texts byte by byte, as an
// index of a column that holds one kind of value (or null) orders it. Any
// value not a text is read as a whole number: keys of other types need
// AppendKeyBytes.
// Appended column after column, the bytes of two keys compare as the keys
// do, and differ when the keys differ.
void AppendSortableKeyBytes(std::string& key, const Value& value);

// Parses a number in the forms people and files use: "1234", "-1234.56",
// "1234,56". No thousands separator. nullopt when not a number.
bool TryParseNumber(const std::string& text, double& result);
