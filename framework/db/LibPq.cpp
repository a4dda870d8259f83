#include "framework/db/LibPq.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include "framework/core/Exceptions.h"

namespace {

constexpr const char* kBiblioteca = "libpq.so.5";

template <class TFuncao>
void Carregar(void* biblioteca, TFuncao& funcao, const char* nome) {
  void* simbolo = dlsym(biblioteca, nome);
  if (simbolo == nullptr)
    throw Exception(fmt::format("A biblioteca {} não tem a função {}", kBiblioteca, nome));
  // dlsym answers functions as data pointers; POSIX guarantees the round trip.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  funcao = reinterpret_cast<TFuncao>(simbolo);
}

TLibPq CarregarLibPq() {
  // Never closed: the functions are used until the program ends.
  void* biblioteca = dlopen(kBiblioteca, RTLD_NOW | RTLD_LOCAL);
  if (biblioteca == nullptr)
    throw Exception(fmt::format(
        "Não foi possível carregar a biblioteca do PostgreSQL ({}): {}; instale o pacote libpq5",
        kBiblioteca, dlerror()));
  TLibPq pq{};
  Carregar(biblioteca, pq.PQclear, "PQclear");
  Carregar(biblioteca, pq.PQcmdStatus, "PQcmdStatus");
  Carregar(biblioteca, pq.PQcmdTuples, "PQcmdTuples");
  Carregar(biblioteca, pq.PQconnectdb, "PQconnectdb");
  Carregar(biblioteca, pq.PQenterPipelineMode, "PQenterPipelineMode");
  Carregar(biblioteca, pq.PQerrorMessage, "PQerrorMessage");
  Carregar(biblioteca, pq.PQexec, "PQexec");
  Carregar(biblioteca, pq.PQexecParams, "PQexecParams");
  Carregar(biblioteca, pq.PQexitPipelineMode, "PQexitPipelineMode");
  Carregar(biblioteca, pq.PQfinish, "PQfinish");
  Carregar(biblioteca, pq.PQfmod, "PQfmod");
  Carregar(biblioteca, pq.PQfname, "PQfname");
  Carregar(biblioteca, pq.PQftype, "PQftype");
  Carregar(biblioteca, pq.PQgetResult, "PQgetResult");
  Carregar(biblioteca, pq.PQgetisnull, "PQgetisnull");
  Carregar(biblioteca, pq.PQgetvalue, "PQgetvalue");
  Carregar(biblioteca, pq.PQnfields, "PQnfields");
  Carregar(biblioteca, pq.PQntuples, "PQntuples");
  Carregar(biblioteca, pq.PQpipelineSync, "PQpipelineSync");
  Carregar(biblioteca, pq.PQprepare, "PQprepare");
  Carregar(biblioteca, pq.PQputCopyData, "PQputCopyData");
  Carregar(biblioteca, pq.PQputCopyEnd, "PQputCopyEnd");
  Carregar(biblioteca, pq.PQresultErrorField, "PQresultErrorField");
  Carregar(biblioteca, pq.PQresultErrorMessage, "PQresultErrorMessage");
  Carregar(biblioteca, pq.PQresultStatus, "PQresultStatus");
  Carregar(biblioteca, pq.PQsendPrepare, "PQsendPrepare");
  Carregar(biblioteca, pq.PQsendQueryParams, "PQsendQueryParams");
  Carregar(biblioteca, pq.PQsendQueryPrepared, "PQsendQueryPrepared");
  Carregar(biblioteca, pq.PQsetNoticeProcessor, "PQsetNoticeProcessor");
  Carregar(biblioteca, pq.PQstatus, "PQstatus");
  Carregar(biblioteca, pq.PQtransactionStatus, "PQtransactionStatus");
  return pq;
}

}  // namespace

const TLibPq& LibPq() {
  static const TLibPq pq = CarregarLibPq();
  return pq;
}
