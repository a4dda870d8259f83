-- Distribution of the schema over a Citus cluster, run by the installer
-- after tables.sql and schema.sql when the database has the citus extension
-- (and only then). May run again: a table already placed is left alone.
--
-- Every table of company data is distributed by CODIGOEMPRESA, co-located
-- with LCTOCTB: a company's entries, balances, registers, sequences and batch
-- journals live in shards of the same number, on the same node, so that a
-- trigger or a grouped statement of one company never leaves that node.
-- Every other table (the global registers, SEQUENCIA, VERSAOSCHEMA) is a
-- reference table, copied to every node.
--
-- The balance triggers run on the shards, on the workers: Citus accepts row
-- triggers on distributed tables only under citus.enable_unsafe_triggers,
-- which the installer sets for its transaction alone, with one connection
-- per node; co-location is what makes the triggers safe here. A trigger's
-- function runs in the worker's session, whose search_path is not the
-- client's, so each function of the schema is copied to the workers (one
-- created before its tables were distributed is not) and keeps the schema
-- it was installed in; all but CTB_NA_FAIXA_DO_LOTE, which reads settings
-- alone and must stay without a SET clause for the server to inline it into
-- the triggers' WHEN.
DO $$
DECLARE
  vTabela TEXT;
  vFuncao REGPROCEDURE;
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_dist_partition
                  WHERE logicalrelid = to_regclass(current_schema() || '.lctoctb')) THEN
    PERFORM create_distributed_table(current_schema() || '.lctoctb', 'codigoempresa');
  END IF;
  FOR vTabela IN
    SELECT T.table_name FROM information_schema.tables T
     WHERE T.table_schema = current_schema() AND T.table_type = 'BASE TABLE'
       AND NOT EXISTS (SELECT 1 FROM pg_dist_partition P
                        WHERE P.logicalrelid = to_regclass(quote_ident(T.table_schema) || '.' ||
                                                           quote_ident(T.table_name)))
     ORDER BY T.table_name
  LOOP
    -- Company data: a CODIGOEMPRESA that leads the key, or a keyless
    -- journal's. A register keyed by its own code (CONTABANCARIA) is global.
    IF EXISTS (SELECT 1 FROM information_schema.columns C
                WHERE C.table_schema = current_schema() AND C.table_name = vTabela
                  AND C.column_name = 'codigoempresa')
       AND coalesce((SELECT A.attname = 'codigoempresa' FROM pg_index I
                       JOIN pg_attribute A ON A.attrelid = I.indrelid AND A.attnum = I.indkey[0]
                      WHERE I.indrelid = to_regclass(quote_ident(current_schema()) || '.' ||
                                                     quote_ident(vTabela))
                        AND I.indisprimary), true) THEN
      PERFORM create_distributed_table(quote_ident(current_schema()) || '.' || quote_ident(vTabela),
                                       'codigoempresa',
                                       colocate_with => quote_ident(current_schema()) || '.lctoctb');
    ELSE
      PERFORM create_reference_table(quote_ident(current_schema()) || '.' || quote_ident(vTabela));
    END IF;
  END LOOP;
  FOR vFuncao IN
    SELECT P.oid::REGPROCEDURE FROM pg_proc P
     WHERE P.pronamespace = current_schema()::REGNAMESPACE
  LOOP
    PERFORM create_distributed_function(vFuncao);
    IF (SELECT P.proname FROM pg_proc P WHERE P.oid = vFuncao) <> 'ctb_na_faixa_do_lote' THEN
      EXECUTE format('ALTER FUNCTION %s SET search_path = %I', vFuncao, current_schema());
    END IF;
  END LOOP;
END
$$;
