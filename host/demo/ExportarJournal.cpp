#include "host/demo/ExportarJournal.h"

#include <fmt/format.h>

#include <map>
#include <unordered_map>

#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/demo/DemoLancamentos.h"
#include "host/reports/RelatorioContabil.h"

namespace ExportarJournal {

namespace {

constexpr const char* kSqlDia =
    "select CHAVELCTOCTB, TRANSCTB, CODIGOESTAB, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, "
    "COMPLHIST, VALORLCTOCTB from LCTOCTB where CODIGOEMPRESA = :pEmpresa and "
    "DATALCTOCTB = :pDia and TIPOLANCAMENTO in (:pTipoNormal, :pTipoLivro) "
    "order by CHAVELCTOCTB";

// An account's name within the path: ":" would open a level, ";" a comment,
// and two blanks end the name.
std::string NomeDeNivel(const std::string& descricao) {
  std::string nome;
  for (char c : descricao) {
    const char limpo = (c == ':' || c == ';' || c == '\t') ? '-' : c;
    if (!(limpo == ' ' && !nome.empty() && nome.back() == ' '))
      nome += limpo;
  }
  return Nutil::Trim(nome);
}

// The payee line is free text, but a ";" would start a comment there and a
// line break would end the transaction.
std::string Descricao(const std::string& texto) {
  std::string limpo;
  for (char c : texto)
    limpo += (c == ';' || c == '\n' || c == '\r') ? ' ' : c;
  return limpo;
}

// The type the tools read for a statement group's type.
std::string TipoJournal(const std::string& tipoGrupo) {
  static const std::map<std::string, std::string> tipos = {
      {"A", "A"}, {"P", "L"}, {"L", "E"}, {"R", "R"}, {"D", "X"}};
  const auto it = tipos.find(tipoGrupo);
  return it == tipos.end() ? "" : it->second;
}

// One company's chart: each account's full name, and its declarations.
class TPlanoJournal {
 public:
  TPlanoJournal(TnDMConexao& conexao, int64_t empresa) {
    const TParams params = {{"pEmpresa", Value(empresa)}};
    std::map<std::string, std::string> grupos;  // classification -> type
    for (const ValueArray& linha :
         conexao
             .ExecuteQuery("select CLASSIFGRUPO, TIPOGRUPO from GRUPODEMONSCTB "
                           "where CODIGOEMPRESA = :pEmpresa",
                           params)
             .Rows)
      grupos[linha[0].AsString()] = TipoJournal(linha[1].AsString());
    const TDbResult contas = conexao.ExecuteQuery(
        "select CONTACTB, CLASSIFCONTA, DESCRCONTA from PLANOESPEC where CODIGOEMPRESA = "
        ":pEmpresa order by CLASSIFCONTA",
        params);
    std::map<std::string, std::string> nomes;  // classification -> level name
    for (const ValueArray& linha : contas.Rows)
      nomes[linha[1].AsString()] = linha[1].AsString() + " " + NomeDeNivel(linha[2].AsString());
    const std::string raiz = fmt::format("Empresa {}", empresa);
    for (const ValueArray& linha : contas.Rows) {
      const std::string classif = linha[1].AsString();
      std::string nome = raiz, tipo;
      for (size_t ponto = classif.find('.');; ponto = classif.find('.', ponto + 1)) {
        const std::string nivel = classif.substr(0, ponto);
        const auto it = nomes.find(nivel);
        nome += ":" + (it == nomes.end() ? nivel : it->second);
        // The longest group holding the account gives its type.
        if (const auto grupo = grupos.find(nivel); grupo != grupos.end())
          tipo = grupo->second;
        if (ponto == std::string::npos)
          break;
      }
      FDeclaracoes += "account " + nome + (tipo.empty() ? "" : "  ; type: " + tipo) + "\n";
      FNomes.emplace(linha[0].AsInteger(), std::move(nome));
    }
  }

  const std::string& Declaracoes() const { return FDeclaracoes; }
  // The account's name; an account missing from the chart keeps its code.
  std::string Nome(int64_t conta) const {
    const auto it = FNomes.find(conta);
    return it == FNomes.end() ? fmt::format("{}", conta) : it->second;
  }

 private:
  std::unordered_map<int64_t, std::string> FNomes;
  std::string FDeclaracoes;
};

std::string DataJournal(TDateTime data) {
  std::string iso = DateToIso(data);  // YYYY-MM-DD
  iso[4] = '/';
  iso[7] = '/';
  return iso;
}

// The entries of one company's day: a transaction of the module gathers its
// rows, in the order of its first row; any other entry stands alone.
void EscreverDia(TnDMConexao& conexao, const TPlanoJournal& plano,
                 const RelatorioContabil::TPlano& contas,
                 const RelatorioContabil::THistoricos& historicos, int64_t empresa, TDateTime dia,
                 std::ostream& saida) {
  TParams params = {{"pEmpresa", Value(empresa)}, {"pDia", Value(dia)}};
  RelatorioContabil::AdicionarLivro(params, 0);
  const TDbResult linhas = conexao.ExecuteQuery(kSqlDia, params);
  std::vector<std::string> transacoes;
  std::map<int64_t, size_t> porTransacao;
  for (const ValueArray& linha : linhas.Rows) {
    const Currency valor = linha[7].AsCurrency();
    std::string postagens;
    if (!linha[3].IsNull())
      postagens +=
          "\n    " + plano.Nome(linha[3].AsInteger()) + "  " + DemoLancamentos::ValorTexto(valor);
    if (!linha[4].IsNull())
      postagens +=
          "\n    " + plano.Nome(linha[4].AsInteger()) + "  " + DemoLancamentos::ValorTexto(-valor);
    if (!linha[1].IsNull()) {
      const auto [it, nova] = porTransacao.emplace(linha[1].AsInteger(), transacoes.size());
      if (!nova) {
        transacoes[it->second] += postagens;
        continue;
      }
    }
    const HistoricoPadrao::TLancamento lancamento = {linha[3].IsNull() ? 0 : linha[3].AsInteger(),
                                                     linha[4].IsNull() ? 0 : linha[4].AsInteger(),
                                                     dia};
    transacoes.push_back(DataJournal(dia) + " " +
                         Descricao(RelatorioContabil::TextoHistorico(historicos, contas, linha[5],
                                                                     linha[6], lancamento)) +
                         "\n    ; filial: " + std::to_string(linha[2].AsInteger()) + postagens);
  }
  for (const std::string& transacao : transacoes)
    saida << transacao << "\n\n";
}

}  // namespace

void Escrever(TnDMConexao& conexao, const std::vector<int64_t>& empresas, TDateTime inicio,
              TDateTime fim, std::ostream& saida) {
  const RelatorioContabil::THistoricos historicos = RelatorioContabil::Historicos(conexao);
  std::vector<TPlanoJournal> planos;
  for (const int64_t empresa : empresas) {
    planos.emplace_back(conexao, empresa);
    saida << planos.back().Declaracoes();
  }
  saida << "\n";
  for (size_t i = 0; i < empresas.size(); ++i) {
    const RelatorioContabil::TPlano contas(conexao, empresas[i]);
    for (TDateTime dia = inicio; dia <= fim; dia = IncDay(dia))
      EscreverDia(conexao, planos[i], contas, historicos, empresas[i], dia, saida);
  }
}

}  // namespace ExportarJournal
