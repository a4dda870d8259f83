// A `ctb serve` of its own for the browser tests: a new database (a
// temporary SQLite file, or a new database on the PostgreSQL server named by
// CTB_TEST_PG when CTB_MOTOR is "postgresql") with the demo company and the
// users the tests sign in as, then the server on a free port of 127.0.0.1.
//
//   user 1  the administrator: every company of the demo, every right
//   user 2  the demo's operator: asked before keying the same entry twice
//   user 3  company 2 only, with the trial balance's right
//   user 4  company 1, without the trial balance's right

import AxeBuilder from "@axe-core/playwright";
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { after, before, test } from "node:test";
import { chromium } from "playwright-core";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { constants, tmpdir } from "node:os";
import path from "node:path";

export const SENHAS = {
  1: "senha-do-admin", 2: "senha-do-operador", 3: "senha-do-terceiro", 4: "senha-do-quarto",
};

const ctb = process.env.CTB;
if (!ctb) throw new Error("CTB deve apontar para o programa ctb");

// The servers still running when this process ends, however it ends (a
// hook that threw before stopping its server, an uncaught error, the
// runner's signal): they are killed with it, so no test leaves one behind.
const servidoresVivos = new Set();
process.on("exit", () => {
  for (const processo of servidoresVivos) processo.kill("SIGKILL");
});
for (const sinal of ["SIGINT", "SIGTERM"])
  process.once(sinal, () => process.exit(128 + constants.signals[sinal]));

function banco(pasta) {
  if (process.env.CTB_MOTOR !== "postgresql") return { args: ["--db", path.join(pasta, "ctb.db")] };
  const conninfo = process.env.CTB_TEST_PG;
  if (!conninfo) throw new Error("CTB_TEST_PG não definido para o PostgreSQL");
  const nome = `ctb_navegador_${process.pid}`;
  execFileSync("psql", [conninfo, "-q", "-c", `create database ${nome}`]);
  return {
    args: ["--pg", `${conninfo} dbname=${nome}`],
    apagar: () => execFileSync("psql", [conninfo, "-q", "-c", `drop database if exists ${nome} with (force)`]),
  };
}

export async function iniciarServidor() {
  const pasta = mkdtempSync(path.join(tmpdir(), "ctb-navegador-"));
  const { args: noBanco, apagar } = banco(pasta);
  const rodar = (args, entrada = "") =>
    execFileSync(ctb, [...args, ...noBanco], { cwd: pasta, input: entrada, stdio: ["pipe", "pipe", "pipe"] });
  rodar(["demo", "--entries", "300"]);
  writeFileSync(path.join(pasta, "u.csv"), "CODIGOUSUARIO,NOMEUSUARIO\n3,Terceiro\n4,Quarto\n");
  writeFileSync(path.join(pasta, "e.csv"), "CODIGOEMPRESA,CODIGOUSUARIO\n2,3\n1,4\n");
  writeFileSync(path.join(pasta, "d.csv"),
    "CODIGOUSUARIO,NOMEDIREITO,NIVEL\n3,actTnCtbDPConsultaBalanceteMovimento,8\n");
  rodar(["load", "USUARIO", "u.csv"]);
  rodar(["load", "EMPRESAUSUARIO", "e.csv"]);
  rodar(["load", "DIREITOUSUARIO", "d.csv"]);
  for (const [usuario, senha] of Object.entries(SENHAS)) rodar(["user", "passwd", usuario], `${senha}\n`);

  const processo = spawn(ctb, ["serve", "--port", "0", ...noBanco], { cwd: pasta });
  servidoresVivos.add(processo);
  processo.on("exit", () => servidoresVivos.delete(processo));
  let erros = "";
  processo.stderr.on("data", (parte) => { erros += parte; });
  const url = await new Promise((resolve, reject) => {
    let saida = "";
    processo.stdout.on("data", (parte) => {
      saida += parte;
      const achado = /Servidor em (http:\/\/127\.0\.0\.1:\d+)\//.exec(saida);
      if (achado) resolve(achado[1]);
    });
    processo.on("exit", (codigo) => reject(new Error(`ctb serve saiu (${codigo}): ${erros}`)));
  });
  return {
    url,
    async parar() {
      const fim = new Promise((resolve) => processo.on("exit", resolve));
      processo.kill("SIGTERM");
      const codigo = await fim;
      apagar?.();
      rmSync(pasta, { recursive: true, force: true });
      if (codigo !== 0) throw new Error(`ctb serve terminou com ${codigo}: ${erros}`);
    },
  };
}

// One server and one chromium for a file of tests, started before its first
// test and stopped after its last; `entrar` signs a user in; `teste` skips
// on PostgreSQL without a server to use.
export function servidorENavegador() {
  const ambiente = {};
  const semBanco = process.env.CTB_MOTOR === "postgresql" && !process.env.CTB_TEST_PG;
  before(async () => {
    if (semBanco) return;
    ambiente.servidor = await iniciarServidor();
    ambiente.navegador = await chromium.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium" });
  });
  after(async () => {
    try {
      await ambiente.navegador?.close();
    } finally {
      await ambiente.servidor?.parar();
    }
  });
  // A browser of its own signed in as `usuario`, on the page it lands on.
  ambiente.entrar = async (usuario) => {
    const contexto = await ambiente.navegador.newContext({ baseURL: ambiente.servidor.url, acceptDownloads: true });
    const pagina = await contexto.newPage();
    await pagina.goto("/entrar");
    await pagina.fill("#usuario", String(usuario));
    await pagina.fill("#senha", SENHAS[usuario]);
    await pagina.click("#botaoEntrar");
    await pagina.waitForURL("**/balancete");
    return { contexto, pagina };
  };
  ambiente.teste = (nome, corpo) => test(nome, { skip: semBanco && "CTB_TEST_PG não definido" }, corpo);
  return ambiente;
}

// What axe finds serious or critical on the page as it stands.
export async function semViolacoesGraves(pagina) {
  const { violations } = await new AxeBuilder({ page: pagina }).analyze();
  const graves = violations.filter((violacao) => ["serious", "critical"].includes(violacao.impact));
  assert.deepEqual(graves.map((violacao) => `${violacao.id}: ${violacao.nodes.map((no) => no.target).join(" ")}`), []);
}
