#include "host/ComandoBalancete.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <tuple>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/HostComum.h"
#include "host/SaidaCsv.h"
#include "host/SaidaJson.h"
#include "host/SaidaTabela.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace {

constexpr size_t kSemColuna = std::numeric_limits<size_t>::max();

// A header band laid over the visible columns it spans, at its depth.
struct TFaixa {
  size_t Nivel = 0;
  size_t Primeira = 0;
  size_t Ultima = 0;
  std::string Caption;
};

struct TLayout {
  std::vector<TField*> Colunas;  // visible, in field order
  std::vector<TFaixa> Faixas;
  size_t Niveis = 0;
};

size_t Largura(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The band's column range; nullopt when none of its columns is visible.
std::optional<std::pair<size_t, size_t>> ColetarFaixas(const TnGridBand& band, size_t nivel,
                                                       const std::map<std::string, size_t>& indice,
                                                       std::vector<TFaixa>& faixas) {
  if (!band.Coluna.empty()) {
    auto it = indice.find(Nutil::UpperCase(band.Coluna));
    if (it == indice.end())
      return std::nullopt;
    return std::pair{it->second, it->second};
  }
  std::optional<std::pair<size_t, size_t>> faixa;
  for (const auto& filho : band.Bands) {
    auto sub = ColetarFaixas(*filho, nivel + 1, indice, faixas);
    if (!sub)
      continue;
    faixa =
        faixa ? std::pair{std::min(faixa->first, sub->first), std::max(faixa->second, sub->second)}
              : *sub;
  }
  if (faixa)
    faixas.push_back({nivel, faixa->first, faixa->second, band.Caption});
  return faixa;
}

TLayout Montar(TnClientDataSet& dataSet, const TnGridBands* bands) {
  TLayout layout;
  std::map<std::string, size_t> indice;
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField& field = dataSet.Fields(i);
    if (!field.Visible())
      continue;
    indice[Nutil::UpperCase(field.FieldName())] = layout.Colunas.size();
    layout.Colunas.push_back(&field);
  }
  if (bands != nullptr) {
    for (const auto& band : bands->Raiz.Bands)
      ColetarFaixas(*band, 0, indice, layout.Faixas);
  }
  for (const TFaixa& faixa : layout.Faixas)
    layout.Niveis = std::max(layout.Niveis, faixa.Nivel + 1);
  std::sort(layout.Faixas.begin(), layout.Faixas.end(), [](const TFaixa& a, const TFaixa& b) {
    return std::tie(a.Nivel, a.Primeira) < std::tie(b.Nivel, b.Primeira);
  });
  return layout;
}

std::string Celula(const TField& field) {
  if (field.IsNull())
    return "";
  if (!field.DisplayFormat().empty())
    return field.DisplayText();
  if (field.DataType() == TFieldType::ftFloat)
    return FormatFloat("0.##", field.AsFloat());
  return field.AsString();
}

std::string SemBrancosFinais(std::string linha) {
  linha.erase(linha.find_last_not_of(' ') + 1);
  return linha;
}

std::string Tabela(TnClientDataSet& dataSet, const TnGridBands* bands) {
  TLayout layout = Montar(dataSet, bands);
  const size_t n = layout.Colunas.size();
  std::vector<size_t> larguras(n);
  std::vector<std::vector<std::string>> linhas;
  std::vector<bool> sinteticas;
  for (size_t i = 0; i < n; ++i)
    larguras[i] = Largura(layout.Colunas[i]->DisplayLabel());
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::vector<std::string> celulas;
    for (size_t i = 0; i < n; ++i) {
      celulas.push_back(SaidaTabela::Visivel(Celula(*layout.Colunas[i])));
      larguras[i] = std::max(larguras[i], Largura(celulas.back()));
    }
    linhas.push_back(std::move(celulas));
    sinteticas.push_back(LinhaComEstilo(dataSet));
  }
  // Two characters of marker, then the columns two blanks apart.
  std::vector<size_t> inicio(n);
  size_t pos = 2;
  for (size_t i = 0; i < n; ++i) {
    inicio[i] = pos;
    pos += larguras[i] + 2;
  }

  std::string out;
  for (size_t nivel = 0; nivel < layout.Niveis; ++nivel) {
    std::string linha;
    size_t ocupado = 0;
    for (const TFaixa& faixa : layout.Faixas) {
      const std::string caption = Nutil::Trim(faixa.Caption);
      if (faixa.Nivel != nivel || caption.empty())
        continue;
      size_t destino = std::max(inicio[faixa.Primeira], ocupado == 0 ? 0 : ocupado + 2);
      linha += std::string(destino - ocupado, ' ') + caption;
      ocupado = destino + Largura(caption);
    }
    if (!linha.empty())
      out += SemBrancosFinais(linha) + "\n";
  }
  auto linhaColunas = [&](const std::string& marca, const std::vector<std::string>& celulas) {
    std::string linha = marca;
    for (size_t i = 0; i < n; ++i) {
      const std::string espaco(larguras[i] - Largura(celulas[i]), ' ');
      const bool direita = IsNumericFieldType(layout.Colunas[i]->DataType());
      linha += (i ? "  " : "") + (direita ? espaco + celulas[i] : celulas[i] + espaco);
    }
    return SemBrancosFinais(linha) + "\n";
  };
  std::vector<std::string> titulos, tracos;
  for (size_t i = 0; i < n; ++i) {
    titulos.push_back(layout.Colunas[i]->DisplayLabel());
    tracos.emplace_back(larguras[i], '-');
  }
  out += linhaColunas("  ", titulos) + linhaColunas("  ", tracos);
  for (size_t r = 0; r < linhas.size(); ++r)
    out += linhaColunas(sinteticas[r] ? "* " : "  ", linhas[r]);
  return out;
}

TDateTime DataDaOpcao(const std::string& texto, const char* opcao) {
  std::optional<TDateTime> data = ParseDate(Nutil::Trim(texto));
  if (!data)
    throw Exception(std::string("Data inválida em ") + opcao + ": \"" + texto + "\"");
  return *data;
}

void VerificarResultado(TnCtbDPConsultaBalanceteMovimento& processo) {
  if (processo.Mensagens().TemErro() &&
      processo.Mensagens().Quantidade(TTipoMensagem::tmErro) >= processo.Empresas().size())
    throw Exception(SemBrancosFinais(processo.Mensagens().Texto()));
}

// libxlsxwriter keeps the workbook until it is closed; a failure midway
// still closes it so nothing leaks, and reports the first error.
class TPastaXlsx {
 public:
  explicit TPastaXlsx(const std::string& arquivo) : FPasta(workbook_new(arquivo.c_str())) {
    if (FPasta == nullptr)
      throw Exception("Não foi possível criar o arquivo " + arquivo);
  }
  ~TPastaXlsx() {
    if (FPasta != nullptr)
      workbook_close(FPasta);
  }
  TPastaXlsx(const TPastaXlsx&) = delete;
  TPastaXlsx& operator=(const TPastaXlsx&) = delete;

  lxw_workbook* Pasta() const { return FPasta; }
  void Fechar(const std::string& arquivo) {
    lxw_error erro = workbook_close(FPasta);
    FPasta = nullptr;
    if (erro != LXW_NO_ERROR)
      throw Exception("Não foi possível gravar o arquivo " + arquivo + ": " + lxw_strerror(erro));
  }

 private:
  lxw_workbook* FPasta;
};

lxw_format* FormatoSintetica(lxw_workbook* pasta, const TField& tipoConta, bool valor) {
  const TnFieldDefinicao& definicao = tipoConta.GetDefinicao();
  lxw_format* formato = workbook_add_format(pasta);
  format_set_bg_color(
      formato, static_cast<lxw_color_t>(definicao.Propriedade(kPropEstiloCorFundo).AsInteger()));
  if (definicao.Propriedade(kPropEstiloNegrito).AsBoolean())
    format_set_bold(formato);
  format_set_font_name(formato, definicao.Propriedade(kPropEstiloFonte).AsString().c_str());
  if (valor)
    format_set_num_format(formato, kFormatoValorBalancete);
  return formato;
}

void EscreverPlanilha(lxw_workbook* pasta, TnClientDataSet& dataSet, const TnGridBands* bands) {
  TLayout layout = Montar(dataSet, bands);
  lxw_worksheet* planilha = workbook_add_worksheet(pasta, dataSet.Name().c_str());
  lxw_format* titulo = workbook_add_format(pasta);
  format_set_bold(titulo);
  format_set_align(titulo, LXW_ALIGN_CENTER);
  lxw_format* rotulo = workbook_add_format(pasta);
  format_set_bold(rotulo);
  format_set_bottom(rotulo, LXW_BORDER_THIN);
  lxw_format* valor = workbook_add_format(pasta);
  format_set_num_format(valor, kFormatoValorBalancete);
  TField& tipoConta = dataSet.FieldByName("TipoConta");
  lxw_format* sintetica = FormatoSintetica(pasta, tipoConta, false);
  lxw_format* sinteticaValor = FormatoSintetica(pasta, tipoConta, true);

  for (const TFaixa& faixa : layout.Faixas) {
    const auto linha = static_cast<lxw_row_t>(faixa.Nivel);
    const auto de = static_cast<lxw_col_t>(faixa.Primeira);
    const auto ate = static_cast<lxw_col_t>(faixa.Ultima);
    if (de == ate)
      worksheet_write_string(planilha, linha, de, faixa.Caption.c_str(), titulo);
    else
      worksheet_merge_range(planilha, linha, de, linha, ate, faixa.Caption.c_str(), titulo);
  }
  lxw_row_t linha = static_cast<lxw_row_t>(layout.Niveis);
  for (size_t i = 0; i < layout.Colunas.size(); ++i)
    worksheet_write_string(planilha, linha, static_cast<lxw_col_t>(i),
                           layout.Colunas[i]->DisplayLabel().c_str(), rotulo);
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    ++linha;
    const bool destaque = LinhaComEstilo(dataSet);
    for (size_t i = 0; i < layout.Colunas.size(); ++i) {
      const TField& field = *layout.Colunas[i];
      const auto coluna = static_cast<lxw_col_t>(i);
      if (IsNumericFieldType(field.DataType()) && !field.IsNull()) {
        lxw_format* formato = field.DisplayFormat().empty() ? (destaque ? sintetica : nullptr)
                                                            : (destaque ? sinteticaValor : valor);
        worksheet_write_number(planilha, linha, coluna, field.AsFloat(), formato);
      } else if (destaque || !field.IsNull()) {
        worksheet_write_string(planilha, linha, coluna, Celula(field).c_str(),
                               destaque ? sintetica : nullptr);
      }
    }
  }
}

// The company data sets the query produced, in company order, with their
// company code; companies that failed (no fields) are left out.
void ParaCadaEmpresa(TnCtbDPConsultaBalanceteMovimento& processo,
                     const std::function<void(int, TnClientDataSet&)>& fazer) {
  for (int empresa : processo.Empresas()) {
    TnClientDataSet* dataSet = processo.RetornaDataSet(empresa);
    if (dataSet != nullptr && dataSet->FieldCount() > 0)
      fazer(empresa, *dataSet);
  }
}

}  // namespace

namespace ComandoBalancete {

TFormato FormatoDoNome(const std::string& nome) {
  if (nome == "table")
    return TFormato::Tabela;
  if (nome == "csv")
    return TFormato::Csv;
  if (nome == "json")
    return TFormato::Json;
  if (nome == "xlsx")
    return TFormato::Xlsx;
  throw Exception("Formato desconhecido: " + nome + " (table, csv, json ou xlsx)");
}

std::unique_ptr<TnCtbDPConsultaBalanceteMovimento> Consultar(TnDMConexao& conexao,
                                                             const TOpcoes& opcoes) {
  HostComum::CarregarPacote();
  // The trial balance's parts read through the thread's current connection.
  TUsarConexao atual(conexao);
  auto processo = std::make_unique<TnCtbDPConsultaBalanceteMovimento>();
  processo->SetConexao(&conexao);
  TnParamsConsultaBalancete params;
  params.Empresas = Nctbsfuncoes_u::GetLstCodigoEmpresa(opcoes.Empresas);
  params.DataInicial = DataDaOpcao(opcoes.DataInicial, "--from");
  params.DataFinal = DataDaOpcao(opcoes.DataFinal, "--to");
  params.QuebrarMovPeriodo = opcoes.Mensal;
  params.TipoConsultaBalancete = TipoConsultaBalanceteDoInteiro(opcoes.Tipo);
  params.CodigoEstab = opcoes.Estab;
  params.RelacionarEstab = opcoes.Relacionar;
  params.ImpSaldoZero = opcoes.Zero;
  params.GerarCentroCusto = opcoes.CentrosCusto;
  params.TipoSaldoCtb =
      opcoes.Livro == 1 ? TnTipoSaldoCtb::tscFiscal : TnTipoSaldoCtb::tscSocietario;
  params.CodigoMoeda = opcoes.Moeda;
  processo->Executar(params);
  return processo;
}

std::string EscreverTabela(TnCtbDPConsultaBalanceteMovimento& processo) {
  std::string out;
  ParaCadaEmpresa(processo, [&](int empresa, TnClientDataSet& dataSet) {
    if (!out.empty())
      out += "\n";
    out += Tabela(dataSet, processo.Bandas(empresa));
  });
  if (processo.Mensagens().Count() > 0)
    out += (out.empty() ? "" : "\n") + processo.Mensagens().Texto();
  return out;
}

std::string EscreverCsv(TnCtbDPConsultaBalanceteMovimento& processo) {
  std::string out;
  ParaCadaEmpresa(processo, [&](int, TnClientDataSet& dataSet) {
    if (!out.empty())
      out += "\n";
    out += SaidaCsv::Escrever(dataSet);
  });
  return out;
}

std::string EscreverJson(TnCtbDPConsultaBalanceteMovimento& processo) {
  std::string empresas;
  ParaCadaEmpresa(processo, [&](int empresa, TnClientDataSet& dataSet) {
    std::string linhas = SemBrancosFinais(SaidaJson::Escrever(dataSet));
    while (!linhas.empty() && linhas.back() == '\n')
      linhas.pop_back();
    Nutil::Add(empresas, "{\"company\": " + std::to_string(empresa) + ", \"rows\": " + linhas + "}",
               ",\n");
  });
  std::string mensagens;
  for (const auto& mensagem : processo.Mensagens().Mensagens())
    Nutil::Add(mensagens, SaidaJson::Texto(mensagem.Texto), ", ");
  return "{\"companies\": [" + empresas + "],\n\"messages\": [" + mensagens + "]}\n";
}

void EscreverXlsx(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& arquivo) {
  TPastaXlsx pasta(arquivo);
  ParaCadaEmpresa(processo, [&](int empresa, TnClientDataSet& dataSet) {
    EscreverPlanilha(pasta.Pasta(), dataSet, processo.Bandas(empresa));
  });
  pasta.Fechar(arquivo);
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, TFormato formato,
                     const std::string& arquivo) {
  if (formato == TFormato::Xlsx && arquivo.empty())
    throw Exception("O formato xlsx precisa de --out ARQUIVO");
  auto processo = Consultar(conexao, opcoes);
  VerificarResultado(*processo);
  std::string texto;
  switch (formato) {
    case TFormato::Tabela:
      texto = EscreverTabela(*processo);
      break;
    case TFormato::Csv:
      texto = EscreverCsv(*processo);
      break;
    case TFormato::Json:
      texto = EscreverJson(*processo);
      break;
    case TFormato::Xlsx:
      EscreverXlsx(*processo, arquivo);
      return "Balancete gravado em " + arquivo;
  }
  if (arquivo.empty())
    return texto;
  std::ofstream saida(arquivo, std::ios::binary);
  saida << texto;
  if (!saida)
    throw Exception("Não foi possível gravar o arquivo " + arquivo);
  return "Balancete gravado em " + arquivo;
}

}  // namespace ComandoBalancete
