"use strict";
// The balance sheet and the income statement of a period beside the
// previous one (`ctb statements`): each group's line, totals in bold, the
// columns headed by their periods. Each statement scrolls in a frame of its
// own, its header row kept in place.

function demonstracao(titulo, linhas, periodos) {
  const bloco = criar("section", undefined, "painel");
  bloco.appendChild(criar("h2", titulo));
  const tabela = criar("table");
  const cabeca = criar("tr");
  for (const texto of ["Classificação", "Descrição", ...periodos]) cabeca.appendChild(criar("th", texto));
  tabela.appendChild(criar("thead")).appendChild(cabeca);
  const corpo = tabela.appendChild(criar("tbody"));
  for (const linha of linhas) {
    const tr = corpo.appendChild(criar("tr", undefined, linha.total ? "total" : undefined));
    tr.appendChild(criar("td", linha.classificacao));
    tr.appendChild(criar("td", linha.descricao));
    tr.appendChild(criar("td", valor(linha.atual), "valor"));
    tr.appendChild(criar("td", valor(linha.anterior), "valor"));
  }
  const rolagem = criar("div", undefined, "rolagem");
  rolagem.tabIndex = 0;
  rolagem.setAttribute("role", "region");
  rolagem.setAttribute("aria-label", titulo);
  rolagem.appendChild(tabela);
  bloco.appendChild(rolagem);
  return bloco;
}

async function consultar(evento) {
  evento?.preventDefault();
  elemento("erro").textContent = "";
  try {
    const dados = await pedir(`/api/paginas/demonstracoes?${new URLSearchParams({
      empresa: elemento("empresa").value, de: elemento("de").value, ate: elemento("ate").value,
      livro: elemento("livro").value, nivel: elemento("nivel").value || "0" })}`);
    const periodos = [dados.periodo, dados.anterior].map((p) => `${dataBr(p.de)} a ${dataBr(p.ate)}`);
    elemento("resultado").replaceChildren(demonstracao("Balanço Patrimonial", dados.balanco, periodos),
      demonstracao("Demonstração do Resultado", dados.resultado, periodos));
    for (const tabela of elemento("resultado").querySelectorAll("table")) fixarCabecalho(tabela, 0);
    elemento("equacao").textContent = dados.equacao;
  } catch (erro) {
    elemento("resultado").replaceChildren();
    elemento("equacao").textContent = "";
    elemento("erro").textContent = erro.message;
  }
}

async function iniciar() {
  const sessao = await iniciarSessao();
  for (const id of ["de", "ate"]) campoData(elemento(id));
  const empresa = sessao.empresas[0];
  elemento("de").value = dataBr(empresa?.exercicio?.de) || `01/01/${new Date().getFullYear()}`;
  elemento("ate").value = dataBr(empresa?.exercicio?.ate) || hojeBr();
  elemento("formDemonstracoes").addEventListener("submit", consultar);
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => {
  elemento("erro").textContent = erro.message;
});
