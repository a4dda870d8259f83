#pragma once
// Field maps: small objects whose TField* members are bound to a cursor's
// fields by name once, so loops read fields without name look-ups.
//
//   struct TnMapMovSaldoCtb {
//     TField* CONTACTB = nullptr;
//     TField* VALORDEB = nullptr;
//     auto Bindings() { return Nfieldmapper_u::TFieldBindings{
//         {"CONTACTB", &CONTACTB}, {"VALORDEB", &VALORDEB}}; }
//   };
//   Nfieldmapper_u::FieldMapper::MapearFields(cursor, map);
//
// A member whose field the data set lacks is left null when the binding is
// optional, and raises "Campo 'X' não encontrado" otherwise. The map does not
// own the fields; it is valid while the data set keeps its fields.

#include <string>
#include <vector>

#include "framework/data/ClientDataSet.h"

namespace Nfieldmapper_u {

struct TFieldBinding {
  std::string FieldName;
  TField** Member;
  bool Optional = false;
};
using TFieldBindings = std::vector<TFieldBinding>;

class FieldMapper {
 public:
  static void MapearFields(const TnClientDataSet& dataSet, const TFieldBindings& bindings);

  // Any map with a Bindings() member.
  template <typename TMap>
  static void MapearFields(const TnClientDataSet& dataSet, TMap& map) {
    MapearFields(dataSet, map.Bindings());
  }
};

}  // namespace Nfieldmapper_u
