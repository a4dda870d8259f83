#pragma once
// A folder of its own for a benchmark's databases, removed however the run
// ends.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "framework/core/Exceptions.h"

class TPastaTemporaria {
 public:
  explicit TPastaTemporaria(const std::string& prefixo) {
    std::string modelo = (std::filesystem::temp_directory_path() / (prefixo + "-XXXXXX"));
    if (mkdtemp(modelo.data()) == nullptr)
      throw Exception("Não foi possível criar a pasta temporária");
    FCaminho = modelo;
  }
  ~TPastaTemporaria() {
    std::error_code erro;
    std::filesystem::remove_all(FCaminho, erro);
  }
  TPastaTemporaria(const TPastaTemporaria&) = delete;
  TPastaTemporaria& operator=(const TPastaTemporaria&) = delete;
  std::string Arquivo(const char* nome) const { return (FCaminho / nome).string(); }

 private:
  std::filesystem::path FCaminho;
};
