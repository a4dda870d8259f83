#include "host/import/ResumoSha256.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// The published test vectors, and a content that crosses a block boundary
// inside the length field.
TEST(ResumoSha256, MatchesTheKnownDigests) {
  const std::pair<std::string, std::string> casos[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [texto, hex] : casos) {
    std::istringstream entrada(texto);
    EXPECT_EQ(TResumoSha256::DoFluxo(entrada), hex) << texto.size();
  }
}

}  // namespace
