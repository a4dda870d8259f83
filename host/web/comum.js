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
// decimals, dates as dd/mm/yyyy.
function textoDaColuna(valorDaColuna, tipo) {
  if (valorDaColuna === null || valorDaColuna === undefined) return "";
  if (tipo === "valor") return valor(valorDaColuna);
  const data = tipo === "data" && /^(\d{4})-(\d{2})-(\d{2})/.exec(valorDaColuna);
  return data ? `${data[3]}/${data[2]}/${data[1]}` : String(valorDaColuna);
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

// The session: the user in the header, "Sair", the companies in #empresa.
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
