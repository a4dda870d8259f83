#include "deletedlog/nCtbServicoLctoCtbExcluidoRepositorio_U.h"

#include <cassert>

#include "framework/core/Nutil.h"
#include "framework/core/Nutilfiltro_u.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"

namespace {

using Nutilinclusao::TTipoInclusao;

// The columns of a probe that returns no row, in the table's order.
std::string Colunas(TnDMConexao& conexao, const std::string& sonda) {
  std::string campos;
  for (const TDbColumn& coluna : conexao.ExecuteQuery(sonda).Columns)
    campos += ", " + coluna.Name;
  return campos.empty() ? campos : campos.substr(2);
}

std::string Inteiro(int64_t valor) {
  return Nutil::ValorParaSQL(Value(valor), TDbColumnKind::Integer);
}

// The column list with its first CHAVELCTOCTB (in any case) replaced by the
// key the restored rows take.
std::string ComChave(const std::string& campos, int64_t chaveLctoCtb) {
  const std::string maiusculas = Nutil::UpperCase(campos);
  const size_t posicao = maiusculas.find("CHAVELCTOCTB");
  if (posicao == std::string::npos)
    return campos;
  std::string lista = campos;
  lista.replace(posicao, 12, Inteiro(chaveLctoCtb) + " AS CHAVELCTOCTB");
  return lista;
}

std::string Restaurar(const char* tabela, const std::string& campos, const char* tabelaLog,
                      int64_t codigoEmpresa, int64_t id, int64_t chave) {
  return std::string("insert into ") + tabela + " (" + campos + ") select " +
         ComChave(campos, chave) + " from " + tabelaLog + " where IDLCTOCTBEXCL = " + Inteiro(id) +
         " and CODIGOEMPRESA = " + Inteiro(codigoEmpresa);
}

// The split rows of an entry copied into their log table under `id`.
std::string CopiarRateio(const char* tabelaLog, const std::string& campos, const char* tabela,
                         int64_t codigoEmpresa, int64_t chave, int64_t id) {
  return std::string("insert into ") + tabelaLog + " (IDLCTOCTBEXCL, " + campos + ") select " +
         Inteiro(id) + ", " + campos + " from " + tabela +
         " where CODIGOEMPRESA = " + Inteiro(codigoEmpresa) +
         " and CHAVELCTOCTB = " + Inteiro(chave);
}

}  // namespace

TnCtbServicoLctoCtbExcluidoRepositorio::TnCtbServicoLctoCtbExcluidoRepositorio(TnDMConexao& conexao)
    : FConexao(conexao),
      FCamposLctoCtb(
          Colunas(conexao, "select * from LCTOCTB where CODIGOEMPRESA = -1 and CHAVELCTOCTB = -1")),
      FCamposLctoGer(Colunas(conexao,
                             "select * from LCTOGER where CODIGOEMPRESA = -1 and CHAVELCTOCTB = -1 "
                             "and NATURLCTOCTB = -1 and CODIGOCENTROCUSTO = -1")),
      FCamposLctoAtiv(Colunas(conexao,
                              "select * from LCTOATIVDIFERENC where CODIGOEMPRESA = -1 and "
                              "CHAVELCTOCTB = -1 and CONTACTB = -1 and CODIGOATIVDIF = -1 and "
                              "NATURLCTOCTB = -1")) {}

// "insert into LCTOCTBEXCLUIDO (...) select ..., now, user" up to the from.
std::string TnCtbServicoLctoCtbExcluidoRepositorio::CabecalhoExcluido(
    const std::string& comId) const {
  return "insert into LCTOCTBEXCLUIDO (" + std::string(comId.empty() ? "" : "IDLCTOCTBEXCL, ") +
         FCamposLctoCtb + ", DATAEXCLUSAO, USUARIOEXCLUSAO) select " + comId + FCamposLctoCtb +
         ", " + Nutil::ValorParaSQL(Value(Now())) + " DATAEXCLUSAO, " +
         Inteiro(FConexao.CodigoUsuario()) + " USUARIOEXCLUSAO from LCTOCTB ";
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoCtbExclIndividual(
    int64_t codigoEmpresa, int64_t chaveLctoCtb) const {
  return CabecalhoExcluido("") + "where CODIGOEMPRESA = " + Inteiro(codigoEmpresa) +
         " and CHAVELCTOCTB = " + Inteiro(chaveLctoCtb);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoCtbExclIndividual(
    int64_t codigoEmpresa, int64_t chaveLctoCtb, int64_t idLctoCtbExcl) const {
  return CabecalhoExcluido(Inteiro(idLctoCtbExcl) + ", ") +
         "where CODIGOEMPRESA = " + Inteiro(codigoEmpresa) +
         " and CHAVELCTOCTB = " + Inteiro(chaveLctoCtb);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoGerExclIndividual(
    int64_t codigoEmpresa, int64_t chaveLctoCtb, int64_t idLctoCtbExcl) const {
  return CopiarRateio("LCTOGEREXCLUIDO", FCamposLctoGer, "LCTOGER", codigoEmpresa, chaveLctoCtb,
                      idLctoCtbExcl);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoAtivExclIndividual(
    int64_t codigoEmpresa, int64_t chaveLctoCtb, int64_t idLctoCtbExcl) const {
  return CopiarRateio("LCTOATIVDIFERENCEXCL", FCamposLctoAtiv, "LCTOATIVDIFERENC", codigoEmpresa,
                      chaveLctoCtb, idLctoCtbExcl);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoCtbExclColetivo(
    int64_t codigoEmpresa, const TParansLctoCtbExcl& parans) const {
  return CabecalhoExcluido("") + "where CODIGOEMPRESA = " + Inteiro(codigoEmpresa) +
         MontarFiltroParansLctoCtbExcl(parans, "");
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLChaveLctoCtbColetivo(
    int64_t codigoEmpresa, const TParansLctoCtbExcl& parans) const {
  return "select L.CHAVELCTOCTB, (select max(G.CODIGOCENTROCUSTO) from LCTOGER G where "
         "L.CODIGOEMPRESA = G.CODIGOEMPRESA and L.CHAVELCTOCTB = G.CHAVELCTOCTB) "
         "CODIGOCENTROCUSTO, (select max(A.CODIGOATIVDIF) from LCTOATIVDIFERENC A where "
         "L.CODIGOEMPRESA = A.CODIGOEMPRESA and L.CHAVELCTOCTB = A.CHAVELCTOCTB) CODIGOATIVDIF "
         "from LCTOCTB L where L.CODIGOEMPRESA = " +
         Inteiro(codigoEmpresa) + MontarFiltroParansLctoCtbExcl(parans, "L");
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLDeleteLctoCtbExclIndividual(
    int64_t codigoEmpresa, int64_t idLctoCtbExcl) const {
  return "delete from LCTOCTBEXCLUIDO where IDLCTOCTBEXCL = " + Inteiro(idLctoCtbExcl) +
         " and CODIGOEMPRESA = " + Inteiro(codigoEmpresa);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoCtbIndividual(
    int64_t codigoEmpresa, int64_t idLctoCtbExcl, int64_t chaveLctoCtb) const {
  return Restaurar("LCTOCTB", FCamposLctoCtb, "LCTOCTBEXCLUIDO", codigoEmpresa, idLctoCtbExcl,
                   chaveLctoCtb);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetSQLInsertLctoGerIndividual(
    int64_t codigoEmpresa, int64_t idLctoCtbExcl, int64_t chaveLctoCtb) const {
  return Restaurar("LCTOGER", FCamposLctoGer, "LCTOGEREXCLUIDO", codigoEmpresa, idLctoCtbExcl,
                   chaveLctoCtb);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::GetAQLInsertLctoAtivIndividual(
    int64_t codigoEmpresa, int64_t idLctoCtbExcl, int64_t chaveLctoCtb) const {
  return Restaurar("LCTOATIVDIFERENC", FCamposLctoAtiv, "LCTOATIVDIFERENCEXCL", codigoEmpresa,
                   idLctoCtbExcl, chaveLctoCtb);
}

std::string TnCtbServicoLctoCtbExcluidoRepositorio::MontarFiltroParansLctoCtbExcl(
    const TParansLctoCtbExcl& parans, const std::string& prefixo) {
  const auto coluna = [&](const char* nome) {
    return prefixo.empty() ? std::string(nome) : prefixo + "." + nome;
  };
  const auto intervalo = [&](const char* nome, const std::string& texto, TTipoInclusao tipo) {
    return Nutilinclusao::FilterInterval(coluna(nome), Nutil::Trim(texto), tipo, true, 1);
  };
  const auto limite = [&](const char* nome, const char* operador, const std::string& literal) {
    return std::string(" and ") + coluna(nome) + operador + literal;
  };
  std::string filtro;
  if (!parans.DataInicial.IsZero())
    filtro += limite("DATALCTOCTB",
                     " >= ", Nutil::ValorParaSQL(Value(parans.DataInicial), TDbColumnKind::Date));
  if (!parans.DataFinal.IsZero())
    filtro += limite("DATALCTOCTB",
                     " <= ", Nutil::ValorParaSQL(Value(parans.DataFinal), TDbColumnKind::Date));
  if (!parans.ContaCtb.empty())
    filtro += Nctbsfuncoes_u::FiltroContaCrediteDebiteCtb(
        coluna("CONTACTBDEB"), coluna("CONTACTBCRED"), parans.ContaCtb, parans.DebiteCredite);
  if (!parans.CodigoEstab.empty())
    filtro += intervalo("CODIGOESTAB", parans.CodigoEstab, TTipoInclusao::tiNumerica);
  if (parans.ChaveInicial != 0)
    filtro +=
        limite("CHAVELCTOCTB",
               " >= ", Nutil::ValorParaSQL(Value(parans.ChaveInicial), TDbColumnKind::Integer));
  if (parans.ChaveFinal != 0)
    filtro += limite("CHAVELCTOCTB",
                     " <= ", Nutil::ValorParaSQL(Value(parans.ChaveFinal), TDbColumnKind::Integer));
  if (parans.TransCtbInicial != 0)
    filtro += limite("TRANSCTB", " >= ", Nutil::ValorParaSQL(Value(parans.TransCtbInicial)));
  if (parans.TransCtbFinal != 0)
    filtro += limite("TRANSCTB", " <= ", Nutil::ValorParaSQL(Value(parans.TransCtbFinal)));
  if (!parans.CodigoHistCtb.empty())
    filtro += intervalo("CODIGOHISTCTB", parans.CodigoHistCtb, TTipoInclusao::tiNumerica);
  // The quotes of the typed texts are doubled by the literal: a text never
  // ends the statement's string.
  if (!parans.ComplementoHist.empty())
    filtro += " and UPPER(" + coluna("COMPLHIST") + ") like (" +
              Nutil::ValorParaSQL(Value("%" + Nutil::UpperCase(parans.ComplementoHist) + "%")) +
              ")";
  if (!parans.NumDocumento.empty())
    filtro +=
        limite("NUMERODCTO", " = ", Nutil::ValorParaSQL(Value(Nutil::Trim(parans.NumDocumento))));
  if (!parans.CodigoUsuario.empty())
    filtro += intervalo("CODIGOUSUARIO", parans.CodigoUsuario, TTipoInclusao::tiNumerica);
  if (!parans.OrigemLcto.empty())
    filtro += intervalo("CODIGOORIGLCTOCTB", parans.OrigemLcto, TTipoInclusao::tiTexto);
  if (!parans.Lote.empty())
    filtro += intervalo("CODIGOLOTECTB", parans.Lote, TTipoInclusao::tiNumerica);
  if (!parans.IdSyn.empty())
    filtro += intervalo("IDSYN", parans.IdSyn, TTipoInclusao::tiNumerica);
  if (!parans.DataHoraAlteracaoInicial.empty() || !parans.DataHoraAlteracaoFinal.empty()) {
    const auto limiteTexto = [](const std::string& texto) {
      return texto.empty() ? Value() : Value(texto);
    };
    filtro += Nutilfiltro_u::FiltroEntre("cast(" + coluna("DATAHORALCTOCTB") + " as date)",
                                         limiteTexto(parans.DataHoraAlteracaoInicial),
                                         limiteTexto(parans.DataHoraAlteracaoFinal),
                                         Nutilfiltro_u::TTipoCampoFiltro::tcData, true);
  }
  return filtro;
}

namespace nCtbServicoLctoCtbExcluidoRepositorio_U {

std::vector<std::vector<std::string>> Split(const std::vector<std::string>& valores,
                                            size_t tamanho) {
  assert(tamanho >= 1);
  std::vector<std::vector<std::string>> pedacos;
  for (size_t inicio = 0; inicio < valores.size(); inicio += tamanho)
    pedacos.emplace_back(
        valores.begin() + static_cast<std::ptrdiff_t>(inicio),
        valores.begin() + static_cast<std::ptrdiff_t>(std::min(valores.size(), inicio + tamanho)));
  return pedacos;
}

std::string Join(const std::string& separador, const std::vector<std::string>& valores) {
  std::string texto;
  for (const std::string& valor : valores)
    Nutil::Add(texto, valor, separador);
  return texto;
}

std::string CriarFiltroIn(const std::string& campo, const std::string& valores, size_t tamanho) {
  if (Nutil::Trim(valores).empty())
    return "";
  std::vector<std::string> condicoes;
  for (const std::vector<std::string>& pedaco : Split(Nutil::StrToStrArray(valores, ";"), tamanho))
    condicoes.push_back("(" +
                        Nutilinclusao::FilterInterval(campo, Join(";", pedaco),
                                                      TTipoInclusao::tiNumerica, false, 0) +
                        ")");
  const std::string juntas = Join(" or ", condicoes);
  return juntas.empty() ? juntas : "(" + juntas + ")";
}

}  // namespace nCtbServicoLctoCtbExcluidoRepositorio_U
