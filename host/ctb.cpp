// The `ctb` program: the command line wired to the host's command units.
// Exit status: 0 done, 1 refused or failed (the message on standard error),
// 2 a bad command line.

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

#include "framework/db/TnDMConexao.h"
#include "host/ComandoDb.h"
#include "host/ComandoLoad.h"
#include "host/ComandoSql.h"
#include "host/ConexaoHost.h"

namespace {

constexpr int kExitFalhou = 1;
constexpr int kExitLinhaDeComando = 2;

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"ctb: lançamentos contábeis"};
  app.require_subcommand(1);
  ConexaoHost::TOpcoesConexao opcoes;
  auto* db = app.add_option("--db", opcoes.ArquivoSQLite, "Arquivo SQLite (padrão: ctb.db)");
  auto* pg = app.add_option("--pg", opcoes.ConninfoPg, "Servidor PostgreSQL (conninfo da libpq)");
  db->excludes(pg);
  app.add_option("--user", opcoes.CodigoUsuario, "Usuário logado (padrão: 1)")
      ->check(CLI::PositiveNumber);

  // The command chosen: it runs after the whole line parsed, on an open
  // connection, and returns the line to print.
  std::function<std::string(TnDMConexao&)> comando;

  auto* cmdDb = app.add_subcommand("db", "Banco de dados");
  cmdDb->require_subcommand(1);
  cmdDb->add_subcommand("init", "Cria ou atualiza o esquema")->callback([&] {
    comando = [](TnDMConexao& conexao) { return ComandoDb::Inicializar(conexao); };
  });
  auto* cmdRebuild =
      cmdDb->add_subcommand("rebuild-balances", "Recalcula as tabelas de saldos dos lançamentos");
  std::optional<int> empresa;
  cmdRebuild->add_option("--company", empresa, "Só esta empresa");
  cmdRebuild->callback([&] {
    comando = [&](TnDMConexao& conexao) { return ComandoDb::RecalcularSaldos(conexao, empresa); };
  });

  auto* cmdLoad = app.add_subcommand("load", "Carrega linhas de um CSV numa tabela");
  std::string tabela, arquivo;
  cmdLoad->add_option("TABLE", tabela, "Tabela")->required();
  cmdLoad->add_option("FILE", arquivo, "Arquivo CSV com cabeçalho")->required();
  cmdLoad->callback([&] {
    comando = [&](TnDMConexao& conexao) {
      return ComandoLoad::Descricao(ComandoLoad::CarregarArquivo(conexao, tabela, arquivo));
    };
  });

  auto* cmdSql =
      app.add_subcommand("sql", "Executa uma consulta somente leitura e mostra as linhas");
  std::string consulta, formato;
  cmdSql->add_option("SELECT", consulta, "Consulta (SELECT, WITH ou VALUES)")->required();
  cmdSql
      ->add_option("--format", formato,
                   "table, csv ou json (padrão: table num terminal, csv quando redirecionado)")
      ->check(CLI::IsMember({"table", "csv", "json"}));
  cmdSql->callback([&] {
    comando = [&](TnDMConexao& conexao) {
      Saida::TFormatoSaida saida =
          formato.empty() ? Saida::FormatoPadrao() : Saida::FormatoDoNome(formato);
      std::string texto = ComandoSql::Executar(conexao, consulta, saida);
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitLinhaDeComando;
  }

  try {
    auto conexao = ConexaoHost::Abrir(opcoes);
    std::cout << comando(*conexao) << '\n';
  } catch (const std::exception& error) {
    std::cerr << "ctb: " << error.what() << '\n';
    return kExitFalhou;
  }
  return 0;
}
