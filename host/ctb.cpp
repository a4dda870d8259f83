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
#include "framework/db/TnSessao.h"
#include "host/commands/ComandoDb.h"
#include "host/commands/ComandoExcluidos.h"
#include "host/commands/ComandoLoad.h"
#include "host/commands/ComandoPlano.h"
#include "host/commands/ComandoRecord.h"
#include "host/commands/ComandoScript.h"
#include "host/commands/ComandoSql.h"
#include "host/commands/ComandoUsuario.h"
#include "host/commands/VerificacaoLivros.h"
#include "host/common/LinhaComando.h"
#include "host/common/Terminal.h"
#include "host/demo/ComandoDemo.h"
#include "host/import/ContabilizacaoHost.h"
#include "host/import/ImportacaoExtrato.h"
#include "host/import/ImportacaoHost.h"
#include "host/output/BarraProgresso.h"
#include "host/reports/ComandoBalances.h"
#include "host/reports/ComandoBalancete.h"
#include "host/reports/ComandoDemonstracoes.h"
#include "host/reports/ComandoDiario.h"
#include "host/reports/ComandoRazao.h"
#include "host/server/ServidorWeb.h"
#include "host/services/DigitacaoHost.h"
#include "host/services/SessaoHost.h"

namespace {

constexpr int kExitFalhou = 1;
constexpr int kExitLinhaDeComando = 2;

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"ctb: lançamentos contábeis"};
  // Before the commands exist, so each inherits it: the global options
  // may come before or after the command's name.
  LinhaComando::Configurar(app);
  app.require_subcommand(1);
  SessaoHost::TOpcoesConexao opcoes;
  auto* db = app.add_option("--db", opcoes.ArquivoSQLite, "Arquivo SQLite (padrão: ctb.db)");
  auto* pg = app.add_option("--pg", opcoes.ConninfoPg, "Servidor PostgreSQL (conninfo da libpq)");
  db->excludes(pg);
  app.add_option("--user", opcoes.CodigoUsuario, "Usuário logado (padrão: 1)")
      ->check(CLI::PositiveNumber);

  // The command chosen: it runs after the whole line parsed, in the session
  // the global options name, and returns the line to print. Every command
  // checks what the logged user may do before it touches anything.
  std::function<std::string(TSessaoHost&)> comando;
  SessaoHost::TEsquema esquema = SessaoHost::TEsquema::Exigido;

  // `entry post`, `import entries` and `db check` print their result and
  // still end with status 1 when something was refused or found.
  int codigoSaida = 0;

  auto* cmdDb = app.add_subcommand("db", "Banco de dados");
  cmdDb->require_subcommand(1);
  cmdDb->add_subcommand("init", "Cria ou atualiza o esquema")->callback([&] {
    esquema = SessaoHost::TEsquema::CriadoPeloComando;
    comando = [](TSessaoHost& sessao) {
      if (sessao.TinhaEsquema())
        sessao.VerificarAdministrador();
      return ComandoDb::Inicializar(sessao.Conexao());
    };
  });
  auto* cmdRebuild =
      cmdDb->add_subcommand("rebuild-balances", "Recalcula as tabelas de saldos dos lançamentos");
  std::optional<int64_t> empresa;
  cmdRebuild->add_option("--company", empresa, "Só esta empresa")->check(CLI::PositiveNumber);
  // Every company's balances are the administrator's to rebuild or check.
  const auto verificarDireito = [&](TSessaoHost& sessao) {
    if (empresa)
      sessao.VerificarEmpresa(*empresa);
    else
      sessao.VerificarAdministrador();
  };
  // The check runs after every rebuild: its findings, and its status, end it.
  cmdRebuild->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      verificarDireito(sessao);
      const std::string recalculo = ComandoDb::RecalcularSaldos(sessao.Conexao(), empresa);
      const VerificacaoLivros::TResultado verificacao = VerificacaoLivros::Verificar(
          sessao.Conexao(), empresa, VerificacaoLivros::TFormato::Tabela);
      codigoSaida = verificacao.Status;
      return recalculo + "\n" + verificacao.Texto;
    };
  });
  auto* cmdCheck = cmdDb->add_subcommand(
      "check", "Confere contas, saldos, débitos e créditos, rateios e sequências; não altera nada");
  cmdCheck->add_option("--company", empresa, "Só esta empresa")->check(CLI::PositiveNumber);
  std::string formatoCheck;
  LinhaComando::AdicionarFormato(*cmdCheck, formatoCheck, {"table", "json"}, "table");
  cmdCheck->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      verificarDireito(sessao);
      const VerificacaoLivros::TResultado verificacao = VerificacaoLivros::Verificar(
          sessao.Conexao(), empresa,
          formatoCheck == "json" ? VerificacaoLivros::TFormato::Json
                                 : VerificacaoLivros::TFormato::Tabela);
      codigoSaida = verificacao.Status;
      return verificacao.Texto;
    };
  });

  auto* cmdLoad = app.add_subcommand("load", "Carrega linhas de um CSV numa tabela");
  std::string tabela, arquivo;
  cmdLoad->add_option("TABELA", tabela, "Tabela")->required();
  cmdLoad->add_option("ARQUIVO", arquivo, "Arquivo CSV com cabeçalho")->required();
  std::string codificacaoLoad = "utf-8";
  cmdLoad->add_option("--encoding", codificacaoLoad, "utf-8 (padrão) ou windows-1252")
      ->check(CLI::IsMember({"utf-8", "windows-1252"}));
  cmdLoad->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      ComandoLoad::TVerificarEmpresa verificarEmpresa;
      if (sessao.VerificarTabelaCarga(tabela))
        verificarEmpresa = [&](int64_t codigoEmpresa) { sessao.VerificarEmpresa(codigoEmpresa); };
      return ComandoLoad::Descricao(ComandoLoad::CarregarArquivo(
          sessao.Conexao(), tabela, arquivo, verificarEmpresa, CodificacaoDoNome(codificacaoLoad)));
    };
  });

  auto* cmdSql =
      app.add_subcommand("sql", "Executa uma consulta somente leitura e mostra as linhas");
  std::string consulta, formato;
  cmdSql->add_option("CONSULTA", consulta, "Consulta (SELECT, WITH ou VALUES)")->required();
  LinhaComando::AdicionarFormato(*cmdSql, formato, {"table", "csv", "csv-br", "json"},
                                 LinhaComando::kPadraoTabelaOuCsv);
  cmdSql->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      // A free query reads every company and every user: the administrator's.
      sessao.VerificarAdministrador();
      Saida::TFormatoSaida saida =
          formato.empty() ? Saida::FormatoPadrao() : Saida::FormatoDoNome(formato);
      std::string texto = ComandoSql::Executar(sessao.Conexao(), consulta, saida);
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });

  auto* cmdBalances =
      app.add_subcommand("balances", "Gera os saldos contábeis de uma empresa e período");
  ComandoBalances::TOpcoes opcoesBalances;
  ComandoBalances::AdicionarOpcoes(*cmdBalances, opcoesBalances);
  cmdBalances->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      if (opcoesBalances.Empresa)
        sessao.VerificarEmpresa(*opcoesBalances.Empresa);
      sessao.VerificarEstabelecimentos(opcoesBalances.Estab);
      sessao.VerificarClassificacao(opcoesBalances.Classif);
      std::string texto = ComandoBalances::Executar(
          sessao.Conexao(), opcoesBalances,
          opcoesBalances.Formato.empty() ? Saida::FormatoPadrao()
                                         : Saida::FormatoDoNome(opcoesBalances.Formato));
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });

  auto* cmdEntry = app.add_subcommand("entry", "Lançamentos digitados como na tela");
  cmdEntry->require_subcommand(1);
  auto* cmdPost =
      cmdEntry->add_subcommand("post", "Inclui, altera ou exclui lançamentos descritos em JSON");
  std::string arquivoJson, formatoPost;
  cmdPost->add_option("ARQUIVO", arquivoJson, "Arquivo JSON (padrão: a entrada padrão)");
  ComandoRecord::AdicionarFormatoPost(*cmdPost, formatoPost);
  cmdPost->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      DigitacaoHost::TOpcoesDigitacao opcoesDigitacao;
      opcoesDigitacao.VerificarEmpresa = [&](int64_t codigoEmpresa) {
        sessao.VerificarEmpresa(codigoEmpresa);
      };
      // The short form of `record TnCtbDMLctoCtb post`: the same right.
      DigitacaoHost::TSaidaComando saida = ComandoRecord::Postar(
          sessao.Conexao(), DigitacaoHost::kClassePadrao, DigitacaoHost::LerDocumento(arquivoJson),
          opcoesDigitacao, ComandoRecord::EmLinhas(formatoPost));
      codigoSaida = saida.Status;
      return saida.Texto;
    };
  });
  // Any register of the package by class name; `entry post` is its short
  // form for the journal entries.
  ComandoRecord::Registrar(app, comando, codigoSaida);

  auto* cmdImport = app.add_subcommand("import", "Importação");
  cmdImport->require_subcommand(1);
  auto* cmdImportEntries = cmdImport->add_subcommand(
      "entries", "Importa lançamentos de um CSV pelo módulo de lançamentos");
  std::string arquivoCsv;
  ImportacaoHost::TOpcoesImportacao opcoesImportacao;
  cmdImportEntries
      ->add_option("ARQUIVO", arquivoCsv, "Arquivo CSV com cabeçalho (- lê a entrada padrão)")
      ->required();
  std::string arquivoMapa;
  cmdImportEntries->add_option("--map", arquivoMapa,
                               "Mapa de colunas (JSON): coluna do arquivo -> campo, formato da "
                               "data, vírgula decimal");
  cmdImportEntries->add_flag("--again", opcoesImportacao.DeNovo,
                             "Importa de novo um conteúdo já importado nesta empresa");
  cmdImportEntries->add_option("--rejects", opcoesImportacao.ArquivoRecusas,
                               "Grava as linhas recusadas, com o motivo, neste CSV");
  cmdImportEntries->add_option("--company", opcoesImportacao.CodigoEmpresa, "Empresa")
      ->required()
      ->check(CLI::PositiveNumber);
  std::string codificacaoImport = "utf-8";
  cmdImportEntries->add_option("--encoding", codificacaoImport, "utf-8 (padrão) ou windows-1252")
      ->check(CLI::IsMember({"utf-8", "windows-1252"}));
  cmdImportEntries->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      sessao.VerificarEmpresa(opcoesImportacao.CodigoEmpresa);
      opcoesImportacao.Codificacao = CodificacaoDoNome(codificacaoImport);
      std::optional<TMapaImportacao> mapa;
      if (!arquivoMapa.empty())
        opcoesImportacao.Mapa = &mapa.emplace(TMapaImportacao::DoArquivo(arquivoMapa));
      ImportacaoHost::TSaidaImportacao saida =
          ImportacaoHost::ComandoImportEntries(sessao.Conexao(), arquivoCsv, opcoesImportacao);
      codigoSaida = saida.Status;
      return saida.Texto;
    };
  });

  auto* cmdImportStatement = cmdImport->add_subcommand(
      "statement", "Importa um extrato bancário (CSV ou OFX) pelas regras de um arquivo");
  std::string arquivoExtrato, codificacaoExtrato = "utf-8";
  ImportacaoExtrato::TOpcoesExtrato opcoesExtrato;
  cmdImportStatement->add_option("ARQUIVO", arquivoExtrato, "Extrato: CSV (com --map) ou OFX")
      ->required();
  cmdImportStatement->add_option("--company", opcoesExtrato.CodigoEmpresa, "Empresa")
      ->required()
      ->check(CLI::PositiveNumber);
  cmdImportStatement
      ->add_option("--account", opcoesExtrato.Conta,
                   "Conta contábil do banco (código, apelido ou classificação)")
      ->required();
  cmdImportStatement
      ->add_option("--rules", opcoesExtrato.ArquivoRegras,
                   "Regras (JSON): a contrapartida e o histórico de cada linha")
      ->required();
  cmdImportStatement->add_option("--map", opcoesExtrato.ArquivoMapa,
                                 "Mapa de colunas (JSON) de um extrato CSV");
  cmdImportStatement->add_option("--rejects", opcoesExtrato.ArquivoRecusas,
                                 "Grava as linhas recusadas, com o motivo, neste CSV");
  cmdImportStatement
      ->add_option("--encoding", codificacaoExtrato, "CSV: utf-8 (padrão) ou windows-1252")
      ->check(CLI::IsMember({"utf-8", "windows-1252"}));
  cmdImportStatement->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      sessao.VerificarEmpresa(opcoesExtrato.CodigoEmpresa);
      opcoesExtrato.Codificacao = CodificacaoDoNome(codificacaoExtrato);
      ImportacaoHost::TSaidaImportacao saida = ImportacaoExtrato::ComandoImportStatement(
          sessao.Conexao(), arquivoExtrato, opcoesExtrato);
      codigoSaida = saida.Status;
      return saida.Texto;
    };
  });

  // `post`: the posting engine over a batch file; a report line per entry.
  auto* cmdLote = app.add_subcommand(
      "post", "Contabiliza um lote de lançamentos e suas linhas gerenciais (JSON ou CSV)");
  std::string arquivoLote, formatoLote;
  ContabilizacaoHost::TOpcoesPost opcoesLote;
  cmdLote->add_option("ARQUIVO", arquivoLote, "Lote: arquivo .json ou .csv")->required();
  cmdLote->add_flag("--reconcile", opcoesLote.ConciliarAuto,
                    "Marca como conciliados os lados lançados");
  cmdLote->add_flag("--again", opcoesLote.DeNovo,
                    "Contabiliza de novo um conteúdo já contabilizado nesta empresa");
  LinhaComando::AdicionarFormato(*cmdLote, formatoLote, {"table", "csv", "json"},
                                 LinhaComando::kPadraoTabelaOuCsv);
  cmdLote->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      opcoesLote.Formato =
          formatoLote.empty() ? Saida::FormatoPadrao() : Saida::FormatoDoNome(formatoLote);
      opcoesLote.VerificarEmpresa = [&](int64_t codigoEmpresa) {
        sessao.VerificarEmpresa(codigoEmpresa);
      };
      ContabilizacaoHost::TSaidaPost saida =
          ContabilizacaoHost::ComandoPost(sessao.Conexao(), arquivoLote, opcoesLote);
      codigoSaida = saida.Status;
      return saida.Texto;
    };
  });

  auto* cmdBalancete = app.add_subcommand("trial-balance", "Balancete débito, crédito e movimento");
  ComandoBalancete::TOpcoes opcoesBalancete;
  std::string formatoBalancete, saidaBalancete;
  cmdBalancete->add_option("--company", opcoesBalancete.Empresas, "Empresas (1;3;5-7)")->required();
  LinhaComando::AdicionarPeriodo(*cmdBalancete, opcoesBalancete.DataInicial,
                                 opcoesBalancete.DataFinal);
  cmdBalancete->add_flag("--monthly", opcoesBalancete.Mensal, "Movimento por mês");
  cmdBalancete
      ->add_option("--type", opcoesBalancete.Tipo,
                   "0 débito e crédito, 1 com movimento, 2 movimento")
      ->check(CLI::Range(0, 2));
  cmdBalancete->add_option("--estab", opcoesBalancete.Estab, "Estabelecimentos");
  cmdBalancete->add_option("--relate", opcoesBalancete.Relacionar, "Relacionar filiais (0..3)")
      ->check(CLI::Range(0, 3));
  cmdBalancete->add_flag("--zero", opcoesBalancete.Zero, "Contas sem saldo e sem movimento");
  cmdBalancete->add_flag("--cost-centres", opcoesBalancete.CentrosCusto,
                         "Valores por centro de custo");
  cmdBalancete->add_option("--book", opcoesBalancete.Livro, "0 societário, 1 fiscal")
      ->check(CLI::Range(0, 1));
  cmdBalancete->add_option("--currency", opcoesBalancete.Moeda, "Moeda de conversão");
  cmdBalancete->add_flag("--detail-customers", opcoesBalancete.DetalharClientes,
                         "Detalhar as contas de clientes e fornecedores");
  cmdBalancete
      ->add_option("--depth,--level", opcoesBalancete.Nivel,
                   "Só as contas até este nível do plano (1.1.01 é o nível 3)")
      ->check(CLI::Range(1, 99));
  cmdBalancete->add_flag("--synthetic-only", opcoesBalancete.SoSinteticas,
                         "Só as contas sintéticas");
  cmdBalancete->add_option("--columns", opcoesBalancete.Colunas,
                           "Colunas mostradas, separadas por vírgula (ClassifConta,DescrConta,"
                           "SaldoAtual; DEBITO são os débitos de todos os meses)");
  LinhaComando::AdicionarFormato(*cmdBalancete, formatoBalancete,
                                 {"table", "csv", "csv-br", "json", "xlsx"},
                                 "a extensão de --out, senão table");
  cmdBalancete->add_option("--out", saidaBalancete, "Arquivo de saída (obrigatório para xlsx)");
  cmdBalancete->callback([&] {
    comando = [&](TSessaoHost& sessao) {
      sessao.VerificarEmpresas(opcoesBalancete.Empresas);
      sessao.VerificarEstabelecimentos(opcoesBalancete.Estab);
      const ComandoBalancete::TFormato formatoEscolhido = ComandoBalancete::FormatoDoNome(
          LinhaComando::FormatoDaSaida(formatoBalancete, saidaBalancete));
      if (saidaBalancete.empty())
        opcoesBalancete.LarguraMaxima = Terminal::Largura();
      TBarraProgresso barra;
      opcoesBalancete.Progresso = barra.Hook();
      std::string texto = ComandoBalancete::Executar(sessao.Conexao(), opcoesBalancete,
                                                     formatoEscolhido, saidaBalancete);
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });

  auto* cmdDeleted = app.add_subcommand("deleted", "Registro de lançamentos excluídos");
  cmdDeleted->require_subcommand(1);
  ComandoExcluidos::TOpcoes opcoesExcluidos;
  const auto empresaExcluidos = [&](CLI::App* cmd) {
    cmd->add_option("--company", opcoesExcluidos.Empresa, "Empresa")
        ->required()
        ->check(CLI::PositiveNumber);
  };
  const auto periodoExcluidos = [&](CLI::App* cmd) {
    LinhaComando::AdicionarPeriodo(*cmd, opcoesExcluidos.De, opcoesExcluidos.Ate, false);
  };
  // Every path names its company, checked before anything is read.
  const auto comandoExcluidos = [&](CLI::App* cmd, auto executar) {
    cmd->callback([&, executar] {
      comando = [&, executar](TSessaoHost& sessao) {
        sessao.VerificarEmpresa(opcoesExcluidos.Empresa);
        std::string texto = executar(sessao.Conexao());
        if (!texto.empty() && texto.back() == '\n')
          texto.pop_back();  // the program adds the last line break
        return texto;
      };
    });
  };
  auto* cmdDeletedList = cmdDeleted->add_subcommand("list", "Lista os lançamentos excluídos");
  empresaExcluidos(cmdDeletedList);
  periodoExcluidos(cmdDeletedList);
  LinhaComando::AdicionarFormato(*cmdDeletedList, opcoesExcluidos.Formato,
                                 {"table", "csv", "csv-br", "json"},
                                 LinhaComando::kPadraoTabelaOuCsv);
  comandoExcluidos(cmdDeletedList, [&](TnDMConexao& conexao) {
    return ComandoExcluidos::Listar(conexao, opcoesExcluidos,
                                    opcoesExcluidos.Formato.empty()
                                        ? Saida::FormatoPadrao()
                                        : Saida::FormatoDoNome(opcoesExcluidos.Formato));
  });
  auto* cmdDeletedRestore =
      cmdDeleted->add_subcommand("restore", "Restaura um lançamento excluído");
  empresaExcluidos(cmdDeletedRestore);
  cmdDeletedRestore->add_option("--id", opcoesExcluidos.Id, "Lançamento excluído (IDLCTOCTBEXCL)")
      ->required()
      ->check(CLI::PositiveNumber);
  auto* chaveRestaurar =
      cmdDeletedRestore
          ->add_option("--key", opcoesExcluidos.Chave, "Chave do lançamento restaurado")
          ->check(CLI::PositiveNumber);
  cmdDeletedRestore
      ->add_flag("--same-key", opcoesExcluidos.MesmaChave, "Restaura com a chave que tinha")
      ->excludes(chaveRestaurar);
  comandoExcluidos(cmdDeletedRestore, [&](TnDMConexao& conexao) {
    return ComandoExcluidos::Restaurar(conexao, opcoesExcluidos);
  });
  auto* cmdDeletedPurge =
      cmdDeleted->add_subcommand("purge", "Elimina lançamentos do registro de excluídos");
  empresaExcluidos(cmdDeletedPurge);
  periodoExcluidos(cmdDeletedPurge);
  cmdDeletedPurge->add_option("--id", opcoesExcluidos.Id, "Lançamento excluído (IDLCTOCTBEXCL)")
      ->check(CLI::PositiveNumber);
  comandoExcluidos(cmdDeletedPurge, [&](TnDMConexao& conexao) {
    return ComandoExcluidos::Eliminar(conexao, opcoesExcluidos);
  });

  auto* cmdDemo = app.add_subcommand(
      "demo", "Cria a empresa de demonstração, importa um ano de lançamentos e mostra o balancete");
  ComandoDemo::TOpcoesDemo opcoesDemo;
  cmdDemo->add_option("--entries", opcoesDemo.Lancamentos, "Quantidade de lançamentos gerados")
      ->check(CLI::Range(int64_t{1}, int64_t{100000000}));
  cmdDemo->add_option("--seed", opcoesDemo.Semente, "Semente do gerador");
  cmdDemo->add_option("--company", opcoesDemo.CodigoEmpresa, "Código da empresa de demonstração")
      ->check(CLI::Range(1, 9999));
  cmdDemo->add_option("--journal", opcoesDemo.ArquivoJournal,
                      "Grava também os lançamentos gerados como journal de partidas dobradas");
  cmdDemo->add_flag("--replace", opcoesDemo.Substituir,
                    "Substitui a empresa de mesmo código, com plano e lançamentos");
  cmdDemo->callback([&] {
    esquema = SessaoHost::TEsquema::CriadoPeloComando;
    comando = [&](TSessaoHost& sessao) {
      // The demo writes users and rights.
      if (sessao.TinhaEsquema())
        sessao.VerificarAdministrador();
      codigoSaida = ComandoDemo::Executar(sessao.Conexao(), opcoesDemo, std::cout);
      return std::string();
    };
  });

  // The reports write their rows as they read them and return only what
  // follows them (a file written), or nothing.
  ComandoRazao::Registrar(app, comando);
  // The web host and its users' passwords.
  ComandoUsuario::Registrar(app, comando);
  ServidorWeb::Registrar(app, comando, opcoes);
  ComandoDiario::Registrar(app, comando);
  ComandoDemonstracoes::Registrar(app, comando);
  // Scripted insertion: one transaction per run.
  ComandoScript::Registrar(app, comando, codigoSaida);
  ComandoPlano::Registrar(app, comando);

  LinhaComando::NomearGrupos(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitLinhaDeComando;
  }

  try {
    TSessaoHost sessao(opcoes, esquema);
    const std::string texto = comando(sessao);
    if (!texto.empty())
      Terminal::Mostrar(texto + '\n');
  } catch (const std::exception& error) {
    std::cerr << "ctb: " << error.what() << '\n';
    return kExitFalhou;
  }
  return codigoSaida;
}
