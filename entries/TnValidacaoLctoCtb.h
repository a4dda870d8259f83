#pragma once
// The ordered rule chain an entry passes before it is written, as a unit of
// its own: a function of the entry (TnLctoCtbEmValidacao: the typed record
// as it is and as it was read, and the little the typed record leaves out),
// the settings the module gathered (TnConfigLctoCtb), the user's session
// (connection, rights, dialogs, personalisation, settings caches), the
// little the module itself knows (TnContextoValidacaoLctoCtb) and what it
// answers (TnConsultasLctoCtb).
//
// A rule refuses with the exact text the accountant reads (EnField when one
// field is at fault, Exception otherwise) or asks; a refusing answer ends in
// a silent abort (EAbort).
//
// What it never does: write to the database or to the record. What a rule
// settles about the record itself (an origin key taken over, a zero
// programmed entry made empty) it returns (TnAjustesLctoCtb), for the module
// to write once the whole chain has passed. It holds references only; build
// one per check.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "entries/TnConfigLctoCtb.h"
#include "entries/TnConsultasLctoCtb.h"
#include "entries/nCtbDMLctoCtbCloudUtil_U.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/ctb/TLctoCtb.h"

class TField;
class TnClientDataSet;
class TnSessao;

using TFuncVerificaLimite = std::function<bool(TDateTime)>;

// The chart and history look-ups the chain already made, for a run of
// entries in which they do not change (one batch of an import, inside its
// transaction): a batch of thousands of entries on a few hundred accounts
// asks the database once per account.
struct TnCacheValidacaoLctoCtb {
  // TIPOCONTA by (company, account); null for an account not in the chart.
  std::map<std::pair<int64_t, int64_t>, Value> TipoConta;
  // Whether a history code names an active history.
  std::map<std::string, bool> HistoricoAtivo;
  // CLASSIFCONTA by (company, account), trimmed; empty outside the chart.
  std::map<std::pair<int64_t, int64_t>, std::string> ClassifConta;
  // The periods (first and last day) of a company's IFRS adoption models.
  std::map<int64_t, std::vector<std::pair<TDateTime, TDateTime>>> PeriodosModeloIFRS;
  // Whether an account (company, account) takes cost-centre apportionment:
  // its classification or a group above it is an apportioned group.
  std::map<std::pair<int64_t, int64_t>, bool> ContaRateio;
  // Whether a company (company, establishment) has the establishment.
  std::map<std::pair<int64_t, int64_t>, bool> Estabelecimento;

  void Limpar() {
    TipoConta.clear();
    HistoricoAtivo.clear();
    ClassifConta.clear();
    PeriodosModeloIFRS.clear();
    ContaRateio.clear();
    Estabelecimento.clear();
  }
};

class TnDMConexao;

// An account's classification (trimmed; empty when the account is not in the
// chart), read once per batch while `cache` keeps it; every time without one.
std::string ClassificacaoDaConta(TnDMConexao& conexao, TnCacheValidacaoLctoCtb* cache,
                                 int64_t empresa, int64_t conta);

// Which of the codes the chain reads hold a value, zero included: the typed
// record reads an empty code as 0, but the chain passes over an account, an
// establishment or a history left empty and refuses one typed as 0.
struct TPreenchidosLctoCtb {
  bool CodigoEstab = false;
  bool ContaCtbDeb = false;
  bool ContaCtbCred = false;
  bool CodigoHistCtb = false;
  bool DataLctoCtb = false;

  bool Conta(int natureza) const { return natureza == 1 ? ContaCtbDeb : ContaCtbCred; }
};

// The entry the chain checks, read once from the current record of a data
// set holding LCTOCTB's fields (the journal-entry module's client data set,
// its web twin's, or one built in memory).
struct TnLctoCtbEmValidacao {
  // The entry as it is, and as it was read (before an edit; the same as it
  // is outside one; none while inserting).
  TLctoCtb Lcto;
  TPreenchidosLctoCtb Preenchidos;
  TLctoCtb Anterior;
  TPreenchidosLctoCtb PreenchidosAnterior;
  bool Inserindo = false;
  bool Editando = false;
  // The links to other modules the rules look at.
  std::string ChaveOrigem;    // the generating module's key, when another module made it
  std::string LctoConcilDeb;  // "2": the debit side is bank-reconciled
  // A programmed entry of 0 whose field reads zero as empty.
  bool LctoProgZeroComoVazio = false;
  // The accounts' labels as the form shows them, for the refusal of an
  // account outside the chart.
  std::string RotuloContaDeb;
  std::string RotuloContaCred;

  static TnLctoCtbEmValidacao DoRegistro(const TnClientDataSet& registro);
  const std::string& RotuloConta(int natureza) const {
    return natureza == 1 ? RotuloContaDeb : RotuloContaCred;
  }
};

// What the chain settled about the record itself.
struct TnAjustesLctoCtb {
  // The person took over another module's entry: its origin key goes.
  bool LimparChaveOrigem = false;
  // A programmed entry of 0 means none.
  bool EsvaziarLctoProg = false;

  // Writes them into the current record (in insert or edit).
  void Aplicar(TnClientDataSet& registro) const;
};

// How the chain runs for the data module it checks for, and what the module
// remembers between posts: values only; what the chain asks of the module
// goes through TnConsultasLctoCtb.
struct TnContextoValidacaoLctoCtb {
  // The record's company, else the selection's.
  int64_t CodigoEmpresa = 0;
  bool TemTela = false;
  bool Importacao = false;
  // Entries generated by another module: no history check.
  bool Automatico = false;
  // The selected period: the first date (null when none was selected) and
  // the last.
  Value DataInicialSelecao;
  TDateTime DataFinalSelecao;
  // Look-ups already answered in this batch; nullptr asks every time.
  TnCacheValidacaoLctoCtb* Cache = nullptr;
  // The last entry saved by the module; nullptr when it keeps none.
  const TUltLctoCtb* UltLctoCtb = nullptr;
  // Date and type of the first entry of the open transaction.
  TDateTime OldTransDate;
  std::string OldTransTipoLcto;

  // With a screen and not importing: the rules that need a person apply.
  bool Tela() const { return TemTela && !Importacao; }
};

class TnValidacaoLctoCtb {
 public:
  TnValidacaoLctoCtb(const TnLctoCtbEmValidacao& entrada, const TnConfigLctoCtb& config,
                     TnSessao& sessao, const TnContextoValidacaoLctoCtb& contexto,
                     TnConsultasLctoCtb& consultas);

  // The chain, in its order; what it settled about the record.
  TnAjustesLctoCtb ValidarDado();

  // Rules the module also runs on its own (edit, delete).
  void ValidarAlteracaoLctoCtb();
  void VerificarLimiteUsuario();
  // The module's own writes: a field the person may not edit (disabled on
  // the screen) still takes its defaults and derived values.
  static void Atribuir(TField& field, const Value& valor);
  // An account's control type as the accountant reads it ("LN" both).
  static std::string GetDescricaoTipoLancamentoConta(const std::string& tipo);

 private:
  void ValidarModeloIFRS();
  bool ValidarContaVinculadaGrupoHisLcto();
  void VerificaSeEstaDentroLimiteUsu(const TFuncVerificaLimite& verificar,
                                     TTipoFuncVerificaLimite tipo);
  bool EstaDentroDoLimiteUsu(TDateTime data);
  bool EstaDentroDoLimiteUsuCache(TDateTime data);
  std::string GetMsgDataForaDoLimite(TTipoFuncVerificaLimite tipo);
  std::string GetMsgDataForaDoLimiteDataAnterior(TDateTime data, TTipoFuncVerificaLimite tipo);
  bool HistoricoAtivo();
  void ValidarMesmoUltimoLcto();
  void ValidarPartidaDobrada();
  void ValidarDatas(TDateTime data, const std::string& origem);
  void ValidarEstabelecimento();
  void ValidarContaTipo(int natureza, const char* mensagem);
  void ValidarContas();
  void ValidarLote();
  void ValidarTransacao();
  void ValidarOrigemFiscal();
  void ValidarIFRS();
  void ValidarContaControleContabil(int natureza);
  void ValidarHistorico();
  void LimitesDoTipo(TTipoFuncVerificaLimite tipo, TDateTime& inicio, TDateTime& fim);

  const TnLctoCtbEmValidacao& FEntrada;
  const TLctoCtb& FLcto;
  const TnConfigLctoCtb& FConfig;
  TnSessao& FSessao;
  const TnContextoValidacaoLctoCtb& FContexto;
  TnConsultasLctoCtb& FConsultas;
};
