#include "host/commands/ComandoUsuario.h"

#include <fmt/format.h>
#include <termios.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <regex>
#include <vector>

#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "host/services/SenhaUsuario.h"
#include "host/services/SessaoHost.h"
#include "schema/SchemaInstaller.h"

namespace ComandoUsuario {

namespace {

constexpr size_t kMaxDireitosPorComando = 50;

struct TOpcoesDireitos {
  std::vector<std::string> Liberar;
  std::vector<std::string> Retirar;
};

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

// A right's name as the modules spell it: a letter, then letters, digits
// or _, within the column's 100 characters.
void VerificarNomeDireito(const std::string& nome) {
  static const std::regex kNome("[A-Za-z][A-Za-z0-9_]{0,99}");
  if (!std::regex_match(nome, kNome))
    throw Exception(fmt::format(
        "Nome de direito inválido: \"{}\" (uma letra, depois letras, dígitos ou _; até 100)",
        nome.substr(0, 100)));
}

void VerificarUsuarioCadastrado(TnDMConexao& conexao, int64_t usuario) {
  if (conexao
          .ExecuteScalar("select count(*) from USUARIO where CODIGOUSUARIO = :pUsuario",
                         {{"pUsuario", Value(usuario)}})
          .AsInteger() == 0)
    throw Exception(fmt::format("Usuário {} não cadastrado", usuario));
}

// Grants ("8") and removals (no row: restricted) in one transaction; names
// compare without regard to case, as the rights service reads them.
void GravarDireitos(TSessaoHost& sessao, int64_t usuario, const TOpcoesDireitos& opcoes) {
  TnDMConexao& conexao = sessao.Conexao();
  for (const std::string& nome : opcoes.Retirar) {
    if (Nutil::UpperCase(nome) == Nutil::UpperCase(SchemaInstaller::kDireitoAdministrarUsuarios) &&
        usuario == conexao.CodigoUsuario())
      throw Exception(
          fmt::format("O usuário {} não pode retirar de si o direito de administrar usuários ({})",
                      usuario, SchemaInstaller::kDireitoAdministrarUsuarios));
    for (const std::string& liberado : opcoes.Liberar)
      if (Nutil::UpperCase(nome) == Nutil::UpperCase(liberado))
        throw Exception(fmt::format("O direito {} está em --grant e em --revoke", nome));
  }
  conexao.StartTransaction();
  try {
    const auto excluir = [&](const std::string& nome) {
      conexao.ExecuteDirect(
          "delete from DIREITOUSUARIO where CODIGOUSUARIO = :pUsuario and upper(NOMEDIREITO) = "
          "upper(:pDireito)",
          {{"pUsuario", Value(usuario)}, {"pDireito", Value(nome)}});
    };
    for (const std::string& nome : opcoes.Retirar)
      excluir(nome);
    for (const std::string& nome : opcoes.Liberar) {
      excluir(nome);
      conexao.ExecuteDirect(
          "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) values (:pUsuario, "
          ":pDireito, :pNivel)",
          {{"pUsuario", Value(usuario)},
           {"pDireito", Value(nome)},
           {"pNivel", Value(std::string(TnDMDireitoUsuario::kNivelLiberado))}});
    }
    conexao.Commit();
  } catch (...) {
    conexao.RollBack();
    throw;
  }
}

// The user's rights, one a line: the name and its level ("8" lifts the
// restriction the right names).
std::string ListarDireitos(TnDMConexao& conexao, int64_t usuario) {
  const TDbResult linhas = conexao.ExecuteQuery(
      "select NOMEDIREITO, NIVEL from DIREITOUSUARIO where CODIGOUSUARIO = :pUsuario order by "
      "upper(NOMEDIREITO)",
      {{"pUsuario", Value(usuario)}});
  if (linhas.Rows.empty())
    return fmt::format("O usuário {} não tem direitos liberados", usuario);
  size_t largura = 0;
  for (size_t i = 0; i < linhas.Rows.size(); ++i)
    largura = std::max(largura, Nutil::Trim(linhas.Get(i, "NOMEDIREITO").AsString()).size());
  std::string texto = fmt::format("Direitos do usuário {}:", usuario);
  for (size_t i = 0; i < linhas.Rows.size(); ++i) {
    const std::string nivel = Nutil::Trim(linhas.Get(i, "NIVEL").AsString());
    texto += fmt::format("\n  {:<{}}  {} ({})",
                         Nutil::Trim(linhas.Get(i, "NOMEDIREITO").AsString()), largura, nivel,
                         nivel == TnDMDireitoUsuario::kNivelLiberado ? "liberado" : "restrito");
  }
  return texto;
}

// Applies `opcoes` to `usuario`'s rights after the access checks and
// answers his rights as they are then.
std::string Direitos(TSessaoHost& sessao, int64_t usuario, const TOpcoesDireitos& opcoes) {
  const bool muda = !opcoes.Liberar.empty() || !opcoes.Retirar.empty();
  if (muda || usuario != sessao.Conexao().CodigoUsuario())
    sessao.VerificarAdministrador();
  for (const auto* nomes : {&opcoes.Liberar, &opcoes.Retirar})
    for (const std::string& nome : *nomes)
      VerificarNomeDireito(nome);
  VerificarUsuarioCadastrado(sessao.Conexao(), usuario);
  if (muda)
    GravarDireitos(sessao, usuario, opcoes);
  return ListarDireitos(sessao.Conexao(), usuario);
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
  CLI::App* cmdUser = app.add_subcommand("user", "Usuários: a senha da web e os direitos");
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

  auto direitos = std::make_shared<TOpcoesDireitos>();
  CLI::App* cmdRights = cmdUser->add_subcommand(
      "rights",
      "Mostra os direitos de um usuário, depois de liberar (--grant) e retirar (--revoke) os "
      "nomeados");
  cmdRights->add_option("N", *usuario, "Usuário")->required()->check(CLI::PositiveNumber);
  cmdRights->add_option("--grant", direitos->Liberar,
                        "Nome do direito a liberar (nível 8); repita para vários");
  cmdRights->add_option("--revoke", direitos->Retirar,
                        "Nome do direito a retirar (sem nível, restrito); repita para vários");
  cmdRights->callback([&comando, usuario, direitos] {
    comando = [usuario, direitos](TSessaoHost& sessao) {
      if (direitos->Liberar.size() + direitos->Retirar.size() > kMaxDireitosPorComando)
        throw Exception(
            fmt::format("Informe no máximo {} direitos por comando", kMaxDireitosPorComando));
      return Direitos(sessao, *usuario, *direitos);
    };
  });
}

}  // namespace ComandoUsuario
