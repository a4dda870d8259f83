// The journal-entry page in Debian's chromium, as a person keys on it: an
// account by its alias, the module's question answered in a dialog, the
// balance beside the account moving, a correction and a deletion; then the
// trial balance downloaded; and what the server refuses to a page.

import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { semViolacoesGraves, servidorENavegador } from "./servidor.mjs";

const ambiente = servidorENavegador();
const test = ambiente.teste;

async function entrar(usuario) {
  const { contexto, pagina } = await ambiente.entrar(usuario);
  await pagina.click("#linkLancamentos");
  await pagina.waitForURL("**/lancamentos");
  return { contexto, pagina };
}

async function situacao(pagina, padrao) {
  await pagina.waitForFunction(
    (fonte) => new RegExp(fonte).test(document.getElementById("situacao").textContent) ||
      document.getElementById("erro").textContent !== "",
    padrao.source);
  assert.equal(await pagina.textContent("#erro"), "");
  return pagina.textContent("#situacao");
}

// Types each field and leaves it with Enter, as a person does.
async function digitar(pagina, campos) {
  for (const [nome, texto] of Object.entries(campos)) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
}

async function responder(pagina, texto, botao) {
  const dialogo = pagina.locator("dialog#pergunta[open]");
  await dialogo.waitFor();
  assert.equal(await pagina.textContent("#textoPergunta"), texto);
  await dialogo.getByRole("button", { name: botao }).click();
}

// The row of "Últimos Lançamentos" whose key ("Sequência", the first column) is the one given.
const linhaDoLancamento = (pagina, chave) => pagina.locator("#painelUltimos tbody tr")
  .filter({ has: pagina.locator("td:first-child", { hasText: new RegExp(`^${chave}$`) }) });

const saldoCaixa = (pagina) => pagina.locator("#ajudaCONTACTBDEB .saldo").textContent();

test("digita com apelido, responde à pergunta, vê o saldo mudar, corrige, exclui e baixa o balancete", async () => {
  const { contexto, pagina } = await entrar(2);
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.waitForSelector("#campoCONTACTBDEB");
  const lancamento = { DATALCTOCTB: "11/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "CAIXA", CONTACTBCRED: "BANCO" };
  await digitar(pagina, lancamento);
  await pagina.locator("#ajudaCONTACTBDEB .saldo").waitFor();
  const antes = await saldoCaixa(pagina);
  assert.match(antes, /^\(?[\d.]+,\d{2}\)? [DC]$/);
  // Enter left the last field typed for the next one.
  assert.notEqual(await pagina.evaluate(() => document.activeElement.id), "campoCONTACTBCRED");
  await digitar(pagina, { CODIGOHISTCTB: "3", VALORLCTOCTB: "1.000,00" });
  await pagina.keyboard.press("Control+Enter");
  assert.match(await situacao(pagina, /gravado/), /^Lançamento \d+ gravado$/);
  const depois = await pagina.textContent("#ultimoSaldo");
  assert.ok(!depois.includes(antes) && /[DC]$/.test(depois), `${antes} -> ${depois}`);

  // The same entry again: the module asks, the answer goes back.
  await digitar(pagina, { ...lancamento, CODIGOHISTCTB: "3", VALORLCTOCTB: "1.000,00" });
  await pagina.click("#botaoGravar");
  await responder(pagina, "Lançamento igual ao último lançamento gravado! Confirmar a inclusão deste lançamento?", "Sim");
  const chave = /Lançamento (\d+) gravado/.exec(await situacao(pagina, /gravado/))[1];

  // Corrected from the last entries panel, then deleted.
  await linhaDoLancamento(pagina, chave).click();
  // Who keyed it and when, as the desktop's status bar says it.
  assert.match(await situacao(pagina, /Corrigindo/),
    new RegExp(`^Corrigindo o lançamento ${chave} — Cadastrado por \\d+ - .+ em \\d{2}/\\d{2}/\\d{4} \\d{2}:\\d{2}$`));
  assert.equal(await pagina.inputValue("#campoVALORLCTOCTB"), "1.000,00");
  await digitar(pagina, { VALORLCTOCTB: "250,00" });
  await pagina.keyboard.press("Control+Enter");
  assert.equal(await situacao(pagina, /corrigido/), `Lançamento ${chave} corrigido`);
  await linhaDoLancamento(pagina, chave).click();
  await situacao(pagina, /Corrigindo/);
  assert.equal(await pagina.inputValue("#campoVALORLCTOCTB"), "250,00");
  await pagina.click("#botaoExcluir");
  await responder(pagina, `Excluir o lançamento ${chave}?`, "Sim");
  assert.equal(await situacao(pagina, /excluído/), `Lançamento ${chave} excluído`);

  await pagina.click("#linkBalancete");
  await pagina.waitForSelector("#empresa option", { state: "attached" });
  await pagina.fill("#de", "01/08/2025");
  await pagina.fill("#ate", "31/08/2025");
  await pagina.click("#botaoConsultar");
  await pagina.locator("#balancete1").waitFor();
  const [download] = await Promise.all([pagina.waitForEvent("download"), pagina.click("#baixarCsv")]);
  assert.ok(readFileSync(await download.path()).toString("utf8").startsWith("\ufeffConta Contábil;"));
  await contexto.close();
});

// Where the focus goes, field by field.
const focos = (pagina) => pagina.evaluate(() => window.focos);
const fechados = ["TRANSCTB", "CHAVELCTOCTB", "ORIGEMDADO", "NATURLCTOCTB", "VALORDEBITO", "VALORCREDITO"];

test("um lançamento digitado só com o teclado, de Filial a gravado, e reaberto como foi digitado", async () => {
  const { contexto, pagina } = await entrar(1);
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.evaluate(() => {
    window.focos = [];
    document.addEventListener("focusin", (evento) => window.focos.push(evento.target.id));
  });
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "campoCODIGOESTAB");
  for (const nome of fechados)
    assert.equal(await pagina.getAttribute(`#campo${nome}`, "readonly"), "", nome);
  assert.deepEqual(await pagina.locator(".rotulo.obrigatorio").allTextContents(), ["Filial", "Data", "Histórico", "Valor R$"]);
  // Typed as a person types: the date's digits only, the amount without its
  // thousands; Enter and Tab leave each field.
  const teclas = [["1", "Enter"], ["15042025", "Enter"], ["", "Tab"], ["", "Tab"], ["", "Enter"],
    ["CAIXA", "Enter"], ["BANCO", "Tab"], ["3", "Enter"], ["", "Enter"], ["", "Enter"], ["", "Enter"], ["1234,5", "Enter"]];
  for (const [texto, tecla] of teclas) {
    if (texto) await pagina.keyboard.type(texto);
    await pagina.keyboard.press(tecla);
  }
  assert.equal(await pagina.inputValue("#campoDATALCTOCTB"), "15/04/2025");
  assert.equal(await pagina.inputValue("#campoVALORLCTOCTB"), "1.234,50");
  await pagina.locator("#ajudaCODIGOHISTCTB", { hasText: /^Venda de mercadorias à vista$/ }).waitFor();
  assert.ok(!(await focos(pagina)).some((id) => fechados.some((nome) => id === `campo${nome}`)), String(await focos(pagina)));
  await pagina.keyboard.press("Control+Enter");
  const chave = /Lançamento (\d+) gravado/.exec(await situacao(pagina, /gravado/))[1];
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "campoCODIGOESTAB");

  await linhaDoLancamento(pagina, chave).click();
  await situacao(pagina, /Corrigindo/);
  assert.equal(await pagina.inputValue("#campoDATALCTOCTB"), "15/04/2025");
  assert.equal(await pagina.inputValue("#campoVALORLCTOCTB"), "1.234,50");
  await semViolacoesGraves(pagina);
  await contexto.close();
});

test("uma recusa aparece no seu campo, com o rótulo, e some quando ele é corrigido", async () => {
  const { contexto, pagina } = await entrar(1);
  await pagina.waitForSelector("body[data-pronta='1']");
  await digitar(pagina, { DATALCTOCTB: "12/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "CAIXA", CONTACTBCRED: "BANCO", VALORLCTOCTB: "10,00" });
  await pagina.keyboard.press("Control+Enter");
  const recusa = pagina.locator("#recusaCODIGOHISTCTB");
  await recusa.waitFor();
  assert.equal(await recusa.textContent(), "Histórico deve ter um valor");
  const historico = pagina.locator("#campoCODIGOHISTCTB");
  assert.equal(await historico.getAttribute("aria-invalid"), "true");
  assert.match(await historico.getAttribute("aria-describedby"), /\brecusaCODIGOHISTCTB\b/);
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "campoCODIGOHISTCTB");
  await semViolacoesGraves(pagina);

  // The history typed: its suggestions open, and close when the field is left.
  await pagina.keyboard.type("Venda");
  await pagina.locator("#listaSugestoes").waitFor();
  await pagina.locator("#listaSugestoes", { hasText: "Venda de mercadorias a prazo a (conta a débito)" }).waitFor();
  assert.equal(await recusa.count(), 0);
  assert.equal(await historico.getAttribute("aria-invalid"), null);
  await pagina.keyboard.press("ArrowDown");
  await pagina.keyboard.press("Enter");
  assert.equal(await historico.inputValue(), "2");
  // Its words, the debit account's description in place of its token.
  await pagina.locator("#ajudaCODIGOHISTCTB", { hasText: /^Venda de mercadorias a prazo a Caixa Geral$/ }).waitFor();
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "campoCOMPLHIST");
  assert.equal(await pagina.locator("#listaSugestoes").isVisible(), false);
  await pagina.keyboard.press("Shift+Tab");
  await pagina.keyboard.type("3");
  await pagina.locator("#listaSugestoes").waitFor();
  await pagina.keyboard.press("Tab");
  assert.equal(await pagina.locator("#listaSugestoes").isVisible(), false);
  await pagina.keyboard.press("Control+Enter");
  assert.match(await situacao(pagina, /gravado/), /^Lançamento \d+ gravado$/);
  await contexto.close();
});

test("a data da ocorrência que o lançamento extemporâneo oferece é digitada no seu diálogo, só com o teclado", async () => {
  const { contexto, pagina } = await entrar(1);
  await pagina.goto("/lancamentos?empresa=2");
  await pagina.waitForSelector("body[data-pronta='1']");
  await digitar(pagina, { DATALCTOCTB: "13/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "CAIXA", CONTACTBCRED: "BANCO",
    CODIGOHISTCTB: "3", VALORLCTOCTB: "10,00", CODIGOORIGLCTOCTB: "XX" });
  await pagina.keyboard.press("Control+Enter");
  // The module showed its screen after the post: its dialog opens on the entry.
  const dialogo = pagina.locator("dialog#dialogoVinculo[open]");
  await dialogo.waitFor();
  const chave = /lançamento (\d+)$/.exec(await pagina.textContent("#tituloVinculo"))[1];
  // The SPED company numbers its transactions: the entry's is shown.
  assert.match(await pagina.textContent("#transacao"), /^Transação \d+ (aberta|encerrada) — Débito /);
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "vinculoDATAEXTEMP");
  await semViolacoesGraves(pagina);
  // After the books' start: refused on its field, the dialog stays.
  await pagina.keyboard.type("01022025");
  await pagina.keyboard.press("Enter");
  await pagina.locator("#erroVinculo", { hasText: /anterior à data de início da escrituração/ }).waitFor();
  assert.equal(await pagina.getAttribute("#vinculoDATAEXTEMP", "aria-invalid"), "true");
  await pagina.fill("#vinculoDATAEXTEMP", "");
  await pagina.keyboard.type("15122024");
  await pagina.keyboard.press("Enter");
  assert.match(await situacao(pagina, /gravado no lançamento/), new RegExp(`: gravado no lançamento ${chave}$`));
  assert.equal(await dialogo.count(), 0);

  // Opened again by its shortcut on the last entry: the date as saved; Esc
  // closes it and the focus goes back where it was.
  await pagina.focus("#campoCODIGOESTAB");
  await pagina.keyboard.press("Control+X");
  await dialogo.waitFor();
  assert.equal(await pagina.inputValue("#vinculoDATAEXTEMP"), "15/12/2024");
  await pagina.keyboard.press("Escape");
  await pagina.locator("dialog#dialogoVinculo:not([open])").waitFor({ state: "attached" });
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "campoCODIGOESTAB");
  await contexto.close();
});

test("Criar e Continuar Transação seguem a empresa: onde ela não numera transações, dizem por quê", async () => {
  const { contexto, pagina } = await entrar(1);
  await pagina.waitForSelector("body[data-pronta='1']");
  for (const [nome, rotulo] of [["Criar", "Criar Transação"], ["Continuar", "Continuar Transação"]]) {
    const botao = pagina.locator(`button[data-acao='nAct${nome}Transacao']`);
    assert.equal(await botao.getAttribute("aria-disabled"), "true");
    await botao.focus();
    await pagina.keyboard.press("Enter");
    assert.equal(await pagina.textContent("#erro"),
      `${rotulo}: indisponível — a empresa não numera transações (não é optante do SPED nem do IFRS)`);
  }
  // The SPED company's screen offers them from the start.
  await pagina.selectOption("#empresa", "2");
  await pagina.waitForFunction(() => [...document.querySelectorAll("button[data-acao$='Transacao']")]
    .filter((botao) => botao.getAttribute("aria-disabled") === null).length === 2);
  // Ctrl+F10 reopens the last entry's transaction; the next entry joins it.
  const lancamento = { DATALCTOCTB: "12/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "CAIXA", CONTACTBCRED: "BANCO",
    CODIGOHISTCTB: "3" };
  await digitar(pagina, { ...lancamento, VALORLCTOCTB: "7,00" });
  await pagina.keyboard.press("Control+Enter");
  await situacao(pagina, /gravado/);
  const numero = /^Transação (\d+) encerrada/.exec(await pagina.textContent("#transacao"))[1];
  await pagina.keyboard.press("Control+F10");
  assert.equal(await situacao(pagina, /continuada/), `Transação ${numero} continuada`);
  assert.match(await pagina.textContent("#transacao"), new RegExp(`^Transação ${numero} aberta — Débito 7,00`));
  assert.equal(await pagina.inputValue("#campoDATALCTOCTB"), "12/08/2025");
  assert.equal(await pagina.inputValue("#campoTRANSCTB"), numero);
  await digitar(pagina, { ...lancamento, VALORLCTOCTB: "8,00" });
  await pagina.keyboard.press("Control+Enter");
  await situacao(pagina, /gravado/);
  assert.match(await pagina.textContent("#transacao"), new RegExp(`^Transação ${numero} encerrada — Débito 15,00`));
  await contexto.close();
});

test("um usuário sem o direito dos lançamentos é recusado", async () => {
  const { contexto, pagina } = await entrar(4);
  await pagina.waitForFunction(() => document.getElementById("erro").textContent !== "");
  assert.match(await pagina.textContent("#erro"), /não tem direito a "Lançamentos Contábeis"/);
  assert.equal(await pagina.locator("#campoCONTACTBDEB").count(), 0);
  await contexto.close();
});

test("um lançamento sem o token CSRF é recusado e o cookie de outro usuário não alcança esta empresa", async () => {
  const { contexto, pagina } = await entrar(3);
  const documento = { aba: "a1", documento: { company: 2, fields: { VALORLCTOCTB: "1.00" } } };
  const semToken = await pagina.request.post("/api/lancamentos", { data: documento });
  assert.equal(semToken.status(), 403);
  assert.match((await semToken.json()).erro, /token CSRF/);

  const [cookie] = await contexto.cookies();
  const outro = await ambiente.navegador.newContext({ baseURL: ambiente.servidor.url });
  await outro.addCookies([cookie]);
  const resposta = await outro.request.get("/api/lancamentos/tela?empresa=1&aba=a1");
  assert.equal(resposta.status(), 403);
  assert.equal((await resposta.json()).erro, "O usuário 3 não tem acesso à empresa 1");
  await outro.close();
  await contexto.close();
});
