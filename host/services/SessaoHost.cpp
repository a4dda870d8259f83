#include "host/services/SessaoHost.h"

#include <fmt/format.h>

#include <filesystem>
#include <set>
#include <vector>

#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nrwutilapp.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/services/LogHost.h"
#include "schema/SchemaInstaller.h"

namespace {

using SessaoHost::TEsquema;
using SessaoHost::TOpcoesConexao;

// Tables only the administrator loads: those whose rows decide who may do
// what (nobody grants himself a right, a company or a wider window), and
// the entries and balances, whose rows a load would write past the entry
// rules and the rights that apply to them.
const std::set<std::string>& TabelasDoAdministrador() {
  static const std::set<std::string> tabelas = {"USUARIO",
                                                "DIREITOUSUARIO",
                                                "EMPRESAUSUARIO",
                                                "EMPRESA",
                                                "PERSONALIZACAO",
                                                "LIMITEUSUARIOCTB",
                                                "SEQUENCIA",
                                                "SEQUENCIAEMPRESA",
                                                "LOTESALDOATIVO",
                                                "LOTESALDOCTB",
                                                "VERSAOSCHEMA",
                                                "LCTOCTB",
                                                "LCTOGER",
                                                "LCTOATIVDIFERENC",
                                                "LCTOCTBEXCLUIDO",
                                                "LCTOGEREXCLUIDO",
                                                "LCTOATIVDIFERENCEXCL",
                                                "SALDOCTB",
                                                "SALDOCTBMENSAL",
                                                "SALDOCTBMENSALHIST",
                                                "SALDOCTBMOEDA",
                                                "SALDOCTBMOEDAMENSAL"};
  return tabelas;
}

std::unique_ptr<TnDMConexao> Abrir(const TOpcoesConexao& opcoes, TEsquema esquema) {
  if (!opcoes.ConninfoPg.empty())
    return std::make_unique<TnDMConexao>(TTipoConexao::PostgreSQL, opcoes.ConninfoPg);
  // Opening a file that is not there would create it: a mistyped --db must
  // not leave an empty database behind.
  if (esquema == TEsquema::Exigido && opcoes.ArquivoSQLite != ":memory:" &&
      !std::filesystem::exists(opcoes.ArquivoSQLite))
    throw Exception(fmt::format("O banco de dados {} não existe; crie-o com 'ctb db init'",
                                opcoes.ArquivoSQLite));
  return std::make_unique<TnDMConexao>(TTipoConexao::SQLite, opcoes.ArquivoSQLite);
}

}  // namespace

TSessaoHost::TSessaoHost(const TOpcoesConexao& opcoes, TEsquema esquema)
    : FSessao(Abrir(opcoes, esquema)),
      FUsarSessao(FSessao),
      FConexao(&FSessao.Conexao()),
      FDireitos(&FSessao.Instalar(std::make_shared<TnDMDireitoUsuario>(*FConexao))),
      FPersonalizacao(&FSessao.Servico<TnDMPersonalizacao>()) {
  LogHost::Instalar();
  FConexao->SetCodigoUsuario(opcoes.CodigoUsuario);
  const int versao = SchemaInstaller::VersaoInstalada(*FConexao);
  FTinhaEsquema = versao == SchemaInstaller::kVersaoSchema;
  if (versao > SchemaInstaller::kVersaoSchema)
    throw Exception(fmt::format(
        "O banco de dados está na versão {} do esquema, mais nova que a versão {} que este "
        "programa conhece; use um programa atualizado",
        versao, SchemaInstaller::kVersaoSchema));
  if (!FTinhaEsquema && esquema == TEsquema::Exigido)
    throw Exception(versao == 0
                        ? "O banco de dados não tem o esquema; crie-o com 'ctb db init'"
                        : fmt::format("O banco de dados está na versão {} do esquema; atualize-o "
                                      "com 'ctb db init'",
                                      versao));
  if (!FTinhaEsquema && opcoes.CodigoUsuario != SchemaInstaller::kUsuarioAdministrador)
    throw Exception(fmt::format(
        "Só o usuário {} (o administrador) cria ou atualiza o esquema do banco de dados",
        SchemaInstaller::kUsuarioAdministrador));

  if (FTinhaEsquema)
    EsquemaInstalado();
}

void TSessaoHost::EsquemaInstalado() {
  VerificarUsuario();
  CarregarPersonalizacao();
}

void TSessaoHost::VerificarUsuario() {
  const int64_t usuario = FConexao->CodigoUsuario();
  if (FConexao
          ->ExecuteScalar("select count(*) from USUARIO where CODIGOUSUARIO = :pUsuario",
                          {{"pUsuario", Value(usuario)}})
          .AsInteger() == 0)
    throw Exception(fmt::format("Usuário {} não cadastrado", usuario));
}

void TSessaoHost::CarregarPersonalizacao() {
  const TDbResult linha = FConexao->ExecuteQuery(
      "select FLAGS, PERMIDATAFINAL from PERSONALIZACAO where CODIGOPERSONALIZACAO = 1");
  *FPersonalizacao = TnDMPersonalizacao();
  if (linha.Rows.empty())
    return;
  FPersonalizacao->SetFlags(static_cast<int>(linha.Get(0, "FLAGS").AsInteger()));
  if (!linha.Get(0, "PERMIDATAFINAL").IsNull())
    FPersonalizacao->SetPermiDataFinal(linha.Get(0, "PERMIDATAFINAL").AsDateTime());
}

void TSessaoHost::VerificarEmpresa(int64_t codigoEmpresa) {
  const TParams params = {{"pEmpresa", Value(codigoEmpresa)},
                          {"pUsuario", Value(FConexao->CodigoUsuario())}};
  if (FConexao
          ->ExecuteScalar("select count(*) from EMPRESA where CODIGOEMPRESA = :pEmpresa",
                          {params.front()})
          .AsInteger() == 0)
    throw Exception(fmt::format("Empresa {} não cadastrada", codigoEmpresa));
  if (FConexao
          ->ExecuteScalar("select count(*) from EMPRESAUSUARIO where CODIGOEMPRESA = :pEmpresa "
                          "and CODIGOUSUARIO = :pUsuario",
                          params)
          .AsInteger() == 0)
    throw Exception(fmt::format("O usuário {} não tem acesso à empresa {}",
                                FConexao->CodigoUsuario(), codigoEmpresa));
  nDMSelecao().CriarParam(kSelCodigoEmpresa, Value(codigoEmpresa));
  FEmpresasVerificadas +=
      (FEmpresasVerificadas.empty() ? "" : ", ") + std::to_string(codigoEmpresa);
}

void TSessaoHost::VerificarEstabelecimentos(const std::string& expressao) {
  using Nutilinclusao::TItemInclusao;
  if (Nutil::Trim(expressao).empty() || FEmpresasVerificadas.empty())
    return;
  for (const TItemInclusao& item :
       Nutilinclusao::LerInclusao(expressao, Nutilinclusao::TTipoInclusao::tiNumerica)) {
    const int64_t existentes =
        FConexao
            ->ExecuteScalar("select count(*) from ESTAB where CODIGOEMPRESA in (" +
                                FEmpresasVerificadas + ") and CODIGOESTAB between :pDe and :pAte",
                            {{"pDe", Value(item.NumInicial)}, {"pAte", Value(item.NumFinal)}})
            .AsInteger();
    if (existentes == 0)
      throw Exception(item.Intervalo
                          ? fmt::format("Nenhum estabelecimento cadastrado de {} a {}",
                                        item.NumInicial, item.NumFinal)
                          : fmt::format("Estabelecimento {} não cadastrado", item.NumInicial));
  }
}

void TSessaoHost::VerificarClassificacao(const std::string& grupos) {
  if (Nutil::Trim(grupos).empty() || FEmpresasVerificadas.empty())
    return;
  // The condition is the process's own, literals escaped by it.
  if (FConexao
          ->ExecuteScalar("select count(*) from PLANOESPEC P where P.CODIGOEMPRESA in (" +
                          FEmpresasVerificadas + ") and " +
                          Nrwutilapp::IncluiExcluiGruposClassif(1, grupos))
          .AsInteger() == 0)
    throw Exception(fmt::format("Nenhuma conta do plano na classificação {}", grupos));
}

void TSessaoHost::VerificarEmpresas(const std::string& expressao) {
  using Nutilinclusao::TItemInclusao;
  const std::vector<TItemInclusao> itens =
      Nutilinclusao::LerInclusao(expressao, Nutilinclusao::TTipoInclusao::tiNumerica);
  if (itens.empty())
    throw Exception("Informe a empresa");
  for (const TItemInclusao& item : itens) {
    if (!item.Intervalo) {
      VerificarEmpresa(item.NumInicial);
      continue;
    }
    const TDbResult empresas = FConexao->ExecuteQuery(
        "select CODIGOEMPRESA from EMPRESA where CODIGOEMPRESA between :pDe and :pAte",
        {{"pDe", Value(item.NumInicial)}, {"pAte", Value(item.NumFinal)}});
    if (empresas.Rows.empty())
      throw Exception(
          fmt::format("Nenhuma empresa cadastrada de {} a {}", item.NumInicial, item.NumFinal));
    for (const auto& linha : empresas.Rows)
      VerificarEmpresa(linha.front().AsInteger());
  }
}

void TSessaoHost::VerificarAdministrador() {
  if (!FDireitos->TemDireitoLiberado(SchemaInstaller::kDireitoAdministrarUsuarios))
    throw Exception(
        fmt::format("O usuário {} não tem o direito de administrar usuários e direitos ({})",
                    FConexao->CodigoUsuario(), SchemaInstaller::kDireitoAdministrarUsuarios));
}

bool TSessaoHost::VerificarTabelaCarga(const std::string& tabela) {
  if (TabelasDoAdministrador().count(Nutil::UpperCase(tabela)) == 0)
    return true;
  VerificarAdministrador();
  return false;
}
