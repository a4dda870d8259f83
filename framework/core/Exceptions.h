#pragma once
// The exceptions the engine raises. A refusal is always one of these, carrying
// the exact text the user reads; nothing is written by a refused operation.

#include <stdexcept>
#include <string>

// A refusal or failure with a message for the user.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A refusal caused by one field: the host focuses that field.
class EnField : public Exception {
 public:
  EnField(const std::string& message, std::string fieldName)
      : Exception(message), FFieldName(std::move(fieldName)) {}
  const std::string& FieldName() const { return FFieldName; }

 private:
  std::string FFieldName;
};

// A silent abort: the operation stops without a message (for instance after
// the user answered "No" to a question).
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A value that cannot be converted to the type asked for.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A data-set operation that is not allowed in the data set's state.
class EDatabaseStateError : public Exception {
 public:
  using Exception::Exception;
};

// Kinds of database failure the callers react to.
enum class TDatabaseErrorKind {
  Other = 0,
  DuplicateKey = 1,
  ForeignKey = 2,
  NotNull = 3,
  Check = 4
};

class EDatabaseError : public Exception {
 public:
  EDatabaseError(const std::string& message, TDatabaseErrorKind kind = TDatabaseErrorKind::Other)
      : Exception(message), FKind(kind) {}
  TDatabaseErrorKind Kind() const { return FKind; }

 private:
  TDatabaseErrorKind FKind;
};
