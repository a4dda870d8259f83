#include "host/ExportarJournal.h"

#include <unordered_map>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "host/DemoEmpresa.h"

namespace ExportarJournal {

namespace {

const std::string& NomeDaConta(int64_t contaCtb) {
  static const std::unordered_map<int64_t, std::string> nomes = [] {
    std::unordered_map<int64_t, std::string> mapa;
    for (const DemoEmpresa::TContaDemo& conta : DemoEmpresa::PlanoContas())
      mapa.emplace(conta.ContaCtb, NomeConta(conta.ClassifConta));
    return mapa;
  }();
  auto it = nomes.find(contaCtb);
  if (it == nomes.end())
    throw Exception("Conta " + std::to_string(contaCtb) + " não existe no plano de demonstração");
  return it->second;
}

std::string DataJournal(TDateTime data) {
  std::string iso = DateToIso(data);  // YYYY-MM-DD
  iso[4] = '/';
  iso[7] = '/';
  return iso;
}

// An account's name within the path: ":" would open a level, ";" a comment,
// and two blanks end the name.
std::string NomeDeNivel(const std::string& descricao) {
  std::string nome;
  for (char c : descricao) {
    const char limpo = (c == ':' || c == ';' || c == '\t') ? '-' : c;
    if (!(limpo == ' ' && !nome.empty() && nome.back() == ' '))
      nome += limpo;
  }
  return Nutil::Trim(nome);
}

// The payee line is free text, but a ";" would start a comment there and a
// line break would end the transaction.
std::string Descricao(const std::string& texto) {
  std::string limpo;
  for (char c : texto)
    limpo += (c == ';' || c == '\n' || c == '\r') ? ' ' : c;
  return limpo;
}

}  // namespace

std::string NomeConta(const std::string& classif) {
  std::string nome;
  for (size_t ponto = classif.find('.');; ponto = classif.find('.', ponto + 1)) {
    const std::string nivel = classif.substr(0, ponto);
    nome +=
        (nome.empty() ? "" : ":") + nivel + " " + NomeDeNivel(DemoEmpresa::Conta(nivel).DescrConta);
    if (ponto == std::string::npos)
      return nome;
  }
}

std::string TipoConta(const std::string& classif) {
  if (classif.starts_with("2.3") || classif.starts_with("5"))
    return "E";
  switch (classif.front()) {
    case '1':
      return "A";
    case '2':
      return "L";
    case '3':
      return "R";
    default:
      return "X";
  }
}

std::string Declaracoes() {
  std::string texto;
  for (const DemoEmpresa::TContaDemo& conta : DemoEmpresa::PlanoContas())
    texto += "account " + NomeConta(conta.ClassifConta) +
             "  ; type: " + TipoConta(conta.ClassifConta) + "\n";
  return texto + "\n";
}

std::string Transacao(const DemoLancamentos::TLancamentoDemo& lancamento) {
  std::string texto = DataJournal(lancamento.DataLctoCtb) + " " + Descricao(lancamento.ComplHist);
  texto += "\n    ; filial: " + std::to_string(lancamento.CodigoEstab);
  texto += "\n    " + NomeDaConta(lancamento.ContaCtbDeb) + "  " +
           DemoLancamentos::ValorTexto(lancamento.ValorLctoCtb);
  texto += "\n    " + NomeDaConta(lancamento.ContaCtbCred) + "\n\n";
  return texto;
}

void Escrever(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa) {
  DemoLancamentos::TGerador gerador(seed, quantidade, codigoEmpresa);
  DemoLancamentos::TLancamentoDemo lancamento;
  saida << Declaracoes();
  while (gerador.Proximo(lancamento))
    saida << Transacao(lancamento);
}

}  // namespace ExportarJournal
