#include "trialbalance/nCtbDPGerarSaldoGerIndividual_U.h"

#include <map>
#include <tuple>

#include "framework/app/Nutilform.h"
#include "framework/core/Currency.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"

namespace {

struct TValores {
  Currency AntDeb, AntCred, Deb, Cred;
  int Estabs = 0;  // establishments summed into an establishment-0 row
};

struct TConta {
  std::string Classif;
  std::string Descr;
};

}  // namespace

TnCtbDPGerarSaldoGerIndividual::TnCtbDPGerarSaldoGerIndividual() {
  for (const char* alias :
       {"pCodigoEmpresa", "pCodigoEstab", "pClassifCentroCusto", "pContaCtb", "pClassifContaCtb",
        "pDataInicial", "pDataFinal", "pCodigoMoeda", "pRelacionarEstab", "pTipoAgruparData",
        "pTipoMesclarPlano", "pConsiderarFiltroLctoCtb", "pFiltroOrigemLcto",
        "pListarContasMovimentoZero", "pListarCentroSint", "pListarSinteticasSemAnaliticas",
        "pListaContaSemRateio", "pCodigoIdioma", "pConsiderarZeramentoGer"})
    npqPowerParam.Add(alias, alias, TTipoParam::tpTexto);
  CriarDataSet();
}

TnCtbDPGerarSaldoGerIndividual::~TnCtbDPGerarSaldoGerIndividual() {
  AguardarParalelo();
}

void TnCtbDPGerarSaldoGerIndividual::CriarDataSet() {
  nClientDataSet.AddField("CONTACTB", TFieldType::ftFloat);
  nClientDataSet.AddField("CLASSIFCONTA", TFieldType::ftString, 30);
  nClientDataSet.AddField("TIPOCONTA", TFieldType::ftSmallint);
  nClientDataSet.AddField("DESCRCONTA", TFieldType::ftString, 50);
  nClientDataSet.AddField("CODIGOESTAB", TFieldType::ftSmallint);
  nClientDataSet.AddField("CODIGOCENTROCUSTO", TFieldType::ftLargeint);
  nClientDataSet.AddField("DATASALDO", TFieldType::ftDate);
  for (const char* campo : {"SALDOANTERIOR", "DEBITO", "CREDITO", "MOVIMENTO", "SALDOATUAL"}) {
    TField& field = nClientDataSet.AddField(campo, TFieldType::ftBCD);
    field.SetPrecision(18);
    field.SetScale(2);
  }
  nClientDataSet.AddField("SEMSALDOMOV", TFieldType::ftInteger);
  nClientDataSet.AddField("SINTFILIAL", TFieldType::ftInteger);
  nClientDataSet.CreateDataSet();
  nClientDataSet.SetLogChanges(false);
}

void TnCtbDPGerarSaldoGerIndividual::Executar() {
  TnDMPowerParam::Executar();
  nClientDataSet.EmptyDataSet();
  const int64_t empresa = Param("pCodigoEmpresa").AsInteger(0);
  const TDateTime inicio = Param("pDataInicial").AsDate();
  const TDateTime fim = Param("pDataFinal").AsDate();
  if (empresa == 0 || inicio.IsZero() || fim.IsZero() || fim < inicio)
    return;
  const bool porEstab = Param("pRelacionarEstab").AsInteger(0) == 1;
  const bool listarZero = Param("pListarContasMovimentoZero").AsInteger(1) == 1;

  const std::string sql =
      "select G.CONTACTB, G.CODIGOCENTROCUSTO, L.CODIGOESTAB, "
      "sum(case when G.DATALCTOCTB < :pInicio and G.NATURLCTOCTB = 1 then G.VALORLCTOGER else 0 "
      "end) as ANTDEB, "
      "sum(case when G.DATALCTOCTB < :pInicio and G.NATURLCTOCTB = -1 then G.VALORLCTOGER else 0 "
      "end) as ANTCRED, "
      "sum(case when G.DATALCTOCTB >= :pInicio and G.NATURLCTOCTB = 1 then G.VALORLCTOGER else "
      "0 end) as DEB, "
      "sum(case when G.DATALCTOCTB >= :pInicio and G.NATURLCTOCTB = -1 then G.VALORLCTOGER else "
      "0 end) as CRED "
      "from LCTOGER G join LCTOCTB L on L.CODIGOEMPRESA = G.CODIGOEMPRESA "
      "and L.CHAVELCTOCTB = G.CHAVELCTOCTB "
      "where G.CODIGOEMPRESA = :pEmpresa and G.DATALCTOCTB <= :pFim" +
      Nutilinclusao::FilterInterval("L.CODIGOESTAB", Param("pCodigoEstab").AsString(),
                                    Nutilinclusao::TTipoInclusao::tiNumerica) +
      " group by G.CONTACTB, G.CODIGOCENTROCUSTO, L.CODIGOESTAB";
  auto cursor = Nutildb::ExecutarSQL(
      Conexao(), sql,
      {{"pInicio", Value(inicio)}, {"pFim", Value(fim)}, {"pEmpresa", Value(empresa)}});
  // (account, cost centre, establishment) -> amounts; establishment 0 sums.
  std::map<std::tuple<int64_t, int64_t, int64_t>, TValores> valores;
  for (cursor->First(); !cursor->Eof(); cursor->Next()) {
    const int64_t conta = cursor->FieldByName("CONTACTB").AsLargeInt();
    const int64_t centro = cursor->FieldByName("CODIGOCENTROCUSTO").AsLargeInt();
    const int64_t estab = cursor->FieldByName("CODIGOESTAB").AsInteger();
    TValores linha{Nutil::RoundValor(cursor->FieldByName("ANTDEB").AsCurrency(), 2),
                   Nutil::RoundValor(cursor->FieldByName("ANTCRED").AsCurrency(), 2),
                   Nutil::RoundValor(cursor->FieldByName("DEB").AsCurrency(), 2),
                   Nutil::RoundValor(cursor->FieldByName("CRED").AsCurrency(), 2)};
    TValores& total = valores[{conta, centro, 0}];
    total.AntDeb += linha.AntDeb;
    total.AntCred += linha.AntCred;
    total.Deb += linha.Deb;
    total.Cred += linha.Cred;
    ++total.Estabs;
    if (porEstab)
      valores[{conta, centro, estab}] = linha;
  }
  Nutildb::DestruirSQL(cursor);

  std::map<int64_t, TConta> plano;
  auto contas = Nutildb::ExecutarSQL(
      Conexao(),
      "select CONTACTB, CLASSIFCONTA, DESCRCONTA from PLANOESPEC where CODIGOEMPRESA = "
      ":pEmpresa and TIPOCONTA = 2",
      {{"pEmpresa", Value(empresa)}});
  for (contas->First(); !contas->Eof(); contas->Next())
    plano[contas->FieldByName("CONTACTB").AsLargeInt()] = {
        contas->FieldByName("CLASSIFCONTA").AsString(),
        contas->FieldByName("DESCRCONTA").AsString()};
  Nutildb::DestruirSQL(contas);

  const TnNaturezasGrupo& naturezas = PlanoEspecifico().CfgPlano(empresa);
  for (const auto& [chave, v] : valores) {
    const auto& [conta, centro, estab] = chave;
    auto it = plano.find(conta);
    if (it == plano.end())
      continue;
    const int natureza = naturezas.NaturezaGrupo(it->second.Classif);
    const Currency anterior = natureza == 1 ? v.AntDeb - v.AntCred : v.AntCred - v.AntDeb;
    const Currency movimento = natureza == 1 ? v.Deb - v.Cred : v.Cred - v.Deb;
    const bool semValor = v.AntDeb == v.AntCred && v.Deb == Currency() && v.Cred == Currency();
    if (!listarZero && semValor)
      continue;
    nClientDataSet.AppendRecord({Value(static_cast<double>(conta)), Value(it->second.Classif),
                                 Value(2), Value(it->second.Descr), Value(estab), Value(centro),
                                 Value(fim), Value(anterior), Value(v.Deb), Value(v.Cred),
                                 Value(movimento), Value(anterior + movimento),
                                 Value(!listarZero && semValor ? 1 : 0),
                                 Value(porEstab && estab == 0 && v.Estabs > 1 ? 1 : 0)});
  }
  nClientDataSet.First();
}
