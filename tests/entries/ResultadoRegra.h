#pragma once
// What a post or a check of the rule chain ended in, as one line: "ok",
// "EnField <field>: <text>", "Exception: <text>" or "EAbort"; Campo spells
// the expected refusal of a field.

#include <functional>
#include <string>

#include "framework/core/Exceptions.h"

inline std::string ResultadoDe(const std::function<void()>& acao) {
  try {
    acao();
    return "ok";
  } catch (const EnField& e) {
    return "EnField " + e.FieldName() + ": " + e.Message();
  } catch (const EAbort&) {
    return "EAbort";
  } catch (const Exception& e) {
    return "Exception: " + e.Message();
  }
}

inline std::string Campo(const char* campo, const std::string& texto) {
  return std::string("EnField ") + campo + ": " + texto;
}
