-- Reclassificação do movimento de um período.
--
-- O movimento da conta de origem no período (débitos menos créditos) passa
-- para a conta de destino num só lançamento, na data final do período: a
-- origem fica sem movimento no período e o destino o recebe.
--
--   ctb script reclassificacao.lua --param pCodigoEmpresa=1 \
--     --param pDe=2025-08-01 --param pAte=2025-08-31 \
--     --param pOrigem=4.2.02.004 --param pDestino=4.2.02.005

parametros = {
  { nome = "pDe", titulo = "Início do período", tipo = "data", obrigatorio = true },
  { nome = "pAte", titulo = "Fim do período", tipo = "data", obrigatorio = true },
  { nome = "pOrigem", titulo = "Conta de origem", tipo = "conta", obrigatorio = true },
  { nome = "pDestino", titulo = "Conta de destino", tipo = "conta", obrigatorio = true },
  { nome = "pEstab", titulo = "Estabelecimento", tipo = "inteiro", padrao = "1" },
}

function executar()
  local valor = movimento(param("pOrigem"), param("pDe"), param("pAte"))
  if valor == 0 then
    print("A conta de origem não tem movimento no período")
    return
  end
  local texto = "Reclassificação do movimento de " .. param("pDe") .. " a " .. param("pAte")
  if valor > 0 then
    InserirLcto("pEstab", nil, nil, "pAte", nil, nil, texto, "pDestino", "pOrigem", valor)
  else
    InserirLcto("pEstab", nil, nil, "pAte", nil, nil, texto, "pOrigem", "pDestino", -valor)
  end
end
