#include "host/commands/ComandoRecord.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>

#include "framework/app/Nutilform.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "host/common/HostComum.h"
#include "host/common/LinhaComando.h"
#include "host/services/SessaoHost.h"

namespace ComandoRecord {

namespace {

// The menu this host stands for: the accounting application's.
const TnConjuntoModulos kModulosHost{TnModulo::nCtb};

TnActionList AcoesMenu() {
  HostComum::CarregarPacote();
  TnActionList lista;
  TnDM::GerarPrincActions(
      lista, [](TnAction&) {}, kModulosHost);
  return lista;
}

// The module's key field: the last of its primary key.
TField& CampoChave(TnDMClientDataSet& modulo) {
  const std::vector<std::string> chave = Nutil::StrToStrArray(modulo.ChavePrimaria(), ";");
  if (chave.empty())
    throw Exception(modulo.ClassName() + " não tem chave: --key não se aplica");
  return modulo.nClientDataSet.FieldByName(chave.back());
}

// The first stored date of the record: where a period applies when the
// module's selection has none.
TField* CampoData(TnClientDataSet& cds) {
  for (int i = 0; i < cds.FieldCount(); ++i)
    if (TField& field = cds.Fields(i);
        !field.IsCalculated() && field.DataType() == TFieldType::ftDate)
      return &field;
  return nullptr;
}

bool Requer(const TnDMClientDataSet& modulo, const std::string& parametro) {
  for (const std::string& nome : Nutil::StrToStrArray(modulo.VerificaSelecao(), ";"))
    if (Nutil::UpperCase(nome) == Nutil::UpperCase(parametro))
      return true;
  return false;
}

// The key typed as the key field's type: a text that is not one is refused.
Value ValorChave(const TField& campo, const std::string& texto) {
  try {
    return campo.Coerce(Value(texto));
  } catch (const EConvertError&) {
    throw Exception(
        fmt::format("Chave inválida em --key para {}: \"{}\"", campo.FieldName(), texto));
  }
}

}  // namespace

void VerificarDireito(TnDMConexao& conexao, const std::string& classe) {
  const TnActionList acoes = AcoesMenu();
  const TnAction* acao = acoes.Find("act" + classe);
  if (acao == nullptr)
    throw Exception(
        fmt::format("{} não tem entrada de menu: é aberto somente pela tela que o usa", classe));
  // An entry that points at another (the same screen on another menu) is
  // governed by the right of the entry it points at.
  if (acao->Link() != 0)
    if (const TnAction* principal = acoes.FindByHash(acao->Link()))
      acao = principal;
  if (!acao->ControlaDireito())
    return;
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  if (direitos == nullptr || !direitos->TemDireitoLiberado(acao->Name()))
    throw Exception(fmt::format("O usuário {} não tem direito a \"{}\" ({})",
                                conexao.CodigoUsuario(), acao->Caption(), acao->Name()));
}

std::unique_ptr<TnDMClientDataSet> CriarCadastro(TnDMConexao& conexao, const std::string& classe) {
  HostComum::CarregarPacote();
  if (!Nutilform::TemClasse(classe))
    throw Exception(fmt::format("Classe desconhecida: {}", classe));
  std::unique_ptr<TnObjetoRegistravel> objeto = Nutilform::CriarDMNovo(classe);
  auto* cadastro = dynamic_cast<TnDMClientDataSet*>(objeto.get());
  if (cadastro == nullptr)
    throw Exception(fmt::format("{} não é um cadastro: ctb record abre só módulos de registros",
                                objeto->ClassName()));
  VerificarDireito(conexao, objeto->ClassName());
  // The same object, now owned as the register it is.
  std::unique_ptr<TnDMClientDataSet> modulo(cadastro);
  (void)objeto.release();
  modulo->SetConexao(&conexao);
  return modulo;
}

std::vector<std::string> DireitosAcoes() {
  const TnActionList acoes = AcoesMenu();
  std::vector<std::string> nomes;
  for (size_t i = 0; i < acoes.Count(); ++i)
    if (acoes[i].ControlaDireito() &&
        std::find(nomes.begin(), nomes.end(), acoes[i].Name()) == nomes.end())
      nomes.push_back(acoes[i].Name());
  return nomes;
}

std::string Listar(TnDMConexao& conexao, const TOpcoesLista& opcoes, Saida::TFormatoSaida formato) {
  std::unique_ptr<TnDMClientDataSet> modulo = CriarCadastro(conexao, opcoes.Classe);
  modulo->ConfigSobDemanda();
  modulo->Configurar(nullptr);
  TnClientDataSet& cds = modulo->nClientDataSet;
  const TDateTime de = HostComum::DataDaOpcao(opcoes.De, "--from", HostComum::DataMinima());
  const TDateTime ate = HostComum::DataDaOpcao(opcoes.Ate, "--to", HostComum::DataMaxima());
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, Value(opcoes.Empresa));
  selecao.SetParam(kSelDataInicial, Value(de));
  selecao.SetParam(kSelDataFinal, Value(ate));
  std::string filtro;
  // The company's rows only, whether or not the module's selection asks.
  if (cds.FindField("CODIGOEMPRESA") != nullptr && !Requer(*modulo, kSelCodigoEmpresa))
    filtro = "CODIGOEMPRESA" + Nutil::ValorParaSQL(Value(opcoes.Empresa), "=");
  if (!opcoes.Chave.empty()) {
    const TField& campo = CampoChave(*modulo);
    const Value chave = ValorChave(campo, opcoes.Chave);
    if (Requer(*modulo, campo.FieldName()))
      selecao.SetParam(campo.FieldName(), chave);
    else
      Nutil::Add(filtro, campo.FieldName() + Nutil::ValorParaSQL(chave, "="), " and ");
  }
  if (!Requer(*modulo, kSelDataInicial) && (!opcoes.De.empty() || !opcoes.Ate.empty())) {
    const TField* data = CampoData(cds);
    if (data == nullptr)
      throw Exception(modulo->ClassName() + " não tem data: --from e --to não se aplicam");
    Nutil::Add(filtro,
               fmt::format("{} between {} and {}", data->FieldName(),
                           Nutil::ValorParaSQL(Value(de)), Nutil::ValorParaSQL(Value(ate))),
               " and ");
  }
  modulo->SetFiltroAbertura(filtro);
  modulo->Abrir(&selecao);
  // A module that loads its rows on demand opens empty; a listing asks for
  // every row of its selection.
  if (modulo->CarregarDetalhesDinamicamente())
    modulo->FetchRegistros("");
  return Saida::Escrever(cds, formato);
}

DigitacaoHost::TSaidaComando Postar(TnDMConexao& conexao, const std::string& classe,
                                    const std::string& textoJson,
                                    DigitacaoHost::TOpcoesDigitacao opcoes, bool emLinhas) {
  std::unique_ptr<TnDMClientDataSet> modulo = CriarCadastro(conexao, classe);
  if (modulo->SomenteConsulta())
    throw Exception(modulo->ClassName() + " é uma consulta: use ctb record " + modulo->ClassName() +
                    " list");
  const std::vector<std::string> chave = Nutil::StrToStrArray(modulo->ChavePrimaria(), ";");
  if (chave.size() != 2 || Nutil::UpperCase(chave.front()) != "CODIGOEMPRESA")
    throw Exception(modulo->ClassName() +
                    " não tem registros de empresa e chave: é digitado pela tela que o abre");
  opcoes.Classe = modulo->ClassName();
  opcoes.CamposChave = modulo->ChavePrimaria();
  return DigitacaoHost::ComandoEntryPost(conexao, textoJson, opcoes, emLinhas);
}

void AdicionarFormatoPost(CLI::App& cmd, std::string& formato) {
  LinhaComando::AdicionarFormato(cmd, formato, {"table", "json"},
                                 "table num terminal, json quando redirecionado");
}

bool EmLinhas(const std::string& formato) {
  return formato.empty() ? Saida::FormatoPadrao() == Saida::TFormatoSaida::Tabela
                         : formato == "table";
}

void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando, int& codigoSaida) {
  struct TLinha {
    std::string Arquivo;
    std::string Formato;
    TOpcoesLista Lista;
  };
  auto linha = std::make_shared<TLinha>();
  auto* cmd = app.add_subcommand("record", "Cadastros do pacote, pelo nome da classe");
  cmd->require_subcommand(1);
  cmd->add_option("CLASSE", linha->Lista.Classe, "Classe do cadastro (TnCtbDMLctoCtbQ100...)")
      ->required();
  auto* post = cmd->add_subcommand("post", "Inclui, altera ou exclui registros descritos em JSON");
  post->add_option("ARQUIVO", linha->Arquivo, "Arquivo JSON (padrão: a entrada padrão)");
  AdicionarFormatoPost(*post, linha->Formato);
  post->callback([&comando, &codigoSaida, linha] {
    comando = [&codigoSaida, linha](TSessaoHost& sessao) {
      DigitacaoHost::TOpcoesDigitacao opcoes;
      opcoes.VerificarEmpresa = [&sessao](int64_t empresa) { sessao.VerificarEmpresa(empresa); };
      DigitacaoHost::TSaidaComando saida =
          Postar(sessao.Conexao(), linha->Lista.Classe, DigitacaoHost::LerDocumento(linha->Arquivo),
                 opcoes, EmLinhas(linha->Formato));
      codigoSaida = saida.Status;
      return saida.Texto;
    };
  });
  auto* list = cmd->add_subcommand("list", "Mostra os registros de uma empresa");
  list->add_option("--company", linha->Lista.Empresa, "Empresa")
      ->required()
      ->check(CLI::PositiveNumber);
  list->add_option("--key", linha->Lista.Chave, "Só o registro desta chave");
  LinhaComando::AdicionarPeriodo(*list, linha->Lista.De, linha->Lista.Ate, false);
  LinhaComando::AdicionarFormato(*list, linha->Formato, {"table", "csv", "csv-br", "json"},
                                 LinhaComando::kPadraoTabelaOuCsv);
  list->callback([&comando, linha] {
    comando = [linha](TSessaoHost& sessao) {
      sessao.VerificarEmpresa(linha->Lista.Empresa);
      std::string texto = Listar(
          sessao.Conexao(), linha->Lista,
          linha->Formato.empty() ? Saida::FormatoPadrao() : Saida::FormatoDoNome(linha->Formato));
      if (!texto.empty() && texto.back() == '\n')
        texto.pop_back();  // the program adds the last line break
      return texto;
    };
  });
}

}  // namespace ComandoRecord
