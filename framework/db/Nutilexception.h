#pragma once
// Classifies a caught exception for the handlers that recover from database
// failures (a duplicate key gets a new key and is written again).

#include <exception>

namespace Nutilexception {

// The kind of a database failure as a number (1 = duplicate key, 2 = foreign
// key, 3 = missing required value, 4 = check); 0 for any other failure,
// database or not.
int ErroBanco(const std::exception& error);

// The kind of the exception being handled (inside a catch block or a
// reconcile handler the provider calls while handling the error); 0 when
// there is none.
int ErroBancoAtual();

}  // namespace Nutilexception
