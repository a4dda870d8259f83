#include "framework/core/Nutilinclusao.h"

#include <cassert>
#include <charconv>

#include "framework/core/Exceptions.h"
#include "framework/core/LiteralSQL.h"
#include "framework/core/Nutil.h"

namespace Nutilinclusao {

namespace {

// A raw item as cut from the expression: its text and whether it was quoted.
struct TPedaco {
  std::string Texto;
  bool Citado = false;
};

std::string Citar(const std::string& texto) {
  return "\"" + texto + "\"";
}

// Cuts the expression at ";" and "," outside quotes. Quotes are only
// meaningful in the text kind; a quote in a numeric expression is left in the
// piece so that the number check rejects it with the piece in the message.
std::vector<TPedaco> Cortar(const std::string& expressao, TTipoInclusao tipo) {
  std::vector<TPedaco> pedacos;
  std::string atual;
  bool citado = false;
  size_t i = 0;
  auto fechar = [&] {
    std::string texto = citado ? atual : Nutil::Trim(atual);
    if (!texto.empty() || citado)
      pedacos.push_back({texto, citado});
    atual.clear();
    citado = false;
  };
  while (i < expressao.size()) {
    char c = expressao[i];
    if (c == ';' || c == ',') {
      fechar();
      ++i;
      continue;
    }
    if (c == '\'' && tipo == TTipoInclusao::tiTexto && Nutil::Trim(atual).empty()) {
      // A quoted item: read up to the closing quote, '' standing for one quote.
      std::string texto;
      size_t j = i + 1;
      bool fechado = false;
      while (j < expressao.size()) {
        if (expressao[j] == '\'') {
          if (j + 1 < expressao.size() && expressao[j + 1] == '\'') {
            texto += '\'';
            j += 2;
            continue;
          }
          fechado = true;
          ++j;
          break;
        }
        texto += expressao[j++];
      }
      if (!fechado)
        throw Exception("Expressão de inclusão inválida: aspas sem fechamento em " +
                        Citar(expressao.substr(i)) + ".");
      // Only blanks may follow the closing quote inside the item.
      size_t k = j;
      while (k < expressao.size() && expressao[k] != ';' && expressao[k] != ',') {
        if (expressao[k] != ' ' && expressao[k] != '\t')
          throw Exception("Expressão de inclusão inválida: texto após as aspas em " +
                          Citar(expressao.substr(i, k - i + 1)) + ".");
        ++k;
      }
      atual = texto;
      citado = true;
      i = k;
      continue;
    }
    atual += c;
    ++i;
  }
  fechar();
  return pedacos;
}

bool LerNumero(const std::string& texto, int64_t& numero) {
  if (texto.empty())
    return false;
  const char* fim = texto.data() + texto.size();
  auto [ptr, ec] = std::from_chars(texto.data(), fim, numero);
  return ec == std::errc() && ptr == fim;
}

int64_t Numero(const std::string& texto, const std::string& item) {
  int64_t numero = 0;
  if (!LerNumero(texto, numero))
    throw Exception("Expressão de inclusão inválida: " + Citar(item) +
                    " não é um código numérico.");
  return numero;
}

// Where an interval's "-" is: the first "-" after the first character (so a
// leading minus sign stays with the first code), or npos.
size_t PosicaoDoHifen(const std::string& item) {
  return item.size() < 2 ? std::string::npos : item.find('-', 1);
}

TItemInclusao LerItem(const TPedaco& pedaco, TTipoInclusao tipo) {
  TItemInclusao item;
  const std::string& texto = pedaco.Texto;
  size_t hifen = pedaco.Citado ? std::string::npos : PosicaoDoHifen(texto);
  if (hifen == std::string::npos) {
    item.Inicial = item.Final = texto;
  } else {
    item.Intervalo = true;
    item.Inicial = Nutil::Trim(texto.substr(0, hifen));
    item.Final = Nutil::Trim(texto.substr(hifen + 1));
    if (item.Inicial.empty() || item.Final.empty())
      throw Exception("Expressão de inclusão inválida: o intervalo " + Citar(texto) +
                      " está incompleto.");
  }
  if (tipo == TTipoInclusao::tiNumerica) {
    item.NumInicial = Numero(item.Inicial, texto);
    item.NumFinal = item.Intervalo ? Numero(item.Final, texto) : item.NumInicial;
    item.Inicial = std::to_string(item.NumInicial);
    item.Final = std::to_string(item.NumFinal);
    if (item.NumInicial > item.NumFinal)
      throw Exception("Expressão de inclusão inválida: no intervalo " + Citar(texto) +
                      " o código inicial é maior que o final.");
  } else if (item.Inicial > item.Final) {
    throw Exception("Expressão de inclusão inválida: no intervalo " + Citar(texto) +
                    " o código inicial é maior que o final.");
  }
  if (item.Intervalo && item.Inicial == item.Final)
    item.Intervalo = false;
  return item;
}

bool MesmoItem(const TItemInclusao& a, const TItemInclusao& b) {
  return a.Intervalo == b.Intervalo && a.Inicial == b.Inicial && a.Final == b.Final;
}

std::string Literal(const std::string& codigo, TTipoInclusao tipo) {
  return tipo == TTipoInclusao::tiNumerica ? codigo : NutilLiteralSQL::Texto(codigo);
}

}  // namespace

std::vector<TItemInclusao> LerInclusao(const std::string& expressao, TTipoInclusao tipo) {
  std::vector<TItemInclusao> itens;
  for (const TPedaco& pedaco : Cortar(expressao, tipo)) {
    TItemInclusao item = LerItem(pedaco, tipo);
    bool repetido = false;
    for (const TItemInclusao& outro : itens)
      repetido = repetido || MesmoItem(outro, item);
    if (!repetido)
      itens.push_back(std::move(item));
  }
  return itens;
}

std::string MontarCondicao(const std::string& campo, const std::vector<TItemInclusao>& itens,
                           TTipoInclusao tipo) {
  std::vector<std::string> codigos;
  std::vector<std::string> termos;
  for (const TItemInclusao& item : itens) {
    if (item.Intervalo)
      termos.push_back(campo + " between " + Literal(item.Inicial, tipo) + " and " +
                       Literal(item.Final, tipo));
    else
      codigos.push_back(Literal(item.Inicial, tipo));
  }
  std::string unicos;
  if (codigos.size() == 1) {
    unicos = campo + " = " + codigos.front();
  } else if (codigos.size() > 1) {
    unicos = campo + " in (";
    for (size_t i = 0; i < codigos.size(); ++i)
      unicos += (i ? ", " : "") + codigos[i];
    unicos += ")";
  }
  if (!unicos.empty())
    termos.insert(termos.begin(), unicos);
  if (termos.size() == 1)
    return termos.front();
  std::string condicao;
  for (const std::string& termo : termos)
    Nutil::Add(condicao, termo, " or ");
  return condicao.empty() ? condicao : "(" + condicao + ")";
}

std::string FilterInterval(const std::string& campo, const std::string& expressao,
                           TTipoInclusao tipo, bool comAnd, int recuo) {
  assert(recuo >= 0);
  std::string condicao = MontarCondicao(campo, LerInclusao(expressao, tipo), tipo);
  if (condicao.empty())
    return condicao;
  return std::string(static_cast<size_t>(recuo), ' ') + (comAnd ? "and " : "") + condicao;
}

}  // namespace Nutilinclusao
