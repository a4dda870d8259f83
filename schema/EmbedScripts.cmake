# Writes OUTPUT, a C++ source that holds each script of SCRIPTS (paths
# relative to SCHEMA_DIR, separated by ";") as a raw string literal.
set(delimiter "ctbsql")
set(body "")
foreach(script IN LISTS SCRIPTS)
  file(READ ${SCHEMA_DIR}/${script} text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${script} contains the raw-string delimiter )${delimiter}\"")
  endif()
  string(APPEND body "    {\"${script}\", R\"${delimiter}(${text})${delimiter}\"},\n")
endforeach()

file(WRITE ${OUTPUT}.tmp
"// Generated from the .sql files of schema/ by EmbedScripts.cmake; do not edit.
#include \"schema/SchemaScripts.h\"

#include <stdexcept>
#include <string>

namespace SchemaScripts {
namespace {

struct TScript {
  std::string_view Path;
  std::string_view Text;
};

constexpr TScript kScripts[] = {
${body}};

}  // namespace

std::string_view Get(std::string_view relativePath) {
  for (const TScript& script : kScripts) {
    if (script.Path == relativePath) return script.Text;
  }
  throw std::out_of_range(\"Script de esquema desconhecido: \" + std::string(relativePath));
}

std::vector<std::string_view> Names() {
  std::vector<std::string_view> names;
  for (const TScript& script : kScripts) names.push_back(script.Path);
  return names;
}

}  // namespace SchemaScripts
")
# Only a changed text touches the output, so an unchanged script set does not
# recompile anything.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
