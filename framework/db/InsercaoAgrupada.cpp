#include "framework/db/InsercaoAgrupada.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <string_view>

namespace InsercaoAgrupada {

namespace {

// SQLite numbers a bare "?" one past the largest number so far, and finds
// the name of each numbered one by a walk of those before it when it
// compiles the statement: a run's later rows go bare, so that a statement
// of 64 rows does not compile in time that grows with the square of its
// placeholders. PostgreSQL's "$" needs its number.
constexpr char kMarcaSemNumero = '?';

// Appends "(M1, M2, ...)" for `parametros` placeholders numbered from
// `primeiro` (bare when `numerar` is false): built for every run of a batch,
// so without a format call per placeholder.
void AcrescentarTupla(std::string& destino, size_t parametros, size_t primeiro, char marca,
                      bool numerar = true) {
  char numero[24];
  destino += '(';
  for (size_t p = 0; p < parametros; ++p) {
    if (p > 0)
      destino += ", ";
    destino += marca;
    if (numerar) {
      const auto fim = std::to_chars(numero, numero + sizeof numero, primeiro + p).ptr;
      destino.append(numero, fim);
    }
  }
  destino += ')';
}

}  // namespace

bool MesmoTexto(const TDbComando& a, const TDbComando& b) {
  return a.Sql == b.Sql || a.Sql->Text == b.Sql->Text;
}

size_t ParametrosDaLinha(const std::string& text, char marca) {
  if (!text.starts_with("insert into "))
    return 0;
  const size_t valores = text.rfind(" values (");
  if (valores == std::string::npos)
    return 0;
  const std::string_view tupla = std::string_view(text).substr(valores + 8);
  const auto parametros = static_cast<size_t>(std::count(tupla.begin(), tupla.end(), marca));
  std::string esperada;
  AcrescentarTupla(esperada, parametros, 1, marca);
  return parametros > 0 && tupla == esperada ? parametros : 0;
}

std::string Linhas(const std::string& text, size_t parametros, size_t linhas, char marca) {
  std::string agrupada;
  agrupada.reserve(text.size() + (linhas - 1) * (parametros * 8 + 4));
  agrupada = text;
  for (size_t linha = 1; linha < linhas; ++linha) {
    agrupada += ", ";
    AcrescentarTupla(agrupada, parametros, linha * parametros + 1, marca, marca != kMarcaSemNumero);
  }
  return agrupada;
}

std::vector<TGrupo> Grupos(const std::vector<TDbComando>& comandos, size_t inicio, size_t fim,
                           size_t maxLinhas, size_t maxParametros, char marca) {
  std::vector<TGrupo> grupos;
  for (size_t i = inicio; i < fim;) {
    size_t seguidos = 1;
    while (maxLinhas > 1 && i + seguidos < fim && MesmoTexto(comandos[i + seguidos], comandos[i]))
      ++seguidos;
    const size_t parametros = seguidos > 1 ? ParametrosDaLinha(comandos[i].Sql->Text, marca) : 0;
    const size_t teto = parametros > 0 ? std::min(maxLinhas, maxParametros / parametros) : 1;
    for (const size_t ate = i + seguidos; i < ate;) {
      TGrupo& grupo = grupos.emplace_back();
      grupo.Inicio = i;
      grupo.Linhas = std::bit_floor(std::max<size_t>(1, std::min(teto, ate - i)));
      grupo.Parametros = grupo.Linhas > 1 ? parametros : 0;
      i += grupo.Linhas;
    }
  }
  return grupos;
}

void RegistrarLinhas(TDbLote& lote, size_t linhas) {
  TDbResult linha;
  linha.RowsAffected = 1;
  lote.Resultados.insert(lote.Resultados.end(), linhas, linha);
}

}  // namespace InsercaoAgrupada
