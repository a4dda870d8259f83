#include "framework/db/Nutildb.h"

#include "framework/core/Exceptions.h"
#include "framework/db/IDbDriver.h"
#include "framework/db/Nutilexception.h"

namespace {

const char* TextoDoTipo(TDatabaseErrorKind kind) {
  switch (kind) {
    case TDatabaseErrorKind::DuplicateKey:
      return "Registro duplicado: já existe um registro com esta chave.";
    case TDatabaseErrorKind::ForeignKey:
      return "Registro relacionado inexistente ou em uso por outro registro.";
    case TDatabaseErrorKind::NotNull:
      return "Um campo obrigatório não foi informado.";
    case TDatabaseErrorKind::Check:
      return "Um valor informado não é permitido para este registro.";
    case TDatabaseErrorKind::Other:
      break;
  }
  return "Erro no banco de dados.";
}

}  // namespace

EDatabaseError CriarErroBanco(TDatabaseErrorKind kind, const std::string& engineMessage) {
  return EDatabaseError(std::string(TextoDoTipo(kind)) + "\n" + engineMessage, kind);
}

namespace Nutildb {

std::string TraduzirErroBD(const std::exception& error) {
  auto* database = dynamic_cast<const EDatabaseError*>(&error);
  if (!database || database->Kind() == TDatabaseErrorKind::Other)
    return error.what();
  return TextoDoTipo(database->Kind());
}

}  // namespace Nutildb

namespace Nutilexception {

int ErroBanco(const std::exception& error) {
  auto* database = dynamic_cast<const EDatabaseError*>(&error);
  return database ? static_cast<int>(database->Kind()) : 0;
}

int ErroBancoAtual() {
  std::exception_ptr current = std::current_exception();
  if (!current)
    return 0;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& error) {
    return ErroBanco(error);
  } catch (...) {
    return 0;
  }
}

}  // namespace Nutilexception
