#pragma once
// Small pieces the host's commands share.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "framework/core/TDateTime.h"

class TnClientDataSet;
class TnDMConexao;

namespace HostComum {

// The range of an entry key (CHAVELCTOCTB, a 32-bit column): a key beyond
// it is refused on every path that takes one, before any engine stores it
// (SQLite would, and the company's next key would then overflow).
inline constexpr int64_t kMaxChaveLctoCtb = 2'147'483'647;

// The current record's data fields in field order: dates ISO, money and
// other numbers as numbers, null as null.
nlohmann::ordered_json RegistroJson(const TnClientDataSet& dataSet);

// Loads the module's package once per program, as the host does before it
// creates modules by class name; nothing when it is loaded already.
void CarregarPacote();

// Where a JSON text stopped parsing, at the parser's byte (from 1), in
// words: "erro de sintaxe na linha 3, coluna 7", the column in characters
// (the parser's own text is English and quotes what it read).
std::string ErroDeSintaxe(const std::string& texto, size_t byte);

// The first `limite` bytes of a file, and one more when there are more, so
// that the caller can refuse a file too large; `oQue` names it in the
// Exception raised when it cannot be opened ("o mapa de colunas").
std::string InicioDoArquivo(const std::string& arquivo, size_t limite, const std::string& oQue);

// The bounds of an open period: 01/01/1900 and 31/12/9999.
TDateTime DataMinima();
TDateTime DataMaxima();

// The date of a command-line option; `padrao` when the option is empty.
// Raises Exception naming the option for a text that is no date.
TDateTime DataDaOpcao(const std::string& texto, const char* opcao, TDateTime padrao);

// A file of our own under /tmp, removed however the run ends.
class TArquivoTemporario {
 public:
  // Exception when it cannot be created.
  TArquivoTemporario();
  ~TArquivoTemporario();
  TArquivoTemporario(const TArquivoTemporario&) = delete;
  TArquivoTemporario& operator=(const TArquivoTemporario&) = delete;
  const std::string& Caminho() const { return FCaminho; }

 private:
  std::string FCaminho;
};

}  // namespace HostComum
