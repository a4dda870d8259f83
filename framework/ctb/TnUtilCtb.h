#pragma once
// The company's accounting settings and chart of accounts as the module asks
// for them: the configuration array of CFGEMPRESACTB, one account's data
// (validity, nature, rate type, parent group) and the natures of the chart's
// groups (NATUREZAGRUPO).
//
// ControleCTB() is positioned with SetCodigoEmpresa and SetConta and then
// answers for that company and account. Per company it caches the
// configuration row and the group natures; the account's data is read when
// the account changes. LimparChaveOld drops the cached company, so the next
// use reads the settings again (the web host does this for every screen).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Value.h"
#include "framework/ctb/TnUtilCtbBase.h"

// The rate an account converts at (PLANOESPEC.TIPOCOTACAO). 1 is neutral:
// nothing is suggested with it, and an account without a type has it.
enum class TTipoCotacaoConta : int { tcFechamento = 0, tcNeutra = 1, tcMedia = 2, tcHistorica = 3 };

// Items of GetCFGEmpresaCtb, in the order the configuration array keeps them.
enum TItemCfgEmpresaCtb : int {
  kCfgDataInicialExerc = 0,
  kCfgDataFinalExerc,
  kCfgUtilOrigemLctoCtb,
  kCfgUtilNumeroDcto,
  kCfgUtilLote,
  kCfgUtilCentroCusto,
  kCfgInicioUtilCentroCusto,
  kCfgUtilDifLancamento,
  kCfgTipoExibeTituloSaldo,
  kCfgDataInicialLctoUsu,
  kCfgDataFinalLctoUsu,
  kCfgUtilUltimosLcto,
  kCfgInformaCodigoSyn,
  kCfgQtdItens
};

// One account of the chart, as ControleCTB().DadosConta() gives it.
struct TDadosConta {
  int64_t ContaCtb = 0;
  std::string ClassifConta;
  std::string DescrConta;
  int TipoConta = 0;  // 1 synthetic, 2 analytic
  TTipoCotacaoConta TipoCotacao = TTipoCotacaoConta::tcNeutra;
  std::string ApelidoConta;
  std::string TipoControleContabil;
  // The group above it; 0 and "" at the top of the chart or when the
  // chart lacks the group.
  int64_t ContaPai = 0;
  std::string DescrPai;
};

// The natures of a company's groups: an account takes the nature of the
// longest prefix of its classification found among them. Punctuation is
// ignored on both sides, so "1.1" and "11" name the same group.
class TnNaturezasGrupo {
 public:
  TnNaturezasGrupo() = default;
  TnNaturezasGrupo(TnDMConexao& conexao, int64_t codigoEmpresa);

  int64_t CodigoEmpresa() const { return FCodigoEmpresa; }
  // 1 debit nature, -1 credit nature; raises Exception when no group holds
  // the classification.
  int NaturezaGrupo(const std::string& classificacao) const;
  std::optional<int> ProcurarNatureza(const std::string& classificacao) const;

 private:
  int64_t FCodigoEmpresa = 0;
  // Set at creation: prefix without punctuation -> nature.
  std::map<std::string, int> FNaturezas;
};

class TnUtilCtb : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa);
  int64_t GetCodigoEmpresa() const { return FCodigoEmpresa; }

  // Positions on an account of the positioned company. `textoLookup` is
  // what the account field shows beside the code; it is kept for the
  // labels and never used to find the account.
  void SetConta(int64_t conta, const std::string& textoLookup = "");
  int64_t GetConta() const { return FConta; }
  const std::string& GetTextoLookup() const { return FTextoLookup; }

  // Whether the positioned account exists in the company's chart.
  bool GetContaValida();
  // The positioned account's data; raises Exception when it is not valid.
  const TDadosConta& DadosConta();
  // The positioned account's nature (1 / -1); raises when no group of
  // NATUREZAGRUPO holds its classification or the account is not valid.
  int GetNatureza();
  // Parent group of the positioned account, for the debit and the credit
  // title labels (the account field of each side positions first): the
  // parent's number as text ("" at the top) and its description.
  std::string GetContaDebPai() { return ContaPai(); }
  std::string GetDescrDebPai() { return DescrPai(); }
  std::string GetContaCredPai() { return ContaPai(); }
  std::string GetDescrCredPai() { return DescrPai(); }

  // The company's configuration, items 0..12 (TItemCfgEmpresaCtb); an item
  // is null when its column is; nullopt when the company has no row.
  const std::optional<ValueArray>& GetCFGEmpresaCtb();
  // The company's standard chart (CFGEMPRESACTB.CODIGOPADRAO); null when
  // unset or without a row.
  Value GetCodigoPadrao();
  const TnNaturezasGrupo& Naturezas();

  // Drops the cached company and account.
  void LimparChaveOld() { LimparChave(); }
  void LimparChave() override;

  // How many times the company settings were read (for tests of the cache).
  int LeiturasEmpresa() const { return FLeiturasEmpresa; }

 private:
  void CarregarEmpresa();
  void CarregarConta();
  std::string ContaPai();
  std::string DescrPai();

  // Positioning.
  int64_t FCodigoEmpresa = 0;
  int64_t FConta = 0;
  std::string FTextoLookup;
  // Cached by company key (FChaveEmpresa = company read, or nullopt).
  std::optional<int64_t> FChaveEmpresa;
  std::optional<ValueArray> FCfgEmpresa;
  Value FCodigoPadrao;
  TnNaturezasGrupo FNaturezas;
  int FLeiturasEmpresa = 0;
  // Cached by account key (company, account).
  std::optional<std::pair<int64_t, int64_t>> FChaveConta;
  std::optional<TDadosConta> FDadosConta;
};

// Natures by classification for the balance processes, one cached chart per
// company.
class TnUtilNaturezaGrupoContaPlanoEspecifico : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  const TnNaturezasGrupo& CfgPlano(int64_t codigoEmpresa);
  void LimparChave() override { FPlanos.clear(); }

 private:
  std::map<int64_t, TnNaturezasGrupo> FPlanos;
};

TnUtilCtb& ControleCTB();
TnUtilNaturezaGrupoContaPlanoEspecifico& PlanoEspecifico();
