#include "activities/nCtbServicoAtividade_U.h"

#include <fmt/format.h>
#include <exception>

#include "framework/core/Nutil.h"
#include "framework/core/TaxaFixa.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

namespace {

constexpr const char* kSelectPlano =
    "select distinct P.CONTACTB,  P.TIPOCONTA,  P.CLASSIFCONTA,  PL.CODIGOATIVDIF,  "
    "PL.PERCENTUAL,  PL.CODIGOEMPRESA,  A.DATAINICIAL,  A.DATAFINAL from "
    "ATIVDIFERENCPLESPECRATEIO PL  join ATIVDIFERENC A  on A.CODIGOEMPRESA = PL.CODIGOEMPRESA  "
    "and A.CODIGOATIVDIF = PL.CODIGOATIVDIF  join PLANOESPEC P on P.CODIGOEMPRESA = "
    "PL.CODIGOEMPRESA and P.CONTACTB = PL.CONTACTB  where PL.CODIGOEMPRESA = :pCODIGOEMPRESA  "
    "order by CLASSIFCONTA ";

TDateTime DataDoPlano(const TnClientDataSet& plano, const char* campo) {
  const Value& valor = plano.FieldByName(campo).AsValue();
  return valor.IsNull() ? TDateTime() : DateOf(valor.AsDateTime());
}

TTaxaFixa Percentual(const TnClientDataSet& plano) {
  return TTaxaFixa::FromValue(plano.FieldByName("PERCENTUAL").AsValue());
}

// The plan rows that give activity rows on the date: a positive share of an
// activity valid on it.
bool ValeNaData(const TnClientDataSet& plano, TDateTime data) {
  return Percentual(plano) > TTaxaFixa() && TServicoAtividade::VigenteNaData(plano, data);
}

std::string Codigo(int64_t valor) {
  return Nutil::ValorParaSQL(Value(valor));
}

std::string CondicaoLado(const TLadoLctoCtb& lado) {
  return "CODIGOEMPRESA = " + Codigo(lado.Lcto.CodigoEmpresa) +
         " and CHAVELCTOCTB = " + Codigo(lado.Lcto.ChaveLctoCtb) +
         " and NATURLCTOCTB = " + Codigo(lado.Natureza);
}

}  // namespace

// ---- The cache ----

TnCachePlanoAtividades::TnCachePlanoAtividades() {
  FPlano.AddField("CONTACTB", TFieldType::ftFloat);
  FPlano.AddField("TIPOCONTA", TFieldType::ftInteger);
  FPlano.AddField("CLASSIFCONTA", TFieldType::ftString, 30);
  FPlano.AddField("CODIGOATIVDIF", TFieldType::ftFloat);
  FPlano.AddField("PERCENTUAL", TFieldType::ftFloat);
  FPlano.AddField("CODIGOEMPRESA", TFieldType::ftInteger);
  FPlano.AddField("DATAINICIAL", TFieldType::ftDate);
  FPlano.AddField("DATAFINAL", TFieldType::ftDate);
  FPlano.CreateDataSet();
}

void TnCachePlanoAtividades::Carregar(int64_t codigoEmpresa) {
  if (FCarregado && FCodigoEmpresa == codigoEmpresa)
    return;
  FPlano.CancelRange();
  FPlano.EmptyDataSet();
  auto cursor = Nutildb::ExecutarSQL(kSelectPlano, {{"pCODIGOEMPRESA", Value(codigoEmpresa)}});
  for (; !cursor->Eof(); cursor->Next()) {
    ValueArray linha;
    for (int i = 0; i < cursor->FieldCount(); ++i)
      linha.push_back(cursor->Fields(i).AsValue());
    FPlano.AppendRecordUnlogged(linha);
  }
  Nutildb::DestruirSQL(cursor);
  FCarregado = true;
  FCodigoEmpresa = codigoEmpresa;
}

void TnCachePlanoAtividades::Limpar() {
  FPlano.CancelRange();
  FPlano.EmptyDataSet();
  FCarregado = false;
}

// ---- Plan look-ups ----

TnCachePlanoAtividades& TServicoAtividade::Cache() {
  return TnSessao::Atual().Servico<TnCachePlanoAtividades>();
}

bool TServicoAtividade::ProcurarClassif(const TInfoLctoCtb& info) {
  if (Nutil::Trim(info.ClassifConta).empty())
    return false;
  TnCachePlanoAtividades& cache = Cache();
  cache.Carregar(info.Lcto.CodigoEmpresa);
  TnClientDataSet& plano = cache.Plano();
  plano.SetIndexFieldNames("CONTACTB");
  plano.SetRange({Value(info.ContaCtb())}, {Value(info.ContaCtb())});
  if (!plano.IsEmpty())
    return true;
  return ProcurarClassif(Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(info.ClassifConta));
}

bool TServicoAtividade::ProcurarClassif(const std::string& classificacao) {
  TnClientDataSet& plano = Cache().Plano();
  plano.SetIndexFieldNames("TIPOCONTA;CLASSIFCONTA");
  for (std::string classif = Nutil::Trim(classificacao); !classif.empty();
       classif = Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(classif)) {
    plano.SetRange({Value(1), Value(classif)}, {Value(1), Value(classif)});
    if (!plano.IsEmpty())
      return true;
  }
  return false;
}

std::unique_ptr<TnClientDataSet> TServicoAtividade::GetAtividades() {
  TnClientDataSet& plano = Cache().Plano();
  auto copia = std::make_unique<TnClientDataSet>();
  for (int i = 0; i < plano.FieldCount(); ++i)
    copia->AddField(plano.Fields(i).FieldName(), plano.Fields(i).DataType(),
                    plano.Fields(i).Size());
  copia->CreateDataSet();
  for (plano.First(); !plano.Eof(); plano.Next()) {
    ValueArray linha;
    for (int i = 0; i < plano.FieldCount(); ++i)
      linha.push_back(plano.Fields(i).AsValue());
    copia->AppendRecordUnlogged(linha);
  }
  copia->First();
  return copia;
}

// ---- Statements ----

void TServicoAtividade::ExcluirLancamentos(const TLadoLctoCtb& lado) {
  Nutildb::ExecutarSQLDireto(
      fmt::format("delete from LCTOATIVDIFERENC where {} ", CondicaoLado(lado)));
}

void TServicoAtividade::ExcluirLancamentosAutomaticos(const TInfoLctoCtb& info) {
  if (!ProcurarClassif(info))
    return;
  std::unique_ptr<TnClientDataSet> atividades = GetAtividades();
  std::string lista;
  for (; !atividades->Eof(); atividades->Next()) {
    if (Percentual(*atividades) > TTaxaFixa())
      Nutil::Add(lista, Codigo(atividades->FieldByName("CODIGOATIVDIF").AsInteger()), ",");
  }
  // No activity with a share: nothing of the plan to delete.
  if (lista.empty())
    return;
  Nutildb::ExecutarSQLDireto(
      fmt::format("delete from LCTOATIVDIFERENC where {} ",
                  CondicaoLado(info) + " and CODIGOATIVDIF in( " + lista + ")"));
}

void TServicoAtividade::GerarLancamentosAutomaticos(const TInfoLctoCtb& info) {
  InserirAtividades(LancamentosAutomaticos(info));
}

std::vector<TLctoAtivDiferenc> TServicoAtividade::LancamentosAutomaticos(const TInfoLctoCtb& info) {
  std::vector<TLctoAtivDiferenc> linhas;
  if (!ProcurarClassif(info))
    return linhas;
  std::unique_ptr<TnClientDataSet> atividades = GetAtividades();
  TLctoAtivDiferenc atividade;
  atividade.Lcto = info.Lcto;
  atividade.Natureza = info.Natureza;
  // Each share rounded on its own: the rows need not add up to the side.
  for (; !atividades->Eof(); atividades->Next()) {
    if (!ValeNaData(*atividades, DateOf(info.Lcto.DataLctoCtb)))
      continue;
    atividade.CodigoAtivDif = atividades->FieldByName("CODIGOATIVDIF").AsInteger();
    atividade.ValorLctoAtiv = TParteExata(info.Lcto.ValorLctoCtb, Percentual(*atividades))
                                  .Centavos(TRoundMode::HalfAwayFromZero);
    linhas.push_back(atividade);
  }
  return linhas;
}

void TServicoAtividade::AlterarDataLcto(const TLctoCtb& lcto) {
  Nutildb::ExecutarSQLDireto(fmt::format("update LCTOATIVDIFERENC set DATALCTOCTB = {} where {} ",
                                         Nutil::ValorParaSQL(Value(DateOf(lcto.DataLctoCtb))),
                                         "CODIGOEMPRESA = " + Codigo(lcto.CodigoEmpresa) +
                                             " and CHAVELCTOCTB = " + Codigo(lcto.ChaveLctoCtb)));
}

void TServicoAtividade::InserirAtividade(const TLctoAtivDiferenc& atividade) {
  InserirAtividades({atividade});
}

// One statement text for every row, a one-row insert of placeholders only:
// the connection prepares it once, and a server that takes many rows in one
// statement gets a run of them together.
void TServicoAtividade::InserirAtividades(const std::vector<TLctoAtivDiferenc>& atividades) {
  if (atividades.empty())
    return;
  std::vector<TnDMConexao::TComando> comandos;
  comandos.reserve(atividades.size());
  for (const TLctoAtivDiferenc& a : atividades)
    comandos.push_back(
        {"insert into LCTOATIVDIFERENC (CODIGOEMPRESA, CHAVELCTOCTB, CONTACTB, CODIGOATIVDIF, "
         "NATURLCTOCTB, DATALCTOCTB, VALORLCTOATIV, ORIGEMDADO) values (:pCodigoEmpresa, "
         ":pChaveLctoCtb, :pContaCtb, :pCodigoAtivDif, :pNaturLctoCtb, :pDataLctoCtb, "
         ":pValorLctoAtiv, :pOrigemDado)",
         {{"pCodigoEmpresa", Value(a.Lcto.CodigoEmpresa)},
          {"pChaveLctoCtb", Value(a.Lcto.ChaveLctoCtb)},
          {"pContaCtb", Value(a.ContaCtb())},
          {"pCodigoAtivDif", Value(a.CodigoAtivDif)},
          {"pNaturLctoCtb", Value(a.Natureza)},
          {"pDataLctoCtb", Value(DateOf(a.Lcto.DataLctoCtb))},
          {"pValorLctoAtiv", Value(a.ValorLctoAtiv)},
          {"pOrigemDado", Value(a.OrigemDado)}}});
  const TnDMConexao::TResultadoLote lote = TnDMConexao::Atual().ExecuteBatch(comandos);
  if (lote.Erro)
    std::rethrow_exception(lote.Erro);
}

void TServicoAtividade::LimparDados() {
  if (TnSessao* sessao = TnSessao::AtualOuNula())
    if (TnCachePlanoAtividades* cache = sessao->Procurar<TnCachePlanoAtividades>())
      cache->Limpar();
}

bool TServicoAtividade::VigenteNaData(const TnClientDataSet& plano, TDateTime data) {
  return DataDoPlano(plano, "DATAINICIAL") <= data && data <= DataDoPlano(plano, "DATAFINAL");
}
