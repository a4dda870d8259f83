#pragma once
// The user's current selection: named parameters the host fills before a
// screen opens (company, establishment, the period) and the modules read
// back. Names compare without regard to case ("CodigoEmpresa" and
// "CODIGOEMPRESA" are one parameter); a parameter never set reads as null.
//
// The period is two parameters named after the date column and the
// comparison: "DataLctoCtb_MAIORIGUAL" (first day) and
// "DataLctoCtb_MENORIGUAL" (last day).

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/core/TDateTime.h"
#include "framework/core/Value.h"

class TnSessao;

inline constexpr const char* kSelCodigoEmpresa = "CodigoEmpresa";
inline constexpr const char* kSelCodigoEstab = "CodigoEstab";
inline constexpr const char* kSelDataInicial = "DataLctoCtb_MAIORIGUAL";
inline constexpr const char* kSelDataFinal = "DataLctoCtb_MENORIGUAL";

class TnSelecao {
 public:
  void SetParam(const std::string& nome, Value valor);
  // Null when the parameter was never set.
  Value Param(std::string_view nome) const;
  bool TemParam(std::string_view nome) const;
  // False when there was none.
  bool RemoverParam(const std::string& nome);
  void Limpar() { FParams.clear(); }
  // Names as first set, ordered without regard to case.
  std::vector<std::string> Nomes() const;

  // The usual parameters; 0 (or the zero date) when not selected.
  int64_t CodigoEmpresa() const { return Param(kSelCodigoEmpresa).AsInteger(); }
  int64_t CodigoEstab() const { return Param(kSelCodigoEstab).AsInteger(); }
  TDateTime DataInicial() const { return Param(kSelDataInicial).AsDateTime(); }
  TDateTime DataFinal() const { return Param(kSelDataFinal).AsDateTime(); }

  // True when every name of a ";"-list ("CodigoEmpresa;DataLctoCtb_MAIORIGUAL")
  // holds a value: what a screen requiring that selection needs to open.
  bool Atende(const std::string& requisitos) const;

 private:
  struct TParam {
    std::string Nome;  // as first set
    Value Valor;
  };
  // A name in ASCII is found as it is, without building its upper-case
  // copy: modules ask for the same few names for every record.
  struct THashSemCaixaAscii {
    using is_transparent = void;
    size_t operator()(std::string_view nome) const;
  };
  struct TIgualSemCaixaAscii {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using TMapaParams =
      std::unordered_map<std::string, TParam, THashSemCaixaAscii, TIgualSemCaixaAscii>;
  TMapaParams::const_iterator Encontrar(std::string_view nome) const;
  // Keyed by the upper-case name.
  TMapaParams FParams;
};

// The selection service of the connection: the current selection, and the
// parameters modules add for a screen they open (CriarParam) and remove after
// it closes (DeletarParam).
class TnDMSelecao {
 public:
  TnSelecao& Selecao() { return FSelecao; }
  const TnSelecao& Selecao() const { return FSelecao; }
  void CriarParam(const std::string& nome, Value valor) {
    FSelecao.SetParam(nome, std::move(valor));
  }
  void DeletarParam(const std::string& nome) { FSelecao.RemoverParam(nome); }
  // A worker's session runs on the same selection.
  std::unique_ptr<TnDMSelecao> Derivar(TnSessao& /*nova*/) const {
    return std::make_unique<TnDMSelecao>(*this);
  }

 private:
  TnSelecao FSelecao;
};

// The current session's selection service.
TnDMSelecao& nDMSelecao();
