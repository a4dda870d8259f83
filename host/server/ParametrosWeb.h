#pragma once
// What the web server's handlers share to read a request and refuse it: the
// query string's integers and dates, each bounded and checked, and the
// refusal of the user's access (a 403, where any other Exception is the
// input's fault, a 400).

#include <cstdint>
#include <optional>
#include <string>

#include "framework/core/Exceptions.h"
#include "framework/core/TDateTime.h"

namespace httplib {
struct Request;
}
class TSessaoHost;

namespace ParametrosWeb {

// A refusal of the user's access (company, right, CSRF).
class ERecusa : public Exception {
 public:
  using Exception::Exception;
};

// A parameter of the query string as an integer in [minimo, maximo]; the
// default when absent (Exception when there is none).
int64_t Inteiro(const httplib::Request& req, const char* nome, int64_t minimo, int64_t maximo,
                std::optional<int64_t> padrao = std::nullopt);

// A date parameter: only the characters a date has (AAAA-MM-DD or
// DD/MM/AAAA), the command parses it.
std::string Data(const httplib::Request& req, const char* nome);

// A date parameter as a date.
TDateTime DataDoParametro(const httplib::Request& req, const char* nome);

// A text parameter of at most `maximo` bytes, empty when absent.
std::string Texto(const httplib::Request& req, const char* nome, size_t maximo);

// Raises ERecusa when the user lacks the right of the trial balance, the
// one its drill-down and the ledger pages read under.
void VerificarDireitoBalancete(TSessaoHost& host);

// Runs the access checks: what they refuse is a 403.
template <class F>
void Autorizar(F&& verificar) {
  try {
    verificar();
  } catch (const ERecusa&) {
    throw;
  } catch (const Exception& e) {
    throw ERecusa(e.what());
  }
}

}  // namespace ParametrosWeb
