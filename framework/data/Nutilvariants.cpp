#include "framework/data/Nutilvariants.h"

#include <algorithm>
#include <vector>

#include "framework/core/Nutil.h"

namespace Nutilvariants {

std::string MontarInclusao(const ValueArray& values) {
  std::string text;
  std::vector<const Value*> seen;
  for (const Value& value : values) {
    if (value.IsNull())
      continue;
    bool repeated = std::any_of(seen.begin(), seen.end(), [&](const Value* other) {
      return other->Type() == value.Type() && *other == value;
    });
    if (repeated)
      continue;
    seen.push_back(&value);
    if (!text.empty())
      text += ",";
    text += Nutil::ValorParaFiltro(value);
  }
  return text;
}

}  // namespace Nutilvariants
