// The splits of an entry keyed on the journal-entry page, with the keyboard:
// the managerial grid the account offers, its cost centres looked up, the
// rest shown as the rows are typed, the automatic apportionment redone and
// the account's rates; the entry saved with its split, then corrected.

import assert from "node:assert/strict";
import { semViolacoesGraves, servidorENavegador } from "./servidor.mjs";

const ambiente = servidorENavegador();
const test = ambiente.teste;

// Types each field and leaves it with Enter, as a person does.
async function digitar(pagina, campos) {
  for (const [nome, texto] of Object.entries(campos)) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
}

// The save's outcome: saved, refused (in the message line or under a field)
// or a question; a refusal under a field fails naming it. A save that shows
// none of them names what the page showed instead, so a stall says where it is.
async function esperarGravacao(pagina) {
  try {
    await pagina.waitForFunction(() => /gravado|corrigido/.test(document.getElementById("situacao").textContent) ||
      document.getElementById("erro").textContent !== "" || document.getElementById("pergunta").open ||
      document.querySelector(".recusa") !== null);
  } catch (erro) {
    const estado = await pagina.evaluate(() => ({
      situacao: document.getElementById("situacao").textContent,
      dialogos: [...document.querySelectorAll("dialog[open]")].map((d) => d.id),
      foco: document.activeElement?.id || document.activeElement?.textContent,
    }));
    throw new Error(`a gravação não terminou: ${JSON.stringify(estado)}`, { cause: erro });
  }
  assert.deepEqual(await pagina.locator(".recusa").allTextContents(), []);
}

const restante = (pagina) => pagina.locator("#rateio-gerencial-debito .totais span").nth(1).textContent();

test("digita o rateio gerencial pelo teclado, refaz o automático, consulta os percentuais e grava", async () => {
  const { contexto, pagina } = await ambiente.entrar(1);
  await pagina.goto("/lancamentos");
  await pagina.waitForSelector("body[data-pronta='1']");
  // Propaganda e Publicidade takes cost centres (201 60 %, 202 25 %, 301 15 %).
  const campos = { DATALCTOCTB: "15/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "4203002", CONTACTBCRED: "BANCO",
    CODIGOHISTCTB: "3", VALORLCTOCTB: "1.000,00" };
  await digitar(pagina, campos);
  await pagina.locator("#rateio-gerencial-debito").waitFor();
  assert.equal(await pagina.locator("#rateio-gerencial-credito").count(), 0);

  // Ctrl+F7 reaches the debit grid; a cost centre picked from its list.
  await pagina.keyboard.press("Control+F7");
  await pagina.keyboard.type("mark");
  await pagina.locator("#listaSugestoes li", { hasText: "202 Marketing" }).waitFor();
  await pagina.keyboard.press("ArrowDown");
  await pagina.keyboard.press("Enter");
  assert.equal(await pagina.inputValue("#rateio-gerencial-debito input.codigo"), "202");
  await pagina.keyboard.type("400");
  await pagina.keyboard.press("Enter");
  assert.equal(await restante(pagina), "Valor Restante: 600,00");
  await pagina.keyboard.type("201");
  await pagina.keyboard.press("Enter");
  await pagina.keyboard.type("600");
  assert.equal(await restante(pagina), "Valor Restante: 0,00");
  await semViolacoesGraves(pagina);

  // The account's rates, as the module lists them.
  await pagina.keyboard.press("Control+F6");
  const dialogo = pagina.locator("dialog#pergunta[open]");
  await dialogo.waitFor();
  assert.match(await pagina.textContent("#textoPergunta"),
    /^Percentuais Conta Contábil: 4203002\n\nCentro Custo: 201 - Vendas \(60,00 %\)\n.*Rateio Total: 100,00 %$/s);
  await semViolacoesGraves(pagina);
  await pagina.keyboard.press("Enter");
  await dialogo.waitFor({ state: "detached" }).catch(() => {});

  // A row the module refuses (a summary cost centre) is marked in its cell,
  // the reason beside it, and the entry is not saved.
  const centro = pagina.locator("#rateio-gerencial-debito tbody tr").nth(1).locator("input.codigo");
  await centro.fill("2");
  await pagina.keyboard.press("Control+Enter");
  await centro.and(pagina.locator("[aria-invalid='true']")).waitFor();
  const recusa = pagina.locator(`#${await centro.getAttribute("aria-describedby")}`);
  assert.match(await recusa.textContent(), /^Lançamento gerencial a débito 2: O centro de custo informado é sintético!/);
  assert.equal(await centro.evaluate((input) => input === document.activeElement), true);
  await pagina.keyboard.press("Control+A");
  await pagina.keyboard.type("201");
  assert.equal(await recusa.count(), 0);

  // Saved: the typed rows go with the entry.
  await pagina.keyboard.press("Control+Enter");
  await esperarGravacao(pagina);
  assert.equal(await pagina.textContent("#erro"), "");
  const chave = /Lançamento (\d+) gravado/.exec(await pagina.textContent("#situacao"))[1];
  assert.equal(await pagina.locator("#rateio-gerencial-debito").count(), 0);

  // Opened for correction, its rows are in the grid to be corrected: 202
  // removed and 201 taking the whole amount replace them when saved.
  const grade = pagina.locator("#rateio-gerencial-debito");
  const linhas = () => grade.locator("tbody tr").evaluateAll(
    (trs) => trs.map((tr) => [...tr.querySelectorAll("input")].map((input) => input.value)));
  // Keys go in once the page has settled (it announces the correction):
  // before, its focus on the first field could take them.
  const abrir = async () => {
    await pagina.locator("#painelUltimos tbody tr").filter({ has: pagina.locator("td:first-child", { hasText: new RegExp(`^${chave}$`) }) }).click();
    await pagina.locator("#situacao", { hasText: `Corrigindo o lançamento ${chave}` }).waitFor();
    await grade.locator("tbody tr").nth(1).waitFor();
  };
  await abrir();
  assert.deepEqual(await linhas(), [["201", "600,00"], ["202", "400,00"], ["", ""]]);
  await grade.getByRole("button", { name: "Remover a linha 2" }).press("Enter");
  await grade.locator("input.valor").first().fill("1.000,00");
  assert.equal(await restante(pagina), "Valor Restante: 0,00");
  await pagina.keyboard.press("Control+Enter");
  await esperarGravacao(pagina);
  assert.match(await pagina.textContent("#situacao"), new RegExp(`Lançamento ${chave} corrigido`));
  await abrir();
  assert.deepEqual(await linhas(), [["201", "1.000,00"], ["", ""]]);

  // A new entry on the same account: the automatic apportionment redone (F6)
  // by the module's rates, the cent left to the highest cost centre.
  await pagina.keyboard.press("Alt+N");
  await digitar(pagina, { ...campos, VALORLCTOCTB: "0,10" });
  await pagina.locator("#rateio-gerencial-debito").waitFor();
  await pagina.keyboard.press("Control+F7");
  await pagina.keyboard.press("F6");
  await dialogo.waitFor();
  assert.equal(await pagina.textContent("#textoPergunta"), "Deseja refazer os lançamentos automáticos?");
  await dialogo.getByRole("button", { name: "Sim" }).press("Enter");
  await pagina.locator("#rateio-gerencial-debito tr[data-origem='automatica']").nth(2).waitFor();
  const automaticas = await pagina.locator("#rateio-gerencial-debito tr[data-origem='automatica']").evaluateAll(
    (linhas) => linhas.map((linha) => [...linha.querySelectorAll("input")].map((input) => input.value)));
  assert.deepEqual(automaticas, [["201", "0,06"], ["202", "0,03"], ["301", "0,01"]]);
  assert.equal(await restante(pagina), "Valor Restante: 0,00");
  await pagina.keyboard.press("Control+Enter");
  await esperarGravacao(pagina);
  assert.equal(await pagina.textContent("#erro"), "");
  assert.match(await pagina.textContent("#situacao"), /gravado/, await pagina.textContent("#textoPergunta"));
  await contexto.close();
});
