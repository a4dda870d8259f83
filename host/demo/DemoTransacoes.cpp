#include "host/demo/DemoTransacoes.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "host/demo/DemoEmpresa.h"
#include "host/services/DigitacaoHost.h"

namespace DemoTransacoes {

namespace {

using json = nlohmann::ordered_json;

// One entry of a transaction: its accounts by classification (empty: that
// side is keyed by another entry of the transaction), history and amount.
struct TLinha {
  const char* Debito;
  const char* Credito;
  int Historico;
  int64_t Centavos;
  const char* Complemento;
};

std::string Valor(int64_t centavos) {
  return fmt::format("{}.{:02}", centavos / 100, centavos % 100);
}

// The whole year on one open screen: the module opens once, not once a
// month.
json Ano() {
  return {{"from", DateToIso(EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1))},
          {"to", DateToIso(EncodeDate(DemoEmpresa::kAnoExercicio, 12, 31))}};
}

json Documento(int64_t empresa, int mes, const TLinha& linha) {
  json campos = {{"CODIGOESTAB", 1},
                 {"DATALCTOCTB", DateToIso(EncodeDate(DemoEmpresa::kAnoExercicio, mes, 10))}};
  if (*linha.Debito != '\0')
    campos["CONTACTBDEB"] = DemoEmpresa::Conta(linha.Debito).ContaCtb;
  if (*linha.Credito != '\0')
    campos["CONTACTBCRED"] = DemoEmpresa::Conta(linha.Credito).ContaCtb;
  campos["CODIGOHISTCTB"] = linha.Historico;
  campos["COMPLHIST"] =
      fmt::format("{} {:02}/{}", linha.Complemento, mes, DemoEmpresa::kAnoExercicio);
  campos["VALORLCTOCTB"] = Valor(linha.Centavos);
  return {
      {"op", "insert"}, {"company", empresa}, {"fields", std::move(campos)}, {"selection", Ano()}};
}

// The month's transactions, in the order keyed: goods bought and paid with
// interest for paying late (two debits, one credit), a cash withdrawal (a
// double entry), a service received in the bank (a debit and a credit on
// their own).
std::vector<TLinha> Mes(int mes) {
  const int64_t compra = 120'000 + mes * 1'337;
  const int64_t juros = 1'250 + mes * 37;
  const int64_t servico = 450'000 + mes * 9'101;
  return {
      {"1.1.04.001", "", 6, compra, "Compra de mercadorias"},
      {"4.2.05.001", "", 15, juros, "Juros por atraso"},
      {"", "1.1.01.003", 6, compra + juros, "Pagamento da compra com juros"},
      {"1.1.01.001", "1.1.01.003", 20, 50'000, "Saque para o caixa"},
      {"1.1.01.003", "", 4, servico, "Recebimento de serviços"},
      {"", "3.1.01.002", 4, servico, "Serviços prestados"},
  };
}

json Postar(DigitacaoHost::TDigitacao& digitacao, const json& documento) {
  json resultado = digitacao.Executar(documento);
  if (resultado["result"] != "posted")
    throw Exception("A demonstração SPED foi recusada: " + resultado.dump());
  return resultado;
}

void Limpar(TnDMConexao& conexao, int64_t empresa) {
  conexao.StartTransaction();
  try {
    for (const char* tabela : {"LCTOATIVDIFERENCEXCL", "LCTOGEREXCLUIDO", "LCTOCTBEXCLUIDO",
                               "LCTOATIVDIFERENC", "LCTOGER", "LCTOCTB", "OPCAOSPEDCTBDET"})
      conexao.ExecuteDirect(
          std::string("delete from ") + tabela + " where CODIGOEMPRESA = :pEmpresa",
          {{"pEmpresa", Value(empresa)}});
    conexao.ExecuteDirect(
        "insert into OPCAOSPEDCTBDET (CODIGOEMPRESA, CODIGOESTAB, DATAOPCAO, DATAINIGER, "
        "TIPOESCRITURACAO) values (:pEmpresa, 1, :pData, :pData, 1)",
        {{"pEmpresa", Value(empresa)},
         {"pData", Value(EncodeDate(DemoEmpresa::kAnoExercicio, 1, 1))}});
    conexao.Commit();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

}  // namespace

TResumo Criar(TnDMConexao& conexao, int64_t codigoEmpresa) {
  DemoEmpresa::Criar(conexao, codigoEmpresa);
  Limpar(conexao, codigoEmpresa);
  DigitacaoHost::TDigitacao digitacao(conexao);
  for (int mes = 1; mes <= 12; ++mes)
    for (const TLinha& linha : Mes(mes))
      Postar(digitacao, Documento(codigoEmpresa, mes, linha));
  // Keyed twice by mistake and deleted: the copy goes to the log.
  const TLinha duplicado = {"1.1.01.001", "1.1.01.003", 20, 50'000, "Saque em duplicidade"};
  const auto excluir = [&](const json& lancamento, const json& respostas) {
    Postar(digitacao, {{"op", "delete"},
                       {"company", codigoEmpresa},
                       {"key", lancamento["entry"]["CHAVELCTOCTB"]},
                       {"answers", respostas},
                       {"selection", Ano()}});
  };
  // Alone in its transaction, the entry is still asked about the whole.
  excluir(Postar(digitacao, Documento(codigoEmpresa, 12, duplicado)), json::array({"Sim"}));
  excluir(Postar(digitacao, Documento(codigoEmpresa, 12, duplicado)), json::array({"Sim"}));
  // A transaction of two single-sided entries keyed in the wrong month goes
  // as a whole.
  const std::vector<TLinha> errado = Mes(12);
  Postar(digitacao, Documento(codigoEmpresa, 11, errado[4]));
  excluir(Postar(digitacao, Documento(codigoEmpresa, 11, errado[5])), json::array({"Sim"}));

  const TParams empresa = {{"pEmpresa", Value(codigoEmpresa)}};
  TResumo resumo;
  resumo.Lancamentos =
      conexao.ExecuteScalar("select count(*) from LCTOCTB where CODIGOEMPRESA = :pEmpresa", empresa)
          .AsInteger();
  resumo.Transacoes = conexao
                          .ExecuteScalar(
                              "select count(distinct TRANSCTB) from LCTOCTB where "
                              "CODIGOEMPRESA = :pEmpresa",
                              empresa)
                          .AsInteger();
  resumo.Excluidos =
      conexao
          .ExecuteScalar("select count(*) from LCTOCTBEXCLUIDO where CODIGOEMPRESA = :pEmpresa",
                         empresa)
          .AsInteger();
  return resumo;
}

std::string Descricao(int64_t codigoEmpresa, const TResumo& resumo) {
  return fmt::format(
      "Empresa {} (SPED): {} lançamentos em {} transações; {} lançamentos no registro de "
      "excluídos",
      codigoEmpresa, resumo.Lancamentos, resumo.Transacoes, resumo.Excluidos);
}

}  // namespace DemoTransacoes
