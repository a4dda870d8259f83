"use strict";
// The registers a saved entry links (participants, the date of occurrence,
// the Q100 record, the fiscal/corporate relation) as dialogs over the
// journal-entry page. The module decides: the screen is read as its action
// opens it (`/vinculo`: its caption and fields, or why the entry does not
// offer it), and what is typed goes back as the entry's document under the
// screen's key, which the module keys on the same screen with its own rules.
// A dialog opens by the screen's shortcut on the entry at hand, and by
// itself after a post that showed the screen, as the desktop shows it.

// The document's key of each screen, by the name of the action that opens it.
const telasDasAcoes = [
  [/VincularParticipantes$/, "participants"],
  [/DataOcorrencia$/, "extemporaneous"],
  [/RegistroQ100$/, "q100"],
  [/FiscalSocietario$/, "relation"],
];

function telaDaAcao(nomeAcao) {
  return telasDasAcoes.find(([padrao]) => padrao.test(nomeAcao))?.[1];
}

function dialogoVinculo() {
  let dialogo = elemento("dialogoVinculo");
  if (dialogo) return dialogo;
  dialogo = criar("dialog", undefined, "vinculo");
  dialogo.id = "dialogoVinculo";
  dialogo.setAttribute("aria-labelledby", "tituloVinculo");
  const titulo = criar("h2");
  titulo.id = "tituloVinculo";
  const form = criar("form", undefined, "filtros");
  form.id = "formVinculo";
  form.noValidate = true;
  const erro = criar("p", "", "erro");
  erro.id = "erroVinculo";
  erro.setAttribute("role", "alert");
  const botoes = criar("div");
  const gravar = criar("button", "Gravar");
  gravar.type = "submit";
  gravar.setAttribute("form", "formVinculo");
  const cancelar = criar("button", "Cancelar");
  cancelar.type = "button";
  cancelar.addEventListener("click", () => dialogo.close());
  botoes.append(gravar, cancelar);
  dialogo.append(titulo, form, erro, botoes);
  document.body.appendChild(dialogo);
  return dialogo;
}

function textoDoCampoVinculado(campo) {
  if (campo.valor === null || campo.valor === undefined) return "";
  if (campo.tipo === "data") return dataBr(String(campo.valor));
  return campo.tipo === "valor" ? valor(campo.valor) : String(campo.valor);
}

function entradaVinculada(campo) {
  const label = criar("label");
  // A required field's label is marked as the form's are.
  label.appendChild(criar("span", campo.rotulo, campo.obrigatorio ? "rotulo obrigatorio" : "rotulo"));
  const input = criar("input");
  input.id = `vinculo${campo.nome}`;
  input.dataset.campo = campo.nome;
  input.autocomplete = "off";
  if (campo.tipo === "logico") {
    input.type = "checkbox";
    input.checked = Boolean(campo.valor);
  } else {
    input.value = textoDoCampoVinculado(campo);
    if (campo.tipo === "data") campoData(input);
    if (campo.tipo === "texto" && campo.tamanho > 0) input.maxLength = campo.tamanho;
  }
  input.readOnly = campo.fechado;
  if (campo.fechado) {
    input.tabIndex = -1;
    input.classList.add("fechado");
  }
  input.required = campo.obrigatorio;
  input.dataset.inicial = input.type === "checkbox" ? String(input.checked) : input.value;
  label.appendChild(input);
  return label;
}

// The fields typed or changed on the screen, as the document keys them.
function camposVinculados(form) {
  const campos = {};
  for (const input of form.querySelectorAll("input[data-campo]")) {
    if (input.readOnly) continue;
    const atual = input.type === "checkbox" ? String(input.checked) : input.value;
    if (atual === input.dataset.inicial) continue;
    campos[input.dataset.campo] = input.type === "checkbox" ? input.checked : input.value.trim() || null;
  }
  return campos;
}

function recusarVinculo(form, resultado) {
  const erro = elemento("erroVinculo");
  erro.textContent = resultado.message || "Recusado";
  const input = resultado.field && form.querySelector(`input[data-campo="${resultado.field}"]`);
  if (!input || input.readOnly) return;
  input.setAttribute("aria-invalid", "true");
  input.setAttribute("aria-describedby", "erroVinculo");
  input.focus();
  input.addEventListener("input", () => {
    input.removeAttribute("aria-invalid");
    input.removeAttribute("aria-describedby");
    erro.textContent = "";
  }, { once: true });
}

// Opens the screen `tela` of entry `chave`; resolves when the dialog closes,
// with true when the screen was keyed. The focus goes back where it was.
async function abrirVinculo(tela, chave) {
  let lida;
  try {
    lida = await consulta("vinculo", { chave, tela });
  } catch (erro) {
    mensagem(erro.message, true);
    return false;
  }
  const dialogo = dialogoVinculo();
  const form = elemento("formVinculo");
  const titulo = lida.titulo.trim();
  elemento("tituloVinculo").textContent = `${titulo} — lançamento ${chave}`;
  elemento("erroVinculo").textContent = "";
  form.replaceChildren(...lida.campos.map(entradaVinculada));
  const voltar = document.activeElement;
  let gravada = false;
  form.onsubmit = async (evento) => {
    evento.preventDefault();
    const campos = camposVinculados(form);
    if (Object.keys(campos).length === 0) return dialogo.close();
    elemento("erroVinculo").textContent = "";
    try {
      const resultado = await enviar({ op: "edit", company: Number(empresa()), key: chave, [tela]: campos });
      if (resultado.result !== "posted") return recusarVinculo(form, resultado);
      gravada = true;
      dialogo.close();
    } catch (erro) {
      elemento("erroVinculo").textContent = erro.message;
    }
  };
  return new Promise((resolve) => {
    dialogo.addEventListener("close", () => {
      voltar?.focus?.();
      if (gravada) mensagem(`${titulo}: gravado no lançamento ${chave}`);
      resolve(gravada);
    }, { once: true });
    dialogo.showModal();
    [...form.querySelectorAll("input")].find((input) => !input.readOnly)?.focus();
  });
}

// After a post: the linked screens the module showed, each keyed in its
// dialog, one after the other.
async function vinculosDoResultado(resultado, chave) {
  for (const mostrada of resultado.screens || [])
    if (mostrada.key) await abrirVinculo(mostrada.key, chave);
}
