#pragma once
// A small company on each engine for the balance repositories: a chart of
// four levels, two establishments, and entries over January to March 2024
// written with plain INSERTs into LCTOCTB (the triggers fill the balance
// tables). The test keeps every entry it wrote, so expected balances are
// computed from the entries themselves, never from the balance tables.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "balances/nCtbRepositorioSaldoCtbBase_U.h"
#include "framework/core/Currency.h"
#include "framework/core/TDateTime.h"
#include "framework/db/TnDMConexao.h"
#include "schema/SchemaInstaller.h"
#include "tests/support/TestDatabases.h"

// One entry as written (also a functional-currency zeroing record, whose
// amount is ValorMoeda).
struct TLcto {
  int Estab = 1;
  TDateTime Data;
  std::string Tipo = "LN";
  std::optional<int64_t> Deb;
  std::optional<int64_t> Cred;
  std::optional<int> Hist;
  std::string Origem = "DG";
  Currency Valor;
  std::optional<Currency> ValorMoeda;
};

// Debits and credits by (account, establishment or 0, day or 0).
using TChaveSaldo = std::tuple<int64_t, int64_t, double>;
using TSaldos = std::map<TChaveSaldo, std::pair<Currency, Currency>>;

enum class TJanela { Anterior, Periodo };

inline constexpr int64_t kContasAnaliticas[] = {11, 12, 13, 14, 21, 22, 31};
inline constexpr int kMoedaFuncional = 2;
inline const Currency kCem = Currency::FromRaw(1000000);

class TBalancesTest : public TSchemaTest {
 protected:
  void SetUp() override {
    TSchemaTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    CriarEmpresa();
  }
  static TDateTime Dia(int mes, int dia) { return EncodeDate(2024, mes, dia); }

  // Establishment 1 keeps a functional currency from 2024 on; 2 does not.
  void CriarEmpresa() {
    Exec(
        "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'MATRIZ'), "
        "(1, 2, 'FILIAL')");
    Exec(
        "insert into OPCAOMOEDAFUNCIONAL (CODIGOEMPRESA, CODIGOESTAB, DATAINICIAL, DATAFINAL, "
        "CODIGOMOEDA) values (1, 1, '2024-01-01', null, 2)");
    // Type 1 synthetic, 2 analytic; 13 is in the corporate book only, 14 the tax one.
    InserirConta(1, "1", 1, "ATIVO");
    InserirConta(2, "1.1", 1, "ATIVO CIRCULANTE");
    InserirConta(3, "1.1.01", 1, "DISPONIVEL");
    InserirConta(11, "1.1.01.001", 2, "CAIXA");
    InserirConta(12, "1.1.01.002", 2, "BANCO");
    InserirConta(4, "1.2", 1, "ATIVO NAO CIRCULANTE");
    InserirConta(5, "1.2.01", 1, "IMOBILIZADO");
    InserirConta(13, "1.2.01.001", 2, "MAQUINAS", "LS");
    InserirConta(14, "1.2.01.002", 2, "AJUSTE FISCAL", "LF");
    InserirConta(6, "2", 1, "PASSIVO");
    InserirConta(7, "2.1", 1, "PASSIVO CIRCULANTE");
    InserirConta(8, "2.1.01", 1, "FORNECEDORES");
    InserirConta(21, "2.1.01.001", 2, "FORNECEDOR A");
    InserirConta(22, "2.1.01.002", 2, "FORNECEDOR B");
    InserirConta(9, "3", 1, "RESULTADO");
    InserirConta(31, "3.1.01.001", 2, "RECEITA");
  }

  // One row of company 1 in `tabela`, its columns and values side by side.
  void Gravar(const char* tabela, std::initializer_list<const char*> colunas,
              const ValueArray& valores) {
    std::string nomes = "CODIGOEMPRESA", marcas = "1";
    TParams params;
    for (const char* coluna : colunas) {
      nomes += fmt::format(", {}", coluna);
      marcas += fmt::format(", :p{}", coluna);
      params.emplace_back(std::string("p") + coluna, valores.at(params.size()));
    }
    Exec(fmt::format("insert into {} ({}) values ({})", tabela, nomes, marcas), params);
  }

  void InserirConta(int64_t conta, const std::string& classif, int tipo,
                    const std::string& descr = "CONTA", const std::string& controle = "LN",
                    int tipoCalc = 1) {
    Gravar("PLANOESPEC",
           {"CONTACTB", "CLASSIFCONTA", "DESCRCONTA", "TIPOCONTA", "TIPOCONTACALC", "TIPOCOTACAO",
            "APELIDOCONTA", "TIPOCONTROLECONTABIL"},
           {conta, classif, descr, tipo, tipoCalc, 1, fmt::format("A{}", conta), controle});
  }

  static Value Opcional(const auto& v) { return v ? Value(*v) : Value(); }

  void Inserir(const TLcto& l) {
    Gravar("LCTOCTB",
           {"CHAVELCTOCTB", "CODIGOESTAB", "DATALCTOCTB", "TIPOLANCAMENTO", "CONTACTBDEB",
            "CONTACTBCRED", "CODIGOHISTCTB", "CODIGOORIGLCTOCTB", "VALORLCTOCTB", "VALORLCTOMOEDA"},
           {++FChave, l.Estab, l.Data, l.Tipo, Opcional(l.Deb), Opcional(l.Cred), Opcional(l.Hist),
            l.Origem, l.Valor, Opcional(l.ValorMoeda)});
    FLctos.push_back(l);
  }

  void InserirZeramento(const TLcto& z) {
    Gravar("ZERAMENTOCTBMOEDA",
           {"CHAVEZERAMENTO", "CODIGOESTAB", "CODIGOMOEDA", "DATAZERAMENTO", "TIPOLANCAMENTO",
            "CONTACTBDEB", "CONTACTBCRED", "CODIGOHISTCTB", "VALORZERAMENTO"},
           {static_cast<int64_t>(FZeramentos.size()) + 1, z.Estab, kMoedaFuncional, z.Data, z.Tipo,
            Opcional(z.Deb), Opcional(z.Cred), Opcional(z.Hist), *z.ValorMoeda});
    FZeramentos.push_back(z);
  }

  // A random entry of the first quarter; amounts in whole cents, never 0.
  TLcto Sortear(std::mt19937_64& gerador) {
    auto sorteio = [&](int de, int ate) {
      return std::uniform_int_distribution<int>(de, ate)(gerador);
    };
    TLcto l;
    l.Estab = sorteio(1, 2);
    l.Data = Dia(1, 1) + sorteio(0, 90);
    l.Tipo = std::vector<std::string>{"LN", "LS", "LF"}[static_cast<size_t>(sorteio(0, 2))];
    const int lados = sorteio(0, 9);
    if (lados != 1)
      l.Deb = kContasAnaliticas[sorteio(0, 6)];
    if (lados != 2)
      l.Cred = kContasAnaliticas[sorteio(0, 6)];
    if (sorteio(0, 3) != 0)
      l.Hist = sorteio(1, 2);
    l.Origem = std::vector<std::string>{"DG", "IM", "AA"}[static_cast<size_t>(sorteio(0, 2))];
    l.Valor = Currency::FromRaw(int64_t{sorteio(1, 500000)} * 100);
    // Only establishment 1 keeps the functional currency: the entries of 2
    // carry no amount in it.
    if (l.Estab == 1)
      l.ValorMoeda = Currency::FromRaw(int64_t{sorteio(1, 100000)} * 100);
    return l;
  }

  // The three months of the fixture: random entries plus entries on the
  // days where the month and period arithmetic turns.
  void SemearTresMeses(int quantidade = 120) {
    std::mt19937_64 gerador(20240101);
    for (int i = 0; i < quantidade; ++i)
      Inserir(Sortear(gerador));
    for (TDateTime data : {Dia(1, 1), Dia(1, 31), Dia(2, 1), Dia(2, 14), Dia(2, 15), Dia(3, 31)})
      Inserir({1, data, "LN", 11, 21, 1, "IM", kCem, kCem});
    Inserir({2, Dia(2, 10), "LS", 12, std::nullopt, 2, "AA", kCem, std::nullopt});
    Inserir({2, Dia(2, 10), "LF", std::nullopt, 14, std::nullopt, "DG", kCem, std::nullopt});
  }

  // What a repository should return, from the entries kept by the test.
  // Every entry counts its amount on its debit account's debits and on its
  // credit account's credits.
  TSaldos Esperado(const TnParansSaldoCtb& p, TJanela janela,
                   const std::function<bool(const TLcto&)>& aceita = {}, bool porEstab = false,
                   bool porDia = false, bool emMoeda = false,
                   const std::vector<TLcto>* outros = nullptr) const {
    TSaldos saldos;
    auto somar = [&](const TLcto& l) {
      const bool livro = l.Tipo == "LN" ||
                         (p.TipoSaldoCtb == TnTipoSaldoCtb::tscSocietario && l.Tipo == "LS") ||
                         (p.TipoSaldoCtb == TnTipoSaldoCtb::tscFiscal && l.Tipo == "LF");
      const bool dentro = janela == TJanela::Anterior
                              ? l.Data < p.DataInicial
                              : (l.Data >= p.DataInicial && l.Data <= p.DataFinal);
      if (!livro || !dentro || (aceita && !aceita(l)))
        return;
      const Currency valor = emMoeda ? l.ValorMoeda.value_or(Currency()) : l.Valor;
      const int64_t estab = porEstab ? l.Estab : 0;
      const double dia = porDia ? l.Data.Days() : 0;
      if (l.Deb)
        saldos[{*l.Deb, estab, dia}].first += valor;
      if (l.Cred)
        saldos[{*l.Cred, estab, dia}].second += valor;
    };
    for (const std::vector<TLcto>* lista : {&FLctos, outros})
      for (const TLcto& l : lista ? *lista : std::vector<TLcto>{})
        somar(l);
    return SemZeros(saldos);
  }

  static TSaldos SemZeros(TSaldos saldos) {
    std::erase_if(saldos, [](const auto& item) {
      return item.second.first == Currency() && item.second.second == Currency();
    });
    return saldos;
  }

  // The cursor's rows summed by key: CODIGOESTAB and DATASALDO count when the
  // cursor has them.
  static TSaldos Ler(TnClientDataSet& cursor) {
    TSaldos saldos;
    const TField* estab = cursor.FindField("CODIGOESTAB");
    const TField* data = cursor.FindField("DATASALDO");
    for (cursor.First(); !cursor.Eof(); cursor.Next()) {
      auto& item =
          saldos[{cursor.FieldByName("CONTACTB").AsInteger(), estab ? estab->AsInteger() : 0,
                  data ? DateOf(data->AsDateTime()).Days() : 0}];
      item.first += cursor.FieldByName("VALORDEB").AsCurrency();
      item.second += cursor.FieldByName("VALORCRED").AsCurrency();
    }
    return SemZeros(saldos);
  }

  static TSaldos Subtrair(TSaldos a, const TSaldos& b) {
    for (const auto& [chave, valores] : b) {
      a[chave].first -= valores.first;
      a[chave].second -= valores.second;
    }
    return SemZeros(a);
  }

  // One line per key, so a failed comparison shows the whole picture.
  static std::string Texto(const TSaldos& saldos) {
    std::string texto;
    for (const auto& [chave, valores] : saldos) {
      const auto [conta, estab, dia] = chave;
      texto += fmt::format("{} e{} {}: D {} C {}\n", conta, estab,
                           dia == 0 ? std::string("-") : DateToIso(TDateTime(dia)),
                           valores.first.ToString(), valores.second.ToString());
    }
    return texto;
  }

  static TnParansSaldoCtb Parans(TDateTime inicio, TDateTime fim, bool relacionar = false,
                                 TnTipoSaldoCtb livro = TnTipoSaldoCtb::tscSocietario) {
    TnParansSaldoCtb p;
    p.CodigoEmpresa = 1;
    p.DataInicial = inicio;
    p.DataFinal = fim;
    p.RelacionarFilial = relacionar;
    p.TipoSaldoCtb = livro;
    return p;
  }

  void AtivarFiltroUsuario(TDateTime inicio, TDateTime fim, const std::string& origens) {
    Gravar("FILTROLCTOCTB", {"CODIGOUSUARIO", "ATIVO", "DATAINICIAL", "DATAFINAL", "ORIGENS"},
           {1, "1", inicio, fim, origens});
  }

  std::vector<TLcto> FLctos;
  std::vector<TLcto> FZeramentos;
  int64_t FChave = 0;
};
