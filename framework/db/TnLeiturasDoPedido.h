#pragma once
// Answers a session keeps for the rest of the request it serves. A screen
// asks for its settings many times per request and, on the web, where
// another session may change them between requests, would read them at
// every question; with this service installed it reads them once per
// request. The web server installs it and empties it as each request
// begins; a session without it (the command line) reads every time.

#include <map>
#include <string>

#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

class TnLeiturasDoPedido {
 public:
  void Limpar() { FLidas.clear(); }
  // What `sessao` keeps is read again at the next question.
  static void Esquecer(TnSessao& sessao) {
    if (TnLeiturasDoPedido* leituras = sessao.Procurar<TnLeiturasDoPedido>())
      leituras->Limpar();
  }

  // The rows of `sql` with `params` on `sessao`'s connection, read once per
  // request when the session keeps them.
  static TDbResult Ler(TnSessao& sessao, const std::string& sql, const TParams& params) {
    TnLeiturasDoPedido* leituras = sessao.Procurar<TnLeiturasDoPedido>();
    if (leituras == nullptr)
      return sessao.Conexao().ExecuteQuery(sql, params);
    std::string chave = sql;
    for (const auto& [nome, valor] : params)
      chave += '\n' + nome + '=' + (valor.IsNull() ? std::string("\x01") : valor.AsString());
    auto [achada, nova] = leituras->FLidas.try_emplace(std::move(chave));
    if (nova) {
      try {
        achada->second = sessao.Conexao().ExecuteQuery(sql, params);
      } catch (...) {
        leituras->FLidas.erase(achada);
        throw;
      }
    }
    return achada->second;
  }

  // The first column of the first row; null when there is no row.
  static Value LerValor(TnSessao& sessao, const std::string& sql, const TParams& params) {
    const TDbResult linhas = Ler(sessao, sql, params);
    return linhas.Rows.empty() ? Value() : linhas.Rows.front().front();
  }

 private:
  std::map<std::string, TDbResult> FLidas;
};
