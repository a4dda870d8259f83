#pragma once
// The company's accounting options that the entry rules consult: IFRS
// (OPCAOIFRS), SPED books (OPCAOSPEDCTBDET), FCONT (OPCAOFCONT), the posting
// window of a limited user (LIMITEUSUARIOCTB, else the company's window in
// CFGEMPRESACTB) and the situation of the fiscal year (EXERCICIOSOCIALCTB).
//
// Each is positioned first (company, and the date where the option depends
// on it) and caches what it read under that key until LimparChave (or
// LimparOlds) or a different key.

#include <optional>
#include <string>
#include <utility>

#include "framework/ctb/TnUtilCtbBase.h"

class TnUtilOpcaoIFRS : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa) { FCodigoEmpresa = codigoEmpresa; }
  // Whether the company opted for IFRS (an option with a date).
  bool GetEhOptanteIFRS();
  // The option date; 0 without the option.
  TDateTime GetDATAOPCAO();
  // Whether the company keeps activity control.
  bool GetCTRLAATIVIDADE();
  TDateTime GetDATAINIATIVIDADE();
  void LimparChave() override { FChave.reset(); }

 private:
  void Carregar();
  int64_t FCodigoEmpresa = 0;
  // Cached by company.
  std::optional<int64_t> FChave;
  TDateTime FDataOpcao;
  bool FCtrlAtividade = false;
  TDateTime FDataIniAtividade;
};

class TnUtilSPEDContabil : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa) { FCodigoEmpresa = codigoEmpresa; }
  void SetDataFinal(TDateTime data) { FDataFinal = DateOf(data); }
  // Whether some establishment of the company opted for SPED books on or
  // before the final date.
  bool GetEhOpSPEDCtb();
  void LimparChave() override { FChave.reset(); }

 private:
  int64_t FCodigoEmpresa = 0;
  TDateTime FDataFinal;
  std::optional<std::pair<int64_t, double>> FChave;
  bool FPossuiSPED = false;
};

class TnUtilFCONT : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa) { FCodigoEmpresa = codigoEmpresa; }
  // Finds the option in force at `data`: the latest option date on or
  // before it. GetDataOpcao is then that date, 0 when there is none.
  void ProcurarOpcao(TDateTime data);
  TDateTime GetDataOpcao() const { return FDataOpcao; }
  bool GetEhOptanteFCONT() const { return !FDataOpcao.IsZero(); }
  void LimparOlds() { LimparChave(); }
  void LimparChave() override {
    FChave.reset();
    FDataOpcao = TDateTime();
  }

 private:
  int64_t FCodigoEmpresa = 0;
  std::optional<std::pair<int64_t, double>> FChave;
  TDateTime FDataOpcao;
};

class TnUtilCtbLimiteUsuario : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  // Whether the user may post at `data` in the company: inside the user's
  // window, or the company's (CFGEMPRESACTB items 9 and 10) when the user
  // has none. Without a complete window raises
  // nCtbSPeriodoLancUsuNaoEspecificado.
  bool VerificarLimiteUsuario(int64_t codigoEmpresa, int64_t codigoUsuario, TDateTime data);
  // The window of the last check, for the refusal message.
  TDateTime GetDataInicialLimite() const { return FDataInicial; }
  TDateTime GetDataFinalLimite() const { return FDataFinal; }
  void LimparChave() override { FChave.reset(); }

 private:
  std::optional<std::pair<int64_t, int64_t>> FChave;
  TDateTime FDataInicial;
  TDateTime FDataFinal;
};

// Situation of the fiscal year holding a date.
inline constexpr int kSituacaoExercicioAberto = 0;
inline constexpr int kSituacaoExercicioFechado = 3;
inline constexpr int kSituacaoExercicioReelaborado = 4;

class TControleExercicioSocialCtb : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  void SetCodigoEmpresa(int64_t codigoEmpresa) { FCodigoEmpresa = codigoEmpresa; }
  void SetData(TDateTime data) { FData = DateOf(data); }
  // SITUACAO of the fiscal year holding the date; open (0) when none does.
  int GetSituacaoExercicio();
  void LimparChave() override { FChave.reset(); }

 private:
  int64_t FCodigoEmpresa = 0;
  TDateTime FData;
  std::optional<std::pair<int64_t, double>> FChave;
  int FSituacao = kSituacaoExercicioAberto;
};

TnUtilOpcaoIFRS& ControleOpcaoIFRS();
TnUtilSPEDContabil& ControleSPEDContabil();
TnUtilFCONT& UtilFCONT();
TnUtilCtbLimiteUsuario& ControleCtbLimiteUsuario();
TControleExercicioSocialCtb& ControleExercicioSocialCtb();
