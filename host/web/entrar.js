"use strict";
// Sign-in: the code and the password go as JSON; the server answers with
// the session cookie (HttpOnly: this script never sees it).
document.getElementById("formEntrar").addEventListener("submit", async (evento) => {
  evento.preventDefault();
  const erro = document.getElementById("erro");
  erro.textContent = "";
  const resposta = await fetch("/api/entrar", {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify({
      usuario: Number(document.getElementById("usuario").value),
      senha: document.getElementById("senha").value,
    }),
  });
  if (resposta.ok) {
    window.location.assign("/balancete");
    return;
  }
  const corpo = await resposta.json().catch(() => ({}));
  erro.textContent = corpo.erro || "Não foi possível entrar";
});
