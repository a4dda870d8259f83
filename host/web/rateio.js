"use strict";
// The splits of the entry being keyed, under the form: a grid per side whose
// account takes them, managerial (cost centres) and activities, as the
// module's own tests tell (/rateio). The automatic rows and the account's
// rates come from the split modules (/rateio/automatico,
// /rateio/percentuais); the page only adds the amounts typed, in cents, to
// show what is left. The rows go with the entry's document ("managerial",
// "activities") and are written with it, by the module's own rules.
//
// Keyboard: Enter moves from the cost centre (or activity) to its amount and
// on to a new row; Enter on an empty row leaves the grid for "Gravar". F6
// redoes the automatic apportionment of the grid in focus, Ctrl+F6 shows the
// account's rates; the screen's shortcuts (Ctrl+F7, Ctrl+F8, Ctrl+F11,
// Ctrl+F12) reach each grid.

const kRefazer = "Deseja refazer os lançamentos automáticos?";

const tiposRateio = {
  gerencial: {
    chave: "managerial", titulo: "Lançamentos gerenciais", codigo: "CODIGOCENTROCUSTO",
    valor: "VALORLCTOGER", rotuloCodigo: "Centro de Custo", rotuloValor: "Valor R$",
    descricao: "DESCRCENTROCUSTO", registro: "gerenciais",
  },
  atividades: {
    chave: "activities", titulo: "Atividades", codigo: "CODIGOATIVDIF",
    valor: "VALORLCTOATIV", rotuloCodigo: "Atividade", rotuloValor: "Valor",
    descricao: "DESCRATIVDIF", registro: "atividades",
  },
};
const ladosRateio = { debito: { chave: "debit", nome: "a débito" }, credito: { chave: "credit", nome: "a crédito" } };

// Each grid shown, by "tipo-lado": {tipo, lado, conta, secao, corpo, totais,
// refazer (the redo confirmed on the page)}.
const grades = new Map();
let consultaRateio = 0;

// ---- Amounts in cents, never through a floating-point number ----

function centavos(texto) {
  const numero = /^(-?)(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d{1,2}))?$/.exec(valorDigitado(texto ?? "").trim());
  if (!numero) return null;
  const valor = BigInt(numero[2].replaceAll(".", "")) * 100n + BigInt((numero[3] ?? "").padEnd(2, "0") || "0");
  return numero[1] ? -valor : valor;
}

function textoCentavos(valor) {
  const negativo = valor < 0n;
  const absoluto = negativo ? -valor : valor;
  const inteiros = String(absoluto / 100n).replace(/\B(?=(\d{3})+$)/g, ".");
  return `${negativo ? "-" : ""}${inteiros},${String(absoluto % 100n).padStart(2, "0")}`;
}

// ---- The grids ----

function idGrade(tipo, lado) {
  return `rateio-${tipo}-${lado}`;
}

function criarGrade(tipo, lado) {
  const t = tiposRateio[tipo];
  const secao = criar("section", undefined, "rateio");
  secao.id = idGrade(tipo, lado);
  const titulo = criar("h2", `${t.titulo} ${ladosRateio[lado].nome}`);
  titulo.id = `${secao.id}-titulo`;
  secao.setAttribute("aria-labelledby", titulo.id);
  secao.appendChild(titulo);
  const barra = criar("div", undefined, "barra");
  const botao = (texto, dica, acao) => {
    const b = criar("button", texto);
    b.type = "button";
    b.title = dica;
    b.addEventListener("click", acao);
    barra.appendChild(b);
    return b;
  };
  botao("Refaz rateio automático", "Refazer lançamentos com rateio automático (F6)", () => refazerRateio(tipo, lado));
  if (tipo === "gerencial")
    botao("Consulta rateios", "Consulta dos rateios automático para conta contábil (Ctrl+F6)", () => mostrarPercentuais(lado));
  secao.appendChild(barra);
  const tabela = criar("table");
  const cabecalho = criar("tr");
  for (const rotulo of [t.rotuloCodigo, "Descrição", t.rotuloValor, "Origem", ""]) cabecalho.appendChild(criar("th", rotulo));
  tabela.appendChild(criar("thead")).appendChild(cabecalho);
  const corpo = tabela.appendChild(criar("tbody"));
  secao.appendChild(tabela);
  const totais = criar("p", "", "totais");
  totais.setAttribute("aria-live", "polite");
  secao.appendChild(totais);
  elemento("rateios").appendChild(secao);
  const grade = { tipo, lado, conta: null, secao, corpo, totais, titulo, refazer: false, armazenadas: 0 };
  grades.set(secao.id, grade);
  return grade;
}

function linhasDaGrade(grade) {
  return [...grade.corpo.querySelectorAll("tr")];
}

// A row: the code (typed, or the automatic row's), its description, the
// amount and where it came from.
function adicionarLinha(grade, linha = {}) {
  const t = tiposRateio[grade.tipo];
  const tr = criar("tr");
  const numero = grade.corpo.children.length + 1;
  const automatica = linha.automatica === true;
  tr.dataset.origem = automatica ? "automatica" : "digitada";
  const celulaEntrada = (classe, rotulo, texto) => {
    const td = criar("td");
    const input = criar("input", undefined, classe);
    input.type = "text";
    input.value = texto ?? "";
    input.setAttribute("aria-label", `${rotulo} da linha ${numero}`);
    input.dataset.rateio = classe;
    if (automatica) {
      input.readOnly = true;
      input.classList.add("fechado");
    }
    input.addEventListener("input", () => limparRecusa(input));
    td.appendChild(input);
    tr.appendChild(td);
    return input;
  };
  const codigo = celulaEntrada("codigo", t.rotuloCodigo, linha.codigo === undefined ? "" : String(linha.codigo));
  codigo.inputMode = "numeric";
  const descricao = tr.appendChild(criar("td", linha.descricao ?? ""));
  const valorInput = celulaEntrada("valor", t.rotuloValor, linha.valor);
  valorInput.inputMode = "decimal";
  tr.appendChild(criar("td", automatica ? "Automático" : "Digitado"));
  const acoes = tr.appendChild(criar("td"));
  const remover = criar("button", "Remover");
  remover.type = "button";
  remover.setAttribute("aria-label", `Remover a linha ${numero}`);
  remover.addEventListener("click", () => {
    tr.remove();
    mostrarTotais(grade);
    (linhasDaGrade(grade).at(-1)?.querySelector("input") ?? elemento("botaoGravar")).focus();
  });
  acoes.appendChild(remover);
  valorInput.addEventListener("change", () => { valorInput.value = valorDigitado(valorInput.value); mostrarTotais(grade); });
  valorInput.addEventListener("input", () => mostrarTotais(grade));
  if (!automatica) {
    codigo.setAttribute("aria-autocomplete", "list");
    codigo.setAttribute("aria-controls", "listaSugestoes");
    codigo.aoEscolher = () => descreverCentro(grade, codigo, descricao);
    codigo.addEventListener("input", () => procurarCentro(grade, codigo));
    codigo.addEventListener("blur", () => { if (sugerindo === codigo) fecharLista(); });
    codigo.addEventListener("change", () => descreverCentro(grade, codigo, descricao));
  }
  grade.corpo.appendChild(tr);
  return tr;
}

// The cost centres (or activities) the side's account allows.
function procurarCodigos(grade, texto) {
  return grade.tipo === "gerencial" ? consulta("centros", { conta: grade.conta, texto })
    : consulta("atividades", { conta: grade.conta, data: dataDigitada(), texto });
}

// The cost centres (or activities) the side's account allows, as the person types.
function procurarCentro(grade, input) {
  // The list of what was typed before goes at once: Enter never picks from it.
  fecharLista();
  const texto = input.value.trim();
  buscaPendente = setTimeout(async () => {
    try {
      const centros = await procurarCodigos(grade, texto);
      if (input.value.trim() !== texto || document.activeElement !== input) return;
      mostrarLista(input, centros.map((centro) => ({ valor: centro.codigo, texto: `${centro.codigo} ${centro.descricao}` })));
    } catch (erro) {
      fecharLista();
    }
  }, 200);
}

async function descreverCentro(grade, input, celula) {
  const codigo = input.value.trim();
  celula.textContent = "";
  if (!/^\d{1,18}$/.test(codigo)) return;
  try {
    const centros = await procurarCodigos(grade, codigo);
    const achado = centros.find((centro) => String(centro.codigo) === codigo);
    if (input.value.trim() === codigo) celula.textContent = achado ? achado.descricao : "Não permitido para a conta";
  } catch (erro) {
    celula.textContent = erro.message;
  }
}

// What the side splits and what is left, as the module's panel shows them:
// "Valor Lançado", "Valor Restante" (marked while it is not zero), "Valor
// Contábil".
function mostrarTotais(grade) {
  const contabil = centavos(entrada("VALORLCTOCTB")?.value) ?? 0n;
  let lancado = 0n;
  for (const tr of linhasDaGrade(grade)) lancado += centavos(tr.querySelector("input.valor").value) ?? 0n;
  const restante = contabil - lancado;
  grade.totais.replaceChildren();
  for (const [rotulo, valorTotal] of [["Valor Lançado", lancado], ["Valor Restante", restante], ["Valor Contábil", contabil]]) {
    const parte = criar("span", `${rotulo}: ${textoCentavos(valorTotal)}`);
    if (rotulo === "Valor Restante" && restante !== 0n) parte.className = "diferenca";
    grade.totais.appendChild(parte);
  }
}

// The entry's amount changed: what is left, and the activities it brings.
function atualizarValorRateio() {
  for (const grade of grades.values()) {
    if (grade.tipo === "atividades") linhasAutomaticas(grade).catch((erro) => mensagem(erro.message, true));
    else mostrarTotais(grade);
  }
}

// The automatic rows of the side, computed by the split module for the
// amount typed; typed rows stay.
async function linhasAutomaticas(grade) {
  const valorLancamento = entrada("VALORLCTOCTB")?.value.trim();
  if (!valorLancamento) throw new Error("Informe o valor do lançamento antes do rateio automático");
  const { linhas } = await consulta("rateio/automatico", {
    tipo: grade.tipo, lado: grade.lado, conta: grade.conta, data: dataDigitada(), valor: valorLancamento,
  });
  for (const tr of linhasDaGrade(grade)) if (tr.dataset.origem === "automatica") tr.remove();
  for (const linha of linhas) adicionarLinha(grade, { ...linha, automatica: true });
  // The typed rows stay below the automatic ones, where Enter goes on.
  for (const tr of linhasDaGrade(grade)) if (tr.dataset.origem === "digitada") grade.corpo.appendChild(tr);
  mostrarTotais(grade);
}

async function refazerRateio(tipo, lado) {
  const grade = grades.get(idGrade(tipo, lado));
  if (!grade) return;
  if ((await perguntar({ text: kRefazer, buttons: ["Sim", "Não"] })) !== "Sim") return;
  try {
    await linhasAutomaticas(grade);
    grade.refazer = grade.tipo === "gerencial";
    (linhasDaGrade(grade).find((tr) => tr.dataset.origem === "digitada")?.querySelector("input") ??
      grade.secao.querySelector("button")).focus();
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// The account's rates as the module lists them, or its message.
async function mostrarPercentuais(lado) {
  const grade = grades.get(idGrade("gerencial", lado));
  if (!grade) return;
  try {
    const rateios = await consulta("rateio/percentuais", { conta: grade.conta });
    await perguntar({ text: rateios.mensagem ?? [rateios.titulo, "", ...rateios.linhas].join("\n"), buttons: ["Ok"] });
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// The grids the entry's accounts take at its date, asked again whenever an
// account or the date changes; a grid whose account is still the same keeps
// its rows. An entry opened for correction brings its record (`registro`:
// its stored rows in "gerenciais" and "atividades"), shown in the grid of
// their side and account.
async function atualizarRateio(registro) {
  // An account still being looked up asks again when it arrives: asked now,
  // its side would lose its grid (and what was typed or redone there).
  if (elemento("formLancamento").querySelector(".ajuda-conta[data-pedido]")) return;
  const conta = (nome) => elemento(`ajuda${nome}`)?.dataset.conta ?? "";
  const debito = conta("CONTACTBDEB");
  const credito = conta("CONTACTBCRED");
  const pedido = ++consultaRateio;
  let lados;
  try {
    lados = debito || credito ? await consulta("rateio", { data: dataDigitada(), debito, credito }) : {};
  } catch (erro) {
    return mensagem(erro.message, true);
  }
  if (pedido !== consultaRateio) return;
  for (const lado of Object.keys(ladosRateio)) {
    for (const tipo of Object.keys(tiposRateio)) {
      const id = idGrade(tipo, lado);
      const oferecida = lados[lado]?.[tipo] === true;
      let grade = grades.get(id);
      if (grade && (!oferecida || grade.conta !== lados[lado].conta)) {
        grade.secao.remove();
        grades.delete(id);
        grade = null;
      }
      if (!oferecida || grade) continue;
      grade = criarGrade(tipo, lado);
      grade.conta = lados[lado].conta;
      grade.titulo.textContent += ` — conta ${grade.conta}`;
      if (registro) mostrarArmazenadas(grade, registro[tiposRateio[tipo].registro]);
      // The activities the entry's post generates are shown as they come.
      else if (tipo === "atividades" && entrada("VALORLCTOCTB")?.value.trim())
        await linhasAutomaticas(grade).catch((erro) => mensagem(erro.message, true));
      adicionarLinha(grade);
      mostrarTotais(grade);
    }
  }
}

// The stored rows of the grid's side and account: the automatic ones as
// the module made them, the others (typed or imported) to be corrected.
// Saved, the rows left in the grid replace those others.
function mostrarArmazenadas(grade, linhas) {
  const t = tiposRateio[grade.tipo];
  const natureza = grade.lado === "debito" ? 1 : -1;
  for (const linha of linhas) {
    if (linha.NATURLCTOCTB !== natureza || String(linha.CONTACTB) !== String(grade.conta)) continue;
    const automatica = linha.ORIGEMDADO === 1;
    adicionarLinha(grade, {
      codigo: linha[t.codigo], descricao: linha[t.descricao], valor: linha[t.valor], automatica,
    });
    if (!automatica) grade.armazenadas++;
  }
}

function limparRateio() {
  consultaRateio++;
  grades.forEach((grade) => grade.secao.remove());
  grades.clear();
}

// The typed rows the document carries, in its order (a refusal counts them).
function linhasDigitadas(grade) {
  const preenchida = (tr) => ["codigo", "valor"].some((c) => tr.querySelector(`input.${c}`).value.trim());
  return linhasDaGrade(grade).filter((tr) => tr.dataset.origem === "digitada" && preenchida(tr));
}

// The cell of the split row a refusal names ("tipo", "lado" D or C, "linha"
// among the rows sent): the amount when the rule was the amount's, else the
// code.
function celulaRecusada(resultado) {
  const lado = { D: "debito", C: "credito" }[resultado.lado];
  const grade = lado && grades.get(idGrade(resultado.tipo, lado));
  const tr = grade && linhasDigitadas(grade)[resultado.linha - 1];
  if (!tr) return null;
  const classe = resultado.field === tiposRateio[grade.tipo].valor ? "valor" : "codigo";
  const input = tr.querySelector(`input.${classe}`);
  input.dataset.celula = `${grade.secao.id}-${classe}`;
  return input;
}

// The splits for the entry's document: the typed rows of each side (on a
// correction, also none, when the stored ones were removed), and the sides
// whose automatic apportionment was redone (written again by the module
// when the entry is saved).
function rateioDoDocumento() {
  const documento = {};
  for (const grade of grades.values()) {
    const t = tiposRateio[grade.tipo];
    const lado = ladosRateio[grade.lado].chave;
    const linhas = linhasDigitadas(grade).map((tr) => ({
      codigo: tr.querySelector("input.codigo").value.trim(), valor: tr.querySelector("input.valor").value.trim(),
    }));
    if (!linhas.length && !grade.refazer && !grade.armazenadas) continue;
    documento[t.chave] ??= {};
    if (linhas.length || grade.armazenadas)
      documento[t.chave][lado] = linhas.map((linha) => ({ [t.codigo]: linha.codigo, [t.valor]: linha.valor }));
    if (grade.refazer) (documento[t.chave].redo ??= []).push(lado);
  }
  return documento;
}

// The module's redo question on saving, already answered on the page when
// the person redid that side: one "Sim" per side redone.
function respostaDoRateio(pergunta, respondidas) {
  const redos = [...grades.values()].filter((grade) => grade.refazer).length;
  return pergunta.text === kRefazer && respondidas < redos ? "Sim" : null;
}

// Ctrl+F7 and the others (also through the screen's actions when the module
// lists them): the grid of the action's side, when the account takes it.
function irParaRateio(nomeAcao) {
  const tipo = /Ativ/.test(nomeAcao) ? "atividades" : "gerencial";
  const lado = /Cred/.test(nomeAcao) ? "credito" : "debito";
  const grade = grades.get(idGrade(tipo, lado));
  if (!grade) {
    const t = tiposRateio[tipo];
    return mensagem(`${t.titulo} ${ladosRateio[lado].nome}: o lançamento não oferece esta tela para a conta ${ladosRateio[lado].nome.slice(2)}`, true);
  }
  grade.secao.scrollIntoView();
  (linhasDaGrade(grade).find((tr) => tr.dataset.origem === "digitada")?.querySelector("input") ??
    grade.secao.querySelector("button")).focus();
}

// The screen's shortcuts of the split actions, by the web module's names.
const atalhosRateio = {
  "Ctrl+F7": "nActGerenciaisDebito", "Ctrl+F8": "nActGerenciaisCredito",
  "Ctrl+F11": "nActLctoAtivDebito", "Ctrl+F12": "nActLctoAtivCredito",
};

// A split shortcut the screen's module does not list (the page's keyboard
// asks here after the screen's own): it says the entry does not offer it.
function atalhoDeRateio(tecla) {
  const acao = atalhosRateio[tecla];
  return acao ? () => irParaRateio(acao) : undefined;
}

// Enter moves on inside a grid; F6 and Ctrl+F6 act on the grid in focus.
// The screen's shortcuts (Ctrl+Enter, Ctrl+F7…) belong to the page's
// keyboard alone: handled here too, one key would act twice.
document.addEventListener("keydown", (evento) => {
  if (document.querySelector("dialog[open]") || evento.defaultPrevented) return;
  const tecla = atalhoDoEvento(evento);
  if (atalhos.has(tecla) || atalhoDeRateio(tecla)) return;
  const secao = evento.target.closest?.(".rateio");
  if (!secao) return;
  const grade = grades.get(secao.id);
  if (evento.key === "F6") {
    evento.preventDefault();
    if (evento.ctrlKey) mostrarPercentuais(grade.lado);
    else refazerRateio(grade.tipo, grade.lado);
    return;
  }
  if (evento.key !== "Enter" || !evento.target.dataset.rateio) return;
  evento.preventDefault();
  const marcada = sugerindo === evento.target && elemento("listaSugestoes").querySelector("li.marcado");
  if (marcada) escolher(evento.target, marcada.dataset.valor);
  fecharLista();
  evento.target.dispatchEvent(new Event("change"));
  const tr = evento.target.closest("tr");
  const [codigo, valorInput] = tr.querySelectorAll("input");
  if (evento.target === codigo) {
    if (!codigo.value.trim() && !valorInput.value.trim()) return elemento("botaoGravar").focus();
    valorInput.focus();
    valorInput.select();
    return;
  }
  const proxima = tr.nextElementSibling ?? adicionarLinha(grade);
  proxima.querySelector("input").focus();
  mostrarTotais(grade);
});
