#pragma once
// A seeded company for the journal-entry module's tests, on every engine.
//
// Company 1 keeps its books for 2024 with origins, document numbers and
// batches on; its limited users may post in March (configuration items 9 and
// 10). Chart: 1 ATIVO (synthetic), 101 Caixa (alias CAIXA), 102 Banco
// (alias BANCO), 103 Aplicação (control type LS, rate type 2), 201
// Fornecedores (control type LF). Histories: 1 with account and month
// tokens, 2 inactive, 3 the upper-case debit token, 4 plain. Batches: 1
// January, 2 closed, 3 with origin "LT", 4 a single day (10/05/2024).
// Company 2 opted for IFRS in 2024; company 3 has the same chart and no
// configuration.
//
// The logged user is 1 (rights: every restriction lifted except
// DireitoLctoIgual), establishment 1; dialogs are answered from
// Respostas(), in order.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "entries/nCtbDMLctoCtbCloud_U.h"
#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/NutilAmbiente.h"
#include "framework/app/Nutilform.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "framework/app/TnDMPersonalizacao.h"
#include "framework/app/TnForm.h"
#include "framework/app/TnSelecao.h"
#include "framework/core/FormatDateTime.h"
#include "framework/core/Nutil.h"
#include "framework/core/TDateTime.h"
#include "framework/ctb/Nctbsfuncoes.h"
#include "framework/ctb/TnUtilCtb.h"
#include "framework/db/Nutildb.h"
#include "schema/SchemaInstaller.h"
#include "tests/entries/ResultadoRegra.h"
#include "tests/support/TestDatabases.h"

class TnLctoCtbFixture : public TSchemaTest {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:
  // A module created by name, configured on a screen of its own (or without
  // one) and opened on the selection.
  TnCtbDMLctoCtb& Criar(bool tela = true, const std::string& classe = "TnCtbDMLctoCtb");
  // The same for the web twin.
  TnCtbDMLctoCtbCloud& CriarWeb(bool tela = true);
  // Field values set in order; a null value clears its field.
  using TCampos = std::vector<std::pair<const char*, Value>>;
  static void Set(TnClientDataSet& cds, const TCampos& campos) {
    for (const auto& [campo, valor] : campos)
      cds.FieldByName(campo).SetValue(valor);
  }
  // Appends a valid entry of company 1 (10/03/2024, 101 -> 102, history 4,
  // 100,00) without posting it, `campos` then set on it.
  void NovoValido(TnCtbDMLctoCtbBase& modulo, const TCampos& campos = {});
  // The same as an import hands it over, company and key given.
  void NovoImportado(TnCtbDMLctoCtbBase& modulo, int chave, const TCampos& campos = {}) {
    NovoValido(modulo, {{"CODIGOEMPRESA", 1}, {"CHAVELCTOCTB", chave}});
    Set(modulo.nClientDataSet, campos);
  }
  TnCtbDMLctoCtb& CriarNovo(bool tela = true, const TCampos& campos = {}) {
    TnCtbDMLctoCtb& modulo = Criar(tela);
    NovoValido(modulo, campos);
    return modulo;
  }
  // Inserts an entry straight into LCTOCTB (the triggers move balances).
  void InserirLcto(int chave, const std::string& data, const std::string& extra = "",
                   const std::string& valoresExtra = "");
  void Executar(const std::string& sql) { Conexao().ExecuteDirect(sql); }
  // Changes company 1's configuration row, dropping the session's cached copy.
  void Configurar(const std::string& colunas);
  void Direito(const std::string& nome, const std::string& nivel);
  void Responder(std::vector<std::string> respostas);
  TDialogServiceScripted& Dialogos() { return *FDialogos; }
  // "field=value" of LCTOCTB's row, for the columns asked ("A;B").
  std::string Linha(int chave, const std::string& colunas);
  // The same of the record `cds` is on, for the fields asked ("A;B").
  static std::string Campos(TnClientDataSet& cds, const std::string& campos);
  // The first column of each row of a query, by spaces.
  std::string Coluna(const std::string& sql);
  // Moves `cds` to the entry with the key, into edit when asked; or deletes it.
  static void Ir(TnClientDataSet& cds, int chave, bool editar = false);
  static void Excluir(TnCtbDMLctoCtb& modulo, int chave) {
    Ir(modulo.nClientDataSet, chave);
    modulo.nClientDataSet.Delete();
  }
  using TSchemaTest::Contar;

  // The selection most cases open on: March 2024.
  void SelecionarMarco2024() {
    FSelecao.SetParam(kSelDataInicial, Value(EncodeDate(2024, 3, 1)));
    FSelecao.SetParam(kSelDataFinal, Value(EncodeDate(2024, 3, 31)));
  }
  TnSelecao FSelecao;
  TnDMPersonalizacao FPersonalizacao;

 private:
  std::unique_ptr<TnDMDireitoUsuario> FDireitos;
  std::shared_ptr<TDialogServiceScripted> FDialogos;
  std::unique_ptr<TUsarDialogService> FUsarDialogos;
  std::vector<std::unique_ptr<TnForm>> FForms;
  template <class T>
  T& Abrir(bool tela, const std::string& classe);

  std::vector<std::unique_ptr<TnCtbDMLctoCtbBase>> FModulos;
};
