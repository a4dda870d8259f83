// The pictures of docs/web.md, taken by hand (never by the test run):
//   CTB=$PWD/build-test/host/ctb node tests/browser/capturas.mjs
// writes docs/lancamentos.png, rateio.png, rateio-correcao.png, balancete.png, balancete-rolado.png,
// pesquisa.png, vinculo.png, razao.png, demonstracoes.png, excluidos.png and
// importar.png
// from a demo database.

import path from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

import { SENHAS, iniciarServidor } from "./servidor.mjs";

const docs = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../../docs");
const servidor = await iniciarServidor();
const navegador = await chromium.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium" });
try {
  const pagina = await navegador.newPage({ baseURL: servidor.url, viewport: { width: 1366, height: 900 } });
  await pagina.goto("/entrar");
  await pagina.fill("#usuario", "1");
  await pagina.fill("#senha", SENHAS[1]);
  await pagina.click("#botaoEntrar");
  await pagina.waitForURL("**/balancete");

  await pagina.goto("/lancamentos");
  await pagina.waitForSelector("body[data-pronta='1']");
  const campos = { DATALCTOCTB: "11/08/2025", CODIGOESTAB: "1", CONTACTBDEB: "CAIXA", CONTACTBCRED: "BANCO", CODIGOHISTCTB: "3" };
  for (const [nome, texto] of Object.entries(campos)) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
  await pagina.locator("#ajudaCONTACTBCRED .saldo").waitFor();
  // One entry posted, the next one keyed: the last-entries panel shows the first.
  await pagina.fill("#campoVALORLCTOCTB", "980,00");
  await pagina.keyboard.press("Control+Enter");
  await pagina.locator("#painelUltimos tbody tr").first().waitFor();
  for (const [nome, texto] of Object.entries({ ...campos, CONTACTBDEB: "BANCO", CONTACTBCRED: "CAIXA" })) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
  await pagina.locator("#ajudaCONTACTBCRED .saldo").waitFor();
  await pagina.fill("#campoVALORLCTOCTB", "1.250,00");
  await pagina.screenshot({ path: path.join(docs, "lancamentos.png"), fullPage: true });

  // An advertising expense split over cost centres: one row typed, the
  // rest shown.
  await pagina.keyboard.press("Alt+N");
  for (const [nome, texto] of Object.entries({ ...campos, CONTACTBDEB: "4203002", VALORLCTOCTB: "1.500,00" })) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
  await pagina.locator("#rateio-gerencial-debito").waitFor();
  await pagina.keyboard.press("Control+F7");
  for (const texto of ["201", "900", "202"]) {
    await pagina.keyboard.type(texto);
    await pagina.keyboard.press("Enter");
  }
  await pagina.keyboard.type("375");
  await pagina.locator("#rateio-gerencial-debito").scrollIntoViewIfNeeded();
  await pagina.screenshot({ path: path.join(docs, "rateio.png") });
  // Saved and opened again for correction: its rows back in the grid.
  for (const texto of ["", "301", "225"]) {
    if (texto) await pagina.keyboard.type(texto);
    await pagina.keyboard.press("Enter");
  }
  await pagina.keyboard.press("Control+Enter");
  await pagina.waitForFunction(() => /gravado/.test(document.getElementById("situacao").textContent));
  await pagina.locator("#painelUltimos tbody tr").first().click();
  await pagina.locator("#rateio-gerencial-debito tbody tr").nth(2).waitFor();
  await pagina.locator("#rateio-gerencial-debito").scrollIntoViewIfNeeded();
  await pagina.screenshot({ path: path.join(docs, "rateio-correcao.png") });

  await pagina.goto("/balancete");
  await pagina.waitForSelector("#empresa option", { state: "attached" });
  await pagina.fill("#de", "01/01/2025");
  await pagina.fill("#ate", "31/03/2025");
  await pagina.check("#mensal");
  await pagina.click("#botaoConsultar");
  await pagina.locator("#balancete1").waitFor();
  await pagina.screenshot({ path: path.join(docs, "balancete.png") });
  // The grid scrolled both ways: its headers and account columns stay.
  await pagina.locator("#balancete1").evaluate((tabela) => tabela.parentElement.scrollBy(400, 600));
  await pagina.screenshot({ path: path.join(docs, "balancete-rolado.png") });

  await pagina.goto("/lancamentos");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.keyboard.press("Control+F3");
  for (const texto of ["01/01/2025", "31/12/2025", "CAIXA"]) {
    await pagina.keyboard.type(texto);
    await pagina.keyboard.press("Tab");
  }
  await pagina.keyboard.press("Enter");
  await pagina.locator("#pesquisaResultado tbody tr").first().waitFor();
  await pagina.screenshot({ path: path.join(docs, "pesquisa.png") });

  // An extemporaneous entry of the SPED company: the date of occurrence
  // its post offers.
  await pagina.goto("/lancamentos?empresa=2");
  await pagina.waitForSelector("body[data-pronta='1']");
  for (const [nome, texto] of Object.entries({ ...campos, VALORLCTOCTB: "320,00", CODIGOORIGLCTOCTB: "XX" })) {
    await pagina.fill(`#campo${nome}`, texto);
    await pagina.press(`#campo${nome}`, "Enter");
  }
  await pagina.keyboard.press("Control+Enter");
  await pagina.locator("dialog#dialogoVinculo[open]").waitFor();
  await pagina.keyboard.type("15122024");
  await pagina.screenshot({ path: path.join(docs, "vinculo.png") });
  await pagina.keyboard.press("Escape");

  await pagina.goto("/razao?empresa=1&conta=1101001&de=01/01/2025&ate=31/12/2025");
  await pagina.locator("#tabela tbody tr").first().waitFor();
  await pagina.screenshot({ path: path.join(docs, "razao.png") });

  await pagina.goto("/demonstracoes");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.click("button[type=submit]");
  await pagina.locator("#resultado table").first().waitFor();
  await pagina.screenshot({ path: path.join(docs, "demonstracoes.png") });

  await pagina.goto("/excluidos");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.selectOption("#empresa", "2");
  await pagina.fill("#de", "01/12/2025");
  await pagina.fill("#ate", "31/12/2025");
  await pagina.press("#ate", "Enter");
  await pagina.locator("#tabelaExcluidos tbody tr").first().waitFor();
  await pagina.screenshot({ path: path.join(docs, "excluidos.png") });

  const exemplos = path.join(docs, "exemplos");
  await pagina.goto("/importar");
  await pagina.waitForSelector("body[data-pronta='1']");
  await pagina.setInputFiles("#extrato", path.join(exemplos, "extrato-janeiro.csv"));
  await pagina.setInputFiles("#mapa", path.join(exemplos, "extrato-mapa.json"));
  await pagina.setInputFiles("#regras", path.join(exemplos, "extrato-regras.json"));
  await pagina.fill("#conta", "BANCO");
  await pagina.press("#conta", "Enter");
  await pagina.locator("#gravar tbody tr").first().waitFor();
  await pagina.screenshot({ path: path.join(docs, "importar.png"), fullPage: true });
} finally {
  await navegador.close();
  await servidor.parar();
}
