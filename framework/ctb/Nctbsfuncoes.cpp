#include "framework/ctb/Nctbsfuncoes.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/TnUtilControleLctoPadrao.h"
#include "framework/ctb/TnUtilCotacao.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/data/ClientDataSet.h"
#include "framework/data/Field.h"
#include "framework/db/Nutilsequence.h"
#include "framework/db/TnDMConexao.h"

namespace Nctbsfuncoes {

namespace {

std::string Aparar(const std::string& texto) {
  const auto inicio = texto.find_first_not_of(" \t\r\n");
  if (inicio == std::string::npos)
    return "";
  return texto.substr(inicio, texto.find_last_not_of(" \t\r\n") - inicio + 1);
}

TDbResult FiltroAtivo(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return conexao.ExecuteQuery(
      "select DATAINICIAL, DATAFINAL, ORIGENS from FILTROLCTOCTB where CODIGOUSUARIO = :pUsuario "
      "and ATIVO = '1' and (:pEmpresa = 0 or CODIGOEMPRESA = :pEmpresa) order by CODIGOEMPRESA",
      {{"pUsuario", conexao.CodigoUsuario()}, {"pEmpresa", codigoEmpresa}});
}

}  // namespace

bool FiltroLctoCtbAtivo(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return !FiltroAtivo(conexao, codigoEmpresa).Rows.empty();
}

bool CarregarFiltroLctoCtbAtivo(TnDMConexao& conexao, TDateTime& dataInicial, TDateTime& dataFinal,
                                std::string& filtro, int64_t codigoEmpresa) {
  const TDbResult ativo = FiltroAtivo(conexao, codigoEmpresa);
  if (ativo.Rows.empty())
    return false;
  const ValueArray& linha = ativo.Rows.front();
  dataInicial = linha[0].IsNull() ? TDateTime() : DateOf(linha[0].AsDateTime());
  dataFinal = linha[1].IsNull() ? TDateTime() : DateOf(linha[1].AsDateTime());
  filtro = linha[2].AsString();
  return true;
}

void MontarFiltroContaBalanco(TnDMConexao& conexao, int64_t codigoEmpresa, std::string& filtro) {
  const Value marcadas = conexao.ExecuteScalar(
      "select count(*) from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and ENTRABALANCO = '1'",
      {{"pEmpresa", codigoEmpresa}});
  filtro = marcadas.AsInteger() > 0 ? "P.ENTRABALANCO = '1'" : "";
}

bool PermiteAlterarLctoContabil(TnDMConexao& conexao, int64_t chaveLctoCtb, int64_t codigoEmpresa,
                                std::optional<int64_t> codigoEstab, TDateTime dataInicial,
                                TDateTime dataFinal) {
  std::string sql =
      "select count(*) from CONCBANCLCTO where CODIGOEMPRESA = :pEmpresa and CHAVELCTOCTB = "
      ":pChave and CONCILLCTOCTB = 1";
  TParams params{{"pEmpresa", codigoEmpresa}, {"pChave", chaveLctoCtb}};
  if (codigoEstab) {
    sql += " and CODIGOESTAB = :pEstab";
    params.emplace_back("pEstab", *codigoEstab);
  }
  if (!dataInicial.IsZero()) {
    sql += " and DATALCTOBANC >= :pInicio";
    params.emplace_back("pInicio", DateOf(dataInicial));
  }
  if (!dataFinal.IsZero()) {
    sql += " and DATALCTOBANC <= :pFim";
    params.emplace_back("pFim", DateOf(dataFinal));
  }
  return conexao.ExecuteScalar(sql, params).AsInteger() == 0;
}

int64_t PegarProximaTransacao(TnDMConexao& conexao, int64_t codigoEmpresa) {
  return Nutilsequence::ProximaTransacao(conexao, codigoEmpresa);
}

std::string ProcurarConta(TnDMConexao& conexao, int64_t codigoEmpresa, int64_t contaCtb) {
  const Value centros = conexao.ExecuteScalar(
      "select CENTROSCUSTO from CENTROCUSTOCONTA where CODIGOEMPRESA = :pEmpresa and CONTACTB = "
      ":pConta",
      {{"pEmpresa", Value(codigoEmpresa)}, {"pConta", Value(contaCtb)}});
  if (centros.IsNull())
    return "";
  return Nutilinclusao::FilterInterval("CODIGOCENTROCUSTO", centros.AsString(),
                                       Nutilinclusao::TTipoInclusao::tiNumerica, false, 0);
}

std::string ProcurarApelido(TnDMConexao& conexao, int64_t codigoEmpresa,
                            const Nctbsfuncoes_u::TMascGrupos& /*mascGrupos*/,
                            const std::string& apelido) {
  std::string chave = Aparar(apelido);
  if (chave.empty())
    return "";
  std::transform(chave.begin(), chave.end(), chave.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const Value conta = conexao.ExecuteScalar(
      "select min(CONTACTB) from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
      "upper(trim(APELIDOCONTA)) = :pApelido",
      {{"pEmpresa", codigoEmpresa}, {"pApelido", chave}});
  return conta.IsNull() ? "" : std::to_string(conta.AsInteger());
}

bool VerificarContaCtbInscrFederal(TnDMConexao& conexao, TField& campo, const std::string& texto,
                                   int64_t codigoEmpresa) {
  std::string digitos;
  for (char c : Aparar(texto)) {
    if (std::isdigit(static_cast<unsigned char>(c)))
      digitos += c;
    else if (c != '.' && c != '/' && c != '-')
      return false;
  }
  if (digitos.size() != 11 && digitos.size() != 14)
    return false;
  // Registrations are stored as typed: compare on their digits alone.
  const std::string semPontuacao =
      "replace(replace(replace(PA.INSCRFEDERAL, '.', ''), '/', ''), '-', '')";
  const Value conta = conexao.ExecuteScalar(
      "select min(PP.CONTACTB) from PARTICIPANTE PA join PLANOESPECPARTICIPANTE PP on "
      "PP.CODIGOEMPRESA = PA.CODIGOEMPRESA and PP.CODIGOPART = PA.CODIGOPART join PLANOESPEC P "
      "on P.CODIGOEMPRESA = PP.CODIGOEMPRESA and P.CONTACTB = PP.CONTACTB where "
      "PA.CODIGOEMPRESA = :pEmpresa and P.TIPOCONTA = 2 and " +
          semPontuacao + " = :pInscr",
      {{"pEmpresa", codigoEmpresa}, {"pInscr", digitos}});
  if (conta.IsNull())
    return false;
  campo.SetAsString(std::to_string(conta.AsInteger()));
  return true;
}

void VerificarPeriodoSelecionado(const TField& data, TDateTime inicio, TDateTime fim) {
  if (inicio.IsZero() || data.IsNull())
    return;
  const TDateTime dia = DateOf(data.AsDateTime());
  if (dia < inicio || dia > fim)
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaSelecao, DateToStr(inicio), DateToStr(fim)),
                  data.FieldName());
}

bool HouveAlteracoes(const TnClientDataSet& dataSet) {
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    const TField& campo = dataSet.Fields(i);
    if (campo.IsCalculated())
      continue;
    if (!(campo.NewValue() == campo.OldValue()))
      return true;
  }
  return false;
}

void LimparChavesSingletons() {
  ControleCTB().LimparChaveOld();
  UtilFCONT().LimparOlds();
  ControleOpcaoIFRS().LimparChave();
  ControleOpcaoMoedaFuncional().LimparChave();
}

std::string FormatarNomeDataCadastro(TnDMConexao& conexao, const Value& codigoUsuario,
                                     const Value& dataHora) {
  std::string texto;
  if (!codigoUsuario.IsNull()) {
    const Value nome =
        conexao.ExecuteScalar("select NOMEUSUARIO from USUARIO where CODIGOUSUARIO = :pUsuario",
                              {{"pUsuario", codigoUsuario}});
    texto = " por " + std::to_string(codigoUsuario.AsInteger());
    if (!nome.IsNull() && !nome.AsString().empty())
      texto += " - " + nome.AsString();
  }
  if (!dataHora.IsNull())
    texto += " em " + FormatDateTime("dd/mm/yyyy hh:nn", dataHora.AsDateTime());
  return texto.empty() ? texto : "Cadastrado" + texto;
}

}  // namespace Nctbsfuncoes

double TnControleTransacao::Pegar(double numeroImportado) {
  const auto achou = FNumeros.find(numeroImportado);
  if (achou != FNumeros.end())
    return achou->second;
  const double numero = PegarProximo();
  FNumeros.emplace(numeroImportado, numero);
  return numero;
}

double TnControleTransacao::PegarProximo() {
  return static_cast<double>(Nctbsfuncoes::PegarProximaTransacao(FConexao, FCodigoEmpresa));
}
