#include "tests/managerial/TSplitsTest.h"

#include "framework/app/Nutilform.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/db/Nutildb.h"
#include "package/Package.h"

void TSplitsTest::SetUp() {
  TSchemaTest::SetUp();
  if (IsSkipped() || HasFatalFailure())
    return;
  Conexao().SetCodigoEstab(1);
  if (!Package::Carregado())
    Package::Iniciar();
  Executar("insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'Um'), (2, 'Dois')");
  Executar(
      "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'Matriz'), "
      "(2, 1, 'Matriz')");
  Executar(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALEXERC, DATAFINALEXERC, "
      "UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE, UTILCENTROCUSTO, INICIOUTILCENTROCUSTO, "
      "UTILDIFLANCAMENTO, TIPOEXIBETITULOSALDO, UTILULTIMOSLCTO, INFORMACODIGOSYN) values "
      "(1, '2024-01-01', '2024-12-31', '0', '0', '0', '1', '2024-01-01', '0', 0, '0', '0'), "
      "(2, '2024-01-01', '2024-12-31', '0', '0', '0', '0', null, '0', 0, '0', '0')");
  for (const char* e : {"1", "2"}) {
    const std::string empresa = e;
    Executar("insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values (" +
             empresa + ", '1', 1), (" + empresa + ", '4', 1)");
    Executar(
        "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
        "TIPOCONTROLECONTABIL) values (" +
        empresa + ", 1, '1', 'ATIVO', 1, null), (" + empresa +
        ", 101, '1.01', 'Caixa', 2, 'LN'), (" + empresa + ", 4, '4', 'DESPESAS', 1, null), (" +
        empresa + ", 401, '4.01', 'Aluguel', 2, 'LN'), (" + empresa +
        ", 402, '4.02', 'Energia', 2, 'LN')");
  }
  Executar(
      "insert into HISTORICOCTB (CODIGOHISTCTB, DESCRHISTCTB, CODIGOGRUPOHISTCTB, STATUS) "
      "values (4, 'SIMPLES', 20, 0)");
  Executar(
      "insert into CENTROCUSTO (CODIGOEMPRESA, CODIGOCENTROCUSTO, DESCRCENTROCUSTO, "
      "TIPOCENTROCUSTO) values (1, 1, 'ADM', 1), (1, 10, 'Diretoria', 2), (1, 20, 'Vendas', 2), "
      "(1, 30, 'Armazém', 2)");
  Executar("insert into PLESPECCENCUS (CODIGOEMPRESA, CONTACTB) values (1, 4)");
  Executar(
      "insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO, CTRLAATIVIDADE, DATAINIATIVIDADE) values "
      "(2, '2024-01-01', 1, '2024-01-01')");
  Executar(
      "insert into OPCAOIFRSMODELO (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, MODELOADOCAO) "
      "values (2, '2024-01-01', '2024-12-31', 1)");
  Executar(
      "insert into ATIVDIFERENC (CODIGOEMPRESA, CODIGOATIVDIF, DESCRATIVDIF, DATAINICIAL, "
      "DATAFINAL) values (2, 1, 'Comercial', '2024-01-01', '2024-12-31'), "
      "(2, 2, 'Industrial', '2024-07-01', '2024-12-31'), "
      "(2, 3, 'Encerrada', '2024-01-01', '2024-03-31')");
  Executar(
      "insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) values "
      "(1, 'DireitoLctoCtb', '8'), (1, 'DireitoAlterarLctoOutroModulo', '8')");
  FDireitos = std::make_unique<TnDMDireitoUsuario>(Conexao());
  SetnDMDireitoUsuario(FDireitos.get());
  FDialogos = std::make_shared<TDialogServiceScripted>();
  FUsarDialogos = std::make_unique<TUsarDialogService>(FDialogos);
}

void TSplitsTest::TearDown() {
  // A skipped engine set nothing up.
  if (FDireitos) {
    FModulos.clear();
    FUsarDialogos.reset();
    SetnDMDireitoUsuario(nullptr);
  }
  TSchemaTest::TearDown();
}

void TSplitsTest::Taxas(const std::vector<TTaxa>& taxas) {
  for (const TTaxa& t : taxas)
    Conexao().ExecuteDirect(
        "insert into RATCENTROCUSTO (CODIGOEMPRESA, CONTACTB, CODIGOCENTROCUSTO, PERCRATEIO) "
        "values (1, :pConta, :pCentro, :pPerc)",
        {{"pConta", Value(t.Conta)}, {"pCentro", Value(t.Centro)}, {"pPerc", Value(t.Percentual)}});
}

void TSplitsTest::Plano(const std::vector<TTaxa>& plano) {
  for (const TTaxa& t : plano)
    Conexao().ExecuteDirect(
        "insert into ATIVDIFERENCPLESPECRATEIO (CODIGOEMPRESA, CONTACTB, CODIGOATIVDIF, "
        "PERCENTUAL) values (2, :pConta, :pAtiv, :pPerc)",
        {{"pConta", Value(t.Conta)}, {"pAtiv", Value(t.Centro)}, {"pPerc", Value(t.Percentual)}});
}

void TSplitsTest::Responder(std::vector<std::string> respostas) {
  for (std::string& resposta : respostas)
    FDialogos->AdicionarResposta(std::move(resposta));
}

TnCtbDMLctoCtb& TSplitsTest::Lancamentos(int64_t empresa, bool importacao) {
  FModulos.push_back(Nutilform::CriarDMNovo<TnCtbDMLctoCtb>("TnCtbDMLctoCtb"));
  TnCtbDMLctoCtb& modulo = *FModulos.back();
  modulo.SetPodeLancarGerencial(true);
  modulo.SetImportacao(importacao);
  modulo.SetAplicarAoGravar(!importacao);
  modulo.Configurar(nullptr);
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, Value(empresa));
  selecao.SetParam(kSelDataInicial, Value(EncodeDate(2024, 1, 1)));
  selecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 12, 31)));
  modulo.Abrir(&selecao);
  return modulo;
}

int64_t TSplitsTest::Postar(TnCtbDMLctoCtb& modulo, int64_t debito, int64_t credito,
                            const std::string& valor, const std::string& data) {
  TnClientDataSet& cds = modulo.nClientDataSet;
  cds.Append();
  cds.FieldByName("CODIGOESTAB").SetAsInteger(1);
  cds.FieldByName("DATALCTOCTB").SetText(data);
  cds.FieldByName("CONTACTBDEB").SetAsInteger(debito);
  cds.FieldByName("CONTACTBCRED").SetAsInteger(credito);
  cds.FieldByName("CODIGOHISTCTB").SetAsInteger(4);
  cds.FieldByName("VALORLCTOCTB").SetText(valor);
  // An import draws the key itself, as the import command does.
  if (modulo.Importacao())
    modulo.DMAutoIncrementarCheck(cds.FieldByName("CHAVELCTOCTB"));
  cds.Post();
  return cds.FieldByName("CHAVELCTOCTB").AsInteger();
}

void TSplitsTest::Editar(TnCtbDMLctoCtb& modulo, int64_t chave,
                         const std::vector<std::pair<std::string, std::string>>& campos) {
  TnClientDataSet& cds = modulo.nClientDataSet;
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(chave)}));
  cds.Edit();
  for (const auto& [campo, texto] : campos)
    cds.FieldByName(campo).SetText(texto);
  cds.Post();
}

// "N:CODE=value/origin dd/mm/yyyy" per row of a query whose last four
// columns are the code, the value, the origin and the date (a leading
// nature, and an account, come before them).
std::string TSplitsTest::Linhas(const std::string& sql) {
  auto cursor = Nutildb::ExecutarSQL(sql);
  std::string texto;
  const int n = cursor->FieldCount();
  for (; !cursor->Eof(); cursor->Next()) {
    std::string linha;
    for (int i = 0; i < n - 4; ++i)
      linha += cursor->Fields(i).AsString() + ":";
    Nutil::Add(texto,
               linha + cursor->Fields(n - 4).AsString() + "=" +
                   cursor->Fields(n - 3).AsCurrency().Rounded(2).ToString() + "/" +
                   cursor->Fields(n - 2).AsString() + " " +
                   DateToStr(cursor->Fields(n - 1).AsDateTime()),
               ", ");
  }
  return texto;
}

std::string TSplitsTest::Gerenciais(int64_t chave, int64_t empresa) {
  return Linhas(
      "select NATURLCTOCTB, CONTACTB, CODIGOCENTROCUSTO, VALORLCTOGER, ORIGEMDADO, DATALCTOCTB "
      "from LCTOGER where CODIGOEMPRESA = " +
      std::to_string(empresa) + " and CHAVELCTOCTB = " + std::to_string(chave) +
      " order by NATURLCTOCTB desc, CODIGOCENTROCUSTO");
}

std::string TSplitsTest::Atividades(int64_t chave, int64_t empresa) {
  return Linhas(
      "select NATURLCTOCTB, CODIGOATIVDIF, VALORLCTOATIV, ORIGEMDADO, DATALCTOCTB from "
      "LCTOATIVDIFERENC where CODIGOEMPRESA = " +
      std::to_string(empresa) + " and CHAVELCTOCTB = " + std::to_string(chave) +
      " order by NATURLCTOCTB desc, CODIGOATIVDIF");
}

std::unique_ptr<TnCtbDMLctoGer> TSplitsTest::Gerencial(Currency valorLctoCtb) {
  auto gerencial = std::make_unique<TnCtbDMLctoGer>();
  gerencial->SetConexao(&Conexao());
  gerencial->SetVerificaSelecaoManual("CodigoEmpresa");
  gerencial->SetCarregarDetalhesDinamicamente(true);
  TnSelecao selecao;
  selecao.SetParam(kSelCodigoEmpresa, Value(int64_t{1}));
  gerencial->Abrir(&selecao);
  TLadoLctoCtb lado;
  lado.Lcto.CodigoEmpresa = 1;
  lado.Lcto.ChaveLctoCtb = 7;
  lado.Lcto.ContaCtbDeb = 401;
  lado.Lcto.DataLctoCtb = EncodeDate(2024, 3, 10);
  lado.Lcto.ValorLctoCtb = valorLctoCtb;
  gerencial->SetLado(lado);
  return gerencial;
}
