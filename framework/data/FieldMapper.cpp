#include "framework/data/FieldMapper.h"

namespace Nfieldmapper_u {

void FieldMapper::MapearFields(const TnClientDataSet& dataSet, const TFieldBindings& bindings) {
  for (const TFieldBinding& binding : bindings) {
    *binding.Member = binding.Optional ? dataSet.FindField(binding.FieldName)
                                       : &dataSet.FieldByName(binding.FieldName);
  }
}

}  // namespace Nfieldmapper_u
