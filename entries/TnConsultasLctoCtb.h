#pragma once
// What the rule chain asks of the data module it checks an entry for: the
// company's options, the framework's own checks of the record, the lookup
// dictionaries, and the few things only the module may do (ask a person to
// take over another module's entry, put the cursor on a field).
//
// The journal-entry module answers through an adapter it builds per check;
// a record checked alone (a test, an entry built in memory) gets these
// defaults, which mean "the module has none": no option, no framework
// check, no lookup, no double-entry account, no take-over, no form. The
// chain only asks: nothing it writes goes through here, except what a
// framework check settles on the record itself.

#include "framework/core/Value.h"

class TnConsultasLctoCtb {
 public:
  virtual ~TnConsultasLctoCtb() = default;

  // The company's options; each may read the database the first time.
  virtual bool EhOptanteIFRS() { return false; }
  virtual bool EhOptanteFCONT() { return false; }
  virtual bool PossuiSPED() { return false; }
  // The framework's checks of the record (required fields, lookups).
  virtual void ValidarBase() {}
  // A lookup field's value in its dictionary (an account's control type, a
  // history's group); null when there is none.
  virtual Value ValorLookup(const char* /*campo*/, const char* /*resultado*/) { return {}; }
  // Whether the account may only take double entries.
  virtual bool ContaDePartidaDobrada(const Value& /*conta*/) { return false; }
  // Whether the person takes over an entry of another module (refuses
  // without the right).
  virtual bool AlterarChaveOrigem() { return false; }
  // Puts the cursor on a field of the form.
  virtual void FocarCampo(const char* /*campo*/) {}
};
