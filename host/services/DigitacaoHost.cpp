#include "host/services/DigitacaoHost.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "activities/nCtbDMLctoAtivDiferenc_U.h"
#include "entries/nCtbDMLctoCtbCloud_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/Nutilform.h"
#include "framework/app/Nutilutil.h"
#include "framework/app/TnSelecao.h"
#include "framework/app/TnUtilConsultaWeb.h"
#include "framework/core/Exceptions.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMConexao.h"
#include "framework/db/TnSessao.h"
#include "host/common/HostComum.h"
#include "host/common/JsonEstrito.h"
#include "host/common/LinhaComando.h"
#include "host/common/ValorDigitado.h"
#include "host/output/BarraProgresso.h"
#include "host/services/ExibicaoLancamento.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "registers/nCtbDMLctoCtbExtemp_U.h"
#include "registers/nCtbDMLctoCtbParticipante_U.h"
#include "registers/nCtbDMLctoCtbQ100_U.h"
#include "registers/nCtbDMRelacLctoCtbIFRS_U.h"

namespace DigitacaoHost {

using json = nlohmann::ordered_json;
using JsonEstrito::InteiroObrigatorio;

namespace {

constexpr const char* kPosted = "posted";

// A date of the document; a text that is no date raises when `estrito`
// (the selection), else is left to the field that will refuse it.
std::optional<TDateTime> DataDoJson(const json& objeto, const char* nome, bool estrito) {
  if (!objeto.is_object() || !objeto.contains(nome) || !objeto[nome].is_string())
    return std::nullopt;
  const std::string texto = objeto[nome].get<std::string>();
  std::optional<TDateTime> data = ParseDate(texto);
  if (!data && estrito)
    throw Exception(std::string("Data inválida em \"") + nome + "\": " + texto);
  return data ? std::optional<TDateTime>(DateOf(*data)) : std::nullopt;
}

// The text a person would type for a JSON value: numbers with a dot.
std::string TextoDigitado(const json& valor) {
  if (valor.is_string())
    return valor.get<std::string>();
  return valor.dump();
}

// Every key a document may carry: anything else is a typo that would
// otherwise be ignored (an "action" taken for the default insert).
void VerificarChaves(const json& objeto, std::initializer_list<const char*> aceitas,
                     const std::string& onde) {
  for (const auto& item : objeto.items()) {
    const std::string& chave = item.key();
    if (std::none_of(aceitas.begin(), aceitas.end(),
                     [&](const char* aceita) { return chave == aceita; })) {
      std::string lista;
      for (const char* aceita : aceitas)
        Nutil::Add(lista, aceita, ", ");
      throw Exception(
          fmt::format("Chave desconhecida {}: \"{}\" (aceitas: {})", onde, chave, lista));
    }
  }
}

// A linked screen a posted entry may offer, keyed from the document: its
// register, the document's key and the action that opens it when the post
// itself did not.
struct TTelaVinculada {
  const char* Chave;
  const char* Classe;
  const char* Descricao;
  TTelaLctoCtb Tela;
};

const TTelaVinculada kTelasVinculadas[] = {
    {"participants", TnCtbDMLctoCtbParticipante::kClassName, "Participantes",
     TTelaLctoCtb::Participantes},
    {"extemporaneous", TnCtbDMLctoCtbExtemp::kClassName, "Data da ocorrência",
     TTelaLctoCtb::DataOcorrencia},
    {"q100", TnCtbDMLctoCtbQ100::kClassName, "Registro Q100", TTelaLctoCtb::RegistroQ100},
    {"relation", TnCtbDMRelacLctoCtbIFRS::kClassName, "Lançamento Fiscal/Societário",
     TTelaLctoCtb::FiscalSocietario},
};

void VerificarTelasVinculadas(const json& documento) {
  for (const TTelaVinculada& tela : kTelasVinculadas)
    if (documento.contains(tela.Chave) && !documento[tela.Chave].is_object())
      throw Exception(std::string("\"") + tela.Chave + "\" deve ser um objeto de campos");
}

void VerificarDocumento(const json& documento) {
  VerificarChaves(
      documento,
      {"op", "company", "key", "fields", "answers", "screen", "selection", "managerial",
       "activities", "transaction", "participants", "extemporaneous", "q100", "relation"},
      "no documento");
  VerificarTelasVinculadas(documento);
  for (const char* tipo : {"managerial", "activities"}) {
    if (!documento.contains(tipo))
      continue;
    const json& splits = documento[tipo];
    const std::string onde = std::string("em \"") + tipo + "\"";
    if (!splits.is_object())
      throw Exception("\"" + std::string(tipo) + "\" deve ser um objeto (debit, credit, redo)");
    VerificarChaves(splits, {"debit", "credit", "redo"}, onde);
    for (const char* lado : {"debit", "credit"})
      if (splits.contains(lado) && !splits[lado].is_array())
        throw Exception("\"" + std::string(lado) + "\" " + onde +
                        " deve ser uma lista de linhas (objetos de campos)");
    if (splits.contains("redo")) {
      if (!splits["redo"].is_array())
        throw Exception("\"redo\" " + onde + " deve ser uma lista de lados (debit, credit)");
      for (const json& lado : splits["redo"])
        if (lado != "debit" && lado != "credit")
          throw Exception("\"redo\" " + onde + " aceita apenas \"debit\" e \"credit\"");
    }
  }
  if (documento.contains("transaction") && documento["transaction"] != "close")
    throw Exception("\"transaction\" só aceita \"close\" (encerrar a transação aberta)");
  if (documento.contains("selection")) {
    if (!documento["selection"].is_object())
      throw Exception("\"selection\" deve ser um objeto");
    VerificarChaves(documento["selection"], {"from", "to"}, "em \"selection\"");
  }
  if (documento.contains("op") && !documento["op"].is_string())
    throw Exception("\"op\" deve ser um texto (insert, edit ou delete)");
  if (documento.contains("screen") && !documento["screen"].is_boolean())
    throw Exception("\"screen\" deve ser true ou false");
  if (documento.contains("answers") && !documento["answers"].is_array())
    throw Exception("\"answers\" deve ser uma lista de respostas");
}

// The text a person types into `field` for a JSON value: a text or a number
// (written with a dot), under the one rule of typed values; true and false
// only into a flag. Anything else is refused on the field.
std::string TextoDoCampo(const TField& field, const json& valor) {
  const std::string rotulo = TnUtilConsultaWeb::Rotulo(field);
  if (valor.is_object() || valor.is_array())
    throw EnField("Informe um texto ou um número em " + rotulo, field.FieldName());
  if (valor.is_boolean() != (field.DataType() == TFieldType::ftBoolean))
    throw EnField(valor.is_boolean() ? "Valor lógico (true ou false) não aceito em " + rotulo
                                     : "Informe true ou false em " + rotulo,
                  field.FieldName());
  std::string texto = TextoDigitado(valor);
  if (const std::string erro = ValorDigitado::Verificar(field, texto); !erro.empty())
    throw EnField(rotulo + ": " + erro, field.FieldName());
  return texto;
}

// The field of the screen named `nome`; an unknown name is refused with the
// names the screen has (and the nearest, when one is).
TField& CampoDaTela(const TnClientDataSet& cds, const std::string& nome) {
  if (TField* field = cds.FindField(nome))
    return *field;
  std::vector<std::string> nomes;
  for (int i = 0; i < cds.FieldCount(); ++i)
    if (!cds.Fields(i).IsCalculated())
      nomes.push_back(cds.Fields(i).FieldName());
  std::string lista;
  for (const std::string& aceito : nomes)
    Nutil::Add(lista, aceito, ", ");
  const std::string proximo = LinhaComando::MaisProximo(nome, nomes);
  throw Exception(fmt::format("Campo desconhecido em \"fields\": \"{}\" (aceitos: {}){}", nome,
                              lista, proximo.empty() ? "" : ". Você quis dizer " + proximo + "?"));
}

// Each field entered, typed and left in the order given, as a person tabbing
// through the screen of `modulo`; `depoisDoCampo` sees each field left.
void DigitarCampos(TnDMClientDataSet& modulo, const json& campos, int64_t codigoEmpresa,
                   const std::function<void(const TField&)>& depoisDoCampo = {}) {
  if (campos.is_null())
    return;
  if (!campos.is_object())
    throw Exception("\"fields\" deve ser um objeto");
  TnClientDataSet& cds = modulo.nClientDataSet;
  for (const auto& [nome, valor] : campos.items()) {
    TField& field = CampoDaTela(cds, nome);
    // The company is the one whose access was checked: a field may not move
    // the entry to another.
    if (Nutil::UpperCase(nome) == "CODIGOEMPRESA" &&
        !(valor.is_number_integer() && valor.get<int64_t>() == codigoEmpresa))
      throw EnField("A empresa do lançamento deve ser a do documento (\"company\")",
                    field.FieldName());
    // A closed field cannot be typed into: refused on the field.
    if (field.ReadOnly())
      throw EnField("Campo '" + field.DisplayLabel() + "' não pode ser modificado",
                    field.FieldName());
    TnFieldDefinicao& definicao = field.GetDefinicao();
    if (definicao.OnEnter)
      definicao.OnEnter(field);
    if (valor.is_null())
      field.Clear();
    else if (valor.is_boolean() && field.DataType() == TFieldType::ftBoolean)
      field.SetAsBoolean(valor.get<bool>());
    else {
      const std::string texto = TextoDoCampo(field, valor);
      try {
        field.SetText(texto);
      } catch (const EConvertError& erro) {
        // Text the field cannot take: the screen refuses it on the field.
        throw EnField(erro.what(), field.FieldName());
      }
    }
    if (definicao.OnExit)
      definicao.OnExit(field);
    if (depoisDoCampo)
      depoisDoCampo(field);
  }
}

// A refusal of one split row, with where the row is, so the page marks
// that row's cell as it marks an entry's field.
class ELinhaSplitRecusada : public EnField {
 public:
  ELinhaSplitRecusada(const TLinhaSplit& linha, const std::string& motivo, std::string campo)
      : EnField(linha.Nome() + ": " + motivo, std::move(campo)), FOnde(linha.Onde()) {}
  const json& Onde() const { return FOnde; }

 private:
  json FOnde;
};

// One kind of split a posted entry offers: the action of each side opens the
// companion screen; the document's rows are keyed there.
struct TTipoSplit {
  const char* Chave;      // of the document
  const char* Pagina;     // of the page's grids
  const char* Descricao;  // in messages
  const char* AcaoRefazer;
  // What that action runs, for a screen without its button (the web
  // variant's managerial screens).
  void (*Refazer)(TnDMClientDataSet&);
  TTelaLctoCtb Debito;
  TTelaLctoCtb Credito;
  TnDMClientDataSet& (*Companheiro)(TnCtbDMLctoCtbBase&);
};

const TTipoSplit kTiposSplit[] = {
    {"managerial", "gerencial", "Lançamento gerencial", "actRefazLctoGerAuto",
     [](TnDMClientDataSet& m) { dynamic_cast<TnCtbDMLctoGer&>(m).actRefazLctoGerAutoExecute(); },
     TTelaLctoCtb::GerencialDebito, TTelaLctoCtb::GerencialCredito,
     [](TnCtbDMLctoCtbBase& m) -> TnDMClientDataSet& { return m.GetDMLctoGer(); }},
    {"activities", "atividades", "Atividade", "actRefazLctoAtivAuto",
     [](TnDMClientDataSet& m) {
       dynamic_cast<TnCtbDMLctoAtivDiferenc&>(m).actRefazLctoAtivAutoExecute();
     },
     TTelaLctoCtb::AtividadeDebito, TTelaLctoCtb::AtividadeCredito,
     [](TnCtbDMLctoCtbBase& m) -> TnDMClientDataSet& { return m.GetDMLctoATiv(); }},
};

const TTipoSplit& TipoSplit(const std::string& chave) {
  for (const TTipoSplit& tipo : kTiposSplit)
    if (chave == tipo.Chave)
      return tipo;
  throw Exception("Tipo de rateio desconhecido: " + chave);
}

// The rows a person keyed on a side's screen before (every row but the
// automatic ones) are deleted there, one by one, as the person would: the
// rows a document brings for a side are then the side's typed rows, on a
// correction as on a new entry.
void ExcluirLinhasDigitadas(TnDMClientDataSet& companheiro) {
  constexpr int kOrigemAutomatica = 1;
  TnClientDataSet& cds = companheiro.nClientDataSet;
  cds.First();
  while (!cds.Eof()) {
    const Value& origem = cds.FieldByName("ORIGEMDADO").AsValue();
    if (!origem.IsNull() && origem.AsInteger() == kOrigemAutomatica)
      cds.Next();
    else
      cds.Delete();
  }
}

// Keys one side's rows on the companion screen the side's action opens:
// the rows typed before go when the document lists the side's rows, then
// the redo action runs when asked, then each row (Append, its fields, Post),
// then the screen is closed as a person would (its closing question asked).
// A refusal names the split; a side whose screen the entry does not offer
// is refused.
void DigitarSplitsLado(TnCtbDMLctoCtbBase& lancamentos, const TTipoSplit& tipo, bool debito,
                       const json* linhas, bool refazer, int64_t codigoEmpresa) {
  const std::string lado = debito ? "a débito" : "a crédito";
  TnDMClientDataSet& companheiro = tipo.Companheiro(lancamentos);
  TnForm& form = companheiro.CriarForm();
  bool aberta = false;
  std::exception_ptr falha;
  form.SetOnShowModal([&](TnForm& tela) {
    aberta = true;
    try {
      if (linhas != nullptr)
        ExcluirLinhasDigitadas(companheiro);
      if (TnAction* acao = tela.Actions().Find(tipo.AcaoRefazer); refazer && acao != nullptr)
        acao->Execute();
      else if (refazer)
        tipo.Refazer(companheiro);
      TLinhaSplit onde{tipo.Chave, debito, 0};
      for (const json& linha : linhas != nullptr ? *linhas : json::array()) {
        ++onde.Numero;
        try {
          companheiro.nClientDataSet.Append();
          DigitarCampos(companheiro, linha, codigoEmpresa);
          companheiro.nClientDataSet.Post();
        } catch (const ESemResposta&) {
          throw;
        } catch (const EAbort&) {
          throw;
        } catch (const std::exception& erro) {
          const auto* campo = dynamic_cast<const EnField*>(&erro);
          throw ELinhaSplitRecusada(onde, erro.what(), campo != nullptr ? campo->FieldName() : "");
        }
      }
      if (!tela.Close())
        throw EAbort();
    } catch (...) {
      falha = std::current_exception();
    }
  });
  struct TSemGancho {
    TnForm& Form;
    ~TSemGancho() { Form.SetOnShowModal(nullptr); }
  } semGancho{form};
  lancamentos.AbrirTela(debito ? tipo.Debito : tipo.Credito);
  if (falha)
    std::rethrow_exception(falha);
  if (!aberta)
    throw Exception(std::string(tipo.Descricao) + " " + lado +
                    ": o lançamento não oferece esta tela para a conta " + lado);
}

void DigitarSplits(TnDMClientDataSet& modulo, const json& documento, int64_t codigoEmpresa) {
  for (const TTipoSplit& tipo : kTiposSplit) {
    if (!documento.contains(tipo.Chave))
      continue;
    auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(&modulo);
    if (lancamentos == nullptr)
      throw Exception(std::string("\"") + tipo.Chave + "\" só vale para lançamentos contábeis");
    const json& splits = documento[tipo.Chave];
    const json redo = splits.value("redo", json::array());
    for (const char* lado : {"debit", "credit"}) {
      const bool refazer = std::find(redo.begin(), redo.end(), lado) != redo.end();
      if (!splits.contains(lado) && !refazer)
        continue;
      DigitarSplitsLado(*lancamentos, tipo, std::string(lado) == "debit",
                        splits.contains(lado) ? &splits[lado] : nullptr, refazer, codigoEmpresa);
    }
  }
}

// The linked screens of one document: while it lives, every screen the
// entry shows is recorded and, when the document carries its key, keyed
// there (the record the screen stands on, its fields, Post). Concluir opens
// by its action each keyed screen the post did not show; a key whose screen
// the entry does not offer is refused.
class TTelasDigitadas {
 public:
  TTelasDigitadas(TnCtbDMLctoCtbBase& modulo, const json& documento, int64_t codigoEmpresa)
      : FModulo(modulo), FDocumento(documento), FEmpresa(codigoEmpresa) {
    FModulo.SetOnTelaVinculada([this](TnDMClientDataSet& tela) { Mostrar(tela); });
  }
  ~TTelasDigitadas() { FModulo.SetOnTelaVinculada(nullptr); }
  TTelasDigitadas(const TTelasDigitadas&) = delete;
  TTelasDigitadas& operator=(const TTelasDigitadas&) = delete;

  // After the post: raises what failed on a screen, then opens the others.
  void Concluir() {
    RelancarFalha();
    for (const TTelaVinculada& tela : kTelasVinculadas) {
      if (!FDocumento.contains(tela.Chave) || Digitada(tela))
        continue;
      FModulo.AbrirTela(tela.Tela);
      RelancarFalha();
      if (!Digitada(tela))
        throw Exception(std::string(tela.Descricao) + ": o lançamento não oferece esta tela");
    }
  }
  const json& Telas() const { return FTelas; }

 private:
  void Mostrar(TnDMClientDataSet& modulo) {
    const TTelaVinculada* tela = nullptr;
    for (const TTelaVinculada& candidata : kTelasVinculadas)
      if (Nutil::UpperCase(candidata.Classe) == Nutil::UpperCase(modulo.ClassName()))
        tela = &candidata;
    const bool digitar = tela != nullptr && FDocumento.contains(tela->Chave) && !Digitada(*tela);
    if (digitar)
      FDigitadas.push_back(tela->Chave);
    modulo.CriarForm().SetOnShowModal([this, tela, digitar, &modulo](TnForm& form) {
      json mostrada = {{"class", modulo.ClassName()}, {"caption", form.Caption}};
      if (tela != nullptr)
        mostrada["key"] = tela->Chave;
      FTelas.push_back(std::move(mostrada));
      if (!digitar)
        return;
      try {
        TnClientDataSet& cds = modulo.nClientDataSet;
        if (cds.State() == TDataSetState::dsBrowse)
          cds.Edit();
        DigitarCampos(modulo, FDocumento[tela->Chave], FEmpresa);
        cds.Post();
      } catch (const EnField& erro) {
        FFalha = std::make_exception_ptr(
            EnField(std::string(tela->Descricao) + ": " + erro.what(), erro.FieldName()));
      } catch (const ESemResposta&) {
        FFalha = std::current_exception();
      } catch (const EAbort&) {
        FFalha = std::current_exception();
      } catch (const std::exception& erro) {
        FFalha =
            std::make_exception_ptr(Exception(std::string(tela->Descricao) + ": " + erro.what()));
      }
    });
  }
  bool Digitada(const TTelaVinculada& tela) const {
    return std::find(FDigitadas.begin(), FDigitadas.end(), tela.Chave) != FDigitadas.end();
  }
  void RelancarFalha() {
    if (FFalha)
      std::rethrow_exception(std::exchange(FFalha, nullptr));
  }

  TnCtbDMLctoCtbBase& FModulo;
  const json& FDocumento;
  int64_t FEmpresa;
  std::vector<std::string> FDigitadas;
  std::exception_ptr FFalha;
  json FTelas = json::array();
};

// The transaction of the entry just written, as the screen shows it: its
// number, its sums and whether it is still open for the next entry.
json TransacaoJson(TnCtbDMLctoCtbBase& modulo, int64_t empresa, double numero) {
  if (numero == 0)
    return json();
  const TDifTransacao dif = modulo.SomarTransacao(empresa, numero);
  return {{"TRANSCTB", static_cast<int64_t>(numero)},
          {"debit", dif.Debito.ToDouble()},
          {"credit", dif.Credito.ToDouble()},
          {"difference", dif.Diferenca.ToDouble()},
          {"open", modulo.GetTransacaoAtual() == numero}};
}

json TransacaoJson(TnCtbDMLctoCtbBase& modulo) {
  const TField& trans = modulo.nClientDataSet.FieldByName("TRANSCTB");
  return TransacaoJson(modulo, modulo.nClientDataSet.FieldByName("CODIGOEMPRESA").AsInteger(),
                       trans.IsNull() ? 0 : trans.AsFloat());
}

// The document's company, a small integer.
int64_t Empresa(const json& documento) {
  return InteiroObrigatorio(documento, "company", "a empresa", 32767);
}

// The key of the record an edit or a delete stands on: no module keys its
// records beyond an entry key's range.
int64_t Chave(const json& documento) {
  return InteiroObrigatorio(documento, "key", "a chave do registro", HostComum::kMaxChaveLctoCtb);
}

// One document's result in a line: what was written and its key, or why
// nothing was, the refused field named by its label on the screen.
std::string LinhaDoResultado(const json& documento, const json& resultado,
                             const TnDMClientDataSet* modulo, const std::string& classe) {
  const bool lancamento =
      classe == kClassePadrao || dynamic_cast<const TnCtbDMLctoCtbBase*>(modulo) != nullptr;
  const std::string registro = lancamento ? "Lançamento" : "Registro";
  if (resultado["result"] == kPosted) {
    const std::string op = documento.value("op", "insert");
    const char* feito = op == "delete" ? "excluído" : op == "edit" ? "alterado" : "gravado";
    const std::string campoChave =
        Nutil::StrToStrArray(lancamento ? kCamposChavePadrao : modulo->ChavePrimaria(), ";").back();
    const json& chave =
        resultado["entry"].contains(campoChave) ? resultado["entry"][campoChave] : json();
    return fmt::format("{} {}{}", registro, chave.is_null() ? "" : chave.dump() + " ", feito);
  }
  if (resultado["result"] == "aborted")
    return registro + " cancelado";
  std::string mensagem = resultado.value("message", "");
  const TField* field =
      resultado.contains("field") && modulo != nullptr
          ? modulo->nClientDataSet.FindField(resultado["field"].get<std::string>())
          : nullptr;
  // The field's label leads, unless the message already names it.
  if (const std::string rotulo = field != nullptr ? TnUtilConsultaWeb::Rotulo(*field) : "";
      !rotulo.empty() && !mensagem.starts_with(rotulo + ":") &&
      mensagem.find("'" + rotulo + "'") == std::string::npos)
    mensagem = rotulo + ": " + mensagem;
  return registro + " não gravado: " + mensagem;
}

// The company and the first day of a screen's period as the web host
// publishes them ("gCodigoEmpresaAtiva", "gDATALCTOCTB_MAIORIGUAL") while the
// screen works; the tabs of a session share the variables, so what was there
// before comes back after. A screen without a period (an entry opened by its
// key) publishes no date: the module judges by the entry's own.
class TVariaveisDaSelecao {
 public:
  TVariaveisDaSelecao(bool publicar, int64_t empresa, TDateTime de) {
    if (!publicar)
      return;
    Publicar("gCodigoEmpresaAtiva", Value(empresa));
    if (de != HostComum::DataMinima())
      Publicar("gDATALCTOCTB_MAIORIGUAL", Value(de));
  }
  ~TVariaveisDaSelecao() {
    for (auto& [nome, valor] : FAnteriores)
      Nutilutil::SetValorExternalVar(nome, std::move(valor));
  }
  TVariaveisDaSelecao(const TVariaveisDaSelecao&) = delete;
  TVariaveisDaSelecao& operator=(const TVariaveisDaSelecao&) = delete;

 private:
  void Publicar(const char* nome, Value valor) {
    FAnteriores.emplace_back(nome, Nutilutil::PegarValorExternalVar(nome));
    Nutilutil::SetValorExternalVar(nome, std::move(valor));
  }
  std::vector<std::pair<std::string, Value>> FAnteriores;
};

}  // namespace

std::string TLinhaSplit::Nome() const {
  return std::string(TipoSplit(Chave).Descricao) + (Debito ? " a débito " : " a crédito ") +
         std::to_string(Numero);
}

json TLinhaSplit::Onde() const {
  return {{"lado", Debito ? "D" : "C"}, {"tipo", TipoSplit(Chave).Pagina}, {"linha", Numero}};
}

// What the module was last opened on: a new document with the same
// selection keeps the records (and what the module remembers) as they are.
struct TDigitacao::TSelecaoAberta {
  int64_t Empresa = 0;
  TDateTime De;
  TDateTime Ate;
  std::string Filtro;
  bool operator==(const TSelecaoAberta& outra) const {
    return Empresa == outra.Empresa && De == outra.De && Ate == outra.Ate && Filtro == outra.Filtro;
  }
};

TDigitacao::TDigitacao(TnDMConexao& conexao, TOpcoesDigitacao opcoes)
    : FConexao(conexao), FOpcoes(std::move(opcoes)) {}

TDigitacao::~TDigitacao() {
  // The module first: it points at the form.
  FModulo.reset();
  FForm.reset();
}

void TDigitacao::CriarModulo(bool tela) {
  // Kept only once configured: a module whose configuration failed is not
  // offered to the next document.
  std::unique_ptr<TnDMClientDataSet> modulo =
      Nutilform::CriarDMNovo<TnDMClientDataSet>(FOpcoes.Classe);
  std::unique_ptr<TnForm> form;
  modulo->SetConexao(&FConexao);
  modulo->ConfigSobDemanda();
  modulo->SetTemTela(tela);
  if (tela) {
    form = std::make_unique<TnForm>("Frm" + FOpcoes.Classe);
    modulo->Configurar(form.get());
  } else {
    modulo->Configurar(nullptr);
  }
  // Every document names its company and period: entries are opened on them
  // even where the installation does not demand a selection, so a screen
  // never loads the entries of other companies and months.
  const TnClientDataSet& registros = modulo->nClientDataSet;
  if (registros.FindField("CODIGOEMPRESA") != nullptr &&
      registros.FindField("DATALCTOCTB") != nullptr)
    modulo->SetVerificaSelecaoManual(
        fmt::format("{};{};{}", kSelCodigoEmpresa, kSelDataInicial, kSelDataFinal));
  FForm = std::move(form);
  FModulo = std::move(modulo);
}

void TDigitacao::AbrirSeNecessario(const json& documento) {
  TSelecaoAberta selecao;
  selecao.Empresa = Empresa(documento);
  const json semSelecao = json::object();
  const json& periodo = documento.contains("selection") ? documento["selection"] : semSelecao;
  std::optional<TDateTime> de = DataDoJson(periodo, "from", true);
  std::optional<TDateTime> ate = DataDoJson(periodo, "to", true);
  const std::string op = documento.value("op", "insert");
  if (!de && !ate) {
    // No period chosen: an insert works on the month of its date (this
    // month without one); an edit or a delete opens on its own record only.
    const json& campos = documento.contains("fields") ? documento["fields"] : semSelecao;
    std::optional<TDateTime> data = DataDoJson(campos, "DATALCTOCTB", false);
    if (op == "insert") {
      const TDateTime mes = data.value_or(Date());
      de = StartOfTheMonth(mes);
      ate = DateOf(EndOfTheMonth(mes));
    } else {
      const std::vector<std::string> nomes = Nutil::StrToStrArray(FOpcoes.CamposChave, ";");
      const Value chave(Chave(documento));
      std::string filtro;
      for (size_t i = 0; i < nomes.size(); ++i) {
        const Value valor = i + 1 == nomes.size() ? chave : Value(selecao.Empresa);
        Nutil::Add(filtro, nomes[i] + Nutil::ValorParaSQL(valor, "="), " and ");
      }
      selecao.Filtro = filtro;
    }
  }
  selecao.De = de.value_or(HostComum::DataMinima());
  selecao.Ate = ate.value_or(HostComum::DataMaxima());
  TnSelecao parametros;
  parametros.SetParam(kSelCodigoEmpresa, Value(selecao.Empresa));
  parametros.SetParam(kSelDataInicial, Value(selecao.De));
  parametros.SetParam(kSelDataFinal, Value(selecao.Ate));
  SelecaoDoRegistro(documento, parametros, selecao.Filtro);
  if (FAberta && *FAberta == selecao && FModulo->nClientDataSet.Active())
    return;

  // The host's selection is the one the person chose before opening.
  for (const std::string& nome : parametros.Nomes())
    nDMSelecao().CriarParam(nome, parametros.Param(nome));
  FAberta.reset();
  FModulo->SetFiltroAbertura(selecao.Filtro);
  const TVariaveisDaSelecao variaveis(FOpcoes.PublicarSelecao, selecao.Empresa, selecao.De);
  FModulo->Abrir(&parametros);
  FAberta = std::make_unique<TSelecaoAberta>(selecao);
}

TnDMClientDataSet& TDigitacao::Preparar(int64_t codigoEmpresa) {
  TUsarConexao usarConexao(FConexao);
  if (FOpcoes.VerificarEmpresa)
    FOpcoes.VerificarEmpresa(codigoEmpresa);
  if (!FModulo)
    CriarModulo(true);
  if (!FAberta || FAberta->Empresa != codigoEmpresa)
    AbrirSeNecessario(json{{"company", codigoEmpresa}});
  return *FModulo;
}

void TDigitacao::MostrarTelaVinculada(int64_t codigoEmpresa, int64_t chave, const std::string& tela,
                                      const std::function<void(TnDMClientDataSet&)>& mostrar) {
  const auto vinculada =
      std::find_if(std::begin(kTelasVinculadas), std::end(kTelasVinculadas),
                   [&](const TTelaVinculada& candidata) { return tela == candidata.Chave; });
  if (vinculada == std::end(kTelasVinculadas))
    throw Exception("Tela desconhecida: use participants, extemporaneous, q100 ou relation");
  auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(&Preparar(codigoEmpresa));
  if (lancamentos == nullptr)
    throw Exception("O módulo da aba não faz lançamentos contábeis");
  TUsarConexao usarConexao(FConexao);
  TUsarDialogService usarDialogos(std::make_shared<TDialogServiceScripted>());
  const json documento = {{"op", "edit"}, {"company", codigoEmpresa}, {"key", chave}};
  bool mostrada = false;
  lancamentos->SetOnTelaVinculada([&](TnDMClientDataSet& modulo) {
    if (Nutil::UpperCase(modulo.ClassName()) != Nutil::UpperCase(vinculada->Classe))
      return;
    modulo.CriarForm().SetOnShowModal([&](TnForm&) {
      mostrar(modulo);
      mostrada = true;
    });
  });
  // Whatever the screen did stays unwritten, and the module stops watching.
  const int nivelAntes = FConexao.NivelTransacao();
  const auto terminar = [&] {
    lancamentos->SetOnTelaVinculada(nullptr);
    while (FConexao.NivelTransacao() > nivelAntes)
      FConexao.RollBack();
  };
  FConexao.StartTransaction();
  try {
    Localizar(documento);
    lancamentos->AbrirTela(vinculada->Tela);
  } catch (...) {
    terminar();
    throw;
  }
  terminar();
  if (!mostrada)
    throw Exception(std::string(vinculada->Descricao) + ": o lançamento não oferece esta tela");
}

json TDigitacao::ContinuarTransacao(int64_t codigoEmpresa, int64_t chave) {
  auto* web = dynamic_cast<TnCtbDMLctoCtbCloud*>(&Preparar(codigoEmpresa));
  if (web == nullptr)
    throw Exception("O módulo da aba não faz lançamentos contábeis");
  TUsarConexao usarConexao(FConexao);
  TUsarDialogService usarDialogos(std::make_shared<TDialogServiceScripted>());
  const TVariaveisDaSelecao variaveis(FOpcoes.PublicarSelecao, FAberta->Empresa, FAberta->De);
  if (!web->nActContinuarTransacao.Enabled())
    throw Exception("Continuar Transação: indisponível — o módulo não a habilita nesta empresa");
  Localizar({{"company", codigoEmpresa}, {"key", chave}});
  web->nActContinuarTransacao.Execute();
  return TransacaoJson(*web, codigoEmpresa, web->GetTransacaoAtual());
}

void TDigitacao::SelecaoDoRegistro(const json& documento, TnSelecao& parametros,
                                   std::string& filtro) const {
  const std::vector<std::string> chave = Nutil::StrToStrArray(FOpcoes.CamposChave, ";");
  const json semCampos = json::object();
  const json& campos = documento.contains("fields") ? documento["fields"] : semCampos;
  for (const std::string& nome : Nutil::StrToStrArray(FModulo->VerificaSelecao(), ";")) {
    if (parametros.TemParam(nome))
      continue;
    Value valor;
    if (documento.value("op", "insert") != "insert" && !chave.empty() &&
        Nutil::UpperCase(nome) == Nutil::UpperCase(chave.back()))
      valor = Value(Chave(documento));
    else if (campos.is_object() && campos.contains(nome) && campos[nome].is_number_integer())
      valor = Value(campos[nome].get<int64_t>());
    else
      throw Exception(
          fmt::format("O cadastro abre sobre um registro: informe \"{}\" em \"fields\"", nome));
    Nutil::Add(filtro, nome + Nutil::ValorParaSQL(valor, "="), " and ");
    parametros.SetParam(nome, valor);
  }
}

void TDigitacao::Localizar(const json& documento) {
  const int64_t empresa = Empresa(documento);
  const int64_t chave = Chave(documento);
  const std::vector<std::string> nomes = Nutil::StrToStrArray(FOpcoes.CamposChave, ";");
  ValueArray valores;
  std::string condicao;
  for (size_t i = 0; i < nomes.size(); ++i) {
    valores.push_back(i + 1 == nomes.size() ? Value(chave) : Value(empresa));
    Nutil::Add(condicao, nomes[i] + Nutil::ValorParaSQL(valores.back(), "="), " and ");
  }
  // A record "Continuar Transação" appended and nothing keyed into is
  // cancelled, as leaving it on a screen does (its transaction closes):
  // looking for another would write it.
  if (FModulo->nClientDataSet.State() == TDataSetState::dsInsert)
    FModulo->nClientDataSet.Cancel();
  // A module that loads its rows on demand opened empty: the record is
  // fetched before it is looked for.
  if (FModulo->CarregarDetalhesDinamicamente())
    FModulo->FetchRegistros(condicao);
  if (!FModulo->nClientDataSet.Locate(FOpcoes.CamposChave, valores))
    throw Exception("Registro não encontrado: empresa " + std::to_string(empresa) + ", chave " +
                    std::to_string(chave));
}

json TDigitacao::Digitar(const json& campos, int64_t codigoEmpresa) {
  // What the screen shows beside the accounts after each field.
  json exibicao = json::array();
  auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(FModulo.get());
  DigitarCampos(*FModulo, campos, codigoEmpresa, [&](const TField& field) {
    if (lancamentos == nullptr)
      return;
    json passo = {{"field", field.FieldName()}};
    passo.update(ExibicaoLancamento::Contas(*lancamentos));
    exibicao.push_back(std::move(passo));
  });
  return exibicao;
}

void TDigitacao::Desfazer() {
  if (FModulo) {
    TnClientDataSet& cds = FModulo->nClientDataSet;
    try {
      if (cds.State() == TDataSetState::dsInsert || cds.State() == TDataSetState::dsEdit)
        cds.Cancel();
      if (cds.Active() && cds.ChangeCount() > 0)
        cds.CancelUpdates();
      if (auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(FModulo.get())) {
        lancamentos->DescartarSplitsPendentes();
        // The balances shown were moved by what is now rolled back.
        lancamentos->cdsSaldos.EmptyDataSet();
      }
    } catch (const std::exception&) {
      // The records are reloaded before the next document anyway.
    }
  }
  // What the module holds may now differ from the database.
  FAberta.reset();
}

json TDigitacao::Executar(const json& documento) {
  if (!documento.is_object())
    throw Exception("Cada documento deve ser um objeto JSON");
  // A malformed document is a refusal like any other, in the result.
  std::string recusaDocumento;
  try {
    VerificarDocumento(documento);
  } catch (const Exception& erro) {
    recusaDocumento = erro.what();
  }
  std::vector<std::string> respostas;
  if (recusaDocumento.empty() && documento.contains("answers")) {
    for (const json& resposta : documento["answers"])
      respostas.push_back(TextoDigitado(resposta));
  }
  auto dialogos = std::make_shared<TDialogServiceScripted>(std::move(respostas));
  TUsarConexao usarConexao(FConexao);
  TUsarDialogService usarDialogos(dialogos);

  json resultado = json::object();
  json registro, transacao, exibicao;
  std::string mensagem, campo;
  json linhaRecusada = json::object();
  std::optional<TTelasDigitadas> telas;
  const int nivelAntes = FConexao.NivelTransacao();
  try {
    if (!recusaDocumento.empty())
      throw Exception(recusaDocumento);
    const std::string op = documento.value("op", "insert");
    if (op != "insert" && op != "edit" && op != "delete")
      throw Exception("Operação desconhecida: " + op + " (insert, edit ou delete)");
    if (FOpcoes.VerificarEmpresa)
      FOpcoes.VerificarEmpresa(Empresa(documento));
    if (!FModulo)
      CriarModulo(documento.value("screen", true));
    AbrirSeNecessario(documento);
    const TVariaveisDaSelecao variaveis(FOpcoes.PublicarSelecao, FAberta->Empresa, FAberta->De);
    TnClientDataSet& cds = FModulo->nClientDataSet;
    // A new record draws its key from the company's sequence as it starts,
    // before its transaction opens, so the draw commits at once: drawn
    // inside, the sequence's row would stay locked to the commit and every
    // save of the company would wait for the one before it. A refused
    // record leaves its key unused, a gap like a deleted entry's.
    if (op == "insert") {
      // "Continuar Transação" left its appended record for this one.
      if (cds.State() != TDataSetState::dsInsert)
        cds.Append();
      if (TField* empresa = cds.FindField("CODIGOEMPRESA"); empresa && empresa->IsNull()) {
        TnControleFieldsManutencaoTela::Controlar(
            *FModulo, [&] { empresa->SetAsInteger(Empresa(documento)); });
      }
    }
    FConexao.StartTransaction();
    if (op != "insert")
      Localizar(documento);
    auto* lancamentos = dynamic_cast<TnCtbDMLctoCtbBase*>(FModulo.get());
    for (const TTelaVinculada& tela : kTelasVinculadas)
      if (documento.contains(tela.Chave) && (lancamentos == nullptr || op == "delete"))
        throw Exception(std::string("\"") + tela.Chave +
                        "\" só vale ao gravar lançamentos contábeis");
    if (lancamentos != nullptr)
      telas.emplace(*lancamentos, documento, Empresa(documento));
    if (op == "delete") {
      registro = HostComum::RegistroJson(cds);
      cds.Delete();
    } else {
      if (op == "edit")
        cds.Edit();
      exibicao["fields"] =
          Digitar(documento.contains("fields") ? documento["fields"] : json(), Empresa(documento));
      cds.Post();
      registro = HostComum::RegistroJson(cds);
      DigitarSplits(*FModulo, documento, Empresa(documento));
      if (telas)
        telas->Concluir();
      if (auto* lcto = dynamic_cast<TnCtbDMLctoCtbBase*>(FModulo.get())) {
        // Closing as "Criar Transação" does: asked when it does not balance.
        if (documento.contains("transaction"))
          lcto->CloseTransacao(true, true);
        transacao = TransacaoJson(*lcto);
      }
    }
    if (auto* lcto = dynamic_cast<TnCtbDMLctoCtbBase*>(FModulo.get()))
      exibicao.update(ExibicaoLancamento::Completa(*lcto));
    FConexao.Commit();
    resultado["result"] = kPosted;
  } catch (const ESemResposta& erro) {
    resultado["result"] = "question";
    mensagem = erro.what();
  } catch (const EnField& erro) {
    resultado["result"] = "refused";
    mensagem = erro.what();
    campo = erro.FieldName();
    if (const auto* linha = dynamic_cast<const ELinhaSplitRecusada*>(&erro))
      linhaRecusada = linha->Onde();
  } catch (const EAbort&) {
    resultado["result"] = "aborted";
  } catch (const std::exception& erro) {
    resultado["result"] = "refused";
    mensagem = erro.what();
  }
  if (resultado["result"] != kPosted) {
    Desfazer();
    while (FConexao.NivelTransacao() > nivelAntes)
      FConexao.RollBack();
    // A module may turn the unanswered question into its own refusal: the
    // question is still what stopped it.
    const std::vector<TDialogoRegistrado> perguntas = dialogos->Perguntas();
    if (!perguntas.empty() && perguntas.back().Resposta.empty() &&
        dialogos->RespostasRestantes() == 0 && resultado["result"] != "question") {
      resultado["result"] = "question";
      mensagem = "Pergunta sem resposta: " + perguntas.back().Texto;
      campo.clear();
      linhaRecusada = json::object();
    }
  }
  resultado.update(linhaRecusada);
  if (!mensagem.empty())
    resultado["message"] = mensagem;
  if (!campo.empty())
    resultado["field"] = campo;
  json perguntas = json::array();
  for (const TDialogoRegistrado& pergunta : dialogos->Perguntas()) {
    json item = {{"text", pergunta.Texto}, {"buttons", pergunta.Botoes}};
    item["answer"] = pergunta.Resposta.empty() ? json() : json(pergunta.Resposta);
    perguntas.push_back(std::move(item));
  }
  resultado["questions"] = std::move(perguntas);
  resultado["informations"] = dialogos->Informacoes();
  if (telas && !telas->Telas().empty())
    resultado["screens"] = telas->Telas();
  if (resultado["result"] == kPosted)
    resultado["entry"] = std::move(registro);
  if (resultado["result"] == kPosted && !transacao.is_null())
    resultado["transaction"] = std::move(transacao);
  if (resultado["result"] == kPosted && !exibicao.is_null())
    resultado["display"] = std::move(exibicao);
  if (resultado["result"] == kPosted && FOpcoes.RefrescarAposGravar)
    FModulo->Refresh();
  return resultado;
}

TOpcoesDigitacao OpcoesTelaWeb(std::function<void(int64_t)> verificarEmpresa) {
  TOpcoesDigitacao opcoes;
  opcoes.Classe = TnCtbDMLctoCtbCloud::kClassName;
  opcoes.VerificarEmpresa = std::move(verificarEmpresa);
  opcoes.RefrescarAposGravar = true;
  opcoes.PublicarSelecao = true;
  return opcoes;
}

TResultadoDigitacao Executar(TnDMConexao& conexao, const json& entrada,
                             const TOpcoesDigitacao& opcoes) {
  if (!entrada.is_object() && !entrada.is_array())
    throw Exception("A entrada deve ser um objeto JSON ou uma lista de objetos");
  TDigitacao digitacao(conexao, opcoes);
  TResultadoDigitacao resultado;
  if (entrada.is_object()) {
    resultado.Saida = digitacao.Executar(entrada);
    resultado.TodosPostados = resultado.Saida["result"] == kPosted;
    resultado.Linhas.push_back(
        LinhaDoResultado(entrada, resultado.Saida, digitacao.Modulo(), opcoes.Classe));
    return resultado;
  }
  resultado.Saida = json::array();
  TnFraProgresso progresso;
  progresso.SetOnAtualizar(opcoes.Progresso);
  progresso.Iniciar("Lançando", static_cast<int64_t>(entrada.size()));
  for (const json& documento : entrada) {
    json item = digitacao.Executar(documento);
    progresso.Incrementar();
    const bool postado = item["result"] == kPosted;
    resultado.Linhas.push_back(
        LinhaDoResultado(documento, item, digitacao.Modulo(), opcoes.Classe));
    resultado.Saida.push_back(std::move(item));
    if (!postado) {
      resultado.TodosPostados = false;
      break;
    }
  }
  return resultado;
}

std::string LerDocumento(const std::string& arquivo) {
  std::ifstream arquivoAberto;
  if (!arquivo.empty()) {
    arquivoAberto.open(arquivo, std::ios::binary);
    if (!arquivoAberto)
      throw Exception("Não foi possível abrir " + arquivo);
  }
  std::istream& entrada = arquivo.empty() ? std::cin : arquivoAberto;
  std::string texto(kMaxBytesDocumento + 1, '\0');
  entrada.read(texto.data(), static_cast<std::streamsize>(texto.size()));
  texto.resize(static_cast<size_t>(entrada.gcount()));
  if (texto.size() > kMaxBytesDocumento)
    throw Exception("Documento JSON maior que " + std::to_string(kMaxBytesDocumento / 1024 / 1024) +
                    " MB");
  return texto;
}

json AnalisarDocumento(const std::string& textoJson) {
  if (textoJson.size() > kMaxBytesDocumento)
    throw Exception("Documento JSON maior que " + std::to_string(kMaxBytesDocumento / 1024 / 1024) +
                    " MB");
  // Refused while parsing, before a deep value is built: freeing or writing
  // one recurses once per level.
  return JsonEstrito::Analisar(textoJson, kMaxProfundidade);
}

TSaidaComando ComandoEntryPost(TnDMConexao& conexao, const std::string& textoJson,
                               const TOpcoesDigitacao& opcoes, bool emLinhas) {
  HostComum::CarregarPacote();
  const json entrada = AnalisarDocumento(textoJson);
  TBarraProgresso barra;
  TOpcoesDigitacao comBarra = opcoes;
  if (!comBarra.Progresso)
    comBarra.Progresso = barra.Hook();
  TResultadoDigitacao resultado = Executar(conexao, entrada, comBarra);
  barra.Apagar();
  TSaidaComando saida;
  if (emLinhas)
    for (const std::string& linha : resultado.Linhas)
      Nutil::Add(saida.Texto, linha, "\n");
  else
    saida.Texto = resultado.Saida.dump(2, ' ', false, json::error_handler_t::replace);
  saida.Status = resultado.TodosPostados ? 0 : 1;
  return saida;
}

}  // namespace DigitacaoHost
