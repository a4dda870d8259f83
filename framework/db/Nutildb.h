#pragma once
// Database helpers of the host that do not need a data set: the readable
// text of a database failure. (The cursor helpers built on data sets live
// with the data-set layer.)

#include <exception>
#include <string>

namespace Nutildb {

// The text a user reads for a failure: for a database failure of a known
// kind (duplicate key, foreign key, missing value, check) the Portuguese
// sentence without the engine's details; for any other failure its message.
std::string TraduzirErroBD(const std::exception& error);

}  // namespace Nutildb
