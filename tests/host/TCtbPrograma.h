// A fixture that runs the built `ctb` program on a real database of each
// engine, as its users run it: a folder of its own per test, the database of
// the test's engine, the user given, standard input given, and what the
// program printed kept for the test to read. A suite derives its own fixture
// from it and instantiates that with CTB_INSTANTIATE_ENGINES.

#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/support/TestDatabases.h"

// An entry of the demo company as `entry post` takes it.
nlohmann::json LancamentoDemo(const std::string& data = "2025-08-11",
                              const nlohmann::json& valor = "99.00");
// The same entry of 11/08/2025 in the order a person types it on the screen:
// the date and the accounts, then the history `historico`, then the
// complement when one is given (replacing what the screen filled in).
nlohmann::ordered_json LancamentoDemoComHistorico(int historico, const char* complemento);
// A command line split at its spaces (for arguments that hold none).
std::vector<std::string> Palavras(const std::string& linha);

class TCtbProgramaTest : public TDatabaseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs ctb in the test's folder on the test's database as `usuario`, with
  // `entrada` on standard input; returns the exit status.
  int Ctb(std::vector<std::string> args, const std::string& entrada = "", int usuario = 1);
  int Comando(const std::string& linha, const std::string& entrada = "", int usuario = 1) {
    return Ctb(Palavras(linha), entrada, usuario);
  }
  // Runs the command line as `usuario` and checks that it exits with 1,
  // printing nothing but "ctb: <mensagem>" on standard error.
  void Falha(const std::string& linha, const std::string& mensagem, int usuario = 1);
  // `args` with the test's database and `usuario` after them.
  std::vector<std::string> NoBanco(std::vector<std::string> args, int usuario = 1) const;
  // Runs ctb with exactly `args`: the database and the user are the command
  // line's, or the program's defaults.
  int Executar(std::vector<std::string> args, const std::string& entrada = "");
  // Starts ctb with exactly `args` and does not wait; Aguardar waits, reads
  // what it printed and returns the exit status (-1 when killed).
  pid_t Iniciar(std::vector<std::string> args, const std::string& entrada = "");
  int Aguardar(pid_t filho);
  // `entry post` of a document (or an array of them), its output parsed
  // into FResultado.
  int Post(const nlohmann::json& documento, int usuario = 1);
  // The key of the entry the last Post wrote.
  int64_t ChavePostada() const { return FResultado["entry"]["CHAVELCTOCTB"].get<int64_t>(); }
  // Posts `documento` and checks that it is refused with `mensagem`, on
  // `campo` when one is given, and that no entry was written.
  void Recusa(const nlohmann::json& documento, const std::string& mensagem,
              const std::string& campo = "", int usuario = 1);

  void Escrever(const std::string& nome, const std::string& texto);
  // A file of the test's folder.
  std::string Arquivo(const std::string& nome) const;
  int64_t Lancamentos() { return Contar("select count(*) from LCTOCTB"); }
  // The demo company: user 1 the administrator, user 2 an operator limited
  // by DireitoLctoCtb, DireitoLctoIgual and DireitoAlterarLctoOutroModulo,
  // both with access to company 1; the operator's window from 01/07/2025.
  void Demo();

  std::filesystem::path FPasta;
  std::string FSaida, FErro;
  nlohmann::json FResultado;
  // The program runs as an unprivileged user when the tests run as root, so
  // that file permissions bind it.
  bool FSemPrivilegios = false;
};

// The same, on the demo company made before each test.
class TCtbDemoTest : public TCtbProgramaTest {
 protected:
  void SetUp() override;
};
