#include "entries/TnTransacaoAbertaLctoCtb.h"

void TnTransacaoAbertaLctoCtb::Fechar() {
  Numero = 0;
  Data = TDateTime();
  TipoLcto.clear();
}
