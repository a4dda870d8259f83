#pragma once
// Exchange rates (COTACAO) and the functional-currency option of an
// establishment (OPCAOMOEDAFUNCIONAL).
//
// TnUtilCotacao is positioned on a currency and a date (DadosCotacao) and
// converts amounts in reais into that currency at the day's rate. A day
// without a rate converts at the last earlier one and raises the
// invalid-rate indicator (GetUsouCotacaoInvalida), which the caller reads
// after each conversion; with no rate at all the result is 0. The rates of a
// currency are read once and kept until LimparChave.
//
// TnUtilOpcaoMoedaFuncional is positioned on company, establishment and date
// and tells whether the option holds there, in which currency, and gives a
// rate service positioned on that currency and date.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/TaxaFixa.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilCtbBase.h"

class TnUtilCotacao : public TnUtilCtbBase {
 public:
  using TnUtilCtbBase::TnUtilCtbBase;
  // The rate type ConverterValorEmMoeda uses: the day's closing rate.
  static constexpr int kTipoCotacaoConversao = static_cast<int>(TTipoCotacaoConta::tcFechamento);

  void DadosCotacao(int codigoMoeda, TDateTime data);
  int GetCodigoMoeda() const { return FCodigoMoeda; }
  TDateTime GetData() const { return FData; }

  // The positioned day's rate of the type; 0 when the day has none.
  TTaxaFixa GetCotacao(int tipoCotacao = kTipoCotacaoConversao);
  // Amount in reais -> amount in the positioned currency, rounded to cents
  // (half away from zero). Sets the invalid-rate indicator.
  Currency ConverterValorEmMoeda(Currency valor);
  // Whether the last conversion had no rate of its own day.
  bool GetUsouCotacaoInvalida() const { return FUsouCotacaoInvalida; }
  // The last positive rate of the type on or before the positioned date; 0
  // when there is none (the neutral type never has one).
  TTaxaFixa GetUltimaCotacaoValida(TTipoCotacaoConta tipo);
  TTaxaFixa GetUltimaCotacaoValida(int tipoCotacao);

  void LimparChave() override;

 private:
  struct TCotacao {
    TDateTime Data;
    TTaxaFixa Valor;
  };
  const std::vector<TCotacao>& Cotacoes(int tipoCotacao);

  // Positioning.
  int FCodigoMoeda = 0;
  TDateTime FData;
  bool FUsouCotacaoInvalida = false;
  // Cached by currency: type -> rates in date order.
  std::optional<int> FChaveMoeda;
  std::map<int, std::vector<TCotacao>> FCotacoes;
};

class TnUtilOpcaoMoedaFuncional : public TnUtilCtbBase {
 public:
  explicit TnUtilOpcaoMoedaFuncional(TnSessao& sessao) : TnUtilCtbBase(sessao), FCotacao(sessao) {}
  void SetCodigoEmpresa(int64_t codigoEmpresa);
  void SetCodigoEstab(int codigoEstab);
  void SetData(TDateTime data);
  void Posicionar(int64_t codigoEmpresa, int codigoEstab, TDateTime data) {
    SetCodigoEmpresa(codigoEmpresa);
    SetCodigoEstab(codigoEstab);
    SetData(data);
  }

  // Whether the positioned establishment keeps its books in a functional
  // currency at the positioned date.
  bool GetUtilizaMoedaFunc();
  // The functional currency then; 0 when the option does not hold.
  int GetCodigoMoeda();
  // The currency's symbol ("US$"); "" without the option.
  std::string GetCifraOuSimbolo();
  // A rate service positioned on the functional currency and the date.
  TnUtilCotacao& GetCotacao();

  // Whether some establishment of the company (all of them when
  // codigoEstab <= 0) has an option whose window meets the period.
  bool TemFilialComOpcaoValida(int64_t codigoEmpresa, int codigoEstab, TDateTime dataInicial,
                               TDateTime dataFinal);

  void LimparChave() override;

 private:
  void Carregar();

  // Positioning.
  int64_t FCodigoEmpresa = 0;
  int FCodigoEstab = 0;
  TDateTime FData;
  // The option windows of each establishment asked about, latest start
  // first, read once for (company, establishment): a date is answered from
  // them, so a run of entries on many dates reads the table once.
  struct TJanela {
    TDateTime Inicio;
    TDateTime Fim;  // zero: open-ended
    int CodigoMoeda = 0;
    std::string CifraOuSimbolo;
  };
  std::map<std::pair<int64_t, int>, std::vector<TJanela>> FJanelas;
  // The option at the positioned date.
  int FCodigoMoeda = 0;
  std::string FCifraOuSimbolo;
  TnUtilCotacao FCotacao;
};

TnUtilCotacao& ControleCotacao();
TnUtilOpcaoMoedaFuncional& ControleOpcaoMoedaFuncional();
