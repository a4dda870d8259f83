"use strict";
// What the pages of a signed-in user share: elements, requests of the
// session (without one, back to the sign-in), the header with the user and
// "Sair", the companies of the user. Texts from the server are always set
// as text, never as markup.

function elemento(id) {
  return document.getElementById(id);
}

function criar(tag, texto, classe) {
  const novo = document.createElement(tag);
  if (texto !== undefined) novo.textContent = texto;
  if (classe) novo.className = classe;
  return novo;
}

const formatoValor = new Intl.NumberFormat("pt-BR", {
  minimumFractionDigits: 2,
  maximumFractionDigits: 2,
});

// "#,##0.00;(#,##0.00)": negatives in parentheses.
function valor(numero) {
  if (typeof numero !== "number") return numero === null || numero === undefined ? "" : String(numero);
  const texto = formatoValor.format(Math.abs(numero));
  return numero < 0 ? `(${texto})` : texto;
}

// A value of a data set's column as a grid shows it: money with two
// decimals, dates as dd/mm/aaaa.
function textoDaColuna(valorDaColuna, tipo) {
  if (valorDaColuna === null || valorDaColuna === undefined) return "";
  if (tipo === "valor") return valor(valorDaColuna);
  return (tipo === "data" && dataBr(valorDaColuna)) || String(valorDaColuna);
}

// A date of the server ("2025-04-15", a time may follow) as a person reads
// it: "15/04/2025".
function dataBr(iso) {
  const data = /^(\d{4})-(\d{2})-(\d{2})/.exec(iso ?? "");
  return data ? `${data[3]}/${data[2]}/${data[1]}` : "";
}

function hojeBr() {
  const hoje = new Date();
  const dois = (numero) => String(numero).padStart(2, "0");
  return `${dois(hoje.getDate())}/${dois(hoje.getMonth() + 1)}/${hoje.getFullYear()}`;
}

// A date field typed as dd/mm/aaaa whatever the browser's language: the
// digits typed get their slashes ("15042025" is 15/04/2025).
function campoData(input) {
  input.type = "text";
  input.inputMode = "numeric";
  input.maxLength = 10;
  input.placeholder = "dd/mm/aaaa";
  input.autocomplete = "off";
  input.addEventListener("input", () => {
    const digitos = input.value.replace(/\D/g, "").slice(0, 8);
    const partes = [digitos.slice(0, 2), digitos.slice(2, 4), digitos.slice(4)].filter(Boolean);
    input.value = partes.join("/");
  });
}

async function pedir(url, opcoes = {}) {
  const resposta = await fetch(url, opcoes);
  if (resposta.status === 401) {
    window.location.assign("/entrar");
    throw new Error("Sessão expirada");
  }
  const corpo = await resposta.json().catch(() => ({}));
  if (!resposta.ok) throw new Error(corpo.erro || `Erro ${resposta.status}`);
  return corpo;
}

// The session: the user in the header, "Sair", the companies in #empresa
// (each with its fiscal year: "exercicio").
async function iniciarSessao() {
  const sessao = await pedir("/api/sessao");
  elemento("nomeUsuario").textContent = `${sessao.usuario} - ${sessao.nome}`;
  for (const empresa of sessao.empresas) {
    const opcao = criar("option", `${empresa.codigo} - ${empresa.nome}`);
    opcao.value = empresa.codigo;
    elemento("empresa").appendChild(opcao);
  }
  elemento("botaoSair").addEventListener("click", async () => {
    await fetch("/api/sair", { method: "POST", headers: { "X-CSRF-Token": sessao.csrf } });
    window.location.assign("/entrar");
  });
  return sessao;
}

// A link to the ledger page of an account; without a period the page
// proposes the company's fiscal year.
function linkRazao(parametros, texto = "Razão") {
  const link = criar("a", texto, "link-razao");
  link.href = `/razao?${new URLSearchParams(parametros)}`;
  return link;
}

// Keeps a grid's header rows and its first `fixas` columns in place while
// its container (.rolagem) scrolls both ways: each header row sticks below
// the ones above it, each fixed column right of the ones before it. Run once
// the grid is laid out.
function fixarCabecalho(tabela, fixas) {
  let topo = 0;
  for (const tr of tabela.tHead?.rows ?? []) {
    for (const th of tr.cells) {
      th.style.top = `${topo}px`;
      th.classList.add("fixo-topo");
    }
    topo += tr.getBoundingClientRect().height;
  }
  const modelo = tabela.tBodies[0]?.rows[0];
  if (!modelo || fixas < 1) return;
  const esquerdas = [];
  let esquerda = 0;
  for (let i = 0; i < fixas && i < modelo.cells.length; ++i) {
    esquerdas.push(esquerda);
    esquerda += modelo.cells[i].getBoundingClientRect().width;
  }
  for (const tr of tabela.rows) {
    // A band over several columns sticks only when it starts at the left.
    if (tr.cells.length !== modelo.cells.length) {
      if (tr.cells[0] && !tr.cells[0].textContent) tr.cells[0].classList.add("fixo-esquerda");
      if (tr.cells[0]) tr.cells[0].style.left = "0px";
      continue;
    }
    esquerdas.forEach((posicao, i) => {
      tr.cells[i].style.left = `${posicao}px`;
      tr.cells[i].classList.add("fixo-esquerda");
    });
  }
}
