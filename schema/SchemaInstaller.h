#pragma once
// Creates, upgrades and checks the database of the journal-entry engine.
//
// Instalar brings any database to the schema version this program knows:
// an empty database gets every table, an older one its upgrade steps, and a
// current one the same script again (every statement of it may run twice),
// which re-creates views, functions and triggers. The whole installation is
// one transaction, so a failure leaves the database as it was.
//
// The balance tables are kept by triggers; RecalcularSaldos recomputes them
// from LCTOCTB (after a bulk load without triggers, a repair, or a change of
// the functional-currency options), and VerificarSaldos lists what differs.
// Both pick the dialect from the connection's engine.

#include <optional>
#include <string>

#include "framework/db/TDbTypes.h"

class TnDMConexao;

namespace SchemaInstaller {

// The schema version this program creates (VERSAOSCHEMA.VERSAO).
inline constexpr int kVersaoSchema = 12;

// The right that lets a user write the users, rights and company-access
// tables; "8" grants it. A new database gives it to user 1, its
// administrator, so somebody can let the others in.
inline constexpr const char* kDireitoAdministrarUsuarios = "DireitoAdministrarUsuarios";
inline constexpr int kUsuarioAdministrador = 1;

enum class TAcaoInstalacao { Criado, Atualizado, Reaplicado, Mantido };

// Whether a current schema runs its script again (`db init`: a repair) or
// is left as it is (a demo starting beside others that already write).
enum class TModoInstalacao { Reaplicar, SeDesatualizado };

struct TResultadoInstalacao {
  TAcaoInstalacao Acao = TAcaoInstalacao::Criado;
  int VersaoAnterior = 0;  // 0: the database had no schema
  int VersaoAtual = kVersaoSchema;
  // One line for the person who asked ("Esquema criado (versão 1)").
  std::string Descricao() const;
};

// Whether the database holds a table of that name (any case).
bool TabelaExiste(TnDMConexao& conexao, const std::string& tabela);

// The version recorded in VERSAOSCHEMA; 0 when the table is missing or empty.
int VersaoInstalada(TnDMConexao& conexao);

// A new database, and one upgraded from a version without the right above,
// gets user 1 as its administrator when nobody holds that right.
// Raises Exception when the database is newer than this program (nothing is
// changed then), EDatabaseError when a statement fails (rolled back).
// Programs installing at once take turns; the later ones find the version
// the earlier left.
TResultadoInstalacao Instalar(TnDMConexao& conexao,
                              TModoInstalacao modo = TModoInstalacao::Reaplicar);

// Recomputes the balance tables from LCTOCTB (and the managerial ones from
// LCTOGER), for one company or for all; one transaction (joins the caller's when one is open).
void RecalcularSaldos(TnDMConexao& conexao, std::optional<int64_t> codigoEmpresa);

// One row per difference between a balance table and the entries (columns
// TABELA, ORIGEM, CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO,
// TIPOLANCAMENTO, CODIGOHISTCTB, CODIGOMOEDA, CODIGOCENTROCUSTO, VALORDEB,
// VALORCRED); no rows when they agree.
TDbResult VerificarSaldos(TnDMConexao& conexao);
// The same rows as a query without order, for a caller that selects from it.
std::string ConsultaDiferencasSaldos();

}  // namespace SchemaInstaller
