#pragma once
// Data sets as the web page and the command line receive them: JSON with
// dates in ISO form, money and other numbers as numbers, null as null.

#include <nlohmann/json.hpp>

#include "framework/core/Value.h"
#include "framework/data/ClientDataSet.h"

namespace TnUtilConsultaWeb {

nlohmann::ordered_json ValorJson(const Value& valor);
// The current record's data fields, in field order (calculated ones left
// out); an empty object for an empty or closed data set.
nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet);
// The whole data set: "fields" (name, label, visible) and "rows" (each a
// record as RegistroJson gives it), in the data set's order. The current
// record is kept.
nlohmann::ordered_json SerializarDataset(TnClientDataSet& dataSet);

}  // namespace TnUtilConsultaWeb
