#pragma once
// Where the process runs, and its log. The host sets these once at start-up
// (tests set them around a case); modules only read them.
//
// The four predicates are distinct settings, never derived from one another:
// the modules test different ones at different points and a host may run
// with any combination.
// - EhCloud: the web variant of the modules (False on the desktop).
// - EhHttpExe: this process is the web server executable.
// - EhHttp: the current work is served over HTTP.
// - EhExecutavelnWeb: the web executable of the host's own web client.
//
// LogDB writes one line to the host's log sink. Our schema has no log table,
// so the default sink is standard error ("LOG <moment> usuario=<n>: <text>");
// a host may send the lines elsewhere with SetLogSink.

#include <cstdint>
#include <functional>
#include <string>

namespace Nutil {

bool EhCloud();
bool EhHttpExe();
bool EhHttp();
bool EhExecutavelnWeb();

void SetEhCloud(bool value);
void SetEhHttpExe(bool value);
void SetEhHttp(bool value);
void SetEhExecutavelnWeb(bool value);

// A line of the log and who wrote it.
struct TLinhaLog {
  std::string Descricao;
  int64_t CodigoUsuario = 0;
};
using TLogSink = std::function<void(const TLinhaLog&)>;

// "LOG <yyyy-mm-dd hh:nn:ss> usuario=<n>: <text>", the line the default sink
// writes (without its line break), for a host sink that keeps the format.
std::string TextoLinhaLog(const TLinhaLog& linha);

// `codigoUsuario` is the logged user of the connection doing the work.
void LogDB(const std::string& descricao, int64_t codigoUsuario = 0);
// An empty sink puts the default (standard error) back.
void SetLogSink(TLogSink sink);

}  // namespace Nutil
