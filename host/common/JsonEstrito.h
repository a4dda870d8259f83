#pragma once
// The one reader of the JSON documents people and programs send (`entry
// post`, `post`, the web): a document is taken as written or refused, in
// Portuguese, naming the key where the fault is. Refused: text that is not
// JSON, nesting deeper than asked, a key written twice in one object (one of
// the two would be lost without a word), a number with an exponent ("1e3")
// and a number too large for any column ("1e400").
//
// A number with a decimal point is kept as the text it was written in
// ("10.0000" stays "10.0000", not the double 10.0): the field it goes to
// counts its places and refuses what it cannot keep, as it does for a text a
// person typed. Integers stay integers.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace JsonEstrito {

// The document of `texto`, at most `maxProfundidade` levels of lists and
// objects; Exception saying what is wrong and where.
nlohmann::ordered_json Analisar(const std::string& texto, int maxProfundidade);

// The integer member `nome` of `documento`, from 1 to `maximo`; Exception
// asking for `descricao` when it is missing or not an integer, or naming
// the value out of range.
int64_t InteiroObrigatorio(const nlohmann::ordered_json& documento, const char* nome,
                           const std::string& descricao, int64_t maximo);

}  // namespace JsonEstrito
