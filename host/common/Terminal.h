#pragma once
// What the program knows of the screen a person reads it on: whether the
// output goes to a terminal, how wide and tall it is, and the pager that
// shows a text longer than the screen. Nothing here acts when the output is
// a pipe or a file: a program reading it gets the text as it is.

#include <cstddef>
#include <string>

namespace Terminal {

// Standard output and standard error are both terminals: a person watches.
bool PessoaAssiste();

// Columns and rows of the terminal on standard output; 0 when it is not one.
size_t Largura();
size_t Altura();

// Writes `texto` to standard output. On a terminal, a text with more lines
// than the screen goes through the pager: $PAGER when set (empty: none),
// else "less -FRX".
void Mostrar(const std::string& texto);

}  // namespace Terminal
