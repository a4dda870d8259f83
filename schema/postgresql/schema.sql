-- Schema of the journal-entry engine, PostgreSQL dialect (15 or later):
-- functions, views and triggers over the tables of ../tables.sql, which runs
-- first.
--
-- Runs whole in one call and may be run again: functions are replaced, views
-- and triggers are dropped and re-created.

-- The trigger below fills it before the row is checked.
ALTER TABLE LCTOCTBEXCLUIDO ALTER COLUMN IDLCTOCTBEXCL SET NOT NULL;

-- A deleted-entry copy inserted without IDLCTOCTBEXCL takes the next value
-- of its company's sequence GEN_IDLCTOCTBEXCL, past the company's highest id
-- (the same row and rule the connection layer uses).
CREATE OR REPLACE FUNCTION CTB_LCTOCTBEXCLUIDO_ID() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO SEQUENCIAEMPRESA (CODIGOEMPRESA, NOME, VALOR)
  VALUES (NEW.CODIGOEMPRESA, 'GEN_IDLCTOCTBEXCL', 0)
  ON CONFLICT (CODIGOEMPRESA, NOME) DO NOTHING;
  UPDATE SEQUENCIAEMPRESA
     SET VALOR = greatest(VALOR, coalesce((SELECT max(IDLCTOCTBEXCL) FROM LCTOCTBEXCLUIDO
                                            WHERE CODIGOEMPRESA = NEW.CODIGOEMPRESA), 0)) + 1
   WHERE CODIGOEMPRESA = NEW.CODIGOEMPRESA AND NOME = 'GEN_IDLCTOCTBEXCL'
  RETURNING VALOR INTO NEW.IDLCTOCTBEXCL;
  RETURN NEW;
END
$$;

DROP TRIGGER IF EXISTS TR_LCTOCTBEXCLUIDO_ID ON LCTOCTBEXCLUIDO;
CREATE TRIGGER TR_LCTOCTBEXCLUIDO_ID BEFORE INSERT ON LCTOCTBEXCLUIDO
  FOR EACH ROW WHEN (NEW.IDLCTOCTBEXCL IS NULL) EXECUTE FUNCTION CTB_LCTOCTBEXCLUIDO_ID();

-- ---------------------------------------------------------------------------
-- Balance maintenance (PostgreSQL)
--
-- Every side of an entry (debit account, credit account) is one movement:
-- it adds VALORLCTOCTB to the debits or to the credits of its account in
-- SALDOCTB (day), SALDOCTBMENSAL (first day of the month) and
-- SALDOCTBMENSALHIST (month and history), and VALORLCTOMOEDA to
-- SALDOCTBMOEDA / SALDOCTBMOEDAMENSAL under the functional currency of the
-- establishment's option valid at the entry date (no option or no
-- VALORLCTOMOEDA: no currency movement). CTB_MOVIMENTAR_SALDO is the one
-- place that touches the balance tables; taking an entry out applies the
-- same movement with negated amounts. A balance that returns to zero debits
-- and credits is deleted, so the tables equal a recomputation exactly.
-- ---------------------------------------------------------------------------

-- Functional currency of an establishment's option valid at a date, or null.
CREATE OR REPLACE FUNCTION CTB_MOEDA_FUNCIONAL(pEmpresa SMALLINT, pEstab SMALLINT, pData DATE)
RETURNS SMALLINT LANGUAGE sql STABLE AS $$
  SELECT O.CODIGOMOEDA FROM OPCAOMOEDAFUNCIONAL O
   WHERE O.CODIGOEMPRESA = pEmpresa AND O.CODIGOESTAB = pEstab
     AND O.DATAINICIAL <= pData AND (O.DATAFINAL IS NULL OR O.DATAFINAL >= pData)
   ORDER BY O.DATAINICIAL DESC LIMIT 1
$$;

-- A batch writer (LoteSaldos) turns the per-row movements off for its
-- transaction with the setting ctb.lotesaldo = '1' (set_config local to the
-- transaction, so a commit or rollback turns it off again and no other
-- session sees it). The movements of the entries then go to the batch
-- journal LOTESALDOCTB (same columns as VLCTOCTBSALDO), which the writer
-- applies to the balance tables with one grouped statement per table before
-- its commit. Concurrent writers each see only their own uncommitted
-- journal rows; the journal never holds a committed row, so it needs no WAL.
ALTER TABLE LOTESALDOCTB SET UNLOGGED;

-- A batch that draws a block of fresh keys records it in LOTESALDOFAIXA,
-- uncommitted: the entries and splits of those keys are summed from the
-- tables once, when the batch is applied, so the triggers leave them alone
-- (an update moving a row across the block's edge moves only the side
-- outside it).
ALTER TABLE LOTESALDOFAIXA SET UNLOGGED;

-- Every entry and split a batch writes asks this, twice for an entry: the
-- query is most of a fresh entry's trigger time. So the writer also keeps
-- the company's newest block in the transaction's setting ctb.faixaN
-- ("first:last", a block LOTESALDOFAIXA holds), which answers the keys it
-- is drawing without a query; other keys still ask the table.
CREATE OR REPLACE FUNCTION CTB_CHAVE_EM_LOTE(pEmpresa SMALLINT, pChave BIGINT)
RETURNS boolean LANGUAGE plpgsql STABLE AS $$
DECLARE
  vFaixa TEXT;
BEGIN
  IF current_setting('ctb.lotesaldo', true) IS DISTINCT FROM '1' THEN
    RETURN false;
  END IF;
  vFaixa := current_setting('ctb.faixa' || pEmpresa, true);
  IF vFaixa <> '' AND pChave BETWEEN split_part(vFaixa, ':', 1)::BIGINT
                                 AND split_part(vFaixa, ':', 2)::BIGINT THEN
    RETURN true;
  END IF;
  RETURN EXISTS (SELECT 1 FROM LOTESALDOFAIXA F WHERE F.CODIGOEMPRESA = pEmpresa
                    AND pChave BETWEEN F.CHAVEINICIAL AND F.CHAVEFINAL);
END
$$;

-- Whether a key is in the company's newest block, from that setting alone.
-- The insert triggers of LCTOCTB and LCTOGER ask it in their WHEN, so a row
-- of the block is not even queued for its trigger, which each of a batch's
-- thousands of rows would otherwise run (a WHEN test costs a fraction of a
-- trigger's call). A plain SQL expression of built-in functions: the server
-- inlines it into the WHEN, which a SET clause would prevent (the Citus
-- script leaves it without its search_path). A key it does not place goes
-- to the trigger, which asks CTB_CHAVE_EM_LOTE.
CREATE OR REPLACE FUNCTION CTB_NA_FAIXA_DO_LOTE(pEmpresa SMALLINT, pChave BIGINT)
RETURNS boolean LANGUAGE sql STABLE AS $$
  SELECT coalesce(current_setting('ctb.lotesaldo', true) = '1' AND pChave
    BETWEEN nullif(split_part(current_setting('ctb.faixa' || pEmpresa, true), ':', 1), '')::BIGINT
        AND nullif(split_part(current_setting('ctb.faixa' || pEmpresa, true), ':', 2), '')::BIGINT,
    false)
$$;

-- Entry sides as balance movements; rebuilds and checks recompute from it.
DROP VIEW IF EXISTS VLCTOCTBSALDO;
CREATE VIEW VLCTOCTBSALDO AS
SELECT L.CODIGOEMPRESA, L.CODIGOESTAB, L.CONTACTBDEB AS CONTACTB,
       L.DATALCTOCTB AS DATASALDO, CAST(date_trunc('month', L.DATALCTOCTB) AS DATE) AS DATAMES,
       L.TIPOLANCAMENTO, CAST(coalesce(L.CODIGOHISTCTB, 0) AS SMALLINT) AS CODIGOHISTCTB,
       CASE WHEN L.VALORLCTOMOEDA IS NULL THEN NULL
            ELSE CTB_MOEDA_FUNCIONAL(L.CODIGOEMPRESA, L.CODIGOESTAB, L.DATALCTOCTB) END AS CODIGOMOEDA,
       L.VALORLCTOCTB AS VALORDEB, CAST(0 AS NUMERIC(18,2)) AS VALORCRED,
       coalesce(L.VALORLCTOMOEDA, 0) AS VALORDEBMOEDA, CAST(0 AS NUMERIC(18,2)) AS VALORCREDMOEDA,
       L.CHAVELCTOCTB
  FROM LCTOCTB L
 WHERE L.CONTACTBDEB IS NOT NULL
UNION ALL
SELECT L.CODIGOEMPRESA, L.CODIGOESTAB, L.CONTACTBCRED AS CONTACTB,
       L.DATALCTOCTB AS DATASALDO, CAST(date_trunc('month', L.DATALCTOCTB) AS DATE) AS DATAMES,
       L.TIPOLANCAMENTO, CAST(coalesce(L.CODIGOHISTCTB, 0) AS SMALLINT) AS CODIGOHISTCTB,
       CASE WHEN L.VALORLCTOMOEDA IS NULL THEN NULL
            ELSE CTB_MOEDA_FUNCIONAL(L.CODIGOEMPRESA, L.CODIGOESTAB, L.DATALCTOCTB) END AS CODIGOMOEDA,
       CAST(0 AS NUMERIC(18,2)) AS VALORDEB, L.VALORLCTOCTB AS VALORCRED,
       CAST(0 AS NUMERIC(18,2)) AS VALORDEBMOEDA, coalesce(L.VALORLCTOMOEDA, 0) AS VALORCREDMOEDA,
       L.CHAVELCTOCTB
  FROM LCTOCTB L
 WHERE L.CONTACTBCRED IS NOT NULL;

-- A balance row stays only while its debits or credits are not zero: the
-- row an update brings to zero leaves at the end of the statement, whoever
-- wrote it (the movement functions, a batch's grouped statements); other
-- rows cost the WHEN test alone. The trigger's arguments are the table's key
-- columns. No writer inserts a zero row: the movement functions skip a
-- movement of nothing, and the grouped statements a group that cancels out.
CREATE OR REPLACE FUNCTION CTB_SALDO_ZERADO() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  EXECUTE format('DELETE FROM %I WHERE (%s) = (%s) AND VALORDEB = 0 AND VALORCRED = 0',
                 TG_TABLE_NAME, array_to_string(TG_ARGV, ', '),
                 (SELECT string_agg('$1.' || coluna, ', ') FROM unnest(TG_ARGV) AS coluna))
    USING NEW;
  RETURN NULL;
END
$$;
DROP TRIGGER IF EXISTS TR_SALDOCTB_ZERO ON SALDOCTB;
CREATE TRIGGER TR_SALDOCTB_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOCTB
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'DATASALDO', 'TIPOLANCAMENTO');
DROP TRIGGER IF EXISTS TR_SALDOCTBMENSAL_ZERO ON SALDOCTBMENSAL;
CREATE TRIGGER TR_SALDOCTBMENSAL_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOCTBMENSAL
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'DATASALDO', 'TIPOLANCAMENTO');
DROP TRIGGER IF EXISTS TR_SALDOCTBMENSALHIST_ZERO ON SALDOCTBMENSALHIST;
CREATE TRIGGER TR_SALDOCTBMENSALHIST_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOCTBMENSALHIST
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'DATASALDO', 'TIPOLANCAMENTO', 'CODIGOHISTCTB');
DROP TRIGGER IF EXISTS TR_SALDOCTBMOEDA_ZERO ON SALDOCTBMOEDA;
CREATE TRIGGER TR_SALDOCTBMOEDA_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOCTBMOEDA
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'DATASALDO', 'TIPOLANCAMENTO', 'CODIGOMOEDA');
DROP TRIGGER IF EXISTS TR_SALDOCTBMOEDAMENSAL_ZERO ON SALDOCTBMOEDAMENSAL;
CREATE TRIGGER TR_SALDOCTBMOEDAMENSAL_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOCTBMOEDAMENSAL
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'DATASALDO', 'TIPOLANCAMENTO', 'CODIGOMOEDA');
DROP TRIGGER IF EXISTS TR_SALDOGER_ZERO ON SALDOGER;
CREATE TRIGGER TR_SALDOGER_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOGER
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'CODIGOCENTROCUSTO', 'DATASALDO', 'TIPOLANCAMENTO');
DROP TRIGGER IF EXISTS TR_SALDOGERMENSAL_ZERO ON SALDOGERMENSAL;
CREATE TRIGGER TR_SALDOGERMENSAL_ZERO AFTER UPDATE OF VALORDEB, VALORCRED ON SALDOGERMENSAL
  FOR EACH ROW WHEN (NEW.VALORDEB = 0 AND NEW.VALORCRED = 0)
  EXECUTE FUNCTION CTB_SALDO_ZERADO('CODIGOEMPRESA', 'CODIGOESTAB', 'CONTACTB', 'CODIGOCENTROCUSTO', 'DATASALDO', 'TIPOLANCAMENTO');

CREATE OR REPLACE FUNCTION CTB_MOVIMENTAR_SALDO(
  pEmpresa SMALLINT, pEstab SMALLINT, pConta BIGINT, pData DATE, pTipo CHAR(2), pHist SMALLINT,
  pMoeda SMALLINT, pDeb NUMERIC, pCred NUMERIC, pDebMoeda NUMERIC, pCredMoeda NUMERIC)
RETURNS void LANGUAGE plpgsql AS $$
DECLARE
  vMes DATE := CAST(date_trunc('month', pData) AS DATE);
BEGIN
  IF current_setting('ctb.lotesaldo', true) = '1' THEN
    INSERT INTO LOTESALDOCTB
    VALUES (pEmpresa, pEstab, pConta, pData, vMes, pTipo, pHist, pMoeda, pDeb, pCred, pDebMoeda, pCredMoeda);
    RETURN;
  END IF;
  -- A movement of nothing changes no balance, and must not insert a zero row.
  IF pDeb <> 0 OR pCred <> 0 THEN
    INSERT INTO SALDOCTB (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, VALORDEB, VALORCRED)
    VALUES (pEmpresa, pEstab, pConta, pData, pTipo, pDeb, pCred)
    ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO) DO UPDATE
       SET VALORDEB = SALDOCTB.VALORDEB + EXCLUDED.VALORDEB,
           VALORCRED = SALDOCTB.VALORCRED + EXCLUDED.VALORCRED;

    INSERT INTO SALDOCTBMENSAL (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, VALORDEB, VALORCRED)
    VALUES (pEmpresa, pEstab, pConta, vMes, pTipo, pDeb, pCred)
    ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO) DO UPDATE
       SET VALORDEB = SALDOCTBMENSAL.VALORDEB + EXCLUDED.VALORDEB,
           VALORCRED = SALDOCTBMENSAL.VALORCRED + EXCLUDED.VALORCRED;

    INSERT INTO SALDOCTBMENSALHIST (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB,
                                    VALORDEB, VALORCRED)
    VALUES (pEmpresa, pEstab, pConta, vMes, pTipo, pHist, pDeb, pCred)
    ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOHISTCTB) DO UPDATE
       SET VALORDEB = SALDOCTBMENSALHIST.VALORDEB + EXCLUDED.VALORDEB,
           VALORCRED = SALDOCTBMENSALHIST.VALORCRED + EXCLUDED.VALORCRED;
  END IF;


  IF pMoeda IS NULL OR (pDebMoeda = 0 AND pCredMoeda = 0) THEN
    RETURN;
  END IF;

  INSERT INTO SALDOCTBMOEDA (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA,
                             VALORDEB, VALORCRED)
  VALUES (pEmpresa, pEstab, pConta, pData, pTipo, pMoeda, pDebMoeda, pCredMoeda)
  ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA) DO UPDATE
     SET VALORDEB = SALDOCTBMOEDA.VALORDEB + EXCLUDED.VALORDEB,
         VALORCRED = SALDOCTBMOEDA.VALORCRED + EXCLUDED.VALORCRED;

  INSERT INTO SALDOCTBMOEDAMENSAL (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA,
                                   VALORDEB, VALORCRED)
  VALUES (pEmpresa, pEstab, pConta, vMes, pTipo, pMoeda, pDebMoeda, pCredMoeda)
  ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, DATASALDO, TIPOLANCAMENTO, CODIGOMOEDA) DO UPDATE
     SET VALORDEB = SALDOCTBMOEDAMENSAL.VALORDEB + EXCLUDED.VALORDEB,
         VALORCRED = SALDOCTBMOEDAMENSAL.VALORCRED + EXCLUDED.VALORCRED;
END
$$;

-- Applies both sides of one entry row; pSinal 1 puts it in, -1 takes it out.
-- The triggers pass their row as ROW(NEW.*)::LCTOCTB: on a Citus cluster
-- the trigger fires on a shard, whose row type is the shard's, not LCTOCTB.
CREATE OR REPLACE FUNCTION CTB_LANCAR_SALDO(r LCTOCTB, pSinal INTEGER) RETURNS void LANGUAGE plpgsql AS $$
DECLARE
  vMoeda SMALLINT;
  vHist SMALLINT := coalesce(r.CODIGOHISTCTB, 0);
  vValor NUMERIC := pSinal * r.VALORLCTOCTB;
  vValorMoeda NUMERIC := pSinal * coalesce(r.VALORLCTOMOEDA, 0);
  -- The sides in account order: two entries between the same accounts in
  -- opposite directions lock their balance rows in one order, so the second
  -- waits for the first instead of deadlocking with it.
  vDebitoPrimeiro BOOLEAN := coalesce(r.CONTACTBDEB <= r.CONTACTBCRED, true);
BEGIN
  IF r.VALORLCTOMOEDA IS NOT NULL THEN
    vMoeda := CTB_MOEDA_FUNCIONAL(r.CODIGOEMPRESA, r.CODIGOESTAB, r.DATALCTOCTB);
  END IF;
  IF vDebitoPrimeiro AND r.CONTACTBDEB IS NOT NULL THEN
    PERFORM CTB_MOVIMENTAR_SALDO(r.CODIGOEMPRESA, r.CODIGOESTAB, r.CONTACTBDEB, r.DATALCTOCTB, r.TIPOLANCAMENTO,
                                 vHist, vMoeda, vValor, 0, vValorMoeda, 0);
  END IF;
  IF r.CONTACTBCRED IS NOT NULL THEN
    PERFORM CTB_MOVIMENTAR_SALDO(r.CODIGOEMPRESA, r.CODIGOESTAB, r.CONTACTBCRED, r.DATALCTOCTB, r.TIPOLANCAMENTO,
                                 vHist, vMoeda, 0, vValor, 0, vValorMoeda);
  END IF;
  IF NOT vDebitoPrimeiro AND r.CONTACTBDEB IS NOT NULL THEN
    PERFORM CTB_MOVIMENTAR_SALDO(r.CODIGOEMPRESA, r.CODIGOESTAB, r.CONTACTBDEB, r.DATALCTOCTB, r.TIPOLANCAMENTO,
                                 vHist, vMoeda, vValor, 0, vValorMoeda, 0);
  END IF;
END
$$;

-- LCTOCTB's trigger, which moves these balances and the managerial ones
-- together, closes the managerial section below.
DROP TRIGGER IF EXISTS TR_LCTOCTB_SALDO ON LCTOCTB;
DROP TRIGGER IF EXISTS TR_LCTOCTB_SALDOGER ON LCTOCTB;
DROP FUNCTION IF EXISTS CTB_LCTOCTB_SALDOGER();

-- ---------------------------------------------------------------------------
-- Managerial balances (PostgreSQL)
--
-- Every cost-centre split of LCTOGER whose entry exists is one movement: its
-- VALORLCTOGER goes to the debits (NATURLCTOCTB 1) or the credits (-1) of
-- its account and cost centre in SALDOGER (day) and SALDOGERMENSAL (first
-- day of the month), under the establishment and entry type of its entry.
-- So both tables move when a split changes and when its entry is written:
-- an entry that comes, goes, or changes company, key, establishment or type
-- takes its splits with it. CTB_MOVIMENTAR_SALDOGER is the one place that
-- touches the tables (or, during a batch, the journal LOTESALDOGER).
-- ---------------------------------------------------------------------------

ALTER TABLE LOTESALDOGER SET UNLOGGED;

-- Splits as balance movements; rebuilds and checks recompute from it.
DROP VIEW IF EXISTS VLCTOGERSALDO;
CREATE VIEW VLCTOGERSALDO AS
SELECT G.CODIGOEMPRESA, L.CODIGOESTAB, G.CONTACTB, G.CODIGOCENTROCUSTO,
       G.DATALCTOCTB AS DATASALDO, CAST(date_trunc('month', G.DATALCTOCTB) AS DATE) AS DATAMES,
       L.TIPOLANCAMENTO,
       CASE WHEN G.NATURLCTOCTB = 1 THEN G.VALORLCTOGER ELSE 0 END AS VALORDEB,
       CASE WHEN G.NATURLCTOCTB = 1 THEN 0 ELSE G.VALORLCTOGER END AS VALORCRED, G.CHAVELCTOCTB
  FROM LCTOGER G
  JOIN LCTOCTB L ON L.CODIGOEMPRESA = G.CODIGOEMPRESA AND L.CHAVELCTOCTB = G.CHAVELCTOCTB
 WHERE G.NATURLCTOCTB IN (1, -1);

CREATE OR REPLACE FUNCTION CTB_MOVIMENTAR_SALDOGER(
  pEmpresa SMALLINT, pEstab SMALLINT, pConta BIGINT, pCentro BIGINT, pData DATE, pTipo CHAR(2),
  pDeb NUMERIC, pCred NUMERIC)
RETURNS void LANGUAGE plpgsql AS $$
DECLARE
  vMes DATE := CAST(date_trunc('month', pData) AS DATE);
BEGIN
  IF current_setting('ctb.lotesaldo', true) = '1' THEN
    INSERT INTO LOTESALDOGER VALUES (pEmpresa, pEstab, pConta, pCentro, pData, vMes, pTipo, pDeb, pCred);
    RETURN;
  END IF;
  -- A movement of nothing changes no balance, and must not insert a zero row.
  IF pDeb <> 0 OR pCred <> 0 THEN
    INSERT INTO SALDOGER (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO,
                          VALORDEB, VALORCRED)
    VALUES (pEmpresa, pEstab, pConta, pCentro, pData, pTipo, pDeb, pCred)
    ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO) DO UPDATE
       SET VALORDEB = SALDOGER.VALORDEB + EXCLUDED.VALORDEB,
           VALORCRED = SALDOGER.VALORCRED + EXCLUDED.VALORCRED;

    INSERT INTO SALDOGERMENSAL (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO,
                                VALORDEB, VALORCRED)
    VALUES (pEmpresa, pEstab, pConta, pCentro, vMes, pTipo, pDeb, pCred)
    ON CONFLICT (CODIGOEMPRESA, CODIGOESTAB, CONTACTB, CODIGOCENTROCUSTO, DATASALDO, TIPOLANCAMENTO) DO UPDATE
       SET VALORDEB = SALDOGERMENSAL.VALORDEB + EXCLUDED.VALORDEB,
           VALORCRED = SALDOGERMENSAL.VALORCRED + EXCLUDED.VALORCRED;
  END IF;

END
$$;

-- Applies one split under its entry's establishment and type; pSinal 1 puts
-- it in, -1 takes it out.
CREATE OR REPLACE FUNCTION CTB_LANCAR_SALDOGER(g LCTOGER, pEstab SMALLINT, pTipo CHAR(2), pSinal INTEGER)
RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  IF g.NATURLCTOCTB = 1 THEN
    PERFORM CTB_MOVIMENTAR_SALDOGER(g.CODIGOEMPRESA, pEstab, g.CONTACTB, g.CODIGOCENTROCUSTO, g.DATALCTOCTB, pTipo,
                                    pSinal * g.VALORLCTOGER, 0);
  ELSIF g.NATURLCTOCTB = -1 THEN
    PERFORM CTB_MOVIMENTAR_SALDOGER(g.CODIGOEMPRESA, pEstab, g.CONTACTB, g.CODIGOCENTROCUSTO, g.DATALCTOCTB, pTipo,
                                    0, pSinal * g.VALORLCTOGER);
  END IF;
END
$$;

-- A split moves under its entry; without the entry it moves nothing.
CREATE OR REPLACE FUNCTION CTB_LCTOGER_SALDO() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  e RECORD;
BEGIN
  IF TG_OP = 'UPDATE' AND
     (OLD.CODIGOEMPRESA, OLD.CHAVELCTOCTB, OLD.CODIGOCENTROCUSTO, OLD.NATURLCTOCTB, OLD.CONTACTB,
      OLD.DATALCTOCTB, OLD.VALORLCTOGER)
     IS NOT DISTINCT FROM
     (NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB, NEW.CODIGOCENTROCUSTO, NEW.NATURLCTOCTB, NEW.CONTACTB,
      NEW.DATALCTOCTB, NEW.VALORLCTOGER) THEN
    RETURN NULL;
  END IF;
  IF TG_OP IN ('UPDATE', 'DELETE') AND NOT CTB_CHAVE_EM_LOTE(OLD.CODIGOEMPRESA, OLD.CHAVELCTOCTB) THEN
    FOR e IN SELECT CODIGOESTAB, TIPOLANCAMENTO FROM LCTOCTB
              WHERE CODIGOEMPRESA = OLD.CODIGOEMPRESA AND CHAVELCTOCTB = OLD.CHAVELCTOCTB LOOP
      PERFORM CTB_LANCAR_SALDOGER(ROW(OLD.*)::LCTOGER, e.CODIGOESTAB, e.TIPOLANCAMENTO, -1);
    END LOOP;
  END IF;
  IF TG_OP IN ('INSERT', 'UPDATE') AND NOT CTB_CHAVE_EM_LOTE(NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB) THEN
    FOR e IN SELECT CODIGOESTAB, TIPOLANCAMENTO FROM LCTOCTB
              WHERE CODIGOEMPRESA = NEW.CODIGOEMPRESA AND CHAVELCTOCTB = NEW.CHAVELCTOCTB LOOP
      PERFORM CTB_LANCAR_SALDOGER(ROW(NEW.*)::LCTOGER, e.CODIGOESTAB, e.TIPOLANCAMENTO, 1);
    END LOOP;
  END IF;
  RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS TR_LCTOGER_SALDO ON LCTOGER;
CREATE TRIGGER TR_LCTOGER_SALDO AFTER UPDATE OR DELETE ON LCTOGER
  FOR EACH ROW EXECUTE FUNCTION CTB_LCTOGER_SALDO();
DROP TRIGGER IF EXISTS TR_LCTOGER_SALDO_INS ON LCTOGER;
CREATE TRIGGER TR_LCTOGER_SALDO_INS AFTER INSERT ON LCTOGER
  FOR EACH ROW WHEN (NOT CTB_NA_FAIXA_DO_LOTE(NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB))
  EXECUTE FUNCTION CTB_LCTOGER_SALDO();

-- An insert puts the entry in, a delete takes it out, an update of a column
-- the balances read takes the old row out and puts the new one in. The key
-- counts too: it may take the row into or out of a batch's block of keys.
-- An entry that comes, goes or changes company, key, establishment or type
-- also takes its splits with it. One trigger does both, so a row of a
-- batch's block is queued, read back and checked against the block once.
CREATE OR REPLACE FUNCTION CTB_LCTOCTB_SALDO() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  g LCTOGER;
  vSai BOOLEAN := TG_OP IN ('UPDATE', 'DELETE') AND NOT CTB_CHAVE_EM_LOTE(OLD.CODIGOEMPRESA, OLD.CHAVELCTOCTB);
  vEntra BOOLEAN := TG_OP IN ('INSERT', 'UPDATE') AND NOT CTB_CHAVE_EM_LOTE(NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB);
  vSplits BOOLEAN := TG_OP <> 'UPDATE' OR
     (OLD.CODIGOEMPRESA, OLD.CHAVELCTOCTB, OLD.CODIGOESTAB, OLD.TIPOLANCAMENTO)
     IS DISTINCT FROM (NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB, NEW.CODIGOESTAB, NEW.TIPOLANCAMENTO);
BEGIN
  IF TG_OP = 'UPDATE' AND
     (OLD.CODIGOEMPRESA, OLD.CHAVELCTOCTB, OLD.CODIGOESTAB, OLD.DATALCTOCTB, OLD.TIPOLANCAMENTO,
      OLD.CONTACTBDEB, OLD.CONTACTBCRED, OLD.CODIGOHISTCTB, OLD.VALORLCTOCTB, OLD.VALORLCTOMOEDA)
     IS NOT DISTINCT FROM
     (NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB, NEW.CODIGOESTAB, NEW.DATALCTOCTB, NEW.TIPOLANCAMENTO,
      NEW.CONTACTBDEB, NEW.CONTACTBCRED, NEW.CODIGOHISTCTB, NEW.VALORLCTOCTB, NEW.VALORLCTOMOEDA) THEN
    RETURN NULL;
  END IF;
  IF vSai THEN
    PERFORM CTB_LANCAR_SALDO(ROW(OLD.*)::LCTOCTB, -1);
  END IF;
  IF vEntra THEN
    PERFORM CTB_LANCAR_SALDO(ROW(NEW.*)::LCTOCTB, 1);
  END IF;
  IF vSplits AND vSai THEN
    FOR g IN SELECT * FROM LCTOGER WHERE CODIGOEMPRESA = OLD.CODIGOEMPRESA AND CHAVELCTOCTB = OLD.CHAVELCTOCTB LOOP
      PERFORM CTB_LANCAR_SALDOGER(g, OLD.CODIGOESTAB, OLD.TIPOLANCAMENTO, -1);
    END LOOP;
  END IF;
  IF vSplits AND vEntra THEN
    FOR g IN SELECT * FROM LCTOGER WHERE CODIGOEMPRESA = NEW.CODIGOEMPRESA AND CHAVELCTOCTB = NEW.CHAVELCTOCTB LOOP
      PERFORM CTB_LANCAR_SALDOGER(g, NEW.CODIGOESTAB, NEW.TIPOLANCAMENTO, 1);
    END LOOP;
  END IF;
  RETURN NULL;
END
$$;

CREATE TRIGGER TR_LCTOCTB_SALDO AFTER UPDATE OR DELETE ON LCTOCTB
  FOR EACH ROW EXECUTE FUNCTION CTB_LCTOCTB_SALDO();
DROP TRIGGER IF EXISTS TR_LCTOCTB_SALDO_INS ON LCTOCTB;
CREATE TRIGGER TR_LCTOCTB_SALDO_INS AFTER INSERT ON LCTOCTB
  FOR EACH ROW WHEN (NOT CTB_NA_FAIXA_DO_LOTE(NEW.CODIGOEMPRESA, NEW.CHAVELCTOCTB))
  EXECUTE FUNCTION CTB_LCTOCTB_SALDO();

-- ---------------------------------------------------------------------------
-- Schema version: one row, raised by the scripts that change the schema.
-- ---------------------------------------------------------------------------
INSERT INTO VERSAOSCHEMA (VERSAO) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM VERSAOSCHEMA);
