"use strict";
// The trial balance page: the filters, the grid with its monthly bands, the
// entries behind a row (its Filtros) and the downloads. Texts from the
// server are always set as text, never as markup.

const mesColuna = /^(DEBITO|CREDITO|MOVIMENTO)(\d{2})(\d{4})$/;

function parametros(formato) {
  const p = new URLSearchParams({
    empresa: elemento("empresa").value,
    de: elemento("de").value,
    ate: elemento("ate").value,
    tipo: elemento("tipo").value,
    livro: elemento("livro").value,
    mensal: elemento("mensal").checked ? "1" : "0",
    zero: elemento("zero").checked ? "1" : "0",
    formato,
  });
  if (elemento("estab").value) p.set("estab", elemento("estab").value);
  return p.toString();
}

// The header: one band per month over its columns (mm/yyyy), the other
// columns under an empty band; then the column headings.
function cabecalho(colunas) {
  const thead = criar("thead");
  const bandas = criar("tr", undefined, "bandas");
  let anterior = null;
  let celula = null;
  for (const coluna of colunas) {
    const mes = mesColuna.exec(coluna.name);
    const banda = mes ? `${mes[2]}/${mes[3]}` : "";
    if (celula && banda === anterior) {
      celula.colSpan += 1;
    } else {
      celula = criar("th", banda);
      celula.colSpan = 1;
      bandas.appendChild(celula);
      anterior = banda;
    }
  }
  if (colunas.some((coluna) => mesColuna.test(coluna.name))) thead.appendChild(bandas);
  const titulos = criar("tr");
  // A month's columns sit under its band: their headings without the month.
  for (const coluna of colunas)
    titulos.appendChild(criar("th", mesColuna.test(coluna.name) ? coluna.label.replace(/ \d{2}\/\d{4}$/, "") : coluna.label));
  thead.appendChild(titulos);
  return thead;
}

function ehValor(nome) {
  return nome === "SaldoAnterior" || nome === "SaldoAtual" || mesColuna.test(nome) ||
    nome === "DEBITO" || nome === "CREDITO" || nome === "MOVIMENTO";
}

function mostrarEmpresa(empresa) {
  const colunas = empresa.columns.filter((coluna) =>
    coluna.visible && empresa.rows.some((linha) => linha[coluna.name] !== null && linha[coluna.name] !== ""));
  const bloco = criar("section");
  bloco.appendChild(criar("h2", `${empresa.company} - ${empresa.name}`));
  const tabela = criar("table");
  tabela.id = `balancete${empresa.company}`;
  tabela.appendChild(cabecalho(colunas));
  const corpo = criar("tbody");
  for (const linha of empresa.rows) {
    const tr = criar("tr", undefined, linha.TipoConta === "S" ? "linha sintetica" : "linha");
    tr.title = "Clique para ver os lançamentos";
    for (const coluna of colunas) {
      const ehNumero = ehValor(coluna.name);
      tr.appendChild(criar("td", ehNumero ? valor(linha[coluna.name]) : String(linha[coluna.name] ?? ""),
        ehNumero ? "valor" : undefined));
    }
    tr.addEventListener("click", () => abrirRazao(linha));
    corpo.appendChild(tr);
  }
  const total = criar("tr", undefined, "total");
  colunas.forEach((coluna, i) => {
    const soma = empresa.totals[coluna.name];
    total.appendChild(criar("td", soma !== undefined ? valor(soma) : i === 0 ? "Total" : "",
      soma !== undefined ? "valor" : undefined));
  });
  corpo.appendChild(total);
  tabela.appendChild(corpo);
  // The account's columns, before the first amount, stay in place.
  tabela.dataset.fixas = Math.max(0, colunas.findIndex((coluna) => ehValor(coluna.name)));
  const rolagem = criar("div", undefined, "rolagem");
  rolagem.tabIndex = 0;
  rolagem.setAttribute("role", "region");
  rolagem.setAttribute("aria-label", `Balancete da empresa ${empresa.company}`);
  rolagem.appendChild(tabela);
  bloco.appendChild(rolagem);
  return bloco;
}

async function consultar(evento) {
  evento.preventDefault();
  elemento("erro").textContent = "";
  elemento("razao").classList.add("oculto");
  const resultado = elemento("resultado");
  resultado.replaceChildren(criar("p", "Consultando..."));
  try {
    const dados = await pedir(`/api/balancete?${parametros("json")}`);
    resultado.replaceChildren(...dados.companies.map(mostrarEmpresa));
    for (const tabela of resultado.querySelectorAll("table")) fixarCabecalho(tabela, Number(tabela.dataset.fixas));
    for (const mensagem of dados.messages) resultado.appendChild(criar("p", mensagem, "erro"));
    elemento("baixarCsv").href = `/api/balancete?${parametros("csv-br")}`;
    elemento("baixarXlsx").href = `/api/balancete?${parametros("xlsx")}`;
    elemento("baixarCsv").classList.remove("oculto");
    elemento("baixarXlsx").classList.remove("oculto");
  } catch (erro) {
    resultado.replaceChildren();
    elemento("erro").textContent = erro.message;
  }
}

// The entries behind a row: the ledger of its account over the period.
async function abrirRazao(linha) {
  const secao = elemento("razao");
  elemento("tituloRazao").textContent =
    `Lançamentos da conta ${linha.CodigoConta} - ${linha.DescrConta}`;
  if (linha.TipoConta !== "S")
    elemento("tituloRazao").append(" ", linkRazao({ empresa: elemento("empresa").value, conta: linha.CodigoConta,
      de: elemento("de").value, ate: elemento("ate").value, livro: elemento("livro").value }, "Abrir no Razão"));
  const lista = elemento("lancamentos");
  lista.replaceChildren(criar("p", "Carregando..."));
  secao.classList.remove("oculto");
  try {
    const linhas = await pedir(`/api/razao?filtros=${encodeURIComponent(linha.Filtros)}`);
    const tabela = criar("table");
    tabela.id = "tabelaRazao";
    const nomes = [["DATALCTOCTB", "Data"], ["CHAVELCTOCTB", "Chave"], ["CODIGOESTAB", "Estab."],
      ["CONTRAPARTIDA", "Contrapartida"], ["DESCRCONTRAPARTIDA", "Descrição"], ["DEBITO", "Débito"],
      ["CREDITO", "Crédito"], ["SALDO", "Saldo"], ["DC", "D/C"], ["HISTORICO", "Histórico"]];
    const titulos = criar("tr");
    for (const [, titulo] of nomes) titulos.appendChild(criar("th", titulo));
    tabela.appendChild(criar("thead")).appendChild(titulos);
    const corpo = criar("tbody");
    for (const lancamento of linhas) {
      const tr = criar("tr");
      for (const [nome] of nomes) {
        const numero = nome === "DEBITO" || nome === "CREDITO" || nome === "SALDO";
        tr.appendChild(criar("td", textoDaColuna(lancamento[nome], numero ? "valor" : nome === "DATALCTOCTB" ? "data" : ""),
          numero ? "valor" : undefined));
      }
      corpo.appendChild(tr);
    }
    tabela.appendChild(corpo);
    lista.replaceChildren(tabela);
  } catch (erro) {
    lista.replaceChildren(criar("p", erro.message, "erro"));
  }
}

// The period proposed is the company's fiscal year (its accounting
// configuration); today's calendar year when it has none.
function periodoDaEmpresa(empresas) {
  const exercicio = empresas.find((empresa) => String(empresa.codigo) === elemento("empresa").value)?.exercicio;
  const ano = hojeBr().slice(6);
  elemento("de").value = dataBr(exercicio?.de) || `01/01/${ano}`;
  elemento("ate").value = dataBr(exercicio?.ate) || `31/12/${ano}`;
}

async function iniciar() {
  const { empresas } = await iniciarSessao();
  campoData(elemento("de"));
  campoData(elemento("ate"));
  periodoDaEmpresa(empresas);
  elemento("empresa").addEventListener("change", () => periodoDaEmpresa(empresas));
  elemento("formBalancete").addEventListener("submit", consultar);
}

iniciar().catch((erro) => {
  elemento("erro").textContent = erro.message;
});
