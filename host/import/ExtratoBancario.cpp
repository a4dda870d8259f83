#include "host/import/ExtratoBancario.h"

#include <fmt/format.h>
#include <libofx/libofx.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "host/common/HostComum.h"
#include "host/common/ValorDigitado.h"
#include "host/import/ResumoSha256.h"

namespace ExtratoBancario {

namespace {

constexpr const char* kCampoData = "DATALCTOCTB";
constexpr const char* kCampoValor = "VALORLCTOCTB";
constexpr const char* kCampoDescricao = "COMPLHIST";
constexpr const char* kCampoDocumento = "NUMERODCTO";

// The row refused on `campo`, unless it already was: the first fault found
// is the one reported.
void Recusar(TLinhaExtrato& linha, const std::string& campo, const std::string& mensagem) {
  if (!linha.Recusa.empty())
    return;
  linha.Recusa = mensagem;
  linha.CampoRecusa = campo;
}

// The amount, refused when it is zero (it moves no account, and its sign
// could not say on which side the bank stands).
void DefinirValor(TLinhaExtrato& linha, const std::string& pontoDecimal) {
  linha.Valor = Currency::FromString(pontoDecimal);
  if (linha.Valor == Currency())
    Recusar(linha, kCampoValor, "valor zero: a linha não movimenta a conta");
}

void DefinirDescricao(TLinhaExtrato& linha, const std::string& descricao) {
  linha.Descricao = Nutil::Trim(descricao);
  if (Nutil::Caracteres(linha.Descricao) > kMaxCaracteresDescricao)
    Recusar(linha, kCampoDescricao,
            fmt::format("texto com mais de {} caracteres", kMaxCaracteresDescricao));
}

// The statement transactions' blocks, each with the text of its amount and
// date: what libofx turns into numbers and moments, read as written.
struct TBlocoOfx {
  int Linha = 0;
  std::string Valor, Data, Identificador;
};

std::vector<TBlocoOfx> BlocosOfx(const std::string& texto) {
  std::vector<TBlocoOfx> blocos;
  int linha = 1;
  size_t contado = 0;
  const auto linhaDe = [&](size_t posicao) {
    linha +=
        static_cast<int>(std::count(texto.begin() + static_cast<std::ptrdiff_t>(contado),
                                    texto.begin() + static_cast<std::ptrdiff_t>(posicao), '\n'));
    contado = posicao;
    return linha;
  };
  const auto valorDe = [&](size_t inicio, size_t fim, const std::string& marca) {
    const size_t achada = texto.find(marca, inicio);
    if (achada == std::string::npos || achada >= fim)
      return std::string();
    const size_t depois = achada + marca.size();
    const size_t termino = std::min(texto.find_first_of("<\r\n", depois), fim);
    return Nutil::Trim(texto.substr(depois, termino - depois));
  };
  const std::string abre = "<STMTTRN>";
  for (size_t inicio = texto.find(abre); inicio != std::string::npos;) {
    const size_t proximo = texto.find(abre, inicio + abre.size());
    const size_t fim = std::min(proximo, texto.size());
    blocos.push_back(TBlocoOfx{linhaDe(inicio), valorDe(inicio, fim, "<TRNAMT>"),
                               valorDe(inicio, fim, "<DTPOSTED>"),
                               valorDe(inicio, fim, "<FITID>")});
    inicio = proximo;
  }
  return blocos;
}

// What libofx gives of a transaction.
struct TTransacaoOfx {
  std::optional<double> Valor;
  std::string Identificador, Conta, Documento, Descricao;
  bool TextoValido = true;
};

int AoLerTransacao(const OfxTransactionData dados, void* destino) {
  TTransacaoOfx transacao;
  if (dados.amount_valid)
    transacao.Valor = dados.amount;
  if (dados.fi_id_valid)
    transacao.Identificador = dados.fi_id;
  if (dados.account_id_valid)
    transacao.Conta = dados.account_id;
  if (dados.check_number_valid && dados.check_number[0] != '\0')
    transacao.Documento = dados.check_number;
  else if (dados.reference_number_valid)
    transacao.Documento = dados.reference_number;
  if (dados.memo_valid && dados.memo[0] != '\0')
    transacao.Descricao = dados.memo;
  else if (dados.name_valid)
    transacao.Descricao = dados.name;
  transacao.TextoValido = EhUtf8(transacao.Documento) && EhUtf8(transacao.Descricao);
  static_cast<std::vector<TTransacaoOfx>*>(destino)->push_back(std::move(transacao));
  return 0;
}

// A TRNAMT as the dot text of an amount: a sign, digits, and a dot or a
// comma with at most two places; nullopt for anything else.
std::optional<std::string> ValorOfx(const std::string& escrito) {
  std::string texto = escrito;
  if (texto.find('.') == std::string::npos)
    std::replace(texto.begin(), texto.end(), ',', '.');
  if (texto.empty() || !ValorDigitado::VerificarDecimal(texto, 2, 0).empty())
    return std::nullopt;
  return texto;
}

// A DTPOSTED's day as the bank wrote it: YYYYMMDD, then what it likes.
std::optional<std::string> DataOfx(const std::string& escrita) {
  if (escrita.size() < 8 || !std::all_of(escrita.begin(), escrita.begin() + 8,
                                         [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const auto numero = [&](size_t inicio, size_t tamanho) {
    return std::stoi(escrita.substr(inicio, tamanho));
  };
  const std::optional<TDateTime> data = TryEncodeDate(numero(0, 4), numero(4, 2), numero(6, 2));
  if (!data)
    return std::nullopt;
  return DateToIso(*data);
}

}  // namespace

bool EhTextoOfx(const std::string& inicio) {
  const std::string maiusculas = Nutil::UpperCase(inicio);
  return maiusculas.find("OFXHEADER") != std::string::npos ||
         maiusculas.find("<OFX>") != std::string::npos;
}

bool EhOfx(const std::string& arquivo) {
  return EhTextoOfx(HostComum::InicioDoArquivo(arquivo, 4096, "o extrato"));
}

TExtrato LerCsv(std::istream& csv, const TMapaImportacao& mapa, TCodificacaoCsv codificacao) {
  TCsvReader leitor(csv, codificacao);
  TExtrato extrato;
  extrato.Cabecalho = leitor.Header();
  extrato.Separador = leitor.Separator();
  extrato.Valores = mapa.Valores;
  // The column of each field the statement reads.
  std::map<std::string, size_t> colunas;
  for (size_t i = 0; i < extrato.Cabecalho.size(); ++i) {
    const auto campo = mapa.Colunas.find(Nutil::UpperCase(Nutil::Trim(extrato.Cabecalho[i])));
    if (campo != mapa.Colunas.end())
      colunas[Nutil::UpperCase(campo->second)] = i;
  }
  for (const auto& [coluna, campo] : mapa.Colunas) {
    const std::string nome = Nutil::UpperCase(campo);
    if (nome != kCampoData && nome != kCampoValor && nome != kCampoDescricao &&
        nome != kCampoDocumento)
      throw Exception(fmt::format(
          "O mapa de um extrato liga colunas só a {}, {}, {} e {} (não a {}); os outros campos "
          "vão em \"values\"",
          kCampoData, kCampoValor, kCampoDescricao, kCampoDocumento, campo));
    if (colunas.count(nome) == 0)
      throw Exception("A coluna " + coluna + " do mapa não está no cabeçalho do arquivo");
  }
  for (const char* campo : {kCampoData, kCampoValor, kCampoDescricao})
    if (colunas.count(campo) == 0)
      throw Exception(
          fmt::format("O mapa de um extrato deve ligar uma coluna a cada campo: {}, {} e {}",
                      kCampoData, kCampoValor, kCampoDescricao));

  while (std::optional<TCsvRow> lida = leitor.Next()) {
    TLinhaExtrato linha;
    linha.Linha = lida->LineNumber;
    linha.Celulas = lida->Cells;
    linha.Celulas.resize(std::max(linha.Celulas.size(), extrato.Cabecalho.size()));
    const auto celula = [&](const char* campo) {
      const auto coluna = colunas.find(campo);
      return coluna == colunas.end() ? std::string() : linha.Celulas[coluna->second];
    };
    if (lida->Cells.size() > extrato.Cabecalho.size())
      Recusar(linha, "",
              fmt::format("A linha tem {} colunas; o cabeçalho, {}", lida->Cells.size(),
                          extrato.Cabecalho.size()));
    try {
      if (!mapa.FormatoData.empty()) {
        linha.Data = mapa.DataIso(celula(kCampoData));
      } else if (const std::optional<TDateTime> data = ParseDate(Nutil::Trim(celula(kCampoData)))) {
        linha.Data = DateToIso(*data);
      } else {
        throw Exception(ValorDigitado::VerificarData(celula(kCampoData)));
      }
    } catch (const Exception& erro) {
      Recusar(linha, kCampoData, erro.what());
    }
    try {
      const std::string escrito = celula(kCampoValor);
      const std::string texto = mapa.VirgulaDecimal ? ValorDigitado::LerNumeroBrasileiro(escrito, 2)
                                                    : Nutil::Trim(escrito);
      if (const std::string erro = ValorDigitado::VerificarDecimal(texto, 2, 0); !erro.empty())
        throw Exception(erro);
      DefinirValor(linha, texto);
    } catch (const Exception& erro) {
      Recusar(linha, kCampoValor, erro.what());
    }
    linha.Documento = Nutil::Trim(celula(kCampoDocumento));
    DefinirDescricao(linha, celula(kCampoDescricao));
    extrato.Linhas.push_back(std::move(linha));
  }
  return extrato;
}

TExtrato LerOfx(const std::string& arquivo, const std::string& nomeExibido) {
  const std::string& nome = nomeExibido.empty() ? arquivo : nomeExibido;
  const std::string texto = HostComum::InicioDoArquivo(arquivo, kMaxBytesOfx, "o extrato");
  if (texto.size() > kMaxBytesOfx)
    throw Exception(fmt::format("O extrato {} passa de {} MB", nome, kMaxBytesOfx >> 20));
  // libofx would otherwise talk on the terminal about every element.
  for (int* mensagens : {&ofx_PARSER_msg, &ofx_DEBUG_msg, &ofx_DEBUG1_msg, &ofx_DEBUG2_msg,
                         &ofx_DEBUG3_msg, &ofx_DEBUG4_msg, &ofx_DEBUG5_msg, &ofx_STATUS_msg,
                         &ofx_INFO_msg, &ofx_WARNING_msg, &ofx_ERROR_msg})
    *mensagens = 0;
  std::vector<TTransacaoOfx> transacoes;
  const std::unique_ptr<void, int (*)(LibofxContextPtr)> contexto(libofx_get_new_context(),
                                                                  libofx_free_context);
  ofx_set_transaction_cb(contexto.get(), AoLerTransacao, &transacoes);
  // libofx reports the file's departures from the format (an element the
  // bank left out) and reads on: its transactions count as long as each
  // pairs with its own block, by position and identifier (FITID).
  if (libofx_proc_file(contexto.get(), arquivo.c_str(), OFX) != 0 && transacoes.empty())
    throw Exception("O arquivo " + nome + " não é um OFX legível (a biblioteca de OFX o recusou)");
  const std::vector<TBlocoOfx> blocos = BlocosOfx(texto);
  if (blocos.size() != transacoes.size())
    throw Exception(fmt::format("O OFX {} tem {} transações (STMTTRN), mas só {} puderam ser lidas",
                                nome, blocos.size(), transacoes.size()));
  for (size_t i = 0; i < blocos.size(); ++i)
    if (blocos[i].Identificador != Nutil::Trim(transacoes[i].Identificador))
      throw Exception(
          fmt::format("A transação da linha {} de {} (FITID '{}') não pôde ser lida em ordem",
                      blocos[i].Linha, nome, blocos[i].Identificador));
  std::set<std::string> contas;
  for (const TTransacaoOfx& transacao : transacoes)
    contas.insert(transacao.Conta);
  if (contas.size() > 1)
    throw Exception(
        fmt::format("O extrato {} traz {} contas bancárias; importe um arquivo por conta", nome,
                    contas.size()));

  TExtrato extrato;
  extrato.Cabecalho = {"Data", "Valor", "Documento", "Descrição"};
  for (size_t i = 0; i < blocos.size(); ++i) {
    const TBlocoOfx& bloco = blocos[i];
    const TTransacaoOfx& transacao = transacoes[i];
    TLinhaExtrato linha;
    linha.Linha = bloco.Linha;
    linha.Documento = transacao.TextoValido ? Nutil::Trim(transacao.Documento) : "";
    linha.Celulas = {bloco.Data, bloco.Valor, linha.Documento,
                     transacao.TextoValido ? transacao.Descricao : ""};
    if (const std::optional<std::string> data = DataOfx(bloco.Data))
      linha.Data = *data;
    else
      Recusar(linha, kCampoData,
              fmt::format("data inválida: '{}' (o OFX escreve AAAAMMDD)", bloco.Data));
    if (const std::optional<std::string> valor = ValorOfx(bloco.Valor)) {
      DefinirValor(linha, *valor);
      if (!transacao.Valor || Currency::FromDouble(*transacao.Valor) != linha.Valor)
        throw Exception(fmt::format(
            "O valor '{}' da linha {} de {} não confere com o que a biblioteca de OFX leu",
            bloco.Valor, bloco.Linha, nome));
    } else {
      Recusar(linha, kCampoValor,
              fmt::format("número inválido: '{}' (o OFX escreve o valor com ponto decimal e no "
                          "máximo duas casas: -1234.56)",
                          bloco.Valor));
    }
    if (!transacao.TextoValido)
      Recusar(linha, kCampoDescricao,
              "texto que não é UTF-8 nem o conjunto de caracteres que o OFX declara");
    DefinirDescricao(linha, linha.Celulas[3]);
    extrato.Linhas.push_back(std::move(linha));
  }
  return extrato;
}

std::string DescricaoNormalizada(const std::string& descricao) {
  // The upper-case accented letters of Latin-1 (U+00C0..U+00DD), by their
  // second UTF-8 byte, as the letter without the accent ('?': kept).
  constexpr std::string_view kSemAcento = "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY";
  const std::string maiusculas = Nutil::UpperCase(descricao);
  std::string normalizada;
  bool espaco = false;
  for (size_t i = 0; i < maiusculas.size(); ++i) {
    const auto byte = static_cast<unsigned char>(maiusculas[i]);
    if (byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n') {
      espaco = !normalizada.empty();
      continue;
    }
    if (espaco)
      normalizada += ' ';
    espaco = false;
    const auto segundo =
        i + 1 < maiusculas.size() ? static_cast<unsigned char>(maiusculas[i + 1]) : 0;
    if (byte == 0xC3 && segundo >= 0x80 && segundo - 0x80U < kSemAcento.size() &&
        kSemAcento[segundo - 0x80] != '?') {
      normalizada += kSemAcento[segundo - 0x80];
      ++i;
    } else {
      normalizada += static_cast<char>(byte);
    }
  }
  return normalizada;
}

std::string Impressao(int64_t contaBanco, const TLinhaExtrato& linha) {
  std::string documento = Nutil::Trim(linha.Documento);
  if (!documento.empty() &&
      std::all_of(documento.begin(), documento.end(), [](char c) { return c >= '0' && c <= '9'; }))
    documento.erase(0, std::min(documento.find_first_not_of('0'), documento.size() - 1));
  const std::string texto =
      fmt::format("{}\n{}\n{}\n{}\n{}", contaBanco, linha.Data, linha.Valor.ToString(), documento,
                  DescricaoNormalizada(linha.Descricao));
  TResumoSha256 resumo;
  resumo.Adicionar(texto.data(), texto.size());
  return resumo.Hex();
}

}  // namespace ExtratoBancario
