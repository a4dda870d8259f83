// The splits of an entry: after a post the managerial (cost-centre) rows
// follow the entry's date, accounts and amount and the activity rows are
// generated again; a delete takes both with it; the screen's actions open the
// managerial and activity screens of a side.
#include <algorithm>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "activities/nCtbServicoAtividade_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TaxaFixa.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "managerial/nCtbDMLctoGer_U.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kMsgGravarAntesGerencial =
    "É necessário gravar o lançamento atual antes de fazer o lançamento gerencial!";
constexpr const char* kMsgGravarAntesAtividades =
    "É necessário gravar o lançamento atual antes de fazer o lançamento das atividades!";

}  // namespace

// ---- The companion modules ----

namespace {

// A companion module of `lancamentos`, created on first use in its mode
// (import or not), loading rows on demand, and open on its selection.
template <class T>
T& Companheiro(const TnCtbDMLctoCtbBase& lancamentos, std::unique_ptr<T>& modulo) {
  if (!modulo) {
    auto novo = Nutilform::CriarDMNovo<T>(T::kClassName);
    novo->SetConexao(lancamentos.ConexaoDefinida());
    novo->SetImportacao(lancamentos.Importacao());
    novo->SetVerificaSelecaoManual("CodigoEmpresa");
    novo->ConfigSobDemanda();
    novo->SetCarregarDetalhesDinamicamente(true);
    modulo = std::move(novo);
  }
  if (!modulo->nClientDataSet.Active())
    modulo->Abrir(&lancamentos.Selecao());
  return *modulo;
}

}  // namespace

TnCtbDMLctoGer& TnCtbDMLctoCtbBase::GetDMLctoGer() {
  TnCtbDMLctoGer& gerencial = Companheiro(*this, FDMLctoGer);
  // Without a screen the rows are applied with the entries they split
  // (nDataSetProviderAfterApplyUpdates), in the same transaction.
  gerencial.SetApplyUpdatesManual(Importacao());
  return gerencial;
}

TnCtbDMLctoAtivDiferenc& TnCtbDMLctoCtbBase::GetDMLctoATiv() {
  return Companheiro(*this, FDMLctoAtiv);
}

TLadoLctoCtb TnCtbDMLctoCtbBase::LadoGerencial(int natureza) const {
  TLadoLctoCtb lado{TLctoCtb::DoRegistro(nClientDataSet), natureza};
  lado.Lcto.CodigoEstab = 0;
  lado.Lcto.CotacaoMoeda = TTaxaFixa();
  return lado;
}

void TnCtbDMLctoCtbBase::CarregarLadoGerencial(int natureza) {
  GetDMLctoGer().SetLado(LadoGerencial(natureza));
}

void TnCtbDMLctoCtbBase::AtualizarFiltroLctoGer(const std::vector<std::string>& campos) {
  TnCtbDMLctoGer& gerencial = GetDMLctoGer();
  gerencial.SetEntradaSemGravados(std::nullopt);
  if (gerencial.ModoForm() != 2 || FModoAnalitico)
    return;
  auto tem = [&](const char* nome) {
    return std::find(campos.begin(), campos.end(), nome) != campos.end();
  };
  // The rows of other entries go, unless they still wait to be applied.
  if (!FLctoGerConcBanc && gerencial.nClientDataSet.ChangeCount() == 0)
    gerencial.nClientDataSet.EmptyDataSet();
  // A key the batch drew from a block without stored splits has none to read.
  // The side's own read (AtualizarFiltroChaveLctoCtb) is skipped as well.
  const TLadoLctoCtb& lado = gerencial.Lado();
  if (tem("CHAVELCTOCTB") && BlocoChaves() != nullptr &&
      BlocoChaves()->SemGerenciaisGravados(lado.Lcto.CodigoEmpresa, lado.Lcto.ChaveLctoCtb)) {
    gerencial.SetEntradaSemGravados(std::pair{lado.Lcto.CodigoEmpresa, lado.Lcto.ChaveLctoCtb});
    return;
  }
  // Values as parameters: every entry of a batch runs the same statement.
  std::string condicao =
      "CODIGOEMPRESA = :pGerEmpresa and DATALCTOCTB between :pGerDataInicial and :pGerDataFinal";
  TParams params{{"pGerEmpresa", Value(lado.Lcto.CodigoEmpresa)},
                 {"pGerDataInicial", Value(GetDataInicialSelecao())},
                 {"pGerDataFinal", Value(GetDataFinalSelecao())}};
  if (tem("CHAVELCTOCTB")) {
    condicao += " and CHAVELCTOCTB = :pGerChave";
    params.emplace_back("pGerChave", Value(lado.Lcto.ChaveLctoCtb));
  }
  // With the entry's key the account only narrows its rows: the unary plus
  // keeps SQLite from preferring the account index, which would read every
  // row ever split on that account for each entry of a batch.
  if (tem("CONTACTB")) {
    condicao += fmt::format(" and {}CONTACTB = :pGerConta", tem("CHAVELCTOCTB") ? "+" : "");
    params.emplace_back("pGerConta", Value(lado.ContaCtb()));
  }
  if (tem("NATURLCTOCTB")) {
    condicao += " and NATURLCTOCTB = :pGerNatureza";
    params.emplace_back("pGerNatureza", Value(lado.Natureza));
  }
  gerencial.FetchRegistros(condicao, params);
}

void TnCtbDMLctoCtbBase::MostrarCadastroGerencial(int64_t conta) {
  if (!(Tela() || FModoAnalitico))
    return;
  if (conta != 0 && !FConfig.Empresa.MostraCadLctoGer &&
      VerificarPorcentContaRateio(PegarCodigoEmpresa(), conta) == 100)
    return;
  TnCtbDMLctoGer& gerencial = GetDMLctoGer();
  // The screen's currency column converts at the entry's own branch and rate.
  gerencial.SetLado({TLctoCtb::DoRegistro(nClientDataSet), gerencial.Lado().Natureza});
  TnForm& form = gerencial.CriarForm();
  gerencial.AtualizarFiltroChaveLctoCtb();
  gerencial.MostrarParams();
  gerencial.CalcularTotais();
  form.ShowModal();
}

void TnCtbDMLctoCtbBase::DescartarSplitsPendentes() {
  // What was applied was rolled back too: the rows are read again.
  if (FDMLctoGer)
    FDMLctoGer->DescartarPendentes();
  if (FDMLctoAtiv)
    FDMLctoAtiv->DescartarPendentes();
  FAtividadesPendentes.clear();
}

// ---- After a post ----

void TnCtbDMLctoCtbBase::ProcessarLctoGerencial(bool oferecerTela) {
  if (!FConfig.Empresa.UsaCentroCusto || !FPodeLancarGerencial)
    return;
  if (!FMemoria.DataAnterior.IsZero() &&
      FMemoria.DataAnterior != DataDe(Campo("DATALCTOCTB").AsValue())) {
    // The date is the whole entry's: either side serves.
    CarregarLadoGerencial(1);
    AtualizarFiltroLctoGer({"CHAVELCTOCTB"});
    GetDMLctoGer().TrocarDataLctoCtb(DataDe(Campo("DATALCTOCTB").AsValue()));
  }
  // A side whose account changed loses the old account's rows.
  for (const auto& [natureza, contaOld] :
       {std::pair<int, int64_t>{1, FMemoria.ContaDebAnterior}, {-1, FMemoria.ContaCredAnterior}}) {
    if (contaOld == 0)
      continue;
    TLadoLctoCtb lado = LadoGerencial(natureza);
    if (contaOld == lado.ContaCtb())
      continue;
    lado.Lcto.Conta(natureza) = contaOld;
    GetDMLctoGer().SetLado(lado);
    AtualizarFiltroLctoGer({"CHAVELCTOCTB", "CONTACTB"});
    GetDMLctoGer().ExcluirLctoGerDebCred();
  }
  ProcessarLctoGerencialLado("CONTACTBDEB", oferecerTela);
  ProcessarLctoGerencialLado("CONTACTBCRED", oferecerTela);
}

void TnCtbDMLctoCtbBase::ProcessarLctoGerencialLado(const char* campoConta, bool oferecerTela) {
  if (!VerificarContaRateio(PegarCodigoEmpresa(), Campo(campoConta).AsValue(),
                            DataDe(Campo("DATALCTOCTB").AsValue())))
    return;
  CarregarLadoGerencial(std::string(campoConta) == "CONTACTBDEB" ? 1 : -1);
  std::vector<std::string> campos = {"CHAVELCTOCTB", "CONTACTB"};
  const bool valorAlterado = FMemoria.ValorAnterior != Currency() &&
                             FMemoria.ValorAnterior != Campo("VALORLCTOCTB").AsCurrency();
  if (valorAlterado)
    campos.emplace_back("NATURLCTOCTB");
  AtualizarFiltroLctoGer(campos);
  TnCtbDMLctoGer& gerencial = GetDMLctoGer();
  // A new amount is apportioned again; typed rows stay as they were.
  if (valorAlterado)
    gerencial.ExcluirLctoGerAuto();
  gerencial.InserirLctoGerAuto();
  if (oferecerTela)
    MostrarCadastroGerencial(gerencial.Lado().ContaCtb());
}

void TnCtbDMLctoCtbBase::nDataSetProviderAfterApplyUpdates(TnDataSetProvider& sender) {
  TnDMClientDataSet::nDataSetProviderAfterApplyUpdates(sender);
  GravarAtividadesPendentes();
  if (Importacao() && FPodeLancarGerencial && !FApplyUpdatesManual && FDMLctoGer) {
    FDMLctoGer->AplicarAtualizacoesGerenciais();
    // What is stored need not stay in memory during a long import.
    if (FDMLctoGer->nClientDataSet.Active())
      FDMLctoGer->nClientDataSet.EmptyDataSet();
  }
  if (Nutil::EhHttpExe() && FConfig.Empresa.UsaCentroCusto && nClientDataSet.Active() &&
      !nClientDataSet.IsEmpty())
    ProcessarLctoGerencial(false);
  LimparCachesDoLote();
}

// ---- Activities ----

TInfoLctoCtb TnCtbDMLctoCtbBase::InfoLado(int natureza) const {
  TInfoLctoCtb info;
  info.Lcto = TLctoCtb::DoRegistro(nClientDataSet);
  info.Natureza = natureza;
  info.ClassifConta = ClassificacaoDaConta(Conexao(), Importacao() ? &FCacheLote : nullptr,
                                           info.Lcto.CodigoEmpresa, info.ContaCtb());
  return info;
}

void TnCtbDMLctoCtbBase::ProcessarAtividades() {
  if (!FPodeLancarAtividade || !FConfig.Empresa.UsaAtividades ||
      DataDe(Campo("DATALCTOCTB").AsValue()) < FConfig.Empresa.DataInicialAtividades)
    return;
  if (FMemoria.AlterouData(nClientDataSet))
    TServicoAtividade::AlterarDataLcto(TLctoCtb::DoRegistro(nClientDataSet));
  const bool insercao = FMemoria.Operacao == TDataSetState::dsInsert;
  for (const auto& [natureza, alterouConta] :
       {std::pair<int, bool>{1, FMemoria.AlterouContaDebito(nClientDataSet)},
        {-1, FMemoria.AlterouContaCredito(nClientDataSet)}}) {
    const TInfoLctoCtb info = InfoLado(natureza);
    if (insercao && info.ContaCtb() != 0 && Importacao() && !TemTela()) {
      std::vector<TLctoAtivDiferenc> linhas = TServicoAtividade::LancamentosAutomaticos(info);
      FAtividadesPendentes.insert(FAtividadesPendentes.end(), linhas.begin(), linhas.end());
    } else if ((insercao && info.ContaCtb() != 0) || alterouConta ||
               FMemoria.AlterouValor(nClientDataSet)) {
      if (FMemoria.Operacao == TDataSetState::dsEdit)
        TServicoAtividade::ExcluirLancamentos(info);
      TServicoAtividade::GerarLancamentosAutomaticos(info);
    }
    if (Tela() && TServicoAtividade::ProcurarClassif(info))
      MostrarCadastroAtividade(info);
  }
}

void TnCtbDMLctoCtbBase::GravarAtividadesPendentes() {
  TServicoAtividade::InserirAtividades(std::exchange(FAtividadesPendentes, {}));
}

void TnCtbDMLctoCtbBase::MostrarCadastroAtividade(const TInfoLctoCtb& info) {
  TnCtbDMLctoAtivDiferenc& atividades = GetDMLctoATiv();
  TnForm& form = atividades.CriarForm();
  atividades.SetCdsAtividades(TServicoAtividade::GetAtividades());
  atividades.AtualizarFiltroChaveLctoCtb(info);
  atividades.MostrarParams();
  form.ShowModal();
}

// ---- Delete ----

void TnCtbDMLctoCtbBase::ExcluirSplitsDoLancamento(int64_t codigoEmpresa, int64_t chave) {
  TLadoLctoCtb lado;
  lado.Lcto.CodigoEmpresa = codigoEmpresa;
  lado.Lcto.ChaveLctoCtb = chave;
  if (FConfig.Empresa.UsaCentroCusto && FPodeLancarGerencial) {
    TnCtbDMLctoGer& gerencial = GetDMLctoGer();
    gerencial.SetLado(lado);
    AtualizarFiltroLctoGer({"CHAVELCTOCTB"});
    gerencial.ExcluirChaveLctoCtb();
  }
  // An entry's activity rows mean nothing without it, those still waiting
  // for its batch included.
  std::erase_if(FAtividadesPendentes, [&](const TLctoAtivDiferenc& atividade) {
    return atividade.Lcto.CodigoEmpresa == codigoEmpresa && atividade.Lcto.ChaveLctoCtb == chave;
  });
  for (const int natureza : {1, -1}) {
    lado.Natureza = natureza;
    TServicoAtividade::ExcluirLancamentos(lado);
  }
}

// ---- The screen's actions ----

bool TnCtbDMLctoCtbBase::AvisarLancamentoNaoGravado(const char* mensagem) {
  if (!DataSetEditando())
    return true;
  if (!Conexao().AvisarRegistroNaoGravado())
    return false;
  Ndialogs::nMessageDlg(mensagem, TMsgDlgType::mtWarning, BotoesOk());
  return true;
}

void TnCtbDMLctoCtbBase::AbrirGerencial(const char* campoConta, int natureza) {
  if (!AvisarLancamentoNaoGravado(kMsgGravarAntesGerencial) ||
      !VerificarContaRateio(PegarCodigoEmpresa(), Campo(campoConta).AsValue(),
                            DataDe(Campo("DATALCTOCTB").AsValue())))
    return;
  CarregarLadoGerencial(natureza);
  AtualizarFiltroLctoGer({"CHAVELCTOCTB", "CONTACTB"});
  MostrarCadastroGerencial(0);
}

void TnCtbDMLctoCtbBase::AbrirAtividades(int natureza) {
  if (!AvisarLancamentoNaoGravado(kMsgGravarAntesAtividades))
    return;
  const TInfoLctoCtb info = InfoLado(natureza);
  if (TServicoAtividade::ProcurarClassif(info))
    MostrarCadastroAtividade(info);
}

void TnCtbDMLctoCtb::actLctoGerDebExecute() {
  AbrirGerencial("CONTACTBDEB", 1);
}

void TnCtbDMLctoCtb::actLctoGerCredExecute() {
  AbrirGerencial("CONTACTBCRED", -1);
}

void TnCtbDMLctoCtb::actLctoAtivDebExecute() {
  AbrirAtividades(1);
}

void TnCtbDMLctoCtb::actLctoAtivCredExecute() {
  AbrirAtividades(-1);
}

void TnCtbDMLctoCtb::ConfigurarAcoesSplits(TnForm& form) {
  if (FExibicao.ActLctoGerDeb != nullptr)
    FExibicao.ActLctoGerDeb->SetOnExecute([this](TnAction&) { actLctoGerDebExecute(); });
  if (FExibicao.ActLctoGerCred != nullptr)
    FExibicao.ActLctoGerCred->SetOnExecute([this](TnAction&) { actLctoGerCredExecute(); });
  ConfigurarAtividades(form);
}

void TnCtbDMLctoCtb::ConfigurarAtividades(TnForm& form) {
  if (Nutil::EhCloud() || FExibicao.ActLctoAtivDeb != nullptr)
    return;
  const auto criar = [&](const char* caption, const char* atalho, void (TnCtbDMLctoCtb::*acao)()) {
    return form.Actions().Find(CriarBotao(caption, caption, atalho, acao).NomeAction);
  };
  FExibicao.ActLctoAtivDeb =
      criar("Atividades - débito", "Ctrl+F11", &TnCtbDMLctoCtb::actLctoAtivDebExecute);
  FExibicao.ActLctoAtivCred =
      criar("Atividades - crédito", "Ctrl+F12", &TnCtbDMLctoCtb::actLctoAtivCredExecute);
}
