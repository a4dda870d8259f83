#include "framework/core/FormatFloat.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <fmt/format.h>

#include "framework/core/Decimal.h"
#include "framework/core/Exceptions.h"

namespace {

constexpr char kThousandsSeparator = '.';
constexpr char kDecimalSeparator = ',';
constexpr int kMaxPlaces = 18;

// A number to format, independent of its type: its sign, the digits of its
// magnitude rounded to a number of decimal places (no separator, at least
// one digit), and its plain form for the empty format.
struct TNumber {
  bool Negative;
  std::function<std::string(int places)> Digits;
  std::string General;
};

// What a section asks for, read once before rendering.
struct TSection {
  std::string Text;
  int MinInt = 0;   // digits shown before the decimal comma even when zero
  int MaxFrac = 0;  // decimal places the value is rounded to
  int MinFrac = 0;  // decimal places shown even when zero
  bool Grouping = false;
};

// Splits at ";" outside quotes; at most three sections count.
std::vector<std::string> SplitSections(const std::string& format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char ch : format) {
    if (quote) {
      if (ch == quote)
        quote = 0;
    } else if (ch == '\'' || ch == '"') {
      quote = ch;
    } else if (ch == ';') {
      if (sections.size() == 3)
        break;
      sections.emplace_back();
      continue;
    }
    sections.back() += ch;
  }
  return sections;
}

TSection ParseSection(const std::string& text) {
  TSection section;
  section.Text = text;
  int intCount = 0, firstZeroInt = -1;
  bool seenPoint = false;
  char quote = 0;
  for (char ch : text) {
    if (quote) {
      if (ch == quote)
        quote = 0;
      continue;
    }
    switch (ch) {
      case '\'':
      case '"':
        quote = ch;
        break;
      case ',':
        section.Grouping = true;
        break;
      case '.':
        seenPoint = true;
        break;
      case '0':
      case '#':
        if (!seenPoint) {
          if (ch == '0' && firstZeroInt < 0)
            firstZeroInt = intCount;
          ++intCount;
        } else {
          // Beyond 18 places a double has no digits left to show.
          if (section.MaxFrac == kMaxPlaces)
            break;
          ++section.MaxFrac;
          if (ch == '0')
            section.MinFrac = section.MaxFrac;
        }
        break;
      default:
        break;
    }
  }
  section.MinInt = firstZeroInt < 0 ? 0 : intCount - firstZeroInt;
  return section;
}

bool AllZeros(const std::string& digits) {
  return digits.find_first_not_of('0') == std::string::npos;
}

std::string Grouped(const std::string& digits) {
  std::string result;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      result += kThousandsSeparator;
    result += digits[i];
  }
  return result;
}

std::string Render(const TSection& section, std::string digits, bool withMinus) {
  if (digits.size() < static_cast<size_t>(section.MaxFrac) + 1) {
    digits.insert(0, section.MaxFrac + 1 - digits.size(), '0');
  }
  std::string intPart = digits.substr(0, digits.size() - section.MaxFrac);
  std::string fracPart = digits.substr(digits.size() - section.MaxFrac);
  while (fracPart.size() > static_cast<size_t>(section.MinFrac) && fracPart.back() == '0') {
    fracPart.pop_back();
  }
  size_t leadingZeros = 0;
  while (leadingZeros < intPart.size() && intPart[leadingZeros] == '0' &&
         intPart.size() - leadingZeros > static_cast<size_t>(section.MinInt)) {
    ++leadingZeros;
  }
  intPart.erase(0, leadingZeros);
  if (intPart.size() < static_cast<size_t>(section.MinInt)) {
    intPart.insert(0, section.MinInt - intPart.size(), '0');
  }
  if (section.Grouping)
    intPart = Grouped(intPart);

  std::string out = withMinus ? "-" : "";
  bool intDone = false, pointDone = false;
  const std::string& text = section.Text;
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\'' || ch == '"') {
      size_t close = text.find(ch, i + 1);
      if (close == std::string::npos)
        close = text.size();
      out.append(text, i + 1, close - i - 1);
      i = close;
    } else if (ch == '0' || ch == '#') {
      if (!intDone)
        out += intPart;
      intDone = true;
    } else if (ch == '.') {
      if (pointDone)
        continue;
      if (!intDone)
        out += intPart;
      intDone = pointDone = true;
      if (!fracPart.empty())
        out += kDecimalSeparator + fracPart;
    } else if (ch != ',') {
      out += ch;
    }
  }
  return out;
}

std::string Format(const std::string& format, const TNumber& number) {
  if (format.empty())
    return number.General;
  std::vector<std::string> texts = SplitSections(format);
  size_t index = number.Negative && texts.size() >= 2 && !texts[1].empty() ? 1 : 0;
  TSection section = ParseSection(texts[index]);
  std::string digits = number.Digits(section.MaxFrac);
  if (AllZeros(digits)) {
    // Zero, or a value too small to show: never signed.
    index = texts.size() >= 3 && !texts[2].empty() ? 2 : 0;
    section = ParseSection(texts[index]);
    return Render(section, "0", false);
  }
  return Render(section, digits, number.Negative && index == 0);
}

std::string Int128ToString(Int128 n) {
  if (n == 0)
    return "0";
  std::string text;
  for (; n > 0; n /= 10)
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
  return text;
}

std::string DoubleDigits(double x, int places) {
  try {
    int64_t scaled = Decimal::Scale(x, places, TRoundMode::HalfAwayFromZero);
    uint64_t magnitude =
        scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    return std::to_string(magnitude);
  } catch (const EConvertError&) {
    // Beyond 64-bit fixed point: such magnitudes carry no exact decimals
    // anyway, so the C library's digits serve.
    std::string text = fmt::format("{:.{}f}", std::fabs(x), places);
    std::erase(text, '.');
    return text;
  }
}

std::string WithDecimalComma(std::string text) {
  for (char& ch : text) {
    if (ch == '.')
      ch = kDecimalSeparator;
  }
  return text;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  TNumber number{value < 0, [value](int places) { return DoubleDigits(value, places); },
                 WithDecimalComma(fmt::format("{:.15g}", value == 0 ? 0.0 : value))};
  return Format(format, number);
}

std::string FormatFloat(const std::string& format, Currency value) {
  Int128 raw = value.Raw();
  auto digits = [raw](int places) {
    Int128 scaled = raw < 0 ? -raw : raw;
    Int128 factor = 1;
    for (int i = 0; i < (places > 4 ? places - 4 : 4 - places); ++i)
      factor *= 10;
    scaled = places > 4 ? scaled * factor
                        : Decimal::DivideRounded(scaled, factor, TRoundMode::HalfAwayFromZero);
    return Int128ToString(scaled);
  };
  TNumber number{raw < 0, digits, WithDecimalComma(value.ToString())};
  return Format(format, number);
}

std::string FormatCurr(const std::string& format, Currency value) {
  return FormatFloat(format, value);
}
