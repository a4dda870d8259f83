"use strict";
// The journal-entry page: the form laid out from the module's fields, the
// title and balance beside each account, the account search, the module's
// questions as dialogs (the document is sent again with one more answer),
// the panels below (last entries, differences), correcting and deleting an
// entry, and the keyboard: Enter moves to the next field, the shortcuts of
// the screen's actions work here too. Texts from the server are always set
// as text, never as markup.

const aba = `aba-${crypto.randomUUID()}`;
let csrf = "";
let tela = null;
// The entry being corrected ({chave, valores}) or null for a new one.
let corrigindo = null;

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
const ladoDaConta = (nome) => (nome.includes("CRED") ? "credito" : "debito");
// The balance texts of each side the screen shows beside the accounts.
const saldoDoLado = { VALORDEBITO: "debito", VALORCREDITO: "credito" };

function entradas() {
  return [...elemento("formLancamento").querySelectorAll("input[data-campo]")];
}

function entrada(nome) {
  return elemento("formLancamento").querySelector(`input[data-campo="${nome}"]`);
}

function criarEntrada(campo) {
  const input = criar("input");
  input.dataset.campo = campo.nome;
  input.id = `campo${campo.nome}`;
  input.type = campo.tipo === "data" ? "date" : campo.tipo === "logico" ? "checkbox" : "text";
  if (campo.tipo === "texto" && campo.tamanho > 0) input.maxLength = campo.tamanho;
  if (campo.tipo === "valor" || campo.tipo === "inteiro") input.inputMode = "decimal";
  if (campo.nome in saldoDoLado || (campo.fechado && campo.nome !== "CHAVELCTOCTB")) {
    input.readOnly = true;
    input.tabIndex = -1;
    input.classList.add("fechado");
  }
  if (ehConta(campo)) {
    input.dataset.lado = ladoDaConta(campo.nome);
    input.addEventListener("input", () => procurarContas(input));
    input.addEventListener("change", () => mostrarConta(input));
  }
  if (campo.nome === "CHAVELCTOCTB") input.addEventListener("change", () => abrirLancamento(input.value));
  if (campo.nome === "DATALCTOCTB" || campo.nome === "CODIGOESTAB")
    input.addEventListener("change", () => entradas().filter((e) => e.dataset.lado && e.value).forEach(mostrarConta));
  return input;
}

function criarCaixa(campo) {
  const caixa = criar("label", undefined, "campo");
  caixa.appendChild(criar("span", campo.grupo || campo.rotulo, campo.obrigatorio ? "rotulo obrigatorio" : "rotulo"));
  caixa.appendChild(criarEntrada(campo));
  if (ehConta(campo)) {
    const ajuda = criar("span", "", "ajuda-conta");
    ajuda.id = `ajuda${campo.nome}`;
    caixa.appendChild(ajuda);
  }
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

// "1.234,56" as the module reads numbers: "1234.56".
function numeroDigitado(texto) {
  return texto.includes(",") ? texto.replaceAll(".", "").replace(",", ".") : texto;
}

function valorDaEntrada(input, campo) {
  if (input.type === "checkbox") return input.checked;
  const texto = input.value.trim();
  if (texto === "") return null;
  return campo.tipo === "valor" || campo.tipo === "inteiro" ? numeroDigitado(texto) : texto;
}

function mostrarValor(input, valor, campo) {
  if (input.type === "checkbox") input.checked = Boolean(valor);
  else if (valor === null || valor === undefined) input.value = "";
  else if (campo.tipo === "data") input.value = String(valor).slice(0, 10);
  else input.value = String(valor);
}

// The fields a document types: on a new entry every one filled, on a
// correction those changed.
function camposDoDocumento() {
  const campos = {};
  for (const campo of tela.campos) {
    const input = entrada(campo.nome);
    if (!input || input.readOnly || campo.nome === "CHAVELCTOCTB") continue;
    const valor = valorDaEntrada(input, campo);
    if (corrigindo) {
      const antes = corrigindo.valores[campo.nome];
      const textoAntes = antes === null || antes === undefined ? null : campo.tipo === "data" ? String(antes).slice(0, 10) : String(antes);
      if ((valor === null ? null : String(valor)) !== textoAntes) campos[campo.nome] = valor;
    } else if (valor !== null && valor !== false) {
      campos[campo.nome] = valor;
    }
  }
  return campos;
}

// ---- Accounts: search, title and balance ----

let buscaPendente = null;
let contaEmBusca = null;

function fecharLista() {
  clearTimeout(buscaPendente);
  elemento("listaContas").classList.add("oculto");
  contaEmBusca = null;
}

function procurarContas(input) {
  clearTimeout(buscaPendente);
  const texto = input.value.trim();
  if (texto === "") return fecharLista();
  buscaPendente = setTimeout(async () => {
    try {
      const contas = await consulta("contas", { texto });
      if (input.value.trim() !== texto) return;
      mostrarLista(input, contas);
    } catch (erro) {
      fecharLista();
    }
  }, 250);
}

function mostrarLista(input, contas) {
  const lista = elemento("listaContas");
  lista.replaceChildren();
  for (const conta of contas) {
    const item = criar("li", `${conta.conta} ${conta.classificacao} ${conta.descricao}${conta.apelido ? ` (${conta.apelido})` : ""}`,
      conta.tipo === "S" ? "sintetica" : undefined);
    item.dataset.conta = conta.conta;
    item.setAttribute("role", "option");
    item.addEventListener("mousedown", (evento) => {
      evento.preventDefault();
      escolherConta(input, item.dataset.conta);
    });
    lista.appendChild(item);
  }
  if (contas.length === 0) return fecharLista();
  const caixa = input.getBoundingClientRect();
  lista.style.left = `${caixa.left + window.scrollX}px`;
  lista.style.top = `${caixa.bottom + window.scrollY}px`;
  lista.classList.remove("oculto");
  contaEmBusca = input;
}

function escolherConta(input, conta) {
  input.value = conta;
  fecharLista();
  mostrarConta(input);
}

// Up and down move in the list, Enter takes the marked account.
function teclaNaLista(evento) {
  const lista = elemento("listaContas");
  if (contaEmBusca !== evento.target || lista.classList.contains("oculto")) return false;
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
    escolherConta(evento.target, itens[atual].dataset.conta);
    return false;
  }
  return false;
}

async function mostrarConta(input) {
  const ajuda = elemento(`ajuda${input.dataset.campo}`);
  const lado = input.dataset.lado;
  const saldo = entrada(lado === "debito" ? "VALORDEBITO" : "VALORCREDITO");
  ajuda.textContent = "";
  ajuda.classList.remove("erro");
  if (saldo) saldo.value = "";
  if (!input.value.trim() || input.value.trim() === "0") return;
  const data = entrada("DATALCTOCTB")?.value || new Date().toISOString().slice(0, 10);
  try {
    const conta = await consulta("conta", {
      lado, conta: input.value.trim(), data, estab: entrada("CODIGOESTAB")?.value || "0",
    });
    const partes = [`${conta.conta} - ${conta.descricao}`];
    if (conta.titulo) partes.push(`${conta.titulo.conta} ${conta.titulo.descricao}`);
    ajuda.textContent = partes.join(" | ");
    ajuda.dataset.saldo = conta.saldo ?? "";
    if (conta.saldo !== null) {
      const texto = criar("strong", conta.saldo, "saldo");
      texto.dataset.lado = lado;
      ajuda.appendChild(document.createTextNode(" "));
      ajuda.appendChild(texto);
    }
    if (saldo) saldo.value = conta.saldo ?? "";
  } catch (erro) {
    ajuda.textContent = erro.message;
    ajuda.classList.add("erro");
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
    if (aoClicar) tr.addEventListener("click", () => aoClicar(linha));
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

function mostrarDetalhes(dados) {
  const colunasGer = [["NATURLCTOCTB", "Natureza"], ["CONTACTB", "Conta"], ["CODIGOCENTROCUSTO", "Centro de Custo"],
    ["DESCRCENTROCUSTO", "Descrição"], ["VALORLCTOGER", "Valor", "valor"]];
  const colunasAtiv = [["NATURLCTOCTB", "Natureza"], ["CONTACTB", "Conta"], ["CODIGOATIVDIF", "Atividade"],
    ["DESCRATIVDIF", "Descrição"], ["VALORLCTOATIV", "Valor", "valor"]];
  const tabela = (linhas, colunas) => {
    if (!linhas.length) return criar("p", "Nenhum");
    const grid = {
      fields: colunas.map(([name, label, type]) => ({ name, label, type })),
      rows: linhas.map((linha) => ({ ...linha, NATURLCTOCTB: linha.NATURLCTOCTB === 1 ? "Débito" : "Crédito" })),
    };
    return grade("", grid).querySelector("table");
  };
  elemento("gerenciais").replaceChildren(tabela(dados.gerenciais, colunasGer));
  elemento("atividades").replaceChildren(tabela(dados.atividades, colunasAtiv));
  elemento("detalhes").classList.remove("oculto");
}

// ---- New, correct, post, delete ----

function novo(manter = {}) {
  corrigindo = null;
  for (const input of entradas()) {
    if (input.dataset.campo in manter) continue;
    if (input.type === "checkbox") input.checked = false;
    else input.value = "";
  }
  for (const ajuda of document.querySelectorAll(".ajuda-conta")) ajuda.textContent = "";
  elemento("botaoExcluir").disabled = true;
  elemento("detalhes").classList.add("oculto");
  primeiraEntrada()?.focus();
}

function primeiraEntrada() {
  return entradas().find((input) => !input.readOnly && input.dataset.campo !== "CHAVELCTOCTB");
}

async function abrirLancamento(chave) {
  if (!chave) return;
  try {
    const dados = await consulta("registro", { chave });
    corrigindo = { chave: Number(chave), valores: dados.registro };
    for (const campo of tela.campos) {
      const input = entrada(campo.nome);
      if (input) mostrarValor(input, dados.registro[campo.nome], campo);
    }
    elemento("botaoExcluir").disabled = false;
    mostrarDetalhes(dados);
    await atualizarContas();
    primeiraEntrada()?.focus();
    // Announced once the screen has settled: typing that starts on the
    // announcement is not moved to another field by the focus above.
    mensagem(`Corrigindo o lançamento ${chave}`);
  } catch (erro) {
    mensagem(erro.message, true);
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
  for (;;) {
    const resultado = await pedir("/api/lancamentos", {
      method: "POST",
      headers: { "Content-Type": "application/json", "X-CSRF-Token": csrf },
      body: JSON.stringify({ aba, documento: { ...documento, answers: respostas } }),
    });
    if (resultado.result !== "question") return resultado;
    const pergunta = resultado.questions.at(-1);
    const resposta = await perguntar(pergunta);
    if (resposta === null) return { result: "aborted" };
    respostas.push(resposta);
  }
}

function mostrarRecusa(resultado) {
  if (resultado.result === "aborted") return mensagem("Operação cancelada", true);
  mensagem(resultado.message || "Lançamento recusado", true);
  if (resultado.field) entrada(resultado.field)?.focus();
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

async function gravar() {
  const documento = { op: corrigindo ? "edit" : "insert", company: Number(empresa()), fields: camposDoDocumento() };
  if (corrigindo) documento.key = corrigindo.chave;
  mensagem("Gravando...");
  try {
    const resultado = await enviar(documento);
    if (resultado.result !== "posted") return mostrarRecusa(resultado);
    const chave = resultado.entry.CHAVELCTOCTB;
    await concluir(resultado, corrigindo ? `Lançamento ${chave} corrigido` : `Lançamento ${chave} gravado`);
  } catch (erro) {
    mensagem(erro.message, true);
  }
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
  [/Pesquisar/, () => {
    const campo = document.activeElement?.dataset?.lado ? document.activeElement : entrada("CONTACTBDEB");
    campo?.focus();
    if (campo) procurarContas(campo);
  }],
  [/Ultimos/, () => elemento("painelUltimos")?.querySelector("tr.linha")?.scrollIntoView()],
  [/Ger(enciais)?Deb|Ger(enciais)?Cred|Ativ(idades)?.*(Deb|Cred)/, () => {
    if (corrigindo) elemento("detalhes").scrollIntoView();
    else mensagem("Grave o lançamento antes de abrir os gerenciais e as atividades", true);
  }],
];

function atalhosDaTela() {
  const atalhos = new Map([["Ctrl+Enter", gravar], ["Ctrl+Delete", excluir], ["Alt+N", () => novo()]]);
  const barra = elemento("barraAcoes");
  for (const acao of tela.acoes) {
    const feito = fazerAcao.find(([nome]) => nome.test(acao.nome));
    if (!feito || atalhos.has(acao.atalho)) continue;
    atalhos.set(acao.atalho, feito[1]);
    const botao = criar("button", acao.rotulo.replace(/\.\.\.$/, ""));
    botao.type = "button";
    botao.title = `${acao.dica || acao.rotulo} (${acao.atalho})`;
    botao.dataset.acao = acao.nome;
    botao.addEventListener("click", feito[1]);
    barra.appendChild(botao);
  }
  return atalhos;
}

function teclado(atalhos) {
  document.addEventListener("keydown", (evento) => {
    if (elemento("pergunta").open) return;
    const acao = atalhos.get(atalhoDoEvento(evento));
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
    if (proxima) proxima.focus();
    else elemento("botaoGravar").focus();
  });
}

// ---- Start ----

async function abrirTela() {
  mensagem("");
  tela = await consulta("tela", {});
  montarFormulario(tela.campos);
  mostrarPaineis(tela.conteudo.grids || []);
  novo();
  const data = entrada("DATALCTOCTB");
  if (data && !data.value) data.value = new Date().toISOString().slice(0, 10);
}

async function iniciar() {
  csrf = (await iniciarSessao()).csrf;
  await abrirTela();
  teclado(atalhosDaTela());
  elemento("empresa").addEventListener("change", () => abrirTela().catch((erro) => mensagem(erro.message, true)));
  elemento("botaoNovo").addEventListener("click", () => novo());
  elemento("botaoGravar").addEventListener("click", gravar);
  elemento("botaoExcluir").addEventListener("click", excluir);
  elemento("formLancamento").addEventListener("submit", (evento) => evento.preventDefault());
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => mensagem(erro.message, true));
