#pragma once
// Machine texts of values shared by the csv and json writers.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/Nutil.h"

class TField;
class TnClientDataSet;

namespace SaidaFormatos {

// The field's current value with a dot decimal and no grouping; BCD with
// exactly its scale's decimals. Only for numeric fields with a value.
std::string NumeroComPonto(const TField& field);

// Dates "YYYY-MM-DD"; moments "YYYY-MM-DD" + separator + "HH:MM:SS".
std::string DataIso(const TField& field, char separador);

// How a writer spells each kind of value.
struct TGrafia {
  std::string Nulo;
  std::string Aspas;  // around dates and moments
  char SeparadorDataHora;
  std::string Verdadeiro;
  std::string Falso;
  std::string (*Texto)(const std::string&);
};

// The field's current value in the writer's spelling: numbers with a dot,
// dates ISO, Booleans and null as the writer says, other values as text.
std::string Valor(const TField& field, const TGrafia& grafia);

// Dates "dd/mm/yyyy", moments "dd/mm/yyyy hh:nn:ss", Booleans "Sim"/"Não",
// as people read them; nullopt for a value of another kind.
std::optional<std::string> DataOuSimNao(const TField& field);

// A text's width on a terminal, in characters, and its first `quantos`
// characters.
inline size_t Largura(const std::string& texto) {
  return Nutil::Caracteres(texto);
}
inline std::string Primeiros(const std::string& texto, size_t quantos) {
  return Nutil::PrimeirosCaracteres(texto, quantos);
}

// The fields a person sees, in field order: neither invisible nor pfHidden.
std::vector<TField*> CamposVisiveis(TnClientDataSet& dataSet);

// The columns' headings for people: each display label; a column of one
// month ("DEBITO032025") adds the month ("Débito 03/2025"), and a label
// already used adds the column's before it ("Descrição Centro de Custo"), so
// no two headings repeat.
std::vector<std::string> TitulosParaPessoas(const std::vector<TField*>& campos);

// Visits every row of the data set, then leaves the cursor where it was.
void ParaCadaLinha(TnClientDataSet& dataSet, const std::function<void()>& visitar);

}  // namespace SaidaFormatos
