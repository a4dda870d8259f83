#pragma once
// The panel docked below an entry screen: the period's differences, the
// transactions that do not balance and the user's last entries, as the data
// sets it is pointed at hold them. What it shows is state a host reads
// (Visivel, the switches, the data sets); it draws nothing.
//
// It owns none of the data sets: the difference module and the entry module
// do, and outlive it.

#include <cstdint>
#include <functional>
#include <string>

#include "framework/core/TDateTime.h"
#include "framework/data/ClientDataSet.h"

// The search panel above a grid: typed text narrows the grid's rows to those
// showing it in some column.
struct TnPainelPesquisaGrid {
  bool Enabled = false;
  bool Active = false;
  // The search box has the keyboard (rather than the grid).
  bool ModoEditor = false;
  std::string Texto;
};

class TnFraValorSaldoDebCred {
 public:
  // A double click on an entry of the last-entries grid: its key.
  using TDoubleClickGridLcto = std::function<void(int64_t chaveLctoCtb)>;
  // A double click on a row of the programmed-entries grid (its data
  // source's current row).
  using TDoubleClickGridLctoProg = std::function<void()>;

  void SetCodigoEmpresa(int64_t value) { FCodigoEmpresa = value; }
  int64_t GetCodigoEmpresa() const { return FCodigoEmpresa; }
  void SetDataIniSelecao(TDateTime value) { FDataIniSelecao = value; }
  void SetDataFimSelecao(TDateTime value) { FDataFimSelecao = value; }
  TDateTime GetDataIniSelecao() const { return FDataIniSelecao; }
  TDateTime GetDataFimSelecao() const { return FDataFimSelecao; }
  // SPED books or IFRS: the transactions grid is shown.
  void SetOptanteSPED(bool value) { FOptanteSPED = value; }
  bool GetOptanteSPED() const { return FOptanteSPED; }
  void SetLctoProgramado(bool value) { FLctoProgramado = value; }
  bool GetLctoProgramado() const { return FLctoProgramado; }
  void SetExibirUltimosLancamentos(bool value) { FExibirUltimosLancamentos = value; }
  bool GetExibirUltimosLancamentos() const { return FExibirUltimosLancamentos; }
  void SetExibirDiferencas(bool value) { FExibirDiferencas = value; }
  bool GetExibirDiferencas() const { return FExibirDiferencas; }
  void SetOnDoubleClickGridLcto(TDoubleClickGridLcto handler) {
    FOnDoubleClickGridLcto = std::move(handler);
  }

  // The grids' data sources (nullptr: the grid is empty).
  TnClientDataSet* dsDiferenca = nullptr;
  TnClientDataSet* dsUltimosLancamentos = nullptr;
  TnClientDataSet* dsLctoProgramado = nullptr;
  TnClientDataSet* dsDifTransacao = nullptr;

  void SetOnDoubleClickGridLctoProg(TDoubleClickGridLctoProg handler) {
    FOnDoubleClickGridLctoProg = std::move(handler);
  }

  // Shows the panel with what its data sources hold now.
  void Mostrar() { FVisivel = true; }
  bool Visivel() const { return FVisivel; }
  // The page of the panel in front: the differences until a person turns
  // to the last entries.
  enum class TPagina { Diferencas, UltimosLancamentos };
  void PageUltimosLancamentosSelect() { FPagina = TPagina::UltimosLancamentos; }
  TPagina Pagina() const { return FPagina; }
  // A person double-clicking an entry of the last-entries grid.
  void DoubleClickGridLcto(int64_t chaveLctoCtb) const {
    if (FOnDoubleClickGridLcto)
      FOnDoubleClickGridLcto(chaveLctoCtb);
  }
  // A person double-clicking the current row of the programmed-entries grid.
  void DoubleClickGridLctoProg() const {
    if (FOnDoubleClickGridLctoProg)
      FOnDoubleClickGridLctoProg();
  }

  // The last-entries grid: it takes the focus only while the panel shows it
  // with rows to show.
  bool GridLctoPodeFocar() const;
  void FocarGridLcto() { FGridLctoFocado = GridLctoPodeFocar(); }
  bool GridLctoFocado() const { return FGridLctoFocado; }
  TnPainelPesquisaGrid& PesquisaGridLcto() { return FPesquisaGridLcto; }
  // The search text applied to the grid's rows, or the filter taken away.
  void AplicarFiltroPesquisa();
  void CancelarFiltroPesquisa();

 private:
  int64_t FCodigoEmpresa = 0;
  TDateTime FDataIniSelecao;
  TDateTime FDataFimSelecao;
  bool FOptanteSPED = false;
  bool FLctoProgramado = false;
  bool FExibirUltimosLancamentos = false;
  bool FExibirDiferencas = false;
  TDoubleClickGridLcto FOnDoubleClickGridLcto;
  TDoubleClickGridLctoProg FOnDoubleClickGridLctoProg;
  bool FVisivel = false;
  bool FGridLctoFocado = false;
  TnPainelPesquisaGrid FPesquisaGridLcto;
  TPagina FPagina = TPagina::Diferencas;
};
