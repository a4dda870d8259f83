#include "framework/app/TnDMDireitoUsuario.h"

#include "framework/core/Nutil.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

std::string TnDMDireitoUsuario::PegarDireito(const std::string& nome) {
  const int64_t usuario = FConexao.CodigoUsuario();
  auto it = FCache.find(usuario);
  if (it == FCache.end()) {
    const TDbResult result = FConexao.ExecuteQuery(
        "select NOMEDIREITO, NIVEL from DIREITOUSUARIO where CODIGOUSUARIO = :pCodigoUsuario",
        {{"pCodigoUsuario", Value(usuario)}});
    ++FLeituras;
    std::map<std::string, std::string> direitos;
    for (size_t i = 0; i < result.Rows.size(); ++i) {
      // CHAR(1) may come back padded on some engines; the level is one character.
      direitos[Nutil::UpperCase(Nutil::Trim(result.Get(i, "NOMEDIREITO").AsString()))] =
          Nutil::Trim(result.Get(i, "NIVEL").AsString());
    }
    it = FCache.emplace(usuario, std::move(direitos)).first;
  }
  auto direito = it->second.find(Nutil::UpperCase(Nutil::Trim(nome)));
  return direito == it->second.end() ? "" : direito->second;
}

std::unique_ptr<TnDMDireitoUsuario> TnDMDireitoUsuario::Derivar(TnSessao& nova) const {
  return std::make_unique<TnDMDireitoUsuario>(nova.Conexao());
}

TnDMDireitoUsuario* nDMDireitoUsuario() {
  TnSessao* sessao = TnSessao::AtualOuNula();
  return sessao ? sessao->Procurar<TnDMDireitoUsuario>() : nullptr;
}

void SetnDMDireitoUsuario(TnDMDireitoUsuario* servico) {
  TnSessao::Atual().Emprestar(servico);
}
