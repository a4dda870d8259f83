#include "tests/host/TnTesteDMLcto.h"

#include <stdexcept>

#include "framework/app/Ndialogs.h"
#include "framework/app/Nutilform.h"
#include "framework/core/Exceptions.h"
#include "framework/core/FormatFloat.h"
#include "framework/core/Nutil.h"
#include "framework/db/NutilSql.h"
#include "framework/db/TnDMSQLDataSet.h"

void TnTesteDMLcto::Registrar() {
  if (!Nutilform::TemClasse(kNomeClasse))
    Nutilform::nRegisterClass<TnTesteDMLcto>(kNomeClasse);
}

TnTesteDMLcto::TnTesteDMLcto() {
  SetSelectText("select * from LCTOCTB");
}

void TnTesteDMLcto::nDataSetProviderGetTableName(TnDataSetProvider& /*sender*/,
                                                 TnSQLDataSet* /*dataSet*/,
                                                 std::string& tableName) {
  tableName = "LCTOCTB";
}

void TnTesteDMLcto::ConfigurarCampo(TField& field) {
  TnDMClientDataSet::ConfigurarCampo(field);
  const std::string nome = Nutil::UpperCase(field.FieldName());
  field.GetDefinicao().OnEnter = [this](TField& sender) {
    FTrilha.push_back("enter:" + sender.FieldName());
  };
  field.GetDefinicao().OnExit = [this](TField& sender) {
    FTrilha.push_back("exit:" + sender.FieldName());
  };
  if (nome == "CONTACTBDEB" || nome == "CONTACTBCRED") {
    // An account is typed as its number or as its alias.
    field.OnSetText = [this](TField& sender, const std::string& texto) {
      FTrilha.push_back("set:" + sender.FieldName());
      const std::string limpo = Nutil::Trim(texto);
      if (limpo.empty()) {
        sender.Clear();
        return;
      }
      if (limpo.find_first_not_of("0123456789") == std::string::npos) {
        sender.SetValue(Value(texto));
        return;
      }
      const Value conta =
          TnDMSQLDataSet(&Conexao())
              .PegarValorCampo("PLANOESPEC", "CONTACTB",
                               "CODIGOEMPRESA" +
                                   Nutil::ValorParaSQL(Value(PegarCodigoEmpresa()), "=") +
                                   " and APELIDOCONTA" +
                                   Nutil::ValorParaSQL(Value(Nutil::UpperCase(texto)), "="));
      if (conta.IsNull())
        throw EnField("Conta não encontrada: " + texto, sender.FieldName());
      sender.SetValue(conta);
    };
  }
  if (nome == "CODIGOHISTCTB") {
    // Leaving the history fills the complement with its description.
    field.GetDefinicao().OnExit = [this](TField& sender) {
      FTrilha.push_back("exit:" + sender.FieldName());
      TField& complemento = nClientDataSet.FieldByName("COMPLHIST");
      if (!sender.IsNull() && complemento.IsNull()) {
        complemento.SetValue(
            TnDMSQLDataSet(&Conexao())
                .PegarValorCampo("HISTORICOCTB", "DESCRHISTCTB",
                                 "CODIGOHISTCTB" + Nutil::ValorParaSQL(sender.AsValue(), "=")));
      }
    };
  }
}

void TnTesteDMLcto::ConfigurarAutoValor(TnClientDataSet& sender) {
  TField& empresa = sender.FieldByName("CODIGOEMPRESA");
  if (empresa.IsNull() && Selecao().CodigoEmpresa() != 0)
    empresa.SetAsInteger(Selecao().CodigoEmpresa());
  if (sender.FieldByName("TIPOLANCAMENTO").IsNull())
    sender.FieldByName("TIPOLANCAMENTO").SetAsString("N");
  if (sender.FieldByName("CODIGOESTAB").IsNull())
    sender.FieldByName("CODIGOESTAB").SetAsInteger(1);
  // A new entry starts on the date of the last one saved.
  if (sender.FieldByName("DATALCTOCTB").IsNull() && FUltimaData.Days() != 0)
    sender.FieldByName("DATALCTOCTB").SetAsDateTime(FUltimaData);
  // In import mode the key is the importer's business.
  if (sender.State() == TDataSetState::dsInsert && !empresa.IsNull() && !Importacao())
    DMAutoIncrementarCheck(sender.FieldByName("CHAVELCTOCTB"));
}

void TnTesteDMLcto::ValidarDado() {
  TnClientDataSet& cds = nClientDataSet;
  if (cds.FieldByName("COMPLHIST").AsString() == "FALHA")
    throw std::runtime_error("falha simulada");
  if (cds.FieldByName("DATALCTOCTB").IsNull())
    throw EnField("Informe a data do lançamento", "DATALCTOCTB");
  if (cds.FieldByName("CONTACTBDEB").IsNull() && cds.FieldByName("CONTACTBCRED").IsNull())
    throw EnField("Informe a conta de débito ou de crédito", "CONTACTBDEB");
  const TField& valor = cds.FieldByName("VALORLCTOCTB");
  if (valor.IsNull() || valor.AsCurrency() <= Currency())
    throw EnField("O valor do lançamento deve ser maior que zero", "VALORLCTOCTB");
  TnDMClientDataSet::ValidarDado();
  if (!Tela())
    return;
  if (valor.AsCurrency() > Currency::FromString("10000")) {
    const std::string texto =
        "Valor de " + FormatFloat("#,##0.00", valor.AsCurrency()) + " acima do limite. Confirma?";
    if (Ndialogs::nMessageDlg(texto, TMsgDlgType::mtConfirmation, BotoesSimNao()) == kBtnNao)
      throw EAbort();
  }
  if (cds.FieldByName("CODIGOHISTCTB").IsNull())
    Ndialogs::nShowMessage("Lançamento sem histórico padrão");
  // A check whose dialog failing of any cause becomes the module's own
  // refusal of the field.
  if (cds.FieldByName("COMPLHIST").AsString() == "CONFERIR") {
    std::string resposta;
    try {
      resposta = Ndialogs::nMessageDlg("Conferir o lançamento?", TMsgDlgType::mtConfirmation,
                                       BotoesSimNao());
    } catch (const std::exception& erro) {
      throw EnField(std::string("Conferência interrompida: ") + erro.what(), "COMPLHIST");
    }
    if (resposta == kBtnNao)
      throw EAbort();
  }
}

void TnTesteDMLcto::nClientDataSetAfterPost(TnClientDataSet& dataSet) {
  TnDMClientDataSet::nClientDataSetAfterPost(dataSet);
  // A step after the post that fails: the record is already in the change
  // log when this raises.
  if (dataSet.FieldByName("COMPLHIST").AsString() == "FALHA APOS")
    throw Exception("falha após o post");
  FUltimaData = dataSet.FieldByName("DATALCTOCTB").AsDateTime();
  if (Importacao()) {
    auto& totais = FTotaisDia[DateToIso(FUltimaData)];
    const Currency valor = dataSet.FieldByName("VALORLCTOCTB").AsCurrency();
    if (!dataSet.FieldByName("CONTACTBDEB").IsNull())
      totais.first += valor;
    if (!dataSet.FieldByName("CONTACTBCRED").IsNull())
      totais.second += valor;
  }
  // Asked after the entry was written: a question left unanswered here must
  // still leave nothing written.
  if (Tela() && dataSet.FieldByName("COMPLHIST").AsString() == "IMPRIMIR")
    Ndialogs::nMessageDlg("Imprimir o lançamento?", TMsgDlgType::mtConfirmation, BotoesSimNao());
}

bool TnTesteDMLcto::ValidarImportacao(TnListaMensagem* sender) {
  if (!TnDMClientDataSet::ValidarImportacao(sender))
    return false;
  for (const auto& [dia, totais] : FTotaisDia) {
    if (totais.first != totais.second && sender != nullptr)
      sender->AddAviso("Diferença em: " + dia + " débito " + FormatFloat("#,##0.00", totais.first) +
                       " crédito " + FormatFloat("#,##0.00", totais.second));
  }
  return true;
}
