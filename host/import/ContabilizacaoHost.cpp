#include "host/import/ContabilizacaoHost.h"

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>

#include "framework/app/ITreeMessager.h"
#include "framework/app/Ndialogs.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/common/HostComum.h"
#include "host/common/JsonEstrito.h"
#include "host/common/ValorDigitado.h"
#include "host/import/ArquivoImportado.h"
#include "host/import/CsvReader.h"
#include "host/import/ResumoSha256.h"
#include "host/output/BarraProgresso.h"
#include "host/output/SaidaJson.h"
#include "posting/nDMContabilizaContabil_U.h"
#include "schema/LoteSaldos.h"

namespace ContabilizacaoHost {

namespace {

using json = nlohmann::ordered_json;

// An array of entries, their objects, LCTOGER and its objects.
constexpr int kMaxProfundidade = 4;

constexpr int64_t kMaxPequeno = 32767;  // small-integer codes
constexpr int64_t kMaxConta = 999'999'999'999'999;
constexpr const char* kColunaTipo = "TIPO";
constexpr const char* kGerenciais = "LCTOGER";

const std::set<std::string> kCamposLancamento = {
    "CODIGOEMPRESA",     "CHAVELCTOCTB", "CODIGOESTAB",  "CODIGOLOTECTB", "DATALCTOCTB",
    "CODIGOORIGLCTOCTB", "CONTACTBDEB",  "CONTACTBCRED", "CODIGOHISTCTB", "COMPLHIST",
    "VALORLCTOCTB",      "CHAVEORIGEM",  kGerenciais};
const std::set<std::string> kCamposGerencial = {"CODIGOCENTROCUSTO", "NATURLCTOCTB", "CONTACTB",
                                                "DATALCTOCTB", "VALORLCTOGER"};

// The typed values of one object of the file. Every refusal names where
// the value is: the entry by the caller's key once it is known.
class TLeitor {
 public:
  TLeitor(const json& objeto, std::string onde) : FObjeto(objeto), FOnde(std::move(onde)) {
    if (!objeto.is_object())
      Recusar("esperado um objeto");
  }
  const std::string& Onde() const { return FOnde; }
  void SetOnde(std::string onde) { FOnde = std::move(onde); }
  [[noreturn]] void Recusar(const std::string& motivo) const {
    throw Exception(FOnde + ": " + motivo);
  }
  void VerificarCampos(const std::set<std::string>& aceitos) const {
    for (const auto& [nome, valor] : FObjeto.items())
      if (aceitos.count(nome) == 0)
        Recusar("campo desconhecido: " + nome);
  }
  // Absent, null and empty are the same: no value.
  std::optional<std::string> Texto(const char* nome) const {
    const auto it = FObjeto.find(nome);
    if (it == FObjeto.end() || it->is_null())
      return std::nullopt;
    if (!it->is_string() && !it->is_number())
      Recusar(std::string(nome) + ": tipo inválido (esperado texto ou número)");
    std::string texto = it->is_string() ? Nutil::Trim(it->get<std::string>()) : it->dump();
    if (texto.empty())
      return std::nullopt;
    return texto;
  }
  std::optional<int64_t> InteiroOpcional(const char* nome, int64_t minimo, int64_t maximo) const {
    const std::optional<std::string> texto = Texto(nome);
    if (!texto)
      return std::nullopt;
    if (const std::string erro = ValorDigitado::VerificarInteiro(*texto, 8); !erro.empty())
      Recusar(fmt::format("{}: {}", nome, erro));
    const int64_t valor = std::stoll(*texto);
    if (valor < minimo || valor > maximo)
      Recusar(fmt::format("{}: {} fora do intervalo de {} a {}", nome, valor, minimo, maximo));
    return valor;
  }
  int64_t Inteiro(const char* nome, int64_t minimo, int64_t maximo) const {
    const std::optional<int64_t> valor = InteiroOpcional(nome, minimo, maximo);
    if (!valor)
      Recusar(std::string(nome) + " é obrigatório");
    return *valor;
  }
  Currency Valor(const char* nome) const {
    const std::optional<std::string> texto = Texto(nome);
    if (!texto)
      Recusar(std::string(nome) + " é obrigatório");
    if (const std::string erro =
            ValorDigitado::VerificarDecimal(*texto, 2, ValorDigitado::kDigitosInteirosValor + 2);
        !erro.empty())
      Recusar(fmt::format("{}: {}", nome, erro));
    return Currency::FromString(*texto);
  }
  std::optional<TDateTime> Data(const char* nome) const {
    const std::optional<std::string> texto = Texto(nome);
    if (!texto)
      return std::nullopt;
    // A date and nothing more: a time part would be dropped without a word.
    const std::optional<TDateTime> data =
        texto->size() == 10 ? ParseDate(*texto) : std::optional<TDateTime>();
    if (!data)
      Recusar(fmt::format("{}: data inválida \"{}\" (use AAAA-MM-DD ou dd/mm/aaaa)", nome, *texto));
    return *data;
  }
  std::string TextoLimitado(const char* nome, size_t maximo) const {
    std::string texto = Texto(nome).value_or("");
    if (Nutil::Caracteres(texto) > maximo)
      Recusar(fmt::format("{}: mais de {} caracteres", nome, maximo));
    return texto;
  }

 private:
  const json& FObjeto;
  std::string FOnde;
};

std::string NomeDoLancamento(int64_t chave, int64_t empresa) {
  return fmt::format("Lançamento {} da empresa {}", chave, empresa);
}

// A managerial row; its company and key are its entry's.
TGerencialPost LerGerencial(const TLeitor& leitor) {
  TGerencialPost g;
  g.CodigoCentroCusto = leitor.Inteiro("CODIGOCENTROCUSTO", 1, kMaxConta);
  g.Natureza = static_cast<int>(leitor.Inteiro("NATURLCTOCTB", -1, 1));
  if (g.Natureza == 0)
    leitor.Recusar("NATURLCTOCTB: use 1 (débito) ou -1 (crédito)");
  g.ContaCtb = leitor.InteiroOpcional("CONTACTB", 1, kMaxConta);
  g.Data = leitor.Data("DATALCTOCTB");
  g.Valor = leitor.Valor("VALORLCTOGER");
  return g;
}

TLancamentoPost LerLancamento(const json& objeto, const std::string& onde) {
  TLeitor leitor(objeto, onde);
  leitor.VerificarCampos(kCamposLancamento);
  TLancamentoPost l;
  l.CodigoEmpresa = leitor.Inteiro("CODIGOEMPRESA", 1, kMaxPequeno);
  l.ChaveLctoCtb = leitor.Inteiro("CHAVELCTOCTB", 1, HostComum::kMaxChaveLctoCtb);
  leitor.SetOnde(NomeDoLancamento(l.ChaveLctoCtb, l.CodigoEmpresa));
  l.CodigoEstab = leitor.Inteiro("CODIGOESTAB", 1, kMaxPequeno);
  l.CodigoLoteCtb = leitor.InteiroOpcional("CODIGOLOTECTB", 0, kMaxPequeno).value_or(0);
  const std::optional<TDateTime> data = leitor.Data("DATALCTOCTB");
  if (!data)
    leitor.Recusar("DATALCTOCTB é obrigatório");
  l.Data = *data;
  l.CodigoOrigLctoCtb = leitor.TextoLimitado("CODIGOORIGLCTOCTB", 2);
  l.ContaCtbDeb = leitor.InteiroOpcional("CONTACTBDEB", 0, kMaxConta).value_or(0);
  l.ContaCtbCred = leitor.InteiroOpcional("CONTACTBCRED", 0, kMaxConta).value_or(0);
  l.CodigoHistCtb = leitor.InteiroOpcional("CODIGOHISTCTB", 0, kMaxPequeno);
  l.ComplHist = leitor.TextoLimitado("COMPLHIST", 300);
  l.Valor = leitor.Valor("VALORLCTOCTB");
  l.ChaveOrigem = leitor.TextoLimitado("CHAVEORIGEM", 15);
  if (const auto it = objeto.find(kGerenciais); it != objeto.end() && !it->is_null()) {
    if (!it->is_array())
      leitor.Recusar(std::string(kGerenciais) + ": esperada uma lista");
    for (size_t i = 0; i < it->size(); ++i) {
      TLeitor linha((*it)[i], fmt::format("{}, linha gerencial {}", leitor.Onde(), i + 1));
      linha.VerificarCampos(kCamposGerencial);
      l.Gerenciais.push_back(LerGerencial(linha));
    }
  }
  return l;
}

// The batch's bounds, and each caller's key once per company (the
// managerial rows find their entry by it).
void VerificarLote(const std::vector<TLancamentoPost>& lote) {
  if (lote.size() > kMaxLancamentos)
    throw Exception(fmt::format("O lote passa de {} lançamentos", kMaxLancamentos));
  size_t gerenciais = 0;
  std::set<std::pair<int64_t, int64_t>> chaves;
  for (const TLancamentoPost& l : lote) {
    gerenciais += l.Gerenciais.size();
    if (!chaves.emplace(l.CodigoEmpresa, l.ChaveLctoCtb).second)
      throw Exception(NomeDoLancamento(l.ChaveLctoCtb, l.CodigoEmpresa) +
                      ": chave repetida no arquivo");
  }
  if (gerenciais > kMaxGerenciais)
    throw Exception(fmt::format("O lote passa de {} linhas gerenciais", kMaxGerenciais));
}

void Preencher(TnDMContabilizaContabil& engine, const std::vector<TLancamentoPost>& lote) {
  const auto valor = [](TnClientDataSet& cds, const char* nome, const Value& v) {
    cds.FieldByName(nome).SetValue(v);
  };
  for (const TLancamentoPost& l : lote) {
    TnClientDataSet& cds = engine.cdsLctoCtb;
    cds.Append();
    valor(cds, "CodigoEmpresa", Value(l.CodigoEmpresa));
    valor(cds, "ChaveLctoCtb", Value(static_cast<double>(l.ChaveLctoCtb)));
    valor(cds, "CodigoEstab", Value(l.CodigoEstab));
    valor(cds, "CodigoLoteCtb", Value(l.CodigoLoteCtb));
    valor(cds, "DataLctoCtb", Value(l.Data));
    valor(cds, "CodigoOrigLctoCtb", Value(l.CodigoOrigLctoCtb));
    valor(cds, "ContaCtbDeb", Value(static_cast<double>(l.ContaCtbDeb)));
    valor(cds, "ContaCtbCred", Value(static_cast<double>(l.ContaCtbCred)));
    valor(cds, "CodigoHistCtb", l.CodigoHistCtb ? Value(*l.CodigoHistCtb) : Value());
    valor(cds, "ComplHist", Value(l.ComplHist));
    valor(cds, "ValorLctoCtb", Value(l.Valor));
    valor(cds, "ChaveOrigem", Value(l.ChaveOrigem));
    cds.Post();
    for (const TGerencialPost& g : l.Gerenciais) {
      TnClientDataSet& ger = engine.cdsLctoGer;
      ger.Append();
      valor(ger, "CodigoEmpresa", Value(l.CodigoEmpresa));
      valor(ger, "ChaveLctoCtb", Value(static_cast<double>(l.ChaveLctoCtb)));
      valor(ger, "CodigoCentroCusto", Value(static_cast<double>(g.CodigoCentroCusto)));
      valor(ger, "NaturLctoCtb", Value(g.Natureza));
      const int64_t conta = g.ContaCtb.value_or(g.Natureza == 1 ? l.ContaCtbDeb : l.ContaCtbCred);
      valor(ger, "ContaCtb", Value(static_cast<double>(conta)));
      valor(ger, "DataLctoCtb", Value(g.Data.value_or(l.Data)));
      valor(ger, "ValorLctoGer", Value(g.Valor));
      ger.Post();
    }
  }
}

std::string Juntar(const std::vector<TnMensagem>& mensagens) {
  std::string texto;
  for (const TnMensagem& m : mensagens)
    Nutil::Add(texto, m.Texto, "; ");
  return texto;
}

// One line per entry; then the run's messages that concern no entry (a
// failure of the writing itself).
std::unique_ptr<TnClientDataSet> Relatorio(TnDMContabilizaContabil& engine,
                                           const TnArvoreMensagem& mensagens) {
  auto relatorio = std::make_unique<TnClientDataSet>();
  relatorio->AddField("EMPRESA", TFieldType::ftInteger);
  relatorio->AddField("CHAVE", TFieldType::ftLargeint);
  relatorio->AddField("CHAVENOVA", TFieldType::ftLargeint);
  relatorio->AddField("TRANSCTB", TFieldType::ftLargeint);
  relatorio->AddField("SITUACAO", TFieldType::ftString, 13);
  relatorio->AddField("MENSAGEM", TFieldType::ftString, 4000);
  relatorio->CreateDataSet();
  // The keys that another writer took meanwhile, by the key used instead.
  std::map<std::pair<int64_t, double>, double> trocadas;
  TnClientDataSet& log = engine.cdsLctoCtbErroPK;
  for (log.First(); !log.Eof(); log.Next())
    trocadas[{log.FieldByName("CodigoEmpresa").AsInteger(),
              log.FieldByName("ChaveLctoCtbNovo").AsFloat()}] =
        log.FieldByName("ChaveLctoCtb").AsFloat();
  const auto chave = [](double valor) { return Value(static_cast<int64_t>(valor)); };
  for (const TnResultadoContabilizacao& r : engine.Resultados()) {
    std::string texto = Juntar(r.Mensagens);
    if (const auto it = trocadas.find({r.CodigoEmpresa, r.ChaveLctoCtbNovo}); it != trocadas.end())
      Nutil::Add(
          texto,
          fmt::format("a chave {} foi usada por outro lançamento; gravado com a chave {}",
                      static_cast<int64_t>(it->second), static_cast<int64_t>(r.ChaveLctoCtbNovo)),
          "; ");
    relatorio->AppendRecord({Value(r.CodigoEmpresa), chave(r.ChaveLctoCtb),
                             r.Recusado ? Value() : chave(r.ChaveLctoCtbNovo), Value(r.TransCtb),
                             Value(r.Recusado ? "recusado" : "contabilizado"), Value(texto)});
  }
  // The entries' messages are under their nodes; at the top, the others.
  for (const auto& no : mensagens.Nos())
    if (no->Tipo == TTipoMensagem::tmErro)
      relatorio->AppendRecord(
          {Value(), Value(), Value(), Value(), Value("erro"), Value(no->Texto)});
  return relatorio;
}

// The message tree as JSON: each node its kind, text and children; one
// top-level node a line.
std::string ArvoreJson(const std::vector<std::unique_ptr<TnNoMensagem>>& nos, bool topo) {
  std::string out = "[";
  for (const auto& no : nos) {
    if (out.size() > 1)
      out += topo ? "," : ", ";
    if (topo)
      out += "\n  ";
    const char* tipo = no->Tipo == TTipoMensagem::tmErro    ? "erro"
                       : no->Tipo == TTipoMensagem::tmAviso ? "aviso"
                                                            : "informacao";
    out += fmt::format("{{\"kind\": \"{}\", \"text\": {}, \"children\": {}}}", tipo,
                       SaidaJson::Texto(no->Texto), ArvoreJson(no->Filhos, false));
  }
  return out + (topo && !nos.empty() ? "\n]" : "]");
}

}  // namespace

std::vector<TLancamentoPost> LerJson(std::istream& entrada) {
  const std::string texto{std::istreambuf_iterator<char>(entrada),
                          std::istreambuf_iterator<char>()};
  const json documento = JsonEstrito::Analisar(texto, kMaxProfundidade);
  if (!documento.is_array())
    throw Exception("O arquivo deve ser uma lista de lançamentos");
  if (documento.size() > kMaxLancamentos)
    throw Exception(fmt::format("O lote passa de {} lançamentos", kMaxLancamentos));
  std::vector<TLancamentoPost> lote;
  lote.reserve(documento.size());
  for (size_t i = 0; i < documento.size(); ++i)
    lote.push_back(LerLancamento(documento[i], fmt::format("Lançamento na posição {}", i + 1)));
  VerificarLote(lote);
  return lote;
}

std::vector<TLancamentoPost> LerCsv(std::istream& entrada) {
  TCsvReader leitor(entrada);
  std::vector<std::string> colunas;
  std::set<std::string> aceitas = kCamposLancamento;
  aceitas.insert(kCamposGerencial.begin(), kCamposGerencial.end());
  aceitas.erase(kGerenciais);
  aceitas.insert(kColunaTipo);
  for (const std::string& coluna : leitor.Header()) {
    const std::string nome = Nutil::UpperCase(Nutil::Trim(coluna));
    if (aceitas.count(nome) == 0)
      throw Exception("Coluna desconhecida no cabeçalho: " + nome);
    if (std::find(colunas.begin(), colunas.end(), nome) != colunas.end())
      throw Exception("Coluna repetida no cabeçalho: " + nome);
    colunas.push_back(nome);
  }
  if (std::find(colunas.begin(), colunas.end(), kColunaTipo) == colunas.end())
    throw Exception("Falta a coluna TIPO (L: lançamento, G: linha gerencial)");
  std::vector<TLancamentoPost> lote;
  std::vector<std::pair<int, json>> gerenciais;
  while (std::optional<TCsvRow> linha = leitor.Next()) {
    const std::string onde = fmt::format("Linha {}", linha->LineNumber);
    json objeto = json::object();
    std::string tipo;
    for (size_t i = 0; i < linha->Cells.size() && i < colunas.size(); ++i) {
      const std::string celula = Nutil::Trim(linha->Cells[i]);
      if (colunas[i] == kColunaTipo)
        tipo = Nutil::UpperCase(celula);
      else if (!celula.empty())
        objeto[colunas[i]] = celula;
    }
    if (linha->Cells.size() > colunas.size())
      throw Exception(onde + ": mais colunas que o cabeçalho");
    if (tipo == "L") {
      if (lote.size() == kMaxLancamentos)
        throw Exception(fmt::format("O lote passa de {} lançamentos", kMaxLancamentos));
      lote.push_back(LerLancamento(objeto, onde));
    } else if (tipo == "G") {
      if (gerenciais.size() == kMaxGerenciais)
        throw Exception(fmt::format("O lote passa de {} linhas gerenciais", kMaxGerenciais));
      gerenciais.emplace_back(linha->LineNumber, std::move(objeto));
    } else {
      throw Exception(onde + ": TIPO deve ser L (lançamento) ou G (linha gerencial)");
    }
  }
  VerificarLote(lote);
  std::map<std::pair<int64_t, int64_t>, size_t> indices;
  for (size_t i = 0; i < lote.size(); ++i)
    indices[{lote[i].CodigoEmpresa, lote[i].ChaveLctoCtb}] = i;
  for (const auto& [numero, objeto] : gerenciais) {
    TLeitor linha(objeto, fmt::format("Linha {}", numero));
    std::set<std::string> campos = kCamposGerencial;
    campos.insert({"CODIGOEMPRESA", "CHAVELCTOCTB"});
    linha.VerificarCampos(campos);
    const int64_t empresa = linha.Inteiro("CODIGOEMPRESA", 1, kMaxPequeno);
    const int64_t chave = linha.Inteiro("CHAVELCTOCTB", 1, HostComum::kMaxChaveLctoCtb);
    const auto it = indices.find({empresa, chave});
    if (it == indices.end())
      linha.Recusar(NomeDoLancamento(chave, empresa) + " não está no arquivo");
    linha.SetOnde(
        fmt::format("{}, linha gerencial da linha {}", NomeDoLancamento(chave, empresa), numero));
    lote[it->second].Gerenciais.push_back(LerGerencial(linha));
  }
  return lote;
}

TSaidaPost Contabilizar(TnDMConexao& conexao, const std::vector<TLancamentoPost>& lote,
                        const TOpcoesPost& opcoes) {
  TUsarConexao usarConexao(conexao);
  // Nobody answers while a batch posts: a question refuses its entry.
  TUsarDialogService usarDialogos(std::make_shared<TDialogServiceScripted>());
  TnDMContabilizaContabil engine;
  engine.SetConexao(&conexao);
  TnArvoreMensagem mensagens;
  engine.SetMsgTreeLista(&mensagens);
  engine.SetMsgExibir(true);
  engine.SetConciliarAuto(opcoes.ConciliarAuto);
  if (opcoes.Progresso)
    engine.GetProgresso().SetOnAtualizar(opcoes.Progresso);
  Preencher(engine, lote);
  // The batch is one transaction: the entries, their managerial rows and
  // the balances they move are committed together or not at all.
  const int nivel = conexao.NivelTransacao();
  conexao.StartTransaction();
  try {
    TLoteSaldos saldos(conexao);
    try {
      engine.Contabilizar();
    } catch (const Exception&) {
      // The refusals are counted and reported; the rest of the batch stays.
      if (engine.ControleErros() == 0)
        throw;
    }
    if (opcoes.AoGravarEmpresa) {
      std::set<int64_t> gravadas;
      for (const TnResultadoContabilizacao& r : engine.Resultados())
        if (!r.Recusado && gravadas.insert(r.CodigoEmpresa).second)
          opcoes.AoGravarEmpresa(r.CodigoEmpresa);
    }
    saldos.Aplicar();
    conexao.Commit();
  } catch (const std::exception& erro) {
    while (conexao.NivelTransacao() > nivel)
      conexao.RollBack();
    throw Exception(std::string("Lote recusado pelo banco de dados; nada foi gravado: ") +
                    erro.what());
  }
  std::unique_ptr<TnClientDataSet> relatorio = Relatorio(engine, mensagens);
  TSaidaPost saida;
  saida.Status = engine.ControleErros() > 0 || mensagens.TemErro() ? 1 : 0;
  saida.Texto = Saida::Escrever(*relatorio, opcoes.Formato);
  if (opcoes.Formato == Saida::TFormatoSaida::Json) {
    if (!saida.Texto.empty() && saida.Texto.back() == '\n')
      saida.Texto.pop_back();
    saida.Texto =
        "{\"rows\": " + saida.Texto + ",\n \"tree\": " + ArvoreJson(mensagens.Nos(), true) + "}";
  }
  if (opcoes.Formato == Saida::TFormatoSaida::Tabela) {
    size_t recusados = 0;
    for (const TnResultadoContabilizacao& r : engine.Resultados())
      recusados += r.Recusado ? 1 : 0;
    saida.Texto += fmt::format("{} lançamentos contabilizados, {} recusados",
                               engine.Resultados().size() - recusados, recusados);
  }
  if (!saida.Texto.empty() && saida.Texto.back() == '\n')
    saida.Texto.pop_back();
  return saida;
}

TSaidaPost ComandoPost(TnDMConexao& conexao, const std::string& arquivo,
                       const TOpcoesPost& opcoes) {
  const std::string extensao =
      Nutil::LowerCase(std::filesystem::path(arquivo).extension().string());
  if (extensao != ".json" && extensao != ".csv")
    throw Exception("O arquivo deve ser .json ou .csv: " + arquivo);
  std::error_code erro;
  const auto tamanho = std::filesystem::file_size(arquivo, erro);
  if (erro)
    throw Exception("Não foi possível abrir " + arquivo);
  if (tamanho > static_cast<uintmax_t>(kMaxBytesArquivo))
    throw Exception(
        fmt::format("O arquivo passa de {} MiB", kMaxBytesArquivo / (int64_t{1024} * 1024)));
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada)
    throw Exception("Não foi possível abrir " + arquivo);
  const std::string hash = TResumoSha256::DoFluxo(entrada);
  entrada.clear();
  entrada.seekg(0);
  const std::vector<TLancamentoPost> lote =
      extensao == ".json" ? LerJson(entrada) : LerCsv(entrada);
  std::set<int64_t> empresas;
  for (const TLancamentoPost& l : lote)
    if (empresas.insert(l.CodigoEmpresa).second && opcoes.VerificarEmpresa)
      opcoes.VerificarEmpresa(l.CodigoEmpresa);
  for (const int64_t empresa : empresas)
    ArquivoImportado::VerificarInedito(conexao, empresa, hash, opcoes.DeNovo,
                                       ArquivoImportado::TOperacao::Contabilizacao);
  HostComum::CarregarPacote();
  TBarraProgresso barra;
  TOpcoesPost comBarra = opcoes;
  if (!comBarra.Progresso)
    comBarra.Progresso = barra.Hook();
  const std::string nome = std::filesystem::path(arquivo).filename().string();
  comBarra.AoGravarEmpresa = [&](int64_t empresa) {
    ArquivoImportado::Registrar(conexao, empresa, hash, nome);
  };
  TSaidaPost saida = Contabilizar(conexao, lote, comBarra);
  barra.Apagar();
  return saida;
}

}  // namespace ContabilizacaoHost
