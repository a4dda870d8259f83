#pragma once
// Data sets as the web page and the command line receive them: JSON with
// dates in ISO form, money and other numbers as numbers, null as null.

#include <nlohmann/json.hpp>

#include "framework/core/Value.h"
#include "framework/data/ClientDataSet.h"

namespace TnUtilConsultaWeb {

nlohmann::ordered_json ValorJson(const Value& valor);
// The kind of value a field holds, as a page shows and takes it: "inteiro",
// "valor", "data", "logico" or "texto".
const char* TipoCampo(TFieldType tipo);
// The caption a page shows for a field: its own label, else the caption the
// data dictionary gives its column, else its name. Modules register the
// captions of their columns once; a later registration of a column wins.
void RegistrarRotuloColuna(const std::string& coluna, const std::string& rotulo);
std::string Rotulo(const TField& field);
// The current record's data fields, in field order (calculated ones left
// out); an empty object for an empty or closed data set.
nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet);
// The whole data set: "fields" (name, label, visible, type) and "rows" (each a
// record as RegistroJson gives it), in the data set's order. The current
// record is kept.
nlohmann::ordered_json SerializarDataset(TnClientDataSet& dataSet);

}  // namespace TnUtilConsultaWeb
