#pragma once
// The messages of the accounting base library, named by identifier. A refusal
// raises one of these texts; a question asks one. Texts are formal Brazilian
// Portuguese and carry {fmt} placeholders where the caller supplies values
// (dates already as dd/mm/yyyy, amounts already formatted, accounts as
// typed), so `nCtbS::Formatar(nCtbSDataLctoForaDoExercicio, inicio, fim)`
// gives the final text. A message without placeholders is used as it is and
// may be extended by concatenation (nCtbSTipoCentroCustoSintetico + texto).

#include <fmt/format.h>

#include <cassert>
#include <span>
#include <string>
#include <string_view>

// No arguments.
inline constexpr char nCtbSApelidoInexistente[] =
    "Não existe conta contábil com o apelido informado!";
inline constexpr char nCtbSContaDebCredNula[] =
    "Informe a conta a débito e/ou a conta a crédito do lançamento!";
inline constexpr char nCtbSLctoMesmaContaDedCred[] =
    "A conta a débito não pode ser igual à conta a crédito!";
inline constexpr char nCtbSLctoDebCredZerado[] = "O valor do lançamento deve ser maior que zero!";
inline constexpr char nCtbSTipoContaInvalidaDeb[] =
    "A conta a débito é sintética! Informe uma conta analítica.";
inline constexpr char nCtbSTipoContaInvalidaCred[] =
    "A conta a crédito é sintética! Informe uma conta analítica.";
inline constexpr char nCtbSOrigemNaoConfereComLote[] =
    "A origem do lançamento não confere com a origem do lote!";
inline constexpr char nCtbSLoteFechadoNaoPermiteAlteracao[] =
    "O lote está fechado e não permite inclusões, alterações ou exclusões de lançamentos!";
inline constexpr char nCtbSPeriodoLancUsuNaoEspecificado[] =
    "O período permitido para lançamentos dos usuários não foi especificado na configuração "
    "contábil da empresa!";
inline constexpr char nCtbSEmpresaNaoUsaCentroCusto[] = "A empresa não utiliza centro de custo!";
inline constexpr char nCtbSDataCentroCustoInicial[] =
    "A data do lançamento é anterior à data inicial de utilização de centro de custo da empresa!";
inline constexpr char nCtbSTipoCentroCustoSintetico[] =
    "O centro de custo informado é sintético! Informe um centro de custo analítico.";
inline constexpr char nCtbSRatCenCustoValPerc[] =
    "A soma dos percentuais de rateio por centro de custo deve estar entre 0,01% e 100%!";

// {0}: the account as typed.
inline constexpr char nCtbSAvisoContaPartidaDobrada[] =
    "A conta {0} deve ser utilizada somente em lançamentos de partida dobrada (com débito e "
    "crédito)!\r\nDeseja gravar o lançamento assim mesmo?";
inline constexpr char nCtbSLctoConcilBancaria[] =
    "O lançamento da conta {0} está conciliado na conciliação bancária. A alteração da conta, da "
    "filial ou do valor pode invalidar a conciliação!\r\nDeseja gravar o lançamento assim mesmo?";
// {0}: the last date the personalisation permits.
inline constexpr char nCtbSDataLctoForaPersonalizacao[] =
    "A data do lançamento não pode ser posterior a {0}, data final permitida na personalização do "
    "sistema!";
// {0}, {1}: first and last day of the period.
inline constexpr char nCtbSDataLctoForaDoExercicio[] =
    "A data do lançamento deve estar dentro do exercício social: de {0} a {1}!";
inline constexpr char nCtbSDataLctoForaSelecao[] =
    "A data do lançamento deve estar dentro do período selecionado: de {0} a {1}!";
inline constexpr char nCtbSDataLctoForaDoLimiteLote[] =
    "A data do lançamento deve estar dentro do período do lote: de {0} a {1}!";
inline constexpr char nCtbSDataLctoForaDoLimiteUsu[] =
    "A data do lançamento está fora do período permitido ao usuário: de {0} a {1}!";
// {0}, {1}: first and last day the user may post in; {2}: the entry's former
// date, which lies outside them.
inline constexpr char nCtbSDataLctoForaDoLimiteUsuData[] =
    "O lançamento não pode ser alterado: sua data original, {2}, está fora do período permitido "
    "ao usuário: de {0} a {1}!";
// {0}: managerial total minus accounting amount, formatted.
inline constexpr char nCtbSDiferencaEntreLctoGerencialEContabil[] =
    "Há uma diferença de {0} entre o total dos lançamentos gerenciais e o valor do lançamento "
    "contábil!\r\nDeseja sair assim mesmo?";

namespace nCtbS {

struct TMensagem {
  std::string_view Id;
  std::string_view Texto;
  int NumArgumentos;
};

// Every message with its identifier and the number of values it takes.
std::span<const TMensagem> Mensagens();

// How many distinct values a text's placeholders take ("{0} a {1}" -> 2).
int ContarArgumentos(std::string_view texto);

// The text with its placeholders filled. The caller passes exactly the values
// the message takes; a different count is a programming error.
template <typename... Args>
std::string Formatar(std::string_view texto, const Args&... args) {
  assert(ContarArgumentos(texto) == static_cast<int>(sizeof...(Args)));
  return fmt::format(fmt::runtime(texto), args...);
}

}  // namespace nCtbS
