// The checks made before an entry is posted, edited or deleted. The rule
// chain itself is TnValidacaoLctoCtb's: this module gathers its settings,
// tells it what the module knows and forwards the checks it names. A rule
// refuses with the exact text the accountant reads (EnField when one field
// is at fault), or asks; a refusing answer ends in a silent abort.
#include <algorithm>
#include <string>
#include <vector>

#include "entries/nCtbDMLctoCtb_U.h"

#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "framework/db/TnLeiturasDoPedido.h"
#include "framework/db/TnSessao.h"

namespace {

constexpr const char* kMsgLCDPR =
    "Esse Lançamento Contábil esta relacionado o Livro Caixa do Produtor Rural.\r\nConfirma a "
    "exclusão de todos os Lançamentos Contábeis e Q100 relacionados a esse Lançamento?";
constexpr const char* kMsgExclusaoCancelada = "Exclusão cancelada!";
constexpr const char* kMsgAnalitico =
    "Este lançamento foi feito através do cadastro Analítico.Deseja entrar no Lançamento "
    "Analítico para Alterar o mesmo?";

}  // namespace

// ---- The rule chain ----

TnContextoValidacaoLctoCtb TnCtbDMLctoCtbBase::ContextoValidacao() {
  TnContextoValidacaoLctoCtb contexto;
  contexto.CodigoEmpresa = PegarCodigoEmpresa();
  contexto.TemTela = TemTela();
  contexto.Importacao = Importacao();
  contexto.Automatico = FAutomatico;
  contexto.DataInicialSelecao = Selecao().Param(kSelDataInicial);
  contexto.DataFinalSelecao = GetDataFinalSelecao();
  contexto.Cache = Importacao() ? &FCacheLote : nullptr;
  contexto.UltLctoCtb = &FMemoria.Ultimo;
  contexto.OldTransDate = FTransacao.Data;
  contexto.OldTransTipoLcto = FTransacao.TipoLcto;
  return contexto;
}

// The module's answers to the chain, for the length of one check.
class TnCtbDMLctoCtbBase::TConsultasDoModulo final : public TnConsultasLctoCtb {
 public:
  explicit TConsultasDoModulo(TnCtbDMLctoCtbBase& modulo) : FModulo(modulo) {}

  bool EhOptanteIFRS() override { return FModulo.GetEhOptanteIFRS(); }
  bool EhOptanteFCONT() override { return FModulo.GetEhOptanteFCONT(); }
  bool PossuiSPED() override { return FModulo.GetPossuiSPED(); }
  // The framework's checks; they must not lose the establishment.
  void ValidarBase() override {
    TField& estab = FModulo.Campo("CODIGOESTAB");
    const Value antes = estab.AsValue();
    FModulo.TnDMClientDataSet::ValidarDado();
    if (!antes.IsNull() && antes.AsInteger() != 0 && !(estab.AsValue() == antes))
      TnValidacaoLctoCtb::Atribuir(estab, antes);
  }
  Value ValorLookup(const char* campo, const char* resultado) override {
    return FModulo.EdFindValueDataSetLookup(campo, resultado);
  }
  bool ContaDePartidaDobrada(const Value& conta) override {
    return FModulo.ContaDePartidaDobrada(conta);
  }
  bool AlterarChaveOrigem() override { return FModulo.AlterarChaveOrigem(); }
  void FocarCampo(const char* campo) override {
    if (FModulo.Form() != nullptr)
      FModulo.Form()->FocarCampo(campo);
  }

 private:
  TnCtbDMLctoCtbBase& FModulo;
};

template <class F>
decltype(auto) TnCtbDMLctoCtbBase::ComValidacao(F&& uso) {
  const TnContextoValidacaoLctoCtb contexto = ContextoValidacao();
  TConsultasDoModulo consultas(*this);
  // The module's connection is the one it checks against.
  TUsarConexao usarConexao(Conexao());
  const TnLctoCtbEmValidacao entrada = TnLctoCtbEmValidacao::DoRegistro(nClientDataSet);
  TnValidacaoLctoCtb validacao(entrada, FConfig, usarConexao.Sessao(), contexto, consultas);
  return uso(validacao);
}

void TnCtbDMLctoCtbBase::ValidarDado() {
  TnControleFieldsManutencaoTela::Controlar(*this, [this] {
    PegarConfigEmpresa();
    PegarConfigLote();
    PegarConfigUsuario();
    // The entry's transaction number (SPED or IFRS companies) comes first.
    NumerarTransacao();
    if (TemTela())
      PegarConfigPlano();
    ComValidacao([](TnValidacaoLctoCtb& v) { return v.ValidarDado(); }).Aplicar(nClientDataSet);
  });
}

// The next batch reads the chart, the histories and its batches again.
void TnCtbDMLctoCtbBase::LimparCachesDoLote() {
  FCacheConfig.LotesDoLote.clear();
  FCacheLote.Limpar();
}

// ---- Around the post ----

void TnCtbDMLctoCtbBase::nClientDataSetBeforePost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetBeforePost(dataSet);
  TnControleFieldsManutencaoTela::Controlar(*this,
                                            [&] { nClientDataSetBeforePostInterno(dataSet); });
}

void TnCtbDMLctoCtbBase::nClientDataSetBeforePostInterno(TnClientDataSet& dataSet) {
  FTransacao.OutrasAlteradas = false;
  if (FConfig.Empresa.UsaDifLancamento)
    FControlarDiferenca = true;
  if (dataSet.State() == TDataSetState::dsEdit &&
      !(Campo("DATALCTOCTB").AsValue() == Campo("DATALCTOCTB").OldValue()))
    VerificaAtualizarDatasTransacao();
  CarregarValorDifeLctoCtb(dataSet.State() == TDataSetState::dsInsert ? toInsercao : toAlteracao);
  // The splits follow what the post changed: the stored values are kept
  // for the steps after it (the activity rows need them as much as the
  // managerial ones).
  if ((FConfig.Empresa.UsaCentroCusto && FPodeLancarGerencial) ||
      (FConfig.Empresa.UsaAtividades && FPodeLancarAtividade))
    FMemoria.GuardarAnterior(nClientDataSet);
  AtualizarSaldosAntesGravar(dataSet.State());
  FMemoria.Operacao = dataSet.State();
}

void TnCtbDMLctoCtbBase::nClientDataSetBeforeEdit(TnClientDataSet& dataSet) {
  const Value origemDado = Campo("ORIGEMDADO").AsValue();
  if (!origemDado.IsNull() && origemDado.AsInteger() == 5 && !FModoAnalitico && Tela()) {
    if (Ndialogs::nConfirmar(kMsgAnalitico)) {
      // The entry is changed where it was made.
      ExibirLancamentoAnalitico();
      throw EAbort();
    }
  }
  TnDMClientDataSet::nClientDataSetBeforeEdit(dataSet);
}

void TnCtbDMLctoCtbBase::nClientDataSetBeforeDelete(TnClientDataSet& dataSet) {
  PegarConfigEmpresa();
  PegarConfigUsuario();
  ValidarAlteracaoLctoCtb();
  // The group itself goes when the provider deletes the entry.
  const bool grupoLCDPR = GetLancLCDPR(PegarCodigoEmpresa(), Campo("CHAVELCTOCTB").AsInteger());
  if (grupoLCDPR && !Ndialogs::nConfirmar(kMsgLCDPR))
    throw EAbort();
  if (!Nutil::Trim(Campo("CHAVEORIGEM").AsString()).empty() && !AlterarChaveOrigem())
    throw Exception(kMsgExclusaoCancelada);
  if (dataSet.State() != TDataSetState::dsInsert)
    VerificarLimiteUsuario();
  CarregarValorDifeLctoCtb(toExclusao);
  PegarConfigLote();
  if (FConfig.Lote.PertenceLote && !FConfig.Lote.AlteracaoLote)
    throw Exception(nCtbSLoteFechadoNaoPermiteAlteracao);
  FMemoria.EmpresaExcluida = Campo("CODIGOEMPRESA").AsInteger();
  FMemoria.ChaveExcluida = Campo("CHAVELCTOCTB").AsInteger();
  // The whole entry goes: either side serves.
  if (FConfig.Empresa.UsaCentroCusto && FPodeLancarGerencial)
    CarregarLadoGerencial(1);
  AtualizarSaldosAntesExcluir();
  TransacaoAntesExcluir();
  if (!grupoLCDPR)
    VerificaDeltarLancamentosTransacao();
  TnDMClientDataSet::nClientDataSetBeforeDelete(dataSet);
}

void TnCtbDMLctoCtbBase::CheckEditLock() {
  if (FControleEditLock)
    return;
  if (FOpcaoEditLock && Form() != nullptr && Form()->ClassName() == "TnFrmCadastro")
    Form()->SetEditLock(true);
  FControleEditLock = true;
}

// ---- Checks ----

void TnCtbDMLctoCtbBase::ValidarAlteracaoLctoCtb() {
  ComValidacao([](TnValidacaoLctoCtb& v) { v.ValidarAlteracaoLctoCtb(); });
}

bool TnCtbDMLctoCtbBase::ContaDePartidaDobrada(const Value& conta) {
  if (Importacao() || cdsContasDupla.IsEmpty() || conta.IsNull())
    return false;
  return cdsContasDupla.FindKey({Value(conta.AsFloat())});
}

bool TnCtbDMLctoCtbBase::EhProdutorRural() {
  int64_t empresa = 0;
  int64_t estab = 0;
  if (Nutil::EhHttpExe() || !nClientDataSet.Active()) {
    empresa = Selecao().CodigoEmpresa();
    estab = Selecao().CodigoEstab();
  } else {
    empresa = PegarCodigoEmpresa();
    estab = Campo("CODIGOESTAB").AsInteger();
  }
  if (empresa == 0)
    return false;
  const Value caepf = TnLeiturasDoPedido::LerValor(
      TnSessao::Atual(),
      "select CAEPF from ESTAB where CODIGOEMPRESA = :pEmpresa and CODIGOESTAB = :pEstab",
      {{"pEmpresa", Value(empresa)}, {"pEstab", Value(estab)}});
  return !caepf.IsNull() && caepf.AsInteger() == 2;
}

bool TnCtbDMLctoCtbBase::VerificarContaRateio(int64_t codigoEmpresa, const Value& conta,
                                              TDateTime data) {
  if (conta.IsNull() || !FConfig.Empresa.UsaCentroCusto ||
      data < FConfig.Empresa.DataInicialCentroCusto)
    return false;
  TnCacheValidacaoLctoCtb* cache = Importacao() ? &FCacheLote : nullptr;
  const std::pair chave{codigoEmpresa, conta.AsInteger()};
  if (cache != nullptr) {
    if (auto achada = cache->ContaRateio.find(chave); achada != cache->ContaRateio.end())
      return achada->second;
  }
  const bool rateio =
      ProcurarClassifRateio(ClassificacaoDaConta(Conexao(), cache, chave.first, chave.second));
  if (cache != nullptr)
    cache->ContaRateio.emplace(chave, rateio);
  return rateio;
}

// The classification or the nearest group above it, the groups read once
// for every level tried.
bool TnCtbDMLctoCtbBase::ProcurarClassifRateio(std::string classif) {
  std::vector<std::string> grupos;
  for (cdsGerecialGrupo.First(); !cdsGerecialGrupo.Eof(); cdsGerecialGrupo.Next())
    grupos.push_back(Nutil::Trim(cdsGerecialGrupo.Fields(0).AsString()));
  for (; !classif.empty(); classif = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(classif)) {
    if (std::find(grupos.begin(), grupos.end(), classif) != grupos.end())
      return true;
  }
  return false;
}

int TnCtbDMLctoCtbBase::VerificarPorcentContaRateio(int64_t codigoEmpresa, int64_t conta) {
  const ValueArray chave = {Value(static_cast<double>(codigoEmpresa)),
                            Value(static_cast<double>(conta))};
  if (cdsPercentRatCta.FindKey(chave))
    return static_cast<int>(cdsPercentRatCta.FieldByName("PERCENTRAT").AsInteger());
  const Value soma = Conexao().ExecuteScalar(
      "select sum(PERCRATEIO) from RATCENTROCUSTO where CODIGOEMPRESA = " +
      std::to_string(codigoEmpresa) + " and CONTACTB = " + std::to_string(conta));
  const int percentual = soma.IsNull() ? 0 : static_cast<int>(soma.AsInteger());
  cdsPercentRatCta.AppendRecord({chave[0], chave[1], Value(percentual)});
  return percentual;
}

bool TnCtbDMLctoCtbBase::LctoRegistroFoiDuplicado(int64_t codigoEmpresa, int64_t chave) {
  TnDMSQLDataSet sql(&Conexao());
  return sql.PegarTemRegistro("LCTOCTB", "CODIGOEMPRESA = " + std::to_string(codigoEmpresa) +
                                             " and CHAVELCTOCTB = " + std::to_string(chave));
}

// ---- The user's posting window ----

void TnCtbDMLctoCtbBase::VerificarLimiteUsuario() {
  ComValidacao([](TnValidacaoLctoCtb& v) { v.VerificarLimiteUsuario(); });
}

// ---- After an import ----

bool TnCtbDMLctoCtbBase::ValidarImportacao(TnListaMensagem* sender) {
  const bool resultado = TnDMClientDataSet::ValidarImportacao(sender);
  if (!resultado || !FVICDS)
    return resultado;
  TnClientDataSet& vi = *FVICDS;
  for (vi.First(); !vi.Eof(); vi.Next()) {
    const Currency debito = vi.FieldByName("VALORLCTOCTBDeb").AsCurrency();
    const Currency credito = vi.FieldByName("VALORLCTOCTBCred").AsCurrency();
    if (debito == credito || sender == nullptr)
      continue;
    sender->AddAviso("Diferença em: " + DateToStr(vi.FieldByName("DATALCTOCTB").AsDateTime()) +
                     " débito " + FormatFloat("#,##0.00", debito) + " crédito " +
                     FormatFloat("#,##0.00", credito) +
                     " diferença: " + FormatFloat("#,##0.00", debito - credito) +
                     " empresa: " + vi.FieldByName("CODIGOEMPRESA").AsString() +
                     " filial: " + vi.FieldByName("CODIGOESTAB").AsString());
  }
  FVICDS.reset();
  return resultado;
}
