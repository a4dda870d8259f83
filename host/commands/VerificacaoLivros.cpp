#include "host/commands/VerificacaoLivros.h"

#include <fmt/format.h>

#include <map>
#include <memory>
#include <vector>

#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "host/output/SaidaFormatos.h"
#include "host/output/SaidaJson.h"
#include "host/output/SaidaTabela.h"
#include "schema/SchemaInstaller.h"

namespace VerificacaoLivros {
namespace {

enum class TTipo { Inteiro, Data, Texto, Valor };

struct TColuna {
  const char* Nome;
  const char* Rotulo;
  TTipo Tipo;
};

// Texts are cut to this many characters so a finding's table fits an
// 80-column terminal; the JSON keeps them as cut too.
constexpr size_t kLarguraTexto = 22;

// One kind of finding: a query whose rows show it (CODIGOEMPRESA first),
// their order, and the columns a person reads.
struct TVerificacao {
  const char* Codigo;  // the kind's name in JSON
  const char* Titulo;
  std::string Sql;
  const char* Ordem;
  std::vector<TColuna> Colunas;
  const char* Dica = nullptr;  // a line after the table, when there is a remedy
};

// An entry side whose account the chart lacks or keeps as synthetic.
std::string LadoForaDoPlano(const char* coluna, const char* lado) {
  return fmt::format(
      "select L.CODIGOEMPRESA, L.CHAVELCTOCTB, L.DATALCTOCTB, L.CODIGOESTAB, '{1}' as LADO, "
      "L.{0} as CONTACTB, case when P.CONTACTB is null then 'não está no plano' else "
      "'sintética: ' || coalesce(P.DESCRCONTA, '') end as SITUACAO, L.VALORLCTOCTB "
      "from LCTOCTB L left join PLANOESPEC P on P.CODIGOEMPRESA = L.CODIGOEMPRESA and "
      "P.CONTACTB = L.{0} where L.{0} is not null and (P.CONTACTB is null or P.TIPOCONTA <> 2)",
      coluna, lado);
}

// The entries whose sums must balance, with their debit and credit sums:
// an IFRS filer's (the fiscal book apart when `semFiscal`), a SPED filer's
// from its first option date.
std::string SomasExigidas(const char* grupo, const char* colunas, bool semFiscal) {
  return fmt::format(
      "select L.CODIGOEMPRESA, {1}, "
      "sum(case when L.CONTACTBDEB is null then 0 else L.VALORLCTOCTB end) as DEBITOS, "
      "sum(case when L.CONTACTBCRED is null then 0 else L.VALORLCTOCTB end) as CREDITOS, "
      "sum(case when L.CONTACTBDEB is null then 0 else L.VALORLCTOCTB end) - "
      "sum(case when L.CONTACTBCRED is null then 0 else L.VALORLCTOCTB end) as DIFERENCA "
      "from LCTOCTB L "
      "left join OPCAOIFRS I on I.CODIGOEMPRESA = L.CODIGOEMPRESA and I.DATAOPCAO is not null "
      "left join (select CODIGOEMPRESA, min(DATAOPCAO) as DATAOPCAO from OPCAOSPEDCTBDET "
      "group by CODIGOEMPRESA) S on S.CODIGOEMPRESA = L.CODIGOEMPRESA "
      "where {0}((I.CODIGOEMPRESA is not null{2}) or "
      "(I.CODIGOEMPRESA is null and L.DATALCTOCTB >= S.DATAOPCAO)) "
      "group by L.CODIGOEMPRESA, {3} "
      "having round(sum(case when L.CONTACTBDEB is null then 0 else L.VALORLCTOCTB end) - "
      "sum(case when L.CONTACTBCRED is null then 0 else L.VALORLCTOCTB end), 2) <> 0",
      semFiscal ? "" : "L.TRANSCTB is not null and ", colunas,
      semFiscal ? " and L.TIPOLANCAMENTO <> 'LF'" : "", grupo);
}

// A split whose entry is missing.
std::string RateioSemLancamento(const char* tabela, const char* tipo, const char* codigo,
                                const char* valor) {
  return fmt::format(
      "select R.CODIGOEMPRESA, R.CHAVELCTOCTB, R.DATALCTOCTB, '{1}' as RATEIO, R.{2} as CODIGO, "
      "case R.NATURLCTOCTB when 1 then 'Débito' when -1 then 'Crédito' end as LADO, R.CONTACTB, "
      "R.{3} as VALOR from {0} R where not exists (select 1 from LCTOCTB L where "
      "L.CODIGOEMPRESA = R.CODIGOEMPRESA and L.CHAVELCTOCTB = R.CHAVELCTOCTB)",
      tabela, tipo, codigo, valor);
}

const std::vector<TVerificacao>& Verificacoes() {
  static const std::vector<TVerificacao> verificacoes = {
      {"accounts",
       "Lançamentos em conta que não é analítica do plano",
       LadoForaDoPlano("CONTACTBDEB", "Débito") + " union all " +
           LadoForaDoPlano("CONTACTBCRED", "Crédito"),
       "DATALCTOCTB, CHAVELCTOCTB, LADO",
       {{"CHAVELCTOCTB", "Chave", TTipo::Inteiro},
        {"DATALCTOCTB", "Data", TTipo::Data},
        {"CODIGOESTAB", "Filial", TTipo::Inteiro},
        {"LADO", "Lado", TTipo::Texto},
        {"CONTACTB", "Conta", TTipo::Inteiro},
        {"SITUACAO", "Situação", TTipo::Texto},
        {"VALORLCTOCTB", "Valor", TTipo::Valor}}},
      {"balances",
       "Saldos diferentes dos lançamentos",
       "select CODIGOEMPRESA, case TABELA when 'SALDOCTB' then 'dia' when 'SALDOCTBMENSAL' then "
       "'mês' when 'SALDOCTBMENSALHIST' then 'mês/histórico' when 'SALDOCTBMOEDA' then "
       "'dia/moeda' when 'SALDOCTBMOEDAMENSAL' then 'mês/moeda' when 'SALDOGER' then "
       "'dia/centro' else 'mês/centro' end as SALDO, case when ORIGEM = TABELA then 'tabela' "
       "else 'lançamentos' end as FONTE, DATASALDO, CODIGOESTAB, CONTACTB, VALORDEB, VALORCRED, "
       "TABELA, TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, CODIGOCENTROCUSTO from (" +
           SchemaInstaller::ConsultaDiferencasSaldos() + ") DIFERENCA",
       "TABELA, CONTACTB, DATASALDO, CODIGOESTAB, TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, "
       "CODIGOCENTROCUSTO, FONTE",
       {{"SALDO", "Saldo", TTipo::Texto},
        {"FONTE", "Fonte", TTipo::Texto},
        {"DATASALDO", "Data", TTipo::Data},
        {"CODIGOESTAB", "Filial", TTipo::Inteiro},
        {"CONTACTB", "Conta", TTipo::Inteiro},
        {"VALORDEB", "Débito", TTipo::Valor},
        {"VALORCRED", "Crédito", TTipo::Valor}},
       "Os saldos se refazem dos lançamentos com 'ctb db rebuild-balances'."},
      {"days",
       "Dias e filiais com débitos diferentes dos créditos",
       SomasExigidas("L.DATALCTOCTB, L.CODIGOESTAB",
                     "L.DATALCTOCTB as DATALCTOCTB, L.CODIGOESTAB as CODIGOESTAB", true),
       "DATALCTOCTB, CODIGOESTAB",
       {{"DATALCTOCTB", "Data", TTipo::Data},
        {"CODIGOESTAB", "Filial", TTipo::Inteiro},
        {"DEBITOS", "Débitos", TTipo::Valor},
        {"CREDITOS", "Créditos", TTipo::Valor},
        {"DIFERENCA", "Diferença", TTipo::Valor}}},
      {"transactions",
       "Transações com débitos diferentes dos créditos",
       SomasExigidas("L.TRANSCTB", "L.TRANSCTB as TRANSCTB, min(L.DATALCTOCTB) as DATALCTOCTB",
                     false),
       "TRANSCTB",
       {{"TRANSCTB", "Transação", TTipo::Inteiro},
        {"DATALCTOCTB", "Data", TTipo::Data},
        {"DEBITOS", "Débitos", TTipo::Valor},
        {"CREDITOS", "Créditos", TTipo::Valor},
        {"DIFERENCA", "Diferença", TTipo::Valor}}},
      {"splits",
       "Rateios de lançamentos que não existem",
       RateioSemLancamento("LCTOGER", "centro de custo", "CODIGOCENTROCUSTO", "VALORLCTOGER") +
           " union all " +
           RateioSemLancamento("LCTOATIVDIFERENC", "atividade", "CODIGOATIVDIF", "VALORLCTOATIV"),
       "CHAVELCTOCTB, RATEIO, LADO, CODIGO",
       {{"CHAVELCTOCTB", "Chave", TTipo::Inteiro},
        {"DATALCTOCTB", "Data", TTipo::Data},
        {"RATEIO", "Rateio", TTipo::Texto},
        {"CODIGO", "Código", TTipo::Inteiro},
        {"LADO", "Lado", TTipo::Texto},
        {"CONTACTB", "Conta", TTipo::Inteiro},
        {"VALOR", "Valor", TTipo::Valor}}},
      // The draws step past the highest value anyway; a sequence behind it
      // says that keys were written around it (a load, a hand edit). Only
      // the companies that keep transactions draw their numbers from the
      // sequence: a batch posted elsewhere numbers its own.
      {"sequences",
       "Sequências atrás das chaves em uso",
       "select M.CODIGOEMPRESA, M.NOME, M.SEQUENCIA, coalesce(S.VALOR, 0) as VALOR, M.MAIOR "
       "from (select CODIGOEMPRESA, 'DYN_GENCHAVELCTOCTB' as NOME, 'chaves dos lançamentos' as "
       "SEQUENCIA, max(CHAVELCTOCTB) as MAIOR from LCTOCTB group by CODIGOEMPRESA "
       "union all select CODIGOEMPRESA, 'GEN_TRANSCTB', 'transações', max(TRANSCTB) from LCTOCTB "
       "where TRANSCTB is not null and (CODIGOEMPRESA in (select CODIGOEMPRESA from OPCAOIFRS "
       "where DATAOPCAO is not null) or CODIGOEMPRESA in (select CODIGOEMPRESA from "
       "OPCAOSPEDCTBDET)) group by CODIGOEMPRESA "
       "union all select CODIGOEMPRESA, 'GEN_IDLCTOCTBEXCL', 'lançamentos excluídos', "
       "max(IDLCTOCTBEXCL) from LCTOCTBEXCLUIDO group by CODIGOEMPRESA) M "
       "left join SEQUENCIAEMPRESA S on S.CODIGOEMPRESA = M.CODIGOEMPRESA and S.NOME = M.NOME "
       "where coalesce(S.VALOR, 0) < M.MAIOR",
       "NOME",
       {{"SEQUENCIA", "Sequência", TTipo::Texto},
        {"VALOR", "Último valor dado", TTipo::Inteiro},
        {"MAIOR", "Maior em uso", TTipo::Inteiro}}},
  };
  return verificacoes;
}

TFieldType TipoCampo(TTipo tipo) {
  switch (tipo) {
    case TTipo::Inteiro:
      return TFieldType::ftLargeint;
    case TTipo::Data:
      return TFieldType::ftDate;
    case TTipo::Texto:
      return TFieldType::ftString;
    case TTipo::Valor:
      break;
  }
  return TFieldType::ftBCD;
}

Value Celula(const Value& valor, TTipo tipo) {
  if (valor.IsNull())
    return Value();
  switch (tipo) {
    case TTipo::Inteiro:
      return Value(valor.AsInteger());
    case TTipo::Data:
      return Value(valor.AsDateTime());
    case TTipo::Texto:
      return Value(SaidaFormatos::Primeiros(valor.AsString(), kLarguraTexto));
    case TTipo::Valor:
      break;
  }
  return Value(valor.AsCurrency());
}

// What one kind found in one company: its first rows and how many in all.
struct TAchado {
  const TVerificacao* Verificacao;
  int64_t Total = 0;
  std::unique_ptr<TnClientDataSet> Linhas;
};

std::unique_ptr<TnClientDataSet> CriarLinhas(const TVerificacao& verificacao) {
  auto linhas = std::make_unique<TnClientDataSet>();
  for (const TColuna& coluna : verificacao.Colunas)
    linhas->AddField(coluna.Nome, TipoCampo(coluna.Tipo),
                     coluna.Tipo == TTipo::Texto ? static_cast<int>(kLarguraTexto) * 4 : 0);
  linhas->CreateDataSet();
  for (const TColuna& coluna : verificacao.Colunas)
    linhas->FieldByName(coluna.Nome).SetDisplayLabel(coluna.Rotulo);
  return linhas;
}

// Runs one kind over the company (or all), its rows numbered per company so
// that only the first few leave the database.
void Executar(TnDMConexao& conexao, const TVerificacao& verificacao,
              std::optional<int64_t> codigoEmpresa,
              std::map<int64_t, std::vector<TAchado>>& achados) {
  TParams params;
  std::string filtro;
  if (codigoEmpresa) {
    filtro = " where X.CODIGOEMPRESA = :pEmpresa";
    params.emplace_back("pEmpresa", Value(*codigoEmpresa));
  }
  const TDbResult resultado = conexao.ExecuteQuery(
      fmt::format("select * from (select X.*, row_number() over (partition by X.CODIGOEMPRESA "
                  "order by {1}) as NUMEROACHADO, count(*) over (partition by X.CODIGOEMPRESA) "
                  "as TOTALACHADOS from ({0}) X{2}) Y where NUMEROACHADO <= {3} "
                  "order by CODIGOEMPRESA, NUMEROACHADO",
                  verificacao.Sql, verificacao.Ordem, filtro, kMaxLinhas),
      params);
  std::vector<int> posicoes;
  for (const TColuna& coluna : verificacao.Colunas)
    posicoes.push_back(resultado.ColumnIndex(coluna.Nome));
  const int empresa = resultado.ColumnIndex("CODIGOEMPRESA");
  const int total = resultado.ColumnIndex("TOTALACHADOS");
  for (const ValueArray& linha : resultado.Rows) {
    std::vector<TAchado>& daEmpresa = achados[linha[empresa].AsInteger()];
    if (daEmpresa.empty() || daEmpresa.back().Verificacao != &verificacao)
      daEmpresa.push_back({&verificacao, linha[total].AsInteger(), CriarLinhas(verificacao)});
    ValueArray celulas;
    for (size_t i = 0; i < posicoes.size(); ++i)
      celulas.push_back(Celula(linha[posicoes[i]], verificacao.Colunas[i].Tipo));
    daEmpresa.back().Linhas->AppendRecord(celulas);
  }
}

std::string NomeEmpresa(TnDMConexao& conexao, int64_t codigoEmpresa) {
  const Value nome =
      conexao.ExecuteScalar("select NOMEEMPRESA from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                            {{"pEmpresa", codigoEmpresa}});
  return nome.IsNull() ? fmt::format("Empresa {} (não cadastrada)", codigoEmpresa)
                       : fmt::format("Empresa {} – {}", codigoEmpresa, nome.AsString());
}

std::string Tabela(TnDMConexao& conexao, const std::map<int64_t, std::vector<TAchado>>& achados,
                   int64_t problemas) {
  std::string texto;
  for (const auto& [empresa, daEmpresa] : achados) {
    texto += NomeEmpresa(conexao, empresa) + "\n\n";
    for (const TAchado& achado : daEmpresa) {
      texto += fmt::format("{}: {}\n", achado.Verificacao->Titulo, achado.Total);
      texto += SaidaTabela::Escrever(*achado.Linhas);
      const int64_t mais = achado.Total - achado.Linhas->RecordCount();
      if (mais > 0)
        texto += fmt::format("… e mais {}\n", mais);
      if (achado.Verificacao->Dica != nullptr)
        texto += std::string(achado.Verificacao->Dica) + "\n";
      texto += "\n";
    }
  }
  return texto + fmt::format("{} {}; nada foi alterado", problemas,
                             problemas == 1 ? "problema encontrado" : "problemas encontrados");
}

std::string Json(const std::map<int64_t, std::vector<TAchado>>& achados) {
  std::string itens;
  for (const auto& [empresa, daEmpresa] : achados)
    for (const TAchado& achado : daEmpresa) {
      std::string linhas = SaidaJson::Escrever(*achado.Linhas);
      if (!linhas.empty() && linhas.back() == '\n')
        linhas.pop_back();
      itens += fmt::format(
          "{}{{\"company\": {}, \"check\": \"{}\", \"title\": {}, \"total\": {}, "
          "\"rows\": {}}}",
          itens.empty() ? "" : ",\n", empresa, achado.Verificacao->Codigo,
          SaidaJson::Texto(achado.Verificacao->Titulo), achado.Total, linhas);
    }
  return fmt::format("{{\"ok\": {}, \"findings\": [{}{}]}}", achados.empty() ? "true" : "false",
                     itens.empty() ? "" : "\n", itens);
}

}  // namespace

TResultado Verificar(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa, TFormato formato) {
  std::map<int64_t, std::vector<TAchado>> achados;
  // A snapshot: every kind sees the same books, and nothing can be written.
  conexao.StartTransactionRO();
  try {
    for (const TVerificacao& verificacao : Verificacoes())
      Executar(conexao, verificacao, codigoEmpresa, achados);
    conexao.RollBack();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
  TResultado resultado;
  resultado.Status = achados.empty() ? 0 : 1;
  if (formato == TFormato::Json) {
    resultado.Texto = Json(achados);
    return resultado;
  }
  if (achados.empty()) {
    resultado.Texto = fmt::format(
        "Nenhum problema encontrado {}: contas, saldos, débitos e créditos, rateios e sequências "
        "conferem",
        codigoEmpresa ? fmt::format("na empresa {}", *codigoEmpresa) : std::string("nas empresas"));
    return resultado;
  }
  int64_t problemas = 0;
  for (const auto& [empresa, daEmpresa] : achados)
    for (const TAchado& achado : daEmpresa)
      problemas += achado.Total;
  resultado.Texto = Tabela(conexao, achados, problemas);
  return resultado;
}

}  // namespace VerificacaoLivros
