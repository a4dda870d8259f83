"use strict";
// The journal-entry page: the form laid out from the module's fields, the
// title and balance beside each account, the account and history
// suggestions, the module's questions as dialogs (the document is sent again
// with one more answer), a refusal beside its field, the panels below (last
// entries, differences), correcting and deleting an entry, and the keyboard:
// Enter moves to the next field a person types, the shortcuts of the
// screen's actions work here too. Dates are typed and shown as dd/mm/aaaa,
// amounts as 1.234,56: the server reads them, the page never turns money
// into a number. Texts from the server are always set as text, never as
// markup.

const aba = `aba-${crypto.randomUUID()}`;
let csrf = "";
let tela = null;
// The entry being corrected ({chave, textos}: each field's text as shown
// when it was opened) or null for a new one.
let corrigindo = null;
// The key of the last entry written on this tab: the linked screens'
// shortcuts act on it while no entry is open for correction.
let ultimoGravado = null;
// The screen's shortcuts for the company chosen: what each does.
let atalhos = new Map();

function empresa() {
  return elemento("empresa").value;
}

function consulta(rota, parametros) {
  return pedir(`/api/lancamentos/${rota}?${new URLSearchParams({ empresa: empresa(), aba, ...parametros })}`);
}

function mensagem(texto, erro = false) {
  elemento("situacao").textContent = erro ? "" : texto;
  elemento("erro").textContent = erro ? texto : "";
}

// ---- The form, from the module's fields ----

const ehConta = (campo) => campo.consulta === "CONTACTB";
const ehHistorico = (campo) => campo.consulta === "CODIGOHISTCTBATIVO";
const ladoDaConta = (nome) => (nome.includes("CRED") ? "credito" : "debito");
// The balance texts of each side the screen shows beside the accounts.
const saldoDoLado = { VALORDEBITO: "debito", VALORCREDITO: "credito" };

function entradas() {
  return [...elemento("formLancamento").querySelectorAll("input[data-campo]")];
}

function entrada(nome) {
  return elemento("formLancamento").querySelector(`input[data-campo="${nome}"]`);
}

// What the module fills (the key, the transaction, the balances beside the
// accounts) is shown but not typed: Tab and Enter pass it by.
const fechado = (campo) => campo.fechado || campo.nome in saldoDoLado;

function criarEntrada(campo) {
  const input = criar("input");
  input.dataset.campo = campo.nome;
  input.id = `campo${campo.nome}`;
  input.type = campo.tipo === "logico" ? "checkbox" : "text";
  if (campo.tipo === "data") campoData(input);
  if (campo.tipo === "texto" && campo.tamanho > 0) input.maxLength = campo.tamanho;
  if (campo.tipo === "inteiro") input.inputMode = "numeric";
  if (campo.tipo === "valor") {
    input.inputMode = "decimal";
    input.classList.add("valor");
    input.addEventListener("change", () => { input.value = valorDigitado(input.value); });
  }
  if (fechado(campo)) {
    input.readOnly = true;
    input.tabIndex = -1;
    input.classList.add("fechado");
  } else if (campo.obrigatorio) {
    input.setAttribute("aria-required", "true");
  }
  input.setAttribute("aria-describedby", `ajuda${campo.nome}`);
  input.addEventListener("input", () => limparRecusa(input));
  if (ehConta(campo) || ehHistorico(campo)) {
    input.setAttribute("aria-autocomplete", "list");
    input.setAttribute("aria-controls", "listaSugestoes");
    input.addEventListener("input", () => procurar(input));
    input.addEventListener("blur", () => { if (sugerindo === input) fecharLista(); });
  }
  if (ehConta(campo)) {
    input.dataset.lado = ladoDaConta(campo.nome);
    input.addEventListener("change", () => mostrarConta(input).then(() => atualizarRateio()));
  }
  if (ehHistorico(campo)) {
    input.dataset.historico = "1";
    input.addEventListener("change", () => mostrarHistorico(input));
  }
  if (campo.nome === "COMPLHIST") input.addEventListener("change", atualizarHistorico);
  if (campo.nome === "DATALCTOCTB" || campo.nome === "CODIGOESTAB")
    input.addEventListener("change", () => Promise.all(entradas().filter((e) => e.dataset.lado && e.value).map(mostrarConta))
      .then(() => atualizarRateio()));
  if (campo.nome === "VALORLCTOCTB") input.addEventListener("change", atualizarValorRateio);
  if (campo.nome === "DATALCTOCTB" || campo.nome === "CODIGOLCTOPROG")
    input.addEventListener("change", atualizarProgramados);
  return input;
}

function criarCaixa(campo) {
  const caixa = criar("div", undefined, "campo");
  const rotulo = criar("label", campo.grupo || campo.rotulo,
    campo.obrigatorio && !fechado(campo) ? "rotulo obrigatorio" : "rotulo");
  rotulo.htmlFor = `campo${campo.nome}`;
  caixa.appendChild(rotulo);
  caixa.appendChild(criarEntrada(campo));
  const ajuda = criar("span", "", ehConta(campo) ? "ajuda-conta" : "ajuda");
  ajuda.id = `ajuda${campo.nome}`;
  caixa.appendChild(ajuda);
  const colunas = Number(campo.colunas) || Math.min(12, Math.max(2, Math.ceil((campo.tamanho || 10) / 8)));
  caixa.style.gridColumn = `span ${Math.min(12, colunas)}`;
  return caixa;
}

// The fields of one row of the layout share a line; the fields between
// rows flow together, twelve columns wide.
function montarFormulario(campos) {
  const form = elemento("formLancamento");
  form.replaceChildren();
  const linhas = new Map();
  let fluxo = null;
  const novaLinha = () => form.appendChild(criar("div", undefined, "linha-campos"));
  for (const campo of campos) {
    if (campo.nome === "CODIGOEMPRESA") continue;
    let linha;
    if (campo.linha) {
      if (!linhas.has(campo.linha)) linhas.set(campo.linha, novaLinha());
      linha = linhas.get(campo.linha);
      fluxo = null;
    } else {
      fluxo ??= novaLinha();
      linha = fluxo;
    }
    linha.appendChild(criarCaixa(campo));
  }
}

// ---- Values ----

// An amount as typed, shown as 1.234,56 ("4500" is 4.500,00) by its digits,
// never through a number; what is not an amount written the Brazilian way
// stays as typed, for the server to refuse beside the field.
function valorDigitado(texto) {
  const numero = /^(-?)(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d*))?$/.exec(texto.trim());
  if (!numero) return texto;
  const inteiros = numero[2].replaceAll(".", "").replace(/^0+(?=\d)/, "");
  return `${numero[1]}${inteiros.replace(/\B(?=(\d{3})+$)/g, ".")},${(numero[3] ?? "").padEnd(2, "0")}`;
}

// The text a field shows for a value of the server's record; amounts come
// already written as the page shows them (`valores`).
function textoDoValor(valor, campo) {
  if (valor === null || valor === undefined) return "";
  return campo.tipo === "data" ? dataBr(String(valor)) : String(valor);
}

function valorDaEntrada(input) {
  if (input.type === "checkbox") return input.checked;
  const texto = input.value.trim();
  return texto === "" ? null : texto;
}

// The fields a document types: on a new entry every one filled, on a
// correction those changed.
function camposDoDocumento() {
  const campos = {};
  for (const campo of tela.campos) {
    const input = entrada(campo.nome);
    if (!input || input.readOnly) continue;
    const valor = valorDaEntrada(input);
    if (corrigindo) {
      if ((input.type === "checkbox" ? input.checked : input.value) !== corrigindo.textos[campo.nome])
        campos[campo.nome] = valor;
    } else if (valor !== null && valor !== false) {
      campos[campo.nome] = valor;
    }
  }
  return campos;
}

// ---- A refusal beside its field ----

// A field's reason is named by the field, a split cell's by its grid (one
// reason is shown at a time).
function idRecusa(input) {
  return `recusa${input.dataset.campo ?? input.dataset.celula}`;
}

function ajudaDe(input) {
  return input.dataset.campo ? ` ajuda${input.dataset.campo}` : "";
}

function limparRecusa(input) {
  if (input.getAttribute("aria-invalid") !== "true") return;
  input.removeAttribute("aria-invalid");
  if (ajudaDe(input)) input.setAttribute("aria-describedby", ajudaDe(input).trim());
  else input.removeAttribute("aria-describedby");
  elemento(idRecusa(input))?.remove();
}

function limparRecusas() {
  document.querySelectorAll('input[aria-invalid="true"]').forEach(limparRecusa);
}

// The module's reason under the field (or split cell) it names, the field
// marked and in focus; the reason goes as soon as the field is typed again.
function recusarCampo(input, texto) {
  limparRecusas();
  const recusa = criar("span", texto, "recusa");
  recusa.id = idRecusa(input);
  input.parentElement.appendChild(recusa);
  input.setAttribute("aria-invalid", "true");
  input.setAttribute("aria-describedby", `${recusa.id}${ajudaDe(input)}`);
  mensagem("");
  input.focus();
}

// ---- Suggestions (accounts, histories), titles and balances ----

let buscaPendente = null;
// The field whose suggestions are open.
let sugerindo = null;

function fecharLista() {
  clearTimeout(buscaPendente);
  elemento("listaSugestoes").classList.add("oculto");
  sugerindo = null;
}

// The histories whose code starts with the text or whose words hold it.
function historicosDoTexto(texto) {
  const procurado = texto.toLocaleLowerCase("pt-BR");
  return tela.historicos.filter((historico) => String(historico.CODIGOHISTCTB).startsWith(texto) ||
    historico.DESCRHISTCTB?.toLocaleLowerCase("pt-BR").includes(procurado)).slice(0, 20)
    .map((historico) => ({ valor: historico.CODIGOHISTCTB, texto: `${historico.CODIGOHISTCTB} ${historico.DESCRHISTCTB ?? ""}` }));
}

function procurar(input) {
  clearTimeout(buscaPendente);
  const texto = input.value.trim();
  if (texto === "") return fecharLista();
  if (input.dataset.historico) return mostrarLista(input, historicosDoTexto(texto));
  // The list of what was typed before goes at once: Enter never picks from it.
  fecharLista();
  buscaPendente = setTimeout(async () => {
    try {
      const contas = await consulta("contas", { texto });
      if (input.value.trim() !== texto || document.activeElement !== input) return;
      mostrarLista(input, contas.map((conta) => ({
        valor: conta.conta,
        texto: `${conta.conta} ${conta.classificacao} ${conta.descricao}${conta.apelido ? ` (${conta.apelido})` : ""}`,
        sintetica: conta.tipo === "S",
      })));
    } catch (erro) {
      fecharLista();
    }
  }, 250);
}

function mostrarLista(input, itens) {
  const lista = elemento("listaSugestoes");
  lista.replaceChildren();
  for (const sugestao of itens) {
    const item = criar("li", sugestao.texto, sugestao.sintetica ? "sintetica" : undefined);
    item.dataset.valor = sugestao.valor;
    item.setAttribute("role", "option");
    item.addEventListener("mousedown", (evento) => {
      evento.preventDefault();
      escolher(input, item.dataset.valor);
    });
    lista.appendChild(item);
  }
  if (itens.length === 0) return fecharLista();
  const caixa = input.getBoundingClientRect();
  lista.style.left = `${caixa.left + window.scrollX}px`;
  lista.style.top = `${caixa.bottom + window.scrollY}px`;
  lista.classList.remove("oculto");
  sugerindo = input;
}

function escolher(input, valorEscolhido) {
  input.value = valorEscolhido;
  fecharLista();
  limparRecusa(input);
  if (input.aoEscolher) input.aoEscolher();
  else if (input.dataset.historico) mostrarHistorico(input);
  else mostrarConta(input).then(() => atualizarRateio());
}

// The date typed when it is whole, else today's.
function dataDigitada() {
  const digitada = entrada("DATALCTOCTB")?.value ?? "";
  return /^\d{2}\/\d{2}\/\d{4}$/.test(digitada) ? digitada : hojeBr();
}

// The history in words beside its code, its tokens filled from the
// complement, the accounts shown and the date, by the server's rule.
async function mostrarHistorico(input) {
  const ajuda = elemento(`ajuda${input.dataset.campo}`);
  ajuda.textContent = "";
  ajuda.classList.remove("erro");
  const codigo = input.value.trim();
  if (!/^\d{1,5}$/.test(codigo)) return;
  const conta = (nome) => elemento(`ajuda${nome}`)?.dataset.conta ?? "";
  try {
    const { texto } = await consulta("historico", {
      codigo, data: dataDigitada(), debito: conta("CONTACTBDEB"), credito: conta("CONTACTBCRED"),
      complemento: entrada("COMPLHIST")?.value ?? "",
    });
    if (input.value.trim() === codigo) ajuda.textContent = texto;
  } catch (erro) {
    ajuda.textContent = erro.message;
    ajuda.classList.add("erro");
  }
}

function atualizarHistorico() {
  const historico = entradas().find((input) => input.dataset.historico);
  return historico ? mostrarHistorico(historico) : undefined;
}

// Up and down move in the list, Enter takes the marked suggestion.
function teclaNaLista(evento) {
  const lista = elemento("listaSugestoes");
  if (sugerindo !== evento.target || lista.classList.contains("oculto")) return false;
  const itens = [...lista.children];
  const atual = itens.findIndex((item) => item.classList.contains("marcado"));
  if (evento.key === "ArrowDown" || evento.key === "ArrowUp") {
    const proximo = evento.key === "ArrowDown" ? Math.min(itens.length - 1, atual + 1) : Math.max(0, atual - 1);
    itens.forEach((item, i) => item.classList.toggle("marcado", i === proximo));
    return true;
  }
  if (evento.key === "Escape") {
    fecharLista();
    return true;
  }
  if (evento.key === "Enter" && atual >= 0) {
    escolher(evento.target, itens[atual].dataset.valor);
    return false;
  }
  return false;
}

// The account's title and balance beside it. Only the last lookup of a
// field shows (`data-pedido` marks it while it is on its way); one the form
// left behind (a new entry, another account typed) is dropped.
let consultasConta = 0;

async function mostrarConta(input) {
  const ajuda = elemento(`ajuda${input.dataset.campo}`);
  const lado = input.dataset.lado;
  const saldo = entrada(lado === "debito" ? "VALORDEBITO" : "VALORCREDITO");
  ajuda.textContent = "";
  ajuda.classList.remove("erro");
  delete ajuda.dataset.conta;
  delete ajuda.dataset.pedido;
  if (saldo) saldo.value = "";
  if (!input.value.trim() || input.value.trim() === "0") return;
  const data = dataDigitada();
  const pedido = String(++consultasConta);
  ajuda.dataset.pedido = pedido;
  try {
    const conta = await consulta("conta", {
      lado, conta: input.value.trim(), data, estab: entrada("CODIGOESTAB")?.value || "0",
    });
    if (ajuda.dataset.pedido !== pedido) return;
    const partes = [`${conta.conta} - ${conta.descricao}`];
    if (conta.titulo) partes.push(`${conta.titulo.conta} ${conta.titulo.descricao}`);
    ajuda.textContent = partes.join(" | ");
    ajuda.append(" ", linkRazao({ empresa: empresa(), conta: conta.conta }));
    ajuda.dataset.saldo = conta.saldo ?? "";
    ajuda.dataset.conta = conta.conta;
    if (conta.saldo !== null) {
      const texto = criar("strong", conta.saldo, "saldo");
      texto.dataset.lado = lado;
      ajuda.appendChild(document.createTextNode(" "));
      ajuda.appendChild(texto);
    }
    if (saldo) saldo.value = conta.saldo ?? "";
  } catch (erro) {
    if (ajuda.dataset.pedido !== pedido) return;
    ajuda.textContent = erro.message;
    ajuda.classList.add("erro");
  } finally {
    if (ajuda.dataset.pedido === pedido) delete ajuda.dataset.pedido;
  }
}

function atualizarContas() {
  return Promise.all(entradas().filter((input) => input.dataset.lado).map(mostrarConta));
}

// ---- The panels below: the module's grids ----

function grade(titulo, grid, aoClicar) {
  const bloco = criar("section", undefined, "painel");
  bloco.appendChild(criar("h2", titulo));
  const colunas = (grid.fields || []).filter((campo) => campo.visible !== false);
  const tabela = criar("table");
  const titulos = criar("tr");
  for (const coluna of colunas) titulos.appendChild(criar("th", coluna.label || coluna.name));
  tabela.appendChild(criar("thead")).appendChild(titulos);
  const corpo = criar("tbody");
  for (const linha of grid.rows || []) {
    const tr = criar("tr", undefined, aoClicar ? "linha" : undefined);
    for (const coluna of colunas) {
      const valorDaColuna = linha[coluna.name];
      tr.appendChild(criar("td", textoDaColuna(valorDaColuna, coluna.type),
        typeof valorDaColuna === "number" ? "valor" : undefined));
    }
    if (aoClicar) {
      tr.tabIndex = 0;
      tr.addEventListener("click", () => aoClicar(linha));
      tr.addEventListener("keydown", (evento) => {
        if (evento.key !== "Enter") return;
        evento.preventDefault();
        aoClicar(linha);
      });
    }
    corpo.appendChild(tr);
  }
  tabela.appendChild(corpo);
  bloco.appendChild(tabela);
  return bloco;
}

function mostrarPaineis(grids) {
  const paineis = elemento("paineis");
  paineis.replaceChildren();
  for (const painel of grids) {
    const ultimos = painel.Caption === "Últimos Lançamentos";
    const bloco = grade(painel.Caption, painel, ultimos ? (linha) => abrirLancamento(linha.CHAVELCTOCTB) : null);
    bloco.id = ultimos ? "painelUltimos" : painel.Caption === "Diferenças no Período" ? "painelDiferencas" : "painelTransacoes";
    paineis.appendChild(bloco);
  }
}

// The entries the programmed entry typed already made on the date (the
// module's list), below the form; a row opens for correction.
async function atualizarProgramados() {
  const painel = elemento("programados");
  const codigo = entrada("CODIGOLCTOPROG")?.value.trim();
  if (!codigo) return painel.replaceChildren();
  try {
    const lista = await consulta("programados", { codigo, data: dataDigitada() });
    painel.replaceChildren(grade(lista.Caption, lista, (linha) => abrirLancamento(linha.CHAVELCTOCTB)));
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// ---- New, correct, post, delete ----

function novo(manter = {}) {
  formularios++;
  corrigindo = null;
  limparRecusas();
  for (const input of entradas()) {
    if (input.dataset.campo in manter) continue;
    if (input.type === "checkbox") input.checked = false;
    else input.value = "";
  }
  for (const ajuda of elemento("formLancamento").querySelectorAll(".ajuda, .ajuda-conta")) {
    ajuda.textContent = "";
    // The last entry's accounts go with it, and their lookups on the way.
    delete ajuda.dataset.conta;
    delete ajuda.dataset.saldo;
    delete ajuda.dataset.pedido;
  }
  elemento("botaoExcluir").disabled = true;
  limparRateio();
  primeiraEntrada()?.focus();
}

function primeiraEntrada() {
  return entradas().find((input) => !input.readOnly);
}

// Each new entry or opening of one: an opening the person has left (a new
// entry, another entry opened) neither fills the form nor takes the focus.
let formularios = 0;

async function abrirLancamento(chave) {
  if (!chave) return;
  const formulario = ++formularios;
  const deixado = () => formulario !== formularios;
  try {
    const dados = await consulta("registro", { chave });
    if (deixado()) return;
    limparRecusas();
    limparRateio();
    corrigindo = { chave: Number(chave), textos: {} };
    for (const campo of tela.campos) {
      const input = entrada(campo.nome);
      if (!input) continue;
      const valorDoCampo = campo.nome in dados.valores ? dados.valores[campo.nome] : dados.registro[campo.nome];
      if (input.type === "checkbox") input.checked = Boolean(valorDoCampo);
      else input.value = textoDoValor(valorDoCampo, campo);
      corrigindo.textos[campo.nome] = input.type === "checkbox" ? input.checked : input.value;
    }
    elemento("botaoExcluir").disabled = false;
    await atualizarContas();
    if (deixado()) return;
    await atualizarRateio(dados);
    await atualizarHistorico();
    if (deixado()) return;
    primeiraEntrada()?.focus();
    // Announced once the screen has settled: typing that starts on the
    // announcement is not moved to another field by the focus above.
    mensagem(`Corrigindo o lançamento ${chave}${dados.cadastro ? ` — ${dados.cadastro}` : ""}`);
  } catch (erro) {
    if (!deixado()) mensagem(erro.message, true);
  }
}

// One of the module's questions: resolves with the caption chosen, or null
// when the dialog is closed without one.
function perguntar(pergunta) {
  const dialogo = elemento("pergunta");
  elemento("textoPergunta").textContent = pergunta.text;
  const botoes = elemento("botoesPergunta");
  botoes.replaceChildren();
  return new Promise((resolve) => {
    let escolhida = null;
    for (const rotulo of pergunta.buttons) {
      const botao = criar("button", rotulo);
      botao.type = "button";
      botao.addEventListener("click", () => {
        escolhida = rotulo;
        dialogo.close();
      });
      botoes.appendChild(botao);
    }
    dialogo.addEventListener("close", () => resolve(escolhida), { once: true });
    dialogo.showModal();
    botoes.firstChild?.focus();
  });
}

// Sends the document until the module stops asking: each question answered
// in a dialog goes back with the answers given before it.
async function enviar(documento) {
  const respostas = [];
  let redos = 0;
  for (;;) {
    const resultado = await pedir("/api/lancamentos", {
      method: "POST",
      headers: { "Content-Type": "application/json", "X-CSRF-Token": csrf },
      body: JSON.stringify({ aba, documento: { ...documento, answers: respostas } }),
    });
    if (resultado.result !== "question") return resultado;
    const pergunta = resultado.questions.at(-1);
    const doRateio = respostaDoRateio(pergunta, redos);
    if (doRateio) redos++;
    const resposta = doRateio ?? (await perguntar(pergunta));
    if (resposta === null) return { result: "aborted" };
    respostas.push(resposta);
  }
}

function mostrarRecusa(resultado) {
  if (resultado.result === "aborted") return mensagem("Operação cancelada", true);
  const input = celulaRecusada(resultado) ?? (resultado.field && entrada(resultado.field));
  if (input && !input.readOnly) return recusarCampo(input, resultado.message);
  mensagem(resultado.message || "Lançamento recusado", true);
}

// After a post or a delete: the module's informations, the screen's panels
// and the accounts' balances read again (left in view), then a new
// entry on the same date and branch.
async function concluir(resultado, texto) {
  for (const informacao of resultado.informations || []) await perguntar({ text: informacao, buttons: ["Ok"] });
  tela.conteudo = await consulta("paineis", {});
  mostrarPaineis(tela.conteudo.grids);
  await atualizarContas();
  const contas = Object.fromEntries(entradas().filter((e) => e.dataset.lado).map((e) => [e.dataset.campo, e.value]));
  elemento("ultimoSaldo").textContent = saldosTexto(contas);
  novo({ DATALCTOCTB: true, CODIGOESTAB: true });
  mensagem(texto);
}

// `extra`: what the document carries besides the entry ("Criar Transação"
// closes the open transaction with it).
async function gravar(extra = {}) {
  const documento = {
    op: corrigindo ? "edit" : "insert", company: Number(empresa()), fields: camposDoDocumento(), ...rateioDoDocumento(),
    ...extra,
  };
  if (corrigindo) documento.key = corrigindo.chave;
  mensagem("Gravando...");
  try {
    const resultado = await enviar(documento);
    if (resultado.result !== "posted") return mostrarRecusa(resultado);
    const chave = resultado.entry.CHAVELCTOCTB;
    ultimoGravado = chave;
    mostrarTransacao(resultado.transaction);
    await concluir(resultado, corrigindo ? `Lançamento ${chave} corrigido` : `Lançamento ${chave} gravado`);
    await vinculosDoResultado(resultado, chave);
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// The transaction of the entry just written, in a company that numbers
// them (SPED or IFRS): its sums and whether it stays open for the next one.
function mostrarTransacao(transacao) {
  const faixa = elemento("transacao");
  faixa.classList.toggle("oculto", !transacao);
  if (!transacao) return;
  faixa.textContent = `Transação ${transacao.TRANSCTB} ${transacao.open ? "aberta" : "encerrada"} — `
    + `Débito ${valor(transacao.debit)}, Crédito ${valor(transacao.credit)}, Diferença ${valor(transacao.difference)}`;
  faixa.classList.toggle("desbalanceada", transacao.difference !== 0);
}

async function excluir() {
  if (!corrigindo) return;
  const chave = corrigindo.chave;
  if ((await perguntar({ text: `Excluir o lançamento ${chave}?`, buttons: ["Sim", "Não"] })) !== "Sim") return;
  mensagem("Excluindo...");
  try {
    const resultado = await enviar({ op: "delete", company: Number(empresa()), key: chave });
    if (resultado.result !== "posted") return mostrarRecusa(resultado);
    await concluir(resultado, `Lançamento ${chave} excluído`);
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// The balances of the last entry's accounts, left in view after the form
// clears for the next one.
function saldosTexto(contas) {
  return Object.keys(contas).map((nome) => {
    const saldo = elemento(`ajuda${nome}`)?.dataset.saldo;
    return contas[nome] && saldo ? `${contas[nome]}: ${saldo}` : "";
  }).filter(Boolean).join("   ");
}

// ---- Keyboard ----

// "Ctrl+F3" as a key event.
function atalhoDoEvento(evento) {
  const partes = [];
  if (evento.ctrlKey) partes.push("Ctrl");
  if (evento.shiftKey) partes.push("Shift");
  if (evento.altKey) partes.push("Alt");
  const tecla = evento.key.length === 1 ? evento.key.toUpperCase() : evento.key;
  partes.push(tecla === "Del" ? "Delete" : tecla);
  return partes.join("+");
}

// What the page does for the screen's actions it offers, by the action's
// name; the shortcut is the module's.
const fazerAcao = [
  [/Ultimos/, () => elemento("painelUltimos")?.querySelector("tr.linha")?.scrollIntoView()],
  [/Ger(enciais)?Deb|Ger(enciais)?Cred|Ativ(idades)?.*(Deb|Cred)/, (acao) => irParaRateio(acao.nome)],
  [{ test: (nome) => Boolean(telaDaAcao(nome)) }, vincular],
  [/CriarTransacao$/, () => gravar({ transaction: "close" })],
  [/ContinuarTransacao$/, continuarTransacao],
];

// "Continuar Transação": the transaction of the entry open for correction
// (or else the last one written) opens again, and the next entry joins it
// (keyed on the same date).
async function continuarTransacao(acao) {
  const chave = corrigindo?.chave ?? ultimoGravado;
  if (!chave) return mensagem(`${acao.rotulo}: grave ou abra um lançamento antes`, true);
  try {
    const parametros = new URLSearchParams({ empresa: empresa(), aba, chave });
    const resultado = await pedir(`/api/lancamentos/transacao/continuar?${parametros}`, {
      method: "POST", headers: { "X-CSRF-Token": csrf },
    });
    mostrarTransacao(resultado.transaction);
    novo({ DATALCTOCTB: true, CODIGOESTAB: true });
    // The next entry's own field says which transaction it joins.
    const campoTransacao = entrada("TRANSCTB");
    if (campoTransacao && resultado.transaction) campoTransacao.value = String(resultado.transaction.TRANSCTB);
    mensagem(resultado.transaction ? `Transação ${resultado.transaction.TRANSCTB} continuada`
      : `${acao.rotulo}: o lançamento ${chave} não tem transação`);
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

// A linked screen by its shortcut (vinculos.js), on the entry open for
// correction or else the last one written.
function vincular(acao) {
  const chave = corrigindo?.chave ?? ultimoGravado;
  if (!chave) return mensagem(`${acao.rotulo}: grave ou abra um lançamento antes`, true);
  return abrirVinculo(telaDaAcao(acao.nome), chave);
}

// The search of the company's entries (pesquisa.js): the one chosen opens
// for correction.
function pesquisar() {
  abrirPesquisa(empresa(), abrirLancamento);
}

// Why the module leaves an action disabled for the company.
const motivosIndisponivel = [[/Transacao$/, "a empresa não numera transações (não é optante do SPED nem do IFRS)"]];

function motivoIndisponivel(acao) {
  const motivo = motivosIndisponivel.find(([nome]) => nome.test(acao.nome))?.[1] ?? "o módulo não a habilita nesta empresa";
  return `${acao.rotulo}: indisponível — ${motivo}`;
}

// The screen's shortcuts, and its actions as buttons, for the company chosen.
function atalhosDaTela() {
  const atalhos = new Map([["Ctrl+Enter", () => gravar()], ["Ctrl+Delete", excluir], ["Alt+N", () => novo()],
    ["Ctrl+F3", pesquisar]]);
  const barra = elemento("barraAcoes");
  barra.querySelectorAll("[data-acao]").forEach((botao) => botao.remove());
  for (const acao of tela.acoes) {
    const feito = fazerAcao.find(([nome]) => nome.test(acao.nome));
    if (!feito) continue;
    // A disabled action stays in reach of the keyboard and says why.
    const motivo = acao.habilitada === false ? motivoIndisponivel(acao) : null;
    const fazer = motivo ? () => mensagem(motivo, true) : () => feito[1](acao);
    // Two actions of one shortcut: the first takes it, the other keeps its button.
    const livre = !atalhos.has(acao.atalho);
    if (livre) atalhos.set(acao.atalho, fazer);
    const botao = criar("button", acao.rotulo.replace(/\.\.\.$/, ""));
    botao.type = "button";
    botao.title = motivo ?? (livre ? `${acao.dica || acao.rotulo} (${acao.atalho})` : acao.dica || acao.rotulo);
    if (motivo) botao.setAttribute("aria-disabled", "true");
    botao.dataset.acao = acao.nome;
    botao.addEventListener("click", fazer);
    barra.appendChild(botao);
  }
  return atalhos;
}

function teclado() {
  document.addEventListener("keydown", (evento) => {
    if (document.querySelector("dialog[open]")) return;
    const tecla = atalhoDoEvento(evento);
    const acao = atalhos.get(tecla) ?? atalhoDeRateio(tecla);
    if (acao) {
      evento.preventDefault();
      acao();
      return;
    }
    if (teclaNaLista(evento)) {
      evento.preventDefault();
      return;
    }
    if (evento.key !== "Enter" || !evento.target.dataset?.campo) return;
    // Enter leaves the field for the next one that takes typing.
    evento.preventDefault();
    fecharLista();
    evento.target.dispatchEvent(new Event("change"));
    const abertas = entradas().filter((input) => !input.readOnly);
    const proxima = abertas[abertas.indexOf(evento.target) + 1];
    // As Tab does, the field reached is selected: typing replaces it.
    if (!proxima) return elemento("botaoGravar").focus();
    proxima.focus();
    proxima.select();
  });
}

// ---- Start ----

async function abrirTela() {
  mensagem("");
  tela = await consulta("tela", {});
  const avisos = elemento("avisos");
  avisos.textContent = (tela.avisos || []).join(" ");
  avisos.classList.toggle("oculto", !avisos.textContent);
  montarFormulario(tela.campos);
  atalhos = atalhosDaTela();
  mostrarPaineis(tela.conteudo.grids || []);
  novo();
  const data = entrada("DATALCTOCTB");
  if (data && !data.value) data.value = hojeBr();
}

async function iniciar() {
  csrf = (await iniciarSessao()).csrf;
  const empresaPedida = new URLSearchParams(location.search).get("empresa");
  if (empresaPedida) elemento("empresa").value = empresaPedida;
  await abrirTela();
  teclado();
  elemento("empresa").addEventListener("change", () => abrirTela().catch((erro) => mensagem(erro.message, true)));
  elemento("botaoNovo").addEventListener("click", () => novo());
  elemento("botaoGravar").addEventListener("click", () => gravar());
  elemento("botaoExcluir").addEventListener("click", excluir);
  elemento("botaoPesquisar").addEventListener("click", pesquisar);
  elemento("formLancamento").addEventListener("submit", (evento) => evento.preventDefault());
  // Another page's entry (/lancamentos?empresa&chave) opens for correction.
  const pedido = new URLSearchParams(location.search);
  if (pedido.get("chave")) await abrirLancamento(pedido.get("chave"));
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => mensagem(erro.message, true));
