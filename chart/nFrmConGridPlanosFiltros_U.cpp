#include "chart/nFrmConGridPlanosFiltros_U.h"

#include "framework/core/Nutil.h"

namespace {

std::vector<std::string> Nomes(const std::string& lista) {
  std::vector<std::string> nomes;
  for (const std::string& nome : Nutil::StrToStrArray(lista, ";")) {
    if (!Nutil::Trim(nome).empty())
      nomes.push_back(Nutil::Trim(nome));
  }
  return nomes;
}

}  // namespace

void TnFrmConGridPlanosFiltros::SetFFiltroTitulo(bool value) {
  FFiltroTitulo = value;
  SetarEventosClientDataSet();
}

void TnFrmConGridPlanosFiltros::FormShow() {
  Form().Show();
  SetarEventosClientDataSet();
}

void TnFrmConGridPlanosFiltros::SetarEventosClientDataSet() {
  if (!FFiltroTitulo) {
    TnFrmConGrid::SetarEventosClientDataSet();
    return;
  }
  ClientDataSet().OnFilterRecord = [this](TnClientDataSet& dados, bool& aceitar) {
    DoClientDataSetFilterRecord(dados, aceitar);
  };
}

void TnFrmConGridPlanosFiltros::CriarCDSFilter() {
  TnClientDataSet& grid = ClientDataSet();
  CDSFilter.reset();
  grid.Last();
  CDSFilter = std::make_unique<TnClientDataSet>();
  CDSFilter->CloneCursor(grid);
  CDSFilter->SetIndexFieldNames(FCampoChave.empty() ? FCampoClassif
                                                    : FCampoChave + ";" + FCampoClassif);
  CDSFilter->OnFilterRecord = [this](TnClientDataSet& dados, bool& aceitar) {
    DoClientDataSetFilterRecordFiltro(dados, aceitar);
  };
  ixTIPOCONTA = grid.FieldByName(FCampoTipo).Index();
  ixCLASSIFCONTAcds = grid.FieldByName(FCampoClassif).Index();
  ixCLASSIFCONTAfil = CDSFilter->FieldByName(FCampoClassif).Index();
  FChave.clear();
  for (const std::string& nome : Nomes(FCampoChave))
    FChave.emplace_back(grid.FieldByName(nome).Index(), CDSFilter->FieldByName(nome).Index());
  AtualizarCDSFilter = false;
}

void TnFrmConGridPlanosFiltros::AtualizarFiltro(bool ativo) {
  if (!CDSFilter || AtualizarCDSFilter)
    CriarCDSFilter();
  CDSFilter->SetFiltered(false);
  CDSFilter->SetFiltered(ativo);
  TnFrmConGrid::AtualizarFiltro(ativo);
}

void TnFrmConGridPlanosFiltros::DoClientDataSetFilterRecordFiltro(TnClientDataSet& dados,
                                                                  bool& aceitar) {
  aceitar = AceitaLinha(dados);
}

void TnFrmConGridPlanosFiltros::DoClientDataSetFilterRecord(TnClientDataSet& dados, bool& aceitar) {
  aceitar = AceitaLinha(dados);
  if (aceitar || FiltragemDesligada() || !CDSFilter)
    return;
  aceitar = dados.Fields(ixTIPOCONTA).AsInteger() == 1 && TemContaAbaixo(dados);
}

bool TnFrmConGridPlanosFiltros::TemContaAbaixo(TnClientDataSet& dados) {
  // Searching a key column, a group of another key never explains a match.
  const std::string pesquisado = Nutil::UpperCase(CampoPesquisado());
  for (const std::string& nome : Nomes(FCampoChave)) {
    if (Nutil::UpperCase(nome) == pesquisado)
      return false;
  }
  TnClientDataSet& filtro = *CDSFilter;
  filtro.SetKey();
  for (const auto& [noGrid, noFiltro] : FChave)
    filtro.Fields(noFiltro).SetValue(dados.Fields(noGrid).AsValue());
  const std::string classif = dados.Fields(ixCLASSIFCONTAcds).AsString();
  filtro.Fields(ixCLASSIFCONTAfil).SetAsString(classif);
  filtro.GotoNearest();
  if (filtro.IsEmpty())  // nothing matches
    return false;
  for (const auto& [noGrid, noFiltro] : FChave) {
    if (!(filtro.Fields(noFiltro).AsValue() == dados.Fields(noGrid).AsValue()))
      return false;
  }
  const std::vector<std::string> grupo = Nutil::StrToStrArray(classif, ".");
  const std::vector<std::string> conta =
      Nutil::StrToStrArray(filtro.Fields(ixCLASSIFCONTAfil).AsString(), ".");
  if (grupo.size() > conta.size())
    return false;
  for (size_t i = 0; i < grupo.size(); ++i) {
    if (grupo[i] != conta[i])
      return false;
  }
  return true;
}
