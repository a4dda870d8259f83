"use strict";
// The search of the journal-entry page (Ctrl+F3): the company's entries by
// period, account (either side), amount and a text of the history, fifty a
// page; Enter or a click on one opens it for correction. Everything is
// typed: the fields in order, Enter searches, the arrows walk the results.

let pesquisaPagina = 1;

function dialogoPesquisa() {
  let dialogo = elemento("dialogoPesquisa");
  if (dialogo) return dialogo;
  dialogo = criar("dialog", undefined, "pesquisa");
  dialogo.id = "dialogoPesquisa";
  dialogo.setAttribute("aria-labelledby", "tituloPesquisa");
  const titulo = criar("h2", "Pesquisar lançamentos");
  titulo.id = "tituloPesquisa";
  const form = criar("form", undefined, "filtros");
  form.id = "formPesquisa";
  const campo = (rotulo, id, atributos = {}) => {
    const label = criar("label", rotulo);
    const input = criar("input");
    input.id = id;
    Object.assign(input, atributos);
    label.appendChild(input);
    form.appendChild(label);
    return input;
  };
  campoData(campo("Data Inicial", "pesquisaDe", { required: true }));
  campoData(campo("Data Final", "pesquisaAte", { required: true }));
  campo("Conta", "pesquisaConta", { maxLength: 40, autocomplete: "off" });
  campo("Valor", "pesquisaValor", { maxLength: 40, inputMode: "decimal", autocomplete: "off", className: "valor" });
  campo("Histórico contém", "pesquisaTexto", { maxLength: 100, autocomplete: "off" });
  const botao = criar("button", "Pesquisar");
  botao.type = "submit";
  form.appendChild(botao);
  const situacao = criar("p");
  situacao.id = "pesquisaSituacao";
  situacao.setAttribute("role", "status");
  const resultado = criar("div", undefined, "rolagem");
  resultado.id = "pesquisaResultado";
  const rodape = criar("div");
  const mais = criar("button", "Mais resultados");
  mais.type = "button";
  mais.id = "pesquisaMais";
  mais.hidden = true;
  const fechar = criar("button", "Fechar");
  fechar.type = "button";
  fechar.addEventListener("click", () => dialogo.close());
  rodape.append(mais, fechar);
  dialogo.append(titulo, form, situacao, resultado, rodape);
  document.body.appendChild(dialogo);
  return dialogo;
}

function linhaDaPesquisa(linha, aoAbrir) {
  const tr = criar("tr", undefined, "linha");
  tr.tabIndex = 0;
  tr.dataset.chave = linha.chave;
  const lado = (conta) => (conta ? `${conta.conta} ${conta.descricao}` : "");
  for (const [texto, classe] of [[dataBr(linha.data)], [String(linha.chave), "valor"], [lado(linha.debito)],
    [lado(linha.credito)], [valor(linha.valor), "valor"], [linha.historico]])
    tr.appendChild(criar("td", texto, classe));
  const abrir = () => {
    elemento("dialogoPesquisa").close();
    aoAbrir(linha.chave);
  };
  tr.addEventListener("click", abrir);
  tr.addEventListener("keydown", (evento) => {
    if (evento.key === "Enter") {
      evento.preventDefault();
      abrir();
    } else if (evento.key === "ArrowDown" || evento.key === "ArrowUp") {
      evento.preventDefault();
      (evento.key === "ArrowDown" ? tr.nextElementSibling : tr.previousElementSibling)?.focus();
    }
  });
  return tr;
}

async function buscarLancamentos(empresaAtual, aoAbrir, pagina) {
  const parametros = {
    empresa: empresaAtual,
    de: elemento("pesquisaDe").value,
    ate: elemento("pesquisaAte").value,
    conta: elemento("pesquisaConta").value,
    valor: elemento("pesquisaValor").value,
    texto: elemento("pesquisaTexto").value,
    pagina,
  };
  const situacao = elemento("pesquisaSituacao");
  try {
    const dados = await pedir(`/api/paginas/pesquisa?${new URLSearchParams(parametros)}`);
    pesquisaPagina = dados.pagina;
    let corpo = elemento("pesquisaResultado").querySelector("tbody");
    if (pagina === 1 || !corpo) {
      const tabela = criar("table");
      const titulos = criar("tr");
      for (const titulo of ["Data", "Chave", "Débito", "Crédito", "Valor", "Histórico"])
        titulos.appendChild(criar("th", titulo));
      tabela.appendChild(criar("thead")).appendChild(titulos);
      corpo = tabela.appendChild(criar("tbody"));
      elemento("pesquisaResultado").replaceChildren(tabela);
    }
    const primeira = corpo.children.length;
    for (const linha of dados.linhas) corpo.appendChild(linhaDaPesquisa(linha, aoAbrir));
    situacao.textContent = corpo.children.length
      ? `${corpo.children.length} lançamento(s) encontrado(s)${dados.mais ? "; há mais" : ""}. Enter abre para correção.`
      : "Nenhum lançamento encontrado";
    situacao.classList.remove("erro");
    elemento("pesquisaMais").hidden = !dados.mais;
    corpo.children[primeira]?.focus();
  } catch (erro) {
    situacao.textContent = erro.message;
    situacao.classList.add("erro");
  }
}

// Opens the search over the company `empresaAtual`; `aoAbrir(chave)` opens
// the entry chosen.
function abrirPesquisa(empresaAtual, aoAbrir) {
  const dialogo = dialogoPesquisa();
  if (!elemento("pesquisaDe").value) {
    elemento("pesquisaDe").value = `01/01/${new Date().getFullYear()}`;
    elemento("pesquisaAte").value = hojeBr();
  }
  elemento("formPesquisa").onsubmit = (evento) => {
    evento.preventDefault();
    buscarLancamentos(empresaAtual, aoAbrir, 1);
  };
  elemento("pesquisaMais").onclick = () => buscarLancamentos(empresaAtual, aoAbrir, pesquisaPagina + 1);
  dialogo.showModal();
  elemento("pesquisaDe").focus();
  elemento("pesquisaDe").select();
}
