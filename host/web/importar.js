"use strict";
// A bank statement imported from the browser: the statement (CSV or OFX),
// a CSV's column map and the rules are sent as they are, read by the server
// in memory; first the rows it would post and those it refuses, nothing
// written; "Confirmar importação" sends the same files again to be posted
// as `ctb import statement` posts them (rows imported before are skipped).

let csrf = "";
// The form as previewed: what the confirmation posts.
let previsto = null;

function mensagem(texto, erro = false) {
  elemento("situacao").textContent = erro ? "" : texto;
  elemento("erro").textContent = erro ? texto : "";
}

function enviar(dados) {
  return pedir("/api/paginas/importar", { method: "POST", headers: { "X-CSRF-Token": csrf }, body: dados });
}

function tabela(titulos, linhas) {
  const grade = criar("table");
  const cabeca = criar("tr");
  for (const titulo of titulos) cabeca.appendChild(criar("th", titulo));
  grade.appendChild(criar("thead")).appendChild(cabeca);
  const corpo = grade.appendChild(criar("tbody"));
  for (const celulas of linhas) {
    const tr = corpo.appendChild(criar("tr"));
    for (const [texto, classe] of celulas) tr.appendChild(criar("td", texto, classe));
  }
  return grade;
}

const conta = (lado) => `${lado.conta} ${lado.descricao}`;

function mostrar(previa) {
  elemento("tituloGravar").textContent = `Serão gravadas (${previa.gravar.length})` +
    (previa.jaImportadas ? ` — ${previa.jaImportadas} já importada(s), puladas` : "");
  elemento("gravar").replaceChildren(tabela(["Linha", "Data", "Valor", "Débito", "Crédito", "Histórico", "Documento", "Descrição"],
    previa.gravar.map((linha) => [[String(linha.linha), "valor"], [dataBr(linha.data)], [valor(linha.valor), "valor"],
      [conta(linha.debito)], [conta(linha.credito)], [String(linha.historico) + (linha.transitoria ? " (transitória)" : "")],
      [linha.documento], [linha.descricao]])));
  elemento("tituloRecusas").textContent = `Recusadas (${previa.recusas.length})`;
  elemento("recusas").replaceChildren(tabela(["Linha", "Campo", "Motivo", "Linha do extrato"],
    previa.recusas.map((recusa) => [[String(recusa.linha), "valor"], [recusa.campo], [recusa.mensagem],
      [recusa.celulas.join(" | ")]])));
  elemento("botaoConfirmar").disabled = previa.gravar.length === 0;
  elemento("previa").classList.remove("oculto");
}

async function prever(evento) {
  evento.preventDefault();
  mensagem("");
  elemento("previa").classList.add("oculto");
  const dados = new FormData(elemento("formImportar"));
  try {
    mostrar(await enviar(dados));
    previsto = dados;
    elemento("botaoConfirmar").focus();
  } catch (erro) {
    previsto = null;
    mensagem(erro.message, true);
  }
}

async function confirmar() {
  if (!previsto) return;
  previsto.set("confirmar", "1");
  elemento("botaoConfirmar").disabled = true;
  try {
    const resultado = await enviar(previsto);
    elemento("previa").classList.add("oculto");
    mensagem(resultado.relatorio);
  } catch (erro) {
    mensagem(erro.message, true);
  } finally {
    previsto = null;
  }
}

async function iniciar() {
  csrf = (await iniciarSessao()).csrf;
  // Another file chosen asks for another preview.
  elemento("formImportar").addEventListener("change", () => {
    previsto = null;
    elemento("previa").classList.add("oculto");
  });
  elemento("formImportar").addEventListener("submit", prever);
  elemento("botaoConfirmar").addEventListener("click", confirmar);
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => mensagem(erro.message, true));
