-- Depreciação mensal do imobilizado.
--
-- Para cada bem do grupo do imobilizado que tem taxa na tabela abaixo, a
-- quota do mês (saldo do bem na data x taxa anual / 12, em centavos) é
-- lançada a débito da despesa de depreciação e a crédito da depreciação
-- acumulada do bem. Os centros de custo saem do rateio automático da conta
-- de despesa.
--
--   ctb script depreciacao-mensal.lua --param pCodigoEmpresa=1 \
--     --param pData=2025-12-31

parametros = {
  { nome = "pData", titulo = "Data do lançamento", tipo = "data", obrigatorio = true },
  { nome = "pGrupo", titulo = "Grupo do imobilizado", tipo = "texto", padrao = "1.2.03" },
  { nome = "pDespesa", titulo = "Despesa de depreciação", tipo = "conta", padrao = "DEPRECIACAO" },
  { nome = "pHistorico", titulo = "Histórico", tipo = "historico", padrao = "18" },
  { nome = "pEstab", titulo = "Estabelecimento", tipo = "inteiro", padrao = "1" },
}

-- Taxa anual (%) e depreciação acumulada de cada bem, pela classificação.
local bens = {
  ["1.2.03.003"] = { taxa = 10, acumulada = "1.2.04.002" },
  ["1.2.03.004"] = { taxa = 10, acumulada = "1.2.04.003" },
  ["1.2.03.005"] = { taxa = 20, acumulada = "1.2.04.004" },
  ["1.2.03.006"] = { taxa = 20, acumulada = "1.2.04.005" },
}

function executar()
  for _, bem in ipairs(contas(param("pGrupo"))) do
    local regra = bens[bem.classificacao]
    if regra then
      local custo = saldo(bem.conta, param("pData"))
      local quota = math.floor(custo * regra.taxa / 12 + 0.5) / 100
      if quota > 0 then
        InserirLcto("pEstab", nil, nil, "pData", nil, "pHistorico",
                    "Depreciação de " .. bem.descricao, "pDespesa", conta(regra.acumulada), quota)
      end
    end
  end
end
