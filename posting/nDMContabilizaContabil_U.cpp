#include "posting/nDMContabilizaContabil_U.h"

#include <fmt/format.h>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/Nutilexception.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDataSetProvider.h"
#include "managerial/nCtbDMLctoGer_U.h"

namespace {

constexpr const char* kMsgSucesso = "Lançamentos contabilizados com sucesso!";
constexpr const char* kMsgProblemas = "Problemas encontrados: {}";
constexpr const char* kMsgSemDistribuicao =
    "Conta Contábil sem Distribuição Gerencial! Conta Contábil = {}. Lançamento ignorado...";
constexpr const char* kNoLancamento = "Lançamento {} da empresa {}";
constexpr const char* kNoGerencial = "Linha gerencial do centro de custo {} a {}";
constexpr const char* kChaveLcto = "CODIGOEMPRESA;CHAVELCTOCTB";
constexpr const char* kChaveGer = "CODIGOEMPRESA;CHAVELCTOCTB;NATURLCTOCTB;CODIGOCENTROCUSTO";
constexpr int kErroChaveDuplicada = 1;
// Entries posted between two writes.
constexpr int kLancamentosPorGravacao = 100;

TTipoMensagem TipoDaMensagem(int tipo) {
  switch (tipo) {
    case TnDMContabilizaContabil::kMsgErro:
      return TTipoMensagem::tmErro;
    case TnDMContabilizaContabil::kMsgGerencialIgnorado:
      return TTipoMensagem::tmAviso;
    default:
      return TTipoMensagem::tmInformacao;
  }
}

// An error text on one line.
std::string UmaLinha(std::string texto) {
  for (char& c : texto)
    if (c == '\r' || c == '\n')
      c = ' ';
  return texto;
}

// The managerial row a message concerns, by its cost centre and side.
std::string NomeDoGerencial(const TnClientDataSet& cds) {
  return fmt::format(kNoGerencial,
                     static_cast<int64_t>(cds.FieldByName("CodigoCentroCusto").AsFloat()),
                     cds.FieldByName("NaturLctoCtb").AsInteger() == 1 ? "débito" : "crédito");
}

double Numero(const TField& field) {
  return field.IsNull() ? 0 : field.AsFloat();
}

// Null for zero (an account or batch of 0 means none) and for empty text.
Value OuNulo(double valor) {
  return valor == 0 ? Value() : Value(static_cast<int64_t>(valor));
}
Value OuNulo(const std::string& texto) {
  return texto.empty() ? Value() : Value(texto);
}

// The readable text of the failure being reconciled.
std::string TextoDoErro(const std::string& mensagem) {
  if (Nutilexception::ErroBancoAtual() == 0)
    return mensagem;
  try {
    throw;
  } catch (const std::exception& erro) {
    return Nutildb::TraduzirErroBD(erro);
  }
}

}  // namespace

TnDMContabilizaContabil::TnDMContabilizaContabil() {
  CriarTabelas();
}

TnDMContabilizaContabil::~TnDMContabilizaContabil() {
  DestruirDMLcto();
}

void TnDMContabilizaContabil::CriarTabelas() {
  using enum TFieldType;
  const auto criar = [](TnClientDataSet& cds,
                        std::initializer_list<std::tuple<const char*, TFieldType, int>> campos) {
    for (const auto& [nome, tipo, tamanho] : campos)
      cds.AddField(nome, tipo, tamanho);
    cds.CreateDataSet();
    cds.SetLogChanges(false);
  };
  criar(cdsLctoCtb, {{"CodigoEmpresa", ftSmallint, 0},
                     {"ChaveLctoCtb", ftFloat, 0},
                     {"CodigoEstab", ftSmallint, 0},
                     {"CodigoLoteCtb", ftSmallint, 0},
                     {"DataLctoCtb", ftDate, 0},
                     {"CodigoOrigLctoCtb", ftString, 2},
                     {"ContaCtbDeb", ftFloat, 0},
                     {"ContaCtbCred", ftFloat, 0},
                     {"CodigoHistCtb", ftSmallint, 0},
                     {"ComplHist", ftString, 300},
                     {"ValorLctoCtb", ftBCD, 0},
                     {"ChaveOrigem", ftString, 15},
                     {"TransCTB", ftLargeint, 0}});
  criar(cdsLctoGer, {{"CodigoEmpresa", ftSmallint, 0},
                     {"ChaveLctoCtb", ftFloat, 0},
                     {"CodigoCentroCusto", ftFloat, 0},
                     {"NaturLctoCtb", ftSmallint, 0},
                     {"ContaCtb", ftFloat, 0},
                     {"DataLctoCtb", ftDate, 0},
                     {"ValorLctoGer", ftBCD, 0}});
  criar(cdsLctoCtbErroPK, {{"CodigoEmpresa", ftSmallint, 0},
                           {"ChaveLctoCtb", ftFloat, 0},
                           {"ChaveLctoCtbNovo", ftFloat, 0}});
  cdsLctoCtbErroPK.SetIndexFieldNames(kChaveLcto);
}

void TnDMContabilizaContabil::LimparCDS() {
  for (TnClientDataSet* cds : {&cdsLctoCtb, &cdsLctoGer, &cdsLctoCtbErroPK})
    if (!cds->IsEmpty())
      cds->EmptyDataSet();
}

void TnDMContabilizaContabil::Msg(int tipo, const std::string& texto) {
  if (!FMsgExibir)
    return;
  if (FMsgLista != nullptr)
    FMsgLista->Add(TipoDaMensagem(tipo), texto);
  else if (FMsgTreeLista != nullptr)
    FMsgTreeLista->Add(FMsgItem, TipoDaMensagem(tipo), texto);
}

void TnDMContabilizaContabil::MsgLcto(size_t indice, int tipo, const std::string& texto,
                                      const std::string& gerencial) {
  TnResultadoContabilizacao& resultado = FResultados[indice];
  resultado.Mensagens.push_back(TnMensagem{TipoDaMensagem(tipo), texto});
  if (!FMsgExibir || FMsgLista != nullptr || FMsgTreeLista == nullptr) {
    Msg(tipo, texto);
    return;
  }
  TnNoMensagem*& no = FNoPorLcto[indice];
  if (no == nullptr)
    no = FMsgTreeLista->Add(FMsgItem, TTipoMensagem::tmInformacao,
                            fmt::format(kNoLancamento, static_cast<int64_t>(resultado.ChaveLctoCtb),
                                        resultado.CodigoEmpresa));
  TnNoMensagem* pai =
      gerencial.empty() ? no : FMsgTreeLista->Add(no, TTipoMensagem::tmInformacao, gerencial);
  FMsgTreeLista->Add(pai, TipoDaMensagem(tipo), texto);
}

size_t TnDMContabilizaContabil::IndiceDaChave(int64_t codigoEmpresa, double chaveNova) const {
  const auto it = FIndicePorChave.find({codigoEmpresa, chaveNova});
  return it == FIndicePorChave.end() ? FResultados.size() : it->second;
}

// ---- Transaction numbers ----

void TnDMContabilizaContabil::ConfigurarTransacao() {
  TnClientDataSet& cds = cdsLctoCtb;
  TField& deb = cds.FieldByName("ContaCtbDeb");
  TField& cred = cds.FieldByName("ContaCtbCred");
  TField& valor = cds.FieldByName("ValorLctoCtb");
  TField& transCtb = cds.FieldByName("TransCTB");
  const auto dupla = [&] { return Numero(deb) != 0 && Numero(cred) != 0; };
  const auto numerar = [&](int64_t numero) {
    cds.Edit();
    transCtb.SetAsInteger(numero);
    cds.Post();
  };
  cds.SetIndexFieldNames("CODIGOEMPRESA;CODIGOESTAB;CHAVELCTOCTB");
  int64_t trans = 1;
  Currency somaDeb, somaCred;
  // Whether the last entry in order closed a group: its number was then
  // drawn but not given yet.
  bool fechouGrupo = false;
  GetProgresso().Iniciar("Configurando Transação", cds.RecordCount());
  for (cds.First(); !cds.Eof(); cds.Next()) {
    GetProgresso().Incrementar();
    fechouGrupo = false;
    if (dupla())
      continue;
    if (Numero(deb) != 0)
      somaDeb += valor.AsCurrency();
    if (Numero(cred) != 0)
      somaCred += valor.AsCurrency();
    numerar(trans);
    if (Nutil::RoundValor(somaDeb - somaCred, 2) == Currency()) {
      fechouGrupo = true;
      ++trans;
    }
  }
  GetProgresso().Iniciar("Configurando Transação - Partida Dobrada", cds.RecordCount());
  bool primeira = true;
  for (cds.First(); !cds.Eof(); cds.Next()) {
    GetProgresso().Incrementar();
    if (!dupla())
      continue;
    if (!(primeira && fechouGrupo))
      ++trans;
    primeira = false;
    numerar(trans);
  }
}

// ---- Posting ----

void TnDMContabilizaContabil::Contabilizar() {
  FChaveNova = 0;
  FControleErros = 0;
  FKeyviolComAutoInc = false;
  FResultados.clear();
  FIndicePorChave.clear();
  FNoPorLcto.clear();
  if (cdsLctoCtb.IsEmpty())
    return;
  ConfigurarTransacao();
  for (TnClientDataSet* cds : {&cdsLctoCtb, &cdsLctoGer}) {
    cds->SetIndexFieldNames(kChaveLcto);
    cds->First();
  }
  std::unique_ptr<TnClientDataSet> contasRateio;
  try {
    CriarDMLcto();
    if (!cdsLctoGer.IsEmpty())
      contasRateio = CriarContaCtbRateio(cdsLctoGer.FieldByName("CodigoEmpresa").AsInteger());
    GetProgresso().Iniciar("Processando Lançamentos...", cdsLctoCtb.RecordCount());
    for (; !cdsLctoCtb.Eof(); cdsLctoCtb.Next()) {
      GetProgresso().VerificarCancelamento();
      const int64_t empresa = cdsLctoCtb.FieldByName("CodigoEmpresa").AsInteger();
      FChaveNova = static_cast<double>(Nutilsequence::ProximaChaveLctoCtb(Conexao(), empresa));
      TnResultadoContabilizacao& resultado = FResultados.emplace_back();
      resultado.CodigoEmpresa = empresa;
      resultado.ChaveLctoCtb = cdsLctoCtb.FieldByName("ChaveLctoCtb").AsFloat();
      resultado.TransCtb = cdsLctoCtb.FieldByName("TransCTB").AsInteger();
      if (PostarLancamento()) {
        resultado.ChaveLctoCtbNovo = FChaveNova;
        FIndicePorChave[{empresa, FChaveNova}] = FResultados.size() - 1;
        if (!cdsLctoGer.IsEmpty())
          PostarGerenciais(Numero(cdsLctoCtb.FieldByName("ContaCtbDeb")),
                           Numero(cdsLctoCtb.FieldByName("ContaCtbCred")), contasRateio.get());
      }
      GetProgresso().Incrementar();
      if (FDMLctoCtb->nClientDataSet.ChangeCount() >= kLancamentosPorGravacao)
        Gravar();
    }
    Gravar();
    if (FControleErros == 0)
      Msg(kMsgSucesso, ::kMsgSucesso);
  } catch (...) {
    DestruirDMLcto();
    throw;
  }
  DestruirDMLcto();
  if (FControleErros > 0)
    throw Exception(fmt::format(kMsgProblemas, FControleErros));
}

bool TnDMContabilizaContabil::PostarLancamento() {
  TnClientDataSet& entrada = cdsLctoCtb;
  TnClientDataSet& cds = FDMLctoCtb->nClientDataSet;
  const auto campo = [&](const char* nome) -> const TField& { return entrada.FieldByName(nome); };
  const auto texto = [&](const char* nome) { return campo(nome).AsString(); };
  const int mudancasAntes = cds.ChangeCount();
  try {
    cds.Append();
    // The engine feeds the module as its import does: a field the company
    // does not use (read-only on a screen) still takes the value, and the
    // module's defaults decide at the post what it keeps.
    const auto atribuir = [&](const char* nome, const Value& valor) {
      TnCtbDMLctoCtb::Atribuir(cds.FieldByName(nome), valor);
    };
    atribuir("CODIGOEMPRESA", campo("CodigoEmpresa").AsValue());
    atribuir("CODIGOESTAB", campo("CodigoEstab").AsValue());
    atribuir("CHAVELCTOCTB", Value(static_cast<int64_t>(FChaveNova)));
    atribuir("CODIGOLOTECTB", OuNulo(Numero(campo("CodigoLoteCtb"))));
    atribuir("DATALCTOCTB", campo("DataLctoCtb").AsValue());
    atribuir("CODIGOORIGLCTOCTB", OuNulo(texto("CodigoOrigLctoCtb")));
    const double contaDeb = Numero(campo("ContaCtbDeb"));
    const double contaCred = Numero(campo("ContaCtbCred"));
    atribuir("CONTACTBDEB", OuNulo(contaDeb));
    atribuir("CONTACTBCRED", OuNulo(contaCred));
    // A history text without a history code still needs the code 0.
    if (!campo("CodigoHistCtb").IsNull())
      atribuir("CODIGOHISTCTB", campo("CodigoHistCtb").AsValue());
    else
      atribuir("CODIGOHISTCTB", texto("ComplHist").empty() ? Value() : Value(int64_t{0}));
    atribuir("COMPLHIST", OuNulo(texto("ComplHist")));
    atribuir("VALORLCTOCTB", campo("ValorLctoCtb").AsValue());
    atribuir("CHAVEORIGEM", OuNulo(texto("ChaveOrigem")));
    if (FConciliarAuto) {
      if (contaDeb != 0)
        atribuir("LCTOCONCILDEB", Value(int64_t{1}));
      if (contaCred != 0)
        atribuir("LCTOCONCILCRED", Value(int64_t{1}));
    }
    atribuir("TRANSCTB", campo("TransCTB").AsValue());
    cds.Post();
    return true;
  } catch (const Exception& erro) {
    // Only this entry goes: a record half filled is cancelled, one whose
    // after-post steps failed is reverted.
    if (cds.State() == TDataSetState::dsInsert || cds.State() == TDataSetState::dsEdit)
      cds.Cancel();
    else if (cds.ChangeCount() > mudancasAntes)
      cds.RevertRecord();
    ++FControleErros;
    FResultados.back().Recusado = true;
    MsgLcto(FResultados.size() - 1, kMsgErro, UmaLinha(erro.Message()));
    return false;
  }
}

void TnDMContabilizaContabil::PostarGerenciais(double contaDeb, double contaCred,
                                               TnClientDataSet* contasRateio) {
  TnClientDataSet& ger = cdsLctoGer;
  const Value empresa = cdsLctoCtb.FieldByName("CodigoEmpresa").AsValue();
  const Value chave = cdsLctoCtb.FieldByName("ChaveLctoCtb").AsValue();
  FDMLctoGer->SetCodigoEmpresa(empresa.AsInteger());
  ger.SetRange({empresa, chave}, {empresa, chave});
  for (ger.First(); !ger.Eof(); ger.Next()) {
    const double conta = ger.FieldByName("NaturLctoCtb").AsInteger() == 1 ? contaDeb : contaCred;
    if (conta == 0)
      continue;
    if (contasRateio == nullptr || !contasRateio->FindKey({Value(conta)})) {
      MsgLcto(FResultados.size() - 1, kMsgGerencialIgnorado,
              fmt::format(kMsgSemDistribuicao, static_cast<int64_t>(conta)), NomeDoGerencial(ger));
      continue;
    }
    PostarGerencial();
  }
  ger.CancelRange();
}

void TnDMContabilizaContabil::PostarGerencial() {
  TnClientDataSet& ger = cdsLctoGer;
  TnClientDataSet& cds = FDMLctoGer->nClientDataSet;
  // A row the entry's own apportionment already gave the cost centre stays.
  const bool filtrado = cds.Filtered();
  cds.SetFiltered(false);
  const bool existe = cds.Locate(
      kChaveGer,
      {ger.FieldByName("CodigoEmpresa").AsValue(), Value(static_cast<int64_t>(FChaveNova)),
       ger.FieldByName("NaturLctoCtb").AsValue(), ger.FieldByName("CodigoCentroCusto").AsValue()});
  try {
    if (!existe) {
      cds.Append();
      for (int i = 0; i < ger.FieldCount(); ++i)
        cds.FieldByName(ger.Fields(i).FieldName()).SetValue(ger.Fields(i).AsValue());
      cds.FieldByName("CHAVELCTOCTB").SetAsInteger(static_cast<int64_t>(FChaveNova));
      cds.Post();
    }
  } catch (const Exception& erro) {
    if (cds.State() == TDataSetState::dsInsert)
      cds.Cancel();
    ++FControleErros;
    MsgLcto(FResultados.size() - 1, kMsgErro, UmaLinha(erro.Message()), NomeDoGerencial(ger));
  }
  cds.SetFiltered(filtrado);
}

// ---- Writing ----

void TnDMContabilizaContabil::Gravar() {
  GravarModulo(*FDMLctoCtb, "LCTOCTB", kChaveLcto);
  GravarModulo(*FDMLctoGer, "LCTOGER", kChaveGer);
  // What is written need not stay: the modules look their rows up by
  // filters, which a whole batch in memory would make slower at every entry.
  FDMLctoCtb->nClientDataSet.EmptyDataSet();
  FDMLctoGer->nClientDataSet.EmptyDataSet();
}

void TnDMContabilizaContabil::GravarModulo(TnDMClientDataSet& modulo, const char* tabela,
                                           const char* chave) {
  TnClientDataSet& cds = modulo.nClientDataSet;
  if (cds.ChangeCount() == 0)
    return;
  try {
    cds.SetFiltered(false);
    if (!FUtilizaAutoIncrementar)
      cds.FieldByName("CHAVELCTOCTB").GetDefinicao().SetAutoIncremento(false);
    Nutildb::GravarCDS(tabela, cds, chave);
    cds.CancelUpdates();
  } catch (const std::exception& erro) {
    Msg(kMsgErro, UmaLinha(erro.what()));
  }
}

void TnDMContabilizaContabil::DoClientDataSetReconcileErrorCTB(TnClientDataSet& dataSet,
                                                               const std::string& message,
                                                               TUpdateKind kind,
                                                               TReconcileAction& action) {
  const std::string texto = TextoDoErro(message);
  const int64_t empresa = dataSet.FieldByName("CODIGOEMPRESA").AsInteger();
  const double chave = dataSet.FieldByName("CHAVELCTOCTB").AsFloat();
  const size_t indice = IndiceDaChave(empresa, chave);
  if (Nutilexception::ErroBancoAtual() == kErroChaveDuplicada && kind == TUpdateKind::ukInsert) {
    // Someone took the key since it was drawn: the entry goes under the
    // next free one, and its managerial rows follow it.
    const auto chaveNova =
        static_cast<double>(Nutilsequence::ProximaChaveLctoCtb(Conexao(), empresa));
    if (auto* provider = dynamic_cast<TnDataSetProvider*>(dataSet.Provider()))
      provider->SetNewValue("CHAVELCTOCTB", Value(static_cast<int64_t>(chaveNova)));
    FKeyviolComAutoInc = true;
    action = TReconcileAction::raCorrect;
    TnClientDataSet& log = cdsLctoCtbErroPK;
    if (log.FindKey({Value(empresa), Value(chave)}))
      log.Edit();
    else {
      log.Append();
      log.FieldByName("CodigoEmpresa").SetAsInteger(empresa);
      log.FieldByName("ChaveLctoCtb").SetAsFloat(chave);
    }
    log.FieldByName("ChaveLctoCtbNovo").SetAsFloat(chaveNova);
    log.Post();
    if (indice < FResultados.size()) {
      FResultados[indice].ChaveLctoCtbNovo = chaveNova;
      FIndicePorChave.erase({empresa, chave});
      FIndicePorChave[{empresa, chaveNova}] = indice;
    }
    return;
  }
  ++FControleErros;
  std::string mensagem;
  const auto parte = [&](const char* rotulo, const char* nome) {
    if (const TField& field = dataSet.FieldByName(nome); !field.IsNull())
      mensagem += fmt::format("{}: {}  ", rotulo, field.AsString());
  };
  parte("Débito", "CONTACTBDEB");
  parte("Crédito", "CONTACTBCRED");
  parte("Histórico", "CODIGOHISTCTB");
  mensagem += "Valor: " + FormatFloat("0.00", dataSet.FieldByName("VALORLCTOCTB").AsCurrency()) +
              "  Msg BD: " + UmaLinha(texto);
  if (indice < FResultados.size()) {
    FResultados[indice].Recusado = true;
    FResultados[indice].ChaveLctoCtbNovo = 0;
    MsgLcto(indice, kMsgErro, mensagem);
  } else {
    Msg(kMsgErro, mensagem);
  }
}

void TnDMContabilizaContabil::DoClientDataSetReconcileErrorGER(TnClientDataSet& dataSet,
                                                               const std::string& message,
                                                               TUpdateKind /*kind*/,
                                                               TReconcileAction& /*action*/) {
  ++FControleErros;
  const std::string mensagem = "Msg BD: " + UmaLinha(TextoDoErro(message));
  int64_t empresa = dataSet.FieldByName("CODIGOEMPRESA").AsInteger();
  double chave = dataSet.FieldByName("CHAVELCTOCTB").AsFloat();
  if (cdsLctoCtbErroPK.FindKey({Value(empresa), Value(chave)}))
    chave = cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").AsFloat();
  if (const size_t indice = IndiceDaChave(empresa, chave); indice < FResultados.size())
    MsgLcto(indice, kMsgErro, mensagem, NomeDoGerencial(dataSet));
  else
    Msg(kMsgErro, mensagem);
}

void TnDMContabilizaContabil::DoDataSetProviderBeforeUpdateRecordGER(TnDelta& delta,
                                                                     size_t record) {
  if (cdsLctoCtbErroPK.IsEmpty())
    return;
  const Value empresa = Nutildb::PegarValorDelta(delta, record, "CODIGOEMPRESA");
  const Value chave = Nutildb::PegarValorDelta(delta, record, "CHAVELCTOCTB");
  if (cdsLctoCtbErroPK.FindKey({empresa, chave}))
    delta.SetNewValue(record, delta.DataSet().FieldByName("CHAVELCTOCTB"),
                      cdsLctoCtbErroPK.FieldByName("ChaveLctoCtbNovo").AsValue());
}

// ---- The accounts that take managerial rows ----

std::unique_ptr<TnClientDataSet> TnDMContabilizaContabil::CriarContaCtbRateio(
    int64_t codigoEmpresa) {
  auto contas = std::make_unique<TnClientDataSet>();
  contas->AddField("CONTACTB", TFieldType::ftFloat, 10);
  contas->CreateDataSet();
  contas->SetLogChanges(false);
  contas->SetIndexFieldNames("CONTACTB");
  std::unique_ptr<TnClientDataSet> grupos = Nutildb::ExecutarSQL(
      Conexao(),
      "select PE.CLASSIFCONTA from PLESPECCENCUS RC join PLANOESPEC PE on PE.CODIGOEMPRESA = "
      "RC.CODIGOEMPRESA and PE.CONTACTB = RC.CONTACTB where PE.CODIGOEMPRESA = " +
          Nutil::ValorParaSQL(Value(codigoEmpresa)));
  std::unique_ptr<TnClientDataSet> analiticas = Nutildb::ExecutarSQL(
      Conexao(),
      "select CONTACTB, CLASSIFCONTA from PLANOESPEC where TIPOCONTA = 2 and CODIGOEMPRESA = "
      ":pCodigoEmpresa ",
      {{"pCodigoEmpresa", Value(codigoEmpresa)}});
  for (grupos->First(); !grupos->Eof(); grupos->Next()) {
    analiticas->SetFilter("CLASSIFCONTA like " +
                          Nutil::ValorParaFiltro(Value(
                              Nutil::Trim(grupos->FieldByName("CLASSIFCONTA").AsString()) + "%")));
    analiticas->SetFiltered(true);
    for (analiticas->First(); !analiticas->Eof(); analiticas->Next()) {
      const Value conta = analiticas->FieldByName("CONTACTB").AsValue();
      if (!contas->FindKey({conta}))
        contas->AppendRecord({conta});
    }
  }
  Nutildb::DestruirSQL(grupos);
  Nutildb::DestruirSQL(analiticas);
  return contas;
}

// ---- The modules that write ----

void TnDMContabilizaContabil::CriarDMLcto() {
  if (FDMLctoCtb)
    return;
  auto modulo = Nutilform::CriarDMNovo<TnCtbDMLctoCtb>(TnCtbDMLctoCtb::kClassName);
  modulo->SetConexao(ConexaoDefinida());
  modulo->SetIgnorarLookup(true);
  modulo->SetImportacao(true);
  modulo->SetTemTela(false);
  modulo->SetAplicarAoGravar(false);
  modulo->SetPodeConfigurarVisual(false);
  modulo->SetPodeLancarGerencial(true);
  modulo->SetApplyUpdatesManual(true);
  modulo->SetCarregarDetalhesDinamicamente(true);
  modulo->ConfigSobDemanda();
  modulo->Configurar(nullptr);
  modulo->nClientDataSet.OnReconcileError = [this](TnClientDataSet& ds, const std::string& msg,
                                                   TUpdateKind kind, TReconcileAction& action) {
    DoClientDataSetReconcileErrorCTB(ds, msg, kind, action);
  };
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, cdsLctoCtb.FieldByName("CodigoEmpresa").AsValue());
  selecao.SetParam(kSelDataInicial, Value(EncodeDate(1900, 1, 1)));
  selecao.SetParam(kSelDataFinal, Value(EncodeDate(9999, 12, 31)));
  modulo->Abrir(&selecao);
  FDMLctoCtb = std::move(modulo);
  FDMLctoGer = &FDMLctoCtb->GetDMLctoGer();
  FDMLctoGer->nClientDataSet.OnReconcileError = [this](TnClientDataSet& ds, const std::string& msg,
                                                       TUpdateKind kind, TReconcileAction& action) {
    DoClientDataSetReconcileErrorGER(ds, msg, kind, action);
  };
  // The module's own handler still sees every row after the key is fixed.
  auto anterior = FDMLctoGer->nDataSetProvider.BeforeUpdateRecord;
  FDMLctoGer->nDataSetProvider.BeforeUpdateRecord =
      [this, anterior](TnDataSetProvider& sender, TnSQLDataSet* source, TnDelta& delta,
                       size_t record, TUpdateKind kind, bool& applied) {
        DoDataSetProviderBeforeUpdateRecordGER(delta, record);
        if (anterior)
          anterior(sender, source, delta, record, kind, applied);
      };
}

void TnDMContabilizaContabil::DestruirDMLcto() {
  if (!FDMLctoCtb)
    return;
  for (TnClientDataSet* cds : {&FDMLctoGer->nClientDataSet, &FDMLctoCtb->nClientDataSet}) {
    if (cds->State() == TDataSetState::dsInsert || cds->State() == TDataSetState::dsEdit)
      cds->Cancel();
    cds->CancelUpdates();
  }
  FDMLctoGer = nullptr;
  FDMLctoCtb.reset();
}
