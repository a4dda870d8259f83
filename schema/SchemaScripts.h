#pragma once

// The SQL scripts of the schema (schema/<dialect>/schema.sql, the balance
// rebuilds, check_balances.sql), compiled into the program so that a database
// can be created or checked without the source tree. Texts are static and
// live for the whole run.

#include <string_view>
#include <vector>

namespace SchemaScripts {

// The script at `relativePath` under schema/ ("sqlite/schema.sql",
// "check_balances.sql"). Throws std::out_of_range for an unknown name.
std::string_view Get(std::string_view relativePath);

// Every embedded path, sorted.
std::vector<std::string_view> Names();

}  // namespace SchemaScripts
