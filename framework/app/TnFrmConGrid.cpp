#include "framework/app/TnFrmConGrid.h"

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"

namespace {

std::string Normalizar(const std::string& texto) {
  return Nutil::LowerCase(Nutil::LimparAcentuacao(texto));
}

}  // namespace

TnFrmConGrid::TnFrmConGrid(const std::string& nome) : FForm(nome, "TnFrmConGrid") {}

void TnFrmConGrid::Carregar() {
  FClientDataSet.Close();
  FClientDataSet.ClearFields();
  FCarregar(FClientDataSet);
}

void TnFrmConGrid::Abrir(const TCarregar& carregar) {
  FCarregar = carregar;
  Carregar();
  FEditsFiltro.clear();
  for (int i = 0; i < FClientDataSet.FieldCount(); ++i) {
    const TField& campo = FClientDataSet.Fields(i);
    if (campo.Visible())
      FEditsFiltro.push_back({campo.FieldName(), ""});
  }
  SetarEventosClientDataSet();
}

void TnFrmConGrid::Refresh() {
  DoBeforeRefresh();
  Carregar();
  AtualizarFiltro(true);
}

void TnFrmConGrid::DigitarFiltro(const std::string& campo, const std::string& texto) {
  for (size_t i = 0; i < FEditsFiltro.size(); ++i) {
    if (Nutil::UpperCase(FEditsFiltro[i].Campo) == Nutil::UpperCase(campo)) {
      FEditsFiltro[i].Texto = texto;
      FEditAtual = static_cast<int>(i);
      AtualizarFiltro(true);
      return;
    }
  }
  throw Exception("A consulta não tem a coluna " + campo);
}

void TnFrmConGrid::AtualizarFiltro(bool ativo) {
  FClientDataSet.SetFiltered(false);
  FClientDataSet.SetFiltered(ativo);
  FClientDataSet.First();
}

void TnFrmConGrid::SetarEventosClientDataSet() {
  FClientDataSet.OnFilterRecord = [this](TnClientDataSet& dados, bool& aceitar) {
    aceitar = AceitaLinha(dados);
  };
}

bool TnFrmConGrid::AceitaLinha(const TnClientDataSet& dados) const {
  if (FiltragemDesligada())
    return true;
  for (size_t i = 0; i < FEditsFiltro.size(); ++i) {
    const TnEditFiltro& edit = FEditsFiltro[i];
    if (!edit.Texto.empty()) {
      const std::string valor = Normalizar(dados.FieldByName(edit.Campo).AsString());
      const std::string texto = Normalizar(edit.Texto);
      const size_t pos = valor.find(texto);
      if (FQualquerParte ? pos == std::string::npos : pos != 0)
        return false;
    }
    // Edits behind the one being typed in are not examined yet.
    if (static_cast<int>(i) == FEditAtual)
      break;
  }
  return true;
}

std::string TnFrmConGrid::CampoPesquisado() const {
  if (FEditAtual < 0 || static_cast<size_t>(FEditAtual) >= FEditsFiltro.size())
    return "";
  return FEditsFiltro[static_cast<size_t>(FEditAtual)].Campo;
}
