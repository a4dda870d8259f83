#pragma once
// Companies for the split modules' tests, on every engine.
//
// Company 1 keeps cost centres from 01/01/2024 (fiscal year 2024): chart 1
// ATIVO (synthetic), 101 Caixa, 4 DESPESAS (synthetic, the group that takes
// cost centres), 401 Aluguel, 402 Energia; cost centres 1 (synthetic), 10,
// 20, 30. Rates are set per test (Taxas). Company 2 opted for IFRS with
// activity control from 01/01/2024 and no cost centres, same chart;
// activities 1 (all 2024), 2 (from 01/07/2024) and 3 (ended 31/03/2024); its
// plan is set per test (Plano).
//
// The logged user is 1 with every restriction lifted; dialogs are answered
// from Responder(), in order.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "entries/nCtbDMLctoCtb_U.h"
#include "framework/app/Ndialogs.h"
#include "framework/app/TnDMDireitoUsuario.h"
#include "managerial/nCtbDMLctoGer_U.h"
#include "tests/support/TestDatabases.h"

struct TTaxa {
  int64_t Conta;
  int64_t Centro;
  double Percentual;
};

class TSplitsTest : public TSchemaTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Executar(const std::string& sql) { Conexao().ExecuteDirect(sql); }
  void Taxas(const std::vector<TTaxa>& taxas);
  void Plano(const std::vector<TTaxa>& plano);
  void Responder(std::vector<std::string> respostas);
  // A journal-entry module of `empresa` without a screen, keeping the
  // splits of what it posts; in import mode its posts wait for
  // AplicarAtualizacoes.
  TnCtbDMLctoCtb& Lancamentos(int64_t empresa = 1, bool importacao = false);
  // Posts a new entry; returns its key.
  int64_t Postar(TnCtbDMLctoCtb& modulo, int64_t debito, int64_t credito, const std::string& valor,
                 const std::string& data = "2024-03-10");
  // Edits the entry with the key: field -> typed text.
  void Editar(TnCtbDMLctoCtb& modulo, int64_t chave,
              const std::vector<std::pair<std::string, std::string>>& campos);
  // "N:CC=valor/origem" of the entry's managerial rows, by nature (debit
  // first) and cost centre.
  std::string Gerenciais(int64_t chave, int64_t empresa = 1);
  // "N:ATIV=valor/origem dd/mm/yyyy" of the entry's activity rows.
  std::string Atividades(int64_t chave, int64_t empresa = 2);
  // A managerial module of company 1 on the debit side of entry 7 (account
  // 401, 10/03/2024) of `valorLctoCtb`, opened loading rows on demand.
  std::unique_ptr<TnCtbDMLctoGer> Gerencial(Currency valorLctoCtb);

 private:
  std::string Linhas(const std::string& sql);

  std::unique_ptr<TnDMDireitoUsuario> FDireitos;
  std::shared_ptr<TDialogServiceScripted> FDialogos;
  std::unique_ptr<TUsarDialogService> FUsarDialogos;
  std::vector<std::unique_ptr<TnCtbDMLctoCtb>> FModulos;
};
