#include "host/reports/ComandoBalancete.h"

#include <fmt/format.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "balances/nCtbDPGerarSaldoCtbIndividual_U.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/common/HostComum.h"
#include "host/common/LinhaComando.h"
#include "host/output/SaidaCsv.h"
#include "host/output/SaidaCsvBr.h"
#include "host/output/SaidaFormatos.h"
#include "host/output/SaidaJson.h"
#include "host/output/SaidaTabela.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoDataSetSaldo_U.h"
#include "trialbalance/nCtbConsultaBalanceteMovimentoSaldoPlanoIndividual_U.h"
#include "trialbalance/nCtbDPConsultaBalanceteMovimento_U.h"

namespace {

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

using SaidaFormatos::Largura;
using SaidaFormatos::Primeiros;

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

// The chart level of a classification: its groups ("1.1.01" is 3).
int NivelDaClassificacao(const std::string& classif) {
  const std::string texto = Nutil::Trim(classif);
  return texto.empty() ? 0 : static_cast<int>(std::count(texto.begin(), texto.end(), '.')) + 1;
}

bool EhSintetica(const TnClientDataSet& dataSet) {
  return Nutil::Trim(dataSet.FieldByName("TipoConta").AsString()) == "S";
}

bool EhValor(const TField& field) {
  return field.DataType() == TFieldType::ftFloat && !field.DisplayFormat().empty();
}

// A calculated account adds and subtracts other accounts' movements, each
// signed by its own nature, so its movement is a result (a profit is a
// credit) but the debits and credits it sums across natures mean nothing
// and may be negative, which no book shows. Its movement goes to the side
// its sign and the account's nature give, the other side zero; with no
// nature to tell, both sides are left blank and the movement and balances
// say it all. In every format.
void AcertarCalculadas(TnDMConexao& conexao, int64_t empresa, TnClientDataSet& dataSet) {
  std::set<int64_t> calculadas;
  for (const ValueArray& linha :
       conexao
           .ExecuteQuery("select CONTACTB from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
                         "TIPOCONTACALC = 2",
                         {{"pEmpresa", Value(empresa)}})
           .Rows)
    calculadas.insert(linha[0].AsInteger());
  if (calculadas.empty())
    return;
  struct TLados {
    TField* Debito;
    TField* Credito;
    TField* Movimento;
  };
  // The single set of columns or each month's.
  std::vector<TLados> lados;
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField& debito = dataSet.Fields(i);
    const std::string nome = Nutil::UpperCase(debito.FieldName());
    if (!nome.starts_with("DEBITO"))
      continue;
    TField* credito = dataSet.FindField("CREDITO" + nome.substr(6));
    TField* movimento = dataSet.FindField("MOVIMENTO" + nome.substr(6));
    if (credito != nullptr && movimento != nullptr)
      lados.push_back({&debito, credito, movimento});
  }
  const TnNaturezasGrupo naturezas(conexao, empresa);
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    if (calculadas.count(dataSet.FieldByName("CodigoConta").AsInteger()) == 0)
      return;
    const std::optional<int> natureza =
        naturezas.ProcurarNatureza(dataSet.FieldByName("ClassifConta").AsString());
    dataSet.Edit();
    for (const TLados& lado : lados) {
      if (!natureza) {
        lado.Debito->Clear();
        lado.Credito->Clear();
        continue;
      }
      // Debits minus credits, whichever the nature.
      const Currency devedor = lado.Movimento->AsCurrency() * *natureza;
      lado.Debito->SetAsCurrency(devedor > Currency() ? devedor : Currency());
      lado.Credito->SetAsCurrency(devedor < Currency() ? -devedor : Currency());
    }
    dataSet.Post();
  });
}

// The rows the options keep, in every format: a filter on the data set, so
// the totals can still read every row.
void Recortar(TnClientDataSet& dataSet, int nivel, bool soSinteticas) {
  if (nivel <= 0 && !soSinteticas)
    return;
  dataSet.OnFilterRecord = [nivel, soSinteticas](TnClientDataSet& ds, bool& aceitar) {
    aceitar =
        (nivel <= 0 || NivelDaClassificacao(ds.FieldByName("ClassifConta").AsString()) <= nivel) &&
        (!soSinteticas || EhSintetica(ds));
  };
  dataSet.SetFiltered(true);
}

// Debits and credits add up across accounts of either nature; a balance or
// a movement is signed by its account's nature, and a sum of them across
// natures means nothing, so the totals leave them blank.
bool SomaTemSentido(const TField& field) {
  const std::string campo = Nutil::UpperCase(field.FieldName());
  return EhValor(field) && (campo.starts_with("DEBITO") || campo.starts_with("CREDITO"));
}

// The debit and credit columns' sums over the accounts of the chart's first
// level (each totals every account under it, those the query hides
// included), every row counted whatever the rows shown: those of branch 0
// when the query consolidated the branches there, else each branch's.
std::map<std::string, Currency> Totais(TnClientDataSet& dataSet) {
  const bool filtrado = dataSet.Filtered();
  dataSet.SetFiltered(false);
  const auto primeiroNivel = [&] {
    return NivelDaClassificacao(dataSet.FieldByName("ClassifConta").AsString()) == 1;
  };
  bool temConsolidado = false;
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    temConsolidado =
        temConsolidado || (primeiroNivel() && dataSet.FieldByName("CodigoEstab").AsFloat() == 0);
  });
  std::map<std::string, Currency> totais;
  for (TField* field : SaidaFormatos::CamposVisiveis(dataSet))
    if (SomaTemSentido(*field))
      totais[field->FieldName()] = Currency();
  SaidaFormatos::ParaCadaLinha(dataSet, [&] {
    if (!primeiroNivel() || (temConsolidado && dataSet.FieldByName("CodigoEstab").AsFloat() != 0))
      return;
    for (auto& [nome, soma] : totais)
      soma += dataSet.FieldByName(nome).AsCurrency();
  });
  dataSet.SetFiltered(filtrado);
  return totais;
}

// A JSON number with exactly two decimals ("-1234.50"), rounded half away
// from zero as every amount shown.
std::string DuasCasas(Currency valor) {
  const int64_t centavos = Nutil::RoundValor(valor, 2).Raw() / (Currency::kScale / 100);
  const uint64_t magnitude =
      centavos < 0 ? 0 - static_cast<uint64_t>(centavos) : static_cast<uint64_t>(centavos);
  return fmt::format("{}{}.{:02}", centavos < 0 ? "-" : "", magnitude / 100, magnitude % 100);
}

bool TemValor(TnClientDataSet& dataSet, const TField& field) {
  bool tem = false;
  SaidaFormatos::ParaCadaLinha(
      dataSet, [&] { tem = tem || (!field.IsNull() && !Nutil::Trim(field.AsString()).empty()); });
  return tem;
}

// The month of a month's column ("DEBITO032025" is "032025"); empty for
// any other column.
std::string MesDaColuna(const TField& field) {
  const std::string campo = Nutil::UpperCase(field.FieldName());
  for (const char* prefixo : {"DEBITO", "CREDITO", "MOVIMENTO"}) {
    const std::string_view inicio(prefixo);
    if (campo.size() == inicio.size() + 6 && campo.starts_with(inicio) &&
        std::all_of(campo.begin() + static_cast<std::ptrdiff_t>(inicio.size()), campo.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
      return campo.substr(inicio.size());
  }
  return "";
}

// Whether `nome` (as typed) chooses `field`: its name, or a month's prefix.
bool Escolhe(const std::string& nome, const TField& field) {
  const std::string campo = Nutil::UpperCase(field.FieldName());
  const std::string mes = MesDaColuna(field);
  return campo == nome || (!mes.empty() && campo == nome + mes);
}

void EscolherColunasDoDataSet(TnClientDataSet& dataSet, const std::string& colunas) {
  const std::vector<TField*> visiveis = SaidaFormatos::CamposVisiveis(dataSet);
  if (Nutil::Trim(colunas).empty()) {
    for (TField* field : visiveis)
      field->SetVisible(TemValor(dataSet, *field));
    return;
  }
  std::vector<std::string> nomes;
  for (const std::string& nome : Nutil::StrToStrArray(colunas, ","))
    if (!Nutil::Trim(nome).empty())
      nomes.push_back(Nutil::UpperCase(Nutil::Trim(nome)));
  for (const std::string& nome : nomes) {
    if (std::none_of(visiveis.begin(), visiveis.end(),
                     [&](const TField* field) { return Escolhe(nome, *field); })) {
      std::string aceitas;
      for (const TField* field : visiveis)
        Nutil::Add(aceitas, field->FieldName(), ", ");
      throw Exception(
          fmt::format("Coluna desconhecida em --columns: {} (colunas: {})", nome, aceitas));
    }
  }
  for (TField* field : visiveis)
    field->SetVisible(std::any_of(nomes.begin(), nomes.end(),
                                  [&](const std::string& nome) { return Escolhe(nome, *field); }));
}

// A terminal's default table leaves out what another column already says:
// the account's code beside its classification, and its type ("S/A") beside
// the marker of the synthetic rows.
void OcultarRedundantes(TnClientDataSet& dataSet) {
  if (dataSet.FieldByName("ClassifConta").Visible())
    dataSet.FieldByName("CodigoConta").SetVisible(false);
  dataSet.FieldByName("TipoConta").SetVisible(false);
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

// At most `largura` characters, the last one "…" when the text was cut.
std::string Cortar(const std::string& texto, size_t largura) {
  if (Largura(texto) <= largura || largura == 0)
    return texto;
  return Primeiros(texto, largura - 1) + "…";
}

// The totals line's cells: "Total" in the first text column wide enough,
// each amount column's sum in its format.
std::vector<std::string> LinhaTotais(const TLayout& layout, const std::vector<size_t>& larguras,
                                     const std::map<std::string, Currency>& totais) {
  std::vector<std::string> celulas(layout.Colunas.size());
  bool rotulo = false;
  for (size_t i = 0; i < layout.Colunas.size(); ++i) {
    const TField& field = *layout.Colunas[i];
    if (auto it = totais.find(field.FieldName()); it != totais.end())
      celulas[i] = FormatFloat(field.DisplayFormat(), it->second);
    else if (!rotulo && !IsNumericFieldType(field.DataType()) && larguras[i] >= 5)
      celulas[i] = "Total";
    rotulo = rotulo || celulas[i] == "Total";
  }
  return celulas;
}

// A table's text before it is laid out: the visible columns' cells, the
// totals line and each column's widths (of its values and totals; with its
// heading too).
struct TGrade {
  TLayout Layout;
  std::vector<std::vector<std::string>> Linhas;
  std::vector<bool> Sinteticas;
  std::vector<std::string> Totais;
  std::vector<size_t> DosValores;
  std::vector<size_t> Larguras;
};

TGrade Preencher(TnClientDataSet& dataSet, const TnGridBands* bands) {
  TGrade grade{Montar(dataSet, bands), {}, {}, {}, {}, {}};
  const std::vector<TField*>& colunas = grade.Layout.Colunas;
  const size_t n = colunas.size();
  grade.DosValores.assign(n, 0);
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::vector<std::string> celulas;
    for (size_t i = 0; i < n; ++i) {
      celulas.push_back(SaidaTabela::Visivel(Celula(*colunas[i])));
      grade.DosValores[i] = std::max(grade.DosValores[i], Largura(celulas.back()));
    }
    grade.Linhas.push_back(std::move(celulas));
    grade.Sinteticas.push_back(LinhaComEstilo(dataSet));
  }
  for (size_t i = 0; i < n; ++i)
    grade.Larguras.push_back(std::max(grade.DosValores[i], Largura(colunas[i]->DisplayLabel())));
  grade.Totais = LinhaTotais(grade.Layout, grade.Larguras, Totais(dataSet));
  for (size_t i = 0; i < n; ++i) {
    grade.DosValores[i] = std::max(grade.DosValores[i], Largura(grade.Totais[i]));
    grade.Larguras[i] = std::max(grade.Larguras[i], grade.DosValores[i]);
  }
  return grade;
}

// Two characters of marker, then the columns two blanks apart.
size_t LarguraDaLinha(const std::vector<size_t>& larguras) {
  size_t soma = 0;
  for (size_t largura : larguras)
    soma += largura + 2;
  return soma;
}

// Fits the columns to `maxima` (0: no limit): first the widest text column
// (the description) is narrowed, to no less than the 24 characters that
// still tell one account from another; then headings wider than their
// column's values are cut (to no less than a few characters), and what room
// that leaves goes back to the description. Whether the table fits.
bool Ajustar(std::vector<size_t>& larguras, const std::vector<size_t>& dosValores,
             const TLayout& layout, size_t maxima) {
  constexpr size_t kMinimoTitulo = 8;
  constexpr size_t kMinimoTexto = 24;
  if (maxima == 0 || LarguraDaLinha(larguras) <= maxima)
    return true;
  size_t maior = larguras.size();
  for (size_t i = 0; i < larguras.size(); ++i)
    if (!IsNumericFieldType(layout.Colunas[i]->DataType()) &&
        (maior == larguras.size() || larguras[i] > larguras[maior]))
      maior = i;
  const size_t natural = maior < larguras.size() ? larguras[maior] : 0;
  if (maior < larguras.size()) {
    const size_t excesso = LarguraDaLinha(larguras) - maxima;
    larguras[maior] =
        std::max(std::min(natural, kMinimoTexto), natural > excesso ? natural - excesso : 0);
    if (LarguraDaLinha(larguras) <= maxima)
      return true;
  }
  for (size_t i = 0; i < larguras.size(); ++i)
    if (i != maior && larguras[i] > dosValores[i])
      larguras[i] = std::max(dosValores[i], std::min(larguras[i], kMinimoTitulo));
  const size_t total = LarguraDaLinha(larguras);
  if (maior < larguras.size() && total < maxima)
    larguras[maior] = std::min(natural, larguras[maior] + (maxima - total));
  return LarguraDaLinha(larguras) <= maxima;
}

// The width of the amounts alone on a line of their own: what a two-line
// layout's second line needs.
size_t LarguraDosValores(const std::vector<size_t>& larguras, const TLayout& layout) {
  size_t soma = 0;
  for (size_t i = 0; i < larguras.size(); ++i)
    if (EhValor(*layout.Colunas[i]))
      soma += larguras[i] + 2;
  return soma;
}

// How a terminal's table fits `maxima`: every column on one line or, when
// the line is wider than the screen even without its months (five amounts
// of millions beside a description are) or with only its first, each
// account on two lines, its classification and description on the first and
// its amounts on the second; and which months leave (the last ones, whole,
// as many as must).
struct TEncaixe {
  std::vector<std::string> Fora;
  bool DuasLinhas = false;
};

TEncaixe Encaixar(const TGrade& grade, size_t maxima) {
  std::vector<size_t> larguras = grade.Larguras;
  if (Ajustar(larguras, grade.DosValores, grade.Layout, maxima))
    return {};
  std::vector<std::pair<std::string, size_t>> meses;  // a month, the width of its columns
  size_t dosMeses = 0;
  for (size_t i = 0; i < larguras.size(); ++i) {
    const std::string mes = MesDaColuna(*grade.Layout.Colunas[i]);
    if (mes.empty())
      continue;
    if (meses.empty() || meses.back().first != mes)
      meses.emplace_back(mes, 0);
    meses.back().second += larguras[i] + 2;
    dosMeses += larguras[i] + 2;
  }
  // A monthly table whose every month would leave is no monthly table: two
  // lines keep at least the first.
  const size_t semMeses = LarguraDaLinha(larguras) - dosMeses;
  TEncaixe encaixe;
  encaixe.DuasLinhas =
      semMeses > maxima || (!meses.empty() && semMeses + meses.front().second > maxima);
  size_t total =
      encaixe.DuasLinhas ? LarguraDosValores(larguras, grade.Layout) : LarguraDaLinha(larguras);
  size_t ficam = meses.size();
  while (ficam > 0 && total > maxima)
    total -= meses[--ficam].second;
  for (size_t i = ficam; i < meses.size(); ++i)
    encaixe.Fora.push_back(meses[i].first);
  return encaixe;
}

// The two-line layout's widths: the description narrowed until the first
// line fits, and the amounts' headings cut (to no less than their values)
// until the second does.
void AjustarDuasLinhas(std::vector<size_t>& larguras, const std::vector<size_t>& dosValores,
                       const TLayout& layout, size_t maxima) {
  size_t texto = 0;
  size_t maior = larguras.size();
  for (size_t i = 0; i < larguras.size(); ++i)
    if (!EhValor(*layout.Colunas[i])) {
      texto += larguras[i] + 2;
      if (maior == larguras.size() || larguras[i] > larguras[maior])
        maior = i;
    }
  if (maior < larguras.size() && texto > maxima)
    larguras[maior] -= std::min(larguras[maior] - 1, texto - maxima);
  for (size_t i = 0; i < larguras.size() && LarguraDosValores(larguras, layout) > maxima; ++i)
    if (EhValor(*layout.Colunas[i]))
      larguras[i] = dosValores[i];
}

// "mm/yyyy" of a month "mmyyyy".
std::string Mes(const std::string& mes) {
  return mes.substr(0, 2) + "/" + mes.substr(2);
}

// The line that says which months a terminal table left out and how to see
// them; it fits 80 columns.
std::string AvisoMesesFora(const std::vector<std::string>& fora) {
  const std::string meses =
      fora.size() == 1 ? Mes(fora.front()) : Mes(fora.front()) + " a " + Mes(fora.back());
  return "Fora da tela: " + meses + " — use --columns, --depth, --csv-br ou | less -S\n";
}

std::string Tabela(TnClientDataSet& dataSet, const TnGridBands* bands, size_t maxima) {
  TGrade grade = Preencher(dataSet, bands);
  const TEncaixe encaixe = maxima > 0 ? Encaixar(grade, maxima) : TEncaixe();
  const std::vector<std::string>& fora = encaixe.Fora;
  if (!fora.empty()) {
    for (TField* field : grade.Layout.Colunas)
      if (std::find(fora.begin(), fora.end(), MesDaColuna(*field)) != fora.end())
        field->SetVisible(false);
    grade = Preencher(dataSet, bands);
  }
  const TLayout& layout = grade.Layout;
  const size_t n = layout.Colunas.size();
  std::vector<size_t>& larguras = grade.Larguras;
  if (encaixe.DuasLinhas)
    AjustarDuasLinhas(larguras, grade.DosValores, layout, maxima);
  else
    Ajustar(larguras, grade.DosValores, layout, maxima);
  // Where each column starts: after two characters of marker, two blanks
  // apart; on two lines the amounts' line ends at the screen's edge.
  std::vector<size_t> inicio(n);
  size_t pos = 2;
  const size_t dosValores = LarguraDosValores(larguras, layout);
  size_t posValores = dosValores < maxima ? maxima + 2 - dosValores : 2;
  for (size_t i = 0; i < n; ++i) {
    size_t& proxima = encaixe.DuasLinhas && EhValor(*layout.Colunas[i]) ? posValores : pos;
    inicio[i] = proxima;
    proxima += larguras[i] + 2;
  }

  std::string out;
  for (size_t nivel = 0; nivel < layout.Niveis; ++nivel) {
    std::string linha;
    size_t ocupado = 0;
    for (const TFaixa& faixa : layout.Faixas) {
      const std::string caption = Nutil::Trim(faixa.Caption);
      if (faixa.Nivel != nivel || caption.empty())
        continue;
      const size_t livre = ocupado == 0 ? 0 : ocupado + 2;
      size_t destino = std::max(inicio[faixa.Primeira], livre);
      // A caption that would run past the screen moves left, as far as the
      // one before it lets it.
      if (maxima > 0 && destino + Largura(caption) > maxima)
        destino = std::max(livre, maxima > Largura(caption) ? maxima - Largura(caption) : 0);
      linha += std::string(destino - ocupado, ' ') + caption;
      ocupado = destino + Largura(caption);
    }
    if (!linha.empty())
      out += SemBrancosFinais(maxima > 0 ? Cortar(linha, maxima) : linha) + "\n";
  }
  // The cells of the text columns, of the amounts or of both, each at its
  // start.
  auto linhaColunas = [&](const std::string& marca, const std::vector<std::string>& celulas,
                          bool texto, bool valores) {
    std::string linha = marca;
    size_t ocupado = Largura(marca);
    for (size_t i = 0; i < n; ++i) {
      if (!(EhValor(*layout.Colunas[i]) ? valores : texto))
        continue;
      const std::string celula = Cortar(celulas[i], larguras[i]);
      const std::string espaco(larguras[i] - Largura(celula), ' ');
      const bool direita = IsNumericFieldType(layout.Colunas[i]->DataType());
      linha += std::string(inicio[i] > ocupado ? inicio[i] - ocupado : 0, ' ') +
               (direita ? espaco + celula : celula + espaco);
      ocupado = std::max(ocupado, inicio[i]) + larguras[i];
    }
    return SemBrancosFinais(linha) + "\n";
  };
  auto linhas = [&](const std::string& marca, const std::vector<std::string>& celulas) {
    return encaixe.DuasLinhas
               ? linhaColunas(marca, celulas, true, false) + linhaColunas("", celulas, false, true)
               : linhaColunas(marca, celulas, true, true);
  };
  std::vector<std::string> titulos, tracos;
  for (size_t i = 0; i < n; ++i) {
    titulos.push_back(layout.Colunas[i]->DisplayLabel());
    tracos.emplace_back(larguras[i], '-');
  }
  const std::string separador = encaixe.DuasLinhas ? "  " + std::string(maxima - 2, '-') + "\n"
                                                   : linhaColunas("  ", tracos, true, true);
  out += linhas("  ", titulos) + separador;
  for (size_t r = 0; r < grade.Linhas.size(); ++r)
    out += linhas(grade.Sinteticas[r] ? "* " : "  ", grade.Linhas[r]);
  // A table without debit or credit columns has nothing to total.
  if (std::any_of(layout.Colunas.begin(), layout.Colunas.end(),
                  [](const TField* field) { return SomaTemSentido(*field); }))
    out += separador + linhas("  ", grade.Totais);
  if (!fora.empty())
    out += AvisoMesesFora(fora);
  return out;
}

TDateTime DataDaOpcao(const std::string& texto, const char* opcao) {
  return LinhaComando::Data(texto, opcao);
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

// A sheet name as the workbook accepts it: at most 31 characters, none of
// []:*?/\, not repeated (a repeat gets the company code instead).
std::string NomePlanilha(int64_t empresa, const std::string& nome,
                         std::vector<std::string>& usados) {
  std::string limpo;
  for (char c : std::to_string(empresa) + " - " + nome)
    limpo += std::string("[]:*?/\\").find(c) == std::string::npos ? c : ' ';
  limpo = Nutil::Trim(Primeiros(limpo, 31));
  if (std::find(usados.begin(), usados.end(), limpo) != usados.end())
    limpo = "Empresa " + std::to_string(empresa);
  usados.push_back(limpo);
  return limpo;
}

lxw_format* FormatoNegrito(lxw_workbook* pasta) {
  lxw_format* formato = workbook_add_format(pasta);
  format_set_bold(formato);
  return formato;
}

void EscreverPlanilha(lxw_workbook* pasta, const std::string& nome, TnClientDataSet& dataSet,
                      const TnGridBands* bands) {
  TLayout layout = Montar(dataSet, bands);
  lxw_worksheet* planilha = workbook_add_worksheet(pasta, nome.c_str());
  lxw_format* titulo = FormatoNegrito(pasta);
  format_set_align(titulo, LXW_ALIGN_CENTER);
  lxw_format* rotulo = FormatoNegrito(pasta);
  format_set_bottom(rotulo, LXW_BORDER_THIN);
  lxw_format* valor = workbook_add_format(pasta);
  format_set_num_format(valor, kFormatoValorBalancete);
  // The totals row: bold under a line.
  lxw_format* total = FormatoNegrito(pasta);
  format_set_top(total, LXW_BORDER_THIN);
  lxw_format* totalValor = FormatoNegrito(pasta);
  format_set_top(totalValor, LXW_BORDER_THIN);
  format_set_num_format(totalValor, kFormatoValorBalancete);
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
  std::vector<size_t> larguras;
  lxw_row_t linha = static_cast<lxw_row_t>(layout.Niveis);
  for (size_t i = 0; i < layout.Colunas.size(); ++i) {
    larguras.push_back(Largura(layout.Colunas[i]->DisplayLabel()));
    worksheet_write_string(planilha, linha, static_cast<lxw_col_t>(i),
                           layout.Colunas[i]->DisplayLabel().c_str(), rotulo);
  }
  // The headings and the columns up to the first amount stay on screen.
  size_t primeiroValor = 0;
  while (primeiroValor < layout.Colunas.size() && !EhValor(*layout.Colunas[primeiroValor]))
    ++primeiroValor;
  worksheet_freeze_panes(
      planilha, linha + 1,
      static_cast<lxw_col_t>(primeiroValor < layout.Colunas.size() ? primeiroValor : 0));
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    ++linha;
    const bool destaque = LinhaComEstilo(dataSet);
    for (size_t i = 0; i < layout.Colunas.size(); ++i) {
      const TField& field = *layout.Colunas[i];
      const auto coluna = static_cast<lxw_col_t>(i);
      const std::string texto = Celula(field);
      larguras[i] = std::max(larguras[i], Largura(texto));
      if (IsNumericFieldType(field.DataType()) && !field.IsNull()) {
        lxw_format* formato = field.DisplayFormat().empty() ? (destaque ? sintetica : nullptr)
                                                            : (destaque ? sinteticaValor : valor);
        worksheet_write_number(planilha, linha, coluna, field.AsFloat(), formato);
      } else if (destaque || !field.IsNull()) {
        worksheet_write_string(planilha, linha, coluna, texto.c_str(),
                               destaque ? sintetica : nullptr);
      }
    }
  }
  ++linha;
  const std::map<std::string, Currency> somas = Totais(dataSet);
  const std::vector<std::string> totais = LinhaTotais(layout, larguras, somas);
  for (size_t i = 0; i < layout.Colunas.size(); ++i) {
    const auto coluna = static_cast<lxw_col_t>(i);
    if (auto it = somas.find(layout.Colunas[i]->FieldName()); it != somas.end())
      worksheet_write_number(planilha, linha, coluna, it->second.ToDouble(), totalValor);
    else
      worksheet_write_string(planilha, linha, coluna, totais[i].c_str(), total);
    larguras[i] = std::max(larguras[i], Largura(totais[i]));
  }
  constexpr size_t kLarguraMaxima = 60;
  for (size_t i = 0; i < larguras.size(); ++i)
    worksheet_set_column(planilha, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i),
                         static_cast<double>(std::min(larguras[i], kLarguraMaxima) + 2), nullptr);
}

std::string NomeEmpresa(TnCtbDPConsultaBalanceteMovimento& processo, int64_t empresa) {
  const Value nome = processo.Conexao().ExecuteScalar(
      "select NOMEEMPRESA from EMPRESA where CODIGOEMPRESA = :p", {{"p", Value(empresa)}});
  return nome.IsNull() ? "" : Nutil::Trim(nome.AsString());
}

// The company data sets the query produced, in company order, with their
// company code; companies that failed (no fields) are left out.
void ParaCadaEmpresa(TnCtbDPConsultaBalanceteMovimento& processo,
                     const std::function<void(int64_t, TnClientDataSet&)>& fazer) {
  for (int64_t empresa : processo.Empresas()) {
    TnClientDataSet* dataSet = processo.RetornaDataSet(empresa);
    if (dataSet != nullptr && dataSet->FieldCount() > 0)
      fazer(empresa, *dataSet);
  }
}

// The companies' rows under one header; with several companies each line
// starts with a company cell.
using TParteCsv = std::string (*)(TnClientDataSet&, const std::string&);
std::string UmCsv(TnCtbDPConsultaBalanceteMovimento& processo, TParteCsv cabecalho,
                  TParteCsv linhas, const std::string& tituloEmpresa,
                  const std::function<std::string(int64_t)>& celulaEmpresa) {
  const bool varias = processo.Empresas().size() > 1;
  std::string out;
  ParaCadaEmpresa(processo, [&](int64_t empresa, TnClientDataSet& dataSet) {
    if (out.empty())
      out = cabecalho(dataSet, varias ? tituloEmpresa : "");
    out += linhas(dataSet, varias ? celulaEmpresa(empresa) : "");
  });
  return out;
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
  if (nome == "csv-br")
    return TFormato::CsvBr;
  throw Exception("Formato desconhecido: " + nome + " (table, csv, csv-br, json ou xlsx)");
}

std::unique_ptr<TnCtbDPConsultaBalanceteMovimento> Consultar(TnDMConexao& conexao,
                                                             const TOpcoes& opcoes) {
  HostComum::CarregarPacote();
  // The trial balance's parts read through the thread's current connection.
  TUsarConexao atual(conexao);
  auto processo = std::make_unique<TnCtbDPConsultaBalanceteMovimento>();
  processo->SetConexao(&conexao);
  if (opcoes.Progresso)
    processo->GetProgresso().SetOnAtualizar(opcoes.Progresso);
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
  params.DetalharClienteFornecedor = opcoes.DetalharClientes;
  processo->Executar(params);
  ParaCadaEmpresa(*processo, [&](int64_t empresa, TnClientDataSet& dataSet) {
    AcertarCalculadas(conexao, empresa, dataSet);
    Recortar(dataSet, opcoes.Nivel, opcoes.SoSinteticas);
  });
  return processo;
}

void EscolherColunas(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& colunas,
                     size_t largura) {
  ParaCadaEmpresa(processo, [&](int64_t, TnClientDataSet& dataSet) {
    EscolherColunasDoDataSet(dataSet, colunas);
    if (largura > 0 && Nutil::Trim(colunas).empty())
      OcultarRedundantes(dataSet);
  });
}

std::string EscreverTabela(TnCtbDPConsultaBalanceteMovimento& processo, size_t largura) {
  std::string out;
  ParaCadaEmpresa(processo, [&](int64_t empresa, TnClientDataSet& dataSet) {
    if (!out.empty())
      out += "\n";
    out += Tabela(dataSet, processo.Bandas(empresa), largura);
  });
  if (processo.Mensagens().Count() > 0)
    out += (out.empty() ? "" : "\n") + processo.Mensagens().Texto();
  return out;
}

std::string EscreverCsv(TnCtbDPConsultaBalanceteMovimento& processo) {
  return UmCsv(processo, SaidaCsv::Cabecalho, SaidaCsv::Linhas, "CodigoEmpresa,",
               [](int64_t empresa) { return std::to_string(empresa) + ","; });
}

std::string EscreverCsvBr(TnCtbDPConsultaBalanceteMovimento& processo) {
  return SaidaCsvBr::kBom +
         UmCsv(processo, SaidaCsvBr::Cabecalho, SaidaCsvBr::Linhas, "Empresa;",
               [&](int64_t empresa) {
                 return SaidaCsv::Campo(
                            std::to_string(empresa) + " - " + NomeEmpresa(processo, empresa), ';') +
                        ";";
               });
}

std::string EscreverJson(TnCtbDPConsultaBalanceteMovimento& processo) {
  std::string empresas;
  ParaCadaEmpresa(processo, [&](int64_t empresa, TnClientDataSet& dataSet) {
    std::string linhas = SemBrancosFinais(SaidaJson::Escrever(dataSet));
    while (!linhas.empty() && linhas.back() == '\n')
      linhas.pop_back();
    std::vector<TField*> campos;
    campos.reserve(static_cast<size_t>(dataSet.FieldCount()));
    for (int i = 0; i < dataSet.FieldCount(); ++i)
      campos.push_back(&dataSet.Fields(i));
    const std::vector<std::string> titulos = SaidaFormatos::TitulosParaPessoas(campos);
    std::string colunas;
    for (size_t i = 0; i < campos.size(); ++i)
      Nutil::Add(colunas,
                 "{\"name\": " + SaidaJson::Texto(campos[i]->FieldName()) +
                     ", \"label\": " + SaidaJson::Texto(titulos[i]) +
                     ", \"visible\": " + (campos[i]->Visible() ? "true" : "false") + "}",
                 ", ");
    std::string totais;
    for (const auto& [nome, soma] : Totais(dataSet))
      Nutil::Add(totais, SaidaJson::Texto(nome) + ": " + DuasCasas(soma), ", ");
    Nutil::Add(empresas,
               "{\"company\": " + std::to_string(empresa) + ", \"name\": " +
                   SaidaJson::Texto(NomeEmpresa(processo, empresa)) + ",\n \"columns\": [" +
                   colunas + "],\n \"rows\": " + linhas + ",\n \"totals\": {" + totais + "}}",
               ",\n");
  });
  std::string mensagens;
  for (const auto& mensagem : processo.Mensagens().Mensagens())
    Nutil::Add(mensagens, SaidaJson::Texto(mensagem.Texto), ", ");
  return "{\"companies\": [" + empresas + "],\n\"messages\": [" + mensagens + "]}\n";
}

void EscreverXlsx(TnCtbDPConsultaBalanceteMovimento& processo, const std::string& arquivo) {
  TPastaXlsx pasta(arquivo);
  std::vector<std::string> nomes;
  ParaCadaEmpresa(processo, [&](int64_t empresa, TnClientDataSet& dataSet) {
    EscreverPlanilha(pasta.Pasta(), NomePlanilha(empresa, NomeEmpresa(processo, empresa), nomes),
                     dataSet, processo.Bandas(empresa));
  });
  pasta.Fechar(arquivo);
}

std::string Executar(TnDMConexao& conexao, const TOpcoes& opcoes, TFormato formato,
                     const std::string& arquivo) {
  if (formato == TFormato::Xlsx && arquivo.empty())
    throw Exception("O formato xlsx precisa de --out ARQUIVO");
  auto processo = Consultar(conexao, opcoes);
  VerificarResultado(*processo);
  if (formato == TFormato::Tabela || formato == TFormato::CsvBr || formato == TFormato::Xlsx)
    EscolherColunas(*processo, opcoes.Colunas,
                    formato == TFormato::Tabela ? opcoes.LarguraMaxima : 0);
  std::string texto;
  switch (formato) {
    case TFormato::Tabela:
      texto = EscreverTabela(*processo, opcoes.LarguraMaxima);
      break;
    case TFormato::Csv:
      texto = EscreverCsv(*processo);
      break;
    case TFormato::CsvBr:
      texto = EscreverCsvBr(*processo);
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
