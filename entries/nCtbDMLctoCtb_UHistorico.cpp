// Text handling of the entry: the human text of an origin key written by
// another module, taking such an entry over, the history complement built
// from dictionary tokens, and accounts typed as codes or aliases.
#include <nlohmann/json.hpp>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/ctb/HistoricoPadrao.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/db/NutilSql.h"
#include "framework/db/Nutildb.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"

namespace {

constexpr const char* kMsgSemDireitoOutroModulo =
    "Usuário não autorizado a alterar lançamentos oriundos de outros módulos!";

// A 1-based substring that never fails: positions past the end give less.
std::string Copiar(const std::string& texto, size_t posicao, size_t tamanho = std::string::npos) {
  if (posicao == 0 || posicao > texto.size())
    return "";
  return texto.substr(posicao - 1, tamanho);
}

// Digits of an origin key as a number; 0 when they are not one.
int64_t Numero(const std::string& texto) {
  int64_t valor = 0;
  return Nutil::TryStrToInt64(Nutil::Trim(texto), valor) ? valor : 0;
}

std::string NomeImposto(int64_t codigo) {
  switch (codigo) {
    case 1:
      return "ICMS";
    case 2:
      return "ISS";
    case 10:
      return "IPI";
    case 11:
      return "FunRural";
    case 30:
      return "SIMPLES Federal";
    case 31:
      return "Lucro Presumido";
    case 32:
      return "Lucro Real (PIS e COFINS)";
    case 33:
      return "Super SIMPLES";
    case 34:
      return "Lucro Real (IRPJ e CSLL)";
    case 39:
      return "Lucro Presumido PIS/COFINS";
    case 40:
      return "Lucro Presumido IRPJ/CSLL";
    case 99:
      return "Retenção";
    default:
      return "";
  }
}

std::string TextoControleTributos(const std::string& chave) {
  std::string prefixo;
  for (char c : chave) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
      prefixo += c;
  }
  const size_t l = prefixo.size();
  struct TRotulo {
    const char* Prefixo;
    const char* Rotulo;
    bool Credito;
  };
  static constexpr TRotulo kRotulos[] = {
      {"CF", "Crédito Fed. (Nr. Lcto ", true}, {"CE", "Crédito Est. (Nr. Lcto ", true},
      {"CM", "Crédito Mun. (Nr. Lcto ", true}, {"CS", "Crédito Sindical. (Nr. Lcto ", true},
      {"CG", "Crédito GPS. (Nr. Lcto ", true}, {"CFC", "Crédito FGTS. (Nr. Lcto ", true},
      {"DF", "Débito Fed. (Nr. Lcto ", false}, {"DE", "Débito Est. (Nr. Lcto ", false},
      {"DM", "Débito Mun. (Nr. Lcto ", false}, {"DS", "Débito Sindical. (Nr. Lcto ", false},
      {"DG", "Débito GPS. (Nr. Lcto ", false}, {"DFC", "Débito FGTS. (Nr. Lcto ", false},
  };
  for (const TRotulo& r : kRotulos) {
    if (prefixo != r.Prefixo)
      continue;
    if (r.Credito)
      return r.Rotulo + std::to_string(Numero(Copiar(chave, l + 1, 10))) + "-" +
             std::to_string(Numero(Copiar(chave, l + 12, 6))) + ")";
    return r.Rotulo + std::to_string(Numero(Copiar(chave, l + 1))) + ")";
  }
  return "";
}

std::string TextoTesouraria(const std::string& chave) {
  const size_t primeiro = chave.find('_');
  const size_t ultimo = chave.rfind('_');
  const size_t f = primeiro == std::string::npos ? 0 : primeiro + 1;
  const size_t l = ultimo == std::string::npos ? 0 : ultimo + 1;
  if (l == f + 1)
    return "";
  const std::string codigo = l > f + 1 ? Copiar(chave, f + 1, l - f - 1) : "";
  const std::string n = "(" + std::to_string(Numero(chave.substr(l))) + ")";
  struct TTexto {
    const char* Codigo;
    const char* Texto;
  };
  static constexpr TTexto kTextos[] = {
      {"LDS", "Tesouraria Saída "},
      {"LDE", "Tesouraria Entrada "},
      {"TRF", "Tesouraria Transferência "},
      {"ECM", "Compras "},
      {"FVD", "Vendas "},
      {"BCP", "Baixas Contas Pagar "},
      {"BCR", "Baixas Contas Receber "},
      {"ECP", "Contas Pagar "},
      {"ECR", "Contas Receber "},
  };
  for (const TTexto& t : kTextos) {
    if (codigo == t.Codigo)
      return t.Texto + n;
  }
  return "Outros " + n;
}

std::vector<std::string> Partes(const std::string& texto) {
  std::vector<std::string> partes = Nutil::StrToStrArray(texto, "|");
  if (!partes.empty() && partes.back().empty())
    partes.pop_back();
  return partes;
}

bool ContemSemCaixa(const std::string& texto, const std::string& parte) {
  return Nutil::UpperCase(texto).find(Nutil::UpperCase(parte)) != std::string::npos;
}

std::string RemoverSemCaixa(std::string texto, const std::string& parte) {
  if (parte.empty())
    return texto;
  const std::string alvo = Nutil::UpperCase(parte);
  size_t pos = 0;
  while ((pos = Nutil::UpperCase(texto).find(alvo, pos)) != std::string::npos)
    texto.erase(pos, parte.size());
  return texto;
}

}  // namespace

// ---- Origin key ----

std::string TnCtbDMLctoCtbBase::TextoChaveOrigem() const {
  if (!nClientDataSet.Active())
    return "";
  const std::string k = Campo("CHAVEORIGEM").AsString();
  if (k.empty())
    return "";
  const std::string o = Nutil::UpperCase(Nutil::Trim(Campo("CODIGOORIGLCTOCTB").AsString()));
  if (o == "FI") {
    if (k.rfind("IMP", 0) == 0)
      return NomeImposto(Numero(Copiar(k, 4)));
    const std::string tipo = Copiar(k, 1, 2);
    const std::string n = std::to_string(Numero(Copiar(k, 3, 10))) + ")";
    if (tipo == "ME")
      return "Entrada (Nr. Lcto: " + n;
    if (tipo == "MS")
      return "Saída (Nr. Lcto: " + n;
    if (tipo == "RE")
      return "Entrada Ret. (Nr. Lcto: " + n;
    if (tipo == "RS")
      return "Saída Ret. (Nr. Lcto: " + n;
    return "";
  }
  if (o == "CP") {
    const std::string s = Nutil::Trim(Copiar(k, 21, k.size() == 24 ? 3 : 2));
    return "Dup. Paga (" + std::to_string(Numero(Copiar(k, 11, 10))) + "-" + s + ")";
  }
  if (o == "CR") {
    const std::string s = Nutil::Trim(Copiar(k, 17, k.size() == 20 ? 3 : 2));
    return "Dup. Recebida (" + std::to_string(Numero(Copiar(k, 7, 10))) + "-" + s + ")";
  }
  if (o == "CT")
    return TextoControleTributos(k);
  if (o == "FP") {
    if (Copiar(k, 1, 3) == "FPA")
      return "Período Cálculo (" + std::to_string(Numero(Copiar(k, 4, 5))) + ")";
    return "";
  }
  if (o == "TV")
    return TextoTesouraria(k);
  return "";
}

bool TnCtbDMLctoCtbBase::AlterarChaveOrigem() {
  TnDMDireitoUsuario* direitos = nDMDireitoUsuario();
  if (direitos == nullptr ||
      direitos->PegarDireito("DireitoAlterarLctoOutroModulo") != TnDMDireitoUsuario::kNivelLiberado)
    throw Exception(kMsgSemDireitoOutroModulo);
  const std::string o = Nutil::UpperCase(Nutil::Trim(Campo("CODIGOORIGLCTOCTB").AsString()));
  if (o == "CE")
    return true;
  if (!TemTela() && !Nutil::EhCloud())
    return false;
  std::string nome = "Desconhecido";
  if (o == "FI" || o == "CP" || o == "CR")
    nome = "Fiscal";
  else if (o == "CT")
    nome = "Controle de Tributos";
  else if (o == "FP")
    nome = "Folha de Pagamento";
  else if (o == "TV")
    nome = "Tervani Empresarial";
  else if (o == "IM")
    nome = "Controle Patrimonial";
  const std::string m = o == "TV" ? nome : "módulo " + nome;
  const std::string pergunta =
      "Este lançamento contábil pertence ao " + m + ". " +
      "Alterações neste lançamento, o tornará pertencente ao módulo Contabilidade. " +
      "Isso fará com que o " + m + " não reconheça este " +
      "lançamento em caso de refazer a contabilização. Deseja continuar com as alterações?";
  return Ndialogs::nConfirmar(pergunta);
}

TnLabel* TnCtbDMLctoCtbBase::GetLbDataSetChaveOrigem() const {
  if (Form() == nullptr || Form()->Controle("LbDataSetChaveOrigem") == nullptr)
    return nullptr;
  return &Form()->Label("LbDataSetChaveOrigem");
}

// ---- History complement ----

std::string TnCtbDMLctoCtbBase::PegarDicionariosConta(const std::string& historico) {
  std::string lista;
  FExibicao.DescrHistCtb.clear();
  for (const HistoricoPadrao::TTrecho& trecho : HistoricoPadrao::Trechos(historico)) {
    if (trecho.Token)
      lista += trecho.Texto + "|";
    else
      FExibicao.DescrHistCtb += trecho.Texto;
  }
  return lista;
}

std::string TnCtbDMLctoCtbBase::GetComplementoHist(const std::string& complemento, int64_t chave) {
  if (!Nutil::Trim(complemento).empty() || chave == 0)
    return complemento;
  TnDMSQLDataSet sql(&Conexao());
  return sql
      .PegarValorCampo("LCTOCTB", "COMPLHIST",
                       " CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(PegarCodigoEmpresa())) +
                           " and CHAVELCTOCTB = " + Nutil::ValorParaSQL(Value(chave)))
      .AsString();
}

std::string TnCtbDMLctoCtbBase::PegarDescricaoConta(int64_t contaDeb, int64_t contaCred,
                                                    double chaveLctoCtb,
                                                    const std::string& dicionarios,
                                                    const std::string& texto, TDateTime data) {
  const std::string t = GetComplementoHist(texto, static_cast<int64_t>(chaveLctoCtb));
  std::string resultado;
  try {
    const std::string debito = GetDescricaoConta(contaDeb);
    const std::string credito = GetDescricaoConta(contaCred);
    const std::vector<std::string> tokens = Partes(dicionarios);
    const std::vector<std::string> partes = Partes(t);
    for (size_t i = 0; i < tokens.size(); ++i) {
      const std::string valor =
          HistoricoPadrao::Valor(HistoricoPadrao::Indice(tokens[i]), debito, credito, data);
      if (i < partes.size()) {
        if (!valor.empty() && !ContemSemCaixa(partes[i], valor))
          resultado += valor + "|";
        else
          resultado += partes[i] + "|";
      } else {
        resultado += valor + "|";
      }
    }
  } catch (const std::exception&) {
    // What was built before the failure stands.
  }
  return resultado;
}

std::string TnCtbDMLctoCtbBase::FormatarComplementoHistorico(int64_t codigoHistCtb,
                                                             int64_t contaDeb, int64_t contaCred,
                                                             int64_t chaveLctoCtb, TDateTime data,
                                                             const std::string& complemento) {
  std::string resultado = complemento;
  const std::string historico = GetHistorico(Value(codigoHistCtb));
  const std::string dicionarios = PegarDicionariosConta(historico);
  if (!dicionarios.empty()) {
    resultado = RemoverSemCaixa(resultado, FExibicao.DescrHistCtb);
    resultado = PegarDescricaoConta(contaDeb, contaCred, static_cast<double>(chaveLctoCtb),
                                    dicionarios, resultado, data);
  }
  return resultado;
}

void TnCtbDMLctoCtbBase::FormatarComplementoHistorico() {
  if (Importacao() || (!TemTela() && !FModoAnalitico))
    return;
  if (!DataSetEditando() || Campo("CODIGOHISTCTB").IsNull())
    return;
  const std::string novo = FormatarComplementoHistorico(
      Campo("CODIGOHISTCTB").AsInteger(), Campo("CONTACTBDEB").AsInteger(),
      Campo("CONTACTBCRED").AsInteger(), Campo("CHAVELCTOCTB").AsInteger(),
      Campo("DATALCTOCTB").AsDateTime(), Campo("COMPLHIST").Text());
  Atribuir(Campo("COMPLHIST"), Value(novo));
}

std::string TnCtbDMLctoCtbBase::FormatarComplementoHistoricoAjax(const std::string& json) {
  const nlohmann::json doc = nlohmann::json::parse(json);
  auto inteiro = [&](const char* nome) -> int64_t {
    if (!doc.contains(nome) || doc[nome].is_null())
      return 0;
    return doc[nome].is_string() ? Numero(doc[nome].get<std::string>()) : doc[nome].get<int64_t>();
  };
  TDateTime data;
  if (doc.contains("DATALCTOCTB") && doc["DATALCTOCTB"].is_string()) {
    if (auto lida = ParseDate(doc["DATALCTOCTB"].get<std::string>()))
      data = *lida;
  }
  const std::string complemento = doc.contains("COMPLHIST") && doc["COMPLHIST"].is_string()
                                      ? doc["COMPLHIST"].get<std::string>()
                                      : std::string();
  return FormatarComplementoHistorico(inteiro("CODIGOHIST"), inteiro("CONTACTBDEB"),
                                      inteiro("CONTACTBCRED"), inteiro("CHAVELCTOCTB"), data,
                                      complemento);
}

std::string TnCtbDMLctoCtbBase::GetHistorico(const Value& codigo) {
  if (codigo.IsNull())
    return "";
  return Conexao()
      .ExecuteScalar("select DESCRHISTCTB from HISTORICOCTB where CODIGOHISTCTB = :pHistorico",
                     {{"pHistorico", codigo}})
      .AsString();
}

void TnCtbDMLctoCtbBase::DoGetHistorico(void* /*sender*/, std::string& historico) {
  if (nClientDataSet.Active() && !Campo("CODIGOHISTCTB").IsNull())
    historico = GetHistorico(Campo("CODIGOHISTCTB").AsValue());
}

std::string TnCtbDMLctoCtbBase::GetDescricaoConta(int64_t conta) {
  return Conexao()
      .ExecuteScalar(
          "select DESCRCONTA from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and "
          "CONTACTB = :pConta",
          {{"pEmpresa", Value(PegarCodigoEmpresa())}, {"pConta", Value(conta)}})
      .AsString();
}

void TnCtbDMLctoCtbBase::DoDepoisCriarFiltroCODIGOHISTCTB(void* /*sender*/, std::string& filtro) {
  const Value empresa(PegarCodigoEmpresa());
  const TParams params = {{"pCodigoEmpresa1", empresa},
                          {"pConta1", Campo("CONTACTBDEB").AsValue()},
                          {"pCodigoEmpresa2", empresa},
                          {"pConta2", Campo("CONTACTBCRED").AsValue()}};
  const std::string sql =
      "select CODIGOGRUPOHISTCTB from PLESPGRHISTCTB where CODIGOEMPRESA = :pCodigoEmpresa1  AND "
      "CONTACTB = :pConta1  UNION select CODIGOGRUPOHISTCTB from PLESPGRHISTCTB where "
      "CODIGOEMPRESA = :pCodigoEmpresa2  AND CONTACTB = :pConta2 ";
  auto grupos = [](TnClientDataSet& cursor) {
    std::string texto;
    for (cursor.First(); !cursor.Eof(); cursor.Next())
      Nutil::Add(texto, "(CODIGOGRUPOHISTCTB = " + cursor.Fields(0).AsString() + ")", " or ");
    return texto;
  };
  bool mudou = false;
  if (!FcurGrupos) {
    FcurGrupos = Nutildb::ExecutarSQL(Conexao(), sql, params, 10);
    FFiltroCODIGOHISTCTBAtualizar = true;
  } else {
    // The accounts may have changed: the query runs with the current ones.
    const std::string anterior = grupos(*FcurGrupos);
    Nutildb::DestruirSQL(FcurGrupos);
    FcurGrupos = Nutildb::ExecutarSQL(Conexao(), sql, params, 10);
    mudou = grupos(*FcurGrupos) != anterior;
  }
  if (mudou || FFiltroCODIGOHISTCTBAtualizar) {
    FFiltroCODIGOHISTCTB = grupos(*FcurGrupos);
    FFiltroCODIGOHISTCTBAtualizar = false;
  }
  if (filtro.empty())
    filtro = FFiltroCODIGOHISTCTB;
  else
    filtro += " and (" + FFiltroCODIGOHISTCTB + ")";
}

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOHISTCTBSetText(TField& sender,
                                                            const std::string& text) {
  const std::string texto = Nutil::Trim(text);
  int64_t codigo = 0;
  if (texto.empty()) {
    sender.Clear();
  } else if (Nutil::TryStrToInt64(texto, codigo)) {
    sender.SetAsInteger(codigo);
  } else {
    // A search text: the first active history whose description starts so.
    TnDMSQLDataSet sql(&Conexao());
    const Value achado = Conexao().ExecuteScalar(
        "select min(CODIGOHISTCTB) from HISTORICOCTB where STATUS = 0 and upper(DESCRHISTCTB) "
        "like " +
        Nutil::ValorParaSQL(Value(Nutil::UpperCase(texto) + "%")));
    if (achado.IsNull())
      throw EnField("Histórico não encontrado: " + texto, sender.FieldName());
    sender.SetValue(achado);
  }
}

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOHISTCTBChange(TField& /*sender*/) {
  FormatarComplementoHistorico();
}

// ---- Accounts typed as codes or aliases ----

const Nctbsfuncoes_u::TMascGrupos& TnCtbDMLctoCtbBase::GetMascGrupos() {
  PegarConfigPlano();
  return FMascGrupos;
}

std::string TnCtbDMLctoCtbBase::ProcurarApelido(const std::string& apelido) {
  PegarConfigPlano();
  return Nctbsfuncoes::ProcurarApelido(Conexao(), PegarCodigoEmpresa(), FMascGrupos, apelido);
}

void TnCtbDMLctoCtbBase::SetTextConta(TField& sender, const std::string& text) {
  if (text == "0" || text.empty()) {
    sender.Clear();
    return;
  }
  if (Nctbsfuncoes::VerificarContaCtbInscrFederal(Conexao(), sender, text, PegarCodigoEmpresa()))
    return;
  const bool branco = Nutil::Trim(text).empty();
  int64_t numero = 0;
  const bool inteiro = Nutil::TryStrToInt64(text, numero);
  if (!inteiro && !branco) {
    const std::string conta = ProcurarApelido(text);
    if (conta.empty())
      throw EnField(nCtbSApelidoInexistente, sender.FieldName());
    sender.SetValue(Value(conta));
    return;
  }
  if (branco)
    throw EnField(nCtbSApelidoInexistente, sender.FieldName());
  if (numero == 0)
    sender.Clear();
  else
    sender.SetValue(Value(text));
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBDEBSetText(TField& sender, const std::string& text) {
  SetTextConta(sender, text);
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBCREDSetText(TField& sender,
                                                           const std::string& text) {
  SetTextConta(sender, text);
}

void TnCtbDMLctoCtbBase::ContaAlterada(TField& sender) {
  if (Importacao() || !TemTela())
    return;
  if (!sender.IsNull())
    nClientDataSetCODIGOHISTCTBChange(Campo("CODIGOHISTCTB"));
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBDEBChange(TField& sender) {
  if (!Importacao() && TemTela()) {
    ExibeTituloDeb();
    ExibeSaldoDeb();
  }
  ContaAlterada(sender);
}

void TnCtbDMLctoCtbBase::nClientDataSetCONTACTBCREDChange(TField& sender) {
  if (!Importacao() && TemTela()) {
    ExibeTituloCred();
    ExibeSaldoCred();
  }
  ContaAlterada(sender);
}

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOLOTECTBChange(TField& /*sender*/) {
  PegarConfigLote();
  ChecarConfigurarCampo(Campo("CODIGOLOTECTB"));
}

void TnCtbDMLctoCtbBase::nClientDataSetCODIGOESTABDefIntExit(TField& sender) {
  ChecarConfigurarCampo(sender);
}
