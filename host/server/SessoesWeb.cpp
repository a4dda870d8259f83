#include "host/server/SessoesWeb.h"

#include <algorithm>
#include <vector>

#include "framework/db/TnLeiturasDoPedido.h"
#include "framework/db/TnSessao.h"
#include "host/server/SegurancaWeb.h"
#include "host/services/SenhaUsuario.h"

std::unique_ptr<TSessaoHost> AbrirSessaoHost(const SessaoHost::TOpcoesConexao& opcoes) {
  TnSessao* anterior = TnSessao::AtualOuNula();
  try {
    auto host = std::make_unique<TSessaoHost>(opcoes, SessaoHost::TEsquema::Exigido);
    TnSessao::SetAtual(anterior);
    return host;
  } catch (...) {
    TnSessao::SetAtual(anterior);
    throw;
  }
}

TSessaoWeb::TSessaoWeb(int64_t usuario, std::unique_ptr<TSessaoHost> host, std::string hashSenha,
                       TRelogio::time_point agora)
    : FToken(SegurancaWeb::NovoToken()),
      FCsrf(SegurancaWeb::NovoToken()),
      FUsuario(usuario),
      FCriada(agora),
      FHashSenha(std::move(hashSenha)),
      FHost(std::move(host)),
      FUltimoUso(agora) {}

TSessaoWeb::~TSessaoWeb() {
  if (!FHost)
    return;
  // The screens and the services close inside their own session, whichever
  // thread lets the session go.
  TUsarSessao uso(FHost->Sessao());
  FTelas.clear();
  FHost.reset();
}

TSessaoWeb::TRelogio::time_point TSessaoWeb::UltimoUso() const {
  std::lock_guard<std::mutex> trava(FTravaUso);
  return FUltimoUso;
}

bool TSessaoWeb::Usar(TRelogio::time_point agora,
                      const std::function<void(TSessaoHost&)>& trabalho) {
  std::lock_guard<std::mutex> uso(FUso);
  {
    std::lock_guard<std::mutex> trava(FTravaUso);
    FUltimoUso = std::max(FUltimoUso, agora);
  }
  TUsarSessao atual(FHost->Sessao());
  // Another process (`ctb user passwd`, `ctb user rights`) may have changed
  // the user since the last request: one read by the primary key, and the
  // rights cache emptied so the request's first question reads them again,
  // as are the settings the screens read once per request.
  if (SenhaUsuario::HashGravado(FHost->Conexao(), FUsuario) != FHashSenha)
    return false;
  FHost->Direitos().LimparCache();
  FHost->Sessao().Servico<TnLeiturasDoPedido>().Limpar();
  trabalho(*FHost);
  // A session waits for its user between requests, and another session's
  // write empties its SQLite page cache at its next read anyway: the pages
  // this request read go back now instead of waiting with it.
  if (FHost->Conexao().PegarTipoCon() == TTipoConexao::SQLite)
    FHost->Conexao().ExecuteScript("PRAGMA shrink_memory");
  return true;
}

DigitacaoHost::TDigitacao& TSessaoWeb::Tela(const std::string& aba,
                                            const DigitacaoHost::TOpcoesDigitacao& opcoes) {
  FOrdemTelas[aba] = ++FTelasAbertas;
  auto it = FTelas.find(aba);
  if (it != FTelas.end())
    return *it->second;
  if (FTelas.size() >= kMaxTelas) {
    const auto maisAntiga =
        std::min_element(FOrdemTelas.begin(), FOrdemTelas.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    FTelas.erase(maisAntiga->first);
    FOrdemTelas.erase(maisAntiga);
  }
  auto& tela = FTelas[aba];
  tela = std::make_unique<DigitacaoHost::TDigitacao>(FHost->Conexao(), opcoes);
  return *tela;
}

std::shared_ptr<TSessaoWeb> TSessoesWeb::Criar(int64_t usuario, std::unique_ptr<TSessaoHost> host,
                                               std::string hashSenha, TRelogio::time_point agora) {
  auto sessao = std::make_shared<TSessaoWeb>(usuario, std::move(host), std::move(hashSenha), agora);
  // The sessions ended here close their connections after the lock is gone.
  std::vector<std::shared_ptr<TSessaoWeb>> encerradas;
  std::lock_guard<std::mutex> trava(FTrava);
  const auto encerrarOciosa = [&](const auto& escolhida) {
    auto ociosa = FSessoes.end();
    for (auto it = FSessoes.begin(); it != FSessoes.end(); ++it)
      if (escolhida(*it->second) &&
          (ociosa == FSessoes.end() || it->second->UltimoUso() < ociosa->second->UltimoUso()))
        ociosa = it;
    encerradas.push_back(std::move(ociosa->second));
    FSessoes.erase(ociosa);
  };
  const auto doUsuario = [usuario](const TSessaoWeb& outra) { return outra.Usuario() == usuario; };
  if (static_cast<size_t>(std::count_if(FSessoes.begin(), FSessoes.end(), [&](const auto& item) {
        return doUsuario(*item.second);
      })) >= FMaxPorUsuario)
    encerrarOciosa(doUsuario);
  if (FSessoes.size() >= FMaxSessoes) {
    for (auto it = FSessoes.begin(); it != FSessoes.end();) {
      if (Expirada(*it->second, agora)) {
        encerradas.push_back(std::move(it->second));
        it = FSessoes.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (FSessoes.size() >= FMaxSessoes)
    encerrarOciosa([](const TSessaoWeb&) { return true; });
  FSessoes.emplace(sessao->Token(), sessao);
  return sessao;
}

std::shared_ptr<TSessaoWeb> TSessoesWeb::Procurar(const std::string& token,
                                                  TRelogio::time_point agora) {
  std::lock_guard<std::mutex> trava(FTrava);
  const auto it = FSessoes.find(token);
  if (it == FSessoes.end())
    return nullptr;
  if (Expirada(*it->second, agora)) {
    FSessoes.erase(it);
    return nullptr;
  }
  return it->second;
}

void TSessoesWeb::Encerrar(const std::string& token) {
  std::lock_guard<std::mutex> trava(FTrava);
  FSessoes.erase(token);
}

size_t TSessoesWeb::Quantidade() const {
  std::lock_guard<std::mutex> trava(FTrava);
  return FSessoes.size();
}

bool TSessoesWeb::Expirada(const TSessaoWeb& sessao, TRelogio::time_point agora) const {
  return agora - sessao.UltimoUso() > kOcioMaximo || agora - sessao.Criada() > kVidaMaxima;
}
