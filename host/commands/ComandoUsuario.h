#pragma once
// `ctb user passwd N`: sets user N's password for the web. The password is
// read from the terminal without echo (typed twice), or as the first line
// of the standard input when it is not a terminal; never from the command
// line, where other users of the machine could read it. A user sets his
// own; another's needs the right to administer users.
//
// `ctb user rights N [--grant NOME]... [--revoke NOME]...`: shows user N's
// rights, after granting (level "8") and revoking (the row removed: no
// level restricts) the ones named. A user sees his own; another's, and any
// change, need the right to administer users, which nobody takes from
// himself (someone always keeps it). The web server reads the rights again
// at each request, so open sessions follow at once.

#include <functional>
#include <istream>
#include <string>

namespace CLI {
class App;
}
class TSessaoHost;

namespace ComandoUsuario {

// The first line of `entrada` without its line break; Exception when there
// is none.
std::string LerSenhaDaEntrada(std::istream& entrada);

// Adds the `user` command; when it is chosen, `comando` runs it in the
// session after the access checks.
void Registrar(CLI::App& app, std::function<std::string(TSessaoHost&)>& comando);

}  // namespace ComandoUsuario
