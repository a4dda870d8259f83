#include "tests/entries/LctoCtbFixture.h"

#include "package/Package.h"

void TnLctoCtbFixture::SetUp() {
  TSchemaTest::SetUp();
  if (IsSkipped() || HasFatalFailure())
    return;
  Conexao().SetCodigoEstab(1);
  if (!Package::Carregado())
    Package::Iniciar();
  Executar(
      "insert into EMPRESA (CODIGOEMPRESA, NOMEEMPRESA) values (1, 'Um'), (2, 'Dois'), "
      "(3, 'Tres')");
  Executar(
      "insert into ESTAB (CODIGOEMPRESA, CODIGOESTAB, NOMEESTAB) values (1, 1, 'Matriz'), "
      "(2, 1, 'Matriz'), (3, 1, 'Matriz')");
  Executar(
      "insert into CFGEMPRESACTB (CODIGOEMPRESA, DATAINICIALEXERC, DATAFINALEXERC, "
      "UTILORIGEMLCTOCTB, UTILNUMERODCTO, UTILLOTE, UTILCENTROCUSTO, UTILDIFLANCAMENTO, "
      "TIPOEXIBETITULOSALDO, DATAINICIALLCTOUSU, DATAFINALLCTOUSU, UTILULTIMOSLCTO, "
      "INFORMACODIGOSYN) values "
      "(1, '2024-01-01', '2024-12-31', '1', '1', '1', '0', '0', 2, '2024-03-01', '2024-03-31', "
      "'0', '0'), "
      "(2, '2024-01-01', '2024-12-31', '1', '1', '0', '0', '0', 0, null, null, '0', '0')");
  for (int empresa : {1, 2, 3}) {
    Executar(fmt::format(
        "insert into NATUREZAGRUPO (CODIGOEMPRESA, CLASSIFGRUPO, NATUREZA) values ({0}, '1', 1), "
        "({0}, '2', -1)",
        empresa));
    Executar(fmt::format(
        "insert into PLANOESPEC (CODIGOEMPRESA, CONTACTB, CLASSIFCONTA, DESCRCONTA, TIPOCONTA, "
        "TIPOCOTACAO, APELIDOCONTA, TIPOCONTROLECONTABIL) values "
        "({0}, 1, '1', 'ATIVO', 1, null, null, null), "
        "({0}, 101, '1.01', 'Caixa', 2, 0, 'CAIXA', 'LN'), "
        "({0}, 102, '1.02', 'Banco', 2, 0, 'BANCO', 'LN'), "
        "({0}, 103, '1.03', 'Aplicação', 2, 2, null, 'LS'), "
        "({0}, 201, '2.01', 'Fornecedores', 2, 0, null, 'LF')",
        empresa));
  }
  Executar(
      "insert into HISTORICOCTB (CODIGOHISTCTB, DESCRHISTCTB, CODIGOGRUPOHISTCTB, STATUS) "
      "values (1, 'PAGTO [DICTEXTOCONTACRED] REF [DICDATAMESANOATUAL]', 10, 0), "
      "(2, 'INATIVO', 10, 1), (3, '[DICTEXTOCONTADEBUPPER]', 20, 0), (4, 'SIMPLES', 20, 0)");
  Executar(
      "insert into LOTECTB (CODIGOEMPRESA, CODIGOLOTECTB, DESCRLOTECTB, DATAINICIALLOTECTB, "
      "DATAFINALLOTECTB, SITUACAOLOTECTB, CODIGOORIGLCTOCTB) values "
      "(1, 1, 'Janeiro', '2024-01-01', '2024-01-31', '0', null), "
      "(1, 2, 'Fechado', '2024-01-01', '2024-12-31', '1', null), "
      "(1, 3, 'Origem', '2024-01-01', '2024-12-31', '0', 'LT'), "
      "(1, 4, 'Dia', '2024-05-10', '2024-05-10', '0', null)");
  Executar("insert into OPCAOIFRS (CODIGOEMPRESA, DATAOPCAO) values (2, '2024-01-01')");
  Executar(
      "insert into OPCAOIFRSMODELO (CODIGOEMPRESA, DATAINICIAL, DATAFINAL, MODELOADOCAO) "
      "values (2, '2024-01-01', '2024-06-30', 1)");
  Executar("update USUARIO set NOMEUSUARIO = 'Ana' where CODIGOUSUARIO = 1");
  for (const char* direito :
       {"DireitoLctoCtb", "DireitoAlterarLctoOutroModulo", "DireitoAlteraDadoFixoLancamentoProg"})
    Direito(direito, "8");
  FDireitos = std::make_unique<TnDMDireitoUsuario>(Conexao());
  SetnDMDireitoUsuario(FDireitos.get());
  FDialogos = std::make_shared<TDialogServiceScripted>();
  FUsarDialogos = std::make_unique<TUsarDialogService>(FDialogos);
  FSelecao.SetParam(kSelCodigoEmpresa, Value(int64_t{1}));
}

void TnLctoCtbFixture::TearDown() {
  FModulos.clear();
  FForms.clear();
  FUsarDialogos.reset();
  // A skipped engine opened no session to take the services back from.
  if (!IsSkipped()) {
    SetnDMDireitoUsuario(nullptr);
    SetnDMPersonalizacao(nullptr);
  }
  Nutil::SetEhHttpExe(false);
  Nutil::SetEhCloud(false);
  Nutil::SetEhHttp(false);
  TSchemaTest::TearDown();
}

template <class T>
T& TnLctoCtbFixture::Abrir(bool tela, const std::string& classe) {
  std::unique_ptr<T> novo = Nutilform::CriarDMNovo<T>(classe);
  T& modulo = *novo;
  FModulos.push_back(std::move(novo));
  if (tela) {
    FForms.push_back(std::make_unique<TnForm>("FrmLcto" + std::to_string(FForms.size())));
    modulo.Configurar(FForms.back().get());
  }
  modulo.Abrir(&FSelecao);
  return modulo;
}

TnCtbDMLctoCtb& TnLctoCtbFixture::Criar(bool tela, const std::string& classe) {
  return Abrir<TnCtbDMLctoCtb>(tela, classe);
}

TnCtbDMLctoCtbCloud& TnLctoCtbFixture::CriarWeb(bool tela) {
  return Abrir<TnCtbDMLctoCtbCloud>(tela, TnCtbDMLctoCtbCloud::kClassName);
}

void TnLctoCtbFixture::NovoValido(TnCtbDMLctoCtbBase& modulo, const TCampos& campos) {
  modulo.nClientDataSet.Append();
  Set(modulo.nClientDataSet, {{"CODIGOESTAB", 1},
                              {"DATALCTOCTB", EncodeDate(2024, 3, 10)},
                              {"CONTACTBDEB", 101},
                              {"CONTACTBCRED", 102},
                              {"CODIGOHISTCTB", 4},
                              {"VALORLCTOCTB", 100.0}});
  Set(modulo.nClientDataSet, campos);
}

void TnLctoCtbFixture::InserirLcto(int chave, const std::string& data, const std::string& extra,
                                   const std::string& valoresExtra) {
  Executar(
      "insert into LCTOCTB (CODIGOEMPRESA, CHAVELCTOCTB, CODIGOESTAB, DATALCTOCTB, "
      "TIPOLANCAMENTO, CONTACTBDEB, CONTACTBCRED, CODIGOHISTCTB, VALORLCTOCTB, "
      "ORIGEMDADO, CODIGOORIGLCTOCTB" +
      extra + ") values (1, " + std::to_string(chave) + ", 1, '" + data +
      "', 'LN', 101, 102, 4, 50, 2, 'CB'" + valoresExtra + ")");
}

void TnLctoCtbFixture::Configurar(const std::string& colunas) {
  Executar("update CFGEMPRESACTB set " + colunas + " where CODIGOEMPRESA = 1");
  ControleCTB().LimparChave();
}

void TnLctoCtbFixture::Direito(const std::string& nome, const std::string& nivel) {
  Executar("delete from DIREITOUSUARIO where CODIGOUSUARIO = 1 and NOMEDIREITO = '" + nome + "'");
  Executar("insert into DIREITOUSUARIO (CODIGOUSUARIO, NOMEDIREITO, NIVEL) values (1, '" + nome +
           "', '" + nivel + "')");
  if (FDireitos)
    FDireitos->LimparCache();
}

void TnLctoCtbFixture::Responder(std::vector<std::string> respostas) {
  for (std::string& resposta : respostas)
    FDialogos->AdicionarResposta(std::move(resposta));
}

std::string TnLctoCtbFixture::Linha(int chave, const std::string& colunas) {
  std::string select;
  for (const std::string& c : Nutil::StrToStrArray(colunas, ";"))
    Nutil::Add(select, c, ", ");
  auto cursor = Nutildb::ExecutarSQL(
      "select " + select +
      " from LCTOCTB where CODIGOEMPRESA = 1 and CHAVELCTOCTB = " + std::to_string(chave));
  if (cursor->IsEmpty())
    return "(none)";
  std::string texto;
  for (int i = 0; i < cursor->FieldCount(); ++i)
    Nutil::Add(texto, cursor->Fields(i).FieldName() + "=" + cursor->Fields(i).AsString(), " ");
  return texto;
}

std::string TnLctoCtbFixture::Campos(TnClientDataSet& cds, const std::string& campos) {
  std::string texto;
  for (const std::string& c : Nutil::StrToStrArray(campos, ";"))
    Nutil::Add(texto, c + "=" + cds.FieldByName(c).AsString(), " ");
  return texto;
}

std::string TnLctoCtbFixture::Coluna(const std::string& sql) {
  std::string texto;
  for (auto cursor = Nutildb::ExecutarSQL(sql); !cursor->Eof(); cursor->Next())
    Nutil::Add(texto, cursor->Fields(0).AsString(), " ");
  return texto;
}

void TnLctoCtbFixture::Ir(TnClientDataSet& cds, int chave, bool editar) {
  ASSERT_TRUE(cds.Locate("CHAVELCTOCTB", {Value(chave)})) << chave;
  if (editar)
    cds.Edit();
}
