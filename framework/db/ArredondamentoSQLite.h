#pragma once
// SQLite's round(X, 2) formats X as text and reads the text back: some
// 1,200 instructions a call, and the balance statements and triggers call
// it several times per entry. This replaces round(X, Y) on one connection with
// a function that gives the same value, bit for bit, at a fraction of the
// cost:
//
// - X within a billion, Y = 2 and X a clear distance from a half cent (the
//   amounts a ledger sums): the printed text is the nearest whole number of
//   cents K, so the value is what SQLite reads back from K's digits: K over
//   100, divided in long double as SQLite divides, then rounded to double.
//   The distance kept from a half cent is wider than every rounding error
//   on the way, so printing and this arithmetic never disagree on K.
// - Anything else (another Y, a huge X, a value at a half cent, a text): the
//   built-in round itself, run on a private in-memory connection.
//
// round(X) with one argument is SQLite's own.

struct sqlite3;

// Returns SQLite's result code.
int InstalarArredondamento(sqlite3* db);
