#include "host/ComandoUsuario.h"

#include <fmt/format.h>
#include <termios.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "framework/core/Exceptions.h"
#include "framework/db/TnDMConexao.h"
#include "host/SenhaUsuario.h"
#include "host/SessaoHost.h"

namespace ComandoUsuario {

namespace {

// Echo off while the password is typed, back on whatever happens.
class TSemEco {
 public:
  TSemEco() {
    FAtivo = tcgetattr(STDIN_FILENO, &FAntes) == 0;
    if (!FAtivo)
      return;
    termios semEco = FAntes;
    semEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &semEco);
  }
  ~TSemEco() {
    if (FAtivo)
      tcsetattr(STDIN_FILENO, TCSAFLUSH, &FAntes);
  }
  TSemEco(const TSemEco&) = delete;
  TSemEco& operator=(const TSemEco&) = delete;

 private:
  termios FAntes{};
  bool FAtivo = false;
};

std::string PerguntarNoTerminal(const char* pergunta) {
  std::cerr << pergunta << std::flush;
  TSemEco semEco;
  std::string senha = LerSenhaDaEntrada(std::cin);
  std::cerr << '\n';
  return senha;
}

std::string LerSenha() {
  if (!isatty(STDIN_FILENO))
    return LerSenhaDaEntrada(std::cin);
  std::string senha = PerguntarNoTerminal("Nova senha: ");
  if (PerguntarNoTerminal("Repita a nova senha: ") != senha)
    throw Exception("As senhas digitadas não conferem");
  return senha;
}

}  // namespace

std::string LerSenhaDaEntrada(std::istream& entrada) {
  std::string linha;
  if (!std::getline(entrada, linha))
    throw Exception("Informe a senha na entrada padrão");
  if (!linha.empty() && linha.back() == '\r')
    linha.pop_back();
  return linha;
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando) {
  auto usuario = std::make_shared<int64_t>(0);
  CLI::App* cmdUser = app.add_subcommand("user", "Usuários");
  cmdUser->require_subcommand(1);
  CLI::App* cmdPasswd = cmdUser->add_subcommand("passwd",
                                                "Define a senha de um usuário para a web (lida do "
                                                "terminal ou da entrada padrão)");
  cmdPasswd->add_option("N", *usuario, "Usuário")->required()->check(CLI::PositiveNumber);
  cmdPasswd->callback([&comando, usuario] {
    comando = [usuario](TSessaoHost& sessao) {
      if (*usuario != sessao.Conexao().CodigoUsuario())
        sessao.VerificarAdministrador();
      SenhaUsuario::Gravar(sessao.Conexao(), *usuario, LerSenha());
      return fmt::format("Senha do usuário {} gravada", *usuario);
    };
  });
}

}  // namespace ComandoUsuario
