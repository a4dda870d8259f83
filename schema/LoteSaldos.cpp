#include "schema/LoteSaldos.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"

namespace {

// One balance table as the grouped statements see it: the journal it sums,
// its key past the company (as the table names it, and as the journal does:
// the monthly tables take the journal's DATAMES for DATASALDO), and whether
// it sums the currency amounts.
struct TTabelaSaldo {
  const char* Nome;
  const char* Diario;
  const char* Chave;
  const char* ChaveDiario;
  bool Moeda;
};

constexpr std::array<TTabelaSaldo, 7> kTabelas{{
    {"SALDOCTB", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSAL", "LOTESALDOCTB", "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO", false},
    {"SALDOCTBMENSALHIST", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOHISTCTB", false},
    {"SALDOCTBMOEDA", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOCTBMOEDAMENSAL", "LOTESALDOCTB",
     "CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA",
     "CODIGOESTAB, CONTACTB, DATAMES, TIPOLANCAMENTO, CODIGOMOEDA", true},
    {"SALDOGER", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO", false},
    {"SALDOGERMENSAL", "LOTESALDOGER",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO",
     "CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATAMES, TIPOLANCAMENTO", false},
}};

// A balance movement as SQLite's batch writer sums it: a row of the
// movements it read and the account and amounts of the row that it stands
// for (a debit or credit side of an entry, or a split).
struct TMovimento {
  const ValueArray* Linha;
  const Value* Conta;
  const Value* Debito;
  const Value* Credito;
  const Value* DebitoMoeda;
  const Value* CreditoMoeda;
};

// Each entry of a block of keys stands for its sides: the debit side when
// it has a debit account, the credit side when it has a credit account, as
// VLCTOCTBSALDO gives them. Reading an entry once costs half the view's
// work, which reads it once per side.
std::vector<TMovimento> LadosDosLancamentos(const TDbResult& lancamentos) {
  static const Value kZero(0.0);
  const auto debito = static_cast<size_t>(lancamentos.ColumnIndex("CONTACTBDEB"));
  const auto credito = static_cast<size_t>(lancamentos.ColumnIndex("CONTACTBCRED"));
  const auto valor = static_cast<size_t>(lancamentos.ColumnIndex("VALORLCTOCTB"));
  const auto valorMoeda = static_cast<size_t>(lancamentos.ColumnIndex("VALORMOEDA"));
  std::vector<TMovimento> lados;
  lados.reserve(lancamentos.Rows.size() * 2);
  for (const ValueArray& linha : lancamentos.Rows) {
    if (!linha[debito].IsNull())
      lados.push_back({&linha, &linha[debito], &linha[valor], &kZero, &linha[valorMoeda], &kZero});
    if (!linha[credito].IsNull())
      lados.push_back({&linha, &linha[credito], &kZero, &linha[valor], &kZero, &linha[valorMoeda]});
  }
  return lados;
}

// A split is a movement of its own, with no currency amounts.
std::vector<TMovimento> LinhasDeMovimento(const TDbResult& movimentos) {
  const auto conta = static_cast<size_t>(movimentos.ColumnIndex("CONTACTB"));
  const auto debito = static_cast<size_t>(movimentos.ColumnIndex("VALORDEB"));
  const auto credito = static_cast<size_t>(movimentos.ColumnIndex("VALORCRED"));
  std::vector<TMovimento> linhas;
  linhas.reserve(movimentos.Rows.size());
  for (const ValueArray& linha : movimentos.Rows)
    linhas.push_back({&linha, &linha[conta], &linha[debito], &linha[credito], nullptr, nullptr});
  return linhas;
}

// Each journal, what SQLite reads of a block of keys for it, and the
// movements that stands for. Every column is typed by a cast, so that none
// takes the type of its first value (a whole amount would make the rest
// whole).
struct TDiario {
  const char* Nome;
  const char* LinhasDaFaixa;
  std::vector<TMovimento> (*Movimentos)(const TDbResult&);
};

constexpr std::array<TDiario, 2> kDiarios{{
    {"LOTESALDOCTB",
     "select cast(CODIGOESTAB as integer) as CODIGOESTAB, "
     "cast(CONTACTBDEB as integer) as CONTACTBDEB, cast(CONTACTBCRED as integer) as CONTACTBCRED, "
     "cast(DATASALDO as text) as DATASALDO, cast(DATAMES as text) as DATAMES, "
     "cast(TIPOLANCAMENTO as text) as TIPOLANCAMENTO, "
     "cast(CODIGOHISTCTB as integer) as CODIGOHISTCTB, "
     "cast(CODIGOMOEDA as integer) as CODIGOMOEDA, cast(VALORLCTOCTB as real) as VALORLCTOCTB, "
     "cast(VALORMOEDA as real) as VALORMOEDA from VLCTOCTBSALDOLCTO "
     "where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal",
     LadosDosLancamentos},
    {"LOTESALDOGER",
     "select cast(CODIGOESTAB as integer) as CODIGOESTAB, cast(CONTACTB as integer) as CONTACTB, "
     "cast(CODIGOCENTROCUSTO as integer) as CODIGOCENTROCUSTO, "
     "cast(DATASALDO as text) as DATASALDO, cast(DATAMES as text) as DATAMES, "
     "cast(TIPOLANCAMENTO as text) as TIPOLANCAMENTO, cast(VALORDEB as real) as VALORDEB, "
     "cast(VALORCRED as real) as VALORCRED from VLCTOGERSALDO "
     "where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal",
     LinhasDeMovimento},
}};

// PostgreSQL: the movements of the stored entries (and splits) of one block
// of keys, read through the primary key and summed per row of the journal
// by the server, rounded to cents as every total here is: one pass, whatever
// the number of balance tables.
const char* const kFaixaNoDiarioCtb =
    "insert into LOTESALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, VALORDEB, VALORCRED, VALORDEBMOEDA, "
    "VALORCREDMOEDA) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, CODIGOMOEDA, round(sum(VALORDEB), 2), round(sum(VALORCRED), 2), "
    "round(sum(VALORDEBMOEDA), 2), round(sum(VALORCREDMOEDA), 2) "
    "from VLCTOCTBSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "group by CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, DATAMES, TIPOLANCAMENTO, "
    "CODIGOHISTCTB, CODIGOMOEDA";

const char* const kFaixaNoDiarioGer =
    "insert into LOTESALDOGER (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, "
    "DATASALDO, DATAMES, TIPOLANCAMENTO, VALORDEB, VALORCRED) "
    "select CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO, round(sum(VALORDEB), 2), round(sum(VALORCRED), 2) "
    "from VLCTOGERSALDO where CODIGOEMPRESA = :pEmpresa "
    "and CHAVELCTOCTB between :pChaveInicial and :pChaveFinal "
    "group by CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, DATAMES, "
    "TIPOLANCAMENTO";

// A group whose movements cancel out changes nothing, so it is left out; a
// row the sum brings to zero is deleted by the table's own trigger.
// Rounding to cents keeps SQLite's REAL sums exact, as the triggers do at
// each step. Rows are written in key order, so two batches of one company
// that share balance rows lock them in the same order and wait instead of
// deadlocking.
std::string Somar(const TTabelaSaldo& tabela) {
  const char* deb = tabela.Moeda ? "VALORDEBMOEDA" : "VALORDEB";
  const char* cred = tabela.Moeda ? "VALORCREDMOEDA" : "VALORCRED";
  return fmt::format(
      "insert into {0} (CODIGOEMPRESA, {1}, VALORDEB, VALORCRED) "
      "select CODIGOEMPRESA, {2}, round(sum({3}), 2), round(sum({4}), 2) "
      "from {5} where CODIGOEMPRESA = :pEmpresa{6} "
      "group by CODIGOEMPRESA, {2} "
      "having round(sum({3}), 2) <> 0 or round(sum({4}), 2) <> 0 "
      "order by CODIGOEMPRESA, {2} "
      "on conflict (CODIGOEMPRESA, {1}) do update "
      "set VALORDEB = round({0}.VALORDEB + excluded.VALORDEB, 2), "
      "VALORCRED = round({0}.VALORCRED + excluded.VALORCRED, 2)",
      tabela.Nome, tabela.Chave, tabela.ChaveDiario, deb, cred, tabela.Diario,
      tabela.Moeda ? " and CODIGOMOEDA is not null" : "");
}

// SQLite: the movements of one block of keys, read once, are summed here
// per row of each balance table and added to the tables with multi-row
// upserts. SQLite would group them by sorting, and filling the journal
// first costs an index probe per movement; this costs a hash probe
// instead, and the journal is left to the triggers' movements.
struct TGrupoSaldo {
  ValueArray Chave;  // the table's key past the company, as the view gives it
  double Debito = 0;
  double Credito = 0;
};

// The key column that is the movement's account: apart from every column
// index, and from the -1 of a column the result lacks.
constexpr int kConta = -2;

std::vector<TGrupoSaldo> Agrupar(const TDbResult& linhas, const std::vector<TMovimento>& movimentos,
                                 const TTabelaSaldo& tabela) {
  std::vector<int> chave;
  for (const std::string& nome : Nutil::StrToStrArray(tabela.ChaveDiario, ", "))
    chave.push_back(nome == "CONTACTB" ? kConta : linhas.ColumnIndex(nome));
  const int moeda = linhas.ColumnIndex("CODIGOMOEDA");
  using TPorChave = std::unordered_map<std::string, TGrupoSaldo>;
  TPorChave porChave;
  std::string texto;
  for (const TMovimento& movimento : movimentos) {
    const ValueArray& linha = *movimento.Linha;
    if (tabela.Moeda && linha[moeda].IsNull())
      continue;
    const auto coluna = [&](int indice) -> const Value& {
      return indice == kConta ? *movimento.Conta : linha[static_cast<size_t>(indice)];
    };
    texto.clear();
    for (int indice : chave)
      AppendSortableKeyBytes(texto, coluna(indice));
    const auto [posicao, novo] = porChave.try_emplace(texto);
    TGrupoSaldo& grupo = posicao->second;
    if (novo) {
      grupo.Chave.reserve(chave.size());
      for (int indice : chave)
        grupo.Chave.push_back(coluna(indice));
    }
    grupo.Debito += (tabela.Moeda ? *movimento.DebitoMoeda : *movimento.Debito).AsFloat();
    grupo.Credito += (tabela.Moeda ? *movimento.CreditoMoeda : *movimento.Credito).AsFloat();
  }
  // In the table's key order, as the grouped statements write: each insert
  // then lands beside the one before it in the table's key, and a large
  // table's pages are each visited once instead of at random.
  std::vector<TPorChave::value_type*> emOrdem;
  emOrdem.reserve(porChave.size());
  for (TPorChave::value_type& par : porChave)
    emOrdem.push_back(&par);
  std::sort(emOrdem.begin(), emOrdem.end(),
            [](const TPorChave::value_type* a, const TPorChave::value_type* b) {
              return a->first < b->first;
            });
  std::vector<TGrupoSaldo> grupos;
  grupos.reserve(emOrdem.size());
  for (TPorChave::value_type* par : emOrdem)
    grupos.push_back(std::move(par->second));
  return grupos;
}

// `linhas` groups in one statement; a group whose movements cancel out is
// left out, as Somar leaves it.
std::string AdicionarGrupos(const TTabelaSaldo& tabela, size_t linhas) {
  const size_t colunas = Nutil::StrToStrArray(tabela.Chave, ", ").size() + 3;
  std::string texto =
      fmt::format("insert into {} (CODIGOEMPRESA, {}, VALORDEB, VALORCRED) select column1",
                  tabela.Nome, tabela.Chave);
  auto saida = std::back_inserter(texto);
  for (size_t coluna = 2; coluna + 1 < colunas; ++coluna)
    fmt::format_to(saida, ", column{}", coluna);
  fmt::format_to(saida, ", round(column{0}, 2), round(column{1}, 2) from (values ", colunas - 1,
                 colunas);
  for (size_t linha = 0; linha < linhas; ++linha) {
    texto += linha ? ", (" : "(";
    for (size_t coluna = 0; coluna < colunas; ++coluna)
      fmt::format_to(saida, "{}:v{}_{}", coluna ? ", " : "", linha, coluna);
    texto += ')';
  }
  fmt::format_to(saida,
                 ") where round(column{1}, 2) <> 0 or round(column{2}, 2) <> 0 "
                 "on conflict (CODIGOEMPRESA, {0}) do update "
                 "set VALORDEB = round({3}.VALORDEB + excluded.VALORDEB, 2), "
                 "VALORCRED = round({3}.VALORCRED + excluded.VALORCRED, 2)",
                 tabela.Chave, colunas - 1, colunas, tabela.Nome);
  return texto;
}

// Groups go kGruposPorComando to a statement, and the few left over one by
// one, so that each table has two texts.
constexpr size_t kGruposPorComando = 64;

void Adicionar(TnDMConexao& conexao, const TTabelaSaldo& tabela, int64_t empresa,
               const std::vector<TGrupoSaldo>& grupos) {
  const std::string varios = AdicionarGrupos(tabela, kGruposPorComando);
  const std::string um = AdicionarGrupos(tabela, 1);
  TParams params;
  for (size_t inicio = 0; inicio < grupos.size();) {
    const size_t linhas = grupos.size() - inicio >= kGruposPorComando ? kGruposPorComando : 1;
    params.clear();
    for (size_t k = inicio; k < inicio + linhas; ++k) {
      params.emplace_back("", Value(empresa));
      for (const Value& valor : grupos[k].Chave)
        params.emplace_back("", valor);
      params.emplace_back("", Value(grupos[k].Debito));
      params.emplace_back("", Value(grupos[k].Credito));
    }
    conexao.ExecuteDirect(linhas == 1 ? um : varios, params);
    inicio += linhas;
  }
}

void SomarFaixaSQLite(TnDMConexao& conexao, int64_t empresa, const TParams& faixa) {
  for (const TDiario& diario : kDiarios) {
    const TDbResult linhas = conexao.ExecuteQuery(diario.LinhasDaFaixa, faixa);
    const std::vector<TMovimento> movimentos = diario.Movimentos(linhas);
    for (const TTabelaSaldo& tabela : kTabelas)
      if (std::string_view(tabela.Diario) == diario.Nome)
        Adicionar(conexao, tabela, empresa, Agrupar(linhas, movimentos, tabela));
  }
}

// The settings are written by SET LOCAL, not set_config: on a Citus
// coordinator the triggers that read them run on the workers, and Citus
// sends a transaction's SET LOCAL (never a set_config) to every worker the
// transaction reaches, when asked to. Elsewhere that request is a setting
// nobody reads.
void Ligar(TnDMConexao& conexao, bool ligado) {
  if (conexao.PegarTipoCon() == TTipoConexao::PostgreSQL) {
    if (ligado)
      conexao.ExecuteScript("SET LOCAL citus.propagate_set_commands = 'local'");
    conexao.ExecuteScript(ligado ? "SET LOCAL ctb.lotesaldo = '1'"
                                 : "SET LOCAL ctb.lotesaldo = '0'");
  } else if (ligado)
    conexao.ExecuteDirect("insert into LOTESALDOATIVO (ATIVO) values (1)");
  else
    conexao.ExecuteDirect("delete from LOTESALDOATIVO");
}

}  // namespace

TLoteSaldos::TLoteSaldos(TnDMConexao& conexao) : FConexao(conexao) {
  if (!conexao.InTransaction())
    throw Exception("Um lote de lançamentos precisa de uma transação aberta");
  Ligar(FConexao, true);
}

TLoteSaldos::~TLoteSaldos() {
  if (!FAberto)
    return;
  try {
    while (FConexao.InTransaction())
      FConexao.RollBack();
  } catch (...) {
    // The connection is gone with its transaction: nothing was committed.
  }
}

void TLoteSaldos::ChavesNovas(int64_t codigoEmpresa, int64_t chaveInicial, int64_t chaveFinal) {
  if (chaveInicial > chaveFinal)
    return;
  // A stored entry in the block counted before it: its balances stay the
  // triggers' business, so the block is not taken.
  if (!FConexao
           .ExecuteQuery("select 1 from LCTOCTB where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB "
                         "between :pChaveInicial and :pChaveFinal {LIMIT(1)}",
                         {{"pEmpresa", codigoEmpresa},
                          {"pChaveInicial", chaveInicial},
                          {"pChaveFinal", chaveFinal}})
           .Rows.empty())
    return;
  TFaixa nova{codigoEmpresa, chaveInicial, chaveFinal};
  // Merged with every block of the company it overlaps or touches, so that
  // no key is summed twice.
  std::erase_if(FFaixas, [&](const TFaixa& faixa) {
    if (faixa.Empresa != codigoEmpresa || faixa.Final + 1 < nova.Inicial ||
        nova.Final + 1 < faixa.Inicial)
      return false;
    nova.Inicial = std::min(nova.Inicial, faixa.Inicial);
    nova.Final = std::max(nova.Final, faixa.Final);
    return true;
  });
  FFaixas.push_back(nova);
  GravarFaixas(codigoEmpresa);
  LembrarFaixa(codigoEmpresa, fmt::format("{}:{}", nova.Inicial, nova.Final));
}

void TLoteSaldos::GravarFaixas(int64_t codigoEmpresa) {
  FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                         {{"pEmpresa", codigoEmpresa}});
  for (const TFaixa& faixa : FFaixas)
    if (faixa.Empresa == codigoEmpresa)
      FConexao.ExecuteDirect(
          "insert into LOTESALDOFAIXA (CODIGOEMPRESA, CHAVEINICIAL, CHAVEFINAL) "
          "values (:pEmpresa, :pChaveInicial, :pChaveFinal)",
          {{"pEmpresa", faixa.Empresa},
           {"pChaveInicial", faixa.Inicial},
           {"pChaveFinal", faixa.Final}});
}

// PostgreSQL's triggers answer the keys of this block from the setting,
// without reading LOTESALDOFAIXA (schema.sql, CTB_CHAVE_EM_LOTE); empty
// forgets it. A SET takes no parameter: the text is made of numbers only. SQLite's triggers read
// the table, which costs no round trip.
void TLoteSaldos::LembrarFaixa(int64_t codigoEmpresa, const std::string& faixa) {
  if (FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL)
    FConexao.ExecuteScript(fmt::format("SET LOCAL ctb.faixa{} = '{}'", codigoEmpresa, faixa));
}

void TLoteSaldos::Aplicar() {
  // The blocks are summed (on PostgreSQL into the journal, which the grouped
  // statements below apply; on SQLite straight into the balance tables) and
  // forgotten.
  const bool postgres = FConexao.PegarTipoCon() == TTipoConexao::PostgreSQL;
  for (const TFaixa& faixa : FFaixas) {
    const TParams params{{"pEmpresa", faixa.Empresa},
                         {"pChaveInicial", faixa.Inicial},
                         {"pChaveFinal", faixa.Final}};
    if (postgres) {
      FConexao.ExecuteDirect(kFaixaNoDiarioCtb, params);
      FConexao.ExecuteDirect(kFaixaNoDiarioGer, params);
    } else {
      SomarFaixaSQLite(FConexao, faixa.Empresa, params);
    }
  }
  // A later batch of this transaction must not find these blocks in the
  // settings once their rows are gone.
  for (const TFaixa& faixa : FFaixas) {
    FConexao.ExecuteDirect("delete from LOTESALDOFAIXA where CODIGOEMPRESA = :pEmpresa",
                           {{"pEmpresa", faixa.Empresa}});
    LembrarFaixa(faixa.Empresa, "");
  }
  FFaixas.clear();
  // Company by company, so every statement stays inside one company's rows
  // (one shard when the tables are distributed by CODIGOEMPRESA).
  const TDbResult empresas = FConexao.ExecuteQuery(
      "select CODIGOEMPRESA from LOTESALDOCTB union select CODIGOEMPRESA from LOTESALDOGER");
  for (const ValueArray& empresa : empresas.Rows) {
    const TParams params{{"pEmpresa", empresa[0]}};
    for (const TTabelaSaldo& tabela : kTabelas)
      FConexao.ExecuteDirect(Somar(tabela), params);
    for (const TDiario& diario : kDiarios)
      FConexao.ExecuteDirect(
          fmt::format("delete from {} where CODIGOEMPRESA = :pEmpresa", diario.Nome), params);
  }
  Ligar(FConexao, false);
  FAberto = false;
}
