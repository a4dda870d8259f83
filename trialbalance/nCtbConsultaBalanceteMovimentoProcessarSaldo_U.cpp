#include "trialbalance/nCtbConsultaBalanceteMovimentoProcessarSaldo_U.h"

#include <nlohmann/json.hpp>

#include <map>

#include "framework/app/NutilAmbiente.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoFactory_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"

namespace {

constexpr int64_t kTipoSintetica = 1;
constexpr int64_t kTipoAnalitica = 2;

const char* const kIndiceChave = "CodigoConta;CodigoEstab;CodigoCentroCusto";
const char* const kIndiceFinal = "ClassifConta;TipoConta;CodigoConta;CodigoEstab;CodigoCentroCusto";

bool TemValor(const TMapCdsSaldoPlano& map) {
  return map.SaldoAnterior->AsFloat() != 0 || map.Debito->AsFloat() != 0 ||
         map.Credito->AsFloat() != 0;
}

// The establishments' short names ("Filial"): the first characters of the
// establishment's name, its code when it has none; the company as a whole
// (establishment 0) has none.
class TnApelidoEstab {
 public:
  explicit TnApelidoEstab(int64_t empresa) {
    auto cursor = Nutildb::ExecutarSQL(
        "select CODIGOESTAB, NOMEESTAB from ESTAB where CODIGOEMPRESA = :pCodigoEmpresa",
        {{"pCodigoEmpresa", Value(empresa)}});
    for (cursor->First(); !cursor->Eof(); cursor->Next())
      FNomes[cursor->FieldByName("CODIGOESTAB").AsInteger()] =
          Nutil::Trim(cursor->FieldByName("NOMEESTAB").AsString());
    Nutildb::DestruirSQL(cursor);
  }

  std::string Apelido(int64_t estab) const {
    if (estab == 0)
      return "";
    auto it = FNomes.find(estab);
    if (it == FNomes.end() || it->second.empty())
      return std::to_string(estab);
    return it->second;
  }

 private:
  std::map<int64_t, std::string> FNomes;
};

}  // namespace

struct TnCtbConsultaBalanceteMovimentoProcessarSaldo::TDadosEmpresa {
  explicit TDadosEmpresa(int64_t empresa)
      : Empresa(empresa),
        Apelidos(empresa),
        CentroCusto(
            Nutildb::ExecutarSQL(GetSqlCentroCusto(), {{"pCodigoempresa", Value(empresa)}})),
        ClienteFornecedor(RetornarContasClienteFornecedor(empresa)) {
    CentroCusto->SetIndexFieldNames("CODIGOCENTROCUSTO");
  }
  ~TDadosEmpresa() { Nutildb::DestruirSQL(CentroCusto); }
  TDadosEmpresa(const TDadosEmpresa&) = delete;
  TDadosEmpresa& operator=(const TDadosEmpresa&) = delete;

  int64_t Empresa;
  TnApelidoEstab Apelidos;
  std::unique_ptr<TnClientDataSet> CentroCusto;
  std::vector<std::string> ClienteFornecedor;
};

TnCtbConsultaBalanceteMovimentoProcessarSaldo::TDadosEmpresa&
TnCtbConsultaBalanceteMovimentoProcessarSaldo::DadosEmpresa(int64_t empresa) {
  if (!FDadosEmpresa || FDadosEmpresa->Empresa != empresa)
    FDadosEmpresa = std::make_shared<TDadosEmpresa>(empresa);
  return *FDadosEmpresa;
}

std::shared_ptr<IGerarSaldoBalancete> TnCtbConsultaBalanceteMovimentoProcessarSaldo::New() {
  return std::make_shared<TnCtbConsultaBalanceteMovimentoProcessarSaldo>();
}

std::shared_ptr<IGerarSaldoBalancete> TnCtbConsultaBalanceteMovimentoProcessarSaldo::Inicializar(
    const TnParametroConf& conf) {
  FParam = conf;
  return shared_from_this();
}

void TnCtbConsultaBalanceteMovimentoProcessarSaldo::AtualizaProgresso(TAtualizaProgresso callback) {
  FAtualizaProgresso = std::move(callback);
}

void TnCtbConsultaBalanceteMovimentoProcessarSaldo::AtualizaProgresso(
    const std::string& texto) const {
  if (FAtualizaProgresso)
    FAtualizaProgresso(texto);
}

TnDicionarioDataSetSaldo TnCtbConsultaBalanceteMovimentoProcessarSaldo::Executar() {
  TnDicionarioDataSetSaldo resultado;
  ProcessarSaldo(resultado);
  return resultado;
}

void TnCtbConsultaBalanceteMovimentoProcessarSaldo::ProcessarSaldo(
    TnDicionarioDataSetSaldo& resultado) {
  TnClientDataSet& cds = *(resultado[""] = Factory()->DataSetSaldo(FParam)->CriarDataSet());
  if (FParam.QuebrarMovPeriodo && UmaExecucaoMensal()) {
    ProcessarMesesDeUmaExecucao(cds);
    return;
  }
  TDateTime inicio = FParam.DataInicial;
  do {
    TDateTime fim = FParam.DataFinal;
    if (FParam.QuebrarMovPeriodo)
      fim = std::min(DateOf(EndOfTheMonth(inicio)), FParam.DataFinal);
    // The run's process and data set go as soon as the month is folded in.
    std::shared_ptr<ISaldoPlanoIndividual> plano = Factory()->GerarSaldoPlanoIndividual(FParam);
    for (const auto& [chave, saldo] : plano->Executar(inicio, fim))
      ProcessarSaldoBalancete(CapturaCodigoEmpresaChave(chave), CapturaPeriodoChave(chave), *saldo,
                              cds);
    inicio = fim + 1;
  } while (inicio <= FParam.DataFinal);
}

bool TnCtbConsultaBalanceteMovimentoProcessarSaldo::UmaExecucaoMensal() const {
  if (MesesDoPeriodo(FParam).empty() || FParam.CodigoMoeda != 0 ||
      !Nutil::Trim(FParam.FiltroLctoAtivo).empty())
    return false;
  const int64_t empresa = FParam.CodigoEmpresa;
  if (Nctbsfuncoes::FiltroLctoCtbAtivo(TnDMConexao::Atual(), empresa))
    return false;
  TnUtilOpcaoIFRS& ifrs = ControleOpcaoIFRS();
  ifrs.SetCodigoEmpresa(empresa);
  return !ifrs.GetEhOptanteIFRS() || ifrs.GetDATAOPCAO() <= FParam.DataInicial ||
         FParam.DataFinal < ifrs.GetDATAOPCAO();
}

void TnCtbConsultaBalanceteMovimentoProcessarSaldo::ProcessarMesesDeUmaExecucao(
    TnClientDataSet& resultado) {
  TnParametroConf conf = FParam;
  conf.AgruparPorMes = true;
  std::shared_ptr<ISaldoPlanoIndividual> plano = Factory()->GerarSaldoPlanoIndividual(conf);
  for (const auto& [chave, saldo] : plano->Executar(FParam.DataInicial, FParam.DataFinal)) {
    // Each month's rows, in the order a run of that month alone lists them.
    TnClientDataSet doMes;
    doMes.CloneCursor(*saldo);
    doMes.SetIndexFieldNames(std::string("DATASALDO;") + kIndiceSaldoPlano);
    for (TDateTime mes : MesesDoPeriodo(FParam)) {
      doMes.SetRange({Value(mes)}, {Value(mes)});
      ProcessarSaldoBalancete(CapturaCodigoEmpresaChave(chave), MesDaData(mes), doMes, resultado);
    }
  }
}

void TnCtbConsultaBalanceteMovimentoProcessarSaldo::ProcessarSaldoBalancete(
    int64_t empresa, TMesAno periodo, TnClientDataSet& saldo, TnClientDataSet& resultado) {
  TMapCdsSaldoPlano map;
  map.Mapear(saldo);

  std::set<std::string> classifComValor;
  if (!FParam.ImprimirContaSemSaldo) {
    for (saldo.First(); !saldo.Eof(); saldo.Next()) {
      if (map.TipoConta->AsInteger() != kTipoAnalitica || !TemValor(map))
        continue;
      std::string classif =
          Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(map.ClassifConta->AsString());
      while (!classif.empty()) {
        classifComValor.insert(classif);
        classif = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(classif);
      }
    }
  }

  resultado.SetIndexFieldNames(kIndiceChave);
  TDadosEmpresa& dados = DadosEmpresa(empresa);

  const std::vector<TDateTime> meses = MesesDoPeriodo(FParam);
  const bool primeiroPeriodo = !meses.empty() && periodo == MesDaData(FParam.DataInicial);
  // The month columns are looked up once, not per row: the ones a new row
  // starts at zero, and this run's month (none for dates outside the period,
  // whose run then adds nothing rather than failing).
  std::vector<TField*> colunasMeses;
  TField* movimentoMes = nullptr;
  TField* debitoMes = nullptr;
  TField* creditoMes = nullptr;
  if (FParam.QuebrarMovPeriodo) {
    for (TDateTime mes : meses) {
      for (const char* prefixo : {"MOVIMENTO", "DEBITO", "CREDITO"})
        colunasMeses.push_back(&resultado.FieldByName(GetFieldNamePeriodo(prefixo, mes)));
    }
    const std::string sufixo = FormatarPeriodo(periodo);
    movimentoMes = resultado.FindField("MOVIMENTO" + sufixo);
    if (movimentoMes) {
      debitoMes = &resultado.FieldByName("DEBITO" + sufixo);
      creditoMes = &resultado.FieldByName("CREDITO" + sufixo);
    }
  }

  for (saldo.First(); !saldo.Eof(); saldo.Next()) {
    AtualizaProgresso("Processando Saldo Plano Individual...");
    if (!Validar(map, dados.ClienteFornecedor, classifComValor))
      continue;
    const int64_t conta = map.ContaCtb->AsLargeInt();
    const int64_t estab = map.CodigoEstab->AsInteger();
    Value centro;
    if (FParam.GerarCentroCusto && map.CodigoCentroCusto != nullptr)
      centro = map.CodigoCentroCusto->AsValue();

    const bool existe = resultado.FindKey({Value(conta), Value(estab), centro});
    if (existe) {
      resultado.Edit();
    } else {
      resultado.Append();
      resultado.FieldByName("CodigoEstab").SetAsInteger(estab);
      resultado.FieldByName("Filial").SetAsString(dados.Apelidos.Apelido(estab));
      resultado.FieldByName("RelacionarFilial").SetAsInteger(FParam.RelacionarEstab);
      if (!centro.IsNull()) {
        resultado.FieldByName("CodigoCentroCusto").SetValue(centro);
        if (dados.CentroCusto->FindKey({centro}))
          resultado.FieldByName("DescrCentroCusto")
              .SetValue(dados.CentroCusto->FieldByName("DESCRCENTROCUSTO").AsValue());
        resultado.FieldByName("ClassifConta")
            .SetAsString(
                Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(map.ClassifConta->AsString()));
      } else {
        resultado.FieldByName("ClassifConta").SetAsString(map.ClassifConta->AsString());
      }
      resultado.FieldByName("CodigoConta").SetAsLargeInt(conta);
      resultado.FieldByName("TipoConta")
          .SetAsString(map.TipoConta->AsInteger() == kTipoSintetica ? "S" : "A");
      resultado.FieldByName("DescrConta").SetValue(map.DescrConta->AsValue());
      resultado.FieldByName("SaldoAnterior").SetAsFloat(map.SaldoAnterior->AsFloat());
      resultado.FieldByName("SaldoAtual").SetAsFloat(map.SaldoAtual->AsFloat());
      resultado.FieldByName("Filtros").SetAsString(GerarFiltros(estab, conta));
      for (TField* coluna : colunasMeses)
        coluna->SetAsFloat(0);
    }

    if (FParam.QuebrarMovPeriodo) {
      if (primeiroPeriodo)
        resultado.FieldByName("SaldoAnterior").SetAsFloat(map.SaldoAnterior->AsFloat());
      if (existe)
        resultado.FieldByName("SaldoAtual").SetAsFloat(map.SaldoAtual->AsFloat());
      if (movimentoMes) {
        movimentoMes->SetAsFloat(map.Movimento->AsFloat());
        debitoMes->SetAsFloat(map.Debito->AsFloat());
        creditoMes->SetAsFloat(map.Credito->AsFloat());
      }
    } else {
      resultado.FieldByName("SaldoAnterior").SetAsFloat(map.SaldoAnterior->AsFloat());
      resultado.FieldByName("MOVIMENTO").SetAsFloat(map.Movimento->AsFloat());
      resultado.FieldByName("DEBITO").SetAsFloat(map.Debito->AsFloat());
      resultado.FieldByName("CREDITO").SetAsFloat(map.Credito->AsFloat());
      resultado.FieldByName("SaldoAtual").SetAsFloat(map.SaldoAtual->AsFloat());
    }
    resultado.Post();
  }

  resultado.SetIndexFieldNames(kIndiceFinal);
  if (Nutil::EhHttpExe()) {
    int ordem = 0;
    for (resultado.First(); !resultado.Eof(); resultado.Next()) {
      resultado.Edit();
      resultado.FieldByName("Ordem").SetAsInteger(++ordem);
      resultado.Post();
    }
    resultado.SetIndexFieldNames("Ordem");
  }
  resultado.First();
}

bool TnCtbConsultaBalanceteMovimentoProcessarSaldo::Validar(
    const TMapCdsSaldoPlano& map, const std::vector<std::string>& clienteFornecedor,
    const std::set<std::string>& classifComValor) const {
  return ValidarImprimirContaSemSaldo(map, classifComValor) &&
         ValidarDetalharClienteFornecedor(map, clienteFornecedor) && ValidarRelacionarFiliais(map);
}

bool TnCtbConsultaBalanceteMovimentoProcessarSaldo::ValidarImprimirContaSemSaldo(
    const TMapCdsSaldoPlano& map, const std::set<std::string>& classifComValor) const {
  if (FParam.ImprimirContaSemSaldo || TemValor(map))
    return true;
  return map.TipoConta->AsInteger() == kTipoSintetica &&
         classifComValor.count(Nutil::Trim(map.ClassifConta->AsString())) > 0;
}

bool TnCtbConsultaBalanceteMovimentoProcessarSaldo::ValidarDetalharClienteFornecedor(
    const TMapCdsSaldoPlano& map, const std::vector<std::string>& clienteFornecedor) const {
  if (FParam.DetalharClienteFornecedor)
    return true;
  const std::string classif = Nutil::UpperCase(Nutil::Trim(map.ClassifConta->AsString()));
  for (const std::string& item : clienteFornecedor) {
    if (Nutil::UpperCase(Nutil::Trim(item)) == classif)
      return false;
  }
  return true;
}

bool TnCtbConsultaBalanceteMovimentoProcessarSaldo::ValidarRelacionarFiliais(
    const TMapCdsSaldoPlano& map) const {
  const int r = FParam.RelacionarEstab;
  const int64_t estab = map.CodigoEstab->AsInteger();
  const bool sintetica = map.TipoConta->AsInteger() == kTipoSintetica;
  if (sintetica && estab != 0 && r != 0)
    return false;
  if (!sintetica && estab == 0 && r == 1)
    return false;
  if (r == 3 && !FParam.ImprimirContaSemSaldo && !sintetica && estab == 0) {
    const bool somaFiliais = map.SintFilial != nullptr && map.SintFilial->AsInteger() != 0;
    return !FParam.GerarCentroCusto && somaFiliais;
  }
  return true;
}

std::vector<std::string>
TnCtbConsultaBalanceteMovimentoProcessarSaldo::RetornarContasClienteFornecedor(
    int64_t codigoEmpresa) {
  const TParams params = {{"pCodigoEmpresa", Value(codigoEmpresa)}};
  std::string lista;
  auto cfg = Nutildb::ExecutarSQL(
      "select CLASSIFCLIENTE,  CLASSIFFORNEC  from CFGPLANOESPEC  where CODIGOEMPRESA = "
      ":pCodigoEmpresa",
      params);
  for (cfg->First(); !cfg->Eof(); cfg->Next()) {
    Nutil::Add(lista, Nutil::Trim(cfg->FieldByName("CLASSIFCLIENTE").AsString()), ";");
    Nutil::Add(lista, Nutil::Trim(cfg->FieldByName("CLASSIFFORNEC").AsString()), ";");
  }
  Nutildb::DestruirSQL(cfg);
  auto pessoa = Nutildb::ExecutarSQL(
      "select CLASSIFCONTA  from CFGPLANOESPECPESSOA  where CODIGOEMPRESA = :pCodigoEmpresa",
      params);
  for (pessoa->First(); !pessoa->Eof(); pessoa->Next())
    Nutil::Add(lista, Nutil::Trim(pessoa->FieldByName("CLASSIFCONTA").AsString()), ";");
  Nutildb::DestruirSQL(pessoa);
  if (lista.empty())
    return {};
  return Nutil::StrToStrArray(lista, ";");
}

std::string TnCtbConsultaBalanceteMovimentoProcessarSaldo::GetSqlCentroCusto() {
  return "SELECT  CC.CODIGOCENTROCUSTO ,CC.DESCRCENTROCUSTO FROM CENTROCUSTO CC WHERE "
         "CC.CODIGOEMPRESA = :pCodigoempresa ORDER BY CC.CODIGOCENTROCUSTO ";
}

std::string TnCtbConsultaBalanceteMovimentoProcessarSaldo::GerarFiltros(int64_t codigoEstab,
                                                                        int64_t contaCtb) const {
  std::string estab;
  if (Nutil::EhHttpExe())
    estab = FParam.CodigoEstab;
  else if (codigoEstab != 0)
    estab = std::to_string(codigoEstab);
  // The drill-down opens the balance process with these, as its screen
  // fills them: every parameter as text.
  nlohmann::ordered_json filtros = {
      {"pCodigoEmpresa", std::to_string(FParam.CodigoEmpresa)},
      {"pCodigoEstab", estab},
      {"pContaCtb", std::to_string(contaCtb)},
      {"pDataInicial", DateToStr(FParam.DataInicial)},
      {"pDataFinal", DateToStr(FParam.DataFinal)},
      {"pTipoSaldoCtb", std::to_string(static_cast<int>(FParam.TipoSaldoCtb))},
  };
  return filtros.dump();
}
