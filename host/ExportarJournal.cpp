#include "host/ExportarJournal.h"

#include <unordered_map>

#include "framework/core/Exceptions.h"
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
  for (size_t ponto = classif.find('.'); ponto != std::string::npos;
       ponto = classif.find('.', ponto + 1))
    nome += classif.substr(0, ponto) + ":";
  return nome + classif;
}

std::string Transacao(const DemoLancamentos::TLancamentoDemo& lancamento) {
  std::string texto = DataJournal(lancamento.DataLctoCtb) + " " + Descricao(lancamento.ComplHist);
  texto += "\n    " + NomeDaConta(lancamento.ContaCtbDeb) + "  " +
           DemoLancamentos::ValorTexto(lancamento.ValorLctoCtb);
  texto += "\n    " + NomeDaConta(lancamento.ContaCtbCred) + "\n\n";
  return texto;
}

void Escrever(std::ostream& saida, uint64_t seed, int64_t quantidade, int codigoEmpresa) {
  DemoLancamentos::TGerador gerador(seed, quantidade, codigoEmpresa);
  DemoLancamentos::TLancamentoDemo lancamento;
  while (gerador.Proximo(lancamento))
    saida << Transacao(lancamento);
}

}  // namespace ExportarJournal
