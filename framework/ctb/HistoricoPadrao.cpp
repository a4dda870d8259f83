#include "framework/ctb/HistoricoPadrao.h"

#include <iterator>

#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"

namespace HistoricoPadrao {

namespace {

// The position is the index the complement's parts are matched by.
constexpr const char* kTokens[] = {
    "[DICTEXTOCONTACRED]",     "[DICTEXTOCONTACREDLOWER]", "[DICTEXTOCONTACREDUPPER]",
    "[DICTEXTOCONTADEB]",      "[DICTEXTOCONTADEBLOWER]",  "[DICTEXTOCONTADEBUPPER]",
    "[DICDATAMESANOANTERIOR]", "[DICDATAMESANOATUAL]",
};
constexpr int kQuantidade = static_cast<int>(std::size(kTokens));

std::string NaCaixa(int indice, const std::string& texto) {
  switch (indice % 3) {
    case 1:
      return Nutil::LowerCase(texto);
    case 2:
      return Nutil::UpperCase(texto);
    default:
      return texto;
  }
}

}  // namespace

int Indice(const std::string& token) {
  const std::string procurado = Nutil::UpperCase(Nutil::Trim(token));
  for (int i = 0; i < kQuantidade; ++i) {
    if (procurado == kTokens[i])
      return i;
  }
  return -1;
}

std::vector<TTrecho> Trechos(const std::string& historico) {
  std::vector<TTrecho> trechos;
  size_t inicio = 0;
  size_t abre;
  while ((abre = historico.find('[', inicio)) != std::string::npos) {
    if (abre > inicio)
      trechos.push_back({historico.substr(inicio, abre - inicio), false, -1});
    const size_t fecha = historico.find(']', abre);
    inicio = fecha == std::string::npos ? historico.size() : fecha + 1;
    std::string token = historico.substr(abre, inicio - abre);
    const int indice = Indice(token);
    trechos.push_back({std::move(token), true, indice});
  }
  if (inicio < historico.size())
    trechos.push_back({historico.substr(inicio), false, -1});
  return trechos;
}

std::string Valor(int indice, const std::string& descrDebito, const std::string& descrCredito,
                  TDateTime data) {
  if (indice < 0)
    return "";
  if (indice < 3)
    return NaCaixa(indice, descrCredito);
  if (indice < 6)
    return NaCaixa(indice, descrDebito);
  return FormatDateTime("mm/yyyy", indice == 6 ? IncMonth(data, -1) : data);
}

std::string Modelo(const std::string& historico) {
  std::string texto;
  for (const TTrecho& trecho : Trechos(historico)) {
    const int indice = trecho.Indice;
    texto += indice < 0    ? trecho.Texto
             : indice < 3  ? "(conta a crédito)"
             : indice < 6  ? "(conta a débito)"
             : indice == 6 ? "(mês anterior)"
                           : "(mês do lançamento)";
  }
  return texto;
}

std::string Texto(const std::string& historico, const std::string& complemento,
                  const TLancamento& lancamento, const TDescricaoConta& descricao) {
  return Texto(Trechos(historico), complemento, lancamento, descricao);
}

std::string Texto(const std::vector<TTrecho>& trechos, const std::string& complemento,
                  const TLancamento& lancamento, const TDescricaoConta& descricao) {
  const std::vector<std::string> partes = complemento.find('|') == std::string::npos
                                              ? std::vector<std::string>()
                                              : Nutil::StrToStrArray(complemento, "|");
  // An account's text, looked up only for a token its part leaves empty.
  auto conta = [&](int64_t codigo) {
    if (codigo == 0)
      return std::string();
    const std::string texto = descricao(codigo);
    return texto.empty() ? std::to_string(codigo) : texto;
  };
  std::string texto;
  size_t tokens = 0;
  for (const TTrecho& trecho : trechos) {
    if (!trecho.Token) {
      texto += trecho.Texto;
      continue;
    }
    const size_t i = tokens++;
    if (i < partes.size() && !Nutil::Trim(partes[i]).empty()) {
      texto += Nutil::Trim(partes[i]);
      continue;
    }
    const int indice = trecho.Indice;
    const std::string debito = indice >= 3 && indice < 6 ? conta(lancamento.ContaDeb) : "";
    const std::string credito = indice >= 0 && indice < 3 ? conta(lancamento.ContaCred) : "";
    const std::string valor = Valor(indice, debito, credito, lancamento.Data);
    // A token with nothing to show takes the blank before it along.
    if (valor.empty()) {
      while (!texto.empty() && texto.back() == ' ')
        texto.pop_back();
    }
    texto += valor;
  }
  // What follows the tokens' parts: the text after the "|" that closes the
  // last of them, nothing when the parts run out first.
  size_t resto = 0;
  for (size_t i = 0; i < tokens && !partes.empty(); ++i) {
    const size_t barra = complemento.find('|', resto);
    resto = barra == std::string::npos ? complemento.size() : barra + 1;
  }
  return Nutil::MontarHist(texto, complemento.substr(resto));
}

}  // namespace HistoricoPadrao
