#include "host/reports/SaidaRelatorio.h"

#include <fmt/compile.h>
#include <fmt/format.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <iterator>

#include "framework/core/Exceptions.h"
#include "host/output/SaidaCsv.h"
#include "host/output/SaidaCsvBr.h"
#include "host/output/SaidaFormatos.h"
#include "host/output/SaidaJson.h"
#include "host/output/SaidaTabela.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"

namespace SaidaRelatorio {

namespace {

using ComandoBalancete::TFormato;

using SaidaFormatos::Largura;

// Every row of a report passes through these: each cell is written straight
// into the line being built, which goes out in blocks, so a row costs no
// string of its own, no stream call and no format parsing.

constexpr size_t kBloco = 64 * 1024;

// An amount as FormatFloat writes it with "0.00" (`agrupar` false, a "-"
// before a negative) or with the table's format (thousands grouped, a
// negative in parentheses): rounded half away from zero to the cent, and a
// value that rounds to zero is written unsigned.
void AcrescentarValor(std::string& destino, Currency valor, char decimal, bool agrupar) {
  const int64_t centavos = valor.Rounded(2).Raw() / (Currency::kScale / 100);
  const bool negativo = centavos < 0;
  const uint64_t absoluto =
      negativo ? 0 - static_cast<uint64_t>(centavos) : static_cast<uint64_t>(centavos);
  if (negativo)
    destino += agrupar ? '(' : '-';
  const std::string inteiro = fmt::format(FMT_COMPILE("{}"), absoluto / 100);
  for (size_t i = 0; i < inteiro.size(); ++i) {
    if (agrupar && i > 0 && (inteiro.size() - i) % 3 == 0)
      destino += '.';
    destino += inteiro[i];
  }
  destino += decimal;
  destino += static_cast<char>('0' + absoluto % 100 / 10);
  destino += static_cast<char>('0' + absoluto % 10);
  if (negativo && agrupar)
    destino += ')';
}

void AcrescentarDataBrasileira(std::string& destino, TDateTime data) {
  int ano = 0, mes = 0, dia = 0;
  DecodeDate(data, ano, mes, dia);
  fmt::format_to(std::back_inserter(destino), FMT_COMPILE("{:02}/{:02}/{:04}"), dia, mes, ano);
}

void AcrescentarInteiro(std::string& destino, int64_t numero) {
  fmt::format_to(std::back_inserter(destino), FMT_COMPILE("{}"), numero);
}

// A text as the table shows it: control characters escaped.
void AcrescentarVisivel(std::string& destino, const std::string& texto) {
  const bool limpo = std::all_of(texto.begin(), texto.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F;
  });
  destino += limpo ? texto : SaidaTabela::Visivel(texto);
}

// A CSV field: quoted only when it holds the separator, a quote or a line
// break.
void AcrescentarCampo(std::string& destino, const std::string& texto, char separador) {
  const bool simples = std::none_of(texto.begin(), texto.end(), [separador](char c) {
    return c == separador || c == '"' || c == '\r' || c == '\n';
  });
  destino += simples ? texto : SaidaCsv::Campo(texto, separador);
}

// A cell in the machine formats: dot decimals, ISO dates, plain integers;
// texts through `texto`, dates between `aspas`, an empty cell as `nulo`.
void AcrescentarMaquina(std::string& destino, const TCelula& celula, const char* aspas,
                        void (*texto)(std::string&, const std::string&), const char* nulo) {
  if (const auto* valor = std::get_if<Currency>(&celula))
    AcrescentarValor(destino, *valor, '.', false);
  else if (const auto* data = std::get_if<TDateTime>(&celula))
    destino.append(aspas).append(DateToIso(*data)).append(aspas);
  else if (const auto* numero = std::get_if<int64_t>(&celula))
    AcrescentarInteiro(destino, *numero);
  else if (const auto* cadeia = std::get_if<std::string>(&celula))
    texto(destino, *cadeia);
  else
    destino += nulo;
}

void AcrescentarTabela(std::string& destino, const TCelula& celula) {
  if (const auto* valor = std::get_if<Currency>(&celula))
    AcrescentarValor(destino, *valor, ',', true);
  else if (const auto* data = std::get_if<TDateTime>(&celula))
    AcrescentarDataBrasileira(destino, *data);
  else if (const auto* numero = std::get_if<int64_t>(&celula))
    AcrescentarInteiro(destino, *numero);
  else if (const auto* texto = std::get_if<std::string>(&celula))
    AcrescentarVisivel(destino, *texto);
}

// The lines of a text format, gathered and written to the stream a block
// at a time.
class TEscritorTexto : public TEscritor {
 public:
  explicit TEscritorTexto(std::ostream& saida) : FSaida(saida) { FTexto.reserve(2 * kBloco); }
  ~TEscritorTexto() override { Descarregar(); }
  TEscritorTexto(const TEscritorTexto&) = delete;
  TEscritorTexto& operator=(const TEscritorTexto&) = delete;

  void Fechar() override {
    Descarregar();
    FSaida.flush();
  }

 protected:
  // The line under construction goes at the end of it.
  std::string& Texto() { return FTexto; }
  // After each line: sends the text when a block is full.
  void LinhaPronta() {
    if (FTexto.size() >= kBloco)
      Descarregar();
  }

 private:
  void Descarregar() {
    FSaida.write(FTexto.data(), static_cast<std::streamsize>(FTexto.size()));
    FTexto.clear();
  }

  std::ostream& FSaida;
  std::string FTexto;
};

class TEscritorTabela : public TEscritorTexto {
 public:
  TEscritorTabela(std::vector<TColuna> colunas, std::ostream& saida)
      : TEscritorTexto(saida), FColunas(std::move(colunas)) {}

  void Titulo(const std::string& texto) override {
    if (FEscreveu)
      Texto() += '\n';
    FEscreveu = true;
    Nota(texto);
    std::vector<TCelula> rotulos, tracos;
    for (const TColuna& coluna : FColunas) {
      rotulos.emplace_back(coluna.Rotulo);
      tracos.emplace_back(std::string(std::max(coluna.Largura, Largura(coluna.Rotulo)), '-'));
    }
    Linha(rotulos, false);
    Linha(tracos, false);
  }

  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::string& linha = Texto();
    const size_t inicio = linha.size();
    bool primeira = true;
    for (size_t i = 0; i < FColunas.size(); ++i) {
      const TColuna& coluna = FColunas[i];
      if (coluna.Largura == 0)
        continue;
      if (!primeira)
        linha += "  ";
      primeira = false;
      FCelula.clear();
      AcrescentarTabela(FCelula, celulas[i]);
      const size_t largura = Largura(FCelula);
      const size_t espaco = coluna.Largura > largura ? coluna.Largura - largura : 0;
      const bool direita = coluna.Tipo == TTipoColuna::Valor || coluna.Tipo == TTipoColuna::Inteiro;
      if (!direita)
        linha += FCelula;
      linha.append(espaco, ' ');
      if (direita)
        linha += FCelula;
    }
    size_t fim = linha.size();
    while (fim > inicio && linha[fim - 1] == ' ')
      --fim;
    linha.resize(fim);
    linha += '\n';
    LinhaPronta();
  }

  void Nota(const std::string& texto) override {
    AcrescentarVisivel(Texto(), texto);
    Texto() += '\n';
    LinhaPronta();
  }

 private:
  std::vector<TColuna> FColunas;
  std::string FCelula;
  bool FEscreveu = false;
};

// The machine CSV (field names, dot decimals, ISO dates) or the Brazilian
// one (headings for people, ";", comma decimals, dd/mm/yyyy dates, a
// byte-order mark and CRLF, as a spreadsheet opens it).
class TEscritorCsv : public TEscritorTexto {
 public:
  TEscritorCsv(const std::vector<TColuna>& colunas, std::ostream& saida, bool brasileiro)
      : TEscritorTexto(saida), FBrasileiro(brasileiro), FSeparador(brasileiro ? ';' : ',') {
    std::vector<TCelula> cabecalho;
    cabecalho.reserve(colunas.size());
    for (const TColuna& coluna : colunas)
      cabecalho.emplace_back(brasileiro ? coluna.Rotulo : coluna.Nome);
    if (brasileiro)
      Texto() += SaidaCsvBr::kBom;
    Linha(cabecalho, false);
  }
  void Titulo(const std::string&) override {}
  void Nota(const std::string&) override {}
  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::string& linha = Texto();
    for (size_t i = 0; i < celulas.size(); ++i) {
      if (i)
        linha += FSeparador;
      if (FBrasileiro)
        AcrescentarBrasileiro(linha, celulas[i]);
      else
        AcrescentarMaquina(linha, celulas[i], "", CampoComVirgula, "");
    }
    linha += FBrasileiro ? "\r\n" : "\n";
    LinhaPronta();
  }

 private:
  static void CampoComVirgula(std::string& destino, const std::string& texto) {
    AcrescentarCampo(destino, texto, ',');
  }
  void AcrescentarBrasileiro(std::string& destino, const TCelula& celula) const {
    if (const auto* valor = std::get_if<Currency>(&celula))
      AcrescentarValor(destino, *valor, ',', false);
    else if (const auto* data = std::get_if<TDateTime>(&celula))
      AcrescentarDataBrasileira(destino, *data);
    else if (const auto* texto = std::get_if<std::string>(&celula))
      AcrescentarCampo(destino, *texto, FSeparador);
    else
      AcrescentarMaquina(destino, celula, "", CampoComVirgula, "");
  }

  bool FBrasileiro;
  char FSeparador;
};

class TEscritorJson : public TEscritorTexto {
 public:
  TEscritorJson(const std::vector<TColuna>& colunas, std::ostream& saida) : TEscritorTexto(saida) {
    for (const TColuna& coluna : colunas)
      FChaves.push_back(SaidaJson::Texto(coluna.Nome) + ": ");
    Texto() += '[';
  }
  void Titulo(const std::string&) override {}
  void Nota(const std::string&) override {}
  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::string& linha = Texto();
    linha += FPrimeira ? "\n  {" : ",\n  {";
    FPrimeira = false;
    for (size_t i = 0; i < celulas.size(); ++i) {
      if (i)
        linha += ", ";
      linha += FChaves[i];
      AcrescentarMaquina(linha, celulas[i], "\"", TextoJson, "null");
    }
    linha += '}';
    LinhaPronta();
  }
  void Fechar() override {
    Texto() += FPrimeira ? "]\n" : "\n]\n";
    TEscritorTexto::Fechar();
  }

 private:
  static void TextoJson(std::string& destino, const std::string& texto) {
    destino += SaidaJson::Texto(texto);
  }

  // Each column's key, quoted, with its colon.
  std::vector<std::string> FChaves;
  bool FPrimeira = true;
};

class TEscritorXlsx : public TEscritor {
 public:
  TEscritorXlsx(std::vector<TColuna> colunas, const std::string& arquivo,
                const std::string& planilha)
      : FColunas(std::move(colunas)), FArquivo(arquivo) {
    lxw_workbook_options opcoes{};
    opcoes.constant_memory = LXW_TRUE;
    FPasta = workbook_new_opt(arquivo.c_str(), &opcoes);
    if (FPasta == nullptr)
      throw Exception("Não foi possível criar o arquivo " + arquivo);
    FPlanilha = workbook_add_worksheet(FPasta, planilha.c_str());
    FNegrito = workbook_add_format(FPasta);
    format_set_bold(FNegrito);
    FValor = workbook_add_format(FPasta);
    format_set_num_format(FValor, kFormatoValorBalancete);
    FValorNegrito = workbook_add_format(FPasta);
    format_set_num_format(FValorNegrito, kFormatoValorBalancete);
    format_set_bold(FValorNegrito);
    FData = workbook_add_format(FPasta);
    format_set_num_format(FData, "dd/mm/yyyy");
  }
  ~TEscritorXlsx() override {
    if (FPasta != nullptr)
      workbook_close(FPasta);
  }
  TEscritorXlsx(const TEscritorXlsx&) = delete;
  TEscritorXlsx& operator=(const TEscritorXlsx&) = delete;

  void Titulo(const std::string& texto) override {
    if (FLinha > 0)
      ++FLinha;
    worksheet_write_string(FPlanilha, FLinha++, 0, texto.c_str(), FNegrito);
    for (size_t i = 0; i < FColunas.size(); ++i)
      worksheet_write_string(FPlanilha, FLinha, static_cast<lxw_col_t>(i),
                             FColunas[i].Rotulo.c_str(), FNegrito);
    ++FLinha;
  }

  void Nota(const std::string& texto) override {
    worksheet_write_string(FPlanilha, FLinha++, 0, texto.c_str(), FNegrito);
  }

  void Linha(const std::vector<TCelula>& celulas, bool destaque) override {
    for (size_t i = 0; i < celulas.size(); ++i) {
      const auto coluna = static_cast<lxw_col_t>(i);
      const TCelula& celula = celulas[i];
      if (const auto* texto = std::get_if<std::string>(&celula))
        worksheet_write_string(FPlanilha, FLinha, coluna, texto->c_str(),
                               destaque ? FNegrito : nullptr);
      else if (const auto* numero = std::get_if<int64_t>(&celula))
        worksheet_write_number(FPlanilha, FLinha, coluna, static_cast<double>(*numero), nullptr);
      else if (const auto* data = std::get_if<TDateTime>(&celula))
        worksheet_write_number(FPlanilha, FLinha, coluna, data->Days(), FData);
      else if (const auto* valor = std::get_if<Currency>(&celula))
        worksheet_write_number(FPlanilha, FLinha, coluna, valor->ToDouble(),
                               destaque ? FValorNegrito : FValor);
    }
    ++FLinha;
  }

  void Fechar() override {
    lxw_error erro = workbook_close(FPasta);
    FPasta = nullptr;
    if (erro != LXW_NO_ERROR)
      throw Exception("Não foi possível gravar o arquivo " + FArquivo + ": " + lxw_strerror(erro));
  }

 private:
  std::vector<TColuna> FColunas;
  std::string FArquivo;
  lxw_workbook* FPasta = nullptr;
  lxw_worksheet* FPlanilha = nullptr;
  lxw_format* FNegrito = nullptr;
  lxw_format* FValor = nullptr;
  lxw_format* FValorNegrito = nullptr;
  lxw_format* FData = nullptr;
  lxw_row_t FLinha = 0;
};

}  // namespace

std::string ValorTabela(Currency valor) {
  std::string texto;
  AcrescentarValor(texto, valor, ',', true);
  return texto;
}

std::unique_ptr<TEscritor> Criar(TFormato formato, std::vector<TColuna> colunas,
                                 std::ostream& saida, const std::string& arquivo,
                                 const std::string& planilha) {
  switch (formato) {
    case TFormato::Csv:
    case TFormato::CsvBr:
      return std::make_unique<TEscritorCsv>(colunas, saida, formato == TFormato::CsvBr);
    case TFormato::Json:
      return std::make_unique<TEscritorJson>(colunas, saida);
    case TFormato::Xlsx:
      return std::make_unique<TEscritorXlsx>(std::move(colunas), arquivo, planilha);
    case TFormato::Tabela:
      break;
  }
  return std::make_unique<TEscritorTabela>(std::move(colunas), saida);
}

}  // namespace SaidaRelatorio
