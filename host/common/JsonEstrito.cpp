#include "host/common/JsonEstrito.h"

#include <fmt/format.h>

#include <set>
#include <utility>
#include <vector>

#include "framework/core/Exceptions.h"
#include "host/common/HostComum.h"

namespace JsonEstrito {

namespace {

using json = nlohmann::ordered_json;

// Builds the document event by event, refusing as it goes: a refusal is
// raised at once, before the rest of the text is read.
class TConstrutor : public nlohmann::json_sax<json> {
 public:
  TConstrutor(const std::string& texto, int maxProfundidade)
      : FTexto(texto), FMaxProfundidade(maxProfundidade) {}

  json Documento() { return std::move(FRaiz); }

  bool null() override { return Valor(json()); }
  bool boolean(bool valor) override { return Valor(valor); }
  bool number_integer(number_integer_t valor) override { return Valor(valor); }
  bool number_unsigned(number_unsigned_t valor) override { return Valor(valor); }
  bool number_float(number_float_t, const string_t& escrito) override {
    if (escrito.find_first_of("eE") != string_t::npos)
      throw Exception(
          fmt::format("Número com expoente não aceito em \"{}\": {} (escreva todos "
                      "os dígitos, como 1000.00)",
                      Campo(), escrito));
    // An integer beyond 64 bits arrives here too: as text, its field says
    // it is out of its range.
    return Valor(escrito);
  }
  bool string(string_t& valor) override { return Valor(std::move(valor)); }
  bool binary(binary_t&) override { return false; }
  bool start_object(std::size_t) override { return Abrir(json::object()); }
  bool key(string_t& chave) override {
    if (!FNiveis.back().Chaves.insert(chave).second)
      throw Exception(fmt::format("Chave repetida em um objeto: \"{}\"", chave));
    FNiveis.back().Chave = std::move(chave);
    return true;
  }
  bool end_object() override { return Fechar(); }
  bool start_array(std::size_t) override { return Abrir(json::array()); }
  bool end_array() override { return Fechar(); }
  bool parse_error(std::size_t, const std::string& escrito,
                   const nlohmann::detail::exception& erro) override {
    if (erro.id == 406)  // a number no double holds
      throw Exception(fmt::format("Número fora do intervalo em \"{}\": {}", Campo(), escrito));
    const auto* sintaxe = dynamic_cast<const nlohmann::detail::parse_error*>(&erro);
    const size_t posicao = sintaxe == nullptr ? FTexto.size() : sintaxe->byte;
    throw Exception("JSON inválido: " + HostComum::ErroDeSintaxe(FTexto, posicao));
  }

 private:
  // An open list or object: where its values go, the keys written so far
  // and the last one, and the key it is the value of (for messages).
  struct TNivel {
    json* Valor;
    std::set<std::string> Chaves;
    std::string Chave;
    std::string Nome;
  };

  // The key a value belongs to: the innermost object's last key, or the
  // key of the innermost list.
  std::string Campo() const {
    if (FNiveis.empty())
      return "documento";
    const TNivel& nivel = FNiveis.back();
    return nivel.Valor->is_object() ? nivel.Chave : nivel.Nome;
  }

  bool Valor(json valor) {
    Inserir(std::move(valor));
    return true;
  }
  json* Inserir(json valor) {
    if (FNiveis.empty()) {
      FRaiz = std::move(valor);
      return &FRaiz;
    }
    json& onde = *FNiveis.back().Valor;
    if (onde.is_array()) {
      onde.push_back(std::move(valor));
      return &onde.back();
    }
    json& lugar = onde[FNiveis.back().Chave];
    lugar = std::move(valor);
    return &lugar;
  }

  bool Abrir(json vazio) {
    if (static_cast<int>(FNiveis.size()) >= FMaxProfundidade)
      throw Exception(
          fmt::format("JSON inválido: mais de {} níveis de listas e objetos", FMaxProfundidade));
    std::string nome = Campo();
    FNiveis.push_back({Inserir(std::move(vazio)), {}, {}, std::move(nome)});
    return true;
  }
  bool Fechar() {
    FNiveis.pop_back();
    return true;
  }

  const std::string& FTexto;
  const int FMaxProfundidade;
  json FRaiz;
  std::vector<TNivel> FNiveis;
};

}  // namespace

json Analisar(const std::string& texto, int maxProfundidade) {
  TConstrutor construtor(texto, maxProfundidade);
  json::sax_parse(texto, &construtor);
  return construtor.Documento();
}

int64_t InteiroObrigatorio(const nlohmann::ordered_json& documento, const char* nome,
                           const std::string& descricao, int64_t maximo) {
  if (!documento.contains(nome) || !documento[nome].is_number_integer())
    throw Exception("Informe " + descricao + " (\"" + std::string(nome) + "\")");
  const int64_t valor = documento[nome].get<int64_t>();
  if (valor < 1 || valor > maximo)
    throw Exception(fmt::format("\"{}\": {} fora do intervalo de 1 a {}", nome,
                                documento[nome].dump(), maximo));
  return valor;
}

}  // namespace JsonEstrito
