#include "host/reports/RelatorioContabil.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/LinhaComando.h"
#include "host/services/SessaoHost.h"

namespace RelatorioContabil {

namespace {

// Before the month of `data` from the month table, then the days of that
// month before `data` from the day table; summed per account and
// establishment.
constexpr const char* kSqlSaldosAntes =
    "select CONTACTB, CODIGOESTAB, cast(sum(VALORDEB) as numeric(14,2)) VALORDEB, "
    "cast(sum(VALORCRED) as numeric(14,2)) VALORCRED from ("
    " select CONTACTB, CODIGOESTAB, VALORDEB, VALORCRED from SALDOCTBMENSAL"
    " where CODIGOEMPRESA = :pEmpresa and DATASALDO < :pMes and "
    "TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro)"
    " union all"
    " select CONTACTB, CODIGOESTAB, VALORDEB, VALORCRED from SALDOCTB"
    " where CODIGOEMPRESA = :pEmpresa and DATASALDO >= :pMes and DATASALDO < :pData and "
    "TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro)"
    ") S group by CONTACTB, CODIGOESTAB";

}  // namespace

using SaidaRelatorio::TTipoColuna;
const SaidaRelatorio::TColuna kColunaEstab{"CODIGOESTAB", "Filial", TTipoColuna::Inteiro, 6};
const SaidaRelatorio::TColuna kColunaData{"DATALCTOCTB", "Data", TTipoColuna::Data, 10};
const SaidaRelatorio::TColuna kColunaChave{"CHAVELCTOCTB", "Chave", TTipoColuna::Inteiro, 8};
const SaidaRelatorio::TColuna kColunaDebito{"DEBITO", "Débito", TTipoColuna::Valor, 16};
const SaidaRelatorio::TColuna kColunaCredito{"CREDITO", "Crédito", TTipoColuna::Valor, 16};
// The free text goes last, so the table never pads it.
const SaidaRelatorio::TColuna kColunaHistorico{"HISTORICO", "Histórico", TTipoColuna::Texto, 1};

void AdicionarOpcoes(CLI::App& cmd, TOpcoesRelatorio& o, bool comEstab) {
  cmd.add_option("--company", o.Empresa, "Empresa")->required()->check(CLI::PositiveNumber);
  LinhaComando::AdicionarPeriodo(cmd, o.De, o.Ate);
  if (comEstab)
    cmd.add_option("--estab", o.Estab, "Só este estabelecimento")->check(CLI::Range(1, 32767));
  cmd.add_option("--book", o.Livro, "0 societário, 1 fiscal")->check(CLI::Range(0, 1));
  LinhaComando::AdicionarFormato(cmd, o.Formato, {"table", "csv", "csv-br", "json", "xlsx"},
                                 "a extensão de --out, senão table");
  cmd.add_option("--out", o.Arquivo, "Arquivo de saída (obrigatório para xlsx)");
}

void VerificarAcesso(TSessaoHost& sessao, const TOpcoesRelatorio& o) {
  sessao.VerificarEmpresa(o.Empresa);
  if (o.Estab != 0)
    sessao.VerificarEstabelecimentos(std::to_string(o.Estab));
}

ComandoBalancete::TFormato Formato(const TOpcoesRelatorio& o) {
  return ComandoBalancete::FormatoDoNome(LinhaComando::FormatoDaSaida(o.Formato, o.Arquivo));
}

bool SobGrupo(const std::string& classif, const std::string& grupo) {
  return classif == grupo || (classif.size() > grupo.size() && classif.starts_with(grupo) &&
                              classif[grupo.size()] == '.');
}

TPlano::TPlano(TnDMConexao& conexao, int64_t empresa) {
  TDbResult plano = conexao.ExecuteQuery(
      "select CONTACTB, CLASSIFCONTA, DESCRCONTA, APELIDOCONTA, TIPOCONTA from PLANOESPEC "
      "where CODIGOEMPRESA = :pEmpresa order by CLASSIFCONTA, CONTACTB",
      {{"pEmpresa", Value(empresa)}});
  for (const ValueArray& linha : plano.Rows) {
    TConta conta;
    conta.ContaCtb = linha[0].AsInteger();
    conta.Classif = linha[1].AsString();
    conta.Descr = linha[2].AsString();
    conta.Apelido = linha[3].AsString();
    conta.Sintetica = linha[4].AsInteger() == 1;
    FPorCodigo.emplace(conta.ContaCtb, FContas.size());
    FContas.push_back(std::move(conta));
  }
}

const TConta* TPlano::PorCodigo(int64_t contaCtb) const {
  auto it = FPorCodigo.find(contaCtb);
  return it == FPorCodigo.end() ? nullptr : &FContas[it->second];
}

const TConta* TPlano::PorCodigoOuApelido(const std::string& texto) const {
  const std::string procurado = Nutil::UpperCase(Nutil::Trim(texto));
  const bool numero =
      !procurado.empty() && procurado.size() <= 18 &&
      std::all_of(procurado.begin(), procurado.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (numero)
    if (const TConta* conta = PorCodigo(std::stoll(procurado)))
      return conta;
  for (const TConta& conta : FContas)
    if (!conta.Apelido.empty() && Nutil::UpperCase(conta.Apelido) == procurado)
      return &conta;
  return nullptr;
}

std::vector<const TConta*> TPlano::AnaliticasSob(const std::string& grupo) const {
  std::vector<const TConta*> contas;
  for (const TConta& conta : FContas)
    if (!conta.Sintetica && SobGrupo(conta.Classif, grupo))
      contas.push_back(&conta);
  return contas;
}

const std::string& TPlano::Descricao(int64_t contaCtb) const {
  static const std::string kNenhuma;
  const TConta* conta = PorCodigo(contaCtb);
  return conta == nullptr ? kNenhuma : conta->Descr;
}

size_t TPlano::LarguraDescricao() const {
  size_t largura = 0;
  for (const TConta& conta : FContas)
    largura = std::max(largura, Nutil::Caracteres(conta.Descr));
  return largura;
}

void AdicionarLivro(TParams& params, int livro) {
  params.emplace_back("pTipoNormal", Value("LN"));
  params.emplace_back("pTipoLivro", Value(livro == 1 ? "LF" : "LS"));
}

TDebitoCredito& TDebitoCredito::operator+=(const TDebitoCredito& outro) {
  Debito += outro.Debito;
  Credito += outro.Credito;
  return *this;
}

TSaldos SaldosAntesDe(TnDMConexao& conexao, int64_t empresa, TDateTime data, int livro) {
  TParams params = {
      {"pEmpresa", Value(empresa)}, {"pMes", Value(StartOfTheMonth(data))}, {"pData", Value(data)}};
  AdicionarLivro(params, livro);
  TSaldos saldos;
  for (const ValueArray& linha : conexao.ExecuteQuery(kSqlSaldosAntes, params).Rows) {
    TDebitoCredito& saldo = saldos[{linha[0].AsInteger(), static_cast<int>(linha[1].AsInteger())}];
    saldo.Debito = linha[2].AsCurrency();
    saldo.Credito = linha[3].AsCurrency();
  }
  return saldos;
}

TDebitoCredito SaldoDaConta(const TSaldos& saldos, int64_t contaCtb, int estab) {
  TDebitoCredito total;
  for (auto it = saldos.lower_bound({contaCtb, 0});
       it != saldos.end() && it->first.first == contaCtb; ++it)
    if (estab == 0 || it->first.second == estab)
      total += it->second;
  return total;
}

THistoricos Historicos(TnDMConexao& conexao) {
  THistoricos historicos;
  for (const ValueArray& linha :
       conexao.ExecuteQuery("select CODIGOHISTCTB, DESCRHISTCTB from HISTORICOCTB").Rows)
    historicos.emplace(static_cast<int>(linha[0].AsInteger()),
                       HistoricoPadrao::Trechos(linha[1].AsString()));
  return historicos;
}

std::string TextoHistorico(const THistoricos& historicos, const TPlano& plano, const Value& codigo,
                           const Value& complemento,
                           const HistoricoPadrao::TLancamento& lancamento) {
  static const std::vector<HistoricoPadrao::TTrecho> kSemHistorico;
  const std::vector<HistoricoPadrao::TTrecho>* trechos = &kSemHistorico;
  if (!codigo.IsNull()) {
    auto it = historicos.find(static_cast<int>(codigo.AsInteger()));
    if (it != historicos.end())
      trechos = &it->second;
  }
  // The complement is read in place; only a value of another type is
  // converted.
  const bool texto = complemento.Type() == TValueType::String;
  const std::string convertido = texto || complemento.IsNull() ? "" : complemento.AsString();
  return HistoricoPadrao::Texto(*trechos, texto ? complemento.Text() : convertido, lancamento,
                                [&](int64_t conta) { return plano.Descricao(conta); });
}

std::vector<int> Estabelecimentos(TnDMConexao& conexao, int64_t empresa) {
  std::vector<int> estabs;
  for (const ValueArray& linha :
       conexao
           .ExecuteQuery(
               "select CODIGOESTAB from ESTAB where CODIGOEMPRESA = :pEmpresa order by CODIGOESTAB",
               {{"pEmpresa", Value(empresa)}})
           .Rows)
    estabs.push_back(static_cast<int>(linha[0].AsInteger()));
  return estabs;
}

std::string NomeEmpresa(TnDMConexao& conexao, int64_t empresa) {
  return conexao
      .ExecuteScalar("select NOMEEMPRESA from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                     {{"pEmpresa", Value(empresa)}})
      .AsString();
}

TLeituraCorrida::TLeituraCorrida(TnDMConexao& conexao) : FConexao(conexao) {
  if (conexao.PegarTipoCon() != TTipoConexao::SQLite)
    return;
  FTamanhoAntes = conexao.ExecuteScalar("PRAGMA cache_size").AsInteger();
  // 2 MB: the index pages of a search and the table pages of the rows at hand.
  conexao.ExecuteScript("PRAGMA cache_size=-2048");
}

TLeituraCorrida::~TLeituraCorrida() {
  if (!FTamanhoAntes)
    return;
  try {
    FConexao.ExecuteScript("PRAGMA cache_size=" + std::to_string(*FTamanhoAntes));
  } catch (...) {
    // The connection is failing anyway: a smaller cache only reads again.
  }
}

std::vector<std::pair<TDateTime, TDateTime>> Meses(TDateTime inicio, TDateTime fim) {
  std::vector<std::pair<TDateTime, TDateTime>> meses;
  for (TDateTime dia = inicio; dia <= fim;) {
    const TDateTime ultimo = std::min(DateOf(EndOfTheMonth(dia)), fim);
    meses.emplace_back(dia, ultimo);
    dia = IncDay(ultimo);
  }
  return meses;
}

TLinhasEmOrdem::TLinhasEmOrdem(size_t chave, std::optional<size_t> lado, TEscrever escrever)
    : FChave(chave), FLado(lado), FEscrever(std::move(escrever)) {}

void TLinhasEmOrdem::Acrescentar(const ValueArray& linha) {
  if (FQuantas < FLinhas.size())
    FLinhas[FQuantas] = linha;
  else
    FLinhas.push_back(linha);
  ++FQuantas;
}

void TLinhasEmOrdem::Fechar() {
  FPosicoes.clear();
  for (size_t i = 0; i < FQuantas; ++i)
    FPosicoes.push_back(
        {FLinhas[i][FChave].AsInteger(), FLado ? FLinhas[i][*FLado].AsInteger() : 0, i});
  std::sort(FPosicoes.begin(), FPosicoes.end());
  FQuantas = 0;
  for (const TPosicao& posicao : FPosicoes)
    FEscrever(FLinhas[posicao.Linha]);
}

std::string NaturezaDoSaldo(Currency saldo) {
  return saldo > Currency() ? "D" : saldo < Currency() ? "C" : "";
}

std::string Emitir(ComandoBalancete::TFormato formato, std::vector<SaidaRelatorio::TColuna> colunas,
                   const std::string& arquivo, const std::string& relatorio, std::ostream& saida,
                   const std::function<void(SaidaRelatorio::TEscritor&)>& escrever) {
  using ComandoBalancete::TFormato;
  if (formato == TFormato::Xlsx && arquivo.empty())
    throw Exception("O formato xlsx precisa de --out ARQUIVO");
  std::ofstream arquivoTexto;
  if (!arquivo.empty() && formato != TFormato::Xlsx) {
    arquivoTexto.open(arquivo, std::ios::binary);
    if (!arquivoTexto)
      throw Exception("Não foi possível criar o arquivo " + arquivo);
  }
  std::ostream& destino = arquivo.empty() ? saida : arquivoTexto;
  auto escritor = SaidaRelatorio::Criar(formato, std::move(colunas), destino, arquivo, relatorio);
  escrever(*escritor);
  escritor->Fechar();
  if (arquivo.empty())
    return "";
  if (!destino)
    throw Exception("Não foi possível gravar o arquivo " + arquivo);
  return relatorio + " gravado em " + arquivo;
}

}  // namespace RelatorioContabil
