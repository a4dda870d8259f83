#include "framework/core/Nutilfiltro_u.h"

#include "framework/core/Exceptions.h"
#include "framework/core/LiteralSQL.h"
#include "framework/core/Nutil.h"

namespace Nutilfiltro_u {

namespace {

bool Informado(const Value& valor) {
  if (valor.IsNull())
    return false;
  return valor.Type() != TValueType::String || Nutil::TemDados(valor.AsString());
}

// The bound converted to the field's type, so that the comparison of the two
// bounds and the literal agree ("02/01/2024" and a date compare as dates).
Value Converter(const Value& valor, TTipoCampoFiltro tipo) {
  switch (tipo) {
    case TTipoCampoFiltro::tcInteiro:
      return Value(valor.AsInteger());
    case TTipoCampoFiltro::tcDecimal:
      return Value(valor.AsFloat());
    case TTipoCampoFiltro::tcTexto:
      return Value(valor.AsString());
    case TTipoCampoFiltro::tcData:
      return Value(DateOf(valor.AsDateTime()));
    case TTipoCampoFiltro::tcDataHora:
      return Value(valor.AsDateTime());
  }
  return valor;
}

std::string Literal(const Value& valor, TTipoCampoFiltro tipo) {
  switch (tipo) {
    case TTipoCampoFiltro::tcInteiro:
      return NutilLiteralSQL::Inteiro(valor.AsInteger());
    case TTipoCampoFiltro::tcDecimal:
      return NutilLiteralSQL::Decimal(valor.AsFloat());
    case TTipoCampoFiltro::tcTexto:
      return NutilLiteralSQL::Texto(valor.AsString());
    case TTipoCampoFiltro::tcData:
      return NutilLiteralSQL::Data(valor.AsDateTime());
    case TTipoCampoFiltro::tcDataHora:
      return NutilLiteralSQL::DataHora(valor.AsDateTime());
  }
  return NutilLiteralSQL::Texto(valor.AsString());
}

}  // namespace

std::string FiltroEntre(const std::string& expressao, const Value& valorInicial,
                        const Value& valorFinal, TTipoCampoFiltro tipo, bool comAnd) {
  bool temInicial = Informado(valorInicial);
  bool temFinal = Informado(valorFinal);
  if (!temInicial && !temFinal)
    return "";
  std::string condicao;
  if (temInicial && temFinal) {
    Value de = Converter(valorInicial, tipo);
    Value ate = Converter(valorFinal, tipo);
    if (Compare(de, ate) > 0)
      throw Exception("Intervalo inválido: o valor inicial " + Literal(de, tipo) +
                      " é maior que o valor final " + Literal(ate, tipo) + ".");
    condicao = expressao + " between " + Literal(de, tipo) + " and " + Literal(ate, tipo);
  } else if (temInicial) {
    condicao = expressao + " >= " + Literal(Converter(valorInicial, tipo), tipo);
  } else {
    condicao = expressao + " <= " + Literal(Converter(valorFinal, tipo), tipo);
  }
  return (comAnd ? " and " : "") + condicao;
}

}  // namespace Nutilfiltro_u
