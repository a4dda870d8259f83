// The pages beside the journal entries, as an accountant uses them with the
// keyboard: Ctrl+F3 searches the entries and Enter opens one for
// correction; the ledger of an account a page at a time, its dates as
// dd/mm/aaaa, its keys opening the entry.

import assert from "node:assert/strict";
import { semViolacoesGraves, servidorENavegador } from "./servidor.mjs";

const ambiente = servidorENavegador();
const test = ambiente.teste;

test("Ctrl+F3 pesquisa os lançamentos e Enter abre um para correção", async () => {
  const { contexto, pagina } = await ambiente.entrar(1);
  await pagina.goto("/lancamentos");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.keyboard.press("Control+F3");
  const dialogo = pagina.locator("dialog#dialogoPesquisa[open]");
  await dialogo.waitFor();
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "pesquisaDe");
  for (const texto of ["01/01/2025", "31/12/2025", "CAIXA"]) {
    await pagina.keyboard.type(texto);
    await pagina.keyboard.press("Tab");
  }
  await pagina.keyboard.press("Enter");
  const primeira = pagina.locator("#pesquisaResultado tbody tr").first();
  await primeira.waitFor();
  assert.match(await pagina.textContent("#pesquisaSituacao"), /lançamento\(s\) encontrado\(s\)/);
  assert.match(await primeira.locator("td").first().textContent(), /^\d{2}\/\d{2}\/2025$/);
  assert.match(await primeira.textContent(), /1101001/);
  await semViolacoesGraves(pagina);
  // The first result has the focus: the arrows walk, Enter opens.
  const chave = await primeira.getAttribute("data-chave");
  assert.equal(await pagina.evaluate(() => document.activeElement.dataset.chave), chave);
  await pagina.keyboard.press("Enter");
  await pagina.waitForFunction((texto) => document.getElementById("situacao").textContent.includes(texto),
    `Corrigindo o lançamento ${chave}`);
  assert.equal(await dialogo.count(), 0);
  await contexto.close();
});

test("o razão de uma conta vem por páginas com o saldo corrido e abre o lançamento pela chave", async () => {
  const { contexto, pagina } = await ambiente.entrar(1);
  await pagina.goto("/razao?empresa=1&conta=1101001&de=01/01/2025&ate=31/12/2025");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.fill("#conta", "1101001");
  await pagina.selectOption("#livro", "0");
  await pagina.press("#conta", "Enter");
  await pagina.locator("#tabela tbody tr").first().waitFor();
  assert.match(await pagina.textContent("#pagina"), /^Página 1 de \d+ \(\d+ lançamentos\)$/);
  assert.match(await pagina.locator("#tabela tbody tr td").first().textContent(), /^\d{2}\/\d{2}\/2025$/);
  const paginas = Number(/de (\d+)/.exec(await pagina.textContent("#pagina"))[1]);
  if (paginas > 1) {
    await pagina.keyboard.press("Alt+PageDown");
    await pagina.waitForFunction(() => document.getElementById("pagina").textContent.startsWith("Página 2 "));
  }
  await semViolacoesGraves(pagina);
  const chave = await pagina.locator("#tabela tbody tr td:nth-child(2) a").first();
  const numero = await chave.textContent();
  await chave.focus();
  await pagina.keyboard.press("Enter");
  await pagina.waitForURL("**/lancamentos?**");
  await pagina.waitForFunction((texto) => document.getElementById("situacao").textContent.includes(texto),
    `Corrigindo o lançamento ${numero}`);
  await contexto.close();
});

test("o razão recusa quem não tem o direito do balancete", async () => {
  const { contexto, pagina } = await ambiente.entrar(4);
  await pagina.goto("/razao?empresa=1&conta=1101001&de=01/01/2025&ate=31/12/2025");
  await pagina.waitForFunction(() => document.getElementById("erro").textContent !== "");
  assert.match(await pagina.textContent("#erro"), /não tem o direito de abrir o Balancete/);
  await contexto.close();
});

async function excluidosDezembro(usuario) {
  const { contexto, pagina } = await ambiente.entrar(usuario);
  await pagina.goto("/excluidos");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.selectOption("#empresa", "2");
  await pagina.fill("#de", "01/12/2025");
  await pagina.fill("#ate", "31/12/2025");
  await pagina.press("#ate", "Enter");
  await pagina.locator("#tabelaExcluidos tbody tr").first().waitFor();
  return { contexto, pagina };
}

test("restaura um lançamento excluído com o teclado; sem o direito, a recusa aparece", async () => {
  const { contexto: operador, pagina: doOperador } = await excluidosDezembro(2);
  await doOperador.getByRole("button", { name: /^Restaurar o lançamento excluído/ }).first().press("Enter");
  await doOperador.locator("dialog#confirmacao[open]").waitFor();
  await doOperador.keyboard.press("Enter");
  await doOperador.waitForFunction(() => document.getElementById("erro").textContent !== "");
  assert.match(await doOperador.textContent("#erro"), /não tem o direito DireitoRestaurarLancamentoExcluido/);
  await operador.close();

  const { contexto, pagina } = await excluidosDezembro(1);
  const linhas = pagina.locator("#tabelaExcluidos tbody tr");
  const antes = await linhas.count();
  assert.match(await linhas.first().locator("td").nth(2).textContent(), /^\d{2}\/12\/2025$/);
  await semViolacoesGraves(pagina);
  await pagina.getByRole("button", { name: /^Restaurar o lançamento excluído/ }).first().focus();
  await pagina.keyboard.press("Enter");
  await pagina.locator("dialog#confirmacao[open]").waitFor();
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "botaoRestaurar");
  await pagina.keyboard.press("Enter");
  await pagina.waitForFunction(() => /restaurado com a chave/.test(document.getElementById("situacao").textContent));
  assert.equal(await pagina.locator("#tabelaExcluidos tbody tr").count(), antes - 1);
  await contexto.close();
});

test("importa um extrato: pré-visualiza as linhas a gravar e as recusadas, grava só ao confirmar", async () => {
  const exemplos = new URL("../../docs/exemplos/", import.meta.url).pathname;
  const { contexto, pagina } = await ambiente.entrar(1);
  await pagina.goto("/importar");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.setInputFiles("#extrato", `${exemplos}extrato-janeiro.csv`);
  await pagina.setInputFiles("#mapa", `${exemplos}extrato-mapa.json`);
  await pagina.setInputFiles("#regras", `${exemplos}extrato-regras.json`);
  await pagina.fill("#conta", "BANCO");
  await pagina.press("#conta", "Enter");
  await pagina.locator("#gravar tbody tr").first().waitFor();
  assert.equal(await pagina.textContent("#tituloGravar"), "Serão gravadas (7)");
  assert.equal(await pagina.textContent("#tituloRecusas"), "Recusadas (0)");
  assert.match(await pagina.locator("#gravar tbody tr td").nth(1).textContent(), /^02\/01\/2025$/);
  await semViolacoesGraves(pagina);
  // The preview leaves the focus on the confirmation: Enter posts.
  assert.equal(await pagina.evaluate(() => document.activeElement.id), "botaoConfirmar");
  await pagina.keyboard.press("Enter");
  await pagina.waitForFunction(() => document.getElementById("situacao").textContent !== "");
  assert.equal(await pagina.textContent("#situacao"), "0 já importadas, 7 gravadas");
  // The same statement again: every row was imported before.
  await pagina.press("#conta", "Enter");
  await pagina.waitForFunction(() => /já importada/.test(document.getElementById("tituloGravar").textContent));
  assert.equal(await pagina.textContent("#tituloGravar"), "Serão gravadas (0) — 7 já importada(s), puladas");
  await contexto.close();
});

test("as demonstrações do período pelo teclado: datas e valores à brasileira, cabeçalho no lugar, por nível", async () => {
  const { contexto, pagina } = await ambiente.entrar(1);
  await pagina.setViewportSize({ width: 1366, height: 900 });
  await pagina.goto("/demonstracoes");
  await pagina.waitForSelector("body[data-pronta='1']");
  // The dates typed as digits take their slashes; Enter consults.
  for (const [campo, digitos] of [["#de", "01012025"], ["#ate", "31122025"]]) {
    await pagina.focus(campo);
    await pagina.keyboard.press("Control+A");
    await pagina.keyboard.type(digitos);
  }
  await pagina.keyboard.press("Enter");
  const balanco = pagina.getByRole("region", { name: "Balanço Patrimonial" });
  await balanco.locator("tbody tr").first().waitFor();
  assert.deepEqual(await balanco.locator("th").allTextContents(),
    ["Classificação", "Descrição", "01/01/2025 a 31/12/2025", "01/01/2024 a 31/12/2024"]);
  const valores = await pagina.locator("#resultado td.valor").allTextContents();
  assert.ok(valores.length > 0);
  for (const texto of valores) assert.match(texto, /^\(?\d{1,3}(\.\d{3})*,\d{2}\)?$/);
  assert.match(await pagina.textContent("#equacao"), /^Ativo [\d.]+,\d{2} = Passivo .* \(confere\)$/);
  await semViolacoesGraves(pagina);

  // The frame scrolled: the header row stays at its top.
  const topo = async () => (await balanco.locator("th").first().boundingBox()).y - (await balanco.boundingBox()).y;
  await balanco.focus();
  await pagina.keyboard.press("End");
  await pagina.waitForFunction(() => document.querySelector("#resultado .rolagem").scrollTop > 0);
  assert.ok(Math.abs(await topo()) < 1);

  await pagina.focus("#nivel");
  await pagina.keyboard.type("2");
  await pagina.keyboard.press("Enter");
  // Level 2: the accounts below it go (Caixa Geral), the groups stay.
  await pagina.waitForFunction(() => {
    const classificacoes = [...document.querySelectorAll("#resultado tbody tr td:first-child")].map((td) => td.textContent);
    return classificacoes.includes("1.1") && !classificacoes.includes("1.1.01.001");
  });
  await contexto.close();
});
