#include "framework/core/Nrwutilapp.h"

#include "framework/core/Exceptions.h"
#include "framework/core/LiteralSQL.h"
#include "framework/core/Nutil.h"

namespace Nrwutilapp {

std::string IncluiExcluiGruposClassif(int tipo, const std::string& classificacoes,
                                      const std::string& campo) {
  if (tipo != 1 && tipo != 2)
    throw Exception("Tipo de seleção de grupos inválido: " + std::to_string(tipo) +
                    " (use 1 para incluir ou 2 para excluir).");
  const bool incluir = tipo == 1;
  std::string condicao;
  for (const std::string& item : Nutil::StrToStrArray(classificacoes)) {
    std::string grupo = Nutil::Trim(item);
    while (!grupo.empty() && grupo.back() == '.')
      grupo.pop_back();
    if (grupo.empty())
      continue;
    std::string proprio = campo + (incluir ? " = " : " <> ") + NutilLiteralSQL::Texto(grupo);
    std::string abaixo =
        campo + (incluir ? " like " : " not like ") + NutilLiteralSQL::Texto(grupo + ".%");
    Nutil::Add(condicao, proprio, incluir ? " or " : " and ");
    Nutil::Add(condicao, abaixo, incluir ? " or " : " and ");
  }
  return condicao.empty() ? "1=1" : "(" + condicao + ")";
}

}  // namespace Nrwutilapp
