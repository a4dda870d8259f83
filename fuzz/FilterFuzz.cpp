// Feeds arbitrary bytes to the filter parser. A text that parses is matched
// against a row holding one value of every type, so evaluation meets every
// comparison across types. The only acceptable failure is EFilterError from
// Parse; anything else (another exception, a crash, a sanitizer report, a
// hang) is a bug.

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/core/TDateTime.h"
#include "framework/data/filter/FilterExpression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Value kRow[] = {
      Value(),     Value(int64_t{1234}), Value(Currency::FromString("150.5")),
      Value(0.25), Value("ABCDEF"),      Value(EncodeDate(2025, 3, 10)),
      Value(true), Value("2025-03-10"),  Value(int64_t{-9007199254740993}),
  };
  constexpr size_t kRowSize = sizeof(kRow) / sizeof(kRow[0]);
  std::string text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<TFilterExpression> expression;
  try {
    expression = TFilterExpression::Parse(text);
  } catch (const EFilterError& e) {
    if (e.Position() == 0 || e.Position() > size + 1)
      __builtin_trap();
    return 0;
  }
  // Each field takes a value by the hash of its name, so the same name always
  // reads the same type within a run.
  expression->Matches([&](size_t index) {
    const std::string& name = expression->FieldNames().at(index);
    return kRow[std::hash<std::string>{}(name) % kRowSize];
  });
  return 0;
}
