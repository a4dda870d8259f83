#include "framework/ctb/TnUtilCotacao.h"

#include <algorithm>

#include "framework/db/TnSessao.h"

void TnUtilCotacao::DadosCotacao(int codigoMoeda, TDateTime data) {
  if (FChaveMoeda != codigoMoeda) {
    FCotacoes.clear();
    FChaveMoeda.reset();
  }
  FCodigoMoeda = codigoMoeda;
  FData = DateOf(data);
}

void TnUtilCotacao::LimparChave() {
  FChaveMoeda.reset();
  FCotacoes.clear();
  FUsouCotacaoInvalida = false;
}

const std::vector<TnUtilCotacao::TCotacao>& TnUtilCotacao::Cotacoes(int tipoCotacao) {
  TnDMConexao& conexao = Conexao();
  if (FChaveMoeda != FCodigoMoeda) {
    FCotacoes.clear();
    const TDbResult linhas = conexao.ExecuteQuery(
        "select TIPOCOTACAO, DATACOTACAO, VALORCOTACAO from COTACAO where CODIGOMOEDA = :pMoeda "
        "and VALORCOTACAO > 0 order by TIPOCOTACAO, DATACOTACAO",
        {{"pMoeda", FCodigoMoeda}});
    for (const ValueArray& linha : linhas.Rows)
      FCotacoes[static_cast<int>(linha[0].AsInteger())].push_back(
          {Data(linha[1]), TTaxaFixa::FromValue(linha[2])});
    FChaveMoeda = FCodigoMoeda;
  }
  static const std::vector<TCotacao> kNenhuma;
  const auto achou = FCotacoes.find(tipoCotacao);
  return achou == FCotacoes.end() ? kNenhuma : achou->second;
}

TTaxaFixa TnUtilCotacao::GetCotacao(int tipoCotacao) {
  const std::vector<TCotacao>& cotacoes = Cotacoes(tipoCotacao);
  const auto achou =
      std::lower_bound(cotacoes.begin(), cotacoes.end(), FData,
                       [](const TCotacao& cotacao, TDateTime data) { return cotacao.Data < data; });
  return achou != cotacoes.end() && achou->Data == FData ? achou->Valor : TTaxaFixa();
}

TTaxaFixa TnUtilCotacao::GetUltimaCotacaoValida(int tipoCotacao) {
  const std::vector<TCotacao>& cotacoes = Cotacoes(tipoCotacao);
  const auto depois =
      std::upper_bound(cotacoes.begin(), cotacoes.end(), FData,
                       [](TDateTime data, const TCotacao& cotacao) { return data < cotacao.Data; });
  return depois == cotacoes.begin() ? TTaxaFixa() : std::prev(depois)->Valor;
}

TTaxaFixa TnUtilCotacao::GetUltimaCotacaoValida(TTipoCotacaoConta tipo) {
  if (tipo == TTipoCotacaoConta::tcNeutra)
    return TTaxaFixa();
  return GetUltimaCotacaoValida(static_cast<int>(tipo));
}

Currency TnUtilCotacao::ConverterValorEmMoeda(Currency valor) {
  TTaxaFixa cotacao = GetCotacao(kTipoCotacaoConversao);
  FUsouCotacaoInvalida = cotacao == TTaxaFixa();
  if (FUsouCotacaoInvalida)
    cotacao = GetUltimaCotacaoValida(kTipoCotacaoConversao);
  return TaxaFixa::DividirEmCentavos(valor, cotacao, TRoundMode::HalfAwayFromZero);
}

void TnUtilOpcaoMoedaFuncional::SetCodigoEmpresa(int64_t codigoEmpresa) {
  FCodigoEmpresa = codigoEmpresa;
}
void TnUtilOpcaoMoedaFuncional::SetCodigoEstab(int codigoEstab) {
  FCodigoEstab = codigoEstab;
}
void TnUtilOpcaoMoedaFuncional::SetData(TDateTime data) {
  FData = DateOf(data);
}

void TnUtilOpcaoMoedaFuncional::LimparChave() {
  FJanelas.clear();
  FCotacao.LimparChave();
}

void TnUtilOpcaoMoedaFuncional::Carregar() {
  auto [janelas, novas] = FJanelas.try_emplace({FCodigoEmpresa, FCodigoEstab});
  if (novas) {
    const TDbResult opcoes = Conexao().ExecuteQuery(
        "select O.DATAINICIAL, O.DATAFINAL, O.CODIGOMOEDA, M.CIFRAOUSIMBOLO from "
        "OPCAOMOEDAFUNCIONAL O left join MOEDA M on M.CODIGOMOEDA = O.CODIGOMOEDA where "
        "O.CODIGOEMPRESA = :pEmpresa and O.CODIGOESTAB = :pEstab order by O.DATAINICIAL desc",
        {{"pEmpresa", FCodigoEmpresa}, {"pEstab", FCodigoEstab}});
    for (const ValueArray& linha : opcoes.Rows)
      janelas->second.push_back({linha[0].IsNull() ? TDateTime() : DateOf(linha[0].AsDateTime()),
                                 linha[1].IsNull() ? TDateTime() : DateOf(linha[1].AsDateTime()),
                                 static_cast<int>(linha[2].AsInteger()), linha[3].AsString()});
  }
  // The option valid at the date: the latest start whose window holds it.
  FCodigoMoeda = 0;
  FCifraOuSimbolo.clear();
  for (const TJanela& janela : janelas->second) {
    if (janela.Inicio <= FData && (janela.Fim.IsZero() || janela.Fim >= FData)) {
      FCodigoMoeda = janela.CodigoMoeda;
      FCifraOuSimbolo = janela.CifraOuSimbolo;
      return;
    }
  }
}

bool TnUtilOpcaoMoedaFuncional::GetUtilizaMoedaFunc() {
  return GetCodigoMoeda() != 0;
}

int TnUtilOpcaoMoedaFuncional::GetCodigoMoeda() {
  Carregar();
  return FCodigoMoeda;
}

std::string TnUtilOpcaoMoedaFuncional::GetCifraOuSimbolo() {
  Carregar();
  return FCifraOuSimbolo;
}

TnUtilCotacao& TnUtilOpcaoMoedaFuncional::GetCotacao() {
  Carregar();
  FCotacao.DadosCotacao(FCodigoMoeda, FData);
  return FCotacao;
}

bool TnUtilOpcaoMoedaFuncional::TemFilialComOpcaoValida(int64_t codigoEmpresa, int codigoEstab,
                                                        TDateTime dataInicial,
                                                        TDateTime dataFinal) {
  const Value existe = Conexao().ExecuteScalar(
      "select count(*) from OPCAOMOEDAFUNCIONAL where CODIGOEMPRESA = :pEmpresa and (:pEstab <= "
      "0 or CODIGOESTAB = :pEstab) and DATAINICIAL <= :pFim and (DATAFINAL is null or DATAFINAL "
      ">= :pInicio)",
      {{"pEmpresa", codigoEmpresa},
       {"pEstab", codigoEstab},
       {"pFim", DateOf(dataFinal)},
       {"pInicio", DateOf(dataInicial)}});
  return existe.AsInteger() > 0;
}

TnUtilCotacao& ControleCotacao() {
  return TnSessao::Atual().Servico<TnUtilCotacao>();
}

TnUtilOpcaoMoedaFuncional& ControleOpcaoMoedaFuncional() {
  return TnSessao::Atual().Servico<TnUtilOpcaoMoedaFuncional>();
}
