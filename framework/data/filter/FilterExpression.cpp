#include "framework/data/filter/FilterExpression.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "framework/core/TDateTime.h"

EFilterError::EFilterError(const std::string& msg, size_t position)
    : Exception(fmt::format("Filtro inválido na posição {}: {}", position, msg)),
      FPosition(position) {}

// Conditions give true or false; values give a Value. The parser decides
// which is which, so evaluation never has to guess.
enum class TFilterNodeKind {
  // conditions
  Constant,  // Literal holds the Boolean
  And,
  Or,
  Not,
  Truth,    // a Boolean field used as a condition
  Compare,  // Children: left, right
  Prefix,   // Children: value; PrefixText: what it must start with
  In,       // Children: value, then the list
  Like,     // Children: value, pattern
  Between,  // Children: value, low, high
  IsNull,   // Children: value
  // values
  Literal,
  Field,
  Function,
};

enum class TFilterCompareOp { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual };

enum class TFilterFunction { Upper, Lower, Trim, Substring, Year, Month, Day, GetDate };

struct TFilterNode {
  TFilterNodeKind Kind;
  size_t Position;  // 1-based, for error messages
  std::vector<std::unique_ptr<TFilterNode>> Children;
  Value Literal;
  size_t FieldIndex = 0;
  TFilterCompareOp Op = TFilterCompareOp::Equal;
  TFilterFunction Function = TFilterFunction::Upper;
  bool Negated = false;  // In, Like, Between, IsNull: the "not" form; Prefix: `<>`
  std::string PrefixText;

  TFilterNode(TFilterNodeKind kind, size_t position) : Kind(kind), Position(position) {}
  bool IsCondition() const { return Kind < TFilterNodeKind::Literal; }
};

namespace {

using TNodePtr = std::unique_ptr<TFilterNode>;

constexpr int64_t kMaxTextPosition = 1'000'000'000;

TNodePtr MakeNode(TFilterNodeKind kind, size_t position) {
  return std::make_unique<TFilterNode>(kind, position);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// ASCII letters and the accented Latin letters of UTF-8 (U+00C0..U+00FE, the
// ones Portuguese uses), which differ by 0x20 in their second byte.
std::string ChangeCase(const std::string& text, bool upper) {
  std::string result = text;
  for (size_t i = 0; i < result.size(); ++i) {
    auto ch = static_cast<unsigned char>(result[i]);
    if (ch < 0x80) {
      result[i] = static_cast<char>(upper ? std::toupper(ch) : std::tolower(ch));
    } else if (ch == 0xC3 && i + 1 < result.size()) {
      auto next = static_cast<unsigned char>(result[i + 1]);
      if (upper && next >= 0xA0 && next <= 0xBE && next != 0xB7) {
        result[i + 1] = static_cast<char>(next - 0x20);
      } else if (!upper && next >= 0x80 && next <= 0x9E && next != 0x97) {
        result[i + 1] = static_cast<char>(next + 0x20);
      }
      ++i;
    }
  }
  return result;
}

std::string UpperName(std::string name) {
  for (char& ch : name)
    ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return name;
}

size_t CharLength(const std::string& text, size_t at) {
  size_t n = 1;
  if (static_cast<unsigned char>(text[at]) >= 0xC0) {
    while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
      ++n;
  }
  return n;
}

// `like` with % (any run) and _ (one character), case-sensitive. Greedy with
// a single backtrack point, so the cost stays linear in practice and the
// stack flat whatever the pattern.
bool LikeMatches(const std::string& text, const std::string& pattern) {
  size_t t = 0, p = 0;
  size_t starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == '_') {
      t += CharLength(text, t);
      ++p;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++t;
      ++p;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      starT += CharLength(text, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%')
    ++p;
  return p == pattern.size();
}

// --- lexer ---------------------------------------------------------------

enum class TTokenKind { End, Name, BracketName, Text, Number, LParen, RParen, Comma, Minus, Op };

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  std::string Text;     // the name, the unquoted text, the digits or the operator
  size_t Position = 0;  // 1-based
};

class TFilterParser {
 public:
  TFilterParser(const std::string& text, std::vector<std::string>& fieldNames)
      : FText(text), FFieldNames(fieldNames) {}

  TNodePtr ParseFilter() {
    Next();
    if (FToken.Kind == TTokenKind::End) {
      auto always = MakeNode(TFilterNodeKind::Constant, 1);
      always->Literal = Value(true);
      return always;
    }
    TNodePtr root = ParseOr();
    if (FToken.Kind == TTokenKind::RParen)
      Fail("')' sem '(' correspondente");
    if (FToken.Kind != TTokenKind::End)
      Fail("'and' ou 'or' esperado");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& detail) { Fail(detail, FToken.Position); }
  [[noreturn]] void Fail(const std::string& detail, size_t position) {
    throw EFilterError(detail, position);
  }

  static bool IsNameChar(char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
  }

  void Next() {
    while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos])))
      ++FPos;
    FToken = TToken{};
    FToken.Position = FPos + 1;
    if (FPos >= FText.size())
      return;
    char ch = FText[FPos];
    size_t start = FPos;
    if (std::isalpha(static_cast<unsigned char>(ch)) || ch == '_') {
      while (FPos < FText.size() && IsNameChar(FText[FPos]))
        ++FPos;
      FToken.Kind = TTokenKind::Name;
      FToken.Text = FText.substr(start, FPos - start);
    } else if (std::isdigit(static_cast<unsigned char>(ch))) {
      while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])))
        ++FPos;
      if (FPos + 1 < FText.size() && FText[FPos] == '.' &&
          std::isdigit(static_cast<unsigned char>(FText[FPos + 1]))) {
        ++FPos;
        while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos])))
          ++FPos;
      }
      FToken.Kind = TTokenKind::Number;
      FToken.Text = FText.substr(start, FPos - start);
    } else if (ch == '\'') {
      ++FPos;
      for (;;) {
        if (FPos >= FText.size())
          Fail("texto sem o apóstrofo de fechamento", start + 1);
        if (FText[FPos] == '\'') {
          if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
            FToken.Text += '\'';
            FPos += 2;
            continue;
          }
          ++FPos;
          break;
        }
        FToken.Text += FText[FPos++];
      }
      FToken.Kind = TTokenKind::Text;
    } else if (ch == '[') {
      size_t close = FText.find(']', FPos);
      if (close == std::string::npos)
        Fail("']' esperado", FText.size() + 1);
      std::string name = FText.substr(FPos + 1, close - FPos - 1);
      size_t first = name.find_first_not_of(" \t");
      if (first == std::string::npos)
        Fail("nome de campo vazio");
      name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
      FPos = close + 1;
      FToken.Kind = TTokenKind::BracketName;
      FToken.Text = name;
    } else if (ch == '(' || ch == ')' || ch == ',' || ch == '-') {
      ++FPos;
      FToken.Kind = ch == '('   ? TTokenKind::LParen
                    : ch == ')' ? TTokenKind::RParen
                    : ch == ',' ? TTokenKind::Comma
                                : TTokenKind::Minus;
    } else if (ch == '=' || ch == '<' || ch == '>') {
      ++FPos;
      if (ch != '=' && FPos < FText.size() &&
          (FText[FPos] == '=' || (ch == '<' && FText[FPos] == '>'))) {
        ++FPos;
      }
      FToken.Kind = TTokenKind::Op;
      FToken.Text = FText.substr(start, FPos - start);
    } else {
      auto byte = static_cast<unsigned char>(ch);
      if (byte >= 0x20 && byte < 0x7F)
        Fail(fmt::format("caractere inválido '{}'", ch));
      Fail(fmt::format("caractere inválido (código {})", byte));
    }
  }

  bool IsKeyword(const char* keyword) const {
    return FToken.Kind == TTokenKind::Name && EqualsIgnoringCase(FToken.Text, keyword);
  }

  static bool IsReserved(const std::string& name) {
    for (const char* keyword :
         {"AND", "OR", "NOT", "IN", "IS", "NULL", "LIKE", "BETWEEN", "TRUE", "FALSE"}) {
      if (EqualsIgnoringCase(name, keyword))
        return true;
    }
    return false;
  }

  void Expect(TTokenKind kind, const char* what) {
    if (FToken.Kind != kind)
      Fail(fmt::format("{} esperado", what));
    Next();
  }

  void Enter() {
    if (++FDepth > TFilterExpression::kMaxDepth) {
      Fail(fmt::format("expressão aninhada demais (o limite é {} níveis)",
                       TFilterExpression::kMaxDepth));
    }
  }
  void Leave() { --FDepth; }

  // A value where a condition is due: a Boolean field or literal stands for
  // itself; anything else is an error.
  TNodePtr AsCondition(TNodePtr node) {
    if (node->IsCondition())
      return node;
    if (node->Kind == TFilterNodeKind::Field) {
      auto truth = MakeNode(TFilterNodeKind::Truth, node->Position);
      truth->Children.push_back(std::move(node));
      return truth;
    }
    if (node->Kind == TFilterNodeKind::Literal && node->Literal.Type() == TValueType::Boolean) {
      node->Kind = TFilterNodeKind::Constant;
      return node;
    }
    Fail("condição esperada", node->Position);
  }

  TNodePtr AsValue(TNodePtr node) {
    if (node->IsCondition())
      Fail("valor esperado", node->Position);
    return node;
  }

  // and/or chains become one node with many children: a long list of terms
  // must not make a deep tree.
  TNodePtr ParseChain(TFilterNodeKind kind, const char* keyword) {
    size_t position = FToken.Position;
    TNodePtr first =
        kind == TFilterNodeKind::Or ? ParseChain(TFilterNodeKind::And, "and") : ParseNot();
    if (!IsKeyword(keyword))
      return first;
    auto chain = MakeNode(kind, position);
    chain->Children.push_back(AsCondition(std::move(first)));
    while (IsKeyword(keyword)) {
      Next();
      TNodePtr term =
          kind == TFilterNodeKind::Or ? ParseChain(TFilterNodeKind::And, "and") : ParseNot();
      chain->Children.push_back(AsCondition(std::move(term)));
    }
    return chain;
  }

  TNodePtr ParseOr() { return AsCondition(ParseChain(TFilterNodeKind::Or, "or")); }

  TNodePtr ParseNot() {
    if (!IsKeyword("not"))
      return ParsePredicate();
    auto node = MakeNode(TFilterNodeKind::Not, FToken.Position);
    Enter();
    Next();
    node->Children.push_back(AsCondition(ParseNot()));
    Leave();
    return node;
  }

  static TFilterCompareOp OpOf(const std::string& text) {
    if (text == "=")
      return TFilterCompareOp::Equal;
    if (text == "<>")
      return TFilterCompareOp::NotEqual;
    if (text == "<")
      return TFilterCompareOp::Less;
    if (text == ">")
      return TFilterCompareOp::Greater;
    if (text == "<=")
      return TFilterCompareOp::LessOrEqual;
    return TFilterCompareOp::GreaterOrEqual;
  }

  static bool IsPrefixPattern(const TFilterNode& node) {
    if (node.Kind != TFilterNodeKind::Literal || node.Literal.Type() != TValueType::String) {
      return false;
    }
    std::string text = node.Literal.AsString();
    return !text.empty() && text.back() == '*';
  }

  TNodePtr ParseComparison(TNodePtr left) {
    size_t position = left->Position;
    TFilterCompareOp op = OpOf(FToken.Text);
    Next();
    TNodePtr right = AsValue(ParseOperand());
    bool equality = op == TFilterCompareOp::Equal || op == TFilterCompareOp::NotEqual;
    if (equality && (IsPrefixPattern(*right) || IsPrefixPattern(*left))) {
      // A quoted text ending in * matches every value that starts with it.
      if (!IsPrefixPattern(*right))
        std::swap(left, right);
      auto prefix = MakeNode(TFilterNodeKind::Prefix, position);
      std::string text = right->Literal.AsString();
      prefix->PrefixText = text.substr(0, text.size() - 1);
      prefix->Negated = op == TFilterCompareOp::NotEqual;
      prefix->Children.push_back(std::move(left));
      return prefix;
    }
    auto node = MakeNode(TFilterNodeKind::Compare, position);
    node->Op = op;
    node->Children.push_back(std::move(left));
    node->Children.push_back(std::move(right));
    return node;
  }

  TNodePtr ParsePredicate() {
    TNodePtr left = ParseOperand();
    if (left->IsCondition())
      return left;
    if (FToken.Kind == TTokenKind::Op)
      return ParseComparison(std::move(left));

    size_t position = left->Position;
    bool negated = false;
    if (IsKeyword("not")) {
      negated = true;
      Next();
      if (!IsKeyword("in") && !IsKeyword("like") && !IsKeyword("between")) {
        Fail("'in', 'like' ou 'between' esperado");
      }
    }
    TNodePtr node;
    if (IsKeyword("in")) {
      node = MakeNode(TFilterNodeKind::In, position);
      node->Children.push_back(std::move(left));
      Next();
      Expect(TTokenKind::LParen, "'('");
      node->Children.push_back(AsValue(ParseOperand()));
      while (FToken.Kind == TTokenKind::Comma) {
        Next();
        node->Children.push_back(AsValue(ParseOperand()));
      }
      Expect(TTokenKind::RParen, "')'");
    } else if (IsKeyword("like")) {
      node = MakeNode(TFilterNodeKind::Like, position);
      node->Children.push_back(std::move(left));
      Next();
      node->Children.push_back(AsValue(ParseOperand()));
    } else if (IsKeyword("between")) {
      node = MakeNode(TFilterNodeKind::Between, position);
      node->Children.push_back(std::move(left));
      Next();
      node->Children.push_back(AsValue(ParseOperand()));
      if (!IsKeyword("and"))
        Fail("'and' esperado");
      Next();
      node->Children.push_back(AsValue(ParseOperand()));
    } else if (IsKeyword("is")) {
      node = MakeNode(TFilterNodeKind::IsNull, position);
      node->Children.push_back(std::move(left));
      Next();
      if (IsKeyword("not")) {
        negated = true;
        Next();
      }
      if (!IsKeyword("null"))
        Fail("'null' esperado");
      Next();
    } else {
      return left;
    }
    node->Negated = negated;
    return node;
  }

  TNodePtr NumberLiteral(const std::string& digits, bool negative, size_t position) {
    auto node = MakeNode(TFilterNodeKind::Literal, position);
    size_t dot = digits.find('.');
    if (dot == std::string::npos) {
      int64_t parsed = 0;
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
      if (error == std::errc() && end == digits.data() + digits.size()) {
        node->Literal = Value(negative ? -parsed : parsed);
        return node;
      }
    } else if (dot <= 14 && digits.size() - dot - 1 <= 4) {
      node->Literal = Value(Currency::FromString((negative ? "-" : "") + digits));
      return node;
    }
    double d = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(d))
      Fail("número fora do intervalo", position);
    node->Literal = Value(negative ? -d : d);
    return node;
  }

  TNodePtr FieldNode(const std::string& name, size_t position) {
    auto node = MakeNode(TFilterNodeKind::Field, position);
    std::string upper = UpperName(name);
    auto it = std::find(FFieldNames.begin(), FFieldNames.end(), upper);
    node->FieldIndex = static_cast<size_t>(it - FFieldNames.begin());
    if (it == FFieldNames.end())
      FFieldNames.push_back(upper);
    return node;
  }

  TNodePtr IntegerArgument() {
    size_t position = FToken.Position;
    bool negative = FToken.Kind == TTokenKind::Minus;
    if (negative)
      Next();
    if (FToken.Kind != TTokenKind::Number || FToken.Text.find('.') != std::string::npos) {
      Fail("número inteiro esperado");
    }
    TNodePtr node = NumberLiteral(FToken.Text, negative, position);
    // Positions and lengths are small; bounding them keeps start + length exact.
    if (node->Literal.Type() != TValueType::Integer ||
        std::abs(node->Literal.AsInteger()) > kMaxTextPosition) {
      Fail("número fora do intervalo", position);
    }
    Next();
    return node;
  }

  TNodePtr ParseFunction(const std::string& name, size_t position) {
    struct TFunctionInfo {
      const char* Name;
      TFilterFunction Function;
      size_t Arguments;  // value arguments; substring adds start and length
    };
    static constexpr TFunctionInfo kFunctions[] = {
        {"UPPER", TFilterFunction::Upper, 1}, {"LOWER", TFilterFunction::Lower, 1},
        {"TRIM", TFilterFunction::Trim, 1},   {"SUBSTRING", TFilterFunction::Substring, 1},
        {"YEAR", TFilterFunction::Year, 1},   {"MONTH", TFilterFunction::Month, 1},
        {"DAY", TFilterFunction::Day, 1},     {"GETDATE", TFilterFunction::GetDate, 0},
    };
    const TFunctionInfo* info = nullptr;
    for (const auto& candidate : kFunctions) {
      if (EqualsIgnoringCase(name, candidate.Name))
        info = &candidate;
    }
    if (!info)
      Fail(fmt::format("função desconhecida '{}'", name), position);

    auto node = MakeNode(TFilterNodeKind::Function, position);
    node->Function = info->Function;
    Enter();
    Next();  // the '('
    for (size_t i = 0; i < info->Arguments; ++i) {
      if (i > 0)
        Expect(TTokenKind::Comma, "','");
      node->Children.push_back(AsValue(ParseOperand()));
    }
    if (info->Function == TFilterFunction::Substring) {
      Expect(TTokenKind::Comma, "','");
      node->Children.push_back(IntegerArgument());
      if (FToken.Kind == TTokenKind::Comma) {
        Next();
        node->Children.push_back(IntegerArgument());
      }
    }
    Expect(TTokenKind::RParen, "')'");
    Leave();
    return node;
  }

  TNodePtr ParseOperand() {
    size_t position = FToken.Position;
    switch (FToken.Kind) {
      case TTokenKind::Text: {
        auto node = MakeNode(TFilterNodeKind::Literal, position);
        node->Literal = Value(FToken.Text);
        Next();
        return node;
      }
      case TTokenKind::Number: {
        TNodePtr node = NumberLiteral(FToken.Text, false, position);
        Next();
        return node;
      }
      case TTokenKind::Minus: {
        Next();
        if (FToken.Kind != TTokenKind::Number)
          Fail("número esperado");
        TNodePtr node = NumberLiteral(FToken.Text, true, position);
        Next();
        return node;
      }
      case TTokenKind::BracketName: {
        TNodePtr node = FieldNode(FToken.Text, position);
        Next();
        return node;
      }
      case TTokenKind::LParen: {
        Enter();
        Next();
        TNodePtr inner = ParseChain(TFilterNodeKind::Or, "or");
        Expect(TTokenKind::RParen, "')'");
        Leave();
        inner->Position = position;
        return inner;
      }
      case TTokenKind::Name: {
        std::string name = FToken.Text;
        if (IsKeyword("null") || IsKeyword("true") || IsKeyword("false")) {
          auto node = MakeNode(TFilterNodeKind::Literal, position);
          if (!IsKeyword("null"))
            node->Literal = Value(IsKeyword("true"));
          Next();
          return node;
        }
        if (IsReserved(name))
          Fail("valor esperado");
        Next();
        if (FToken.Kind == TTokenKind::LParen)
          return ParseFunction(name, position);
        return FieldNode(name, position);
      }
      default:
        Fail("valor esperado");
    }
  }

  const std::string& FText;
  std::vector<std::string>& FFieldNames;
  size_t FPos = 0;
  TToken FToken;
  int FDepth = 0;
};

// --- evaluation -----------------------------------------------------------

using TFieldReader = std::function<Value(size_t)>;

bool Test(const TFilterNode& node, const TFieldReader& fieldValue);

std::optional<TDateTime> DateOfValue(const Value& v) {
  if (v.Type() == TValueType::DateTime)
    return v.AsDateTime();
  if (v.Type() == TValueType::String)
    return ParseDate(v.AsString());
  return std::nullopt;
}

Value Evaluate(const TFilterNode& node, const TFieldReader& fieldValue) {
  switch (node.Kind) {
    case TFilterNodeKind::Literal:
      return node.Literal;
    case TFilterNodeKind::Field:
      return fieldValue(node.FieldIndex);
    case TFilterNodeKind::Function:
      break;
    default:
      assert(false && "a condition evaluated as a value");
      return Value(Test(node, fieldValue));
  }
  if (node.Function == TFilterFunction::GetDate)
    return Value(Now());
  Value argument = Evaluate(*node.Children[0], fieldValue);
  if (argument.IsNull())
    return argument;
  switch (node.Function) {
    case TFilterFunction::Upper:
      return Value(ChangeCase(argument.AsString(), true));
    case TFilterFunction::Lower:
      return Value(ChangeCase(argument.AsString(), false));
    case TFilterFunction::Trim: {
      std::string text = argument.AsString();
      size_t first = text.find_first_not_of(" \t\r\n");
      if (first == std::string::npos)
        return Value(std::string());
      return Value(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
    }
    case TFilterFunction::Substring: {
      // Positions count characters from 1; a start before 1 eats into the
      // length, as in SQL.
      std::string text = argument.AsString();
      int64_t start = node.Children[1]->Literal.AsInteger();
      int64_t end =
          node.Children.size() > 2 ? start + node.Children[2]->Literal.AsInteger() : INT64_MAX;
      if (end <= std::max<int64_t>(start, 1))
        return Value(std::string());
      size_t from = text.size(), to = text.size();
      int64_t position = 1;
      for (size_t at = 0; at < text.size(); at += CharLength(text, at), ++position) {
        if (position == std::max<int64_t>(start, 1))
          from = at;
        if (position == end) {
          to = at;
          break;
        }
      }
      if (to <= from)
        return Value(std::string());
      return Value(text.substr(from, to - from));
    }
    case TFilterFunction::Year:
    case TFilterFunction::Month:
    case TFilterFunction::Day: {
      auto date = DateOfValue(argument);
      if (!date)
        return Value();
      int y, m, d;
      DecodeDate(*date, y, m, d);
      return Value(node.Function == TFilterFunction::Year    ? y
                   : node.Function == TFilterFunction::Month ? m
                                                             : d);
    }
    case TFilterFunction::GetDate:
      break;
  }
  return Value();
}

bool Truth(const Value& v) {
  switch (v.Type()) {
    case TValueType::Null:
      return false;
    case TValueType::Boolean:
      return v.AsBoolean();
    case TValueType::String: {
      std::string text = v.AsString();
      return EqualsIgnoringCase(text, "true") || text == "1";
    }
    default:
      return v.AsFloat() != 0;
  }
}

bool CompareHolds(TFilterCompareOp op, int c) {
  switch (op) {
    case TFilterCompareOp::Equal:
      return c == 0;
    case TFilterCompareOp::NotEqual:
      return c != 0;
    case TFilterCompareOp::Less:
      return c < 0;
    case TFilterCompareOp::Greater:
      return c > 0;
    case TFilterCompareOp::LessOrEqual:
      return c <= 0;
    case TFilterCompareOp::GreaterOrEqual:
      return c >= 0;
  }
  return false;
}

// Null on either side makes every comparison false; only `is null` and the
// `not` around a comparison can turn a null into true.
bool TestPredicate(const TFilterNode& node, const TFieldReader& fieldValue) {
  Value subject = Evaluate(*node.Children[0], fieldValue);
  if (node.Kind == TFilterNodeKind::IsNull)
    return subject.IsNull();
  if (subject.IsNull())
    return false;
  switch (node.Kind) {
    case TFilterNodeKind::Compare: {
      Value other = Evaluate(*node.Children[1], fieldValue);
      return !other.IsNull() && CompareHolds(node.Op, Compare(subject, other));
    }
    case TFilterNodeKind::Prefix:
      // `<>` with a pattern is still a comparison: false for a null.
      return subject.AsString().starts_with(node.PrefixText) != node.Negated;
    case TFilterNodeKind::In:
      for (size_t i = 1; i < node.Children.size(); ++i) {
        Value item = Evaluate(*node.Children[i], fieldValue);
        if (!item.IsNull() && Compare(subject, item) == 0)
          return true;
      }
      return false;
    case TFilterNodeKind::Like: {
      Value pattern = Evaluate(*node.Children[1], fieldValue);
      return !pattern.IsNull() && LikeMatches(subject.AsString(), pattern.AsString());
    }
    case TFilterNodeKind::Between: {
      Value low = Evaluate(*node.Children[1], fieldValue);
      Value high = Evaluate(*node.Children[2], fieldValue);
      return !low.IsNull() && !high.IsNull() && Compare(subject, low) >= 0 &&
             Compare(subject, high) <= 0;
    }
    default:
      return false;
  }
}

bool Test(const TFilterNode& node, const TFieldReader& fieldValue) {
  switch (node.Kind) {
    case TFilterNodeKind::Constant:
      return node.Literal.AsBoolean();
    case TFilterNodeKind::And:
      return std::all_of(node.Children.begin(), node.Children.end(),
                         [&](const TNodePtr& child) { return Test(*child, fieldValue); });
    case TFilterNodeKind::Or:
      return std::any_of(node.Children.begin(), node.Children.end(),
                         [&](const TNodePtr& child) { return Test(*child, fieldValue); });
    case TFilterNodeKind::Not:
      return !Test(*node.Children[0], fieldValue);
    case TFilterNodeKind::Truth:
      return Truth(Evaluate(*node.Children[0], fieldValue));
    case TFilterNodeKind::Compare:
    case TFilterNodeKind::Prefix:
      return TestPredicate(node, fieldValue);
    case TFilterNodeKind::IsNull:
    case TFilterNodeKind::In:
    case TFilterNodeKind::Like:
    case TFilterNodeKind::Between: {
      // The "not" forms are the negation of the plain form, null included.
      bool holds = TestPredicate(node, fieldValue);
      return node.Negated ? !holds : holds;
    }
    default:
      assert(false && "a value tested as a condition");
      return false;
  }
}

// The `field = literal` comparisons an `and` is made of; false at the first
// node of any other kind.
bool CollectEqualities(const TFilterNode& node, std::vector<TFilterEquality>& terms) {
  if (node.Kind == TFilterNodeKind::And)
    return std::all_of(node.Children.begin(), node.Children.end(),
                       [&](const TNodePtr& child) { return CollectEqualities(*child, terms); });
  if (node.Kind != TFilterNodeKind::Compare || node.Op != TFilterCompareOp::Equal)
    return false;
  const TFilterNode& left = *node.Children[0];
  const TFilterNode& right = *node.Children[1];
  if (left.Kind == TFilterNodeKind::Field && right.Kind == TFilterNodeKind::Literal)
    terms.push_back({left.FieldIndex, right.Literal, true});
  else if (left.Kind == TFilterNodeKind::Literal && right.Kind == TFilterNodeKind::Field)
    terms.push_back({right.FieldIndex, left.Literal, false});
  else
    return false;
  return true;
}

}  // namespace

// As TestPredicate decides a comparison: a null on either side fails it.
bool TFilterEquality::Holds(const Value& field) const {
  if (field.IsNull() || Literal.IsNull())
    return false;
  return (FieldFirst ? Compare(field, Literal) : Compare(Literal, field)) == 0;
}

TFilterExpression::TFilterExpression() = default;
TFilterExpression::~TFilterExpression() = default;

std::unique_ptr<TFilterExpression> TFilterExpression::Parse(const std::string& text) {
  std::unique_ptr<TFilterExpression> expression(new TFilterExpression());
  TFilterParser parser(text, expression->FFieldNames);
  expression->FRoot = parser.ParseFilter();
  if (!CollectEqualities(*expression->FRoot, expression->FEqualities))
    expression->FEqualities.clear();
  return expression;
}

bool TFilterExpression::Matches(const std::function<Value(size_t fieldIndex)>& fieldValue) const {
  return Test(*FRoot, fieldValue);
}
