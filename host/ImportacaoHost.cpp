#include "host/ImportacaoHost.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>

#include "framework/app/Ndialogs.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnDMClientDataSet.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/CsvReader.h"
#include "host/HostComum.h"
#include "host/ValorDigitado.h"
#include "schema/LoteSaldos.h"

namespace ImportacaoHost {

namespace {

// The size of a seekable input (a file); 0 when it cannot be known.
int64_t TamanhoDaEntrada(std::istream& entrada) {
  const std::streampos inicio = entrada.tellg();
  if (inicio < 0)
    return 0;
  entrada.seekg(0, std::ios::end);
  const std::streampos fim = entrada.tellg();
  entrada.seekg(inicio);
  if (!entrada) {
    entrada.clear();
    return 0;
  }
  return fim < 0 ? 0 : static_cast<int64_t>(fim);
}

std::unique_ptr<TnDMClientDataSet> AbrirModulo(TnDMConexao& conexao,
                                               const TOpcoesImportacao& opcoes) {
  auto modulo = Nutilform::CriarDMNovo<TnDMClientDataSet>(opcoes.Classe);
  modulo->SetConexao(&conexao);
  modulo->SetImportacao(true);
  modulo->SetVerificarBalancoImportacao(true);
  modulo->SetTemTela(false);
  modulo->SetAplicarAoGravar(false);
  modulo->ConfigSobDemanda();
  modulo->Configurar(nullptr);
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, Value(opcoes.CodigoEmpresa));
  selecao.SetParam(kSelDataInicial, Value(HostComum::DataMinima()));
  selecao.SetParam(kSelDataFinal, Value(HostComum::DataMaxima()));
  // An import only adds records: none of the stored ones is loaded.
  modulo->SetCarregarDetalhesDinamicamente(true);
  modulo->Abrir(&selecao);
  return modulo;
}

// The fields of the header's columns, in the file's order.
std::vector<TField*> CamposDoCabecalho(TnClientDataSet& cds,
                                       const std::vector<std::string>& cabecalho) {
  std::vector<TField*> campos;
  std::set<std::string> vistos;
  for (const std::string& coluna : cabecalho) {
    const std::string nome = Nutil::Trim(coluna);
    TField* field = cds.FindField(nome);
    if (field == nullptr || field->IsCalculated())
      throw Exception("Coluna desconhecida no cabeçalho: " + nome);
    if (!vistos.insert(Nutil::UpperCase(nome)).second)
      throw Exception("Coluna repetida no cabeçalho: " + nome);
    campos.push_back(field);
  }
  return campos;
}

// A cell as typed into its field; a text the field cannot take is a
// refusal of that field.
void Preencher(TField& field, const std::string& celula) {
  if (const std::string erro = ValorDigitado::Verificar(field, celula); !erro.empty())
    throw EnField(erro, field.FieldName());
  try {
    field.SetValue(Value(celula));
  } catch (const EnField&) {
    throw;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& erro) {
    throw EnField(erro.what(), field.FieldName());
  }
}

}  // namespace

TResultadoImportacao Importar(TnDMConexao& conexao, std::istream& csv,
                              const TOpcoesImportacao& opcoes) {
  if (opcoes.TamanhoLote <= 0)
    throw Exception("O tamanho do lote deve ser positivo");
  TUsarConexao usarConexao(conexao);
  // Nobody answers during an import: a question refuses its row.
  TUsarDialogService usarDialogos(std::make_shared<TDialogServiceScripted>());

  const int64_t tamanho = TamanhoDaEntrada(csv);
  TCsvReader leitor(csv, opcoes.Codificacao);
  std::unique_ptr<TnDMClientDataSet> modulo = AbrirModulo(conexao, opcoes);
  TnClientDataSet& cds = modulo->nClientDataSet;
  const std::vector<TField*> campos = CamposDoCabecalho(cds, leitor.Header());
  // The record's key comes from its sequence when the file does not give
  // it: in import mode the module leaves that to whoever feeds it.
  TField* campoChave = nullptr;
  if (const std::vector<std::string> chave = Nutil::StrToStrArray(modulo->ChavePrimaria(), ";");
      !chave.empty()) {
    TField* field = cds.FindField(Nutil::Trim(chave.back()));
    if (field != nullptr && std::find(campos.begin(), campos.end(), field) == campos.end() &&
        (Nutil::UpperCase(field->FieldName()) == "CHAVELCTOCTB" ||
         field->GetDefinicao().TemPropriedade("NomeSequence")))
      campoChave = field;
  }
  TField* campoEmpresa = nullptr;
  if (std::none_of(campos.begin(), campos.end(), [](const TField* field) {
        return Nutil::UpperCase(field->FieldName()) == "CODIGOEMPRESA";
      }))
    campoEmpresa = cds.FindField("CODIGOEMPRESA");

  TnFraProgresso& progresso = modulo->GetProgresso();
  if (opcoes.Progresso)
    progresso.SetOnAtualizar(opcoes.Progresso);
  progresso.Iniciar("Importando lançamentos", tamanho);
  if (opcoes.AoAbrir)
    opcoes.AoAbrir(*modulo);

  TResultadoImportacao resultado;
  int pendentes = 0;
  int primeiraLinhaDoLote = 0, ultimaLinha = 0;
  // One transaction per batch, open from its first row to its commit: the
  // keys drawn and whatever the module reads while posting share it, and a
  // stop anywhere before the commit leaves nothing of the batch.
  const int nivelInicial = conexao.NivelTransacao();
  struct TDesfazerLote {
    TnDMConexao& Conexao;
    int Nivel;
    ~TDesfazerLote() {
      while (Conexao.NivelTransacao() > Nivel)
        Conexao.RollBack();
    }
  } desfazerLote{conexao, nivelInicial};
  // The batch moves the balance tables once, grouped, before its commit,
  // and draws its keys a block at a time.
  std::optional<TLoteSaldos> saldos;
  std::optional<Nutilsequence::TBlocoChavesLctoCtb> chaves;
  struct TSoltarChaves {
    TnDMClientDataSet& Modulo;
    ~TSoltarChaves() { Modulo.SetBlocoChaves(nullptr); }
  } soltarChaves{*modulo};
  auto aplicarLote = [&] {
    if (conexao.NivelTransacao() == nivelInicial)
      return;
    try {
      modulo->AplicarAtualizacoes();
      chaves->Devolver();
      saldos->Aplicar();
      saldos.reset();
      conexao.Commit();
    } catch (const std::exception& erro) {
      modulo->SetBlocoChaves(nullptr);
      chaves.reset();
      while (conexao.NivelTransacao() > nivelInicial)
        conexao.RollBack();
      throw Exception(fmt::format("Lote das linhas {} a {} recusado pelo banco de dados: {}",
                                  primeiraLinhaDoLote, ultimaLinha, erro.what()));
    }
    modulo->SetBlocoChaves(nullptr);
    chaves.reset();
    resultado.Gravadas += pendentes;
    if (pendentes > 0)
      ++resultado.Lotes;
    pendentes = 0;
    // The stored rows need not stay in memory: a year of entries fits.
    cds.EmptyDataSet();
  };

  int64_t lidas = 0;
  while (std::optional<TCsvRow> linha = leitor.Next()) {
    progresso.VerificarCancelamento();
    if (conexao.NivelTransacao() == nivelInicial) {
      conexao.StartTransaction();
      saldos.emplace(conexao);
      chaves.emplace(conexao, opcoes.TamanhoLote);
      modulo->SetBlocoChaves(&*chaves);
    }
    const int mudancasAntes = cds.ChangeCount();
    try {
      if (linha->Cells.size() > campos.size())
        throw Exception(fmt::format("A linha tem {} colunas; o cabeçalho, {}", linha->Cells.size(),
                                    campos.size()));
      cds.Append();
      if (campoEmpresa != nullptr)
        campoEmpresa->SetAsInteger(opcoes.CodigoEmpresa);
      for (size_t i = 0; i < linha->Cells.size(); ++i) {
        // An empty cell keeps what the module put in the new record.
        if (!Nutil::Trim(linha->Cells[i]).empty())
          Preencher(*campos[i], linha->Cells[i]);
      }
      // The company is the one named (and whose access was checked): a
      // CODIGOEMPRESA column may repeat it, never name another.
      if (TField* empresa = cds.FindField("CODIGOEMPRESA");
          empresa && !empresa->IsNull() && empresa->AsInteger() != opcoes.CodigoEmpresa)
        throw EnField(
            fmt::format("A empresa da linha deve ser a de --company ({})", opcoes.CodigoEmpresa),
            "CODIGOEMPRESA");
      if (campoChave != nullptr && campoChave->IsNull())
        modulo->DMAutoIncrementarCheck(*campoChave);
      cds.Post();
      if (pendentes++ == 0)
        primeiraLinhaDoLote = linha->LineNumber;
      ultimaLinha = linha->LineNumber;
    } catch (const Exception& erro) {
      // Only this row goes: a record half typed is cancelled, a record
      // posted before its post handlers failed is reverted.
      if (cds.State() == TDataSetState::dsInsert || cds.State() == TDataSetState::dsEdit)
        cds.Cancel();
      else if (cds.ChangeCount() > mudancasAntes)
        cds.RevertRecord();
      const EnField* erroCampo = dynamic_cast<const EnField*>(&erro);
      std::string mensagem = erro.what();
      if (dynamic_cast<const EAbort*>(&erro) != nullptr)
        mensagem = "Linha abandonada pelo módulo";
      resultado.Recusas.push_back(
          TRecusa{linha->LineNumber, erroCampo ? erroCampo->FieldName() : "", mensagem});
    }
    if (pendentes >= opcoes.TamanhoLote)
      aplicarLote();
    if (++lidas % 64 == 0 && tamanho > 0) {
      const std::streampos posicao = csv.tellg();
      if (posicao >= 0)
        progresso.SetPosicao(static_cast<int64_t>(posicao));
    }
  }
  aplicarLote();
  progresso.SetPosicao(tamanho);

  TnListaMensagem mensagens;
  resultado.Aceita = modulo->ValidarImportacao(&mensagens);
  resultado.Mensagens = mensagens.Mensagens();
  return resultado;
}

std::string Relatorio(const TResultadoImportacao& resultado) {
  std::string texto;
  for (const TRecusa& recusa : resultado.Recusas) {
    texto += fmt::format("linha {}: ", recusa.Linha);
    if (!recusa.Campo.empty())
      texto += recusa.Campo + ": ";
    texto += recusa.Mensagem + "\n";
  }
  TnListaMensagem mensagens;
  for (const TnMensagem& mensagem : resultado.Mensagens)
    mensagens.Add(mensagem.Tipo, mensagem.Texto);
  if (mensagens.Count() > 0) {
    texto += mensagens.Texto();
    if (texto.back() != '\n')
      texto += "\n";
  }
  const size_t recusadas = resultado.Recusas.size();
  texto += fmt::format("{} {}, {} {}", resultado.Gravadas,
                       resultado.Gravadas == 1 ? "linha gravada" : "linhas gravadas", recusadas,
                       recusadas == 1 ? "recusada" : "recusadas");
  return texto;
}

TSaidaImportacao ComandoImportEntries(TnDMConexao& conexao, const std::string& arquivo,
                                      TOpcoesImportacao opcoes) {
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada)
    throw Exception("Não foi possível abrir " + arquivo);
  HostComum::CarregarPacote();
  if (!opcoes.Progresso)
    opcoes.Progresso = BarraDeProgresso();
  const bool barra = static_cast<bool>(opcoes.Progresso);
  TResultadoImportacao resultado;
  try {
    resultado = Importar(conexao, entrada, opcoes);
  } catch (...) {
    if (barra)
      std::cerr << '\n';
    throw;
  }
  if (barra)
    std::cerr << '\n';
  TSaidaImportacao saida;
  saida.Texto = Relatorio(resultado);
  saida.Status = resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
  return saida;
}

TnFraProgresso::THook BarraDeProgresso() {
  if (::isatty(STDERR_FILENO) == 0)
    return {};
  auto ultimo = std::make_shared<int>(-1);
  return [ultimo](const TnFraProgresso& progresso) {
    const int percentual = progresso.Percentual();
    if (percentual == *ultimo)
      return;
    *ultimo = percentual;
    constexpr int kLargura = 30;
    const int cheios = percentual * kLargura / 100;
    std::cerr << fmt::format("\r[{}{}] {:3}% {}", std::string(static_cast<size_t>(cheios), '#'),
                             std::string(static_cast<size_t>(kLargura - cheios), ' '), percentual,
                             progresso.Texto())
              << std::flush;
  };
}

}  // namespace ImportacaoHost
