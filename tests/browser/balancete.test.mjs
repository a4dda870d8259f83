// The trial balance page in Debian's chromium, as a person uses it: signing
// in, the query with its monthly bands, the entries behind a row, the
// downloads; and what the server refuses to a page.

import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { semViolacoesGraves, servidorENavegador } from "./servidor.mjs";

const ambiente = servidorENavegador();
const test = ambiente.teste;

async function entrar(usuario) {
  const { contexto, pagina } = await ambiente.entrar(usuario);
  await pagina.waitForSelector("#empresa option", { state: "attached" });
  return { contexto, pagina };
}

async function consultar(pagina, empresa) {
  await pagina.selectOption("#empresa", String(empresa));
  await pagina.fill("#de", "01/01/2025");
  await pagina.fill("#ate", "31/03/2025");
  await pagina.check("#mensal");
  await pagina.click("#botaoConsultar");
}

async function baixar(pagina, seletor) {
  const [download] = await Promise.all([pagina.waitForEvent("download"), pagina.click(seletor)]);
  return readFileSync(await download.path());
}

test("entra, consulta o balancete por mês, abre os lançamentos de uma linha e baixa csv e xlsx", async () => {
  const { contexto, pagina } = await entrar(1);
  // The period proposed is the company's fiscal year, as dd/mm/aaaa.
  assert.deepEqual([await pagina.inputValue("#de"), await pagina.inputValue("#ate")], ["01/01/2025", "31/12/2025"]);
  await consultar(pagina, 1);
  const tabela = pagina.locator("#balancete1");
  await tabela.waitFor();
  const bandas = await tabela.locator("tr.bandas th").allTextContents();
  assert.deepEqual(bandas.filter((texto) => texto), ["01/2025", "02/2025", "03/2025"]);
  assert.ok(await tabela.locator("tr.sintetica").count() > 0, "synthetic rows are marked");

  await tabela.locator("tr.linha:not(.sintetica)").first().click();
  await pagina.locator("#tabelaRazao tbody tr").first().waitFor();
  const primeira = await pagina.locator("#tabelaRazao tbody tr").first().locator("td").allTextContents();
  assert.equal(primeira.at(-1), "Saldo anterior");
  const segunda = await pagina.locator("#tabelaRazao tbody tr").nth(1).locator("td").first().textContent();
  assert.match(segunda, /^\d{2}\/0[1-3]\/2025$/);
  assert.ok(await pagina.locator("#tabelaRazao tbody tr").count() > 1, "entries behind the row");

  const csv = (await baixar(pagina, "#baixarCsv")).toString("utf8");
  assert.ok(csv.startsWith("\ufeffConta Contábil;"), csv.slice(0, 40));
  const xlsx = await baixar(pagina, "#baixarXlsx");
  assert.equal(xlsx.subarray(0, 2).toString("latin1"), "PK");
  await semViolacoesGraves(pagina);
  await contexto.close();
});

test("um usuário sem o direito do balancete é recusado", async () => {
  const { contexto, pagina } = await entrar(4);
  await consultar(pagina, 1);
  await pagina.waitForFunction(() => document.getElementById("erro").textContent !== "");
  assert.match(await pagina.textContent("#erro"), /não tem o direito de abrir o Balancete/);
  assert.equal(await pagina.locator("#balancete1").count(), 0);
  await contexto.close();
});

test("uma mudança sem o token CSRF é recusada", async () => {
  const { contexto, pagina } = await entrar(1);
  const semToken = await pagina.request.post("/api/sair");
  assert.equal(semToken.status(), 403);
  assert.match((await semToken.json()).erro, /token CSRF/);
  const sessao = await (await pagina.request.get("/api/sessao")).json();
  const comToken = await pagina.request.post("/api/sair", { headers: { "X-CSRF-Token": sessao.csrf } });
  assert.equal(comToken.status(), 200);
  assert.equal((await pagina.request.get("/api/sessao")).status(), 401);
  await contexto.close();
});

test("o cookie da sessão de outro usuário não alcança a empresa deste", async () => {
  const { contexto, pagina } = await entrar(3);
  const empresas = await pagina.locator("#empresa option").allTextContents();
  assert.equal(empresas.length, 1);
  assert.match(empresas[0], /^2 - /);
  const [cookie] = await contexto.cookies();
  assert.equal(cookie.httpOnly, true);
  assert.equal(cookie.sameSite, "Strict");

  // The same cookie in a browser of its own: still user 3's session.
  const outro = await ambiente.navegador.newContext({ baseURL: ambiente.servidor.url });
  await outro.addCookies([cookie]);
  const resposta = await outro.request.get("/api/balancete?empresa=1&de=2025-01-01&ate=2025-03-31");
  assert.equal(resposta.status(), 403);
  assert.equal((await resposta.json()).erro, "O usuário 3 não tem acesso à empresa 1");
  await outro.close();
  await contexto.close();
});
