#pragma once
// The query-string parameters of `ctb serve`'s routes, each bounded and
// checked before anything reads it: a refusal is an Exception naming the
// parameter (the server answers it with 400).

#include <cstdint>
#include <optional>
#include <string>

#include "framework/core/TDateTime.h"

namespace httplib {
struct Request;
}

namespace ParametrosWeb {

// An integer in [minimo, maximo]; the default when absent or empty.
int64_t Inteiro(const httplib::Request& req, const char* nome, int64_t minimo, int64_t maximo,
                std::optional<int64_t> padrao = std::nullopt);

// A date as typed, AAAA-MM-DD or DD/MM/AAAA: only the characters a date has
// (the command that takes it parses it).
std::string Data(const httplib::Request& req, const char* nome);

// The same date read as a date.
TDateTime DataDoParametro(const httplib::Request& req, const char* nome);

}  // namespace ParametrosWeb
