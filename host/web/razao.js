"use strict";
// The ledger of one account, a page of entries at a time: the server sums
// what comes before the page, so the running balance of any page is read
// without the entries before it. Opened from any account a page shows
// (/razao?empresa&conta&de&ate); an entry's key opens it for correction, a
// counterpart account opens its own ledger.

let pagina = 1;
let paginas = 1;

function filtros() {
  return {
    empresa: elemento("empresa").value,
    conta: elemento("conta").value.trim(),
    de: elemento("de").value,
    ate: elemento("ate").value,
    livro: elemento("livro").value,
    estab: elemento("estab").value || "0",
  };
}

function saldoTexto(saldo) {
  return `${valor(saldo.valor)} ${saldo.dc}`.trim();
}

const colunas = [
  ["Data"], ["Chave"], ["Estab."], ["Contrapartida"], ["Descrição"],
  ["Débito", "valor"], ["Crédito", "valor"], ["Saldo", "valor"], ["D/C"], ["Histórico"],
];

function celulaLink(texto, href) {
  const td = criar("td");
  const link = criar("a", texto);
  link.href = href;
  td.appendChild(link);
  return td;
}

function mostrar(dados) {
  const f = filtros();
  elemento("tituloConta").textContent =
    `Conta ${dados.conta.conta}  ${dados.conta.classificacao}  ${dados.conta.descricao}`;
  elemento("resumo").textContent =
    `Período: ${dataBr(dados.de)} a ${dataBr(dados.ate)} — Saldo anterior: ${saldoTexto(dados.saldoAnterior)}` +
    ` — Débitos: ${valor(dados.movimento.debito)} — Créditos: ${valor(dados.movimento.credito)}` +
    ` — Saldo final: ${saldoTexto(dados.saldoFinal)}`;
  pagina = dados.pagina;
  paginas = dados.paginas;
  elemento("pagina").textContent = `Página ${pagina} de ${paginas} (${dados.total} lançamentos)`;
  elemento("anterior").disabled = pagina <= 1;
  elemento("proxima").disabled = pagina >= paginas;
  const tabela = elemento("tabela");
  const titulos = criar("tr");
  for (const [titulo] of colunas) titulos.appendChild(criar("th", titulo));
  const cabeca = criar("thead");
  cabeca.appendChild(titulos);
  const corpo = criar("tbody");
  for (const linha of dados.linhas) {
    const tr = criar("tr");
    tr.appendChild(criar("td", dataBr(linha.data)));
    tr.appendChild(celulaLink(String(linha.chave),
      `/lancamentos?${new URLSearchParams({ empresa: f.empresa, chave: linha.chave })}`));
    tr.appendChild(criar("td", String(linha.estab), "valor"));
    tr.appendChild(linha.contrapartida === null ? criar("td") : celulaLink(String(linha.contrapartida),
      `/razao?${new URLSearchParams({ ...f, conta: linha.contrapartida })}`));
    tr.appendChild(criar("td", linha.descricao));
    tr.appendChild(criar("td", valor(linha.debito), "valor"));
    tr.appendChild(criar("td", valor(linha.credito), "valor"));
    tr.appendChild(criar("td", valor(linha.saldo.valor), "valor"));
    tr.appendChild(criar("td", linha.saldo.dc));
    tr.appendChild(criar("td", linha.historico));
    corpo.appendChild(tr);
  }
  tabela.replaceChildren(cabeca, corpo);
  elemento("resultado").classList.remove("oculto");
  fixarCabecalho(tabela, 1);
}

async function consultar(novaPagina = 1) {
  elemento("erro").textContent = "";
  try {
    const f = filtros();
    const dados = await pedir(`/api/paginas/razao?${new URLSearchParams({ ...f, pagina: novaPagina })}`);
    mostrar(dados);
    history.replaceState(null, "", `/razao?${new URLSearchParams(f)}`);
  } catch (erro) {
    elemento("erro").textContent = erro.message;
  }
}

async function iniciar() {
  const sessao = await iniciarSessao();
  for (const id of ["de", "ate"]) campoData(elemento(id));
  const pedido = new URLSearchParams(location.search);
  if (pedido.get("empresa")) elemento("empresa").value = pedido.get("empresa");
  const empresa = sessao.empresas.find((item) => String(item.codigo) === elemento("empresa").value);
  elemento("de").value = dataBr(pedido.get("de") || empresa?.exercicio?.de) || pedido.get("de") || "";
  elemento("ate").value = dataBr(pedido.get("ate") || empresa?.exercicio?.ate) || pedido.get("ate") || "";
  elemento("conta").value = pedido.get("conta") || "";
  elemento("livro").value = pedido.get("livro") || "0";
  if (pedido.get("estab") && pedido.get("estab") !== "0") elemento("estab").value = pedido.get("estab");
  elemento("formRazao").addEventListener("submit", (evento) => {
    evento.preventDefault();
    consultar();
  });
  elemento("anterior").addEventListener("click", () => consultar(pagina - 1));
  elemento("proxima").addEventListener("click", () => consultar(pagina + 1));
  document.addEventListener("keydown", (evento) => {
    if (!evento.altKey || !["PageUp", "PageDown"].includes(evento.key)) return;
    evento.preventDefault();
    if (evento.key === "PageUp" && pagina > 1) consultar(pagina - 1);
    if (evento.key === "PageDown" && pagina < paginas) consultar(pagina + 1);
  });
  if (elemento("conta").value) await consultar();
  else elemento("conta").focus();
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => {
  elemento("erro").textContent = erro.message;
});
