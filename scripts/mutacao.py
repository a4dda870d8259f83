#!/usr/bin/env python3
"""Plants the faults of scripts/mutantes.txt one at a time and tells which
the tests catch.

Each fault is an exact fragment of one source file, which must occur there
exactly once, and its replacement. The tree is copied to a scratch folder
(CTB_MUTACAO_DIR, /tmp/ctb-mutacao by default) with a build folder of its
own; the developer's files are never written. For each fault the copy is
mutated, only the fault's test targets are built (the shared compile cache
makes the unchanged files free), the tests that cover the unit run on
SQLite (the PostgreSQL instances are left out), and the file is restored.
A failing test, a crash or a timeout kills the fault; a fault whose tests
all pass survives. The tests of every fault must pass on the unmutated
tree first, or the run stops: a test failing already proves nothing.

Usage:
  scripts/mutacao.py                 every fault, then the table and the share
  scripts/mutacao.py ID [ID ...]     only those faults
  scripts/mutacao.py --verificar     only check that every fragment still
                                     occurs exactly once (no build)
  scripts/mutacao.py --listar        the faults, one a line

Environment: CTB_MUTACAO_DIR (scratch folder), CTB_MUTACAO_JOBS (build and
test jobs, 2), CTB_MUTACAO_TIMEOUT (seconds per test, 300).

Exit status: 0 when at least 90 % of the faults run are killed, 1 below,
2 when the list is stale (a fragment missing or repeated), a fault does not
compile or the unmutated tree fails its tests. A manual or nightly tool:
a full run takes about an hour on two cores, far beyond what CI can spend.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

RAIZ = Path(__file__).resolve().parent.parent
LISTA = RAIZ / "scripts" / "mutantes.txt"
MINIMO = 0.90
BUILD = "build-test"
# The flags of the team's test build, so the compile cache already holds
# every unchanged object.
CMAKE = ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug", "-DCTB_SANITIZE=ON", "-DCTB_WERROR=ON"]


class ListaInvalida(Exception):
    pass


@dataclass
class Falha:
    id: str
    arquivo: str
    trecho: str
    troca: str
    alvos: list
    testes: str
    descricao: str
    linha: int


def Desescapar(texto):
    saida, i = [], 0
    while i < len(texto):
        c = texto[i]
        if c == "\\" and i + 1 < len(texto):
            proximo = texto[i + 1]
            saida.append({"n": "\n", "t": "\t", "\\": "\\"}.get(proximo, "\\" + proximo))
            i += 2
        else:
            saida.append(c)
            i += 1
    return "".join(saida)


def LerLista(caminho):
    """Blocks of `chave: valor` lines, one block a fault, opened by its id in
    brackets; `trecho` and `troca` take \\n, \\t and \\\\ escapes."""
    falhas, ids, bloco = [], set(), None
    chaves = ("arquivo", "alvos", "testes", "descricao", "trecho", "troca")

    def Fechar():
        if bloco is None:
            return
        faltam = [c for c in chaves if c not in bloco]
        if faltam:
            raise ListaInvalida(f"{caminho.name}:{bloco['linha']}: faltam {', '.join(faltam)}")
        falhas.append(Falha(bloco["id"], bloco["arquivo"], Desescapar(bloco["trecho"]),
                            Desescapar(bloco["troca"]), bloco["alvos"].split(), bloco["testes"],
                            bloco["descricao"], bloco["linha"]))

    for numero, linha in enumerate(caminho.read_text(encoding="utf-8").splitlines(), 1):
        if not linha.strip() or linha.startswith("#"):
            continue
        if linha.startswith("[") and linha.endswith("]"):
            Fechar()
            id_ = linha[1:-1]
            if id_ in ids:
                raise ListaInvalida(f"{caminho.name}:{numero}: id {id_} repetido")
            ids.add(id_)
            bloco = {"id": id_, "linha": numero}
            continue
        chave, separador, valor = linha.partition(":")
        valor = valor[1:] if valor.startswith(" ") else valor
        if bloco is None or not separador or chave not in chaves or chave in bloco:
            raise ListaInvalida(f"{caminho.name}:{numero}: linha inesperada: {linha}")
        bloco[chave] = valor
    Fechar()
    return falhas


def Conferir(falhas, raiz):
    """The fragments that no longer occur exactly once: a stale fault."""
    erros = []
    for f in falhas:
        caminho = raiz / f.arquivo
        if not caminho.is_file():
            erros.append(f"{f.id}: {f.arquivo} não existe")
            continue
        vezes = caminho.read_text(encoding="utf-8").count(f.trecho)
        if vezes != 1:
            erros.append(f"{f.id}: o trecho ocorre {vezes} vezes em {f.arquivo} (linha {f.linha} da lista)")
        if f.trecho == f.troca:
            erros.append(f"{f.id}: a troca é igual ao trecho")
    return erros


def Rodar(comando, **kwargs):
    return subprocess.run(comando, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)


def Sincronizar(copia):
    """Copies the tracked and new files of the tree; a file whose content is
    unchanged keeps its time, so the build redoes only what changed."""
    nomes = Rodar(["git", "-C", str(RAIZ), "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                  check=True).stdout.split("\0")
    nomes = [n for n in nomes if n and (RAIZ / n).is_file()]
    copia.mkdir(parents=True, exist_ok=True)
    manifesto = copia / ".mutacao-arquivos"
    antigos = set(manifesto.read_text().split("\0")) if manifesto.exists() else set()
    for nome in antigos - set(nomes):
        if nome and (copia / nome).is_file():
            (copia / nome).unlink()
    for nome in nomes:
        origem, destino = RAIZ / nome, copia / nome
        conteudo = origem.read_bytes()
        if destino.is_file() and destino.read_bytes() == conteudo:
            continue
        destino.parent.mkdir(parents=True, exist_ok=True)
        destino.write_bytes(conteudo)
        shutil.copymode(origem, destino)
    manifesto.write_text("\0".join(nomes))
    resumo = hashlib.sha256()
    for nome in sorted(nomes):
        resumo.update(nome.encode() + b"\0" + (copia / nome).read_bytes() + b"\0")
    return resumo.hexdigest()


def Compilar(copia, alvos, jobs):
    build = copia / BUILD
    if not (build / "build.ninja").exists():
        r = Rodar(["cmake", "-S", str(copia), "-B", str(build)] + CMAKE)
        if r.returncode != 0:
            raise ListaInvalida("cmake falhou:\n" + r.stdout[-3000:])
    return Rodar(["cmake", "--build", str(build), "-j", str(jobs), "--target"] + alvos)


def Testar(copia, regex, jobs, timeout, parar=False):
    """0: passed; otherwise the tests failed (or timed out). A fault's run
    stops at its first failing test: one is enough to kill it."""
    ambiente = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=1",
                    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    ambiente.pop("CTB_TEST_PG", None)
    r = Rodar(["ctest", "--test-dir", str(copia / BUILD), "-R", regex, "-E", "/PostgreSQL",
               "--no-tests=error", "--timeout", str(timeout), "-j", str(jobs)]
              + (["--stop-on-failure"] if parar else []), env=ambiente)
    return r.returncode, r.stdout


def Mutar(caminho, trecho, troca):
    texto = caminho.read_text(encoding="utf-8")
    if texto.count(trecho) != 1:
        raise ListaInvalida(f"{caminho}: o trecho mudou na cópia")
    caminho.write_text(texto.replace(trecho, troca), encoding="utf-8")
    return texto


def Restaurar(caminho, texto):
    caminho.write_text(texto, encoding="utf-8")
    # A newer time than the mutant's object: the next build compiles it again.
    agora = time.time()
    os.utime(caminho, (agora, agora))


def Unidade(arquivo):
    return arquivo.split("/")[0]


def Principal(argumentos):
    if "--help" in argumentos or "-h" in argumentos:
        print(__doc__)
        return 0
    opcoes = {a for a in argumentos if a.startswith("-")}
    if opcoes - {"--listar", "--verificar"}:
        print(f"mutacao: opção desconhecida: {' '.join(sorted(opcoes))} (veja --help)", file=sys.stderr)
        return 2
    falhas = LerLista(LISTA)
    if "--listar" in argumentos:
        for f in falhas:
            print(f"{f.id:6} {f.arquivo:55} {f.descricao}")
        return 0
    erros = Conferir(falhas, RAIZ)
    if erros:
        print("mutacao: lista desatualizada, ajuste scripts/mutantes.txt:", file=sys.stderr)
        for e in erros:
            print("  " + e, file=sys.stderr)
        return 2
    if "--verificar" in argumentos:
        print(f"mutacao: {len(falhas)} falhas, todos os trechos ocorrem uma única vez")
        return 0
    escolhidos = [a for a in argumentos if not a.startswith("-")]
    if escolhidos:
        desconhecidos = set(escolhidos) - {f.id for f in falhas}
        if desconhecidos:
            print(f"mutacao: falhas desconhecidas: {' '.join(sorted(desconhecidos))}", file=sys.stderr)
            return 2
        falhas = [f for f in falhas if f.id in escolhidos]

    # One fault of each unit in turn: a run cut short has still tried them all.
    posicao = {}
    for f in falhas:
        posicao[f.id] = sum(1 for g in falhas[: falhas.index(f)] if g.id[0] == f.id[0])
    falhas.sort(key=lambda f: posicao[f.id])

    copia = Path(os.environ.get("CTB_MUTACAO_DIR", "/tmp/ctb-mutacao")) / "src"
    jobs = int(os.environ.get("CTB_MUTACAO_JOBS", "2"))
    timeout = int(os.environ.get("CTB_MUTACAO_TIMEOUT", "300"))
    arvore = Sincronizar(copia)

    # The unmutated tree passes every suite the faults use.
    alvos = sorted({a for f in falhas for a in f.alvos})
    print(f"mutacao: compilando {' '.join(alvos)} em {copia / BUILD}", flush=True)
    r = Compilar(copia, alvos, jobs)
    if r.returncode != 0:
        print(r.stdout[-5000:], file=sys.stderr)
        print("mutacao: a árvore sem falhas não compila", file=sys.stderr)
        return 2
    # Suites seen passing on this very tree (its files' hash) are not run
    # again: a run of one fault after a full run costs only that fault.
    vistos = copia / ".mutacao-base"
    passaram = set(vistos.read_text().splitlines()) if vistos.exists() else set()
    for regex in sorted({f.testes for f in falhas}):
        if f"{arvore} {regex}" in passaram:
            continue
        codigo, saida = Testar(copia, regex, jobs, timeout)
        if codigo != 0:
            print(saida[-5000:], file=sys.stderr)
            print(f"mutacao: os testes '{regex}' falham sem falha plantada", file=sys.stderr)
            return 2
        with vistos.open("a") as arquivo:
            arquivo.write(f"{arvore} {regex}\n")

    resultados = []
    for f in falhas:
        caminho = copia / f.arquivo
        inicio = time.monotonic()
        original = Mutar(caminho, f.trecho, f.troca)
        try:
            r = Compilar(copia, f.alvos, jobs)
            if r.returncode != 0:
                print(r.stdout[-3000:], file=sys.stderr)
                resultado = "não compila"
            else:
                codigo, saida = Testar(copia, f.testes, jobs, timeout, parar=True)
                if codigo == 0:
                    resultado = "sobreviveu"
                elif "Timeout" in saida:
                    resultado = "morto (tempo)"
                else:
                    resultado = "morto"
        finally:
            Restaurar(caminho, original)
        segundos = time.monotonic() - inicio
        print(f"{f.id:6} {Unidade(f.arquivo):13} {resultado:14} {segundos:5.0f}s  {f.descricao}", flush=True)
        resultados.append((f, resultado))

    print()
    print(f"{'id':6} {'unidade':13} resultado")
    for f, resultado in resultados:
        print(f"{f.id:6} {Unidade(f.arquivo):13} {resultado}")
    validos = [r for _, r in resultados if r != "não compila"]
    mortos = sum(1 for r in validos if r.startswith("morto"))
    share = mortos / len(validos) if validos else 1.0
    print(f"\nmutacao: {mortos} de {len(validos)} falhas mortas ({share:.0%})")
    sobreviventes = [f.id for f, r in resultados if r == "sobreviveu"]
    if sobreviventes:
        print("mutacao: sobreviveram " + " ".join(sobreviventes))
    if len(validos) != len(resultados):
        print("mutacao: há falhas que não compilam: corrija a lista", file=sys.stderr)
        return 2
    return 0 if share >= MINIMO else 1


if __name__ == "__main__":
    try:
        sys.exit(Principal(sys.argv[1:]))
    except ListaInvalida as erro:
        print(f"mutacao: {erro}", file=sys.stderr)
        sys.exit(2)
