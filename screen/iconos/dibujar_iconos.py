#!/usr/bin/env python3
"""Draws the four 16x16 pictures of the catalogue tree's image list as PNG files.

The pictures are pixel art: each is a 16x16 map of palette letters, so that every pixel is
placed on purpose and the picture stays sharp at its real size. Run it from this folder to
redraw them; `--ampliado N` also writes copies N times larger for checking by eye.
"""
import struct
import sys
import zlib

PALETA = {
    ".": (0, 0, 0, 0),
    # generic sheet
    "g": (96, 96, 96, 255),      # outline
    "w": (255, 255, 255, 255),   # paper
    "s": (190, 190, 190, 255),   # fold and lines
    # folder: headings and the root
    "k": (138, 90, 0, 255),      # outline
    "y": (246, 195, 67, 255),    # body
    "l": (252, 226, 150, 255),   # light edge
    "d": (222, 160, 30, 255),    # shade
    # ledger: a group of the chart under a heading
    "N": (20, 52, 110, 255),     # outline
    "B": (40, 96, 190, 255),     # cover
    "b": (110, 160, 230, 255),   # cover light
    "p": (244, 244, 236, 255),   # page edges
    # nested group: a hooked arrow into a small card
    "V": (24, 100, 40, 255),     # outline and arrow
    "G": (70, 170, 80, 255),     # card
    "h": (170, 225, 170, 255),   # card lines
}

ICONOS = {
    # 1: not used by the tree; a plain sheet of paper.
    "generico.png": [
        "................",
        "..gggggggg......",
        "..gwwwwwwgg.....",
        "..gwwwwwwgsg....",
        "..gwwwwwwgssg...",
        "..gwwwwwwggggg..",
        "..gwwwwwwwwwwg..",
        "..gwssssssswwg..",
        "..gwwwwwwwwwwg..",
        "..gwssssssswwg..",
        "..gwwwwwwwwwwg..",
        "..gwssssssswwg..",
        "..gwwwwwwwwwwg..",
        "..gwwwwwwwwwwg..",
        "..gggggggggggg..",
        "................",
    ],
    # 2: a group of the chart directly under a heading; a bound ledger.
    "grupo.png": [
        "................",
        "..NNNNNNNNNNN...",
        "..NbBBBBBBBBNp..",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBpppppBBNpN.",
        "..NbBpppppBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NbBBBBBBBBNpN.",
        "..NNNNNNNNNNNpN.",
        "...NNNNNNNNNNNN.",
        "................",
    ],
    # 3: the root and the headings; a closed folder.
    "titulo.png": [
        "................",
        "................",
        ".kkkkk..........",
        "kllllyk.........",
        "klyyyyykkkkkkkk.",
        "klllllllllllllk.",
        "klyyyyyyyyyyyyk.",
        "klyyyyyyyyyyyyk.",
        "klyyyyyyyyyyyyk.",
        "klyyyyyyyyyyyyk.",
        "klyyyyyyyyyyyyk.",
        "klyyyyyyyyyyyyk.",
        "kdddddddddddddk.",
        "kkkkkkkkkkkkkkk.",
        "................",
        "................",
    ],
    # 4: a group nested in another group; a hooked arrow into a smaller card.
    "subgrupo.png": [
        "................",
        ".VV.............",
        ".VV.............",
        ".VV.............",
        ".VV....VVVVVVVV.",
        ".VV.V..VGGGGGGV.",
        ".VV.VV.VGhhhhGV.",
        ".VVVVVVVGGGGGGV.",
        ".VVVVVVVGhhhhGV.",
        "....VV.VGGGGGGV.",
        "....V..VGhhhhGV.",
        ".......VGGGGGGV.",
        ".......VVVVVVVV.",
        "................",
        "................",
        "................",
    ],
}


def png(pixeles, ancho, alto):
    filas = b"".join(
        b"\x00" + b"".join(bytes(pixeles[y * ancho + x]) for x in range(ancho)) for y in range(alto)
    )

    def bloque(tipo, datos):
        return (struct.pack(">I", len(datos)) + tipo + datos
                + struct.pack(">I", zlib.crc32(tipo + datos) & 0xFFFFFFFF))

    cabecera = struct.pack(">IIBBBBB", ancho, alto, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + bloque(b"IHDR", cabecera)
            + bloque(b"IDAT", zlib.compress(filas, 9)) + bloque(b"IEND", b""))


def pixeles_de(mapa, escala=1):
    assert len(mapa) == 16 and all(len(fila) == 16 for fila in mapa), "16x16 maps only"
    lado = 16 * escala
    return [PALETA[mapa[y // escala][x // escala]] for y in range(lado) for x in range(lado)], lado


def main():
    escala = 0
    if len(sys.argv) == 3 and sys.argv[1] == "--ampliado":
        escala = int(sys.argv[2])
    for nombre, mapa in ICONOS.items():
        pixeles, lado = pixeles_de(mapa)
        with open(nombre, "wb") as archivo:
            archivo.write(png(pixeles, lado, lado))
        if escala:
            pixeles, lado = pixeles_de(mapa, escala)
            with open("/tmp/ampliado-" + nombre, "wb") as archivo:
                archivo.write(png(pixeles, lado, lado))


if __name__ == "__main__":
    main()
