#pragma once
// libpq, loaded the first time a PostgreSQL connection is opened. Linked
// into the program, it and what it brings (Kerberos, LDAP, two TLS
// libraries) cost every start about ten milliseconds of the dynamic loader,
// and most runs never talk to PostgreSQL.

#include <libpq-fe.h>

// The functions the driver calls, named as libpq names them.
struct TLibPq {
  decltype(&::PQclear) PQclear;
  decltype(&::PQcmdStatus) PQcmdStatus;
  decltype(&::PQcmdTuples) PQcmdTuples;
  decltype(&::PQconnectdb) PQconnectdb;
  decltype(&::PQenterPipelineMode) PQenterPipelineMode;
  decltype(&::PQerrorMessage) PQerrorMessage;
  decltype(&::PQexec) PQexec;
  decltype(&::PQexecParams) PQexecParams;
  decltype(&::PQexitPipelineMode) PQexitPipelineMode;
  decltype(&::PQfinish) PQfinish;
  decltype(&::PQfmod) PQfmod;
  decltype(&::PQfname) PQfname;
  decltype(&::PQftype) PQftype;
  decltype(&::PQgetResult) PQgetResult;
  decltype(&::PQgetisnull) PQgetisnull;
  decltype(&::PQgetvalue) PQgetvalue;
  decltype(&::PQnfields) PQnfields;
  decltype(&::PQntuples) PQntuples;
  decltype(&::PQpipelineSync) PQpipelineSync;
  decltype(&::PQprepare) PQprepare;
  decltype(&::PQputCopyData) PQputCopyData;
  decltype(&::PQputCopyEnd) PQputCopyEnd;
  decltype(&::PQresultErrorField) PQresultErrorField;
  decltype(&::PQresultErrorMessage) PQresultErrorMessage;
  decltype(&::PQresultStatus) PQresultStatus;
  decltype(&::PQsendPrepare) PQsendPrepare;
  decltype(&::PQsendQueryParams) PQsendQueryParams;
  decltype(&::PQsendQueryPrepared) PQsendQueryPrepared;
  decltype(&::PQsetNoticeProcessor) PQsetNoticeProcessor;
  decltype(&::PQstatus) PQstatus;
  decltype(&::PQtransactionStatus) PQtransactionStatus;
};

// Loads the library on the first call (thread-safe); throws when it is not
// installed or lacks a function.
const TLibPq& LibPq();
