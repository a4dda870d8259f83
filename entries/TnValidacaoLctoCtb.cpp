#include "entries/TnValidacaoLctoCtb.h"

#include <fmt/format.h>

#include <algorithm>
#include <utility>

#include "managerial/nCtbLctoGerUtil.h"

#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/core/Nutilinclusao.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/Nctbsfuncoes_u.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/ctb/TnUtilOpcoesCtb.h"
#include "framework/ctb/nCtbSMensagens.h"
#include "framework/data/ClientDataSet.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnDMSQLDataSet.h"
#include "framework/db/TnLeiturasDoPedido.h"
#include "framework/db/TnSessao.h"

using nCtbDMLctoCtb_U::DataDe;

namespace {

constexpr const char* kMsgConciliado =
    "Atenção: Esse lançamento já está conciliado! Para prosseguir realize a desconciliação "
    "acessando a rotina: Conciliar Lançamentos Contábeis!";
constexpr const char* kMsgModeloIFRS =
    "Não foi encontrada configuração para o Modelo de Adoção do IFRS no período do lançamento!";
constexpr const char* kMsgLctoIgual =
    "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?";
constexpr const char* kMsgInclusaoCancelada = "Inclusão cancelada!";
constexpr const char* kMsgAlteracaoCancelada = "Alteração cancelada, registro automático!";
constexpr const char* kMsgDataTransacao =
    "Atenção, a data informada é diferente da data inicial da transação!\r\nData inicial da "
    "transação: ";
constexpr const char* kMsgTipoTransacao =
    "Atenção, o tipo de lançamento informado é diferente do tipo de lançamento inicial da "
    "transação!\r\nTipo lançamento inicial da transação: ";
constexpr const char* kMsgDatasTransacao =
    "Atenção, está transação possui lançamentos com datas diferentes, favor verificar!\r\nDeseja "
    "confirmar as alterações?";
constexpr const char* kMsgTiposTransacao =
    "Atenção, está transação possui tipos de lançamentos diferentes, favor verificar!\r\nDeseja "
    "confirmar as alterações?";
constexpr const char* kMsgOrigemAI =
    "Para origem do lançamento do tipo 'AI'(Adoção IFRS), a data do lançamento deve ser igual a "
    "data de opção do IFRS!";
constexpr const char* kMsgPeriodoFechado =
    "Não são permitidos lançamentos/alterações em período já fechados.";
constexpr const char* kMsgPeriodoReelaborado =
    "Em períodos Reelaborados, só são permitidos lançamentos com Origem igual a 'AA'.";
constexpr const char* kMsgGrupoHistorico =
    "Histórico utilizado não pertence ao Grupo de Histórico vinculado, verifique.";
constexpr const char* kMsgHistoricoInativo = "Histórico não existe ou está inativo, verifique.";
constexpr const char* kMsgHistoricoInativoImportacao = "%s não existe ou está inativo, verifique.";
constexpr const char* kBtnGravar = "Gravar";
constexpr const char* kBtnCorrigir = "Corrigir";

std::string Maiusculo(const std::string& texto) {
  return Nutil::UpperCase(Nutil::Trim(texto));
}

// The answer `ler` gives for `chave`, asked once while `mapa` keeps it;
// every time without one.
template <class Mapa, class Chave, class Ler>
auto Lembrado(Mapa* mapa, const Chave& chave, const Ler& ler) -> decltype(ler()) {
  if (mapa == nullptr)
    return ler();
  auto [achado, novo] = mapa->try_emplace(chave);
  if (novo)
    achado->second = ler();
  return achado->second;
}

// Columns of an account of the chart, by its key: the values are bound, so
// the text is prepared once for every account; on the current session's
// connection, read once per request (TnLeiturasDoPedido).
ValueArray LerConta(TnDMConexao& conexao, const char* colunas, int64_t empresa, int64_t conta) {
  const std::string sql = std::string("select ") + colunas +
                          " from PLANOESPEC where CODIGOEMPRESA = :pEmpresa and CONTACTB = :pConta";
  const TParams params = {{"pEmpresa", Value(empresa)}, {"pConta", Value(conta)}};
  TnSessao* sessao = TnSessao::AtualOuNula();
  TDbResult linhas = sessao != nullptr && &sessao->Conexao() == &conexao
                         ? TnLeiturasDoPedido::Ler(*sessao, sql, params)
                         : conexao.ExecuteQuery(sql, params);
  return linhas.Rows.empty() ? ValueArray() : std::move(linhas.Rows.front());
}

Value ColunaDaConta(TnDMConexao& conexao, const char* coluna, int64_t empresa, int64_t conta) {
  const ValueArray linha = LerConta(conexao, coluna, empresa, conta);
  return linha.empty() ? Value() : linha.front();
}

// A batch asks for the type and the classification of nearly every account
// it meets: both come in one read and stay in `cache`.
void LerContaDoLote(TnDMConexao& conexao, TnCacheValidacaoLctoCtb& cache, int64_t empresa,
                    int64_t conta) {
  const ValueArray linha = LerConta(conexao, "TIPOCONTA, CLASSIFCONTA", empresa, conta);
  cache.TipoConta[{empresa, conta}] = linha.empty() ? Value() : linha[0];
  cache.ClassifConta[{empresa, conta}] = linha.empty() ? "" : Nutil::Trim(linha[1].AsString());
}

// What `mapa` (one of `cache`'s maps by account) holds for the account,
// read with its other half when the batch has not met the account yet.
template <class Mapa>
const typename Mapa::mapped_type& DaConta(TnDMConexao& conexao, TnCacheValidacaoLctoCtb& cache,
                                          Mapa& mapa, int64_t empresa, int64_t conta) {
  auto achado = mapa.find({empresa, conta});
  if (achado == mapa.end()) {
    LerContaDoLote(conexao, cache, empresa, conta);
    achado = mapa.find({empresa, conta});
  }
  return achado->second;
}

}  // namespace

std::string ClassificacaoDaConta(TnDMConexao& conexao, TnCacheValidacaoLctoCtb* cache,
                                 int64_t empresa, int64_t conta) {
  if (cache != nullptr)
    return DaConta(conexao, *cache, cache->ClassifConta, empresa, conta);
  return Nutil::Trim(ColunaDaConta(conexao, "CLASSIFCONTA", empresa, conta).AsString());
}

void TnValidacaoLctoCtb::Atribuir(TField& field, const Value& valor) {
  if (field.AsValue().IdenticalTo(field.Coerce(valor)))
    return;
  nCtbLctoGerUtil::Gravar(field, valor);
}

TnLctoCtbEmValidacao TnLctoCtbEmValidacao::DoRegistro(const TnClientDataSet& registro) {
  auto preenchidos = [&](auto valor) {
    auto tem = [&](const char* nome) { return !valor(registro.FieldByName(nome)).IsNull(); };
    return TPreenchidosLctoCtb{tem("CODIGOESTAB"), tem("CONTACTBDEB"), tem("CONTACTBCRED"),
                               tem("CODIGOHISTCTB"), tem("DATALCTOCTB")};
  };
  TnLctoCtbEmValidacao entrada;
  entrada.Lcto = TLctoCtb::DoRegistro(registro);
  entrada.Preenchidos = preenchidos([](const TField& f) { return f.AsValue(); });
  entrada.Inserindo = registro.State() == TDataSetState::dsInsert;
  // A new entry was read from nowhere (an import checks one per row).
  if (!entrada.Inserindo) {
    entrada.Anterior = TLctoCtb::DoRegistroAnterior(registro);
    entrada.PreenchidosAnterior = preenchidos([](const TField& f) { return f.OldValue(); });
  }
  entrada.Editando = registro.State() == TDataSetState::dsEdit;
  entrada.ChaveOrigem = registro.FieldByName("CHAVEORIGEM").AsString();
  entrada.LctoConcilDeb = registro.FieldByName("LCTOCONCILDEB").AsString();
  const TField& lctoProg = registro.FieldByName("CODIGOLCTOPROG");
  entrada.LctoProgZeroComoVazio = !lctoProg.IsNull() && lctoProg.AsInteger() == 0 &&
                                  lctoProg.GetDefinicao().Propriedade("ZeroComoVazio").AsBoolean();
  entrada.RotuloContaDeb = registro.FieldByName("CONTACTBDEB").DisplayLabel();
  entrada.RotuloContaCred = registro.FieldByName("CONTACTBCRED").DisplayLabel();
  return entrada;
}

void TnAjustesLctoCtb::Aplicar(TnClientDataSet& registro) const {
  if (LimparChaveOrigem)
    TnValidacaoLctoCtb::Atribuir(registro.FieldByName("CHAVEORIGEM"), Value());
  if (EsvaziarLctoProg)
    TnValidacaoLctoCtb::Atribuir(registro.FieldByName("CODIGOLCTOPROG"), Value());
}

TnValidacaoLctoCtb::TnValidacaoLctoCtb(const TnLctoCtbEmValidacao& entrada,
                                       const TnConfigLctoCtb& config, TnSessao& sessao,
                                       const TnContextoValidacaoLctoCtb& contexto,
                                       TnConsultasLctoCtb& consultas)
    : FEntrada(entrada),
      FLcto(entrada.Lcto),
      FConfig(config),
      FSessao(sessao),
      FContexto(contexto),
      FConsultas(consultas) {}

namespace {

// A code as the record holds it: null when empty.
Value Codigo(bool preenchido, int64_t codigo) {
  return preenchido ? Value(codigo) : Value();
}

const char* CampoConta(int natureza) {
  return natureza == 1 ? "CONTACTBDEB" : "CONTACTBCRED";
}

}  // namespace

// ---- The rule chain ----

TnAjustesLctoCtb TnValidacaoLctoCtb::ValidarDado() {
  TnAjustesLctoCtb ajustes;
  const bool tela = FContexto.Tela();
  // Reconciled entries stay as they are.
  if (!FContexto.Importacao && !FEntrada.Inserindo)
    ValidarAlteracaoLctoCtb();
  ValidarModeloIFRS();
  // The framework's own checks.
  FConsultas.ValidarBase();
  ValidarEstabelecimento();
  if (tela && FEntrada.Inserindo)
    ValidarMesmoUltimoLcto();
  if (FContexto.TemTela)
    ValidarPartidaDobrada();
  const std::string origem = Maiusculo(FLcto.CodigoOrigLctoCtb);
  ValidarDatas(FLcto.DataLctoCtb, origem);
  ValidarContas();
  ValidarLote();
  // Entries of other modules.
  if ((!Nutil::Trim(FEntrada.ChaveOrigem).empty() || origem == "IM") && !FContexto.Importacao) {
    if (!FConsultas.AlterarChaveOrigem())
      throw Exception(kMsgAlteracaoCancelada);
    ajustes.LimparChaveOrigem = true;
  }
  const bool ifrs = FConsultas.EhOptanteIFRS();
  if (tela && (FConsultas.PossuiSPED() || ifrs))
    ValidarTransacao();
  ajustes.EsvaziarLctoProg = FEntrada.LctoProgZeroComoVazio;
  if (tela && (ifrs || FConsultas.EhOptanteFCONT()))
    ValidarOrigemFiscal();
  if (tela && ifrs)
    ValidarIFRS();
  // History groups only inform.
  if (tela && !ValidarContaVinculadaGrupoHisLcto())
    Ndialogs::nMessageDlg(kMsgGrupoHistorico, TMsgDlgType::mtInformation, BotoesOk());
  if (!FContexto.Automatico)
    ValidarHistorico();
  return ajustes;
}

void TnValidacaoLctoCtb::ValidarDatas(TDateTime data, const std::string& origem) {
  // The last date the installation permits.
  if (origem != "CE" && origem != "CP") {
    const TnDMPersonalizacao* personalizacao = FSessao.Procurar<TnDMPersonalizacao>();
    if (personalizacao != nullptr && !personalizacao->GetPermiDataFinal().IsZero() &&
        data > DateOf(personalizacao->GetPermiDataFinal()))
      throw EnField(nCtbS::Formatar(nCtbSDataLctoForaPersonalizacao,
                                    DateToStr(personalizacao->GetPermiDataFinal())),
                    "DATALCTOCTB");
  }
  // The fiscal year.
  const TnConfigEmpresaLctoCtb& empresa = FConfig.Empresa;
  if (data < empresa.DataInicialExerc || data > empresa.DataFinalExerc)
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoExercicio, DateToStr(empresa.DataInicialExerc),
                                  DateToStr(empresa.DataFinalExerc)),
                  "DATALCTOCTB");
  VerificarLimiteUsuario();
  // The selected period.
  const Value& inicio = FContexto.DataInicialSelecao;
  if (!FContexto.Importacao && (FContexto.TemTela || Nutil::EhCloud()) && !inicio.IsNull()) {
    const TDateTime fim = FContexto.DataFinalSelecao;
    if (data < DataDe(inicio) || data > fim)
      throw EnField(
          nCtbS::Formatar(nCtbSDataLctoForaSelecao, DateToStr(DataDe(inicio)), DateToStr(fim)),
          "DATALCTOCTB");
  }
}

// What the lookups check on a screen, checked on every path, lookups
// ignored or not (the posting engine and scripts ignore them): an entry of
// an establishment the company lacks would stand in no branch's books.
void TnValidacaoLctoCtb::ValidarEstabelecimento() {
  if (!FEntrada.Preenchidos.CodigoEstab)
    return;
  const int64_t empresa = FContexto.CodigoEmpresa;
  const int64_t estab = FLcto.CodigoEstab;
  const bool existe =
      Lembrado(FContexto.Cache ? &FContexto.Cache->Estabelecimento : nullptr,
               std::make_pair(empresa, estab), [&] {
                 return !FSessao.Conexao()
                             .ExecuteQuery(
                                 "select 1 from ESTAB where CODIGOEMPRESA = :pEmpresa and "
                                 "CODIGOESTAB = :pEstab",
                                 {{"pEmpresa", Value(empresa)}, {"pEstab", Value(estab)}})
                             .Rows.empty();
               });
  if (!existe)
    throw EnField(fmt::format("Estabelecimento {} não cadastrado na empresa {}", estab, empresa),
                  "CODIGOESTAB");
}

void TnValidacaoLctoCtb::ValidarContas() {
  // Synthetic accounts take no entries.
  ValidarContaTipo(1, nCtbSTipoContaInvalidaDeb);
  ValidarContaTipo(-1, nCtbSTipoContaInvalidaCred);
  const TPreenchidosLctoCtb& tem = FEntrada.Preenchidos;
  if (!tem.ContaCtbDeb && !tem.ContaCtbCred)
    throw EnField(nCtbSContaDebCredNula, "CONTACTBDEB");
  if (tem.ContaCtbDeb == tem.ContaCtbCred && FLcto.ContaCtbDeb == FLcto.ContaCtbCred)
    throw EnField(nCtbSLctoMesmaContaDedCred, "CONTACTBDEB");
  if (!(FLcto.ValorLctoCtb > Currency()))
    throw EnField(nCtbSLctoDebCredZerado, "VALORLCTOCTB");
}

void TnValidacaoLctoCtb::ValidarMesmoUltimoLcto() {
  const TUltLctoCtb* ult = FContexto.UltLctoCtb;
  if (ult == nullptr || !ult->Preenchido)
    return;
  const TPreenchidosLctoCtb& tem = FEntrada.Preenchidos;
  const bool igual =
      FLcto.CodigoEmpresa == ult->CodigoEmpresa && FLcto.CodigoEstab == ult->CodigoEstab &&
      Codigo(tem.CodigoHistCtb, FLcto.CodigoHistCtb) == ult->CodigoHistCtb &&
      FLcto.ComplHist == ult->Complemento &&
      Codigo(tem.ContaCtbCred, FLcto.ContaCtbCred) == ult->ContaCtbCred &&
      Codigo(tem.ContaCtbDeb, FLcto.ContaCtbDeb) == ult->ContaCtbDeb &&
      FLcto.DataLctoCtb == ult->DataLctoCtb && FLcto.CodigoOrigLctoCtb == ult->Origem &&
      FLcto.ValorLctoCtb == ult->ValorLctoCtb;
  if (!igual)
    return;
  TnDMDireitoUsuario* direitos = FSessao.Procurar<TnDMDireitoUsuario>();
  const std::string nivel =
      direitos != nullptr ? direitos->PegarDireito("DireitoLctoIgual") : std::string();
  if (nivel != TnDMDireitoUsuario::kNivelLiberado && !Ndialogs::nConfirmar(kMsgLctoIgual))
    throw Exception(kMsgInclusaoCancelada);
}

void TnValidacaoLctoCtb::ValidarPartidaDobrada() {
  const TPreenchidosLctoCtb& tem = FEntrada.Preenchidos;
  const std::string deb = Codigo(tem.ContaCtbDeb, FLcto.ContaCtbDeb).AsString();
  const std::string cred = Codigo(tem.ContaCtbCred, FLcto.ContaCtbCred).AsString();
  auto perguntar = [this](const std::string& texto, const char* campo) {
    if (Ndialogs::nMessageDlg(texto, TMsgDlgType::mtWarning, {kBtnGravar, kBtnCorrigir}) ==
        kBtnCorrigir) {
      FConsultas.FocarCampo(campo);
      throw EAbort();
    }
  };
  auto partidaDobrada = [this](int64_t conta) {
    return FConsultas.ContaDePartidaDobrada(Value(conta));
  };
  if (tem.ContaCtbDeb && !tem.ContaCtbCred && partidaDobrada(FLcto.ContaCtbDeb))
    perguntar(nCtbS::Formatar(nCtbSAvisoContaPartidaDobrada, deb), "CONTACTBDEB");
  if (tem.ContaCtbCred && !tem.ContaCtbDeb && partidaDobrada(FLcto.ContaCtbCred))
    perguntar(nCtbS::Formatar(nCtbSAvisoContaPartidaDobrada, cred), "CONTACTBCRED");
  if (FEntrada.LctoConcilDeb == "2") {
    const TLctoCtb& antes = FEntrada.Anterior;
    const TPreenchidosLctoCtb& tinha = FEntrada.PreenchidosAnterior;
    const bool mudou = !(Codigo(tem.ContaCtbDeb, FLcto.ContaCtbDeb) ==
                         Codigo(tinha.ContaCtbDeb, antes.ContaCtbDeb)) ||
                       !(Codigo(tem.CodigoEstab, FLcto.CodigoEstab) ==
                         Codigo(tinha.CodigoEstab, antes.CodigoEstab)) ||
                       FLcto.ValorLctoCtb != antes.ValorLctoCtb;
    if (mudou)
      perguntar(nCtbS::Formatar(nCtbSLctoConcilBancaria, deb), "CONTACTBDEB");
  }
}

void TnValidacaoLctoCtb::ValidarContaTipo(int natureza, const char* mensagem) {
  if (!FEntrada.Preenchidos.Conta(natureza))
    return;
  const char* campo = CampoConta(natureza);
  const int64_t conta = FLcto.Conta(natureza);
  TnCacheValidacaoLctoCtb* cache = FContexto.Cache;
  const int64_t empresa = FContexto.CodigoEmpresa;
  const Value tipo = cache != nullptr
                         ? DaConta(FSessao.Conexao(), *cache, cache->TipoConta, empresa, conta)
                         : ColunaDaConta(FSessao.Conexao(), "TIPOCONTA", empresa, conta);
  // An account outside the chart, lookups ignored or not (see
  // ValidarEstabelecimento), is refused as the screen's lookup refuses it.
  if (tipo.IsNull())
    throw EnField(
        fmt::format("{}: {} não existe, verifique.", FEntrada.RotuloConta(natureza), conta), campo);
  if (tipo.AsInteger() == 1)
    throw EnField(mensagem, campo);
}

void TnValidacaoLctoCtb::ValidarLote() {
  const TnConfigLoteLctoCtb& lote = FConfig.Lote;
  if (!lote.PertenceLote)
    return;
  const TDateTime data = FLcto.DataLctoCtb;
  // A batch the company lacks has no period: its dates are empty and every
  // date falls outside them.
  if (data < lote.DataInicialLote || data > lote.DataFinalLote)
    throw EnField(nCtbS::Formatar(nCtbSDataLctoForaDoLimiteLote, DateToStr(lote.DataInicialLote),
                                  DateToStr(lote.DataFinalLote)),
                  "DATALCTOCTB");
  if (FConfig.Empresa.UsaOrigemLctoCtb && !lote.CodigoOrigLctoCtb.empty() &&
      Maiusculo(FLcto.CodigoOrigLctoCtb) != Maiusculo(lote.CodigoOrigLctoCtb))
    throw EnField(nCtbSOrigemNaoConfereComLote, "CODIGOLOTECTB");
  if (!lote.AlteracaoLote && !FContexto.Importacao)
    throw EnField(nCtbSLoteFechadoNaoPermiteAlteracao, "CODIGOLOTECTB");
}

void TnValidacaoLctoCtb::ValidarTransacao() {
  const TDateTime data = FLcto.DataLctoCtb;
  const std::string& tipo = FLcto.TipoLancamento;
  if (!FContexto.OldTransDate.IsZero() && data != DateOf(FContexto.OldTransDate))
    throw EnField(kMsgDataTransacao + DateToStr(FContexto.OldTransDate), "DATALCTOCTB");
  if (!FContexto.OldTransTipoLcto.empty() && tipo != FContexto.OldTransTipoLcto)
    throw EnField(
        kMsgTipoTransacao + Nctbsfuncoes_u::GetDescrTipoLancamento(FContexto.OldTransTipoLcto),
        "TIPOLANCAMENTO");
  if (FEntrada.Editando) {
    TnDMSQLDataSet sql(&FSessao.Conexao());
    const std::string condicao =
        "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(FContexto.CodigoEmpresa)) +
        " and TRANSCTB = " + Nutil::ValorParaSQL(Value(FLcto.TransCtb)) + " and CHAVELCTOCTB <> " +
        Nutil::ValorParaSQL(Value(FLcto.ChaveLctoCtb)) + " and DATALCTOCTB <> " +
        Nutil::ValorParaSQL(Value(data), TDbColumnKind::Date);
    if (sql.PegarTemRegistro("LCTOCTB", condicao) && !Ndialogs::nConfirmar(kMsgDatasTransacao))
      throw EAbort();
  }
}

void TnValidacaoLctoCtb::ValidarOrigemFiscal() {
  const std::string& origem = FLcto.CodigoOrigLctoCtb;
  if (FLcto.TipoLancamento != "LF" && Nctbsfuncoes_u::EhOrigemLctoFiscal(origem))
    throw EnField("Para a Origem de Lançamento informada \"" + origem +
                      "\", o Tipo do Lançamento deve ser \"Lançamento Fiscal\"!",
                  "TIPOLANCAMENTO");
}

void TnValidacaoLctoCtb::ValidarIFRS() {
  const TDateTime data = FLcto.DataLctoCtb;
  const std::string origem = Maiusculo(FLcto.CodigoOrigLctoCtb);
  TControleExercicioSocialCtb& exercicio = FSessao.Servico<TControleExercicioSocialCtb>();
  TnUtilOpcaoIFRS& opcaoIFRS = FSessao.Servico<TnUtilOpcaoIFRS>();
  exercicio.SetCodigoEmpresa(FContexto.CodigoEmpresa);
  exercicio.SetData(data);
  opcaoIFRS.SetCodigoEmpresa(FContexto.CodigoEmpresa);
  if (origem == "AI" && data != DateOf(opcaoIFRS.GetDATAOPCAO()))
    throw EnField(kMsgOrigemAI, "DATALCTOCTB");
  const int situacao = exercicio.GetSituacaoExercicio();
  if (situacao == kSituacaoExercicioFechado)
    throw EnField(kMsgPeriodoFechado, "DATALCTOCTB");
  if (situacao == kSituacaoExercicioReelaborado && origem != "AA")
    throw EnField(kMsgPeriodoReelaborado, "CODIGOORIGLCTOCTB");
  ValidarContaControleContabil(1);
  ValidarContaControleContabil(-1);
  if (FEntrada.Editando) {
    TnDMSQLDataSet sql(&FSessao.Conexao());
    const std::string condicao =
        "CODIGOEMPRESA = " + Nutil::ValorParaSQL(Value(FContexto.CodigoEmpresa)) +
        " and TRANSCTB = " + Nutil::ValorParaSQL(Value(FLcto.TransCtb)) + " and CHAVELCTOCTB <> " +
        Nutil::ValorParaSQL(Value(FLcto.ChaveLctoCtb)) + " and TIPOLANCAMENTO <> " +
        Nutil::ValorParaSQL(Value(FLcto.TipoLancamento));
    if (sql.PegarTemRegistro("LCTOCTB", condicao) && !Ndialogs::nConfirmar(kMsgTiposTransacao))
      throw EAbort();
  }
}

void TnValidacaoLctoCtb::ValidarContaControleContabil(int natureza) {
  if (!FEntrada.Preenchidos.Conta(natureza))
    return;
  const char* campo = CampoConta(natureza);
  const std::string& tipoLcto = FLcto.TipoLancamento;
  std::string tipoConta =
      Nutil::Trim(FConsultas.ValorLookup(campo, "TIPOCONTROLECONTABIL").AsString());
  if (tipoConta.empty())
    tipoConta = tipoLcto;
  bool aceita = tipoConta == "LN";
  std::string nomeTipo = "\"Normal\"";
  std::string tiposAceitos = "\"Ambos\"";
  if (tipoLcto == "LS") {
    aceita = aceita || tipoConta == "LS";
    nomeTipo = "\"Societário\"";
    tiposAceitos = "\"Ambos\" ou \"Societário\"";
  } else if (tipoLcto == "LF") {
    aceita = aceita || tipoConta == "LF";
    nomeTipo = "\"Fiscal\"";
    tiposAceitos = "\"Ambos\" ou \"Fiscal\"";
  }
  if (aceita)
    return;
  throw EnField("Para lançamento " + nomeTipo + " devemos informar somente contas a " +
                    (natureza == 1 ? "Débito" : "Crédito") + " com o tipo de controle contábil " +
                    tiposAceitos + "!\r\nConta: " + std::to_string(FLcto.Conta(natureza)) +
                    " configurada com tipo de controle contábil igual a " +
                    GetDescricaoTipoLancamentoConta(tipoConta) + ".",
                campo);
}

std::string TnValidacaoLctoCtb::GetDescricaoTipoLancamentoConta(const std::string& tipo) {
  if (tipo == "LN")
    return "Ambos";
  if (tipo == "LS")
    return "Societário";
  return "Fiscal";
}

void TnValidacaoLctoCtb::ValidarHistorico() {
  if (HistoricoAtivo())
    return;
  if (FContexto.Importacao) {
    std::string texto = kMsgHistoricoInativoImportacao;
    texto.replace(texto.find("%s"), 2,
                  Codigo(FEntrada.Preenchidos.CodigoHistCtb, FLcto.CodigoHistCtb).AsString());
    throw EnField(texto, "CODIGOHISTCTB");
  }
  throw EnField(kMsgHistoricoInativo, "CODIGOHISTCTB");
}

// ---- Checks ----

void TnValidacaoLctoCtb::ValidarAlteracaoLctoCtb() {
  const std::optional<int64_t> estab =
      FEntrada.Preenchidos.CodigoEstab ? std::optional<int64_t>(FLcto.CodigoEstab) : std::nullopt;
  if (!Nctbsfuncoes::PermiteAlterarLctoContabil(FSessao.Conexao(), FLcto.ChaveLctoCtb,
                                                FContexto.CodigoEmpresa, estab, TDateTime(),
                                                TDateTime()))
    throw Exception(kMsgConciliado);
}

// A company has few adoption models: a batch reads them once and answers
// each entry's date in memory. A model without a last day covers no date.
void TnValidacaoLctoCtb::ValidarModeloIFRS() {
  if (!FConsultas.EhOptanteIFRS())
    return;
  const auto& periodos = Lembrado(
      FContexto.Cache ? &FContexto.Cache->PeriodosModeloIFRS : nullptr, FContexto.CodigoEmpresa,
      [&] {
        std::vector<std::pair<TDateTime, TDateTime>> lidos;
        for (const ValueArray& linha :
             FSessao.Conexao()
                 .ExecuteQuery("select DATAINICIAL, DATAFINAL from OPCAOIFRSMODELO "
                               "where CODIGOEMPRESA = :pEmpresa and DATAINICIAL is not null "
                               "and DATAFINAL is not null",
                               {{"pEmpresa", Value(FContexto.CodigoEmpresa)}})
                 .Rows)
          lidos.emplace_back(DateOf(linha[0].AsDateTime()), DateOf(linha[1].AsDateTime()));
        return lidos;
      });
  const TDateTime data = FLcto.DataLctoCtb;
  if (std::none_of(periodos.begin(), periodos.end(), [&](const auto& periodo) {
        return periodo.first <= data && data <= periodo.second;
      }))
    throw EnField(kMsgModeloIFRS, "DATALCTOCTB");
}

bool TnValidacaoLctoCtb::ValidarContaVinculadaGrupoHisLcto() {
  std::string contas = "0;";
  for (const int natureza : {1, -1}) {
    if (FEntrada.Preenchidos.Conta(natureza))
      contas += std::to_string(FLcto.Conta(natureza)) + ";";
  }
  const std::string filtroContas = Nutilinclusao::FilterInterval(
      "CONTACTB", contas, Nutilinclusao::TTipoInclusao::tiNumerica, false, 0);
  const std::string grupo =
      Nutil::ValorParaSQL(FConsultas.ValorLookup("CODIGOHISTCTB", "CODIGOGRUPOHISTCTB"));
  TnDMSQLDataSet sql(&FSessao.Conexao());
  const std::string empresa = Nutil::ValorParaSQL(Value(FContexto.CodigoEmpresa));
  const std::string condicaoEmpresa = " CODIGOEMPRESA = " + empresa + " AND " + filtroContas;
  if (sql.PegarTemRegistro("PLESPGRHISTCTB", condicaoEmpresa))
    return sql.PegarTemRegistro("PLESPGRHISTCTB",
                                condicaoEmpresa + " AND CODIGOGRUPOHISTCTB = " + grupo);
  const Value padrao = FSessao.Conexao().ExecuteScalar(
      "select CODIGOPADRAO from CFGEMPRESACTB where CODIGOEMPRESA = :pEmpresa",
      {{"pEmpresa", Value(FContexto.CodigoEmpresa)}});
  if (padrao.IsNull())
    return true;
  const std::string condicaoPadrao =
      " CODIGOPADRAO = " + Nutil::ValorParaSQL(padrao) + " AND " + filtroContas;
  if (sql.PegarTemRegistro("PLPADGRHISTCTB", condicaoPadrao))
    return sql.PegarTemRegistro("PLPADGRHISTCTB",
                                condicaoPadrao + " AND CODIGOGRUPOHISTCTB = " + grupo);
  return true;
}

bool TnValidacaoLctoCtb::HistoricoAtivo() {
  const Value historico = Codigo(FEntrada.Preenchidos.CodigoHistCtb, FLcto.CodigoHistCtb);
  if (historico ==
      Codigo(FEntrada.PreenchidosAnterior.CodigoHistCtb, FEntrada.Anterior.CodigoHistCtb))
    return true;
  TnCacheValidacaoLctoCtb* cache = FContexto.Cache;
  return Lembrado(cache ? &cache->HistoricoAtivo : nullptr, historico.AsString(), [&] {
    return !FSessao.Conexao()
                .ExecuteQuery(
                    "select 1 from HISTORICOCTB where CODIGOHISTCTB = :pHistorico and STATUS = 0",
                    {{"pHistorico", historico}})
                .Rows.empty();
  });
}

// ---- The user's posting window ----

void TnValidacaoLctoCtb::VerificarLimiteUsuario() {
  if (!FConfig.Usuario.UsuarioLimitado)
    return;
  if (!FContexto.TemTela || FContexto.Importacao)
    VerificaSeEstaDentroLimiteUsu([this](TDateTime d) { return EstaDentroDoLimiteUsuCache(d); },
                                  TTipoFuncVerificaLimite::tfComCache);
  else
    VerificaSeEstaDentroLimiteUsu([this](TDateTime d) { return EstaDentroDoLimiteUsu(d); },
                                  TTipoFuncVerificaLimite::tfSemCache);
}

bool TnValidacaoLctoCtb::EstaDentroDoLimiteUsu(TDateTime data) {
  return FSessao.Servico<TnUtilCtbLimiteUsuario>().VerificarLimiteUsuario(
      FContexto.CodigoEmpresa, FSessao.Conexao().CodigoUsuario(), data);
}

bool TnValidacaoLctoCtb::EstaDentroDoLimiteUsuCache(TDateTime data) {
  TnUtilCtb& controle = FSessao.Servico<TnUtilCtb>();
  controle.SetCodigoEmpresa(FContexto.CodigoEmpresa);
  const std::optional<ValueArray>& cfg = controle.GetCFGEmpresaCtb();
  if (!cfg || (*cfg)[kCfgDataInicialLctoUsu].IsNull() || (*cfg)[kCfgDataFinalLctoUsu].IsNull())
    throw Exception(nCtbSPeriodoLancUsuNaoEspecificado);
  const TDateTime dia = DateOf(data);
  return DataDe((*cfg)[kCfgDataInicialLctoUsu]) <= dia &&
         dia <= DataDe((*cfg)[kCfgDataFinalLctoUsu]);
}

void TnValidacaoLctoCtb::VerificaSeEstaDentroLimiteUsu(const TFuncVerificaLimite& verificar,
                                                       TTipoFuncVerificaLimite tipo) {
  const TDateTime nova = FLcto.DataLctoCtb;
  if (FEntrada.Inserindo || !FEntrada.PreenchidosAnterior.DataLctoCtb) {
    if (!verificar(nova))
      throw EnField(GetMsgDataForaDoLimite(tipo), "DATALCTOCTB");
    return;
  }
  const TDateTime antiga = FEntrada.Anterior.DataLctoCtb;
  const bool mudou = nova != antiga;
  if (mudou && verificar(antiga)) {
    if (!verificar(nova))
      throw EnField(GetMsgDataForaDoLimite(tipo), "DATALCTOCTB");
    return;
  }
  if (!verificar(antiga))
    throw EnField(
        mudou ? GetMsgDataForaDoLimiteDataAnterior(antiga, tipo) : GetMsgDataForaDoLimite(tipo),
        "DATALCTOCTB");
}

void TnValidacaoLctoCtb::LimitesDoTipo(TTipoFuncVerificaLimite tipo, TDateTime& inicio,
                                       TDateTime& fim) {
  if (tipo == TTipoFuncVerificaLimite::tfComCache) {
    TnUtilCtb& controle = FSessao.Servico<TnUtilCtb>();
    controle.SetCodigoEmpresa(FContexto.CodigoEmpresa);
    const std::optional<ValueArray>& cfg = controle.GetCFGEmpresaCtb();
    if (cfg) {
      inicio = DataDe((*cfg)[kCfgDataInicialLctoUsu]);
      fim = DataDe((*cfg)[kCfgDataFinalLctoUsu]);
    }
    return;
  }
  const TnUtilCtbLimiteUsuario& limite = FSessao.Servico<TnUtilCtbLimiteUsuario>();
  inicio = limite.GetDataInicialLimite();
  fim = limite.GetDataFinalLimite();
}

std::string TnValidacaoLctoCtb::GetMsgDataForaDoLimite(TTipoFuncVerificaLimite tipo) {
  TDateTime inicio;
  TDateTime fim;
  LimitesDoTipo(tipo, inicio, fim);
  return nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsu, DateToStr(inicio), DateToStr(fim));
}

std::string TnValidacaoLctoCtb::GetMsgDataForaDoLimiteDataAnterior(TDateTime data,
                                                                   TTipoFuncVerificaLimite tipo) {
  TDateTime inicio;
  TDateTime fim;
  LimitesDoTipo(tipo, inicio, fim);
  return nCtbS::Formatar(nCtbSDataLctoForaDoLimiteUsuData, DateToStr(inicio), DateToStr(fim),
                         DateToStr(data));
}
