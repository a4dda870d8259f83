#include "host/import/ImportacaoHost.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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
#include "framework/db/ConexaoPerdida.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/common/HostComum.h"
#include "host/common/ValorDigitado.h"
#include "host/import/ArquivoImportado.h"
#include "host/import/CsvReader.h"
#include "host/import/ResumoSha256.h"
#include "host/output/BarraProgresso.h"
#include "host/output/SaidaCsv.h"
#include "schema/LoteSaldos.h"

namespace ImportacaoHost {

namespace {

// The failure of the batch of lines `primeira` to `ultima`, which the
// database did not take: nothing of it stays.
Exception LoteRecusado(int primeira, int ultima, const std::exception& erro) {
  return Exception(fmt::format("Lote das linhas {} a {} recusado pelo banco de dados: {}", primeira,
                               ultima, erro.what()));
}

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

// The fields of the header's columns, in the file's order; null for a
// column nobody reads (the rejects' message, a column the map leaves out).
std::vector<TField*> CamposDoCabecalho(TnClientDataSet& cds,
                                       const std::vector<std::string>& cabecalho,
                                       const TMapaImportacao* mapa) {
  std::vector<TField*> campos;
  std::set<std::string> vistos;
  std::set<std::string> mapeadas;
  for (const std::string& coluna : cabecalho) {
    std::string nome = Nutil::Trim(coluna);
    if (Nutil::UpperCase(nome) == kColunaRecusa) {
      campos.push_back(nullptr);
      continue;
    }
    if (mapa != nullptr) {
      auto it = mapa->Colunas.find(Nutil::UpperCase(nome));
      if (it == mapa->Colunas.end()) {
        campos.push_back(nullptr);
        continue;
      }
      mapeadas.insert(it->first);
      nome = it->second;
    }
    TField* field = cds.FindField(nome);
    if (field == nullptr || field->IsCalculated())
      throw Exception("Coluna desconhecida no cabeçalho: " + nome);
    if (!vistos.insert(Nutil::UpperCase(nome)).second)
      throw Exception("Coluna repetida no cabeçalho: " + nome);
    campos.push_back(field);
  }
  if (mapa != nullptr)
    for (const auto& [coluna, campo] : mapa->Colunas)
      if (mapeadas.count(coluna) == 0)
        throw Exception("A coluna " + coluna + " do mapa não está no cabeçalho do arquivo");
  return campos;
}

// An account typed as on the screen; EnField when the company has no such
// account.
std::string ContaDigitada(TnDMConexao& conexao, int64_t codigoEmpresa, const TField& field,
                          const std::string& texto) {
  std::string escrita = Nutil::Trim(texto);
  // Digits are a code, whose range the field checks.
  if (!escrita.empty() &&
      std::all_of(escrita.begin(), escrita.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return escrita;
  const std::optional<int64_t> conta = ContaDoTexto(conexao, codigoEmpresa, escrita);
  if (!conta)
    throw EnField("Conta não encontrada (código, apelido ou classificação): " + escrita,
                  field.FieldName());
  return std::to_string(*conta);
}

// A cell of a mapped file as the importer types it: dates and numbers in
// the map's writing, accounts as on the screen. A value the map itself
// gives (`doArquivo` false) is JSON: its numbers are written with a dot.
std::string CelulaDoMapa(TnDMConexao& conexao, int64_t codigoEmpresa, const TMapaImportacao& mapa,
                         const TField& field, const std::string& celula, bool doArquivo) {
  try {
    if (field.DataType() == TFieldType::ftDate && !mapa.FormatoData.empty())
      return mapa.DataIso(celula);
  } catch (const Exception& erro) {
    throw EnField(erro.what(), field.FieldName());
  }
  if (IsNumericFieldType(field.DataType()) &&
      Nutil::UpperCase(field.FieldName()).rfind("CONTACTB", 0) == 0)
    return ContaDigitada(conexao, codigoEmpresa, field, celula);
  try {
    if (doArquivo && field.DataType() == TFieldType::ftBCD)
      return mapa.Numero(celula, field.Scale());
    if (doArquivo && field.DataType() == TFieldType::ftFloat)
      return mapa.Numero(celula, -1);
  } catch (const Exception& erro) {
    throw EnField(erro.what(), field.FieldName());
  }
  return celula;
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

std::optional<int64_t> ContaDoTexto(TnDMConexao& conexao, int64_t codigoEmpresa,
                                    const std::string& texto) {
  const std::string conta = Nutil::Trim(texto);
  int64_t codigo = 0;
  if (!conta.empty() && conta[0] != '-' && Nutil::TryStrToInt64(conta, codigo))
    return codigo;
  const Value achada = conexao.ExecuteScalar(
      "select min(CONTACTB) from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
      "(upper(trim(APELIDOCONTA)) = :pTexto or trim(CLASSIFCONTA) = :pConta)",
      {{"pEmpresa", Value(codigoEmpresa)},
       {"pTexto", Value(Nutil::UpperCase(conta))},
       {"pConta", Value(conta)}});
  if (achada.IsNull())
    return std::nullopt;
  return achada.AsInteger();
}

TResultadoImportacao Importar(TnDMConexao& conexao, std::istream& csv,
                              const TOpcoesImportacao& opcoes) {
  TCsvReader leitor(csv, opcoes.Codificacao);
  TLinhasImportacao linhas;
  linhas.Cabecalho = leitor.Header();
  linhas.Separador = leitor.Separator();
  linhas.Proxima = [&leitor] { return leitor.Next(); };
  linhas.Tamanho = TamanhoDaEntrada(csv);
  linhas.Posicao = [&csv]() -> int64_t {
    const std::streampos posicao = csv.tellg();
    return posicao < 0 ? 0 : static_cast<int64_t>(posicao);
  };
  return Importar(conexao, linhas, opcoes);
}

TResultadoImportacao Importar(TnDMConexao& conexao, const TLinhasImportacao& linhas,
                              const TOpcoesImportacao& opcoes) {
  if (opcoes.TamanhoLote <= 0)
    throw Exception("O tamanho do lote deve ser positivo");
  TUsarConexao usarConexao(conexao);
  // Nobody answers during an import: a question refuses its row.
  TUsarDialogService usarDialogos(std::make_shared<TDialogServiceScripted>());

  const int64_t tamanho = linhas.Tamanho;
  std::unique_ptr<TnDMClientDataSet> modulo = AbrirModulo(conexao, opcoes);
  TnClientDataSet& cds = modulo->nClientDataSet;
  const std::vector<TField*> campos = CamposDoCabecalho(cds, linhas.Cabecalho, opcoes.Mapa);
  std::vector<std::pair<TField*, std::string>> fixos;
  if (opcoes.Mapa != nullptr)
    for (const auto& [nome, valor] : opcoes.Mapa->Valores) {
      TField* field = cds.FindField(nome);
      if (field == nullptr || field->IsCalculated())
        throw Exception("Campo desconhecido em \"values\" do mapa: " + nome);
      fixos.emplace_back(field, valor);
    }
  const auto digitar = [&](TField& field, const std::string& celula, bool doArquivo) {
    Preencher(field, opcoes.Mapa == nullptr ? celula
                                            : CelulaDoMapa(conexao, opcoes.CodigoEmpresa,
                                                           *opcoes.Mapa, field, celula, doArquivo));
  };
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
        return field != nullptr && Nutil::UpperCase(field->FieldName()) == "CODIGOEMPRESA";
      }))
    campoEmpresa = cds.FindField("CODIGOEMPRESA");

  TnFraProgresso& progresso = modulo->GetProgresso();
  if (opcoes.Progresso)
    progresso.SetOnAtualizar(opcoes.Progresso);
  progresso.Iniciar("Importando lançamentos", tamanho);
  if (opcoes.AoAbrir)
    opcoes.AoAbrir(*modulo);

  TResultadoImportacao resultado;
  resultado.Cabecalho = linhas.Cabecalho;
  resultado.Separador = linhas.Separador;
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
  // The entry keys the batch's rows drew, all fresh: their balances are
  // summed from the stored rows when the batch is applied, with no trigger
  // per row (0: none drawn).
  const bool chavesDeLancamento =
      campoChave != nullptr && Nutil::UpperCase(campoChave->FieldName()) == "CHAVELCTOCTB";
  int64_t primeiraChave = 0, ultimaChave = 0;
  auto aplicarLote = [&] {
    if (conexao.NivelTransacao() == nivelInicial)
      return;
    try {
      if (ultimaChave != 0)
        saldos->ChavesNovas(opcoes.CodigoEmpresa, primeiraChave, ultimaChave);
      primeiraChave = ultimaChave = 0;
      modulo->AplicarAtualizacoes();
      chaves->Devolver();
      saldos->Aplicar();
      saldos.reset();
      if (pendentes > 0 && resultado.Lotes == 0 && opcoes.AoGravarPrimeiroLote)
        opcoes.AoGravarPrimeiroLote();
      conexao.Commit();
    } catch (const std::exception& erro) {
      primeiraChave = ultimaChave = 0;
      modulo->SetBlocoChaves(nullptr);
      chaves.reset();
      while (conexao.NivelTransacao() > nivelInicial)
        conexao.RollBack();
      throw LoteRecusado(primeiraLinhaDoLote, ultimaLinha, erro);
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

  const auto abrirLote = [&] {
    if (conexao.NivelTransacao() == nivelInicial) {
      conexao.StartTransaction();
      saldos.emplace(conexao);
      chaves.emplace(conexao, opcoes.TamanhoLote);
      modulo->SetBlocoChaves(&*chaves);
    }
  };
  // A key drawn for a row that was then refused: the next row takes it
  // (0: none; keys start at 1).
  int64_t chaveSobrando = 0;
  int64_t lidas = 0;
  while (std::optional<TCsvRow> linha = linhas.Proxima()) {
    progresso.VerificarCancelamento();
    abrirLote();
    const int mudancasAntes = cds.ChangeCount();
    int64_t chaveDaLinha = 0;
    try {
      if (linha->Cells.size() > campos.size())
        throw Exception(fmt::format("A linha tem {} colunas; o cabeçalho, {}", linha->Cells.size(),
                                    campos.size()));
      cds.Append();
      if (campoEmpresa != nullptr)
        campoEmpresa->SetAsInteger(opcoes.CodigoEmpresa);
      for (const auto& [field, valor] : fixos)
        digitar(*field, valor, false);
      for (size_t i = 0; i < linha->Cells.size(); ++i) {
        // An empty cell keeps what the module put in the new record.
        if (campos[i] != nullptr && !Nutil::Trim(linha->Cells[i]).empty())
          digitar(*campos[i], linha->Cells[i], true);
      }
      // The company is the one named (and whose access was checked): a
      // CODIGOEMPRESA column may repeat it, never name another.
      if (TField* empresa = cds.FindField("CODIGOEMPRESA");
          empresa && !empresa->IsNull() && empresa->AsInteger() != opcoes.CodigoEmpresa)
        throw EnField(
            fmt::format("A empresa da linha deve ser a de --company ({})", opcoes.CodigoEmpresa),
            "CODIGOEMPRESA");
      if (campoChave != nullptr && campoChave->IsNull()) {
        if (chaveSobrando != 0)
          campoChave->SetAsInteger(chaveSobrando);
        chaveDaLinha = modulo->DMAutoIncrementarCheck(*campoChave);
        chaveSobrando = 0;
        if (chavesDeLancamento) {
          primeiraChave = primeiraChave == 0 ? chaveDaLinha : std::min(primeiraChave, chaveDaLinha);
          ultimaChave = std::max(ultimaChave, chaveDaLinha);
        }
      }
      cds.Post();
      if (opcoes.AoGravarLinha)
        opcoes.AoGravarLinha(*linha, chaveDaLinha);
      if (pendentes++ == 0)
        primeiraLinhaDoLote = linha->LineNumber;
      ultimaLinha = linha->LineNumber;
    } catch (const Exception& erro) {
      // No row's fault: the connection is gone, and the batch with it.
      if (dynamic_cast<const EConexaoPerdida*>(&erro) != nullptr)
        throw LoteRecusado(pendentes > 0 ? primeiraLinhaDoLote : linha->LineNumber,
                           linha->LineNumber, erro);
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
      resultado.Recusas.push_back(TRecusa{
          linha->LineNumber, erroCampo ? erroCampo->FieldName() : "", mensagem, linha->Cells});
      if (chaveDaLinha != 0)
        chaveSobrando = chaveDaLinha;
    }
    if (pendentes >= opcoes.TamanhoLote)
      aplicarLote();
    if (++lidas % 64 == 0 && tamanho > 0)
      progresso.SetPosicao(linhas.Posicao());
  }
  aplicarLote();
  // After the batch gave its unused block back, so that the sequence ends
  // at the key left over.
  if (chaveSobrando != 0 && Nutil::UpperCase(campoChave->FieldName()) == "CHAVELCTOCTB")
    Nutilsequence::DevolverChaveLctoCtb(conexao, opcoes.CodigoEmpresa, chaveSobrando);
  progresso.SetPosicao(tamanho);

  TnListaMensagem mensagens;
  resultado.Aceita = modulo->ValidarImportacao(&mensagens);
  resultado.Mensagens = mensagens.Mensagens();
  return resultado;
}

std::string RecusasEMensagens(const TResultadoImportacao& resultado) {
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
  return texto;
}

std::string Relatorio(const TResultadoImportacao& resultado) {
  std::string texto = RecusasEMensagens(resultado);
  const size_t recusadas = resultado.Recusas.size();
  texto += fmt::format("{} {}, {} {}", resultado.Gravadas,
                       resultado.Gravadas == 1 ? "linha gravada" : "linhas gravadas", recusadas,
                       recusadas == 1 ? "recusada" : "recusadas");
  return texto;
}

void EscreverRecusas(const TResultadoImportacao& resultado, const std::string& arquivo) {
  // The message column of a file that was itself a rejects file is
  // replaced, not repeated.
  const auto& cabecalho = resultado.Cabecalho;
  const auto colunaRecusa = std::find_if(
      cabecalho.begin(), cabecalho.end(),
      [](const std::string& c) { return Nutil::UpperCase(Nutil::Trim(c)) == kColunaRecusa; });
  const auto indiceRecusa = static_cast<size_t>(colunaRecusa - cabecalho.begin());
  const char separador = resultado.Separador;
  const auto celula = [&](const std::string& texto) { return SaidaCsv::Campo(texto, separador); };
  const auto linha = [&](const std::vector<std::string>& celulas, const std::string& ultima) {
    std::string texto;
    for (size_t i = 0; i < celulas.size(); ++i)
      if (i != indiceRecusa)
        texto += celula(celulas[i]) + separador;
    return texto + celula(ultima) + "\n";
  };
  std::string texto = linha(cabecalho, kColunaRecusa);
  for (const TRecusa& recusa : resultado.Recusas) {
    std::vector<std::string> celulas = recusa.Celulas;
    celulas.resize(std::max(celulas.size(), cabecalho.size()));
    texto += linha(celulas,
                   recusa.Campo.empty() ? recusa.Mensagem : recusa.Campo + ": " + recusa.Mensagem);
  }
  std::ofstream saida(arquivo, std::ios::binary);
  saida << texto;
  saida.close();
  if (!saida)
    throw Exception("Não foi possível gravar o arquivo de recusas " + arquivo);
}

TSaidaImportacao ComandoImportEntries(TnDMConexao& conexao, const std::string& arquivo,
                                      TOpcoesImportacao opcoes) {
  // Standard input is kept in a file of ours: its content is hashed before
  // the import reads it.
  std::optional<HostComum::TArquivoTemporario> copia;
  std::string caminho = arquivo;
  if (arquivo == "-") {
    copia.emplace();
    std::ofstream destino(copia->Caminho(), std::ios::binary);
    // An empty input writes nothing (and is then refused as an empty file).
    if (std::cin.peek() != std::char_traits<char>::eof())
      destino << std::cin.rdbuf();
    destino.close();
    if (!destino)
      throw Exception("Não foi possível guardar a entrada padrão");
    caminho = copia->Caminho();
  }
  std::ifstream entrada(caminho, std::ios::binary);
  if (!entrada)
    throw Exception("Não foi possível abrir " + arquivo);
  const std::string hash = TResumoSha256::DoFluxo(entrada);
  entrada.clear();
  entrada.seekg(0);
  ArquivoImportado::VerificarInedito(conexao, opcoes.CodigoEmpresa, hash, opcoes.DeNovo);
  const std::string nome =
      arquivo == "-" ? "(entrada padrão)" : std::filesystem::path(arquivo).filename().string();
  opcoes.AoGravarPrimeiroLote = [&] {
    ArquivoImportado::Registrar(conexao, opcoes.CodigoEmpresa, hash, nome);
  };
  HostComum::CarregarPacote();
  TBarraProgresso barra;
  if (!opcoes.Progresso)
    opcoes.Progresso = barra.Hook();
  const TResultadoImportacao resultado = Importar(conexao, entrada, opcoes);
  barra.Apagar();
  TSaidaImportacao saida;
  saida.Texto = Relatorio(resultado);
  if (!opcoes.ArquivoRecusas.empty()) {
    EscreverRecusas(resultado, opcoes.ArquivoRecusas);
    saida.Texto += fmt::format("\nRecusadas gravadas em {}", opcoes.ArquivoRecusas);
  }
  saida.Status = resultado.Recusas.empty() && resultado.Aceita ? 0 : 1;
  return saida;
}

}  // namespace ImportacaoHost
