#include "entries/nCtbDPLctoCtbAnalitico_U.h"

#include <fmt/format.h>

#include "framework/db/NutilSql.h"

TnCtbDPLctoCtbAnalitico::TnCtbDPLctoCtbAnalitico() {
  SetSelectText(
      "select CODIGOEMPRESA, CHAVELCTOCTB, TRANSCTB, DATALCTOCTB, TIPOLANCAMENTO, CONTACTBDEB, "
      "CONTACTBCRED, VALORLCTOCTB, COMPLHIST from LCTOCTB");
}

void TnCtbDPLctoCtbAnalitico::AbrirTransacao(int64_t transacao) {
  std::string filtro = "TRANSCTB = " + Nutil::ValorParaSQL(Value(transacao));
  if (const int64_t empresa = nDMSelecao().Selecao().CodigoEmpresa(); empresa != 0)
    filtro += " and CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(empresa));
  SetFiltroAbertura(filtro);
  TnForm& form = CriarForm();
  form.Caption = fmt::format("Lançamento Analítico - Transação {}", transacao);
  Abrir();
  form.ShowModal();
}
