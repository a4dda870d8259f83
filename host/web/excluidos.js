"use strict";
// The company's deleted entries of a period, each with "Restaurar": asked
// once more in a dialog, then put back under a new key of the company's
// sequence. Who lacks the right to read the log or to restore is told so by
// the server; the page offers nothing the server would not do.

let csrf = "";

function mensagem(texto, erro = false) {
  elemento("situacao").textContent = erro ? "" : texto;
  elemento("erro").textContent = erro ? texto : "";
}

const colunas = [["IDLCTOCTBEXCL", "Id"], ["CHAVELCTOCTB", "Chave"], ["DATALCTOCTB", "Data", "data"],
  ["CODIGOESTAB", "Filial"], ["CONTACTBDEB", "Débito"], ["CONTACTBCRED", "Crédito"],
  ["VALORLCTOCTB", "Valor", "valor"], ["CODIGOHISTCTB", "Histórico"], ["COMPLHIST", "Complemento"],
  ["DATAEXCLUSAO", "Excluído em", "data"], ["USUARIOEXCLUSAO", "Excluído por"]];

// Resolves true when the person confirms.
function confirmar(texto) {
  const dialogo = elemento("confirmacao");
  elemento("textoConfirmacao").textContent = texto;
  return new Promise((resolve) => {
    const fim = (resposta) => () => {
      dialogo.close();
      resolve(resposta);
    };
    elemento("botaoRestaurar").onclick = fim(true);
    elemento("botaoCancelar").onclick = fim(false);
    dialogo.oncancel = fim(false);
    dialogo.showModal();
    elemento("botaoRestaurar").focus();
  });
}

async function restaurar(linha) {
  if (!await confirmar(`Restaurar o lançamento excluído ${linha.IDLCTOCTBEXCL} (chave ${linha.CHAVELCTOCTB}, ` +
    `${dataBr(linha.DATALCTOCTB)}, ${valor(Number(linha.VALORLCTOCTB))})?`)) return;
  try {
    const resposta = await pedir("/api/paginas/excluidos/restaurar", {
      method: "POST",
      headers: { "Content-Type": "application/json", "X-CSRF-Token": csrf },
      body: JSON.stringify({ empresa: Number(elemento("empresa").value), id: linha.IDLCTOCTBEXCL }),
    });
    await consultar();
    mensagem(resposta.mensagem);
  } catch (erro) {
    mensagem(erro.message, true);
  }
}

async function consultar() {
  mensagem("");
  try {
    const linhas = await pedir(`/api/paginas/excluidos?${new URLSearchParams({
      empresa: elemento("empresa").value, de: elemento("de").value, ate: elemento("ate").value })}`);
    if (!linhas.length) {
      elemento("resultado").replaceChildren(criar("p", "Nenhum lançamento excluído no período"));
      return;
    }
    const tabela = criar("table");
    tabela.id = "tabelaExcluidos";
    const titulos = criar("tr");
    for (const [, titulo] of colunas) titulos.appendChild(criar("th", titulo));
    titulos.appendChild(criar("th", "Ação"));
    tabela.appendChild(criar("thead")).appendChild(titulos);
    const corpo = tabela.appendChild(criar("tbody"));
    for (const linha of linhas) {
      const tr = criar("tr");
      for (const [nome, , tipo] of colunas) {
        const texto = tipo === "valor" ? valor(Number(linha[nome])) : textoDaColuna(linha[nome], tipo);
        tr.appendChild(criar("td", texto, tipo === "valor" ? "valor" : undefined));
      }
      const botao = criar("button", "Restaurar");
      botao.type = "button";
      botao.setAttribute("aria-label", `Restaurar o lançamento excluído ${linha.IDLCTOCTBEXCL}`);
      botao.addEventListener("click", () => restaurar(linha));
      tr.appendChild(criar("td")).appendChild(botao);
      corpo.appendChild(tr);
    }
    elemento("resultado").replaceChildren(tabela);
  } catch (erro) {
    elemento("resultado").replaceChildren();
    mensagem(erro.message, true);
  }
}

async function iniciar() {
  const sessao = await iniciarSessao();
  csrf = sessao.csrf;
  for (const id of ["de", "ate"]) campoData(elemento(id));
  const empresa = sessao.empresas[0];
  elemento("de").value = dataBr(empresa?.exercicio?.de) || `01/01/${new Date().getFullYear()}`;
  elemento("ate").value = dataBr(empresa?.exercicio?.ate) || hojeBr();
  elemento("formExcluidos").addEventListener("submit", (evento) => {
    evento.preventDefault();
    consultar();
  });
  await consultar();
  document.body.dataset.pronta = "1";
}

iniciar().catch((erro) => mensagem(erro.message, true));
