#pragma once

// The files the web server serves (host/web/: the pages, their script and
// style), compiled into the program so that it serves them without the
// source tree and never reads a file a request names. Texts are static and
// live for the whole run.

#include <string_view>
#include <vector>

namespace ArquivosWeb {

// The file at `relativePath` under host/web/ ("balancete.html"). Throws
// std::out_of_range for an unknown name.
std::string_view Get(std::string_view relativePath);

// Every embedded path, sorted.
std::vector<std::string_view> Names();

}  // namespace ArquivosWeb
