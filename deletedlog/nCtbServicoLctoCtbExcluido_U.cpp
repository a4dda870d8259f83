#include "deletedlog/nCtbServicoLctoCtbExcluido_U.h"

#include <string>
#include <vector>

#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

TnServicoLctoCtbExcluido::TnServicoLctoCtbExcluido(TnDMConexao& conexao)
    : FConexao(conexao),
      FServLctoCtbExclRep(std::make_unique<TnCtbServicoLctoCtbExcluidoRepositorio>(conexao)) {}

TnServicoLctoCtbExcluido::~TnServicoLctoCtbExcluido() = default;

void TnServicoLctoCtbExcluido::SetCodigoEmpresa(int64_t codigoEmpresa) {
  FCodigoEmpresa = codigoEmpresa;
  if (codigoEmpresa == FOldCodigoEmpresa)
    return;
  VerificarUtilizaAtividades();
  VerificarUtilizaCentroCusto();
  FOldCodigoEmpresa = codigoEmpresa;
}

void TnServicoLctoCtbExcluido::VerificarUtilizaAtividades() {
  ControleOpcaoIFRS().SetCodigoEmpresa(FCodigoEmpresa);
  FUtilizaAtividade =
      ControleOpcaoIFRS().GetEhOptanteIFRS() && ControleOpcaoIFRS().GetCTRLAATIVIDADE();
}

void TnServicoLctoCtbExcluido::VerificarUtilizaCentroCusto() {
  TnDMSQLDataSet sql(&FConexao);
  const Value valor =
      sql.PegarValorCampo("CFGEMPRESACTB", "UTILCENTROCUSTO",
                          "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(FCodigoEmpresa)));
  FUtilizaCentroCusto = (valor.IsNull() ? std::string("0") : valor.AsString()) == "1";
}

void TnServicoLctoCtbExcluido::InserirLctoCtbExclIndividual(int64_t chaveLctoCtb) {
  if (SemGerEhAtiv())
    ExecInsertLctoCtbExclIndividualSemGerEhAtiv(chaveLctoCtb);
  else
    ExecInsertLctoCtbExclIndividualComGerOuAtiv(chaveLctoCtb);
}

void TnServicoLctoCtbExcluido::InserirLctoCtbExclColetivo(const TParansLctoCtbExcl& parans) {
  if (SemGerEhAtiv())
    ExecInsertLctoCtbExclColetivoSemGerEhAtiv(parans);
  else
    ExecInsertLctoCtbExclColetivoComGerOuAtiv(parans);
}

void TnServicoLctoCtbExcluido::ExecInsertLctoCtbExclIndividualSemGerEhAtiv(int64_t chaveLctoCtb) {
  FConexao.ExecuteDirect(
      FServLctoCtbExclRep->GetSQLInsertLctoCtbExclIndividual(FCodigoEmpresa, chaveLctoCtb));
}

void TnServicoLctoCtbExcluido::ExecInsertLctoCtbExclIndividualComGerOuAtiv(int64_t chaveLctoCtb) {
  const int64_t id = Nutilsequence::ProximoIdLctoCtbExcl(FConexao, FCodigoEmpresa);
  const TnCtbServicoLctoCtbExcluidoRepositorio& rep = *FServLctoCtbExclRep;
  FConexao.ExecuteDirect(rep.GetSQLInsertLctoCtbExclIndividual(FCodigoEmpresa, chaveLctoCtb, id));
  FConexao.ExecuteDirect(rep.GetSQLInsertLctoGerExclIndividual(FCodigoEmpresa, chaveLctoCtb, id));
  FConexao.ExecuteDirect(rep.GetSQLInsertLctoAtivExclIndividual(FCodigoEmpresa, chaveLctoCtb, id));
}

void TnServicoLctoCtbExcluido::ExecInsertLctoCtbExclColetivoSemGerEhAtiv(
    const TParansLctoCtbExcl& parans) {
  FConexao.ExecuteDirect(
      FServLctoCtbExclRep->GetSQLInsertLctoCtbExclColetivo(FCodigoEmpresa, parans));
}

// The keys are read whole before anything is written, so the copies never
// see the cursor they came from.
void TnServicoLctoCtbExcluido::ExecInsertLctoCtbExclColetivoComGerOuAtiv(
    const TParansLctoCtbExcl& parans) {
  const TnCtbServicoLctoCtbExcluidoRepositorio& rep = *FServLctoCtbExclRep;
  const TDbResult chaves =
      FConexao.ExecuteQuery(rep.GetSQLChaveLctoCtbColetivo(FCodigoEmpresa, parans));
  std::vector<std::string> comandos;
  for (size_t i = 0; i < chaves.Rows.size(); ++i) {
    const int64_t chave = chaves.Get(i, "CHAVELCTOCTB").AsInteger();
    const int64_t id = Nutilsequence::ProximoIdLctoCtbExcl(FConexao, FCodigoEmpresa);
    comandos.push_back(rep.GetSQLInsertLctoCtbExclIndividual(FCodigoEmpresa, chave, id));
    if (!chaves.Get(i, "CODIGOCENTROCUSTO").IsNull())
      comandos.push_back(rep.GetSQLInsertLctoGerExclIndividual(FCodigoEmpresa, chave, id));
    if (!chaves.Get(i, "CODIGOATIVDIF").IsNull())
      comandos.push_back(rep.GetSQLInsertLctoAtivExclIndividual(FCodigoEmpresa, chave, id));
  }
  for (const std::string& comando : comandos)
    FConexao.ExecuteDirect(comando);
}

void TnServicoLctoCtbExcluido::ExcluirLctoCtbExclIndividual(int64_t idLctoCtbExcl) {
  FConexao.ExecuteDirect(
      FServLctoCtbExclRep->GetSQLDeleteLctoCtbExclIndividual(FCodigoEmpresa, idLctoCtbExcl));
}

void TnServicoLctoCtbExcluido::RestaurarLctoCtbExclIndividual(int64_t idLctoCtbExcl,
                                                              int64_t chaveLctoCtb,
                                                              bool temGerencial, bool temAtiv) {
  const TnCtbServicoLctoCtbExcluidoRepositorio& rep = *FServLctoCtbExclRep;
  FConexao.ExecuteDirect(
      rep.GetSQLInsertLctoCtbIndividual(FCodigoEmpresa, idLctoCtbExcl, chaveLctoCtb));
  if (temGerencial)
    FConexao.ExecuteDirect(
        rep.GetSQLInsertLctoGerIndividual(FCodigoEmpresa, idLctoCtbExcl, chaveLctoCtb));
  if (temAtiv)
    FConexao.ExecuteDirect(
        rep.GetAQLInsertLctoAtivIndividual(FCodigoEmpresa, idLctoCtbExcl, chaveLctoCtb));
  ExcluirLctoCtbExclIndividual(idLctoCtbExcl);
}
