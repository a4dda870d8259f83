#include "host/ComandoLoad.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <vector>

#include "framework/core/Currency.h"
#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "host/CsvReader.h"

namespace ComandoLoad {

namespace {

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

bool TabelaExiste(TnDMConexao& conexao, const std::string& tabela) {
  const std::string sql =
      conexao.PegarTipoCon() == TTipoConexao::SQLite
          ? "select count(*) from sqlite_master where type = 'table' and upper(name) = :pNome"
          : "select count(*) from information_schema.tables "
            "where table_schema = current_schema() and upper(table_name) = :pNome";
  return conexao.ExecuteScalar(sql, {{"pNome", Value(tabela)}}).AsInteger() > 0;
}

bool SoDigitos(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "-12", "3.50": an optional sign, digits, an optional dot and digits.
struct TNumeroTexto {
  bool Valido = false;
  size_t DigitosInteiros = 0;
  size_t Casas = 0;
};

TNumeroTexto AnalisarDecimal(const std::string& text) {
  std::string_view rest(text);
  if (!rest.empty() && (rest[0] == '-' || rest[0] == '+'))
    rest.remove_prefix(1);
  TNumeroTexto numero;
  size_t ponto = rest.find('.');
  std::string_view inteiros = rest.substr(0, ponto);
  std::string_view casas = ponto == std::string_view::npos ? "" : rest.substr(ponto + 1);
  if (!SoDigitos(inteiros) || (ponto != std::string_view::npos && !SoDigitos(casas)))
    return numero;
  numero.Valido = true;
  inteiros.remove_prefix(std::min(inteiros.find_first_not_of('0'), inteiros.size()));
  numero.DigitosInteiros = inteiros.size();
  while (!casas.empty() && casas.back() == '0')
    casas.remove_suffix(1);
  numero.Casas = casas.size();
  return numero;
}

size_t CaracteresUtf8(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The cell typed for its column; the reason in `erro` when it does not fit.
Value Converter(const std::string& cell, const TDbColumn& coluna, std::string& erro) {
  if (cell.empty())
    return Value();
  switch (coluna.Kind) {
    case TDbColumnKind::Integer: {
      int64_t inteiro = 0;
      const char* begin = cell.data() + (cell[0] == '+' ? 1 : 0);
      auto [end, ec] = std::from_chars(begin, cell.data() + cell.size(), inteiro);
      if (ec == std::errc::result_out_of_range) {
        erro = fmt::format("número inteiro fora do limite: '{}'", cell);
      } else if (ec != std::errc() || end != cell.data() + cell.size()) {
        erro = fmt::format("número inteiro inválido: '{}'", cell);
      } else {
        int bits = coluna.Size > 0 && coluna.Size < 8 ? coluna.Size * 8 : 64;
        int64_t limite = bits == 64 ? INT64_MAX : (int64_t{1} << (bits - 1)) - 1;
        if (bits < 64 && (inteiro > limite || inteiro < -limite - 1))
          erro = fmt::format("número inteiro fora do limite da coluna: '{}'", cell);
        else
          return Value(inteiro);
      }
      return Value();
    }
    case TDbColumnKind::Float:
    case TDbColumnKind::Numeric: {
      TNumeroTexto numero = AnalisarDecimal(cell);
      if (!numero.Valido) {
        erro = fmt::format("número inválido: '{}' (use ponto como separador decimal)", cell);
        return Value();
      }
      if (coluna.Kind == TDbColumnKind::Numeric && coluna.Precision > 0) {
        if (numero.Casas > static_cast<size_t>(coluna.Scale)) {
          erro = fmt::format("'{}' tem mais de {} casas decimais", cell, coluna.Scale);
          return Value();
        }
        if (numero.DigitosInteiros > static_cast<size_t>(coluna.Precision - coluna.Scale)) {
          erro = fmt::format("'{}' excede a precisão da coluna", cell);
          return Value();
        }
      }
      if (coluna.Kind == TDbColumnKind::Numeric && coluna.Scale <= 4 && numero.Casas <= 4)
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
      if (coluna.Size > 0 && CaracteresUtf8(cell) > static_cast<size_t>(coluna.Size)) {
        erro = fmt::format("texto com mais de {} caracteres", coluna.Size);
        return Value();
      }
      return Value(cell);
  }
  return Value(cell);
}

}  // namespace

TResultadoLoad Carregar(TnDMConexao& conexao, const std::string& tabela, std::istream& csv) {
  TResultadoLoad resultado;
  resultado.Tabela = Maiusculas(tabela);
  if (!EhIdentificador(tabela))
    throw Exception(fmt::format("Nome de tabela inválido: '{}'", tabela));
  if (!TabelaExiste(conexao, resultado.Tabela))
    throw Exception(fmt::format("A tabela {} não existe no banco de dados", resultado.Tabela));
  // The name is now a plain identifier of a real table: safe in the text.
  const std::vector<TDbColumn> colunasTabela =
      conexao.ExecuteQuery("select * from " + resultado.Tabela + " where 1 = 0").Columns;

  TCsvReader leitor(csv);
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
        valores.emplace_back(fmt::format("p{}", i), std::move(valor));
      }
      try {
        conexao.ExecuteDirect(insert, valores);
      } catch (const EDatabaseError& error) {
        throw Exception(fmt::format("Linha {}: {}", linha->LineNumber, error.what()));
      }
      ++resultado.Linhas;
    }
  } catch (...) {
    conexao.RollBack();
    throw;
  }
  conexao.Commit();
  return resultado;
}

TResultadoLoad CarregarArquivo(TnDMConexao& conexao, const std::string& tabela,
                               const std::string& arquivo) {
  std::ifstream input(arquivo, std::ios::binary);
  if (!input)
    throw Exception(fmt::format("Não foi possível abrir o arquivo {}", arquivo));
  return Carregar(conexao, tabela, input);
}

std::string Descricao(const TResultadoLoad& resultado) {
  return fmt::format("{} {} carregada{} em {}", resultado.Linhas,
                     resultado.Linhas == 1 ? "linha" : "linhas", resultado.Linhas == 1 ? "" : "s",
                     resultado.Tabela);
}

}  // namespace ComandoLoad
