#include "framework/ctb/Nctbsfuncoes_u.h"

#include <algorithm>
#include <limits>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"

namespace Nctbsfuncoes_u {

using Nutilinclusao::TItemInclusao;
using Nutilinclusao::TTipoInclusao;

bool EhOrigemLctoFiscal(const std::string& origem) {
  std::string codigo = Nutil::UpperCase(Nutil::Trim(origem));
  return std::find(nCtbTiposLctoCtbOrigem.begin(), nCtbTiposLctoCtbOrigem.end(), codigo) !=
         nCtbTiposLctoCtbOrigem.end();
}

std::string GetDescrTipoLancamento(const std::string& tipo) {
  if (tipo == "LN")
    return "Normal";
  if (tipo == "LS")
    return "Societário";
  if (tipo == "LF")
    return "Fiscal";
  return "";
}

TMascGrupos PegarMascGrupos(const std::string& mascara) {
  TMascGrupos grupos;
  std::string texto = Nutil::Trim(mascara);
  if (texto.empty())
    return grupos;
  for (const std::string& nivel : Nutil::StrToStrArray(texto, ".")) {
    if (nivel.empty())
      throw Exception("Máscara de classificação inválida: \"" + mascara + "\" tem um nível vazio.");
    grupos.push_back(static_cast<int>(nivel.size()));
  }
  return grupos;
}

std::string RetirarUltimoNivelClassificacao(const std::string& classificacao) {
  std::string texto = Nutil::Trim(classificacao);
  while (!texto.empty() && texto.back() == '.')
    texto.pop_back();
  size_t ponto = texto.rfind('.');
  return ponto == std::string::npos ? std::string() : texto.substr(0, ponto);
}

namespace {

// Position of the quote that closes the literal opened at `inicio`, or npos.
size_t FimDoTexto(const std::string& texto, size_t inicio) {
  for (size_t i = inicio + 1; i < texto.size(); ++i) {
    if (texto[i] != '\'')
      continue;
    if (i + 1 < texto.size() && texto[i + 1] == '\'') {
      ++i;
      continue;
    }
    return i;
  }
  return std::string::npos;
}

bool EhLetraDeNome(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '"';
}

bool MesmaPalavra(const std::string& texto, size_t pos, std::string_view palavra) {
  if (pos + palavra.size() > texto.size())
    return false;
  for (size_t i = 0; i < palavra.size(); ++i) {
    char c = texto[pos + i];
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != palavra[i])
      return false;
  }
  return true;
}

// The values of the list that starts after "(" at `abre`, and the position of
// its ")". False when the list is not closed.
bool LerLista(const std::string& texto, size_t abre, std::vector<std::string>& valores,
              size_t& fecha) {
  std::string atual;
  for (size_t i = abre + 1; i < texto.size(); ++i) {
    char c = texto[i];
    if (c == '\'') {
      size_t fim = FimDoTexto(texto, i);
      if (fim == std::string::npos)
        return false;
      atual += texto.substr(i, fim - i + 1);
      i = fim;
    } else if (c == ',' || c == ')') {
      valores.push_back(Nutil::Trim(atual));
      atual.clear();
      if (c == ')') {
        fecha = i;
        return true;
      }
    } else if (c == '(') {
      return false;  // a sub-select, not a list of values
    } else {
      atual += c;
    }
  }
  return false;
}

std::string ListaIn(const std::string& campo, const std::string& operador,
                    const std::vector<std::string>& valores, size_t de, size_t ate) {
  std::string lista = campo + operador + "(";
  for (size_t i = de; i < ate; ++i)
    lista += (i > de ? ", " : "") + valores[i];
  return lista + ")";
}

std::string ListasIn(const std::string& campo, bool negado, const std::vector<std::string>& valores,
                     size_t maxItens) {
  const std::string operador = negado ? " not in " : " in ";
  if (valores.size() <= maxItens)
    return ListaIn(campo, operador, valores, 0, valores.size());
  std::string partes;
  for (size_t de = 0; de < valores.size(); de += maxItens)
    Nutil::Add(partes,
               ListaIn(campo, operador, valores, de, std::min(de + maxItens, valores.size())),
               negado ? " and " : " or ");
  return "(" + partes + ")";
}

}  // namespace

std::string QuebrarFiltro(const std::string& filtro, int maxItens) {
  if (maxItens < 1)
    throw Exception("O número máximo de itens por lista deve ser maior que zero.");
  std::string resultado;
  size_t copiado = 0;  // filtro[0, copiado) is already in resultado
  size_t i = 0;
  while (i < filtro.size()) {
    if (filtro[i] == '\'') {
      size_t fim = FimDoTexto(filtro, i);
      i = fim == std::string::npos ? filtro.size() : fim + 1;
      continue;
    }
    // " in (" as a word: preceded by a blank, followed by optional blanks and "(".
    if (!(i > 0 && filtro[i - 1] == ' ' && MesmaPalavra(filtro, i, "in") && i + 2 < filtro.size() &&
          !EhLetraDeNome(filtro[i + 2]))) {
      ++i;
      continue;
    }
    size_t abre = i + 2;
    while (abre < filtro.size() && filtro[abre] == ' ')
      ++abre;
    std::vector<std::string> valores;
    size_t fecha = 0;
    if (abre >= filtro.size() || filtro[abre] != '(' || !LerLista(filtro, abre, valores, fecha)) {
      i += 2;
      continue;
    }
    // The column (and a "not") before the operator.
    size_t fimCampo = i - 1;
    while (fimCampo > 0 && filtro[fimCampo - 1] == ' ')
      --fimCampo;
    size_t inicioCampo = fimCampo;
    while (inicioCampo > 0 && EhLetraDeNome(filtro[inicioCampo - 1]))
      --inicioCampo;
    bool negado = false;
    std::string campo = filtro.substr(inicioCampo, fimCampo - inicioCampo);
    if (MesmaPalavra(campo, 0, "not") && campo.size() == 3 && inicioCampo > 0) {
      negado = true;
      size_t fimNome = inicioCampo;
      while (fimNome > 0 && filtro[fimNome - 1] == ' ')
        --fimNome;
      inicioCampo = fimNome;
      while (inicioCampo > 0 && EhLetraDeNome(filtro[inicioCampo - 1]))
        --inicioCampo;
      campo = filtro.substr(inicioCampo, fimNome - inicioCampo);
    }
    if (campo.empty() || valores.size() <= static_cast<size_t>(maxItens) || inicioCampo < copiado) {
      i = fecha + 1;
      continue;
    }
    resultado += filtro.substr(copiado, inicioCampo - copiado);
    resultado += ListasIn(campo, negado, valores, static_cast<size_t>(maxItens));
    copiado = fecha + 1;
    i = copiado;
  }
  resultado += filtro.substr(copiado);
  return resultado;
}

std::string GerarClausulaBetweenSQL(const std::string& campo, const std::string& lista,
                                    bool comAnd) {
  std::vector<std::pair<int64_t, int64_t>> faixas;
  for (const TItemInclusao& item : Nutilinclusao::LerInclusao(lista, TTipoInclusao::tiNumerica))
    faixas.emplace_back(item.NumInicial, item.NumFinal);
  if (faixas.empty())
    return "";
  std::sort(faixas.begin(), faixas.end());
  // Merge overlapping and adjacent ranges: 1, 2, 3 and 4-6 become 1-6.
  std::vector<std::pair<int64_t, int64_t>> juntas;
  for (const auto& faixa : faixas) {
    if (!juntas.empty() && (juntas.back().second == std::numeric_limits<int64_t>::max() ||
                            faixa.first <= juntas.back().second + 1))
      juntas.back().second = std::max(juntas.back().second, faixa.second);
    else
      juntas.push_back(faixa);
  }
  std::vector<std::string> avulsos;
  std::string condicao;
  for (const auto& [de, ate] : juntas) {
    if (de == ate)
      avulsos.push_back(std::to_string(de));
    else
      Nutil::Add(condicao, campo + " between " + std::to_string(de) + " and " + std::to_string(ate),
                 " or ");
  }
  if (avulsos.size() == 1)
    Nutil::Add(condicao, campo + " = " + avulsos.front(), " or ");
  else if (!avulsos.empty())
    for (size_t de = 0; de < avulsos.size(); de += kMaxItensIn)
      Nutil::Add(condicao,
                 ListaIn(campo, " in ", avulsos, de,
                         std::min(de + static_cast<size_t>(kMaxItensIn), avulsos.size())),
                 " or ");
  return (comAnd ? " and (" : "(") + condicao + ")";
}

std::string FiltroContaCrediteDebiteCtb(const std::string& campoDeb, const std::string& campoCred,
                                        const std::string& contas, int debiteCredite) {
  auto itens = Nutilinclusao::LerInclusao(contas, TTipoInclusao::tiNumerica);
  if (itens.empty())
    return "";
  std::string deb = Nutilinclusao::MontarCondicao(campoDeb, itens, TTipoInclusao::tiNumerica);
  std::string cred = Nutilinclusao::MontarCondicao(campoCred, itens, TTipoInclusao::tiNumerica);
  if (debiteCredite == kSomenteDebite)
    return " and " + deb;
  if (debiteCredite == kSomenteCredite)
    return " and " + cred;
  return " and (" + deb + " or " + cred + ")";
}

std::vector<int64_t> GetLstCodigoEmpresa(const std::string& texto) {
  std::vector<int64_t> codigos;
  for (const TItemInclusao& item : Nutilinclusao::LerInclusao(texto, TTipoInclusao::tiNumerica)) {
    if (item.NumInicial < std::numeric_limits<int>::min() ||
        item.NumFinal > std::numeric_limits<int>::max())
      throw Exception("Código de empresa inválido: \"" + item.Inicial +
                      (item.Intervalo ? "-" + item.Final : std::string()) + "\".");
    if (item.NumFinal - item.NumInicial >= kMaxEmpresasIntervalo)
      throw Exception("Intervalo de empresas muito grande: \"" + item.Inicial + "-" + item.Final +
                      "\".");
    for (int64_t codigo = item.NumInicial; codigo <= item.NumFinal; ++codigo)
      if (std::find(codigos.begin(), codigos.end(), codigo) == codigos.end())
        codigos.push_back(codigo);
  }
  return codigos;
}

}  // namespace Nctbsfuncoes_u
