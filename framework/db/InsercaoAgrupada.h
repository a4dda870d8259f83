#pragma once
// Runs of one insert in a batch, sent as statements of several rows: the
// engine's work per statement (opening the table, its indexes and triggers,
// journaling the pages the statement touches) is then paid once per run
// instead of once per row. A text qualifies when it inserts one row of
// nothing but placeholders numbered from 1 in order, as the data set's
// provider writes it ("insert into T (A, B) values ($1, $2)" on PostgreSQL,
// "?1, ?2" on SQLite); the mark is the engine's placeholder character.

#include <array>
#include <bit>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "framework/db/IDbDriver.h"

namespace InsercaoAgrupada {

// Rows one statement carries at most. A shorter run goes in the largest
// power of two that fits, and the rest after it, so that a text is prepared
// in a few sizes only.
inline constexpr size_t kLinhasPorInsercao = 64;

// `Linhas` commands from `Inicio` that go as one statement; `Parametros` is
// the placeholder count of one row (0 for a command that goes alone).
struct TGrupo {
  size_t Inicio = 0;
  size_t Linhas = 1;
  size_t Parametros = 0;
};

// Whether two commands run one text: neighbours of one text make a run.
bool MesmoTexto(const TDbComando& a, const TDbComando& b);

// The placeholder count of `text` when it qualifies; 0 otherwise.
size_t ParametrosDaLinha(const std::string& text, char marca);

// `text` (qualifying, `parametros` placeholders a row) for `linhas` rows,
// the placeholders of each row numbered on from the last (on SQLite, by
// the engine: the rows after the first carry bare marks).
std::string Linhas(const std::string& text, size_t parametros, size_t linhas, char marca);

// Commands [inicio, fim) in order, grouped: neighbours of one qualifying
// text share a statement of at most `maxLinhas` rows (1: every command
// alone) and `maxParametros` placeholders.
std::vector<TGrupo> Grupos(const std::vector<TDbComando>& comandos, size_t inicio, size_t fim,
                           size_t maxLinhas, size_t maxParametros, char marca);

// Appends the results of a run that wrote its `linhas` rows: one row each,
// as if each had been its own statement.
void RegistrarLinhas(TDbLote& lote, size_t linhas);

// The statement texts of runs, by their one-row text and row count, each
// built once per connection: every run of every batch asks for the same
// few. All are forgotten past kMaxTextos one-row texts.
class TTextos {
 public:
  static constexpr size_t kMaxTextos = 32;

  // The text of a run of `linhas` rows (a power of two, at most
  // kLinhasPorInsercao) of `text`, from `construir` the first time.
  template <typename TConstrutor>
  const std::string& Texto(const std::string& text, size_t linhas, TConstrutor construir) {
    if (FTextos.size() >= kMaxTextos && !FTextos.contains(text))
      FTextos.clear();
    std::string& texto = FTextos[text][static_cast<size_t>(std::bit_width(linhas)) - 1];
    if (texto.empty())
      texto = construir();
    return texto;
  }

 private:
  std::map<std::string, std::array<std::string, std::bit_width(kLinhasPorInsercao)>> FTextos;
};

}  // namespace InsercaoAgrupada
