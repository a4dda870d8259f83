#include "host/commands/ComandoLoad.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/ValorDigitado.h"
#include "host/import/CsvReader.h"
#include "schema/SchemaInstaller.h"

namespace ComandoLoad {

namespace {

// Rows a load sends to the database at a time.
constexpr size_t kLinhasPorEnvio = 1000;

std::string Maiusculas(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool EhIdentificador(const std::string& text) {
  if (text.empty() || text.size() > 63 ||
      !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_'))
    return false;
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

bool SoDigitos(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The cell typed for its column; the reason in `erro` when it does not fit.
Value Converter(const std::string& cell, const TDbColumn& coluna, std::string& erro) {
  if (cell.empty())
    return Value();
  switch (coluna.Kind) {
    case TDbColumnKind::Integer:
      erro = ValorDigitado::VerificarInteiro(cell, coluna.Size);
      return erro.empty() ? Value(static_cast<int64_t>(std::stoll(cell))) : Value();
    case TDbColumnKind::Float:
    case TDbColumnKind::Numeric: {
      const bool decimalFixo = coluna.Kind == TDbColumnKind::Numeric && coluna.Precision > 0;
      erro = ValorDigitado::VerificarDecimal(cell, decimalFixo ? coluna.Scale : -1,
                                             decimalFixo ? coluna.Precision : 0);
      if (!erro.empty())
        return Value();
      if (coluna.Kind == TDbColumnKind::Numeric && coluna.Scale <= 4 &&
          ValorDigitado::AnalisarDecimal(cell).Casas <= 4)
        return Value(Currency::FromString(cell));
      return Value(std::stod(cell));
    }
    case TDbColumnKind::Date:
    case TDbColumnKind::DateTime: {
      const bool iso = cell.size() >= 10 && SoDigitos(std::string_view(cell).substr(0, 4)) &&
                       cell[4] == '-' && SoDigitos(std::string_view(cell).substr(5, 2)) &&
                       cell[7] == '-' && SoDigitos(std::string_view(cell).substr(8, 2));
      const bool semHora = cell.size() == 10;
      std::optional<TDateTime> data = iso ? ParseDate(cell) : std::nullopt;
      if (!data || (coluna.Kind == TDbColumnKind::Date && !semHora)) {
        erro = coluna.Kind == TDbColumnKind::Date
                   ? fmt::format("data inválida: '{}' (use AAAA-MM-DD)", cell)
                   : fmt::format("data e hora inválidas: '{}' (use AAAA-MM-DD HH:MM:SS)", cell);
        return Value();
      }
      return Value(*data);
    }
    case TDbColumnKind::Boolean:
      if (cell == "1" || cell == "0")
        return Value(cell == "1");
      erro = fmt::format("valor lógico inválido: '{}' (use 0 ou 1)", cell);
      return Value();
    case TDbColumnKind::Text:
      if (coluna.Size > 0 && Nutil::Caracteres(cell) > static_cast<size_t>(coluna.Size)) {
        erro = fmt::format("texto com mais de {} caracteres", coluna.Size);
        return Value();
      }
      return Value(cell);
  }
  return Value(cell);
}

// An entry loaded stands, as one posted does, in an establishment of its
// company and on analytic accounts of its chart: `load` writes rows as they
// are, past the module's rules, so it checks these itself, each answer
// asked once per file.
class TVerificadorLctoCtb {
 public:
  TVerificadorLctoCtb(TnDMConexao& conexao, const std::vector<TDbColumn>& colunas)
      : FConexao(conexao) {
    for (size_t i = 0; i < colunas.size(); ++i)
      FIndices[colunas[i].Name] = i;
  }

  // Why the row (its values in the header's order) is no entry of its
  // company; empty when it is one.
  std::string Verificar(const TParams& valores) {
    const Value* empresa = Coluna(valores, "CODIGOEMPRESA");
    if (empresa == nullptr || empresa->IsNull())
      return "";
    const int64_t codigoEmpresa = empresa->AsInteger();
    if (const Value* estab = Coluna(valores, "CODIGOESTAB"); estab != nullptr && !estab->IsNull())
      if (!Lembrar(FEstabelecimentos, {codigoEmpresa, estab->AsInteger()}, [&] {
            return FConexao
                       .ExecuteScalar(
                           "select count(*) from ESTAB where CODIGOEMPRESA = :pEmpresa and "
                           "CODIGOESTAB = :pEstab",
                           {{"pEmpresa", Value(codigoEmpresa)}, {"pEstab", *estab}})
                       .AsInteger() > 0;
          }))
        return fmt::format("Estabelecimento {} não cadastrado na empresa {}", estab->AsString(),
                           codigoEmpresa);
    for (const auto& [coluna, rotulo, sintetica] :
         {std::tuple{"CONTACTBDEB", "Debite", nCtbSTipoContaInvalidaDeb},
          std::tuple{"CONTACTBCRED", "Credite", nCtbSTipoContaInvalidaCred}}) {
      const Value* conta = Coluna(valores, coluna);
      if (conta == nullptr || conta->IsNull())
        continue;
      const Value tipo = Lembrar(FTiposConta, {codigoEmpresa, conta->AsInteger()}, [&] {
        return FConexao.ExecuteScalar(
            "select TIPOCONTA from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
            "CONTACTB = :pConta",
            {{"pEmpresa", Value(codigoEmpresa)}, {"pConta", *conta}});
      });
      if (tipo.IsNull())
        return fmt::format("{}: {} não existe, verifique.", rotulo, conta->AsString());
      if (tipo.AsInteger() == 1)
        return sintetica;
    }
    return "";
  }

 private:
  using TChave = std::pair<int64_t, int64_t>;

  const Value* Coluna(const TParams& valores, const char* nome) const {
    const auto achado = FIndices.find(nome);
    return achado == FIndices.end() ? nullptr : &valores[achado->second].second;
  }
  template <class T, class Ler>
  static T Lembrar(std::map<TChave, T>& lembradas, const TChave& chave, const Ler& ler) {
    const auto achado = lembradas.find(chave);
    return achado != lembradas.end() ? achado->second
                                     : lembradas.emplace(chave, ler()).first->second;
  }

  TnDMConexao& FConexao;
  std::map<std::string, size_t> FIndices;
  std::map<TChave, bool> FEstabelecimentos;
  std::map<TChave, Value> FTiposConta;
};

}  // namespace

TResultadoLoad Carregar(TnDMConexao& conexao, const std::string& tabela, std::istream& csv,
                        const TVerificarEmpresa& verificarEmpresa, TCodificacaoCsv codificacao) {
  TResultadoLoad resultado;
  resultado.Tabela = Maiusculas(tabela);
  if (!EhIdentificador(tabela))
    throw Exception(fmt::format("Nome de tabela inválido: '{}'", tabela));
  if (!SchemaInstaller::TabelaExiste(conexao, resultado.Tabela))
    throw Exception(fmt::format("A tabela {} não existe no banco de dados", resultado.Tabela));
  // The name is now a plain identifier of a real table: safe in the text.
  const std::vector<TDbColumn> colunasTabela =
      conexao.ExecuteQuery("select * from " + resultado.Tabela + " where 1 = 0").Columns;

  TCsvReader leitor(csv, codificacao);
  std::vector<TDbColumn> colunas;
  for (const std::string& nome : leitor.Header()) {
    const std::string nomeMaiusculo = Maiusculas(nome);
    if (nomeMaiusculo.empty())
      throw Exception("O cabeçalho tem uma coluna sem nome");
    auto coluna = std::find_if(colunasTabela.begin(), colunasTabela.end(),
                               [&](const TDbColumn& c) { return c.Name == nomeMaiusculo; });
    if (coluna == colunasTabela.end())
      throw EnField(fmt::format("A coluna {} não existe na tabela {}", nome, resultado.Tabela),
                    nome);
    if (std::any_of(colunas.begin(), colunas.end(),
                    [&](const TDbColumn& c) { return c.Name == nomeMaiusculo; }))
      throw EnField(fmt::format("A coluna {} aparece duas vezes no cabeçalho", nome), nome);
    colunas.push_back(*coluna);
  }

  std::string nomes, parametros;
  for (size_t i = 0; i < colunas.size(); ++i) {
    nomes += (i ? ", " : "") + colunas[i].Name;
    parametros += fmt::format("{}:p{}", i ? ", " : "", i);
  }
  const std::string insert =
      fmt::format("insert into {} ({}) values ({})", resultado.Tabela, nomes, parametros);

  // Rows go to the database a batch at a time; a failure names its row's
  // line, and the file is refused whole.
  std::vector<TnDMConexao::TComando> pendentes;
  std::vector<int> linhasPendentes;
  const auto enviar = [&] {
    const TnDMConexao::TResultadoLote lote = conexao.ExecuteBatch(pendentes);
    if (lote.Erro) {
      try {
        std::rethrow_exception(lote.Erro);
      } catch (const EDatabaseError& error) {
        throw Exception(
            fmt::format("Linha {}: {}", linhasPendentes[lote.Afetados.size()], error.what()));
      }
    }
    resultado.Linhas += static_cast<int64_t>(pendentes.size());
    pendentes.clear();
    linhasPendentes.clear();
  };
  std::optional<TVerificadorLctoCtb> verificadorLctoCtb;
  if (resultado.Tabela == "LCTOCTB")
    verificadorLctoCtb.emplace(conexao, colunas);
  conexao.StartTransaction();
  try {
    while (std::optional<TCsvRow> linha = leitor.Next()) {
      if (linha->Cells.size() != colunas.size())
        throw Exception(fmt::format("Linha {}: {} células, o cabeçalho tem {} colunas",
                                    linha->LineNumber, linha->Cells.size(), colunas.size()));
      TParams valores;
      for (size_t i = 0; i < colunas.size(); ++i) {
        std::string erro;
        Value valor = Converter(linha->Cells[i], colunas[i], erro);
        if (!erro.empty())
          throw EnField(
              fmt::format("Linha {}, coluna {}: {}", linha->LineNumber, colunas[i].Name, erro),
              colunas[i].Name);
        if (verificarEmpresa && colunas[i].Name == "CODIGOEMPRESA" && !valor.IsNull()) {
          try {
            verificarEmpresa(valor.AsInteger());
          } catch (const Exception& recusa) {
            throw Exception(fmt::format("Linha {}: {}", linha->LineNumber, recusa.what()));
          }
        }
        valores.emplace_back(fmt::format("p{}", i), std::move(valor));
      }
      if (verificadorLctoCtb)
        if (const std::string recusa = verificadorLctoCtb->Verificar(valores); !recusa.empty())
          throw Exception(fmt::format("Linha {}: {}", linha->LineNumber, recusa));
      pendentes.push_back({insert, std::move(valores)});
      linhasPendentes.push_back(linha->LineNumber);
      if (pendentes.size() == kLinhasPorEnvio)
        enviar();
    }
    enviar();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
  conexao.Commit();
  return resultado;
}

TResultadoLoad CarregarArquivo(TnDMConexao& conexao, const std::string& tabela,
                               const std::string& arquivo,
                               const TVerificarEmpresa& verificarEmpresa,
                               TCodificacaoCsv codificacao) {
  std::ifstream input(arquivo, std::ios::binary);
  if (!input)
    throw Exception(fmt::format("Não foi possível abrir o arquivo {}", arquivo));
  return Carregar(conexao, tabela, input, verificarEmpresa, codificacao);
}

std::string Descricao(const TResultadoLoad& resultado) {
  return fmt::format("{} {} carregada{} em {}", resultado.Linhas,
                     resultado.Linhas == 1 ? "linha" : "linhas", resultado.Linhas == 1 ? "" : "s",
                     resultado.Tabela);
}

}  // namespace ComandoLoad
