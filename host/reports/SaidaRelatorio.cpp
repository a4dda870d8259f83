#include "host/reports/SaidaRelatorio.h"

#include <xlsxwriter.h>

#include <algorithm>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
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

// A cell in the machine formats: dot decimals, ISO dates, plain integers.
std::string TextoMaquina(const TCelula& celula, const std::string& aspas,
                         std::string (*texto)(const std::string&), const std::string& nulo) {
  struct TVisitante {
    const std::string& Aspas;
    std::string (*Texto)(const std::string&);
    const std::string& Nulo;
    std::string operator()(std::monostate) const { return Nulo; }
    std::string operator()(const std::string& s) const { return Texto(s); }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(TDateTime d) const { return Aspas + DateToIso(d) + Aspas; }
    std::string operator()(Currency v) const {
      std::string numero = FormatFloat("0.00", v);
      std::replace(numero.begin(), numero.end(), ',', '.');
      return numero;
    }
  };
  return std::visit(TVisitante{aspas, texto, nulo}, celula);
}

std::string TextoTabela(const TCelula& celula) {
  struct TVisitante {
    std::string operator()(std::monostate) const { return ""; }
    std::string operator()(const std::string& s) const { return SaidaTabela::Visivel(s); }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(TDateTime d) const { return FormatDateTime("dd/mm/yyyy", d); }
    std::string operator()(Currency v) const { return ValorTabela(v); }
  };
  return std::visit(TVisitante{}, celula);
}

class TEscritorTabela : public TEscritor {
 public:
  TEscritorTabela(std::vector<TColuna> colunas, std::ostream& saida)
      : FColunas(std::move(colunas)), FSaida(saida) {}

  void Titulo(const std::string& texto) override {
    if (FEscreveu)
      FSaida << '\n';
    FEscreveu = true;
    FSaida << SaidaTabela::Visivel(texto) << '\n';
    std::vector<std::string> rotulos, tracos;
    for (const TColuna& coluna : FColunas) {
      rotulos.push_back(coluna.Rotulo);
      tracos.emplace_back(std::max(coluna.Largura, Largura(coluna.Rotulo)), '-');
    }
    Escrever(rotulos);
    Escrever(tracos);
  }

  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::vector<std::string> textos;
    textos.reserve(celulas.size());
    for (const TCelula& celula : celulas)
      textos.push_back(TextoTabela(celula));
    Escrever(textos);
  }

  void Nota(const std::string& texto) override { FSaida << SaidaTabela::Visivel(texto) << '\n'; }

  void Fechar() override { FSaida.flush(); }

 private:
  void Escrever(const std::vector<std::string>& textos) {
    std::string linha;
    for (size_t i = 0; i < FColunas.size(); ++i) {
      const TColuna& coluna = FColunas[i];
      if (coluna.Largura == 0)
        continue;
      const std::string& texto = textos[i];
      const size_t largura = Largura(texto);
      const std::string espaco(coluna.Largura > largura ? coluna.Largura - largura : 0, ' ');
      const bool direita = coluna.Tipo == TTipoColuna::Valor || coluna.Tipo == TTipoColuna::Inteiro;
      if (!linha.empty())
        linha += "  ";
      linha += direita ? espaco + texto : texto + espaco;
    }
    linha.erase(linha.find_last_not_of(' ') + 1);
    FSaida << linha << '\n';
  }

  std::vector<TColuna> FColunas;
  std::ostream& FSaida;
  bool FEscreveu = false;
};

// The machine CSV (field names, dot decimals, ISO dates) or the Brazilian
// one (headings for people, ";", comma decimals, dd/mm/yyyy dates, a
// byte-order mark and CRLF, as a spreadsheet opens it).
class TEscritorCsv : public TEscritor {
 public:
  TEscritorCsv(const std::vector<TColuna>& colunas, std::ostream& saida, bool brasileiro)
      : FSaida(saida), FBrasileiro(brasileiro), FSeparador(brasileiro ? ';' : ',') {
    std::vector<TCelula> cabecalho;
    cabecalho.reserve(colunas.size());
    for (const TColuna& coluna : colunas)
      cabecalho.emplace_back(brasileiro ? coluna.Rotulo : coluna.Nome);
    if (brasileiro)
      FSaida << SaidaCsvBr::kBom;
    Linha(cabecalho, false);
  }
  void Titulo(const std::string&) override {}
  void Nota(const std::string&) override {}
  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::string linha;
    for (size_t i = 0; i < celulas.size(); ++i) {
      if (i)
        linha += FSeparador;
      linha += FBrasileiro ? TextoBrasileiro(celulas[i]) : TextoMaquina(celulas[i], "", Campo, "");
    }
    FSaida << linha << (FBrasileiro ? "\r\n" : "\n");
  }
  void Fechar() override { FSaida.flush(); }

 private:
  static std::string Campo(const std::string& texto) { return SaidaCsv::Campo(texto); }
  std::string TextoBrasileiro(const TCelula& celula) const {
    if (const auto* valor = std::get_if<Currency>(&celula))
      return FormatFloat("0.00", *valor);
    if (const auto* data = std::get_if<TDateTime>(&celula))
      return FormatDateTime("dd/mm/yyyy", *data);
    if (const auto* texto = std::get_if<std::string>(&celula))
      return SaidaCsv::Campo(*texto, FSeparador);
    return TextoMaquina(celula, "", Campo, "");
  }

  std::ostream& FSaida;
  bool FBrasileiro;
  char FSeparador;
};

class TEscritorJson : public TEscritor {
 public:
  TEscritorJson(std::vector<TColuna> colunas, std::ostream& saida)
      : FColunas(std::move(colunas)), FSaida(saida) {
    FSaida << '[';
  }
  void Titulo(const std::string&) override {}
  void Nota(const std::string&) override {}
  void Linha(const std::vector<TCelula>& celulas, bool) override {
    std::string linha = FPrimeira ? "\n  {" : ",\n  {";
    FPrimeira = false;
    for (size_t i = 0; i < celulas.size(); ++i)
      linha += (i ? ", " : "") + SaidaJson::Texto(FColunas[i].Nome) + ": " +
               TextoMaquina(celulas[i], "\"", SaidaJson::Texto, "null");
    FSaida << linha << '}';
  }
  void Fechar() override {
    FSaida << (FPrimeira ? "]\n" : "\n]\n");
    FSaida.flush();
  }

 private:
  std::vector<TColuna> FColunas;
  std::ostream& FSaida;
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
  return FormatFloat(kFormatoValorBalancete, valor);
}

std::unique_ptr<TEscritor> Criar(TFormato formato, std::vector<TColuna> colunas,
                                 std::ostream& saida, const std::string& arquivo,
                                 const std::string& planilha) {
  switch (formato) {
    case TFormato::Csv:
    case TFormato::CsvBr:
      return std::make_unique<TEscritorCsv>(colunas, saida, formato == TFormato::CsvBr);
    case TFormato::Json:
      return std::make_unique<TEscritorJson>(std::move(colunas), saida);
    case TFormato::Xlsx:
      return std::make_unique<TEscritorXlsx>(std::move(colunas), arquivo, planilha);
    case TFormato::Tabela:
      break;
  }
  return std::make_unique<TEscritorTabela>(std::move(colunas), saida);
}

}  // namespace SaidaRelatorio
