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
