#include "framework/ctb/TnUtilOpcoesCtb.h"

#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/TnSessao.h"

void TnUtilOpcaoIFRS::Carregar() {
  TnDMConexao& conexao = Conexao();
  if (FChave == FCodigoEmpresa)
    return;
  const TDbResult opcao = conexao.ExecuteQuery(
      "select DATAOPCAO, CTRLAATIVIDADE, DATAINIATIVIDADE from OPCAOIFRS where CODIGOEMPRESA = "
      ":pEmpresa",
      {{"pEmpresa", FCodigoEmpresa}});
  FDataOpcao = FDataIniAtividade = TDateTime();
  FCtrlAtividade = false;
  if (!opcao.Rows.empty()) {
    const ValueArray& linha = opcao.Rows.front();
    FDataOpcao = Data(linha[0]);
    FCtrlAtividade = linha[1].AsInteger() > 0;
    FDataIniAtividade = Data(linha[2]);
  }
  FChave = FCodigoEmpresa;
}

bool TnUtilOpcaoIFRS::GetEhOptanteIFRS() {
  return !GetDATAOPCAO().IsZero();
}

TDateTime TnUtilOpcaoIFRS::GetDATAOPCAO() {
  Carregar();
  return FDataOpcao;
}

bool TnUtilOpcaoIFRS::GetCTRLAATIVIDADE() {
  Carregar();
  return FCtrlAtividade;
}

TDateTime TnUtilOpcaoIFRS::GetDATAINIATIVIDADE() {
  Carregar();
  return FDataIniAtividade;
}

bool TnUtilSPEDContabil::GetEhOpSPEDCtb() {
  TnDMConexao& conexao = Conexao();
  const std::pair<int64_t, double> chave{FCodigoEmpresa, FDataFinal.Days()};
  if (FChave != chave) {
    FPossuiSPED = conexao
                      .ExecuteScalar(
                          "select count(*) from OPCAOSPEDCTBDET where CODIGOEMPRESA = :pEmpresa "
                          "and DATAOPCAO <= :pData",
                          {{"pEmpresa", FCodigoEmpresa}, {"pData", FDataFinal}})
                      .AsInteger() > 0;
    FChave = chave;
  }
  return FPossuiSPED;
}

void TnUtilFCONT::ProcurarOpcao(TDateTime data) {
  TnDMConexao& conexao = Conexao();
  const std::pair<int64_t, double> chave{FCodigoEmpresa, DateOf(data).Days()};
  if (FChave == chave)
    return;
  FDataOpcao = Data(conexao.ExecuteScalar(
      "select max(DATAOPCAO) from OPCAOFCONT where CODIGOEMPRESA = :pEmpresa and DATAOPCAO <= "
      ":pData",
      {{"pEmpresa", FCodigoEmpresa}, {"pData", DateOf(data)}}));
  FChave = chave;
}

bool TnUtilCtbLimiteUsuario::VerificarLimiteUsuario(int64_t codigoEmpresa, int64_t codigoUsuario,
                                                    TDateTime data) {
  TnDMConexao& conexao = Conexao();
  const std::pair<int64_t, int64_t> chave{codigoEmpresa, codigoUsuario};
  if (FChave != chave) {
    const TDbResult limite = conexao.ExecuteQuery(
        "select DATAINICIAL, DATAFINAL from LIMITEUSUARIOCTB where CODIGOEMPRESA = :pEmpresa and "
        "CODIGOUSUARIO = :pUsuario",
        {{"pEmpresa", codigoEmpresa}, {"pUsuario", codigoUsuario}});
    Value inicial, fim;
    if (!limite.Rows.empty()) {
      inicial = limite.Rows.front()[0];
      fim = limite.Rows.front()[1];
    } else {
      const TDbResult empresa = conexao.ExecuteQuery(
          "select DATAINICIALLCTOUSU, DATAFINALLCTOUSU from CFGEMPRESACTB where CODIGOEMPRESA = "
          ":pEmpresa",
          {{"pEmpresa", codigoEmpresa}});
      if (!empresa.Rows.empty()) {
        inicial = empresa.Rows.front()[0];
        fim = empresa.Rows.front()[1];
      }
    }
    if (inicial.IsNull() || fim.IsNull())
      throw Exception(nCtbSPeriodoLancUsuNaoEspecificado);
    FDataInicial = Data(inicial);
    FDataFinal = Data(fim);
    FChave = chave;
  }
  const TDateTime dia = DateOf(data);
  return FDataInicial <= dia && dia <= FDataFinal;
}

int TControleExercicioSocialCtb::GetSituacaoExercicio() {
  TnDMConexao& conexao = Conexao();
  const std::pair<int64_t, double> chave{FCodigoEmpresa, FData.Days()};
  if (FChave != chave) {
    const Value situacao = conexao.ExecuteScalar(
        "select SITUACAO from EXERCICIOSOCIALCTB where CODIGOEMPRESA = :pEmpresa and DATAINICIAL "
        "<= :pData and DATAFINAL >= :pData order by DATAINICIAL desc",
        {{"pEmpresa", FCodigoEmpresa}, {"pData", FData}});
    FSituacao =
        situacao.IsNull() ? kSituacaoExercicioAberto : static_cast<int>(situacao.AsInteger());
    FChave = chave;
  }
  return FSituacao;
}

TnUtilOpcaoIFRS& ControleOpcaoIFRS() {
  return TnSessao::Atual().Servico<TnUtilOpcaoIFRS>();
}

TnUtilSPEDContabil& ControleSPEDContabil() {
  return TnSessao::Atual().Servico<TnUtilSPEDContabil>();
}

TnUtilFCONT& UtilFCONT() {
  return TnSessao::Atual().Servico<TnUtilFCONT>();
}

TnUtilCtbLimiteUsuario& ControleCtbLimiteUsuario() {
  return TnSessao::Atual().Servico<TnUtilCtbLimiteUsuario>();
}

TControleExercicioSocialCtb& ControleExercicioSocialCtb() {
  return TnSessao::Atual().Servico<TControleExercicioSocialCtb>();
}
