#include "framework/ctb/TnUtilCtb.h"

#include <fmt/format.h>

#include <cctype>

#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/db/TnSessao.h"

namespace {

// Letters and digits only: the group prefix and the classification compare
// without the mask's dots.
std::string SemPontuacao(const std::string& texto) {
  std::string resultado;
  for (char c : texto)
    if (std::isalnum(static_cast<unsigned char>(c)))
      resultado += c;
  return resultado;
}

}  // namespace

TnNaturezasGrupo::TnNaturezasGrupo(TnDMConexao& conexao, int64_t codigoEmpresa)
    : FCodigoEmpresa(codigoEmpresa) {
  const TDbResult grupos = conexao.ExecuteQuery(
      "select CLASSIFGRUPO, NATUREZA from NATUREZAGRUPO where CODIGOEMPRESA = :pEmpresa",
      {{"pEmpresa", codigoEmpresa}});
  for (const ValueArray& linha : grupos.Rows) {
    const std::string prefixo = SemPontuacao(linha[0].AsString());
    if (!prefixo.empty())
      FNaturezas[prefixo] = static_cast<int>(linha[1].AsInteger());
  }
}

std::optional<int> TnNaturezasGrupo::ProcurarNatureza(const std::string& classificacao) const {
  std::string chave = SemPontuacao(classificacao);
  // Longest prefix first: cut one character at a time.
  for (; !chave.empty(); chave.pop_back()) {
    const auto achou = FNaturezas.find(chave);
    if (achou != FNaturezas.end())
      return achou->second;
  }
  return std::nullopt;
}

int TnNaturezasGrupo::NaturezaGrupo(const std::string& classificacao) const {
  const std::optional<int> natureza = ProcurarNatureza(classificacao);
  if (!natureza)
    throw Exception(fmt::format(
        "Não há natureza cadastrada para o grupo da classificação \"{}\" na empresa {}!",
        classificacao, FCodigoEmpresa));
  return *natureza;
}

void TnUtilCtb::SetCodigoEmpresa(int64_t codigoEmpresa) {
  FCodigoEmpresa = codigoEmpresa;
}

void TnUtilCtb::SetConta(int64_t conta, const std::string& textoLookup) {
  FConta = conta;
  FTextoLookup = textoLookup;
}

void TnUtilCtb::LimparChave() {
  FChaveEmpresa.reset();
  FCfgEmpresa.reset();
  FCodigoPadrao = Value();
  FNaturezas = TnNaturezasGrupo();
  FChaveConta.reset();
  FDadosConta.reset();
}

void TnUtilCtb::CarregarEmpresa() {
  TnDMConexao& conexao = Conexao();
  if (FChaveEmpresa == FCodigoEmpresa)
    return;
  const TDbResult cfg = conexao.ExecuteQuery(
      "select DATAINICIALEXERC, DATAFINALEXERC, UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE, "
      "UTILCENTROCUSTO, INICIOUTILCENTROCUSTO, UTILDIFLANCAMENTO, TIPOEXIBETITULOSALDO, "
      "DATAINICIALLCTOUSU, DATAFINALLCTOUSU, UTILULTIMOSLCTO, INFORMACODIGOSYN, CODIGOPADRAO "
      "from CFGEMPRESACTB where CODIGOEMPRESA = :pEmpresa",
      {{"pEmpresa", FCodigoEmpresa}});
  FCfgEmpresa.reset();
  FCodigoPadrao = Value();
  if (!cfg.Rows.empty()) {
    const ValueArray& linha = cfg.Rows.front();
    ValueArray itens(linha.begin(), linha.begin() + kCfgQtdItens);
    // Dates come back as dates on every engine, without a time part.
    for (int item : {kCfgDataInicialExerc, kCfgDataFinalExerc, kCfgInicioUtilCentroCusto,
                     kCfgDataInicialLctoUsu, kCfgDataFinalLctoUsu}) {
      Value& valor = itens[static_cast<size_t>(item)];
      if (!valor.IsNull())
        valor = Data(valor);
    }
    Value& tipoExibe = itens[kCfgTipoExibeTituloSaldo];
    if (!tipoExibe.IsNull())
      tipoExibe = tipoExibe.AsInteger();
    FCfgEmpresa = std::move(itens);
    FCodigoPadrao = linha[kCfgQtdItens];
  }
  FNaturezas = TnNaturezasGrupo(conexao, FCodigoEmpresa);
  FChaveEmpresa = FCodigoEmpresa;
  FChaveConta.reset();
  FDadosConta.reset();
  ++FLeiturasEmpresa;
}

const std::optional<ValueArray>& TnUtilCtb::GetCFGEmpresaCtb() {
  CarregarEmpresa();
  return FCfgEmpresa;
}

Value TnUtilCtb::GetCodigoPadrao() {
  CarregarEmpresa();
  return FCodigoPadrao;
}

const TnNaturezasGrupo& TnUtilCtb::Naturezas() {
  CarregarEmpresa();
  return FNaturezas;
}

void TnUtilCtb::CarregarConta() {
  CarregarEmpresa();
  const std::pair<int64_t, int64_t> chave{FCodigoEmpresa, FConta};
  if (FChaveConta == chave)
    return;
  TnDMConexao& conexao = Conexao();
  const TDbResult conta = conexao.ExecuteQuery(
      "select CLASSIFCONTA, DESCRCONTA, TIPOCONTA, TIPOCOTACAO, APELIDOCONTA, "
      "TIPOCONTROLECONTABIL from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and CONTACTB = "
      ":pConta",
      {{"pEmpresa", FCodigoEmpresa}, {"pConta", FConta}});
  FDadosConta.reset();
  if (!conta.Rows.empty()) {
    const ValueArray& linha = conta.Rows.front();
    TDadosConta dados;
    dados.ContaCtb = FConta;
    dados.ClassifConta = linha[0].AsString();
    dados.DescrConta = linha[1].AsString();
    dados.TipoConta = static_cast<int>(linha[2].AsInteger());
    if (!linha[3].IsNull())
      dados.TipoCotacao = static_cast<TTipoCotacaoConta>(linha[3].AsInteger());
    dados.ApelidoConta = linha[4].AsString();
    dados.TipoControleContabil = linha[5].AsString();
    const std::string classifPai =
        Nctbsfuncoes_u::RetirarUltimoNivelClassificacao(dados.ClassifConta);
    if (!classifPai.empty()) {
      const TDbResult pai = conexao.ExecuteQuery(
          "select CONTACTB, DESCRCONTA from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
          "CLASSIFCONTA = :pClassif",
          {{"pEmpresa", FCodigoEmpresa}, {"pClassif", classifPai}});
      if (!pai.Rows.empty()) {
        dados.ContaPai = pai.Rows.front()[0].AsInteger();
        dados.DescrPai = pai.Rows.front()[1].AsString();
      }
    }
    FDadosConta = std::move(dados);
  }
  FChaveConta = chave;
}

bool TnUtilCtb::GetContaValida() {
  CarregarConta();
  return FDadosConta.has_value();
}

const TDadosConta& TnUtilCtb::DadosConta() {
  CarregarConta();
  if (!FDadosConta)
    throw Exception(fmt::format("A conta contábil {} não existe no plano de contas da empresa {}!",
                                FConta, FCodigoEmpresa));
  return *FDadosConta;
}

int TnUtilCtb::GetNatureza() {
  return Naturezas().NaturezaGrupo(DadosConta().ClassifConta);
}

std::string TnUtilCtb::ContaPai() {
  CarregarConta();
  if (!FDadosConta || FDadosConta->ContaPai == 0)
    return "";
  return std::to_string(FDadosConta->ContaPai);
}

std::string TnUtilCtb::DescrPai() {
  CarregarConta();
  return FDadosConta ? FDadosConta->DescrPai : "";
}

const TnNaturezasGrupo& TnUtilNaturezaGrupoContaPlanoEspecifico::CfgPlano(int64_t codigoEmpresa) {
  TnDMConexao& conexao = Conexao();
  auto achou = FPlanos.find(codigoEmpresa);
  if (achou == FPlanos.end())
    achou = FPlanos.emplace(codigoEmpresa, TnNaturezasGrupo(conexao, codigoEmpresa)).first;
  return achou->second;
}

TnUtilCtb& ControleCTB() {
  return TnSessao::Atual().Servico<TnUtilCtb>();
}

TnUtilNaturezaGrupoContaPlanoEspecifico& PlanoEspecifico() {
  return TnSessao::Atual().Servico<TnUtilNaturezaGrupoContaPlanoEspecifico>();
}
