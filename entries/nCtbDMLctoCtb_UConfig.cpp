// The configuration loaders of the journal-entry module: each reads its
// part of TnConfigLctoCtb when the key it was read under changed
// (TnCacheConfigLctoCtb), and the company's fiscal options on demand.
#include "entries/nCtbDMLctoCtb_U.h"

#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilutil.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "framework/db/TnLeiturasDoPedido.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

// The activity control of the company's IFRS option, into `config`.
void LerConfigAtividade(TnConfigEmpresaLctoCtb& config, int64_t codigoEmpresa) {
  ControleOpcaoIFRS().SetCodigoEmpresa(codigoEmpresa);
  config.UsaAtividades = ControleOpcaoIFRS().GetCTRLAATIVIDADE();
  config.DataInicialAtividades = ControleOpcaoIFRS().GetDATAINIATIVIDADE();
}

}  // namespace

// ---- Configuration loaders ----

void TnCtbDMLctoCtbBase::LimparChaveConfig() {
  TnDMClientDataSet::LimparChaveConfig();
  FCacheConfig.Limpar();
  FCacheLote.Limpar();
}

void TnCtbDMLctoCtbBase::AplicarConfigEmpresaPadrao() {
  FConfig.Empresa = TnConfigEmpresaLctoCtb{};
  AtualizarAcoesEmpresa();
  cdsGerecialGrupo.EmptyDataSet();
}

void TnCtbDMLctoCtbBase::AtualizarAcoesEmpresa() {
  FExibicao.MostrarAcoesEmpresa(FConfig.Empresa,
                                FExibicao.ActRegistroQ100 != nullptr && EhProdutorRural(), Form());
}

void TnCtbDMLctoCtbBase::PegarConfigEmpresa(bool forcar) {
  const int64_t empresa = PegarCodigoEmpresa();
  if (empresa == 0) {
    AplicarConfigEmpresaPadrao();
    return;
  }
  const bool recarregaSempre = Nutil::EhCloud() && !Importacao();
  if (empresa == ChaveConfig() && !forcar && !recarregaSempre)
    return;
  ++FCacheConfig.LeiturasEmpresa;
  SetChaveConfig(empresa);
  // Forcing reads the stored configuration, not the shared cache of it.
  if (forcar) {
    ControleCTB().LimparChave();
    TnLeiturasDoPedido::Esquecer(TnSessao::Atual());
  }
  ControleCTB().SetCodigoEmpresa(empresa);
  TnConfigEmpresaLctoCtb config = TnConfigEmpresaLctoCtb::DaConfiguracao(
      ControleCTB().GetCFGEmpresaCtb(), FConfig.Empresa.TipoExibeTituloSaldo);
  cdsGerecialGrupo.EmptyDataSet();
  if (config.UsaCentroCusto) {
    TnSessao& sessao = TnSessao::Atual();
    const Value opcao = TnLeiturasDoPedido::LerValor(
        sessao, "select NAOMOSTRALCTOGERRAT from OPCAOSISTEMA where CODIGOOPCAOSISTEMA = 1", {});
    if (!opcao.IsNull())
      config.MostraCadLctoGer = opcao.AsString() != "1";
    const TDbResult grupos = TnLeiturasDoPedido::Ler(
        sessao,
        "select P.CLASSIFCONTA from PLESPECCENCUS PL join PLANOESPEC P on P.CODIGOEMPRESA = "
        "PL.CODIGOEMPRESA and P.CONTACTB = PL.CONTACTB  where PL.CODIGOEMPRESA = :pEmpresa",
        {{"pEmpresa", Value(empresa)}});
    for (const ValueArray& linha : grupos.Rows)
      cdsGerecialGrupo.AppendRecord({linha.front()});
  }
  LerConfigAtividade(config, empresa);
  FConfig.Empresa = config;
  AtualizarAcoesEmpresa();
  DepoisConfigEmpresa();
  if (!Nutil::EhCloud() && !Importacao() && TemTela()) {
    const auto tipo = static_cast<TnTipoExibeTituloSaldo>(FConfig.Empresa.TipoExibeTituloSaldo);
    ConfigurarControlSaldo(tipo);
    ConfigurarControlTitulo(tipo);
  }
}

void TnCtbDMLctoCtbBase::AdicionarConta(double conta) {
  if (!cdsContasDupla.FindKey({Value(conta)}))
    cdsContasDupla.AppendRecord({Value(conta)});
}

void TnCtbDMLctoCtbBase::PegarConfigPlano() {
  const int64_t empresa = PegarCodigoEmpresa();
  if (FCacheConfig.Plano == empresa)
    return;
  ++FCacheConfig.LeiturasPlano;
  cdsContasDupla.EmptyDataSet();
  const std::string condicaoEmpresa = "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(empresa));
  auto cursor = Nutildb::ExecutarSQL(
      Conexao(),
      "select distinct(DP.CONTACTB) ,PE.TIPOCONTA ,PE.CLASSIFCONTA from DEFPLANOESPEC DP join "
      "PLANOESPEC PE on PE.CODIGOEMPRESA = DP.CODIGOEMPRESA and PE.CONTACTB = DP.CONTACTB where "
      "DP." +
          condicaoEmpresa + " and DP.TIPOCONTA in (04,05,10,11,12,13,14,15,16,17,18,19,20,21,22)");
  for (; !cursor->Eof(); cursor->Next()) {
    if (cursor->Fields(1).AsInteger() == 2) {
      AdicionarConta(cursor->Fields(0).AsFloat());
      continue;
    }
    auto filhas = Nutildb::ExecutarSQL(
        Conexao(), "select CONTACTB from PLANOESPEC where " + condicaoEmpresa +
                       " and CLASSIFCONTA like(" +
                       Nutil::ValorParaSQL(Value(cursor->Fields(2).AsString() + ".%")) +
                       ") and TIPOCONTA = 2");
    for (; !filhas->Eof(); filhas->Next())
      AdicionarConta(filhas->Fields(0).AsFloat());
    Nutildb::DestruirSQL(filhas);
  }
  Nutildb::DestruirSQL(cursor);
  FCacheConfig.Plano = empresa;
}

void TnCtbDMLctoCtbBase::PegarConfigLote() {
  if (!nClientDataSet.Active())
    return;
  TField& lote = Campo("CODIGOLOTECTB");
  const std::string texto = Nutil::Trim(lote.AsString());
  if (!lote.IsNull() && !texto.empty()) {
    if (texto == FCacheConfig.Lote)
      return;
    if (auto lido = FCacheConfig.LotesDoLote.find(texto);
        lido != FCacheConfig.LotesDoLote.end() && FConfig.Empresa.UsaLote) {
      FConfig.Lote = lido->second;
      FCacheConfig.Lote = texto;
      return;
    }
    if (FConfig.Empresa.UsaLote) {
      ++FCacheConfig.LeiturasLote;
      const std::string condicao =
          "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) + " and " +
          Nutil::ValorParaSQL(lote, "=");
      TnDMSQLDataSet sql(&Conexao());
      const ValueArray linha = sql.PegarValorCampos(
          "LOTECTB", "DATAINICIALLOTECTB;DATAFINALLOTECTB;SITUACAOLOTECTB;CODIGOORIGLCTOCTB",
          condicao);
      const Value nulo;
      TnConfigLoteLctoCtb config;
      config.PertenceLote = true;
      config.DataInicialLote = DataDe(linha.empty() ? nulo : linha[0]);
      config.DataFinalLote = DataDe(linha.empty() ? nulo : linha[1]);
      config.AlteracaoLote = linha.empty() || linha[2].IsNull() || linha[2].AsString() != "1";
      config.CodigoOrigLctoCtb = linha.empty() ? "" : Nutil::Trim(linha[3].AsString());
      FConfig.Lote = config;
      FCacheConfig.Lote = texto;
      if (Importacao())
        FCacheConfig.LotesDoLote[texto] = config;
      return;
    }
  }
  FConfig.Lote = TnConfigLoteLctoCtb{};
  FCacheConfig.Lote = texto;
}

void TnCtbDMLctoCtbBase::PegarConfigUsuario() {
  const int64_t usuario = Conexao().CodigoUsuario();
  if (usuario == 0) {
    FConfig.Usuario = TnConfigUsuarioLctoCtb{};
  } else if (FCacheConfig.Usuario != usuario) {
    TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
    FConfig.Usuario =
        TnConfigUsuarioLctoCtb{direitos != nullptr && direitos->PegarDireito("DireitoLctoCtb") !=
                                                          TnDMDireitoUsuario::kNivelLiberado};
  }
  FCacheConfig.Usuario = usuario;
}

void TnCtbDMLctoCtbBase::PegarConfigAtividade(int64_t codigoEmpresa) {
  TnConfigEmpresaLctoCtb config = FConfig.Empresa;
  LerConfigAtividade(config, codigoEmpresa);
  FConfig.Empresa = config;
  AtualizarAcoesEmpresa();
}

// ---- Company options ----

bool TnCtbDMLctoCtbBase::LerOpcaoIFRS(int64_t codigoEmpresa) const {
  if (codigoEmpresa == 0)
    return false;
  ControleOpcaoIFRS().SetCodigoEmpresa(codigoEmpresa);
  return ControleOpcaoIFRS().GetEhOptanteIFRS();
}

bool TnCtbDMLctoCtbBase::GetEhOptanteIFRS() {
  const int64_t empresa = PegarCodigoEmpresa();
  // The web variant serves any company from one module: it reads every time.
  if (FCacheConfig.IFRS != empresa || Nutil::EhCloud()) {
    FConfig.Opcoes.EhOptanteIFRS = LerOpcaoIFRS(empresa);
    // A transaction never spans two companies' options.
    FTransacao.Fechar();
    FCacheConfig.IFRS = empresa;
  }
  return FConfig.Opcoes.EhOptanteIFRS;
}

bool TnCtbDMLctoCtbBase::GetEhOptanteFCONT() {
  const int64_t empresa = PegarCodigoEmpresa();
  const TDateTime data = GetDataInicialSelecao();
  const std::pair<int64_t, double> chave{empresa, data.Days()};
  if (FCacheConfig.FCONT != chave || Nutil::EhCloud()) {
    UtilFCONT().SetCodigoEmpresa(empresa);
    UtilFCONT().ProcurarOpcao(data);
    FConfig.Opcoes.EhOptanteFCONT = empresa != 0 && !UtilFCONT().GetDataOpcao().IsZero();
    FCacheConfig.FCONT = chave;
  }
  return FConfig.Opcoes.EhOptanteFCONT;
}

bool TnCtbDMLctoCtbBase::GetPossuiSPED() {
  int64_t empresa = 0;
  if (Nutilutil::MantemExternalVars())
    empresa = Nutilutil::PegarValorExternalVar("gCodigoEmpresaAtiva").AsInteger();
  if (empresa == 0)
    empresa = PegarCodigoEmpresa();
  if (FCacheConfig.SPED != empresa) {
    ControleSPEDContabil().SetCodigoEmpresa(empresa);
    TDateTime referencia = DataDe(Nutilutil::PegarValorExternalVar("gDATALCTOCTB_MAIORIGUAL"));
    if (referencia.IsZero() && nClientDataSet.Active() && !Campo("DATALCTOCTB").IsNull())
      referencia = DateOf(EndOfTheMonth(Campo("DATALCTOCTB").AsDateTime()));
    ControleSPEDContabil().SetDataFinal(referencia);
    FConfig.Opcoes.PossuiSPED = empresa != 0 && ControleSPEDContabil().GetEhOpSPEDCtb();
    FTransacao.Fechar();
    // Asked before any date is known (the screen being opened), the answer
    // is not kept: the first entry's date decides.
    if (!referencia.IsZero())
      FCacheConfig.SPED = empresa;
  }
  return FConfig.Opcoes.PossuiSPED;
}
