#include "schema/SchemaScripts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

std::string ReadSource(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every .sql file of the source tree is embedded byte for byte, so a script
// added or edited there reaches the program without a CMake change.
TEST(SchemaScripts, EmbedsEverySqlFileExactly) {
  const std::filesystem::path root = CTB_SCHEMA_DIR;
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".sql")
      continue;
    ++files;
    const std::string relative = entry.path().lexically_relative(root).generic_string();
    EXPECT_EQ(SchemaScripts::Get(relative), ReadSource(entry.path())) << relative;
  }
  EXPECT_EQ(SchemaScripts::Names().size(), files);
  EXPECT_GE(files, 7u);
}

TEST(SchemaScripts, RefusesUnknownOrPartialNames) {
  for (const char* name : {"", "schema.sql", "sqlite/", "SQLITE/SCHEMA.SQL", "sqlite/schema.sq",
                           "/sqlite/schema.sql", "mysql/schema.sql"}) {
    EXPECT_THROW(SchemaScripts::Get(name), std::out_of_range) << name;
  }
}

}  // namespace
