#include "framework/app/TnDMPowerParam.h"

#include <map>
#include <optional>
#include <typeinfo>

#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/Value.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"

namespace {

// The session's remembered parameter values: class -> (upper-case alias ->
// text). A worker's session starts without any; what its run remembers is
// handed back with the result.
struct TParamsLembrados {
  std::map<std::string, TnValoresParams> PorClasse;
};

std::map<std::string, TnValoresParams>& ParamsLembrados() {
  return TnSessao::Atual().Servico<TParamsLembrados>().PorClasse;
}

}  // namespace

// ---- TnpqParamItem ----

void TnpqParamItem::SetDefault(const std::string& texto) {
  FDefault = texto;
  FValor = texto;
}

std::vector<std::pair<std::string, std::string>> TnpqParamItem::ItensCombo() const {
  std::vector<std::pair<std::string, std::string>> itens;
  for (const std::string& item : Nutil::StrToStrArray(FItens, ";")) {
    if (Nutil::Trim(item).empty())
      continue;
    const size_t igual = item.find('=');
    if (igual == std::string::npos)
      itens.emplace_back(item, item);
    else
      itens.emplace_back(item.substr(0, igual), item.substr(igual + 1));
  }
  return itens;
}

void TnpqParamItem::SetValor(const std::string& texto) {
  if (FTipo == TTipoParam::tpCombo && !Nutil::Trim(texto).empty()) {
    bool existe = false;
    for (const auto& item : ItensCombo())
      existe = existe || item.second == texto;
    if (!existe)
      throw Exception("Valor inválido para o parâmetro " + FCaption + ": " + texto);
  }
  FValor = texto;
}

bool TnpqParamItem::Vazio() const {
  return Nutil::Trim(FValor).empty();
}

int64_t TnpqParamItem::AsInteger(int64_t padrao) const {
  if (Vazio())
    return padrao;
  try {
    return Value(Nutil::Trim(FValor)).AsInteger();
  } catch (const std::exception&) {
    return padrao;
  }
}

double TnpqParamItem::AsFloat(double padrao) const {
  if (Vazio())
    return padrao;
  try {
    return Value(Nutil::Trim(FValor)).AsFloat();
  } catch (const std::exception&) {
    return padrao;
  }
}

TDateTime TnpqParamItem::AsDate(TDateTime padrao) const {
  std::optional<TDateTime> data = ParseDate(Nutil::Trim(FValor));
  return data ? *data : padrao;
}

bool TnpqParamItem::AsBoolean(bool padrao) const {
  const std::string texto = Nutil::UpperCase(Nutil::Trim(FValor));
  if (texto.empty())
    return padrao;
  if (texto == "TRUE" || texto == "S")
    return true;
  if (texto == "FALSE" || texto == "N")
    return false;
  try {
    return Value(texto).AsInteger() == 1;
  } catch (const std::exception&) {
    return padrao;
  }
}

// ---- TnpqPowerParam ----

TnpqParamItem& TnpqPowerParam::Add(const std::string& alias, const std::string& caption,
                                   TTipoParam tipo, const std::string& padrao, bool obrigatorio) {
  if (ParamUnCheck(alias) != nullptr)
    throw Exception("Parâmetro duplicado: " + alias);
  FItens.push_back(std::make_unique<TnpqParamItem>(alias, caption, tipo));
  TnpqParamItem& item = *FItens.back();
  item.SetDefault(padrao);
  item.Obrigatorio = obrigatorio;
  return item;
}

TnpqParamItem& TnpqPowerParam::Param(const std::string& alias) {
  if (TnpqParamItem* item = ParamUnCheck(alias))
    return *item;
  throw Exception("Parâmetro inexistente: " + alias);
}

TnpqParamItem* TnpqPowerParam::ParamUnCheck(const std::string& alias) {
  const std::string chave = Nutil::UpperCase(alias);
  for (const auto& item : FItens) {
    if (Nutil::UpperCase(item->Alias()) == chave)
      return item.get();
  }
  return nullptr;
}

// ---- TnDMPowerParam ----

TnDMPowerParam::TnDMPowerParam() = default;

TnDMPowerParam::~TnDMPowerParam() {
  // A module freed while its worker runs waits for it; the result is dropped.
  if (FThread.joinable())
    FThread.join();
  if (FSessaoParalela)
    SetConexao(FConexaoAnterior);
}

std::string TnDMPowerParam::ChaveClasse() const {
  return Nutil::UpperCase(ClassName().empty() ? typeid(*this).name() : ClassName());
}

void TnDMPowerParam::Executar() {
  Mensagens().Limpar();
  for (size_t i = 0; i < npqPowerParam.Count(); ++i) {
    const TnpqParamItem& item = npqPowerParam.Item(i);
    if (item.Obrigatorio && item.Vazio())
      throw Exception("O parâmetro " + item.Caption() + " é obrigatório!");
  }
  GravarParamsINI();
}

void TnDMPowerParam::GravarParamsINI() {
  TnValoresParams valores;
  for (size_t i = 0; i < npqPowerParam.Count(); ++i) {
    TnpqParamItem& item = npqPowerParam.Item(i);
    valores[Nutil::UpperCase(item.Alias())] = item.AsString();
  }
  ParamsLembrados()[ChaveClasse()] = std::move(valores);
}

void TnDMPowerParam::CarregarParamsINI() {
  auto it = ParamsLembrados().find(ChaveClasse());
  if (it == ParamsLembrados().end())
    return;
  const TnValoresParams valores = it->second;
  for (size_t i = 0; i < npqPowerParam.Count(); ++i) {
    TnpqParamItem& item = npqPowerParam.Item(i);
    auto valor = valores.find(Nutil::UpperCase(item.Alias()));
    if (valor != valores.end())
      item.SetValor(valor->second);
  }
}

void TnDMPowerParam::LimparParamsINI() {
  ParamsLembrados().erase(ChaveClasse());
  for (size_t i = 0; i < npqPowerParam.Count(); ++i) {
    TnpqParamItem& item = npqPowerParam.Item(i);
    item.SetValor(item.Default());
  }
}

void TnDMPowerParam::ExecutarParalelo() {
  if (EmExecucaoParalela())
    throw Exception("O processo já está em execução");
  // The worker's session is made here, on the caller's thread, which owns
  // the module's connection and the caller's session; the worker only uses
  // it. Without a session the worker still gets one over the clone.
  TnSessao* atual = TnSessao::AtualOuNula();
  FSessaoParalela =
      atual ? atual->Derivar(Conexao()) : std::make_unique<TnSessao>(Conexao().Clonar());
  FConexaoAnterior = ConexaoDefinida();
  SetConexao(&FSessaoParalela->Conexao());
  FErroEntrega.clear();
  FTerminou.store(false);
  FResultado = TnResultadoParalelo{};
  FResultadoPendente = true;
  FThread = std::thread([this] {
    TUsarSessao usar(*FSessaoParalela);
    TnResultadoParalelo resultado;
    try {
      Executar();
    } catch (const std::exception& e) {
      resultado.Sucesso = false;
      resultado.Erro = e.what();
    } catch (...) {
      resultado.Sucesso = false;
      resultado.Erro = "Erro desconhecido na execução do processo";
    }
    // What the run remembered travels back with its result.
    auto lembrados = ParamsLembrados().find(ChaveClasse());
    if (lembrados != ParamsLembrados().end())
      resultado.ParamsLembrados = lembrados->second;
    FResultado = std::move(resultado);
    FTerminou.store(true, std::memory_order_release);
  });
}

bool TnDMPowerParam::ProcessarParalelo() {
  if (!FResultadoPendente || !FTerminou.load(std::memory_order_acquire))
    return false;
  Entregar();
  return true;
}

bool TnDMPowerParam::AguardarParalelo() {
  if (!FResultadoPendente)
    return false;
  Entregar();
  return true;
}

void TnDMPowerParam::Entregar() {
  if (FThread.joinable())
    FThread.join();
  FResultadoPendente = false;
  SetConexao(FConexaoAnterior);
  FSessaoParalela.reset();
  FConexaoAnterior = nullptr;
  if (FResultado.ParamsLembrados)
    ParamsLembrados()[ChaveClasse()] = *FResultado.ParamsLembrados;
  try {
    OnProcessarResultadoParalelo(FResultado);
  } catch (const std::exception& e) {
    FErroEntrega = e.what();
    Msg(TTipoMensagem::tmErro, FErroEntrega);
  }
}

void TnDMPowerParam::OnProcessarResultadoParalelo(const TnResultadoParalelo& resultado) {
  if (!resultado.Sucesso)
    Msg(TTipoMensagem::tmErro, resultado.Erro);
}
