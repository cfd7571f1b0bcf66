// Draws one of the artwork's SVG sources into a bitmap, at build time:
//
//   vesmadur-rasterizar ENTRADA.svg SALIDA.png ANCHO ALTO rgb|argb
//
// "rgb" gives a 24-bit picture without transparency, "argb" one with it.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("Uso: vesmadur-rasterizar ENTRADA.svg SALIDA.png ANCHO ALTO rgb|argb\n", stderr);
        return 2;
    }
    // Text in a drawing needs the font database, and so an application.
    QGuiApplication aplicacion(argc, argv);
    QSvgRenderer dibujo(QString::fromLocal8Bit(argv[1]));
    const int ancho = std::stoi(argv[3]), alto = std::stoi(argv[4]);
    const bool transparente = std::string(argv[5]) == "argb";
    if (!dibujo.isValid() || ancho <= 0 || alto <= 0) {
        std::fprintf(stderr, "vesmadur-rasterizar: no se pudo leer %s\n", argv[1]);
        return 1;
    }
    QImage imagen(ancho, alto, transparente ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    imagen.fill(transparente ? Qt::transparent : Qt::white);
    {
        QPainter pintor(&imagen);
        pintor.setRenderHint(QPainter::Antialiasing);
        dibujo.render(&pintor);
    }
    if (!imagen.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "vesmadur-rasterizar: no se pudo escribir %s\n", argv[2]);
        return 1;
    }
    return 0;
}
