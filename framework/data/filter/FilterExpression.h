#pragma once
// The text filter of a client data set, parsed once into an expression tree
// and evaluated per record. The language is the host's data-access filter
// vocabulary: comparisons, and/or/not, in, like, between, is [not] null,
// quoted texts, numbers, dates as quoted texts, a few functions
// (docs/filters.md has the grammar).
//
// The expression never sees a data set: it names the fields it needs
// (FieldNames) and asks the caller for their values by index while matching,
// so one parsed filter serves any cursor over the same fields. Matching never
// throws; a malformed text is refused by Parse with the position at fault.
// Logic is two-valued, as the host's filters: a comparison with a null is
// false, and `not` of it is true.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Value.h"

// Malformed filter text. The message reads "Filtro inválido na posição N: ..."
// with N the 1-based byte position of the fault (the text's length + 1 when the
// text ended too soon).
class EFilterError : public Exception {
 public:
  EFilterError(const std::string& msg, size_t position);
  size_t Position() const { return FPosition; }

 private:
  size_t FPosition;
};

struct TFilterNode;

// One `field = literal` comparison (or `literal = field`) of a filter made
// of nothing else.
struct TFilterEquality {
  size_t FieldIndex;
  Value Literal;
  bool FieldFirst;
  // Whether a row whose field holds `field` passes, as Matches decides.
  bool Holds(const Value& field) const;
};

class TFilterExpression {
 public:
  // Deeper nesting (parentheses, `not`, function arguments) is refused, so a
  // hostile text cannot exhaust the stack of the parser or of Matches.
  static constexpr int kMaxDepth = 128;

  // Parses once into an expression tree; throws EFilterError. A blank text
  // gives an expression every record passes.
  static std::unique_ptr<TFilterExpression> Parse(const std::string& text);
  ~TFilterExpression();

  // The field names the expression references, upper-cased, each once, in
  // order of first appearance. Evaluation refers to them by this index.
  const std::vector<std::string>& FieldNames() const { return FFieldNames; }
  // True when the row passes. fieldValue(i) returns the current value of
  // FieldNames()[i] for the row being tested.
  bool Matches(const std::function<Value(size_t fieldIndex)>& fieldValue) const;
  // The comparisons, when the expression is one `field = literal` or an
  // `and` of them (a detail's usual filter on its master's key): a caller
  // reading the fields itself can then test a row without the evaluator.
  // Empty for any other form.
  const std::vector<TFilterEquality>& Equalities() const { return FEqualities; }

 private:
  TFilterExpression();

  // Set by Parse, never changed afterwards.
  std::unique_ptr<TFilterNode> FRoot;
  std::vector<std::string> FFieldNames;
  std::vector<TFilterEquality> FEqualities;
};
