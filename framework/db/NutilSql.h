#pragma once
// SQL literals of values, for statements built by concatenation. Every value
// the module puts into SQL text comes through here, so no text can change a
// statement: a text is always one quoted literal with its quotes doubled
// (backslashes are plain characters: PostgreSQL connections run with
// standard_conforming_strings on, and SQLite has no escapes).
//
// Forms, the same on both engines: null -> NULL; integers as digits;
// decimals with a dot, never an exponent; Booleans as the texts '1' and '0'
// (what the flag columns hold, and what both engines accept for a Boolean or
// an integer column); dates 'YYYY-MM-DD'; moments 'YYYY-MM-DD HH:MM:SS'.

#include <string>

#include "framework/core/Value.h"
#include "framework/db/TDbTypes.h"

class TField;

namespace Nutil {

// Raises EConvertError for a text holding a NUL character or a float that
// is not finite.
std::string ValorParaSQL(const Value& value);

// The literal of the value taken as a field of type `kind`: an integer field
// rounds, a date field drops the time, a text field quotes the value's text.
std::string ValorParaSQL(const Value& value, TDbColumnKind kind);

// A comparison fragment: " = 'X'", " <> 10"; a null value gives " is null"
// for "=" and " is not null" for "<>".
std::string ValorParaSQL(const Value& value, const std::string& op);

// The current value of the field compared with op, as the field's type:
// "CODIGOEMPRESA = 1", "COMPLHIST is null". comNome false leaves the name
// out (" = 1"). The field name must be an identifier (Exception otherwise).
std::string ValorParaSQL(const TField& field, const std::string& op, bool comNome = true);

// The column class a field type is written as.
TDbColumnKind TipoColunaDoCampo(const TField& field);

}  // namespace Nutil
